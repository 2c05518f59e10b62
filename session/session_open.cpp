// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "export/safe_write.h"
#include "session/session_limits.h"
#include "session/session_tree.h"
#include "session/session_values.h"

// A session as a file: where it stands, reading it whole, and the quick looks the window takes
// at a file before it opens it.

using Json = nlohmann::json;

std::string SessionFolderOf(const std::string& path) {
    std::string file;
    if (FollowFinalLinks(path, file) != 0) file = path;
    // /dev/stdin on a pipe ends in a name that is not there ("pipe:[1234]").
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return {};
    return std::filesystem::path(file).parent_path().string();
}

SessionResult LoadSession(const std::string& path, SessionInput input) {
    SessionResult result;
    std::string text;
    if (const std::string failure = ReadSessionText(path, text, input); !failure.empty()) {
        result.error = path + ": cannot be read: " + failure;
        result.problem.kind = SessionProblem::Kind::Unreadable;
        return result;
    }
    result = ParseSession(text, path, SessionFolderOf(path));
    if (result.session) result.session->source = path;
    return result;
}

bool IsNewerSessionFile(const std::string& path) {
    std::string text;
    if (!ReadSessionText(path, text, SessionInput::RegularFile).empty()) return false;
    SessionTree tree;
    try {
        ReadSessionTree(text, path, tree);  // stops at a version it does not read
    } catch (const Json::exception&) {
    } catch (const SessionFailure&) {
    }
    const Json& root = tree.Root();
    const auto version = root.is_object() ? root.find("quandrel-session") : root.end();
    if (version == root.end()) return false;
    return version->is_number_unsigned()
               ? version->get<std::uint64_t>() > kSessionVersion
               : version->is_number_integer() && version->get<std::int64_t>() > kSessionVersion;
}

bool LooksLikeSessionFile(const std::string& path) {
    // Non-blocking and plain files only: a pipe named by mistake must not hang the start.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    char head[64];
    ssize_t got = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) got = ::read(fd, head, sizeof head);
    ::close(fd);
    for (ssize_t k = 0; k < got; ++k) {
        const char c = head[k];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        return c == '{' || c == '/';
    }
    return false;
}
