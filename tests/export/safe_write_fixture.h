// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteDirect(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::set<std::string> Names(const std::string& folder) {
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

inline struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

inline mode_t ModeOf(const std::string& path) {
    return StatOf(path).st_mode & 07777;
}

// A disk that fills up after the first ten bytes: a write that fails half way.
inline ssize_t FillingDisk(int fd, const void* data, std::size_t count) {
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

// A fresh folder for each test, with the umask fixed to 022.
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
        std::error_code ignored;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_folder, ignored)) {
            if (entry.is_directory(ignored)) ::chmod(entry.path().c_str(), 0755);
        }
        ::chmod(m_folder.c_str(), 0755);
        std::filesystem::remove_all(m_folder, ignored);
    }
    std::string In(const std::string& name) const { return m_folder + "/" + name; }

    std::string m_folder;
    mode_t m_oldMask = 0;
};
