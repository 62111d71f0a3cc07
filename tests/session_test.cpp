#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CrashSession.h"
#include "SessionScript.h"
#include "support/TestFolder.h"

namespace {

namespace fs = std::filesystem;

TEST(SessionScript, SplitsWordsOnBlanksAndKeepsQuotedTextWhole) {
    std::vector<std::string> words;
    EXPECT_FALSE(session::SplitWords("  expect status \"yaw 0   pitch \\\"5\\\"\" ", words));
    EXPECT_EQ(words, (std::vector<std::string>{"expect", "status", "yaw 0   pitch \"5\""}));
    EXPECT_FALSE(session::SplitWords("expect status \"\"", words));
    EXPECT_EQ(words, (std::vector<std::string>{"expect", "status", ""}));
    EXPECT_EQ(session::SplitWords("expect status \"open", words), "unterminated quote");

    EXPECT_EQ(session::Number("-120"), -120);
    EXPECT_EQ(session::Number("+7"), 7);
    EXPECT_FALSE(session::Number("12px"));
    EXPECT_FALSE(session::Number(""));
}

TEST(SessionScript, ReadsEveryVerbAndDropsCommentsAndBlankLines) {
    const std::string text =
        "# a comment\n\nview shape\nload plugins/\nadd orbit 100 persistent\nadd measure persistent\n"
        "down left 10 20\nmove 30 40\nup left 30 40\ndblclick left\nwheel -120 30 40\nkey a\nkey Escape\n"
        "mod shift down\nsize 800 600\nleave\ntick 250\nselect add 3\nselect clear\nmode orbit speed 2\n"
        "page 2\nquery QuerySelectionController\ncursor 50 crosshair\npersistent 100 off\nremove orbit\n"
        "trace on\ntrace save out.trace\nreplay orbit\nreplay orbit orbit.trace\n"
        "expect status \"zoom 1.10\"\nexpect cursor rotate\nexpect workflow 100 orbit\n"
        "expect handled zoom \"MsgMouseWheel(30,40,-120)\"\n   # indented comment\r\n";
    session::Script script;
    session::ScriptError error;
    ASSERT_TRUE(session::ParseScript("all.session", text, script, error)) << error.ToString();
    ASSERT_EQ(script.commands.size(), 31u);
    EXPECT_EQ(script.commands[0].line, 3);
    EXPECT_EQ(script.commands[2].args, (std::vector<std::string>{"orbit", "100", "persistent"}));
    EXPECT_EQ(script.commands.back().args,
              (std::vector<std::string>{"handled", "zoom", "MsgMouseWheel(30,40,-120)"}));
    EXPECT_EQ(script.commands.back().text, "expect handled zoom \"MsgMouseWheel(30,40,-120)\"");
}

TEST(SessionScript, NamesTheFileLineAndFaultOfTheFirstMalformedLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"jump 10 20", "s.session:2: unknown verb 'jump'"},
        {"down left 10", "s.session:2: missing argument: down BUTTON X Y"},
        {"down thumb 10 20", "s.session:2: unknown button 'thumb' (left, middle, right)"},
        {"move 10 twenty", "s.session:2: y coordinate is not a number: 'twenty'"},
        {"expect status \"yaw 0", "s.session:2: unterminated quote"},
        {"wheel -40000 1 1", "s.session:2: wheel delta out of range (-32768 to 32767): '-40000'"},
        {"add orbit fast", "s.session:2: expected a priority or 'persistent', got 'fast'"},
        {"add orbit 100 fast", "s.session:2: expected 'persistent', got 'fast'"},
        {"leave now", "s.session:2: too many arguments: leave"},
        {"expect colour red",
         "s.session:2: unknown expectation 'colour' (status, cursor, workflow, handled, camera, selection, "
         "exception, routed, not-offered)"},
        {"expect camera yaw 0", "s.session:2: too many words after 'expect camera'"},
        {"expect selection 1 2", "s.session:2: too many words after 'expect selection'"},
        {"pick 10 20", "s.session:2: missing argument: pick X Y ID"},
        {"pick 10 20 -1", "s.session:2: instance id out of range (0 to 4294967295): '-1'"},
        {"print zoom", "s.session:2: unknown state 'zoom' (camera, selection)"},
        {"expect routed MsgKeyPress overlay", "s.session:2: missing argument after 'expect routed'"},
        {"expect routed MsgKeyPress at overlay",
         "s.session:2: expected 'to' after the message name, got 'at'"},
        {"expect not-offered dragger", "s.session:2: missing argument after 'expect not-offered'"},
        {"expect handled orbit", "s.session:2: missing argument after 'expect handled'"},
        {"select add", "s.session:2: missing argument: instance id"},
        {"trace save", "s.session:2: missing argument: FILE"},
    };
    for (const auto& [line, message] : cases) {
        session::Script script;
        session::ScriptError error;
        EXPECT_FALSE(session::ParseScript("s.session", "view shape\n" + line + "\ntick 10\n", script, error))
            << line;
        EXPECT_EQ(error.ToString(), message);
        EXPECT_TRUE(script.commands.empty() || script.commands.size() == 1u);
    }
}

TEST(SessionScript, BundledSessionsAreWellFormed) {
    std::size_t sessions = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(WORKFLOW_BUNDLED_SESSIONS)) {
        if (entry.path().extension() != ".session") {
            continue;
        }
        std::stringstream text;
        text << std::ifstream(entry.path()).rdbuf();
        session::Script script;
        session::ScriptError error;
        EXPECT_TRUE(session::ParseScript(entry.path().string(), text.str(), script, error))
            << error.ToString();
        ++sessions;
    }
    EXPECT_GE(sessions, 1u);
}

TEST(CrashSession, AnySnapshotBecomesAWellFormedSessionThatKeepsWhatCannotBeReplayedAsComments) {
    workflow::CrashSnapshot snapshot;
    snapshot.workflows = {{300, "quote\"d name", false, 2},
                          {100, "back\\slash", true, 1},
                          {50, "new\nline", false, 3},
                          {20, "", false, 4},
                          {10, std::string("nul\0byte", 8), false, 5},
                          {5, std::string(5000, 'x'), false, 6}};
    using workflow::FlightRecord;
    snapshot.input.recording = true;
    snapshot.input.records = {FlightRecord::Move(1, 2),
                              FlightRecord::Scene(du::Symbol("a\nview image")),
                              FlightRecord::Key("\"", du::Symbol::EMPTY),
                              FlightRecord::Mode(du::Symbol("two\nlines"), "x", 0, false),
                              FlightRecord::HostAdd(du::Symbol("new\nline"), 5, false),
                              FlightRecord::HostRemove(du::Symbol("quote\"d name")),
                              FlightRecord::Pick(3, 4, 7, 0),
                              FlightRecord::Key(std::string(5000, 'y'), du::Symbol::EMPTY)};
    const session::CrashSessionSetup setup{
        "shape", {"/plug ins/a\"b.so"}, "/lib/libworkflow.so", "x:3", {{{3, 4}, 7}, {{5, 6}, 8}}};
    for (const std::string exception :
         {"Exception handling workflow message \"Msg\\X\" with workflow \"a \"b\"", "two\nlines"}) {
        snapshot.exceptionLine = exception;
        const std::string text = session::WriteCrashSession(snapshot, setup);
        session::Script script;
        session::ScriptError error;
        ASSERT_TRUE(session::ParseScript("crash.session", text, script, error)) << error.ToString() << text;
        std::vector<std::string> read;
        for (const session::Command& command : script.commands) {
            read.push_back(command.verb);
            for (const std::string& arg : command.args) {
                read.push_back(arg);
            }
        }
        std::vector<std::string> expected = {"view",
                                             "shape",
                                             "load",
                                             "/plug ins/a\"b.so",
                                             "add",
                                             "back\\slash",
                                             "100",
                                             "persistent",
                                             "add",
                                             "quote\"d name",
                                             "300",
                                             "add",
                                             "",
                                             "20",
                                             "pick",
                                             "5",
                                             "6",
                                             "8",
                                             "move",
                                             "1",
                                             "2",
                                             "key",
                                             "\"",
                                             "remove",
                                             "quote\"d name",
                                             "pick",
                                             "3",
                                             "4",
                                             "7"};
        if (exception.find('\n') == std::string::npos) {
            expected.insert(expected.end(), {"expect", "exception", exception});
        }
        EXPECT_EQ(read, expected) << text;
    }
}

TEST(CrashSession, RecordsBecomeTheLinesThatReplayThemAndTheRestComments) {
    using workflow::FlightRecord;
    workflow::RecordedInput input;
    input.recording = true;
    input.origin = 5;
    auto at = [](std::int64_t time, FlightRecord record) {
        record.time = time;
        return record;
    };
    input.held.seen = true;  // records left the ring: what they left held is restated first
    input.held.time = 15;
    input.held.sized = true;
    input.held.width = 640;
    input.held.height = 480;
    input.held.modifiers = 1;
    input.held.buttons[0] = {true, 10, 20};
    input.held.pointerKnown = true;
    input.held.x = 30;
    input.held.y = 40;
    input.records = {
        at(15, FlightRecord::Key("\x1b", du::Symbol::EMPTY)), at(15, FlightRecord::Key("", du::Symbol("F5"))),
        at(15, FlightRecord::Key("ab", du::Symbol::EMPTY)),
        at(15, FlightRecord::Key("\n", du::Symbol::EMPTY)),
        at(15, FlightRecord::Key("a very long text for one key", du::Symbol::EMPTY)),
        at(15, FlightRecord::Button(7, true, 1, 2)), at(15, FlightRecord::DoubleClick(2)),
        at(15, FlightRecord::Mode("select", "add", 3, false)),
        at(15, FlightRecord::Mode("select", "clear", 0, false)),
        at(15, FlightRecord::Mode(du::Symbol("my flow"), du::Symbol("a\"b\\"), -2, false)),
        at(15, FlightRecord::Mode("orbit", "speed", 1, true)), at(15, FlightRecord::Page(2)),
        at(15, FlightRecord::Selection(1, true, 2, 3)),
        at(15, FlightRecord::Scene(du::Symbol("MsgShapeInstanceCreate"))),
        at(15, FlightRecord::HostAdd("measure", 0, true)), at(15, FlightRecord::HostPersistent(2000, false)),
        at(15, FlightRecord::HostRemove(2000)),
        at(15, FlightRecord::StackChange(FlightRecord::Kind::Removed, "measure", 2000, 4, false)),
        // an hour's pause is shortened, keeping the timers' phase
        at(15 + 3600000 + 30, FlightRecord::Size(800, 600))};
    input.now = 15 + 3600000 + 40;  // a timer message failed after the last record
    EXPECT_EQ(session::RecordedLines(input),
              (std::vector<std::string>{"tick 10",
                                        "size 640 480",
                                        "mod ctrl down",
                                        "down left 10 20",
                                        "move 30 40",
                                        "key Escape",
                                        "key F5",
                                        "# key with the text ab",
                                        "# key with the text \"\\n\"",
                                        "# key with the text \"a very long \"... (28 bytes)",
                                        "# down button 7",
                                        "dblclick right",
                                        "select add 3",
                                        "select clear",
                                        "mode \"my flow\" \"a\\\"b\\\\\" -2",
                                        "# mode orbit speed 1 (with a mode object of the host's)",
                                        "page 2",
                                        "# MsgSelectionChanged list 1, cleared, 2 removed, 3 added",
                                        "# MsgShapeInstanceCreate",
                                        "add measure persistent",
                                        "persistent 2000 off",
                                        "remove 2000",
                                        "# measure at 2000 removed",
                                        "tick 60030",
                                        "size 800 600",
                                        "tick 10"}));
}

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the session host program on a session written to a file of its own.
class SessionProgram : public testing_support::TestFolder {
protected:
    SessionProgram() : TestFolder("session_test") {}

    Outcome Run(const std::string& arguments) {
        const fs::path errPath = dir_ / "stderr.txt";
        const std::string command =
            std::string(SESSION_HOST_PATH) + " " + arguments + " 2>" + errPath.string();
        Outcome outcome;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) {
            ADD_FAILURE() << "cannot run " << command;
            return outcome;
        }
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            outcome.out.append(buffer, n);
        }
        const int status = pclose(pipe);
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::stringstream err;
        err << std::ifstream(errPath).rdbuf();
        outcome.err = err.str();
        return outcome;
    }

    // The session line a failure is reported under: the line echoed last before its "exception" line.
    static std::string FailedStep(const std::string& transcript, const std::string& failure) {
        const std::size_t reported = transcript.find("    exception " + nlohmann::json(failure).dump() + " ");
        const std::size_t echo = transcript.rfind("> ", reported);
        if (reported == std::string::npos || echo == std::string::npos) {
            return "none";
        }
        return transcript.substr(echo + 2, transcript.find('\n', echo) - echo - 2);
    }

    // Runs a written crash session alone, from another folder, as a user who was sent it would.
    Outcome Replay(const fs::path& crashSession) {
        fs::create_directories(dir_ / "elsewhere");
        const fs::path copy = dir_ / "elsewhere" / "replay.session";
        fs::copy_file(crashSession, copy, fs::copy_options::overwrite_existing);
        return Run(copy.string());
    }
};

TEST_F(SessionProgram, MalformedSessionRunsNothingAndExitsWithTwo) {
    const std::string path =
        Write("bad.session", "view shape\nload tests/session-plugins/\n\ndown thumb 1 2\n");
    const Outcome outcome = Run(path);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, path + ":4: unknown button 'thumb' (left, middle, right)\n");
}

TEST_F(SessionProgram, FailedExpectationNamesLineExpectedAndSeenAndTheSessionGoesOn) {
    const Outcome outcome = Run(Write("expect.session",
                                      "view shape\nload tests/session-plugins/\nadd dragger\n"
                                      "expect workflow 100 overlay\nwheel -120 3 4\n"
                                      "expect handled dragger \"MsgMouseWheel(3,4,-120)\"\n"
                                      "expect cursor grab\n"));
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err,
              "line 4: expected workflow 100 \"overlay\", seen \"dragger\"\n"
              "line 7: expected cursor \"grab\", seen \"none\"\n"
              "2 expectations failed\n");
    EXPECT_NE(outcome.out.find("    dragger handled MsgMouseWheel(3,4,-120)\n"), std::string::npos);
    EXPECT_NE(outcome.out.find("summary: 4 events in, 1 messages dispatched, 1 workflows installed"),
              std::string::npos);
}

TEST_F(SessionProgram, WhatCannotBeHadEndsTheSessionWithOneLineAndExitThree) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"view shape\nload nowhere/\n", "error: line 2: workflow plug-in not found: nowhere/\n"},
        {"view teapot\n", "error: line 1: unknown view type 'teapot' (shape, drawing, image)\n"},
        {"view image\nload tests/session-plugins/\nadd dragger\nadd compass\nkey a\n",
         "error: line 4: workflow 'compass' cannot be loaded (couldn't load workflow): no loaded plug-in "
         "makes "
         "it for this view\n"},
        {"key a\n", "error: line 1: no view yet: start the session with 'view shape' (or drawing, image)\n"},
    };
    for (const auto& [text, message] : cases) {
        const Outcome outcome = Run(Write("fails.session", text));
        EXPECT_EQ(outcome.exitCode, 3) << text;
        EXPECT_EQ(outcome.err, message);
    }
    const Outcome noPlugIn =
        Run("--plugin " + (dir_ / "libnothing.so").string() + " " + Write("plain.session", "view shape\n"));
    EXPECT_EQ(noPlugIn.exitCode, 3);
    EXPECT_EQ(
        noPlugIn.err.rfind("error: cannot load the workflow plug-in " + (dir_ / "libnothing.so").string(), 0),
        0u)
        << noPlugIn.err;
    EXPECT_EQ(std::count(noPlugIn.err.begin(), noPlugIn.err.end(), '\n'), 1);
}

TEST_F(SessionProgram, BadSessionFileEndsWithOneShortLineAndExitTwo) {
    std::string everyByte;
    for (int i = 0; i < 256; ++i) {
        everyByte += static_cast<char>(i);
    }
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ":1: empty session: no command to run"},
        {"# nothing but a comment\n\n", ":3: empty session: no command to run"},
        {everyByte, ":1: not a session: binary data (a NUL byte)"},
        {"\xff\xfe\x01" + std::string(60, 'z') + " 1\n",
         ":1: unknown verb '\\xff\\xfe\\x01" + std::string(37, 'z') + "...'"},
        {std::string(10 << 20, 'a'), ":1: line too long (10485760 bytes, at most 4096)"},
        {"view shape\nexpect status \"yaw 10", ":2: unterminated quote"},
    };
    for (const auto& [text, message] : cases) {
        const std::string path = Write("bad.session", text);
        const Outcome outcome = Run(path);
        EXPECT_EQ(outcome.exitCode, 2) << message;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, path + message + "\n");
    }
    // Too large to be a session: not even read (the file is sparse, so this costs no disk).
    const std::string huge = Write("huge.session", "view shape\n");
    fs::resize_file(huge, (64u << 20) + 1);
    const Outcome outcome = Run(huge);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err, huge + ":1: session file too large (67108865 bytes, at most 67108864)\n");
}

TEST_F(SessionProgram, PlugInThatIsNoLibraryOrLacksEntryPointsEndsWithOneLineAndExitThree) {
    const std::string session = Write("plain.session", "view shape\n");
    const std::string text = Write("text.so", "not a library\n");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {text, "error: cannot load the workflow plug-in " + text + ": "},
        {dir_.string(), "error: cannot load the workflow plug-in " + dir_.string() + ": "},
        {RZHOST_LIBRARY_PATH, std::string("error: ") + RZHOST_LIBRARY_PATH +
                                  " lacks the plug-in entry points RZDllInit, RZDllCreateComponent and "
                                  "RZDllTerminate"},
    };
    for (const auto& [plugIn, start] : cases) {
        const Outcome outcome = Run("--plugin " + plugIn + " " + session);
        EXPECT_EQ(outcome.exitCode, 3) << plugIn;
        EXPECT_EQ(outcome.err.rfind(start, 0), 0u) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
    // A workflow plug-in that is no library: the session stops at its load line.
    const Outcome load = Run(Write("load.session", "view shape\nload " + text + "\n"));
    EXPECT_EQ(load.exitCode, 3);
    EXPECT_EQ(load.err.rfind("error: line 2: ", 0), 0u) << load.err;
    EXPECT_EQ(std::count(load.err.begin(), load.err.end(), '\n'), 1) << load.err;
}

TEST_F(SessionProgram, JsonTranscriptHasOneObjectPerLineForEveryKindOfReport) {
    const Outcome outcome = Run("--json " + std::string(WORKFLOW_TEST_SESSIONS) + "/whole-path.session");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    std::set<std::string> types;
    std::istringstream lines(outcome.out);
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
        ASSERT_TRUE(object.is_object()) << line;
        types.insert(object.value("type", ""));
    }
    EXPECT_EQ(types, (std::set<std::string>{"event", "observer", "loaded", "handled", "trace", "status",
                                            "cursor", "query", "expect", "runtime", "summary"}));
}

// A handler failure is written as a session that replays it alone, from another folder, to the same step,
// and ends there with an expectation that holds. Here the stack changes while the recorder records: the
// catcher, added by the host, takes two drags and is dismissed by Escape; the thrower is added after it,
// and the dragger made persistent. Whether the ring holds all of it or starts after the catcher came, the
// crash session fails at the same step.
TEST_F(SessionProgram, CrashSessionRestatesTheStackAsItStoodAndReplaysEveryChangeToTheSameStep) {
    const std::string failure =
        "Exception handling workflow message \"MsgMouseInitLeftDrag\" with workflow \"thrower\"";
    auto drag = [](int y) {
        const std::string at = " " + std::to_string(y) + "\n";
        return "down left 10" + at + "move 30" + at + "up left 30" + at;
    };
    const std::string path = Write(
        "stack.session", "view shape\nload tests/session-plugins/\nadd dragger\nadd catcher\nsize 640 480\n" +
                             drag(10) + drag(20) + "add thrower\nkey Escape\n" + drag(30) +
                             "expect exception none\npersistent 100 on\nmode dragger \"sp ace\" 3\nkey a\n" +
                             drag(40) + "tick 25\n" + drag(50) + drag(60));
    for (const std::string size : {"256", "22"}) {
        const fs::path crashes = dir_ / ("crashes-" + size);
        const Outcome first =
            Run("--recorder-size " + size + " --crash-dir " + crashes.string() + " " + path);
        ASSERT_EQ(first.exitCode, 0) << first.err;
        EXPECT_NE(first.out.find(" threw \"third drag\"\n"), std::string::npos) << first.out;
        EXPECT_EQ(FailedStep(first.out, failure), "move 30 50") << size;
        EXPECT_FALSE(fs::exists(crashes / "crash-2.session"));
        const Outcome replay = Replay(crashes / "crash-1.session");
        EXPECT_EQ(replay.exitCode, 0) << size << replay.err << replay.out;
        EXPECT_EQ(FailedStep(replay.out, failure), "move 30 50") << size << replay.out;
        const std::size_t expectation = replay.out.find("> expect exception ");
        ASSERT_NE(expectation, std::string::npos);
        EXPECT_EQ(replay.out.find("> ", expectation + 2), std::string::npos);  // the last line of the session
        EXPECT_EQ(replay.out.substr(replay.out.find('\n', expectation), 8), "\n    ok\n");
    }
}

// A claimant that throws is asked again by the walk and throws again: one failure, one crash session,
// carrying what it threw. It fails where the host drew instance 9, which the crash session replays.
TEST_F(SessionProgram, ClaimantFailingOnWhatTheHostDrewIsOneCrashSessionThatReplaysThePicks) {
    const std::string failure =
        "Exception handling workflow message \"MsgMouseLeftDown\" with workflow \"picky\"";
    const std::string expectation = "expect exception " + session::SessionWord(failure) + "\n";
    const std::string path =
        Write("picks.session",
              "view shape\nload tests/session-plugins/\nadd picky\npick 10 10 9\npick 20 20 9\n"
              "down left 20 20\n" +
                  expectation +
                  "up left 20 20\npick 20 20 0\ndown left 20 20\n"
                  "up left 20 20\ndown left 10 10\n" +
                  expectation);
    const Outcome first = Run("--recorder-size 4 --crash-dir " + (dir_ / "crashes").string() + " " + path);
    ASSERT_EQ(first.exitCode, 0) << first.err << first.out;
    EXPECT_NE(first.out.find("    exception " + nlohmann::json(failure).dump() + " threw \"picked 9\"\n"),
              std::string::npos)
        << first.out;
    EXPECT_EQ(std::count(first.err.begin(), first.err.end(), '\n'), 4) << first.err;  // reported twice each
    ASSERT_TRUE(fs::exists(dir_ / "crashes" / "crash-2.session"));
    EXPECT_FALSE(fs::exists(dir_ / "crashes" / "crash-3.session"));
    std::stringstream header;
    header << std::ifstream(dir_ / "crashes" / "crash-2.session").rdbuf();
    EXPECT_NE(header.str().find("\n# It threw: picked 9\n"), std::string::npos) << header.str();
    const Outcome replay = Replay(dir_ / "crashes" / "crash-2.session");
    EXPECT_EQ(replay.exitCode, 0) << replay.err << replay.out;
    EXPECT_EQ(FailedStep(replay.out, failure), "down left 10 10") << replay.out;

    // With the recorder off, "expect exception" still sees the failures; no crash session is written.
    const Outcome off = Run("--recorder-size 0 --crash-dir " + (dir_ / "off").string() + " " + path);
    EXPECT_EQ(off.exitCode, 0) << off.err << off.out;
    EXPECT_FALSE(fs::exists(dir_ / "off" / "crash-1.session"));
}

TEST_F(SessionProgram, RouteWritesEachDispatchAsATreeAndRoutingExpectationsNameWhatWasSeen) {
    const std::string session = std::string(WORKFLOW_TEST_SESSIONS) + "/routing.session";
    const Outcome routed = Run("--route " + session);
    ASSERT_EQ(routed.exitCode, 0) << routed.err;
    // The overlay's handler reports inside the dispatch, before its answer; the Escape's dismissal is
    // announced by a dispatch nested in it.
    for (const char* lines :
         {"8> key a\n    route MsgKeyPress\n    overlay handled MsgKeyPress(a)\n"
          "    route | offered to overlay at 1500: consumed\n    route MsgKeyPress: consumed by overlay\n",
          "    route | offered to dragger at 100: declined\n    route | Escape dismisses overlay at 1500\n"
          "    observer overlay removed from 1500\n    route | MsgWorkflowChanged\n"
          "    route | | offered to dragger at 100: declined\n    route | MsgWorkflowChanged: not consumed\n"
          "    route MsgKeyPress: not consumed\n"}) {
        EXPECT_NE(routed.out.find(lines), std::string::npos) << lines << "\nin\n" << routed.out;
    }
    // Without --route the same session prints no routing lines, yet its expectations are answered.
    const Outcome quiet = Run(session);
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.out.find("route "), std::string::npos);

    const Outcome json = Run("--json --route " + session);
    ASSERT_EQ(json.exitCode, 0) << json.err;
    std::set<std::string> steps;
    std::istringstream lines(json.out);
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
        if (object.value("type", "") == "route") {
            steps.insert(object.value("step", ""));
            if (object.value("step", "") == "end" && object.value("message", "") == "MsgMouseWheel") {
                EXPECT_EQ(object.value("by", ""), "dragger");
            }
        }
    }
    EXPECT_EQ(steps, (std::set<std::string>{"dispatch", "offer", "escape", "end"}));

    const Outcome failed =
        Run(Write("wrong.session",
                  "view shape\nload tests/session-plugins/\nadd dragger\nadd overlay\nkey a\n"
                  "expect routed MsgKeyPress to dragger\nexpect not-offered MsgKeyPress overlay\n"
                  "expect routed MsgMouseWheel to none\nexpect not-offered MsgKeyPress dragger\n"));
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err,
              "line 6: expected routed MsgKeyPress \"dragger\", seen \"overlay\"\n"
              "line 7: expected not-offered MsgKeyPress overlay \"not offered\", seen \"offered\"\n"
              "line 8: expected routed MsgMouseWheel \"none\", seen \"not dispatched\"\n"
              "3 expectations failed\n");
}

}  // namespace
