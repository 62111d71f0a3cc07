#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "diagnostics/FlightRecord.h"
#include "manager/ManagerDiagnostics.h"

namespace session {

// What a crash session needs besides the snapshot: how the host that took it was set up.
struct CrashSessionSetup {
    std::string view;                  // shape, drawing or image
    std::vector<std::string> plugIns;  // the workflow plug-ins loaded, absolute paths in load order
    std::string library;               // the workflow plug-in library the host ran, for the header
    std::string origin;                // where the failure happened, for the header ("demo.session:12")
    // What the host's picker answered at each point when the snapshot was taken ("pick" lines).
    std::map<std::pair<int, int>, unsigned int> picks;
};

// Writes a snapshot of a handler failure as a session that replays it: a header naming the failure and
// what it threw, the view, the plug-ins, the workflows and the picker's answers as they stood when the
// first kept record was made, the recorded input and host calls, and an "expect exception" line right
// after the input that failed. Whatever the snapshot holds (quotes, line breaks, names no session word can
// say), the result reads back as a well-formed session: anything that cannot be replayed is kept as a
// comment. Any thread.
std::string WriteCrashSession(const workflow::CrashSnapshot& snapshot, const CrashSessionSetup& setup);

// The recorded input as session lines: what the records that left the ring still hold, then each record,
// with "tick" lines for the time between them and up to the time the input was taken. Records no session
// line can say (scene messages, stack changes, a key text of more than one character) are comments.
// Any thread.
std::vector<std::string> RecordedLines(const workflow::RecordedInput& input);

// Pauses longer than this are shortened in RecordedLines() to keep a replay quick; they keep their
// remainder modulo 100 so that the timers' phase (10 and 100) stays the same.
constexpr std::int64_t LONGEST_PAUSE = 60000;

}  // namespace session
