#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Format.h"
#include "manager/ManagerDiagnostics.h"

namespace session {

// What a crash session needs besides the snapshot: how the host that took it was set up.
struct CrashSessionSetup {
    std::string view;                  // shape, drawing or image
    std::vector<std::string> plugIns;  // the workflow plug-ins loaded, absolute paths in load order
    std::string library;               // the workflow plug-in library the host ran, for the header
    std::string origin;                // where the failure happened, for the header ("demo.session:12")
};

// Writes a snapshot of a handler failure as a session that replays it: a header naming the failure, the
// view, the plug-ins, the workflows in the order they were installed, the recorded input and an
// "expect exception" line right after the input that failed. Whatever the snapshot holds (quotes, line
// breaks, lines that are no session line), the result reads back as a well-formed session: anything that
// cannot be replayed is kept as a comment. Any thread.
std::string WriteCrashSession(const workflow::CrashSnapshot& snapshot, const CrashSessionSetup& setup);

}  // namespace session
