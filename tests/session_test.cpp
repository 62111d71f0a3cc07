#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CrashSession.h"
#include "Drive.h"
#include "Format.h"
#include "Parse.h"
#include "support/TestFolder.h"

namespace {

namespace fs = std::filesystem;

// Every verb and every form of its words, as a session author writes them (blanks, quotes, signs).
const char* const EVERY_VERB =
    "# a comment\n\nview shape\nview drawing\nview image\nload plugins/\nload \"/plug ins/a\\\"b.so\"\n"
    "add orbit\nadd orbit 100 persistent\nadd measure persistent\nadd \"\" +20\nremove orbit\nremove 2000\n"
    "persistent 100 on\npersistent 4294967295 off\n"
    "down left 10 20\nup  middle  -3   +4\ndown right -2147483648 2147483647\nmove 30 40\ndblclick right\n"
    "wheel -32768 30 40\nwheel 32767 0 0\nkey a\nkey Escape\nkey \"\\\"\"\nkey \"\\\\\"\nkey \" \"\nkey "
    "\"\"\n"
    "key \xc3\xa9\nmod ctrl down\nmod alt up\nmod shift down\nsize 800 600\nleave\ntick 0\ntick 86400000\n"
    "touch 1 2 1 10 20 5 2 2 30 40 5 1 0 0 0 0 0\ntouch 0 0\ntouch -1 11 0 0 0 0 0 0 0 0 0 0 7 0 0 0 0\n"
    "motion -9223372036854775808 9223372036854775807 0 1 -2 +3\n"
    "select add 3\nselect remove -7\nselect clear\nmode orbit speed\nmode orbit \"sp ace\" 2\npage -2\n"
    "query QuerySelectionController\ncursor 50 crosshair\ncursor 0 none\ntrace on\ntrace off\n"
    "trace save \"out put.trace\"\nreplay orbit\nreplay orbit orbit.trace\npick 320 200 3\npick-box 1 2 -3 "
    "4\n"
    "view drawing 4\nfocus 3\nactivate 16\nangles -90 12.25\npick-box 0 0 5 5 4 9\nbounds 30 -12.5 "
    "-33.1316094481297 -1e-05 4 "
    "5 800 584 7 2\nprint camera\n"
    "print selection\nexpect status \"zoom 1.10\"\nexpect status-field 3 \"\"\nexpect cursor rotate\n"
    "expect workflow 100 orbit\nexpect handled zoom \"MsgMouseWheel(30,40,-120)\"\n"
    "expect camera \"yaw 0.00 pitch 0.00 zoom 1.0000 pan 0.00 0.00\"\nexpect selection none\n"
    "expect exception \"a \\\"b\\\" \\\\ c\"\nexpect routed MsgKeyPress to overlay\n"
    "expect not-offered MsgKeyPress dragger\n   # indented comment\r\n\tleave\t\r\n";

// Parse(Format(c)) == c for every command of text, and the formatted line is stable.
void ExpectEachCommandReadsBackFromItsLine(const std::string& name, const std::string& text) {
    session::Script script;
    session::ScriptError error;
    ASSERT_TRUE(session::Parse(name, text, script, error)) << error.ToString();
    for (const session::ScriptLine& line : script.lines) {
        const std::string formatted = session::Format(line.command);
        session::Script again;
        ASSERT_TRUE(session::Parse(name, formatted, again, error)) << line.text << " -> " << error.ToString();
        ASSERT_EQ(again.lines.size(), 1u);
        EXPECT_TRUE(again.lines[0].command == line.command) << line.text << " -> " << formatted;
        EXPECT_EQ(session::Format(again.lines[0].command), formatted);
        EXPECT_EQ(session::VerbOf(line.command), line.text.substr(0, line.text.find_first_of(" \t")))
            << line.text;
    }
}

TEST(SessionLanguage, EveryCommandReadsBackFromItsFormatAsTheSameCommand) {
    ExpectEachCommandReadsBackFromItsLine("all.session", EVERY_VERB);

    session::Script script;
    session::ScriptError error;
    ASSERT_TRUE(session::Parse("all.session", EVERY_VERB, script, error));
    ASSERT_EQ(script.lines.size(), 73u);
    EXPECT_EQ(script.lines[0].line, 3);
    EXPECT_EQ(script.lines.back().line, 76);
    EXPECT_EQ(script.lines.back().text, "leave");
    // Words keep what they say: signs, quotes and priorities.
    auto formatted = [&](const std::string& written) {
        for (const session::ScriptLine& line : script.lines) {
            if (line.text == written) {
                return session::Format(line.command);
            }
        }
        return std::string("not read");
    };
    EXPECT_EQ(formatted("add \"\" +20"), "add \"\" 20");
    EXPECT_EQ(formatted("up  middle  -3   +4"), "up middle -3 4");
    EXPECT_EQ(formatted("key \"\\\"\""), "key \"\\\"\"");
    EXPECT_EQ(formatted("key \" \""), "key \" \"");
    EXPECT_EQ(formatted("mode orbit speed"), "mode orbit speed");
    EXPECT_EQ(formatted("expect selection none"), "expect selection none");
    // A touch is written up to its last point that holds anything, and posts the window's 52 values.
    EXPECT_EQ(formatted("touch 1 2 1 10 20 5 2 2 30 40 5 1 0 0 0 0 0"), "touch 1 2 1 10 20 5 2 2 30 40 5 1");
    EXPECT_EQ(formatted("motion -9223372036854775808 9223372036854775807 0 1 -2 +3"),
              "motion -9223372036854775808 9223372036854775807 0 1 -2 3");
    std::array<int, session::TOUCH_VALUES> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<int>(i) - 3;
    }
    const session::Touch touch = session::TouchFrom(values);
    EXPECT_EQ(touch.points[1].id, 4);  // the second point starts at the eighth value
    EXPECT_EQ(touch.points[9].flag, 48);
    EXPECT_EQ(session::TouchValues(touch), values);
    EXPECT_TRUE(script.lines[10].command == session::Command(session::HostCall(session::Remove{"", 2000u})));

    // The bundled sessions and the tests' own are well formed, and each line reads back.
    std::size_t sessions = 0;
    for (const char* folder : {WORKFLOW_BUNDLED_SESSIONS, WORKFLOW_TEST_SESSIONS}) {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() == ".session") {
                std::stringstream text;
                text << std::ifstream(entry.path()).rdbuf();
                ExpectEachCommandReadsBackFromItsLine(entry.path().string(), text.str());
                ++sessions;
            }
        }
    }
    EXPECT_GE(sessions, 4u);

    // A status field is the text between three blanks, as the manager joins the fields it shows.
    EXPECT_EQ(session::StatusField("point 3 4   overlay   x", 1), "overlay");
    EXPECT_EQ(session::StatusField("point 3 4   overlay   x", 2), "x");
    EXPECT_EQ(session::StatusField("point 3 4   overlay   x", 3), "");
    EXPECT_EQ(session::StatusField("", 0), "");
}

TEST(SessionLanguage, NamesTheFileLineAndFaultOfTheFirstMalformedLine) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"jump 10 20", "s.session:2: unknown verb 'jump'"},
        {"dwon left 1 2", "s.session:2: unknown verb 'dwon' (did you mean 'down'?)"},
        {"Expect status x", "s.session:2: unknown verb 'Expect' (did you mean 'expect'?)"},
        {"down left 10", "s.session:2: missing argument: down BUTTON X Y"},
        {"down thumb 10 20", "s.session:2: unknown button 'thumb' (left, middle, right)"},
        {"down lfet 10 20", "s.session:2: unknown button 'lfet' (did you mean 'left'?)"},
        {"move 10 twenty", "s.session:2: y coordinate is not a number: 'twenty'"},
        {"move 10 2147483648",
         "s.session:2: y coordinate out of range (-2147483648 to 2147483647): '2147483648'"},
        {"expect status \"yaw 0", "s.session:2: unterminated quote"},
        {"wheel -40000 1 1", "s.session:2: wheel delta out of range (-32768 to 32767): '-40000'"},
        {"add orbit fast", "s.session:2: expected a priority or 'persistent', got 'fast'"},
        {"add orbit 100 fast", "s.session:2: expected 'persistent', got 'fast'"},
        {"add orbit 99999999999999999999",
         "s.session:2: priority out of range (0 to 4294967295): '99999999999999999999'"},
        {"remove 4294967396", "s.session:2: priority out of range (0 to 4294967295): '4294967396'"},
        {"remove -1", "s.session:2: priority out of range (0 to 4294967295): '-1'"},
        {"persistent 4294967296 on", "s.session:2: priority out of range (0 to 4294967295): '4294967296'"},
        {"cursor -5 grab", "s.session:2: priority out of range (0 to 4294967295): '-5'"},
        {"page 2147483648", "s.session:2: page out of range (-2147483648 to 2147483647): '2147483648'"},
        {"tick 86400001", "s.session:2: tick length out of range (0 to 86400000): '86400001'"},
        {"tick 2147483647", "s.session:2: tick length out of range (0 to 86400000): '2147483647'"},
        {"leave now", "s.session:2: too many arguments: leave"},
        {"view teapot", "s.session:2: unknown view type 'teapot' (shape, drawing, image)"},
        {"view shap", "s.session:2: unknown view type 'shap' (did you mean 'shape'?)"},
        {"view \"tea\xffpot\"", "s.session:2: unknown view type 'tea\\xffpot' (shape, drawing, image)"},
        {"expect colour red",
         "s.session:2: unknown expectation 'colour' (status, status-field, cursor, workflow, handled, "
         "camera, "
         "selection, exception, routed, not-offered)"},
        {"expect stauts red", "s.session:2: unknown expectation 'stauts' (did you mean 'status'?)"},
        {"expect camera yaw 0", "s.session:2: too many words after 'expect camera'"},
        {"expect selection 1 2", "s.session:2: too many words after 'expect selection'"},
        {"expect status-field 4 x", "s.session:2: status field out of range (0 to 3): '4'"},
        {"expect status-field x", "s.session:2: missing argument after 'expect status-field'"},
        {"pick 10 20", "s.session:2: missing argument: pick X Y ID"},
        {"pick 10 20 -1", "s.session:2: instance id out of range (0 to 4294967295): '-1'"},
        {"pick-box 1 2 3", "s.session:2: missing argument: pick-box X0 Y0 X1 Y1 [ID]..."},
        {"pick-box 1 2 3 4 5 0", "s.session:2: instance id out of range (1 to 4294967295): '0'"},
        {"bounds 0 0 1 2 3 4 5",
         "s.session:2: missing argument: bounds YAW PITCH LEFT TOP RIGHT BOTTOM WIDTH "
         "HEIGHT [ID]..."},
        {"bounds 0 nan 1 2 3 4 5 6", "s.session:2: pitch is not a number: 'nan'"},
        {"view shape 17", "s.session:2: view count out of range (1 to 16): '17'"},
        {"focus 0", "s.session:2: view number out of range (1 to 16): '0'"},
        {"angles 30", "s.session:2: missing argument: angles YAW PITCH"},
        {"bounds 0 0 1 2 3 4 5 6x", "s.session:2: height is not a number: '6x'"},
        {"print zoom", "s.session:2: unknown state 'zoom' (camera, selection)"},
        {"print camrea", "s.session:2: unknown state 'camrea' (did you mean 'camera'?)"},
        {"expect routed MsgKeyPress overlay", "s.session:2: missing argument after 'expect routed'"},
        {"expect routed MsgKeyPress at overlay",
         "s.session:2: expected 'to' after the message name, got 'at'"},
        {"expect routed MsgKeyPress \"\x01" + std::string(50, 't') + "\" overlay",
         "s.session:2: expected 'to' after the message name, got '\\x01" + std::string(39, 't') + "...'"},
        {"expect not-offered dragger", "s.session:2: missing argument after 'expect not-offered'"},
        {"expect handled orbit", "s.session:2: missing argument after 'expect handled'"},
        {"select add", "s.session:2: missing argument: instance id"},
        {"trace save", "s.session:2: missing argument: FILE"},
        {"touch 1", "s.session:2: missing argument: touch MESSAGE INPUTS [ID X Y TIME FLAG]..."},
        {"touch 1 2 1 10 20 5", "s.session:2: a touch point takes five numbers (ID X Y TIME FLAG)"},
        {"touch 1 1 1 10 y 5 2", "s.session:2: y coordinate is not a number: 'y'"},
        {"touch 1 11" +
             [] {
                 std::string points;  // eleven points, one more than a touch holds
                 for (int i = 0; i < 11; ++i) {
                     points += " 1 2 3 4 5";
                 }
                 return points;
             }(),
         "s.session:2: too many arguments: touch MESSAGE INPUTS [ID X Y TIME FLAG]..."},
        {"motion 1 2 3 4 5", "s.session:2: missing argument: motion TX TY TZ RX RY RZ"},
        {"motion 1 2 3 4 5 9223372036854775808",
         "s.session:2: motion value out of range (-9223372036854775808 to 9223372036854775807): "
         "'9223372036854775808'"},
    };
    for (const auto& [line, message] : cases) {
        session::Script script;
        session::ScriptError error;
        EXPECT_FALSE(session::Parse("s.session", "view shape\n" + line + "\ntick 10\n", script, error))
            << line;
        EXPECT_EQ(error.ToString(), message);
        EXPECT_TRUE(script.lines.empty());
    }
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
        ASSERT_TRUE(session::Parse("crash.session", text, script, error)) << error.ToString() << text;
        std::vector<std::string> read;
        for (const session::ScriptLine& line : script.lines) {
            std::vector<std::string> words;
            EXPECT_FALSE(session::SplitWords(session::Format(line.command), words));
            read.insert(read.end(), words.begin(), words.end());
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
        at(15, FlightRecord::Motion({-350, 2, 0, 0, 0, 9000000000})),
        at(15, FlightRecord::Touch({1, 2, 1, 10, 20, 5, 2, 2, 30, 40, 5, 1})),
        at(15, FlightRecord::Touch([] {
               std::array<int, 52> values{1, 4};
               values[2 + 5 * 3] = 9;  // a fourth finger's id: more than a record keeps
               return values;
           }())),
        // an hour's pause is shortened, keeping the timers' phase
        at(15 + 3600000 + 30, FlightRecord::Size(800, 600))};
    input.now = 15 + 3600000 + 40;  // a timer message failed after the last record
    EXPECT_EQ(
        session::RecordedLines(input),
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
                                  "motion -350 2 0 0 0 9000000000",
                                  "touch 1 2 1 10 20 5 2 2 30 40 5 1",
                                  "# MsgTouch message 1, 4 inputs, more points than a recorded line keeps",
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
        // A host that hangs fails its test rather than the whole run.
        const std::string command =
            "timeout 60 " + std::string(SESSION_HOST_PATH) + " " + arguments + " 2>" + errPath.string();
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
    const fs::path build = fs::path(SESSION_HOST_PATH).parent_path().parent_path();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"view shape\nload nowhere/\n",
         "error: line 2: workflow plug-in not found: nowhere/ (looked for " + (dir_ / "nowhere/").string() +
             ", " + (build / "nowhere/").string() + ", " + (build / "plugins" / "nowhere/").string() + ")\n"},
        {"view image\nload tests/session-plugins/\nadd dragger\nadd compass\nkey a\n",
         "error: line 4: workflow 'compass' cannot be loaded (couldn't load workflow): no loaded plug-in "
         "makes it for this view\n"},
        {"view shape\nload tests/session-plugins/\nadd draggr\n",
         "error: line 3: workflow 'draggr' cannot be loaded (couldn't load workflow): no loaded plug-in "
         "makes it for this view (did you mean 'dragger'?)\n"},
        {"key a\n", "error: line 1: no view yet: start the session with 'view shape' (or drawing, image)\n"},
        {"view shape 2\nactivate 3\n",
         "error: line 2: there is no view 3: the session has 2 (view KIND COUNT makes more)\n"},
    };
    for (const auto& [text, message] : cases) {
        const Outcome outcome = Run(Write("fails.session", text));
        EXPECT_EQ(outcome.exitCode, 3) << text;
        EXPECT_EQ(outcome.err, message);
    }
    // A session file that is not there, and a command line that cannot be used: one line each.
    const Outcome missing = Run((dir_ / "nowhere.session").string());
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_EQ(missing.err, "error: cannot read the session file " + (dir_ / "nowhere.session").string() +
                               " (give the path of a .session file)\n");
    const Outcome badOption = Run("--recorder-size lots " + Write("plain.session", "view shape\n"));
    EXPECT_EQ(badOption.exitCode, 2);
    EXPECT_EQ(badOption.err.rfind("error: ", 0), 0u) << badOption.err;
    EXPECT_EQ(std::count(badOption.err.begin(), badOption.err.end(), '\n'), 1) << badOption.err;
    EXPECT_EQ(Run("--help").exitCode, 0);

    const Outcome noPlugIn =
        Run("--plugin " + (dir_ / "libnothing.so").string() + " " + Write("plain.session", "view shape\n"));
    EXPECT_EQ(noPlugIn.exitCode, 3);
    EXPECT_EQ(
        noPlugIn.err.rfind("error: cannot load the workflow plug-in " + (dir_ / "libnothing.so").string(), 0),
        0u)
        << noPlugIn.err;
    EXPECT_EQ(std::count(noPlugIn.err.begin(), noPlugIn.err.end(), '\n'), 1);
}

TEST_F(SessionProgram, MalformedOrBadSessionFileRunsNothingAndEndsWithOneShortLineAndExitTwo) {
    std::string everyByte;
    for (int i = 0; i < 256; ++i) {
        everyByte += static_cast<char>(i);
    }
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"view shape\nload tests/session-plugins/\n\ndown thumb 1 2\n",
         ":4: unknown button 'thumb' (left, middle, right)"},
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

TEST_F(SessionProgram, PlugInThatIsNoLibraryLacksEntryPointsOrIsOfAnotherVersionEndsWithOneLineAndExitThree) {
    const std::string session = Write("plain.session", "view shape\n");
    const std::string text = Write("text.so", "not a library\n");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {text, "error: cannot load the workflow plug-in " + text + ": "},
        {dir_.string(), "error: cannot load the workflow plug-in " + dir_.string() + ": "},
        {RZHOST_LIBRARY_PATH, std::string("error: ") + RZHOST_LIBRARY_PATH +
                                  " lacks the plug-in entry points RZDllInit, RZDllCreateComponent and "
                                  "RZDllTerminate"},
        // A library that only links the plug-in finds the entry points through dlsym, yet is no plug-in.
        {SESSION_WORKFLOWS_PATH, std::string("error: ") + SESSION_WORKFLOWS_PATH +
                                     " does not itself define the plug-in entry points"},
        // A plug-in without RZDllGetVersion was built for an older interface than this host's.
        {OLD_PLUGIN_PATH,
         std::string("error: ") + OLD_PLUGIN_PATH +
             " was built for version 0 of the workflow plug-in interface, this host for version "},
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
        ASSERT_EQ(first.exitCode, 1) << first.err;  // the session itself did not expect the failure
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

// In a session of several views, the crash session is the failing view's: it replays that view alone, with
// its own stack, to the same failing step. (The click after "activate" only activates.)
TEST_F(SessionProgram, CrashSessionOfOneOfSeveralViewsReplaysThatViewAlone) {
    const std::string failure =
        "Exception handling workflow message \"MsgMouseInitLeftDrag\" with workflow \"thrower\"";
    std::string drags;
    for (int drag = 0; drag < 3; ++drag) {
        drags += "down left 10 10\nmove 40 10\n" + std::string(drag < 2 ? "up left 40 10\n" : "");
    }
    const Outcome first = Run("--crash-dir " + (dir_ / "crashes").string() + " " +
                              Write("views.session",
                                    "view shape 2\nload tests/session-plugins/\nadd dragger\n"
                                    "focus 2\nadd thrower\nactivate 2\n"
                                    "down left 10 10\nup left 10 10\n" +
                                        drags + "expect exception " + session::SessionWord(failure) + "\n"));
    ASSERT_EQ(first.exitCode, 0) << first.err << first.out;
    std::stringstream crash;
    crash << std::ifstream(dir_ / "crashes" / "crash-1.session").rdbuf();
    EXPECT_NE(crash.str().find("\nview shape\n"), std::string::npos) << crash.str();
    EXPECT_NE(crash.str().find("\nadd thrower"), std::string::npos) << crash.str();
    EXPECT_EQ(crash.str().find("add dragger"), std::string::npos) << crash.str();
    const Outcome replay = Replay(dir_ / "crashes" / "crash-1.session");
    EXPECT_EQ(replay.exitCode, 0) << replay.err << replay.out;
    EXPECT_EQ(FailedStep(replay.out, failure), "move 40 10") << replay.out;
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

TEST_F(SessionProgram, UnderJsonErrorsAreObjectsAndExpectationsSayWhichTheyAre) {
    const fs::path build = fs::path(SESSION_HOST_PATH).parent_path().parent_path();
    auto objects = [](const std::string& text) {
        std::vector<nlohmann::json> read;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            read.push_back(nlohmann::json::parse(line, nullptr, false));
            EXPECT_TRUE(read.back().is_object()) << line;
        }
        return read;
    };
    const std::string malformed = Write("bad.session", "view shape\ndwon left 1 2\n");
    const Outcome bad = Run("--json " + malformed);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(objects(bad.err),
              (std::vector<nlohmann::json>{{{"type", "error"},
                                            {"exit", 2},
                                            {"file", malformed},
                                            {"line", 2},
                                            {"message", "unknown verb 'dwon' (did you mean 'down'?)"}}}));

    const Outcome failed = Run("--json " + Write("expect.session",
                                                 "view shape\nload tests/session-plugins/\nadd dragger\n"
                                                 "expect workflow 100 dragger\nexpect cursor grab\n"));
    EXPECT_EQ(failed.exitCode, 1);
    std::vector<std::string> expectations;
    for (const nlohmann::json& object : objects(failed.out)) {
        if (object.value("type", "") == "expect") {
            expectations.push_back(object.value("expectation", "") +
                                   (object.value("ok", false) ? " ok" : ""));
        }
    }
    EXPECT_EQ(expectations, (std::vector<std::string>{"workflow ok", "cursor"}));
    const std::vector<nlohmann::json> errors = objects(failed.err);
    ASSERT_EQ(errors.size(), 2u) << failed.err;
    EXPECT_EQ(errors[0], (nlohmann::json{{"type", "error"},
                                         {"exit", 1},
                                         {"line", 5},
                                         {"expectation", "cursor"},
                                         {"expected", "grab"},
                                         {"seen", "none"},
                                         {"message", "expected cursor \"grab\", seen \"none\""}}));
    EXPECT_EQ(errors[1],
              (nlohmann::json{{"type", "error"}, {"exit", 1}, {"message", "1 expectation failed"}}));

    const Outcome stopped = Run("--json " + Write("stop.session", "view shape\nload nowhere/\n"));
    EXPECT_EQ(stopped.exitCode, 3);
    EXPECT_EQ(objects(stopped.err),
              (std::vector<nlohmann::json>{
                  {{"type", "error"},
                   {"exit", 3},
                   {"line", 2},
                   {"message", "workflow plug-in not found: nowhere/ (looked for " +
                                   (dir_ / "nowhere/").string() + ", " + (build / "nowhere/").string() +
                                   ", " + (build / "plugins" / "nowhere/").string() + ")"}}}));
    const Outcome option = Run("--json --no-such-option");
    EXPECT_EQ(option.exitCode, 2);
    ASSERT_EQ(objects(option.err).size(), 1u) << option.err;
    EXPECT_EQ(objects(option.err)[0].value("exit", 0), 2);
}

TEST_F(SessionProgram, RouteFilterNamesTheMessagesAndPlainRouteLeavesOutTimerDispatchesNobodyConsumed) {
    const std::string session = Write("timer.session",
                                      "view shape\nload tests/session-plugins/\nadd dragger\nadd "
                                      "overlay\ntick 30\nkey a\nwheel -120 3 4\n");
    const Outcome plain = Run("--route " + session);
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out.find("route MsgTimer"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find("route MsgKeyPress: consumed by overlay\n"), std::string::npos);

    const Outcome narrowed = Run("--route MsgTimer,MsgMouse* " + session);
    ASSERT_EQ(narrowed.exitCode, 0) << narrowed.err;
    EXPECT_EQ(narrowed.out.find("route MsgKeyPress"), std::string::npos) << narrowed.out;
    EXPECT_NE(narrowed.out.find("route MsgMouseWheel: consumed by dragger\n"), std::string::npos);
    EXPECT_NE(narrowed.out.find("5> tick 30\n    route MsgTimer\n"), std::string::npos) << narrowed.out;
}

TEST_F(SessionProgram, TextsThatAreNotUtf8AreWrittenWithEscapesInEveryForm) {
    // The scribbler's handled report, status text and exception text hold bytes that are not UTF-8; so do
    // a word of the session and an expectation.
    const std::string session = Write("bytes.session",
                                      "view shape\nload tests/session-plugins/\nadd scribbler\nkey \xe9\n"
                                      "tick 200\nexpect status \"\xff\"\nkey !\nadd \"\xc3(\"\n");
    for (const std::string flags : {"", "--json ", "--route "}) {
        const Outcome outcome = Run(flags + session);
        EXPECT_EQ(outcome.exitCode, 3) << flags << outcome.err;  // the add of a name nobody makes
        // Under --json the host's error lines are objects with the text as their message (the plug-in
        // writes its own exception line to the error stream as it is).
        std::string errors = outcome.err;
        if (flags == "--json ") {
            errors.clear();
            std::istringstream lines(outcome.err);
            for (std::string line; std::getline(lines, line);) {
                const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
                if (!object.is_object()) {
                    EXPECT_EQ(line.rfind("Exception handling workflow message ", 0), 0u) << line;
                    continue;
                }
                const int at = object.value("line", 0);
                errors += (object.value("exit", 0) == 3 ? "error: " : "") +
                          (at > 0 ? "line " + std::to_string(at) + ": " : "") + object.value("message", "") +
                          "\n";
            }
        }
        for (const char* error :
             {"line 6: expected status \"\\xff\", seen \"status \\x80\\xed\\xa0\\x80 end\"\n",
              "line 7: unexpected exception ",
              "error: line 8: workflow '\\xc3(' cannot be loaded (couldn't load workflow): no loaded plug-in "
              "makes it for this view\n"}) {
            EXPECT_NE(errors.find(error), std::string::npos) << flags << outcome.err;
        }
        if (flags == "--json ") {
            EXPECT_NE(outcome.out.find(R"("message":"bad \\xff\\xfe\\xe9 \\xc3(")"), std::string::npos)
                << outcome.out;
            std::istringstream lines(outcome.out);
            for (std::string line; std::getline(lines, line);) {
                EXPECT_TRUE(nlohmann::json::parse(line, nullptr, false).is_object()) << line;
            }
        } else {
            EXPECT_NE(outcome.out.find("    scribbler handled bad \\xff\\xfe\\xe9 \\xc3(\n"),
                      std::string::npos)
                << outcome.out;
            EXPECT_NE(outcome.out.find("    status \"status \\x80\\xed\\xa0\\x80 end\"\n"), std::string::npos)
                << outcome.out;
        }
        if (flags == "--route ") {
            EXPECT_NE(outcome.out.find("route | offered to scribbler at 300: threw \"thrown \\xff\"\n"),
                      std::string::npos)
                << outcome.out;
        }
    }
}

TEST_F(SessionProgram, PlugInsThatMisbehaveEndTheSessionWithOneLineAndExitThree) {
    fs::create_directories(dir_ / "mixed");
    fs::copy_file(SESSION_WORKFLOWS_PATH, dir_ / "mixed" / "libgood.so");
    Write("mixed/libbroken.so", "not a library\n");
    const std::string big = Write("big.trace", "x\n");
    fs::resize_file(big, (64u << 20) + 1);
    const std::string start = "view shape\nload tests/session-plugins/\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {start + "add breaker\ntick 10\nkey a\n",
         "error: line 3: the workflow plug-in's module thread has ended (a failure on it ends it; see the "
         "runtime lines above): nothing more can run\n"},
        {start + "add impostor\n",
         "error: line 3: workflow 'impostor' was not installed: "
         "what the loaded plug-ins make under that name is no workflow\n"},
        {start + "add quitter\nkey q\nexpect status never\n",
         "error: line 4: the program was ended from within the plug-in before the session's end\n"},
        {"view shape\nload " + (dir_ / "mixed").string() + "\n",
         "error: line 2: a workflow plug-in in " + (dir_ / "mixed").string() +
             " cannot be loaded: " + (dir_ / "mixed" / "libbroken.so").string()},
        {start + "add dragger\nreplay dragger /dev/zero\n",
         "error: line 4: cannot read the trace file /dev/zero\n"},
        {start + "add dragger\nreplay dragger " + big + "\n",
         "error: line 4: trace file too large: " + big + " (67108865 bytes, at most 67108864)\n"},
    };
    for (const auto& [text, message] : cases) {
        const Outcome outcome = Run(Write("misbehaves.session", text));
        EXPECT_EQ(outcome.exitCode, 3) << text << outcome.err;
        EXPECT_EQ(outcome.err.substr(0, message.size()), message) << text;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
}

TEST_F(SessionProgram, HandlerExceptionFailsTheSessionUnlessExpectedAndTicksFireEveryTimer) {
    const std::string drags =
        "view shape\nload tests/session-plugins/\nadd thrower\nadd ticker\ndown left 1 1\nmove 9 1\nup left "
        "9 1\n"
        "down left 1 1\nmove 9 1\nup left 9 1\ndown left 1 1\nmove 9 1\n";
    // Every timer a long tick makes due fires; the first timer message only starts the window observer's
    // clock.
    const Outcome unexpected =
        Run(Write("unexpected.session", drags + "up left 9 1\ntick 1000000\nkey t\n"
                                                "expect handled ticker \"timers 99999\"\n"));
    EXPECT_EQ(unexpected.exitCode, 1) << unexpected.err;
    EXPECT_NE(unexpected.err.find("line 12: unexpected exception \"Exception handling workflow message "
                                  "\\\"MsgMouseInitLeftDrag\\\" "
                                  "with workflow \\\"thrower\\\"\"\n1 unexpected exception\n"),
              std::string::npos)
        << unexpected.err;
    EXPECT_NE(
        unexpected.out.find("    FAILED: unexpected exception (an 'expect exception' line after line 12 "
                            "would expect it)\n13> up left 9 1\n"),
        std::string::npos)
        << unexpected.out;

    const Outcome expected =
        Run(Write("expected.session", drags + "expect exception \"Exception handling "
                                              "workflow message \\\"MsgMouseInitLeftDrag\\\" "
                                              "with workflow \\\"thrower\\\"\"\n"));
    EXPECT_EQ(expected.exitCode, 0) << expected.err << expected.out;
}

}  // namespace
