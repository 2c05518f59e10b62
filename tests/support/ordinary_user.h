// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Permission cases mean nothing to root, whom no mode bit stops. As root, such a case runs in a
// forked child that became user nobody; as anyone else, it runs in the test itself.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

inline constexpr uid_t kNobody = 65534;

// The user the check runs as: nobody when the tests run as root, the tests' own user otherwise.
// Files a case means to be the user's own are given to this user.
inline uid_t OrdinaryUid() {
    return ::geteuid() == 0 ? kNobody : ::geteuid();
}

// Runs `check` as the ordinary user. The child can only answer by its exit status, so the check
// returns whether it passed and says why on standard error when it did not.
inline ::testing::AssertionResult AsOrdinaryUser(const std::function<bool()>& check) {
    if (::geteuid() != 0) {
        if (check()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the check failed";
    }
    const pid_t child = ::fork();
    if (child < 0) return ::testing::AssertionFailure() << "cannot fork";
    if (child == 0) {
        // Root's own groups go too: group 0 may open what nobody must not.
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(2);
        }
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return ::testing::AssertionFailure() << "waitpid";
    if (!WIFEXITED(status)) {
        return ::testing::AssertionFailure() << "the child ended by signal " << WTERMSIG(status);
    }
    switch (WEXITSTATUS(status)) {
        case 0:
            return ::testing::AssertionSuccess();
        case 2:
            return ::testing::AssertionFailure() << "cannot become user nobody";
        default:
            return ::testing::AssertionFailure() << "the check failed as user nobody";
    }
}
