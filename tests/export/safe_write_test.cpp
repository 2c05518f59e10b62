// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/safe_write.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "export/safe_write_fixture.h"

namespace {

TEST_F(SafeWrite, CreatesNewFileWithUmaskMode) {
    const std::string path = In("out.dat");
    const std::string bytes("a\r\nb\0c\r\n", 8);
    const WriteResult result = WriteFileSafely(path, bytes);
    ASSERT_TRUE(result.ok()) << result.message;
    EXPECT_TRUE(result.message.empty());
    EXPECT_EQ(ReadAll(path), bytes);
    EXPECT_EQ(ModeOf(path), 0644u);
    EXPECT_EQ(Names(m_folder), std::set<std::string>{"out.dat"});
}

TEST_F(SafeWrite, OverwriteReplacesEverythingAndKeepsMode) {
    const std::string path = In("out.dat");
    WriteDirect(path, std::string(10000, 'x'));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileSafely(path, "new").ok());
    EXPECT_EQ(ReadAll(path), "new");
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(Names(m_folder), std::set<std::string>{"out.dat"});
}

// The file a link names is written and the link stays; a dangling link gets its file.
TEST_F(SafeWrite, WritesThroughSymbolicLinks) {
    ASSERT_EQ(::mkdir(In("sub").c_str(), 0755), 0);
    WriteDirect(In("real.dat"), "old");
    struct Case {
        std::string link;      // made in the test folder
        std::string pointsTo;  // the link's text
        std::string file;      // where the bytes must land
    };
    const Case cases[] = {
        {"link.dat", "real.dat", "real.dat"},
        {"sub/up.dat", "../real.dat", "real.dat"},  // read from the link's own folder
        {"abs.dat", In("real.dat"), "real.dat"},
        {"chain.dat", "sub/up.dat", "real.dat"},  // a link to a link
        {"dangling.dat", "new.dat", "new.dat"},
        {"sub/dangling.dat", "../made.dat", "made.dat"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(::symlink(c.pointsTo.c_str(), In(c.link).c_str()), 0) << c.link;
        const WriteResult result = WriteFileSafely(In(c.link), "bytes via " + c.link);
        ASSERT_TRUE(result.ok()) << c.link << ": " << result.message;
        EXPECT_EQ(ReadAll(In(c.file)), "bytes via " + c.link);
        char text[4096] = {};
        ASSERT_GT(::readlink(In(c.link).c_str(), text, sizeof text - 1), 0) << c.link;
        EXPECT_EQ(text, c.pointsTo) << c.link;
    }
    EXPECT_EQ(Names(m_folder),
              (std::set<std::string>{"abs.dat", "chain.dat", "dangling.dat", "link.dat", "made.dat",
                                     "new.dat", "real.dat", "sub"}));
    EXPECT_EQ(Names(In("sub")), (std::set<std::string>{"dangling.dat", "up.dat"}));
}

TEST_F(SafeWrite, EmptyContentGivesEmptyFile) {
    WriteDirect(In("out.dat"), "old");
    ASSERT_TRUE(WriteFileSafely(In("out.dat"), "").ok());
    EXPECT_EQ(ReadAll(In("out.dat")), "");
}

// Short writes and interruptions are retried until every byte is out.
ssize_t ChoppyWrite(int fd, const void* data, std::size_t count) {
    static int call = 0;
    if (++call % 3 == 0) {
        errno = EINTR;
        return -1;
    }
    return ::write(fd, data, std::min<std::size_t>(count, 7));
}

TEST_F(SafeWrite, RetriesShortAndInterruptedWrites) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += std::to_string(i) + "\r\n";
    ASSERT_TRUE(detail::WriteFileSafely(In("out.dat"), bytes, &ChoppyWrite).ok());
    EXPECT_EQ(ReadAll(In("out.dat")), bytes);
}

ssize_t StuckWrite(int, const void*, std::size_t) {
    return 0;
}

struct FailureCase {
    const char* name;
    std::string target;  // relative to the test folder
    detail::WriteFunction write;
    WriteError error;
    const char* cause;
    const char* linkTo = nullptr;  // the target is made a symbolic link with this text
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class SafeWriteFailure : public SafeWrite, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SafeWriteFailure, LeavesFolderAsItWas) {
    const FailureCase& c = GetParam();
    const std::string old = "old content\r\n";
    WriteDirect(In("out.dat"), old);
    ASSERT_EQ(::mkdir(In("sub").c_str(), 0755), 0);
    WriteDirect(In("sub/inside.dat"), old);
    if (c.linkTo != nullptr) {
        ASSERT_EQ(::symlink(c.linkTo, In(c.target).c_str()), 0);
    }
    const auto before = Names(m_folder);

    const std::string path = In(c.target);
    const WriteResult result =
        detail::WriteFileSafely(path, std::string(100000, 'n'), c.write ? c.write : &::write);
    EXPECT_EQ(result.error, c.error);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.errnoValue, 0);
    EXPECT_EQ(result.message, "cannot write " + path + ": " + c.cause);
    EXPECT_EQ(ReadAll(In("out.dat")), old);
    EXPECT_EQ(Names(m_folder), before);
    EXPECT_EQ(Names(In("sub")), std::set<std::string>{"inside.dat"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeWriteFailure,
    ::testing::Values(
        FailureCase{"MissingFolder", "absent/out.dat", nullptr, WriteError::FolderMissing,
                    "the folder does not exist"},
        FailureCase{"ParentIsAFile", "out.dat/x.dat", nullptr, WriteError::FolderMissing,
                    "the folder does not exist"},
        FailureCase{"TargetIsAFolder", "sub", nullptr, WriteError::IsFolder, "it is a folder"},
        FailureCase{"TargetIsAFolderWithSlash", "sub/", nullptr, WriteError::IsFolder,
                    "it is a folder"},
        FailureCase{"DiskFull", "out.dat", &FillingDisk, WriteError::DiskFull, "the disk is full"},
        FailureCase{"WriteTakesNothing", "out.dat", &StuckWrite, WriteError::Other,
                    "Input/output error"},
        FailureCase{"DanglingLinkIntoAMissingFolder", "gone.dat", nullptr,
                    WriteError::FolderMissing, "the folder does not exist", "absent/x.dat"},
        FailureCase{"LinkToItself", "loop.dat", nullptr, WriteError::Other,
                    "Too many levels of symbolic links", "loop.dat"},
        FailureCase{"LinkToAFolder", "dir.dat", nullptr, WriteError::IsFolder, "it is a folder",
                    "sub"}),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return param.param.name; });

TEST_F(SafeWrite, DevicesAndPipesAreNeverReplaced) {
    const std::string fifo = In("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& target : {std::string("/dev/full"), std::string("/dev/null"), fifo}) {
        const WriteResult result = WriteFileSafely(target, "bytes");
        EXPECT_FALSE(result.ok()) << target;
        EXPECT_EQ(result.message, "cannot write " + target + ": it is not a regular file");
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_FALSE(S_ISREG(st.st_mode)) << target;
    }
    EXPECT_EQ(Names(m_folder), std::set<std::string>{"pipe"});
}

TEST_F(SafeWrite, FullDiskLeavesTheOldFile) {
    // A real full disk: a 64 KiB memory file system, which only root may mount.
    const std::string disk = In("disk");
    ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
    if (::geteuid() != 0 || ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here; the seam test covers ENOSPC";
    }
    struct Unmount {
        std::string where;
        ~Unmount() { ::umount(where.c_str()); }
    } unmount{disk};
    const std::string path = disk + "/out.dat";
    WriteDirect(path, "old contents");
    // Once through a new file and a rename; once in place, for a file with a second name,
    // where the space is reserved before the first byte changes.
    for (const bool hardLinked : {false, true}) {
        if (hardLinked) {
            ASSERT_EQ(::link(path.c_str(), (disk + "/second.dat").c_str()), 0);
        }
        const WriteResult result = WriteFileSafely(path, std::string(256 * 1024, 'x'));
        EXPECT_EQ(result.error, WriteError::DiskFull);
        EXPECT_EQ(result.message, "cannot write " + path + ": the disk is full");
        EXPECT_EQ(ReadAll(path), "old contents");
        const std::set<std::string> names = hardLinked
                                                ? std::set<std::string>{"out.dat", "second.dat"}
                                                : std::set<std::string>{"out.dat"};
        EXPECT_EQ(Names(disk), names);
    }
}

// The child's write: some bytes, then a word to the parent, then it waits for the signal.
int g_toParent = -1;

ssize_t StallingWrite(int fd, const void* data, std::size_t count) {
    const ssize_t written = ::write(fd, data, std::min<std::size_t>(count, 4096));
    [[maybe_unused]] const ssize_t told = ::write(g_toParent, "w", 1);
    for (;;) ::pause();
    return written;
}

TEST_F(SafeWrite, ASignalDuringTheWriteRemovesTheTemporary) {
    const std::string path = In("out.dat");
    WriteDirect(path, "old");
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        int channel[2];
        ASSERT_EQ(::pipe(channel), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(channel[0]);
            g_toParent = channel[1];
            ::signal(sig, SIG_DFL);  // whatever the test runner was started with
            RemoveTemporaryOnSignals();
            detail::WriteFileSafely(path, std::string(1 << 20, 'n'), &StallingWrite);
            ::_exit(3);
        }
        ::close(channel[1]);
        char word = 0;
        const bool writing = ::read(channel[0], &word, 1) == 1;
        ::close(channel[0]);
        EXPECT_TRUE(writing);
        if (writing) {
            EXPECT_EQ(Names(m_folder).size(), 2u);  // the temporary is there now
        }
        ::kill(child, sig);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "signal " << sig;
        EXPECT_EQ(Names(m_folder), std::set<std::string>{"out.dat"}) << "signal " << sig;
        EXPECT_EQ(ReadAll(path), "old");
    }
}

}  // namespace
