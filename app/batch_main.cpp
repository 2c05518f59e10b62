// quandrel-batch: measures a list of images with the scan lines of a session file and writes the
// data file (or the tidy table), without a window.

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "document/batch_run.h"
#include "document/session_file.h"
#include "export/safe_write.h"

namespace {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;  // also an invalid session or one without scan lines
constexpr int kExitImage = 3;
constexpr int kExitWrite = 4;
constexpr int kExitMemory = 5;

const char kUsage[] =
    "usage: quandrel-batch SESSION.json -o OUT.dat [--jobs N] [--format dat|csv [--semicolon]]\n"
    "  -o OUT.dat   the data file to write; - writes to standard output\n"
    "  --jobs N     images decoded at once (1 to 256; default: one per core)\n"
    "  --format F   dat: the data file (the default); csv: a table with one row per image and\n"
    "               line (image, path, line, x, y, dx, dy, value_x, value_y, length, area)\n"
    "  --semicolon  csv only: fields separated by ';' and numbers with a decimal comma, for\n"
    "               spreadsheets whose locale reads a comma as the decimal separator\n";

struct Arguments {
    BatchFormat format;
    bool semicolon = false;
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
        } else if (arg == "--format" || arg.rfind("--format=", 0) == 0) {
            std::string value;
            if (arg.size() > 8) {
                value = arg.substr(9);
            } else if (k + 1 < argc) {
                value = argv[++k];
            } else {
                return UsageError("--format needs dat or csv");
            }
            if (value != "dat" && value != "csv") {
                return UsageError("--format: expected dat or csv, not \"" + value + "\"");
            }
            args.format.tidyTable = value == "csv";
        } else if (arg == "--semicolon") {
            args.semicolon = true;
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
    if (args.semicolon && !args.format.tidyTable) {
        return UsageError("--semicolon goes only with --format csv");
    }
    if (args.semicolon) args.format.tidy.delimiter = TidyOptions::Delimiter::Semicolon;
    return -1;
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
    const BatchOutcome outcome =
        RunBatch(*loaded.session, args.output, args.jobs, progress, args.format);
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
        case BatchStatus::OutputIsInput:
            std::fprintf(stderr, "quandrel-batch: %s\n", outcome.message.c_str());
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
