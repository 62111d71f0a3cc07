#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>

#include "Command.h"

namespace session {

// How a session ends, as the program's exit code.
enum ExitCode : int {
    EXIT_OK = 0,
    EXIT_EXPECTATION_FAILED = 1,
    EXIT_MALFORMED = 2,
    // The plug-in, a workflow plug-in, a view or a workflow could not be had, the plug-in's thread ended, or
    // the plug-in ended the program before the session's end.
    EXIT_FAILED = 3,
};

struct Options {
    std::string pluginPath;  // libworkflow.so
    std::string buildDir;    // where relative "load" paths are looked for after the session's folder
    bool json = false;
    // When set, each handler failure is written there as a session that replays it (crash-1.session, ...).
    std::string crashDir;
    // The flight recorder's size in events, for the crash sessions and "expect exception".
    std::size_t recorderSize = 256;
    bool route = false;  // the routing log of every dispatched message joins the transcript
    // With route: the messages whose dispatches are written, comma-separated names or patterns with *;
    // empty for every message but the window timer's dispatches that nobody consumed.
    std::string routeFilter;
};

// Plays a host: loads the workflow plug-in as a viewer does, builds the view a session asks for and drives
// its manager through the manager proxy from this (the host's) thread, one session line at a time. Window
// input goes through the stand-in window to the plug-in's window observer. Time stands still unless a
// "tick" moves the plug-in's clock, so that a session runs the same way every time.
//
// What happens is written to out as a transcript (or as JSON lines), errors to err as one line each.
class SessionHost {
public:
    SessionHost(Options options, std::ostream& out, std::ostream& err);
    ~SessionHost();
    SessionHost(const SessionHost&) = delete;
    SessionHost& operator=(const SessionHost&) = delete;

    // Runs script; relative files named by the session are looked for in sessionDir first. Main thread.
    int Run(const Script& script, const std::string& sessionDir);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// Writes why the command line cannot be used as one error line (exit code EXIT_MALFORMED). Main thread.
void WriteCommandLineError(std::ostream& err, bool json, const std::string& what);

// Reads and runs the session file at path; the whole program but its command line. Main thread.
int RunSessionFile(const std::string& path, const Options& options, std::ostream& out, std::ostream& err);

}  // namespace session
