// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batch_arguments.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "batch/batch_output.h"
#include "batch/shard_resume.h"

namespace {

const char kUsage[] =
    "usage: quandrel-batch SESSION.json -o OUT.dat [--jobs N] [--quiet]\n"
    "                      [--format dat|csv [--semicolon] [--provenance]]\n"
    "       quandrel-batch SESSION.json --shard K/N|auto -o PART [--skip-done]\n"
    "                      [--jobs N] [--quiet]\n"
    "       quandrel-batch merge [PART...] [--parts-from LIST] -o OUT.dat\n"
    "                      [--format dat|csv [--semicolon] [--provenance]]\n"
    "       quandrel-batch verify OUT.csv.json\n"
    "       quandrel-batch --help | --version\n"
    "  -o OUT.dat   the data file to write; -, /dev/stdout or /dev/fd/N writes to that\n"
    "               descriptor, a pipe or a device (/dev/null) is written as a stream\n"
    "  --jobs N     images decoded at once (1 to 256; default: one per core)\n"
    "  --format F   dat: the data file (the default); csv: a table with one row per image and\n"
    "               line (image, path, line, x, y, dx, dy, value_x, value_y, length, area,\n"
    "               status, found_with)\n"
    "  --semicolon  csv only: fields separated by ';' and numbers with a decimal comma, for\n"
    "               spreadsheets whose locale reads a comma as the decimal separator\n"
    "  --provenance csv only: also write OUT.json beside OUT (OUT.csv.json): the version,\n"
    "               the date, the session's SHA-256 and options, each input's size,\n"
    "               modification time and SHA-256, and the command line\n"
    "  --shard K/N  measure only part K of N of the image list and write its part file\n"
    "  --shard auto K and N of a Slurm array task: N from SLURM_ARRAY_TASK_COUNT, K from\n"
    "               SLURM_ARRAY_TASK_ID counted from SLURM_ARRAY_TASK_MIN (by _STEP)\n"
    "  --skip-done  with --shard: leave a part file that is already this part of this\n"
    "               session, whole, and exit 0; rewrite one that is not\n"
    "  --quiet      no progress on a terminal\n"
    "  merge        join the part files of every K of one N into the data file; a PART\n"
    "               that is a folder stands for its files named *.qpart\n"
    "  verify       re-hash the inputs a provenance file lists and name those changed or\n"
    "               missing since (exit 0 all as recorded, 1 some changed, 2 unreadable)\n"
    "  --parts-from LIST  merge the part files that LIST names, one a line (or separated\n"
    "               by NUL bytes); - reads the list from standard input\n"
    "  --           what follows is a session or part file, even if it begins with -\n"
    "  -h, --help   print this text and exit\n"
    "  --version    print the program's version and exit\n";

// Help and the version end the run wherever they stand, before anything else is checked, so
// that a script may ask them of any command line; both go to standard output. Returns the exit
// code, or -1 for any other argument. A text that cannot be written (a full disk behind the
// redirection) is an output that failed, not a run that went well.
int PrintedInformation(const std::string& arg) {
    const char* text = nullptr;
    if (arg == "-h" || arg == "--help") {
        text = kUsage;
    } else if (arg == "--version") {
        text = "quandrel-batch " QUANDREL_VERSION "\n";
    } else {
        return -1;
    }
    if (std::fputs(text, stdout) < 0 || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "quandrel-batch: cannot write to standard output: %s\n",
                     std::strerror(errno));
        return kExitWrite;
    }
    return kExitOk;
}

// Help or the version, looked for before anything else on the command line (option values and
// what follows "--" are names, not options): the exit code, or -1 when neither is asked for.
int HelpOrVersion(int argc, char** argv, int first) {
    for (int k = first; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--") return -1;
        if (arg == "-o" || arg == "--output" || arg == "-j" || arg == "--jobs" ||
            arg == "--format" || arg == "--shard" || arg == "--parts-from") {
            ++k;
            continue;
        }
        if (const int code = PrintedInformation(arg); code >= 0) return code;
    }
    return -1;
}

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

// The value of an option given as "--name value" or "--name=value"; false when there is none.
bool OptionValue(int argc, char** argv, int& k, const std::string& name, std::string& value) {
    const std::string arg = argv[k];
    if (arg.size() > name.size()) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    if (k + 1 >= argc) return false;
    value = argv[++k];
    return true;
}

bool IsOption(const std::string& arg, const std::string& name) {
    return arg == name || arg.rfind(name + "=", 0) == 0;
}

constexpr int kTaken = -1;    // the option was one of the common ones, and is read
constexpr int kNotMine = -2;  // it is not a common option

// The options that take a value, each given at most once: a second one would silently win over
// the first, and which of two outputs or formats was meant nobody can tell.
class SeenOptions {
public:
    // False, after the usage error, when the option was given before.
    bool First(const char* name) {
        if (m_seen.find(std::string(name) + '\n') != std::string::npos) return false;
        m_seen += std::string(name) + '\n';
        return true;
    }

private:
    std::string m_seen;
};

int GivenTwice(const char* name) {
    return UsageError(std::string(name) + " is given more than once");
}

// Takes the options that both a run and a merge know: kTaken, kNotMine, or the exit code of a
// usage error.
int ParseCommonOption(int argc, char** argv, int& k, BatchArguments& args, SeenOptions& seen) {
    const std::string arg = argv[k];
    if (arg == "-o" || arg == "--output") {
        if (!seen.First("-o")) return GivenTwice("-o (--output)");
        if (k + 1 >= argc) return UsageError(arg + " needs a file name");
        args.output = argv[++k];
        return kTaken;
    }
    if (arg == "--quiet" || arg == "-q") {
        args.quiet = true;
        return kTaken;
    }
    if (arg == "--provenance") {
        args.provenance = true;
        return kTaken;
    }
    if (arg == "--semicolon") {
        args.format.tidy.delimiter = TidyOptions::Delimiter::Semicolon;
        return kTaken;
    }
    if (IsOption(arg, "--format")) {
        if (!seen.First("--format")) return GivenTwice("--format");
        std::string value;
        if (!OptionValue(argc, argv, k, "--format", value)) {
            return UsageError("--format needs dat or csv");
        }
        if (value != "dat" && value != "csv") {
            return UsageError("--format: expected dat or csv, not \"" + value + "\"");
        }
        args.format.tidyTable = value == "csv";
        return kTaken;
    }
    return kNotMine;
}

// What every command line must hold, checked once all of it is read.
int CheckFormat(const BatchArguments& args) {
    const bool semicolon = args.format.tidy.delimiter == TidyOptions::Delimiter::Semicolon;
    if (semicolon && !args.format.tidyTable) {
        return UsageError("--semicolon goes only with --format csv");
    }
    if (args.provenance && !args.format.tidyTable) {
        return UsageError("--provenance goes only with --format csv: the data file's bytes stay "
                          "as they are");
    }
    if (args.provenance && ResolveBatchOutput(args.output).kind != BatchOutput::Kind::File) {
        return UsageError("--provenance needs a file as the output, to write its provenance "
                          "beside it, not " + args.output);
    }
    if (args.skipDone && !args.shard) {
        return UsageError("--skip-done goes only with --shard");
    }
    if (args.skipDone && ResolveBatchOutput(args.output).kind != BatchOutput::Kind::File) {
        return UsageError("--skip-done needs a part file to look at, not " + args.output);
    }
    if (args.shard && (args.format.tidyTable || semicolon)) {
        return UsageError("--format goes with a whole run or the merge, not with --shard: a part "
                          "file is the same for every format");
    }
    return -1;
}

// quandrel-batch merge [PART...] [--parts-from LIST] -o OUT.dat
int ParseMergeArguments(int argc, char** argv, BatchArguments& args) {
    args.merge = true;
    if (const int code = HelpOrVersion(argc, argv, 2); code >= 0) return code;
    SeenOptions seen;
    bool optionsEnded = false;
    for (int k = 2; k < argc; ++k) {
        const std::string arg = argv[k];
        if (optionsEnded) {
            args.parts.push_back(arg);
            continue;
        }
        // A merge shows no progress; --quiet is taken so that scripts may pass it.
        if (const int common = ParseCommonOption(argc, argv, k, args, seen); common != kNotMine) {
            if (common != kTaken) return common;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (IsOption(arg, "--parts-from")) {
            if (!seen.First("--parts-from")) return GivenTwice("--parts-from");
            if (!OptionValue(argc, argv, k, "--parts-from", args.partsFrom) ||
                args.partsFrom.empty()) {
                return UsageError("--parts-from needs a list file, or - for standard input");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("merge: unknown option " + arg);
        } else {
            args.parts.push_back(arg);
        }
    }
    if (args.parts.empty() && args.partsFrom.empty()) return UsageError("merge: no part files");
    if (args.output.empty()) return UsageError("merge: no output file (-o OUT.dat)");
    return CheckFormat(args);
}

// quandrel-batch verify SIDECAR
int ParseVerifyArguments(int argc, char** argv, BatchArguments& args) {
    if (const int code = HelpOrVersion(argc, argv, 2); code >= 0) return code;
    for (int k = 2; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--" && k + 1 < argc && args.verify.empty()) {
            args.verify = argv[++k];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("verify: unknown option " + arg);
        } else if (!args.verify.empty()) {
            return UsageError("verify: more than one provenance file: " + arg);
        } else {
            args.verify = arg;
        }
    }
    if (args.verify.empty()) return UsageError("verify: no provenance file (OUT.csv.json)");
    return -1;
}

}  // namespace

int ParseBatchArguments(int argc, char** argv, BatchArguments& args) {
    if (argc > 1 && std::string(argv[1]) == "merge") return ParseMergeArguments(argc, argv, args);
    if (argc > 1 && std::string(argv[1]) == "verify") return ParseVerifyArguments(argc, argv, args);
    if (const int code = HelpOrVersion(argc, argv, 1); code >= 0) return code;
    SeenOptions seen;
    bool haveOutput = false;
    bool optionsEnded = false;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            if (!args.session.empty()) return UsageError("more than one session file: " + arg);
            args.session = arg;
            continue;
        }
        if (arg == "-o" || arg == "--output") haveOutput = true;
        if (const int common = ParseCommonOption(argc, argv, k, args, seen); common != kNotMine) {
            if (common != kTaken) return common;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (IsOption(arg, "--shard")) {
            if (!seen.First("--shard")) return GivenTwice("--shard");
            std::string value;
            if (!OptionValue(argc, argv, k, "--shard", value)) {
                return UsageError("--shard needs K/N");
            }
            if (value == "auto") {
                ArrayTaskShard task = ShardOfArrayTask([](const char* name) -> const char* {
                    return std::getenv(name);
                });
                if (!task.shard) return UsageError(task.problem);
                args.shard = task.shard;
                continue;
            }
            args.shard = ParseShard(value);
            if (!args.shard) {
                return UsageError("--shard: expected K/N, a part K from 1 to N and N at most " +
                                  std::to_string(kMaxShards) + ", not \"" + value + "\"");
            }
        } else if (arg == "--skip-done") {
            args.skipDone = true;
        } else if (arg == "--jobs" || arg == "-j" || arg.rfind("--jobs=", 0) == 0) {
            if (!seen.First("--jobs")) return GivenTwice("--jobs (-j)");
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
        } else {
            return UsageError("unknown option " + arg);
        }
    }
    if (args.session.empty()) return UsageError("no session file");
    if (!haveOutput || args.output.empty()) return UsageError("no output file (-o OUT.dat)");
    return CheckFormat(args);
}
