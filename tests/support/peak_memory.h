// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a program to its end and reports its own peak resident memory, as the kernel counted it
// for that one child (wait4), not for the calling process or its other children.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

struct ChildRun {
    int exitCode = -1;   // -1 when it did not end by itself
    double peakMiB = 0;  // its peak resident memory
};

// Runs `program` with the arguments, its standard output and error on /dev/null.
inline ChildRun RunMeasured(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ChildRun run;
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // counted in KiB
    return run;
}
