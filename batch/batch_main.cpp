// SPDX-License-Identifier: GPL-3.0-or-later
// quandrel-batch: measures a list of images with the scan lines of a session file and writes the
// data file, without a window.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_arguments.h"
#include "batch/batch_output.h"
#include "batch/batch_progress.h"
#include "batch/batch_run.h"
#include "batch/part_merge.h"
#include "batch/provenance_run.h"
#include "batch/shard_resume.h"
#include "batch/shard_run.h"
#include "export/safe_write.h"
#include "session/session_file.h"

namespace {

// Reports the outcome of a run on standard error and returns the exit code. `session` is the
// session file's name, for a session with nothing to measure.
int ExitCodeOf(const BatchOutcome& outcome, const std::string& session) {
    switch (outcome.status) {
        case BatchStatus::Ok:
            if (!outcome.warning.empty()) {
                std::fprintf(stderr, "quandrel-batch: warning: %s\n", outcome.warning.c_str());
            }
            return kExitOk;
        case BatchStatus::ImageFailed:
            std::fprintf(stderr, "quandrel-batch: %s\n", outcome.message.c_str());
            return kExitImage;
        case BatchStatus::NothingToWrite:
        case BatchStatus::SessionRefused:
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
        case BatchStatus::OutOfResources:
            std::fprintf(stderr, "quandrel-batch: out of resources: %s\n", outcome.message.c_str());
            return kExitResources;
        case BatchStatus::Cancelled:  // the tool runs to the end or is killed: never asked
            std::fprintf(stderr, "quandrel-batch: cancelled\n");
            return kExitWrite;
    }
    return kExitWrite;
}

// Which of standard input, output and error were closed when the program started.
struct ClosedStandardDescriptors {
    bool closed[3] = {false, false, false};
};

// Puts /dev/null on standard input, output and error where they are closed. Otherwise the next
// file opened would take the number, and whatever the program (or a library) prints there
// would land in that file: a session file, or the data file being written.
ClosedStandardDescriptors FillClosedStandardDescriptors() {
    ClosedStandardDescriptors found;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        found.closed[fd] = true;
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
    return found;
}

// An output that can never be written is refused before anything is read or measured.
int CheckOutput(const std::string& output, const ClosedStandardDescriptors& standard) {
    const BatchOutput resolved = ResolveBatchOutput(output);
    if (resolved.kind == BatchOutput::Kind::Descriptor && resolved.fd <= 2 &&
        standard.closed[resolved.fd]) {
        std::fprintf(stderr, "quandrel-batch: cannot write to %s: %s is closed\n",
                     resolved.name.c_str(), resolved.fd == 1 ? "standard output" : "it");
        return kExitWrite;
    }
    const BatchOutcome checked = CheckBatchOutput(resolved);
    return checked.status == BatchStatus::Ok ? -1 : ExitCodeOf(checked, {});
}

// A merge's provenance written over one of its parts would lose that part.
BatchOutcome RefusePartAsSidecar(const std::vector<std::string>& parts, const std::string& sidecar) {
    struct stat out {};
    if (::stat(sidecar.c_str(), &out) != 0) return {};
    for (const std::string& part : parts) {
        struct stat in {};
        if (::stat(part.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
            return {BatchStatus::OutputIsInput,
                    "cannot write the provenance " + sidecar + ": it is the part file " + part};
        }
    }
    return {};
}

// What every sidecar of the tool records of the run itself.
ProvenanceFacts Facts(int argc, char** argv, const std::string& output) {
    ProvenanceFacts facts;
    facts.program = "quandrel-batch";
    facts.commandLine.assign(argv, argv + argc);
    facts.output = output;
    return facts;
}

int Run(int argc, char** argv, const ClosedStandardDescriptors& standard) {
    // A kill or Ctrl+C while the data file is written leaves no temporary file behind.
    RemoveTemporaryOnSignals();

    // Before anything opens a descriptor: one named as the output (/dev/fd/5) must be one the
    // program was given, not one of its own.
    BatchArguments args;
    if (const int code = ParseBatchArguments(argc, argv, args); code >= 0) return code;
    if (!args.verify.empty()) return RunVerify(args.verify);
    if (const int code = CheckOutput(args.output, standard); code >= 0) return code;

    // The application object finds the image format plugins; it also sets the locale from the
    // environment, so the number format is put back to C afterwards.
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    if (args.merge) {
        std::vector<std::string> parts;
        if (BatchOutcome listed = ListParts(args.parts, args.partsFrom, parts);
            listed.status != BatchStatus::Ok) {
            return ExitCodeOf(listed, {});
        }
        if (args.provenance) {
            if (BatchOutcome refused = RefusePartAsSidecar(parts, ProvenancePathOf(args.output));
                refused.status != BatchStatus::Ok) {
                return ExitCodeOf(refused, {});
            }
        }
        SessionHash session{};
        BatchOutcome merged = RunMerge(parts, args.output, args.format, &session);
        if (merged.status == BatchStatus::Ok && args.provenance) {
            // The parts alone are the merge's inputs: the session file need not be here.
            ProvenanceFacts facts = Facts(argc, argv, args.output);
            facts.sessionSha256 = HashText(session);
            facts.inputs = parts;
            if (BatchOutcome sidecar = WriteProvenance(facts); sidecar.status != BatchStatus::Ok) {
                return ExitCodeOf(sidecar, {});
            }
        }
        return ExitCodeOf(merged, {});
    }

    // A shard hashes the bytes it parses, so that its part names the session it is of.
    HashedSession hashed;
    if (args.shard || args.provenance) {
        hashed = LoadHashedSession(args.session);
    } else {
        hashed.loaded = LoadSession(args.session);
    }
    const SessionResult& loaded = hashed.loaded;
    if (!loaded.session) {
        std::fprintf(stderr, "quandrel-batch: %s\n", loaded.error.c_str());
        return kExitUsage;
    }

    // A resubmitted array job measures only the parts that are not whole on disk already.
    if (args.skipDone) {
        const DonePart done = CheckDonePart(args.output, hashed.hash, *args.shard);
        const std::string part =
            std::to_string(args.shard->part) + " of " + std::to_string(args.shard->parts);
        if (done.state == PartState::Done) {
            std::fprintf(stderr, "quandrel-batch: %s is part %s of this session already: skipped\n",
                         args.output.c_str(), part.c_str());
            return kExitOk;
        }
        if (done.state == PartState::Differs) {
            std::fprintf(stderr, "quandrel-batch: %s is rewritten as part %s: %s\n",
                         args.output.c_str(), part.c_str(), done.reason.c_str());
        }
    }

    // The provenance is written beside the table: never over the session or an image.
    if (args.provenance) {
        if (BatchOutcome refused =
                RefuseInputAsOutput(*loaded.session, ProvenancePathOf(args.output));
            refused.status != BatchStatus::Ok) {
            return ExitCodeOf(refused, args.session);
        }
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
                                     : RunBatch(*loaded.session, args.output, args.jobs, progress,
                                                args.format);
    if (line) line->Finish();
    if (outcome.status == BatchStatus::Ok && args.provenance) {
        ProvenanceFacts facts = Facts(argc, argv, args.output);
        facts.sessionPath = args.session;
        facts.sessionSha256 = HashText(hashed.hash);
        facts.options = SessionOptionsJson(*loaded.session);
        facts.inputs = SessionInputs(*loaded.session);
        if (BatchOutcome sidecar = WriteProvenance(facts); sidecar.status != BatchStatus::Ok) {
            return ExitCodeOf(sidecar, args.session);
        }
    }
    return ExitCodeOf(outcome, args.session);
}

}  // namespace

int main(int argc, char** argv) {
    // Asked before anything opens a descriptor, which would take the number 1 if it is free.
    const ClosedStandardDescriptors standard = FillClosedStandardDescriptors();
    try {
        return Run(argc, argv, standard);
    } catch (const std::bad_alloc&) {
        // Anywhere outside the detection workers (which report their image): reading the
        // session, building the records, formatting the data file. Unwinding has freed what was
        // being built, without allocating; the message itself needs no memory.
        std::fputs("quandrel-batch: out of memory\n", stderr);
        return kExitMemory;
    }
}
