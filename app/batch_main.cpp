// quandrel-batch: measures a list of images with the scan lines of a session file and writes the
// data file, without a window.

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/batch_progress.h"
#include "document/batch_run.h"
#include "document/part_merge.h"
#include "document/session_file.h"
#include "document/shard_run.h"
#include "export/safe_write.h"

namespace {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;  // also an invalid session or one without scan lines
constexpr int kExitImage = 3;
constexpr int kExitWrite = 4;
constexpr int kExitMemory = 5;

const char kUsage[] =
    "usage: quandrel-batch SESSION.json -o OUT.dat [--jobs N] [--quiet]\n"
    "       quandrel-batch SESSION.json --shard K/N -o PART [--jobs N] [--quiet]\n"
    "       quandrel-batch merge PART... -o OUT.dat\n"
    "  -o OUT.dat   the data file to write; - writes to standard output\n"
    "  --jobs N     images decoded at once (1 to 256; default: one per core)\n"
    "  --shard K/N  measure only part K of N of the image list and write its part file\n"
    "  --quiet      no progress on a terminal\n"
    "  merge        join the part files of every K of one N into the data file\n";

// Most parts a list may be split into: as many as a session may have images.
constexpr std::uint32_t kMaxShards = 1'000'000;

struct Arguments {
    std::string session;
    std::string output;
    int jobs = 0;
    bool quiet = false;
    std::optional<ShardSpec> shard;
    bool merge = false;
    std::vector<std::string> parts;
};

int UsageError(const std::string& problem) {
    std::fprintf(stderr, "quandrel-batch: %s\n%s", problem.c_str(), kUsage);
    return kExitUsage;
}

bool ParseJobs(const std::string& text, int& jobs) {
    if (text.empty() || text.size() > 3) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    jobs = std::atoi(text.c_str());
    return jobs >= 1 && jobs <= 256;
}

// "K/N" with 1 <= K <= N <= kMaxShards, digits only.
std::optional<ShardSpec> ParseShard(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return std::nullopt;
    const auto number = [](const std::string& digits) -> std::uint32_t {
        if (digits.empty() || digits.size() > 7) return 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') return 0;
        }
        return static_cast<std::uint32_t>(std::stoul(digits));
    };
    const std::uint32_t part = number(text.substr(0, slash));
    const std::uint32_t parts = number(text.substr(slash + 1));
    if (part == 0 || parts == 0 || part > parts || parts > kMaxShards) return std::nullopt;
    return ShardSpec{part, parts};
}

// quandrel-batch merge PART... -o OUT.dat
int ParseMergeArguments(int argc, char** argv, Arguments& args) {
    args.merge = true;
    for (int k = 2; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (arg == "-o" || arg == "--output") {
            if (k + 1 >= argc) return UsageError("merge: " + arg + " needs a file name");
            args.output = argv[++k];
        } else if (arg == "--quiet" || arg == "-q") {
            args.quiet = true;  // a merge shows no progress; taken so that scripts may pass it
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("merge: unknown option " + arg);
        } else {
            args.parts.push_back(arg);
        }
    }
    if (args.parts.empty()) return UsageError("merge: no part files");
    if (args.output.empty()) return UsageError("merge: no output file (-o OUT.dat)");
    return -1;
}

// Returns an exit code when the arguments end the run (help or a usage error), -1 otherwise.
int ParseArguments(int argc, char** argv, Arguments& args) {
    if (argc > 1 && std::string(argv[1]) == "merge") return ParseMergeArguments(argc, argv, args);
    bool haveOutput = false;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (arg == "--shard" || arg.rfind("--shard=", 0) == 0) {
            std::string value;
            if (arg.size() > 7) {
                value = arg.substr(8);
            } else if (k + 1 < argc) {
                value = argv[++k];
            } else {
                return UsageError("--shard needs K/N");
            }
            args.shard = ParseShard(value);
            if (!args.shard) {
                return UsageError("--shard: expected K/N, a part K from 1 to N and N at most " +
                                  std::to_string(kMaxShards) + ", not \"" + value + "\"");
            }
            continue;
        }
        if (arg == "--quiet" || arg == "-q") {
            args.quiet = true;
            continue;
        }
        if (arg == "-o" || arg == "--output") {
            if (k + 1 >= argc) return UsageError(arg + " needs a file name");
            args.output = argv[++k];
            haveOutput = true;
        } else if (arg == "--jobs" || arg == "-j" || arg.rfind("--jobs=", 0) == 0) {
            std::string value;
            if (arg.size() > 6 && arg[6] == '=') {
                value = arg.substr(7);
            } else if (k + 1 < argc) {
                value = argv[++k];
            } else {
                return UsageError(arg + " needs a number");
            }
            if (!ParseJobs(value, args.jobs)) {
                return UsageError("--jobs: expected a number from 1 to 256, not \"" + value + "\"");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option " + arg);
        } else if (args.session.empty()) {
            args.session = arg;
        } else {
            return UsageError("more than one session file: " + arg);
        }
    }
    if (args.session.empty()) return UsageError("no session file");
    if (!haveOutput || args.output.empty()) return UsageError("no output file (-o OUT.dat)");
    return -1;
}

// Reports the outcome of a run on standard error and returns the exit code. `session` is the
// session file's name, for a session with nothing to measure.
int ExitCodeOf(const BatchOutcome& outcome, const std::string& session) {
    switch (outcome.status) {
        case BatchStatus::Ok:
            return kExitOk;
        case BatchStatus::ImageFailed:
            std::fprintf(stderr, "quandrel-batch: %s\n", outcome.message.c_str());
            return kExitImage;
        case BatchStatus::NothingToWrite:
            if (session.empty()) {
                std::fprintf(stderr, "quandrel-batch: %s\n", outcome.message.c_str());
            } else {
                std::fprintf(stderr, "quandrel-batch: %s: %s\n", session.c_str(),
                             outcome.message.c_str());
            }
            return kExitUsage;
        case BatchStatus::OutputIsInput:
            std::fprintf(stderr, "quandrel-batch: %s\n", outcome.message.c_str());
            return kExitUsage;
        case BatchStatus::BadPart:
            std::fprintf(stderr, "quandrel-batch: merge: %s\n", outcome.message.c_str());
            return kExitUsage;
        case BatchStatus::WriteFailed:
            std::fprintf(stderr, "quandrel-batch: %s\n", outcome.message.c_str());
            return kExitWrite;
        case BatchStatus::OutOfMemory:
            std::fprintf(stderr, "quandrel-batch: out of memory: %s\n", outcome.message.c_str());
            return kExitMemory;
    }
    return kExitWrite;
}

// Puts /dev/null on standard input, output and error where they are closed. Otherwise the next
// file opened would take the number, and whatever the program (or a library) prints there
// would land in that file: a session file, or the data file being written.
void FillClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

int Run(int argc, char** argv, bool standardOutputClosed) {
    // A kill or Ctrl+C while the data file is written leaves no temporary file behind.
    RemoveTemporaryOnSignals();

    // The application object finds the image format plugins; it also sets the locale from the
    // environment, so the number format is put back to C afterwards.
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    Arguments args;
    if (const int code = ParseArguments(argc, argv, args); code >= 0) return code;
    if (args.output == "-" && standardOutputClosed) {
        std::fputs("quandrel-batch: cannot write to standard output: standard output is closed\n",
                   stderr);
        return kExitWrite;
    }

    if (args.merge) return ExitCodeOf(RunMerge(args.parts, args.output), {});

    // A shard hashes the bytes it parses, so that its part names the session it is of.
    HashedSession hashed;
    if (args.shard) {
        hashed = LoadHashedSession(args.session);
    } else {
        hashed.loaded = LoadSession(args.session);
    }
    const SessionResult& loaded = hashed.loaded;
    if (!loaded.session) {
        std::fprintf(stderr, "quandrel-batch: %s\n", loaded.error.c_str());
        return kExitUsage;
    }

    // Progress only for a person watching: never into a log file or a pipe.
    std::optional<CProgressLine> line;
    BatchProgress progress;
    if (!args.quiet && isatty(2) != 0) {
        line.emplace([](std::string_view text) {
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fflush(stderr);
        });
        progress = [&line](int done, int total) { line->Update(done, total); };
    }
    const BatchOutcome outcome = args.shard
                                     ? RunShard(std::move(*hashed.loaded.session), hashed.hash,
                                                *args.shard, args.output, args.jobs, progress)
                                     : RunBatch(*loaded.session, args.output, args.jobs, progress);
    if (line) line->Finish();
    return ExitCodeOf(outcome, args.session);
}

}  // namespace

int main(int argc, char** argv) {
    // Asked before anything opens a descriptor, which would take the number 1 if it is free.
    const bool standardOutputClosed = ::fcntl(STDOUT_FILENO, F_GETFD) == -1 && errno == EBADF;
    FillClosedStandardDescriptors();
    try {
        return Run(argc, argv, standardOutputClosed);
    } catch (const std::bad_alloc&) {
        // Anywhere outside the detection workers (which report their image): reading the
        // session, building the records, formatting the data file. Unwinding has freed what was
        // being built; the message itself needs no memory.
        std::fputs("quandrel-batch: out of memory\n", stderr);
        return kExitMemory;
    }
}
