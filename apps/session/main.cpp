// workflow-session: runs a session file against the workflow plug-in, as a viewer would drive it.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>

#include "Installed.h"
#include "SessionHost.h"

int main(int argc, char** argv) {
    CLI::App app("Runs an interaction session through the workflow plug-in and prints what happens.");
    std::string sessionPath = WORKFLOW_SESSION_DEMO;
    session::Options options;
    options.pluginPath = apps::BesideProgram(WORKFLOW_SESSION_PLUGIN);
    options.buildDir = WORKFLOW_SESSION_BUILD_DIR;
    app.add_option("session", sessionPath, "Session file to run (default: the bundled demo)");
    app.add_option("--plugin", options.pluginPath, "The workflow plug-in library to load")
        ->capture_default_str();
    app.add_flag("--json", options.json, "Print the transcript as JSON lines");
    app.add_option("--crash-dir", options.crashDir,
                   "Write each workflow handler failure to this folder as a session that replays it");
    app.add_option("--recorder-size", options.recorderSize,
                   "How many input events the flight recorder keeps for a crash session")
        ->capture_default_str()
        ->check(CLI::Range(0, 65536));
    std::string routeFilter;
    app.add_option("--route", routeFilter,
                   "Print which way every dispatched message went; with a list (MsgKeyPress,MsgMouse*) only "
                   "the dispatches of those messages")
        ->expected(0, 1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            return app.exit(error);  // --help
        }
        // The flag may come after the fault, so it is looked for in the words themselves.
        const bool json = std::any_of(argv + 1, argv + argc,
                                      [](const char* word) { return std::string(word) == "--json"; });
        session::WriteCommandLineError(std::cerr, json, error.what());
        return session::EXIT_MALFORMED;
    }
    if (app.count("--route") > 0) {
        options.route = true;
        // "--route my.session" names the session, not messages: message names hold no dot or slash.
        if (routeFilter.find_first_of("./") != std::string::npos && app.count("session") == 0) {
            sessionPath = routeFilter;
            routeFilter.clear();
        }
        options.routeFilter = routeFilter;
    }
    return session::RunSessionFile(sessionPath, options, std::cout, std::cerr);
}
