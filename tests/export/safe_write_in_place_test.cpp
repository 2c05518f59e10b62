// SPDX-License-Identifier: GPL-3.0-or-later
// Who may write what, and the targets that are written in place rather than replaced.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <set>
#include <string>

#include "export/safe_write.h"
#include "export/safe_write_fixture.h"
#include "support/ordinary_user.h"

namespace {

struct AccessCase {
    const char* name;
    mode_t folderMode;
    mode_t fileMode;  // 0: there is no file yet
    WriteError error;
    bool inPlace;           // the folder takes no new file or refuses the rename
    bool rootOwns = false;  // root owns the folder and the file, not the ordinary user
};

// Checked as an ordinary user.
const AccessCase kAccessCases[] = {
    {"read-only file", 0755, 0444, WriteError::NoPermission, false},
    {"read-only file in a read-only folder", 0555, 0444, WriteError::NoPermission, false},
    {"writable file in a read-only folder", 0555, 0644, WriteError::None, true},
    {"new file in a read-only folder", 0555, 0, WriteError::NoPermission, false},
    {"writable file", 0755, 0644, WriteError::None, false},
    // Like /tmp: anyone may create files, only a file's owner may rename over it.
    {"another user's writable file in a sticky folder", 01777, 0666, WriteError::None, true, true},
};

// Says what is wrong on standard error, since a child can only answer yes or no.
bool Check(bool ok, const AccessCase& c, const char* what) {
    if (!ok) std::fprintf(stderr, "%s: %s\n", c.name, what);
    return ok;
}

TEST_F(SafeWrite, WritesExactlyWhatTheUserMayWrite) {
    if (::geteuid() != 0) {
        // A user that permission bits do not bind (CAP_DAC_OVERRIDE) cannot show the refusals.
        const std::string probe = In("probe");
        WriteDirect(probe, "");
        ::chmod(probe.c_str(), 0444);
        const int fd = ::open(probe.c_str(), O_WRONLY);
        ::unlink(probe.c_str());
        if (fd >= 0) {
            ::close(fd);
            GTEST_SKIP() << "permission bits are not enforced for this user";
        }
    }
    ASSERT_EQ(::chmod(m_folder.c_str(), 0755), 0);
    for (const AccessCase& c : kAccessCases) {
        if (c.rootOwns && ::geteuid() != 0) continue;  // only root can give files to root
        const uid_t owner = c.rootOwns ? 0 : OrdinaryUid();
        const std::string folder = In(std::string("case ") + std::to_string(&c - kAccessCases));
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        const std::string path = folder + "/out.dat";
        if (c.fileMode != 0) {
            WriteDirect(path, "old");
            ASSERT_EQ(::chown(path.c_str(), owner, static_cast<gid_t>(-1)), 0);
            ASSERT_EQ(::chmod(path.c_str(), c.fileMode), 0);
        }
        ASSERT_EQ(::chown(folder.c_str(), owner, static_cast<gid_t>(-1)), 0);
        ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
        const ino_t inode = c.fileMode != 0 ? StatOf(path).st_ino : 0;

        EXPECT_TRUE(AsOrdinaryUser([&] {
            const WriteResult result = WriteFileSafely(path, "new");
            const std::set<std::string> names = c.fileMode != 0 || result.ok()
                                                    ? std::set<std::string>{"out.dat"}
                                                    : std::set<std::string>{};
            bool ok = Check(result.error == c.error, c, result.message.c_str());
            if (c.error == WriteError::NoPermission) {
                ok &= Check(result.message == "cannot write " + path + ": permission denied", c,
                            result.message.c_str());
            }
            const std::string expected = result.ok() ? "new" : c.fileMode != 0 ? "old" : "";
            ok &= Check(ReadAll(path) == expected, c, "the file holds other bytes");
            return ok && Check(Names(folder) == names, c, "the folder holds other files");
        })) << c.name;
        if (c.fileMode != 0) {
            EXPECT_EQ(ModeOf(path), c.fileMode) << c.name;
            // Written in place: the same file still.
            if (c.inPlace) {
                EXPECT_EQ(StatOf(path).st_ino, inode) << c.name;
            }
        }
    }
}

TEST_F(SafeWrite, HardLinkedFileIsWrittenInPlaceUnderEveryName) {
    const std::string first = In("first.dat");
    const std::string second = In("second.dat");
    WriteDirect(first, std::string(10000, 'o'));
    ASSERT_EQ(::link(first.c_str(), second.c_str()), 0);
    const ino_t inode = StatOf(first).st_ino;
    // Shorter than the old bytes, then longer: nothing of the old file may remain.
    for (const std::string& bytes : {std::string("new"), std::string(20000, 'n')}) {
        const WriteResult result = WriteFileSafely(first, bytes);
        ASSERT_TRUE(result.ok()) << result.message;
        EXPECT_TRUE(ReadAll(first) == bytes) << bytes.size() << " bytes";
        EXPECT_TRUE(ReadAll(second) == bytes) << bytes.size() << " bytes";
        EXPECT_EQ(StatOf(second).st_ino, inode);
        EXPECT_EQ(StatOf(second).st_nlink, 2u);
    }
    EXPECT_EQ(Names(m_folder), (std::set<std::string>{"first.dat", "second.dat"}));
}

TEST_F(SafeWrite, AFailureInPlaceSaysTheFileIsIncomplete) {
    const std::string path = In("out.dat");
    WriteDirect(path, "old content that is long enough");
    ASSERT_EQ(::link(path.c_str(), In("other.dat").c_str()), 0);
    const WriteResult result =
        detail::WriteFileSafely(path, std::string(100, 'n'), &FillingDisk);
    EXPECT_EQ(result.error, WriteError::DiskFull);
    EXPECT_EQ(result.message,
              "cannot write " + path +
                  ": the disk is full (the file was being written in place and is now incomplete)");
    EXPECT_EQ(Names(m_folder), (std::set<std::string>{"other.dat", "out.dat"}));
}

}  // namespace
