// The flight recorder's snapshot writer: whatever a snapshot holds (names and lines with quotes, line
// breaks, control bytes, lines that are no session line, verbs that only a host may say), the written
// session must read back as a well-formed session.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CrashSession.h"
#include "Parse.h"
#include "support/FuzzInput.h"

namespace {

// Event lines are mostly well-formed, so that the writer's replay path is reached, not only its comments.
std::string EventLine(fuzz::FuzzInput& input) {
    static const char* const lines[] = {"down left 10 20", "move 30 40", "up left 30 40", "wheel -120 5 5",
                                        "key a",           "tick 10",    "mod ctrl down", "size 640 480",
                                        "leave",           "page 2",     "select add 3",  "dblclick left"};
    switch (input.Below(4)) {
        case 0:
            return input.Text(60);
        case 1:
            return std::string(input.Pick(lines)) + input.Text(8);
        default:
            return input.Pick(lines);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    workflow::CrashSnapshot snapshot;
    session::CrashSessionSetup setup;
    // The view kind is the host's own, one the session host made the view from.
    static const char* const views[] = {"shape", "drawing", "image"};
    setup.view = input.Pick(views);
    for (std::size_t n = input.Below(3); n > 0; --n) {
        setup.plugIns.push_back(input.Text(40));
    }
    setup.library = input.Text(40);
    setup.origin = input.Text(40);
    for (std::size_t n = input.Below(6); n > 0; --n) {
        workflow::CrashSnapshot::Installed installed;
        installed.priority = input.Number();
        installed.name = input.Text(20);
        installed.persistent = input.Flag();
        installed.order = input.Word();
        snapshot.workflows.push_back(installed);
    }
    snapshot.exceptionLine = input.Text(80);
    while (!input.Done()) {
        snapshot.events.push_back(EventLine(input));
    }

    const std::string written = session::WriteCrashSession(snapshot, setup);
    session::Script script;
    session::ScriptError error;
    if (!session::Parse("crash.session", written, script, error)) {
        std::fprintf(stderr, "the written crash session does not read back: %s\n%s\n",
                     error.ToString().c_str(), written.c_str());
        std::abort();
    }
    return 0;
}
