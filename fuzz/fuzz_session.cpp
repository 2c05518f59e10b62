// Session files as the batch tool reads them: any bytes either parse into a session that the
// profile and the data file accept, or fail with a message; nothing else.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/batch_run.h"
#include "document/session_file.h"
#include "export/data_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SessionResult result = ParseSession(text, "fuzz.json", "/fuzz");
    if (!result.session) {
        if (result.error.empty()) std::abort();  // a failure must say why
        return 0;
    }
    const Session& session = *result.session;
    if (session.lines.empty() || session.channel < 0 || session.channel > 3 ||
        session.edgeMode < 0 || session.edgeMode > 3) {
        std::abort();
    }
    CDataProfile profile;
    BuildProfile(session, profile);
    if (profile.GetSize() != static_cast<int>(session.images.size())) std::abort();
    (void)BuildDataFile(profile, session.measureLength, session.measureArea);
    return 0;
}
