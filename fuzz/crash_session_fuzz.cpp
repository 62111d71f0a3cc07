// The flight recorder's snapshot writer: whatever a snapshot holds (records of any kind with any values,
// names with quotes, line breaks and control bytes), the written session must read back as a well-formed
// session.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CrashSession.h"
#include "Parse.h"
#include "support/FuzzInput.h"

namespace {

// A record of any kind with any values and names: small numbers mostly, so that the writer's replay path
// is reached, not only its comments.
workflow::FlightRecord Record(fuzz::FuzzInput& input, std::int64_t& time) {
    workflow::FlightRecord record;
    record.kind = static_cast<workflow::FlightRecord::Kind>(
        input.Below(static_cast<std::size_t>(workflow::FlightRecord::Kind::Persisted) + 1));
    time += input.Below(4) == 0 ? input.Number() : input.Below(30);
    record.time = time;
    auto value = [&] {
        return input.Flag() ? static_cast<int>(input.Number()) : static_cast<int>(input.Below(5));
    };
    record.a = value();
    record.b = value();
    record.c = value();
    record.flag = input.Flag();
    record.priority = input.Flag() ? input.Number() : 0;
    record.serial = input.Word();
    const std::string text = input.Text(workflow::FlightRecord::KEY_TEXT);
    std::copy(text.begin(), text.end(), record.text);
    record.textLength = static_cast<std::uint8_t>(text.size());
    record.textCut = input.Flag();
    if (input.Flag()) {
        record.first = du::Symbol(input.Text(20));
    }
    if (input.Flag()) {
        record.second = du::Symbol(input.Text(20));
    }
    // A motion's values or a touch's points, whichever the kind writes.
    if (record.kind == workflow::FlightRecord::Kind::Motion) {
        for (std::int64_t& v : record.motion) {
            v = input.Flag()
                    ? static_cast<std::int64_t>((std::uint64_t{input.Number()} << 32) | input.Number())
                    : value();
        }
    } else {
        for (int& v : record.touch) {
            v = value();
        }
    }
    return record;
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
    snapshot.exceptionText = input.Text(80);
    snapshot.input.recording = input.Flag();
    std::int64_t time = snapshot.input.origin = input.Below(100);
    for (std::size_t n = input.Below(4); n > 0; --n) {
        setup.picks[{static_cast<int>(input.Number()), static_cast<int>(input.Number())}] = input.Number();
    }
    while (!input.Done()) {
        snapshot.input.records.push_back(Record(input, time));
    }
    snapshot.input.now = time + input.Below(100);

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
