// quandrel-batch: measures a list of images with the scan lines of a session file and writes the
// data file, without a window.

#include <unistd.h>

#include <QCoreApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/batch_run.h"
#include "document/session_file.h"

namespace {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;  // also an invalid session or one without scan lines
constexpr int kExitImage = 3;
constexpr int kExitWrite = 4;

const char kUsage[] =
    "usage: quandrel-batch SESSION.json -o OUT.dat [--jobs N]\n"
    "  -o OUT.dat   the data file to write; - writes to standard output\n"
    "  --jobs N     images decoded at once (1 to 256; default: one per core)\n";

struct Arguments {
    std::string session;
    std::string output;
    int jobs = 0;
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

// Returns an exit code when the arguments end the run (help or a usage error), -1 otherwise.
int ParseArguments(int argc, char** argv, Arguments& args) {
    bool haveOutput = false;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
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

}  // namespace

int main(int argc, char** argv) {
    // The application object finds the image format plugins; it also sets the locale from the
    // environment, so the number format is put back to C afterwards.
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    Arguments args;
    if (const int code = ParseArguments(argc, argv, args); code >= 0) return code;

    const SessionResult loaded = LoadSession(args.session);
    if (!loaded.session) {
        std::fprintf(stderr, "quandrel-batch: %s\n", loaded.error.c_str());
        return kExitUsage;
    }

    BatchProgress progress;
    const bool showProgress = isatty(2) != 0;
    if (showProgress) {
        progress = [](int done, int total) {
            std::fprintf(stderr, "\rimage %d/%d", done, total);
            std::fflush(stderr);
        };
    }
    const BatchOutcome outcome = RunBatch(*loaded.session, args.output, args.jobs, progress);
    if (showProgress) std::fputs("\n", stderr);

    switch (outcome.status) {
        case BatchStatus::Ok:
            return kExitOk;
        case BatchStatus::ImageFailed:
            std::fprintf(stderr, "quandrel-batch: %s\n", outcome.message.c_str());
            return kExitImage;
        case BatchStatus::NothingToWrite:
            std::fprintf(stderr, "quandrel-batch: %s: %s\n", args.session.c_str(),
                         outcome.message.c_str());
            return kExitUsage;
        case BatchStatus::WriteFailed:
            std::fprintf(stderr, "quandrel-batch: %s\n", outcome.message.c_str());
            return kExitWrite;
    }
    return kExitWrite;
}
