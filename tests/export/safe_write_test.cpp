#include "export/safe_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>
#include <string>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteDirect(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.insert(name);
        }
        ::closedir(dir);
    }
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

class SafeWrite : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "safe_write_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_oldMask = ::umask(022);
    }
    void TearDown() override {
        ::umask(m_oldMask);
        ::chmod(m_folder.c_str(), 0755);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    std::string In(const std::string& name) const { return m_folder + "/" + name; }

    std::string m_folder;
    mode_t m_oldMask = 0;
};

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

TEST_F(SafeWrite, WritesThroughSymbolicLink) {
    WriteDirect(In("real.dat"), "old");
    ASSERT_EQ(::symlink("real.dat", In("link.dat").c_str()), 0);
    ASSERT_TRUE(WriteFileSafely(In("link.dat"), "new").ok());
    struct stat st {};
    ASSERT_EQ(::lstat(In("link.dat").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadAll(In("real.dat")), "new");
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

// A disk that fills up after the first few bytes.
ssize_t FillingDisk(int fd, const void* data, std::size_t count) {
    static std::size_t total = 0;
    if (total >= 10) {
        total = 0;
        errno = ENOSPC;
        return -1;
    }
    const ssize_t n = ::write(fd, data, std::min<std::size_t>(count, 10 - total));
    total += static_cast<std::size_t>(n);
    return n;
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
                    "Input/output error"}),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return param.param.name; });

TEST_F(SafeWrite, ReadOnlyFolderIsRefused) {
    const std::string path = In("out.dat");
    WriteDirect(path, "old");
    ASSERT_EQ(::chmod(m_folder.c_str(), 0555), 0);
    // Root (or a process with CAP_DAC_OVERRIDE) writes anyway; only then is the case untestable.
    const std::string probe = In("probe");
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.c_str());
        GTEST_SKIP() << "permission bits are not enforced for this user";
    }
    const WriteResult result = WriteFileSafely(path, "new");
    EXPECT_EQ(result.error, WriteError::NoPermission);
    EXPECT_EQ(result.message, "cannot write " + path + ": permission denied");
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_EQ(Names(m_folder), std::set<std::string>{"out.dat"});
}

TEST_F(SafeWrite, ReadOnlyFolderIsRefusedForAnOrdinaryUser) {
    // Root writes into any folder; as root, the case runs in a child that became nobody.
    if (::geteuid() != 0) GTEST_SKIP() << "covered by ReadOnlyFolderIsRefused";
    const std::string path = In("out.dat");
    WriteDirect(path, "old");
    ASSERT_EQ(::chmod(m_folder.c_str(), 0555), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const WriteResult result = WriteFileSafely(path, "new");
        ::_exit(result.error == WriteError::NoPermission ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_EQ(Names(m_folder), std::set<std::string>{"out.dat"});
}

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
    const WriteResult result = WriteFileSafely(path, std::string(256 * 1024, 'x'));
    EXPECT_EQ(result.error, WriteError::DiskFull);
    EXPECT_EQ(result.message, "cannot write " + path + ": the disk is full");
    EXPECT_EQ(ReadAll(path), "old contents");
    EXPECT_EQ(Names(disk), std::set<std::string>{"out.dat"});
}

}  // namespace
