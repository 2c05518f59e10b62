// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/provenance_run.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "export/safe_write.h"

BatchOutcome WriteProvenance(const ProvenanceFacts& facts) {
    const std::string path = ProvenancePathOf(facts.output);
    const ProvenanceText text = BuildProvenance(facts);
    // Only a path JSON cannot hold stops it; an unreadable input is recorded as such.
    if (!text.text) {
        return {BatchStatus::WriteFailed, "cannot write the provenance " + path + ": " + text.error};
    }
    const WriteResult written = WriteFileSafely(path, *text.text);
    if (!written.ok()) return {BatchStatus::WriteFailed, written.message};
    return {};
}

namespace {

int Bad(const std::string& sidecar, const std::string& problem) {
    std::fprintf(stderr, "quandrel-batch: verify: %s: %s\n", sidecar.c_str(), problem.c_str());
    return kVerifyBad;
}

}  // namespace

int RunVerify(const std::string& sidecar) {
    std::ifstream in(sidecar, std::ios::binary);
    if (!in) return Bad(sidecar, "cannot be read");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (doc.is_discarded() || !doc.is_object() || !doc.contains("quandrel-provenance")) {
        return Bad(sidecar, "not a provenance file of quandrel");
    }
    if (doc["quandrel-provenance"] != 1) return Bad(sidecar, "a provenance format this version does not read");
    const auto inputs = doc.find("inputs");
    if (inputs == doc.end() || !inputs->is_array()) return Bad(sidecar, "it lists no inputs");

    std::size_t changed = 0;
    for (const nlohmann::json& input : *inputs) {
        if (!input.is_object() || !input.contains("path") || !input["path"].is_string()) {
            return Bad(sidecar, "an input without its path");
        }
        const std::string path = input["path"].get<std::string>();
        const bool wasMissing = input.contains("error");
        if (!wasMissing &&
            (!input.contains("size") || !input["size"].is_number_unsigned() ||
             !input.contains("modifiedNs") || !input["modifiedNs"].is_number_integer() ||
             !input.contains("sha256") || !input["sha256"].is_string())) {
            return Bad(sidecar, path + ": an input without its size, modifiedNs and sha256");
        }
        InputStamp now;
        if (const std::string problem = StampInput(path, now); !problem.empty()) {
            // Gone when the result was written already: it is as recorded.
            std::printf("missing: %s: %s%s\n", path.c_str(), problem.c_str(),
                        wasMissing ? " (as when recorded)" : "");
            if (!wasMissing) ++changed;
            continue;
        }
        if (wasMissing) {
            std::printf("changed: %s: there now, missing when recorded\n", path.c_str());
            ++changed;
            continue;
        }
        const auto size = input["size"].get<std::uint64_t>();
        const std::string sha = input["sha256"].get<std::string>();
        if (now.size != size || now.sha256 != sha) {
            std::printf("changed: %s: %llu bytes, SHA-256 %s; was %llu bytes, SHA-256 %s\n",
                        path.c_str(), static_cast<unsigned long long>(now.size),
                        now.sha256.c_str(), static_cast<unsigned long long>(size), sha.c_str());
            ++changed;
        } else if (now.modifiedNs != input["modifiedNs"].get<std::int64_t>()) {
            std::printf("touched: %s: modified since, with the same bytes\n", path.c_str());
        }
    }
    const std::size_t all = inputs->size();
    if (changed > 0) {
        std::printf("%zu of %zu inputs changed or missing\n", changed, all);
    } else {
        std::printf("all %zu inputs as recorded\n", all);
    }
    return std::fflush(stdout) == 0 ? (changed > 0 ? kVerifyChanged : kVerifySame) : kVerifyBad;
}
