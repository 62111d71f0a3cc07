#include "SessionHost.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "CrashSession.h"
#include "Drive.h"
#include "Format.h"
#include "Parse.h"
#include "PlugIn.h"
#include "SafeText.h"
#include "SessionRouting.h"
#include "ViewState.h"
#include "dom/ManagedObject.h"
#include "dom/MessageQueue.h"
#include "dom/Observer.h"
#include "dom/ProxyObject.h"
#include "dom/Settle.h"
#include "dp/RZTracer.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "du/TextData.h"
#include "manager/ManagerDiagnostics.h"
#include "manager/TraceData.h"
#include "rzk/NotificationObserver.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "rzk/WorkflowManager.h"
#include "rzk/WorkflowManagerObserver.h"
#include "rzk/WorkflowModule.h"
#include "rzloader/Loader.h"

namespace session {
namespace {

using Json = nlohmann::ordered_json;

// A stop of the session with a one-line reason (exit code EXIT_FAILED).
struct SessionFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Something that happened, in both of its written forms.
struct Report {
    Json fields;
    std::string text;
};

std::string Quoted(const std::string& text) {
    return SafeQuoted(text);
}

// One error line on the error stream: prefix and message, or under --json an object of type "error" with
// fields and the message.
void WriteErrorLine(std::ostream& err, bool json, Json fields, const std::string& message,
                    const std::string& prefix) {
    if (json) {
        Json object = {{"type", "error"}};
        object.update(fields);
        object["message"] = message;
        MakeJsonSafe(object);
        err << object.dump() << "\n";
    } else {
        err << SafeText(prefix + message) << "\n";
    }
}

// A window's cursor: "none" when it shows its own (unset), "default" for the empty name.
std::string CursorName(const du::Symbol& cursor) {
    return !cursor.IsSet() ? "none" : cursor == du::Symbol::EMPTY ? "default" : cursor.ToString();
}

std::string NameOrNone(const du::Symbol& symbol) {
    return symbol.IsSet() && symbol != du::Symbol::EMPTY ? symbol.ToString() : "none";
}

// What the plug-in reports from its thread, kept in arrival order until the host thread writes it out.
class ReportLog {
public:
    // Whether reports carry their JSON fields: a text transcript needs only the text, and the fields of the
    // frequent reports are not built for it. Set before the plug-in starts.
    bool json = true;

    void Add(Json fields, std::string text) {
        std::lock_guard lock(lock_);
        reports_.push_back({std::move(fields), std::move(text)});
    }
    std::vector<Report> Take() {
        std::lock_guard lock(lock_);
        return std::exchange(reports_, {});
    }

    // What a line caused, closed on the plug-in's thread once the line has run there.
    struct Checkpoint {
        std::vector<Report> reports;
        std::vector<workflow::CrashSnapshot> snapshots;
    };
    void AddCheckpoint(Checkpoint checkpoint) {
        std::lock_guard lock(lock_);
        checkpoints_.push_back(std::move(checkpoint));
    }
    // The checkpoints closed since the last call, oldest first.
    std::vector<Checkpoint> TakeCheckpoints() {
        std::lock_guard lock(lock_);
        return std::exchange(checkpoints_, {});
    }

    void NoteHandled(const std::string& workflow, const std::string& message) {
        std::lock_guard lock(lock_);
        lastHandled_[workflow] = message;
        ++handledCount_;
    }
    std::string LastHandled(const std::string& workflow) const {
        std::lock_guard lock(lock_);
        auto found = lastHandled_.find(workflow);
        return found == lastHandled_.end() ? std::string() : found->second;
    }
    std::size_t HandledCount() const {
        std::lock_guard lock(lock_);
        return handledCount_;
    }

    void NoteInstalled() {
        std::lock_guard lock(lock_);
        ++installed_;
    }
    // Every report of a change of the stack, successful or not, since the last call.
    void NoteChange() {
        std::lock_guard lock(lock_);
        ++changes_;
    }
    std::size_t TakeChangeCount() {
        std::lock_guard lock(lock_);
        return std::exchange(changes_, 0);
    }
    std::size_t InstalledCount() const {
        std::lock_guard lock(lock_);
        return installed_;
    }

    void NoteTrace(const std::string& source, const std::string& line) {
        std::lock_guard lock(lock_);
        trace_.emplace_back(source, line);
    }
    std::vector<std::pair<std::string, std::string>> TraceLines() const {
        std::lock_guard lock(lock_);
        return trace_;
    }
    void ClearTrace() {
        std::lock_guard lock(lock_);
        trace_.clear();
    }

    void NoteFailure(const std::string& name, const std::string& message) {
        std::lock_guard lock(lock_);
        failures_.emplace_back(name, message);
    }
    std::vector<std::pair<std::string, std::string>> TakeFailures() {
        std::lock_guard lock(lock_);
        return std::exchange(failures_, {});
    }

    // A failure of the host's own observers, kept for the host thread (the first one).
    void NoteFault(const std::string& what) noexcept {
        try {
            std::lock_guard lock(lock_);
            if (fault_.empty()) {
                fault_ = what;
            }
        } catch (...) {
            // only an allocation can fail here, and the fault is then lost with it
        }
    }
    std::string TakeFault() {
        std::lock_guard lock(lock_);
        return std::exchange(fault_, {});
    }

private:
    mutable std::mutex lock_;
    std::vector<Report> reports_;
    std::vector<Checkpoint> checkpoints_;
    std::map<std::string, std::string> lastHandled_;
    std::size_t handledCount_ = 0;
    std::size_t installed_ = 0;
    std::size_t changes_ = 0;
    std::vector<std::pair<std::string, std::string>> trace_;
    std::vector<std::pair<std::string, std::string>> failures_;
    std::string fault_;
};

// Runs a callback of a host observer. It is called inside the plug-in's dispatch, so whatever goes wrong
// is kept for the host thread rather than thrown into the dispatch.
template <class Callback>
void Guarded(ReportLog& log, const char* observer, Callback&& callback) noexcept {
    try {
        callback();
    } catch (const std::exception& error) {
        log.NoteFault(std::string("the host's ") + observer + " failed: " + error.what());
    } catch (...) {
        log.NoteFault(std::string("the host's ") + observer + " failed");
    }
}

// The host's observer of the manager. Actors travel to the manager as handles; having no proxy factory,
// these are handed over as themselves and called on the plug-in's thread, hence the locked log.
class ManagerReports : public rzk::WorkflowManagerObserver {
public:
    explicit ManagerReports(ReportLog& log) : log_(log) {}

    void OnRegistered() override {
        Guarded(log_, "manager observer", [&] {
            log_.Add({{"type", "observer"}, {"event", "registered"}}, "observer registered");
        });
    }
    void OnWorkflowChange(const du::Symbol& oldName, const du::Symbol& newName, unsigned int priority,
                          bool success, const du::Symbol& message) override {
        Guarded(log_, "manager observer",
                [&] { ReportChange(oldName, newName, priority, success, message); });
    }
    void OnManagerDestroyed() override {
        Guarded(log_, "manager observer", [&] {
            log_.Add({{"type", "observer"}, {"event", "destroyed"}}, "observer manager destroyed");
        });
    }

private:
    void ReportChange(const du::Symbol& oldName, const du::Symbol& newName, unsigned int priority,
                      bool success, const du::Symbol& message) {
        log_.NoteChange();
        const std::string before = NameOrNone(oldName);
        const std::string after = NameOrNone(newName);
        Json fields = {{"type", "observer"},
                       {"event", "change"},
                       {"old", before},
                       {"new", after},
                       {"priority", priority},
                       {"success", success},
                       {"message", message.IsSet() ? message.ToString() : std::string()}};
        std::string text;
        if (!success) {
            text = "observer failed: " + message.ToString() + " (" + after + " at " +
                   std::to_string(priority) + ")";
            log_.NoteFailure(after, message.ToString());
        } else if (before == "none") {
            text = "observer " + after + " installed at " + std::to_string(priority);
            log_.NoteInstalled();
        } else if (after == "none") {
            text = "observer " + before + " removed from " + std::to_string(priority);
        } else {
            text = "observer " + after + " replaces " + before + " at " + std::to_string(priority);
            log_.NoteInstalled();
        }
        log_.Add(std::move(fields), std::move(text));
    }

    ReportLog& log_;
};

// The host's receiver of notifications: "handled" reports of the workflows, "trace" lines, and the rest.
class NotificationReports : public rzk::NotificationObserver {
public:
    explicit NotificationReports(ReportLog& log) : log_(log) {}

    void OnRegistered() override {
        Guarded(log_, "notification observer", [&] {
            log_.Add({{"type", "observer"}, {"event", "notifications registered"}},
                     "notifications registered");
        });
    }
    void OnNotification(const du::Symbol& source, const du::Symbol& notification, int value,
                        const du::SmartPtr<du::RefCounted>& data) override {
        Guarded(log_, "notification observer",
                [&] { ReportNotification(source, notification, value, data); });
    }

private:
    void ReportNotification(const du::Symbol& source, const du::Symbol& notification, int value,
                            const du::SmartPtr<du::RefCounted>& data) {
        const std::string from = source.IsSet() ? source.ToString() : std::string();
        const std::string name = notification.IsSet() ? notification.ToString() : std::string();
        std::string text;
        if (const auto* textData = dynamic_cast<const du::TextData*>(data.Get())) {
            text = textData->GetText();
        } else if (const auto* traceData = dynamic_cast<const workflow::TraceData*>(data.Get())) {
            text = traceData->GetText().ToString();
        }
        if (name == "handled") {
            log_.NoteHandled(from, text);
            log_.Add(log_.json ? Json{{"type", "handled"}, {"workflow", from}, {"message", text}} : Json(),
                     from + " handled " + text);
        } else if (name == "trace") {
            log_.NoteTrace(from, text);
            log_.Add({{"type", "trace"}, {"workflow", from}, {"line", text}}, "trace " + from + " " + text);
        } else {
            log_.Add({{"type", "notification"},
                      {"workflow", from},
                      {"notification", name},
                      {"value", value},
                      {"text", text}},
                     "notification " + from + " " + name + " " + std::to_string(value) +
                         (text.empty() ? "" : " " + Quoted(text)));
        }
    }

    ReportLog& log_;
};

// An actor on the plug-in's queue that runs tasks of the host thread there.
//
// Posted tasks run one after the other, each once everything the one before it posted to the queue has run
// (a message of the probe's own follows each task): the effect of a session line is complete before the
// next line starts, as if the host had waited for it, yet the host waits for nothing. The host only adds to
// the list; while a chain runs, no message of the host's reaches the queue, so a task that runs the queue's
// rounds itself (a tick) sees only what the plug-in sent.
class QueueProbe : public dom::ManagedObject {
public:
    explicit QueueProbe(du::SmartPtr<dom::GenericMessageQueue> queue) : queue_(std::move(queue)) {}

    void HandleMessage(const dom::MessagePtr& message) override {
        if (message->GetTag() == NEXT) {
            RunNext();
            return;
        }
        // Handled without a reply, which releases the sender.
        ran_ = true;
        if (task_) {
            task_();
        }
    }

    // Runs task on the queue's thread after the tasks posted before it and everything they caused, without
    // waiting for it, and then after, once everything task caused has run too. Host thread only.
    void Post(std::function<void()> task, std::function<void()> after = nullptr) {
        bool start = false;
        {
            std::lock_guard lock(lock_);
            posted_.push_back({std::move(task), std::move(after)});
            start = std::exchange(idle_, false);
        }
        if (start) {
            DeliverMessage(StartNewMessage(NEXT).FinaliseMessage());
        }
    }

    // Waits until the tasks posted so far have run, with everything they caused; false when the queue's
    // thread ended first. A blocking call would not do: a task that runs the queue's rounds would run it
    // in the middle of its own work. Host thread only.
    bool WaitForPosted() {
        const std::uint64_t target = ++requested_;
        Post([this] {
            {
                std::lock_guard lock(lock_);
                ++finished_;
            }
            finishedChanged_.notify_all();
        });
        std::unique_lock lock(lock_);
        while (finished_ < target) {
            // A thread that ended runs no more tasks; its queue says so when it shuts down.
            if (queue_->IsShutDown()) {
                return false;
            }
            finishedChanged_.wait_for(lock, std::chrono::milliseconds(20));
        }
        return true;
    }

    // Runs task (if any) on the queue's thread once everything queued before it has run, and waits for it;
    // false when the queue's thread has ended and nothing ran. Not while posted tasks run (see
    // WaitForPosted). Host thread only, one task at a time; the blocking call orders the task's effects
    // before the return, and every blocking call has an end: a queue that shuts down returns it.
    bool RunOnQueue(std::function<void()> task) {
        task_ = std::move(task);
        ran_ = false;
        dom::MessageWriter writer = StartNewMessage(WAITED);
        writer.MarkNeedsReplyFlag();
        DeliverMessage(writer.FinaliseMessage());
        task_ = nullptr;
        return ran_;
    }

private:
    static constexpr std::int16_t WAITED = 0;
    static constexpr std::int16_t NEXT = 1;

    // Runs what is to follow the last task, then the oldest posted task, and queues the message that runs
    // the next step behind whatever the task posted; or ends the chain when nothing is left.
    void RunNext() {
        if (after_) {
            std::exchange(after_, nullptr)();
        }
        Posted next;
        {
            std::lock_guard lock(lock_);
            if (posted_.empty()) {
                idle_ = true;
                return;
            }
            next = std::move(posted_.front());
            posted_.pop_front();
        }
        next.task();
        after_ = std::move(next.after);
        DeliverMessage(StartNewMessage(NEXT).FinaliseMessage());
    }

    du::SmartPtr<dom::GenericMessageQueue> queue_;
    // Set and read by the host thread around a blocking call, and by the queue's thread within it.
    std::function<void()> task_;
    bool ran_ = false;
    std::mutex lock_;
    struct Posted {
        std::function<void()> task;
        std::function<void()> after;
    };
    std::deque<Posted> posted_;
    std::function<void()> after_;  // the queue's thread's: what follows the task that ran last
    bool idle_ = true;             // no message of the chain is queued or running
    std::uint64_t requested_ = 0;  // host thread only
    std::uint64_t finished_ = 0;
    std::condition_variable finishedChanged_;
};

constexpr const char* THREAD_ENDED =
    "the workflow plug-in's module thread has ended (a failure on it ends it; see the runtime lines above): "
    "nothing more can run";

// A session is a page of commands, a trace file a few thousand lines; a file many times that size is
// neither, and is not read whole.
constexpr std::uintmax_t MAX_SESSION_BYTES = 64u << 20;

// The expectation as an error line names it: its kind and what it is about.
std::string ExpectationLabel(const Expect& expect) {
    std::string label = ExpectationName(expect.what);
    switch (expect.what) {
        case Expectation::StatusField:
        case Expectation::Workflow:
            return label + " " + std::to_string(expect.number);
        case Expectation::Handled:
        case Expectation::Routed:
            return label + " " + expect.subject;
        case Expectation::NotOffered:
            return label + " " + expect.subject + " " + expect.text;
        default:
            return label;
    }
}

// A plug-in that ends the program (exit, quick_exit) ends it before the session could: the guard, armed
// while a session runs, says so and turns the exit status into a failure, whatever status it was given.
struct ExitGuard {
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    bool json = false;
    std::atomic<int> line{0};
    std::atomic<bool> armed{false};
};
ExitGuard exitGuard;

void OnEarlyExit() {
    if (!exitGuard.armed.exchange(false)) {
        return;
    }
    exitGuard.out->flush();
    const int line = exitGuard.line.load();
    WriteErrorLine(*exitGuard.err, exitGuard.json, {{"exit", EXIT_FAILED}, {"line", line}},
                   "the program was ended from within the plug-in before the session's end",
                   "error: line " + std::to_string(line) + ": ");
    exitGuard.err->flush();
    std::_Exit(EXIT_FAILED);
}

// Registered anew with each arming, once the plug-in is loaded: exit runs the latest registrations first,
// so the guard speaks before the destructors of the plug-in's statics run under its working thread.
void ArmExitGuard(std::ostream& out, std::ostream& err, bool json) {
    std::atexit(OnEarlyExit);
    std::at_quick_exit(OnEarlyExit);
    exitGuard.out = &out;
    exitGuard.err = &err;
    exitGuard.json = json;
    exitGuard.line = 0;
    exitGuard.armed = true;
}

}  // namespace

class SessionHost::Impl {
public:
    Impl(Options options, std::ostream& out, std::ostream& err)
        : options_(std::move(options)), out_(out), err_(err) {
        log_.json = options_.json;
    }

    ~Impl() {
        try {
            Stop();
        } catch (...) {
            // nothing is left to report to at this point
        }
    }

    int Run(const Script& script, const std::string& sessionDir) {
        sessionDir_ = sessionDir;
        routingWanted_ = options_.route || AsksForRouting(script);
        struct Disarm {
            ~Disarm() { exitGuard.armed = false; }
        } disarm;
        script_ = &script;
        int failedExpectations = 0;
        try {
            Start();
            ArmExitGuard(out_, err_, options_.json);
            for (std::size_t index = 0; index < script.lines.size(); ++index) {
                const ScriptLine& command = script.lines[index];
                const bool pipelined = IsPipelined(command.command) &&
                                       (manager_ || std::holds_alternative<session::Tick>(command.command));
                if (!pipelined || pending_.size() >= MAX_PENDING_LINES) {
                    Drain(true);
                }
                line_ = command.line;
                if (const auto* expect = std::get_if<session::Expect>(&command.command)) {
                    WriteEcho(command);
                    failedExpectations += Check(command.line, *expect) ? 0 : 1;
                    continue;
                }
                if (!pipelined) {
                    WriteEcho(command);
                    exitGuard.line = line_;
                }
                const auto begin = std::chrono::steady_clock::now();
                // The line's reports are closed behind it on the plug-in's thread; the line after it is the
                // one an early exit happens in from then on.
                const int next = index + 1 < script.lines.size() ? script.lines[index + 1].line : line_;
                auto checkpoint = [this, next] {
                    log_.AddCheckpoint({CollectReports(), TakeCrashSnapshots()});
                    exitGuard.line = next;
                };
                if (pipelined) {
                    probe_->Post([this, &command] { RunInput(command.command); }, checkpoint);
                } else {
                    Execute(command.command);
                    probe_->Post(checkpoint);
                }
                pending_.push_back({index, !pipelined});
                eventTime_ += std::chrono::steady_clock::now() - begin;
                ++events_;
                if (!pipelined) {
                    Drain(true);
                } else if (pending_.size() % DRAIN_EVERY == 0) {
                    Drain(false);
                }
            }
            Drain(true);
            Stop();
            WriteReports();
        } catch (const SessionFailure& failure) {
            return Fail(failure.what());
        } catch (const std::exception& error) {
            return Fail(std::string("unexpected failure: ") + error.what());
        }
        WriteSummary();
        if (failedExpectations > 0) {
            WriteError({{"exit", EXIT_EXPECTATION_FAILED}},
                       std::to_string(failedExpectations) + " expectation" +
                           (failedExpectations == 1 ? "" : "s") + " failed");
        }
        if (unexpectedExceptions_ > 0) {
            WriteError({{"exit", EXIT_EXPECTATION_FAILED}}, std::to_string(unexpectedExceptions_) +
                                                                " unexpected exception" +
                                                                (unexpectedExceptions_ == 1 ? "" : "s"));
        }
        return failedExpectations + unexpectedExceptions_ > 0 ? EXIT_EXPECTATION_FAILED : EXIT_OK;
    }

private:
    // --- Lines in flight. Window input and ticks are posted to the plug-in's thread without waiting for
    // them: a wait per line would cost two thread switches, and a busy machine turns each into a scheduler
    // delay. Each line is followed by a checkpoint that closes its reports there, and the transcript is
    // written from the checkpoints in line order, so it reads as if each line had been waited for. Any
    // other line, and every expectation, first waits for the lines in flight.
    static constexpr std::size_t MAX_PENDING_LINES = 4096;
    static constexpr std::size_t DRAIN_EVERY = 64;

    struct PendingLine {
        std::size_t index;  // in the script
        bool echoed;        // a line that was waited for is echoed before it runs
    };

    // Window input before the first view goes the waiting way, which stops the session with its error.
    static bool IsPipelined(const Command& command) {
        return std::holds_alternative<session::Tick>(command) || std::holds_alternative<WindowInput>(command);
    }

    void WriteEcho(const ScriptLine& command) {
        if (!options_.json) {
            out_ << command.line << "> " << SafeText(command.text) << "\n";
            return;
        }
        Write({{"type", "event"}, {"line", command.line}, {"text", command.text}},
              std::to_string(command.line) + "> " + command.text);
    }

    // Writes the lines in flight whose checkpoints have closed; with wait, all of them, once the plug-in's
    // thread has run everything posted so far. A checkpoint that never closes names the line the plug-in's
    // thread ended in.
    void Drain(bool wait) {
        if (pending_.empty()) {
            return;
        }
        if (wait) {
            const auto begin = std::chrono::steady_clock::now();
            probe_->WaitForPosted();
            eventTime_ += std::chrono::steady_clock::now() - begin;
        }
        std::vector<ReportLog::Checkpoint> closed = log_.TakeCheckpoints();
        std::size_t done = 0;
        for (ReportLog::Checkpoint& checkpoint : closed) {
            WriteLine(pending_[done++], checkpoint);
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
        if (wait && !pending_.empty()) {
            const PendingLine first = pending_.front();
            pending_.clear();
            line_ = script_->lines[first.index].line;
            if (!first.echoed) {
                WriteEcho(script_->lines[first.index]);
            }
            throw SessionFailure(THREAD_ENDED);
        }
    }

    void WriteLine(const PendingLine& pending, ReportLog::Checkpoint& checkpoint) {
        const ScriptLine& command = script_->lines[pending.index];
        line_ = command.line;
        if (!pending.echoed) {
            WriteEcho(command);
        }
        for (Report& report : checkpoint.reports) {
            Write(std::move(report.fields), report.text);
        }
        CheckFaults();
        settledSnapshots_ = std::move(checkpoint.snapshots);
        stepExceptions_.clear();
        CollectCrashes();
        CheckFailures(command.command);
        unexpectedExceptions_ += UnexpectedExceptions(*script_, pending.index);
    }

    int Fail(const std::string& what) {
        try {
            Stop();
        } catch (...) {
            // the failure below is the one to report
        }
        WriteReports();
        Json fields = {{"exit", EXIT_FAILED}};
        if (line_ > 0) {
            fields["line"] = line_;
        }
        WriteError(std::move(fields), what,
                   "error: " + (line_ > 0 ? "line " + std::to_string(line_) + ": " : ""));
        return EXIT_FAILED;
    }

    // One error line on the error stream; under --json an object of type "error" with fields, and the
    // line's text as "message".
    void WriteError(Json fields, const std::string& message, const std::string& prefix = "") {
        WriteErrorLine(err_, options_.json, std::move(fields), message, prefix);
    }

    void Start() {
        // The runtime's own trace lines (a failure on the plug-in's thread, its shutdown) join the
        // transcript.
        previousSink_ = dp::SetTraceSink([this](const dp::TraceRecord& record) {
            Guarded(log_, "trace sink", [&] {
                std::string text = record.text;
                while (!text.empty() && text.back() == '\n') {
                    text.pop_back();
                }
                log_.Add(
                    {{"type", "runtime"}, {"source", record.category + "/" + record.name}, {"text", text}},
                    "runtime " + record.category + "/" + record.name + ": " + text);
            });
        });
        sinkInstalled_ = true;
        if (auto error = plugIn_.Open(options_.pluginPath)) {
            throw SessionFailure(*error);
        }
        loader_ = new rzloader::Loader;
        rzloader::Loader::SetLoader(loader_);
        // The module thread makes its queue while RZDllInit runs: on the manual clock, that queue's time
        // moves only when the session says "tick".
        bool started = false;
        {
            dom::ManualClockForNewQueues manual;
            started = plugIn_.init();
            queue_ = manual.Queue();
        }
        if (!started || !queue_) {
            throw SessionFailure("the workflow plug-in did not start its module thread");
        }
        started_ = true;
        probe_ = new QueueProbe(queue_);
        probe_->ManageSelf(queue_, du::Symbol(), 0);
    }

    void StopManager() {
        SaveFocused();
        diagnostics_ = nullptr;
        manager_ = nullptr;
        bool destroyed = false;
        for (ViewParts& parts : views_) {
            if (parts.manager) {
                parts.manager->Destroy();
                destroyed = true;
            }
        }
        views_.clear();
        focused_ = 0;
        if (destroyed) {
            Settle();
        }
    }

    void Stop() {
        std::exception_ptr failure;
        if (started_) {
            started_ = false;
            try {
                StopManager();
            } catch (...) {
                failure = std::current_exception();  // the plug-in is shut down all the same
            }
            manager_ = nullptr;
            module_ = nullptr;
            plugIn_.terminate();
            probe_ = nullptr;
            queue_ = nullptr;
        }
        rzloader::Loader::SetLoader(nullptr);
        if (sinkInstalled_) {
            dp::SetTraceSink(std::move(previousSink_));
            sinkInstalled_ = false;
        }
        if (failure) {
            std::rethrow_exception(failure);
        }
    }

    // Returns once the plug-in's thread has run everything the host asked of it so far.
    void Settle() { OnQueue(nullptr); }

    // A handler failure of the line at index fails the session unless an "expect exception" follows it.
    int UnexpectedExceptions(const Script& script, std::size_t index) {
        if (stepExceptions_.empty()) {
            return 0;
        }
        for (std::size_t next = index + 1; next < script.lines.size(); ++next) {
            const auto* expect = std::get_if<session::Expect>(&script.lines[next].command);
            if (!expect) {
                break;
            }
            if (expect->what == Expectation::Exception) {
                return 0;
            }
        }
        const int line = script.lines[index].line;
        Write({{"type", "unexpected"}, {"line", line}, {"exceptions", stepExceptions_}},
              "FAILED: unexpected exception (an 'expect exception' line after line " + std::to_string(line) +
                  " would expect it)");
        WriteError(
            {{"exit", EXIT_EXPECTATION_FAILED}, {"line", line}, {"exception", stepExceptions_.front()}},
            "unexpected exception " + Quoted(stepExceptions_.front()), "line " + std::to_string(line) + ": ");
        return static_cast<int>(stepExceptions_.size());
    }

    // A failure of the host's own observers stops the session: the transcript would be missing lines.
    void CheckFaults() {
        std::string fault = log_.TakeFault();
        if (fault.empty() && routing_) {
            fault = routing_->TakeFault();
        }
        if (!fault.empty()) {
            throw SessionFailure(fault);
        }
    }

    // Runs task on the plug-in's thread and waits for it; a thread that has ended stops the session.
    void OnQueue(std::function<void()> task) {
        if (!probe_->RunOnQueue(std::move(task))) {
            throw SessionFailure(THREAD_ENDED);
        }
    }

    // Moves the plug-in's clock from the plug-in's own thread, as a task of the probe: nothing of the host's
    // is queued meanwhile, and every timer that falls due fires.
    void Tick(std::int64_t length) { dom::AdvanceTimeAndSettle(queue_, length); }

    // A line of window input or time, on the plug-in's thread as a task of the probe.
    void RunInput(const Command& command) {
        if (const auto* tick = std::get_if<session::Tick>(&command)) {
            Tick(tick->length);
        } else {
            Post(std::get<WindowInput>(command), *window_);
        }
    }

    void Execute(const Command& command) {
        if (const auto* input = std::get_if<WindowInput>(&command)) {
            Post(*input, Window());
        } else if (const auto* call = std::get_if<HostCall>(&command)) {
            Apply(*call, Manager());
        } else if (const auto* view = std::get_if<session::View>(&command)) {
            MakeView(ViewKindName(view->kind), view->count);
        } else if (const auto* angles = std::get_if<session::Angles>(&command)) {
            View().GetCamera()->SetAngles(angles->yaw, angles->pitch);
        } else if (const auto* focus = std::get_if<session::Focus>(&command)) {
            Manager();
            const std::size_t before = focused_;
            Focus(static_cast<std::size_t>(focus->view - 1));
            if (focused_ != before) {
                // The transcript's status and cursor lines are the focused view's, from when it is focused.
                statusSeen_ = view_->GetStatusMessages().size();
                window_->ClearCallLog();
            }
        } else if (const auto* activate = std::get_if<session::Activate>(&command)) {
            Activate(static_cast<std::size_t>(activate->view - 1));
        } else if (const auto* load = std::get_if<session::Load>(&command)) {
            Load(load->path);
        } else if (const auto* tick = std::get_if<session::Tick>(&command)) {
            Tick(tick->length);
        } else if (const auto* query = std::get_if<session::Query>(&command)) {
            Query(query->name);
        } else if (const auto* trace = std::get_if<session::Trace>(&command)) {
            Trace(*trace);
        } else if (const auto* replay = std::get_if<session::Replay>(&command)) {
            Replay(*replay);
        } else if (const auto* pick = std::get_if<session::Pick>(&command)) {
            Pick(pick->x, pick->y, pick->id);
        } else if (const auto* box = std::get_if<session::PickBox>(&command)) {
            PickBox(*box);
        } else if (const auto* bounds = std::get_if<session::Bounds>(&command)) {
            StateBounds(*bounds);
        } else if (const auto* print = std::get_if<session::Print>(&command)) {
            const std::string name = StateName(print->state);
            const std::string state = print->state == State::Camera ? apps::CameraText(*View().GetCamera())
                                                                    : apps::SelectionText(View());
            Write({{"type", name}, {"state", state}}, name + " " + Quoted(state));
        }
    }

    void Query(const std::string& name) {
        du::Symbol symbol;
        int number = 0;
        du::SmartPtr<du::RefCounted> object;
        const bool answered = Manager().QueryWorkflows(du::Symbol(name), symbol, number, object);
        Write({{"type", "query"},
               {"query", name},
               {"answered", answered},
               {"symbol", NameOrNone(symbol)},
               {"number", number},
               {"object", !object.IsNull()}},
              "query " + name +
                  (answered ? " answered " + NameOrNone(symbol) + " " + std::to_string(number) +
                                  (object ? " with an object" : "")
                            : " unanswered"));
    }

    // What every view's recorder kept of the handler failures since the last call, the focused view's first.
    // On the plug-in's thread.
    std::vector<workflow::CrashSnapshot> TakeCrashSnapshots() {
        std::vector<workflow::CrashSnapshot> snapshots;
        if (diagnostics_) {
            snapshots = diagnostics_->TakeCrashSnapshots();
        }
        for (std::size_t view = 0; view < views_.size(); ++view) {
            if (view != focused_ && views_[view].diagnostics) {
                for (workflow::CrashSnapshot& snapshot : views_[view].diagnostics->TakeCrashSnapshots()) {
                    snapshots.push_back(std::move(snapshot));
                }
            }
        }
        return snapshots;
    }

    // Makes count views of kind, one document seen in each: the views after the first share its world and
    // selection, start inactive, and each has its own window, manager and answers to what was drawn. The
    // first is focused and active.
    void MakeView(const std::string& kind, int count) {
        if (!apps::MakeView(kind)) {
            throw SessionFailure("unknown view type '" + ErrorWord(kind) + "' (shape, drawing, image)");
        }
        StopManager();
        for (int made = 0; made < count; ++made) {
            du::SmartPtr<rzk::View> view = apps::MakeView(kind);
            du::SmartPtr<rzk::Window> window(new rzk::Window);
            view->SetWindow(window);
            SaveFocused();
            if (made > 0) {
                apps::ShareDocument(*views_.front().view, *view);
                view->SetActive(false);
            }
            if (!module_) {
                if (auto error = plugIn_.FindModule(*view, module_)) {
                    throw SessionFailure(*error);
                }
            }
            focused_ = views_.size();
            views_.emplace_back();
            manager_ = module_->CreateManager(view);
            if (!manager_) {
                throw SessionFailure("the workflow module made no manager for the view");
            }
            view_ = view;
            window_ = window;
            statusSeen_ = 0;
            picks_ = nullptr;
            boxes_ = nullptr;
            bounds_ = nullptr;
            WithDiagnostics([this](workflow::ManagerDiagnostics& diagnostics) {
                diagnostics_ = &diagnostics;
                diagnostics.SetFlightRecorderCapacity(options_.recorderSize);
            });
            // Input is recorded only from "trace on" on, so that a transcript shows trace lines where asked
            // for.
            manager_->SetWorkflowTraceEnabled(false);
            manager_->RegisterObserver(du::SmartPtr<rzk::WorkflowManagerObserver>(new ManagerReports(log_)));
            manager_->RegisterNotificationObserver(
                du::SmartPtr<rzk::NotificationObserver>(new NotificationReports(log_)));
            StartRouting(made == 0);
        }
        viewKind_ = kind;
        Focus(0);
    }

    // The focused view's parts are the members the rest of the host works with; the others wait in views_.
    void SaveFocused() {
        if (focused_ < views_.size()) {
            views_[focused_] = {manager_, view_, window_, statusSeen_, picks_, boxes_, bounds_, diagnostics_};
        }
    }
    void Focus(std::size_t view) {
        if (view >= views_.size()) {
            throw SessionFailure("there is no view " + std::to_string(view + 1) + ": the session has " +
                                 std::to_string(views_.size()) + " (view KIND COUNT makes more)");
        }
        SaveFocused();
        focused_ = view;
        const ViewParts& parts = views_[view];
        manager_ = parts.manager;
        view_ = parts.view;
        window_ = parts.window;
        statusSeen_ = parts.statusSeen;
        picks_ = parts.picks;
        boxes_ = parts.boxes;
        bounds_ = parts.bounds;
        diagnostics_ = parts.diagnostics;
    }

    // As a click into an inactive view: its window observer is asked about the activation while the view is
    // still inactive (and so drops the left press that follows, and its release), then it becomes active.
    void Activate(std::size_t view) {
        Manager();
        if (view >= views_.size()) {
            Focus(view);  // says there is no such view
        }
        SaveFocused();
        if (views_[view].view->IsActive()) {
            return;
        }
        views_[view].window->PostMouseActivate();
        Settle();
        for (ViewParts& parts : views_) {
            parts.view->SetActive(&parts == &views_[view]);
        }
    }

    // --- The routing log: only a session that prints it or asks about it makes the manager keep it.
    static bool AsksForRouting(const Script& script) {
        return std::any_of(script.lines.begin(), script.lines.end(), [](const ScriptLine& step) {
            const auto* expect = std::get_if<session::Expect>(&step.command);
            return expect && (expect->what == Expectation::Routed || expect->what == Expectation::NotOffered);
        });
    }

    // A new session's first view starts the log afresh; the views made with it add to the same log.
    void StartRouting(bool fresh) {
        if (!routingWanted_) {
            return;
        }
        if (!routing_) {
            RoutingReports::Sink sink;
            if (options_.route) {
                sink = [this](Json fields, std::string text) {
                    log_.Add(std::move(fields), std::move(text));
                };
            }
            routing_ = new RoutingReports(std::move(sink), options_.routeFilter);
        }
        if (fresh) {
            routing_->Reset();
        }
        WithDiagnostics([&](workflow::ManagerDiagnostics& diagnostics) {
            diagnostics.RegisterRoutingObserver(du::SmartPtr<workflow::RoutingObserver>(routing_.Get()));
        });
    }

    // "expect routed MSG to NAME|none" and "expect not-offered MSG NAME": what was seen, and what was
    // expected.
    std::pair<std::string, std::string> RoutingExpectation(const session::Expect& expect) {
        Manager();  // before the first view there is no log to ask
        if (expect.what == Expectation::Routed) {
            return {routing_->LastConsumer(expect.subject), expect.text};
        }
        return {routing_->LastOffer(expect.subject, expect.text), "not offered"};
    }

    void Load(const std::string& path) {
        std::string loaded;
        if (auto error = apps::LoadWorkflowPlugIns(
                *loader_, path, {sessionDir_, options_.buildDir, options_.buildDir + "/plugins"}, loaded)) {
            throw SessionFailure(*error);
        }
        Write({{"type", "loaded"}, {"path", loaded}}, "loaded " + loaded);
        std::error_code ignored;
        loaded_.push_back(std::filesystem::absolute(loaded, ignored).lexically_normal().string());
    }

    void Trace(const session::Trace& trace) {
        if (trace.what == TraceSwitch::Save) {
            std::ofstream file(Resolve(trace.file));
            for (const auto& [source, line] : log_.TraceLines()) {
                file << line << "\n";
            }
            if (!file) {
                throw SessionFailure("cannot write the trace to " + Resolve(trace.file));
            }
            return;
        }
        if (trace.what == TraceSwitch::On) {
            log_.ClearTrace();
        }
        Manager().SetWorkflowTraceEnabled(trace.what == TraceSwitch::On);
    }

    // Hands recorded lines back to a workflow: those of a file, else those it recorded since "trace on".
    void Replay(const session::Replay& replay) {
        std::vector<std::string> lines;
        if (replay.file) {
            lines = ReadTraceFile(Resolve(*replay.file));
        } else {
            for (const auto& [source, line] : log_.TraceLines()) {
                if (source == replay.workflow) {
                    lines.push_back(line);
                }
            }
        }
        for (const std::string& line : lines) {
            Manager().HandleTraceString(du::Symbol(replay.workflow), du::Symbol(line));
        }
    }

    // The lines of a trace file, within the limits of a session file.
    static std::vector<std::string> ReadTraceFile(const std::string& path) {
        std::error_code ignored;
        std::ifstream file(path, std::ios::binary);
        if (!std::filesystem::is_regular_file(path, ignored) || !file) {
            throw SessionFailure("cannot read the trace file " + path);
        }
        if (const std::uintmax_t size = std::filesystem::file_size(path, ignored);
            size > MAX_SESSION_BYTES && size != std::uintmax_t(-1)) {
            throw SessionFailure("trace file too large: " + path + " (" + std::to_string(size) +
                                 " bytes, at most " + std::to_string(MAX_SESSION_BYTES) + ")");
        }
        std::vector<std::string> lines;
        std::size_t number = 0;
        for (std::string line; std::getline(file, line);) {
            ++number;
            if (line.size() > MAX_LINE_LENGTH) {
                throw SessionFailure("trace file " + path + ":" + std::to_string(number) +
                                     ": line too long (" + std::to_string(line.size()) + " bytes, at most " +
                                     std::to_string(MAX_LINE_LENGTH) + ")");
            }
            if (!line.empty()) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    // What a viewer recorded its rendering to show at a point: from the first "pick" on, the view has a
    // picker, which answers the recorded points (the latest answer for each) and 0, nothing drawn, elsewhere.
    void Pick(int x, int y, unsigned int instance) {
        if (!picks_) {
            picks_ = std::make_shared<PickAnswers>();
            View().SetInstancePicker([picks = picks_](int px, int py) {
                std::lock_guard lock(picks->lock);
                auto found = picks->answers.find({px, py});
                return found == picks->answers.end() ? 0u : found->second;
            });
        }
        unsigned int before = 0;
        {
            std::lock_guard lock(picks_->lock);
            before = std::exchange(picks_->answers[{x, y}], instance);
        }
        // A crash session restates what the picker answered, and replays each answer where it was set.
        if (options_.recorderSize > 0) {
            WithDiagnostics([&](workflow::ManagerDiagnostics& diagnostics) {
                diagnostics.RecordPick(x, y, instance, before);
            });
        }
    }

    // What a viewer recorded its rendering to show inside a rectangle: from the first "pick-box" on, the view
    // has a region picker, which answers the recorded rectangles (the latest answer for each, corners in any
    // order) and nothing elsewhere.
    void PickBox(const session::PickBox& box) {
        if (!boxes_) {
            boxes_ = std::make_shared<BoxAnswers>();
            View().SetRegionPicker([boxes = boxes_](int x0, int y0, int x1, int y1) {
                std::lock_guard lock(boxes->lock);
                auto found = boxes->answers.find(session::BoxCorners(x0, y0, x1, y1));
                return found == boxes->answers.end() ? std::vector<unsigned int>() : found->second;
            });
        }
        std::lock_guard lock(boxes_->lock);
        boxes_->answers[session::BoxCorners(box.x0, box.y0, box.x1, box.y1)] = box.ids;
    }

    // What a viewer recorded its drawing to answer when a workflow asked where parts are drawn: from the
    // first "bounds" on, the view has a bounds provider, which answers the latest rectangle stated for the
    // camera's angles and those parts, and knows nothing else.
    void StateBounds(const session::Bounds& stated) {
        if (!bounds_) {
            bounds_ = std::make_shared<BoundsAnswers>();
            View().SetBoundsProvider(
                [answers = bounds_, camera = View().GetCamera()](const std::vector<unsigned int>& ids,
                                                                 rzk::View::InstanceBounds& out) {
                    std::vector<unsigned int> parts = ids;
                    std::sort(parts.begin(), parts.end());
                    std::lock_guard lock(answers->lock);
                    auto found = answers->answers.find({camera->GetYaw(), camera->GetPitch(), parts});
                    if (found == answers->answers.end()) {
                        return false;
                    }
                    out = found->second;
                    return true;
                });
        }
        std::vector<unsigned int> parts = stated.ids;
        std::sort(parts.begin(), parts.end());
        std::lock_guard lock(bounds_->lock);
        bounds_->answers[{stated.yaw, stated.pitch, parts}] = {stated.left,   stated.top,   stated.right,
                                                               stated.bottom, stated.width, stated.height};
    }

    std::string Resolve(const std::string& path) const {
        const std::filesystem::path given(path);
        return given.is_absolute() ? path : (std::filesystem::path(sessionDir_) / given).string();
    }

    bool Check(int line, const session::Expect& expect) {
        std::string expected = expect.text;
        std::string seen;
        switch (expect.what) {
            case Expectation::Routed:
            case Expectation::NotOffered:
                std::tie(seen, expected) = RoutingExpectation(expect);
                break;
            case Expectation::Status:
                seen = View().GetStatusMessage();
                break;
            case Expectation::StatusField:
                seen = StatusField(View().GetStatusMessage(), expect.number);
                break;
            case Expectation::Cursor:
                seen = CursorName(Window().GetCursor());
                break;
            case Expectation::Camera:
                seen = apps::CameraText(*View().GetCamera());
                break;
            case Expectation::Selection:
                seen = apps::SelectionText(View());
                break;
            case Expectation::Workflow:
                seen = NameOrNone(Manager().FindWorkflow(expect.number));
                break;
            case Expectation::Exception:
                seen = SeenExceptions(expected);
                break;
            case Expectation::Handled:
                seen = log_.LastHandled(expect.subject);
                break;
        }
        const bool met = seen == expected;
        const std::string label = ExpectationLabel(expect);
        Write({{"type", "expect"},
               {"line", line},
               {"expectation", ExpectationName(expect.what)},
               {"ok", met},
               {"expected", expected},
               {"seen", seen}},
              met ? "ok" : "FAILED: expected " + Quoted(expected) + ", seen " + Quoted(seen));
        if (!met) {
            WriteError({{"exit", EXIT_EXPECTATION_FAILED},
                        {"line", line},
                        {"expectation", ExpectationName(expect.what)},
                        {"expected", expected},
                        {"seen", seen}},
                       "expected " + label + " " + Quoted(expected) + ", seen " + Quoted(seen),
                       "line " + std::to_string(line) + ": ");
        }
        return met;
    }

    // " (did you mean 'orbit'?)" when a loaded plug-in makes a workflow of a name close to name, else "".
    std::string NearestWorkflow(const std::string& name) {
        std::vector<std::string> known;
        for (const du::Symbol& made : loader_->GetNames(View().GetViewType(), du::Symbol("workflow"))) {
            known.push_back(made.ToString());
        }
        const std::optional<std::string> nearest = Nearest(name, known);
        return nearest ? " (did you mean '" + ErrorWord(*nearest) + "'?)" : "";
    }

    // A workflow that cannot be loaded stops the session: what follows would only fail in its wake.
    void CheckFailures(const Command& command) {
        const std::size_t changes = log_.TakeChangeCount();
        const auto* call = std::get_if<HostCall>(&command);
        const auto* add = call ? std::get_if<Add>(call) : nullptr;
        for (const auto& [name, message] : log_.TakeFailures()) {
            if (add && message == "couldn't load workflow") {
                throw SessionFailure("workflow '" + ErrorWord(name) + "' cannot be loaded (" + message +
                                     "): no loaded plug-in makes it for this view" + NearestWorkflow(name));
            }
        }
        // The manager ignores, without a report, a component made under the name that is no workflow; an
        // "add" reports nothing otherwise only when the workflow asked for is already at the priority given.
        if (add && changes == 0) {
            if (!add->priority || NameOrNone(Manager().FindWorkflow(*add->priority)) != add->name) {
                throw SessionFailure(
                    "workflow '" + ErrorWord(add->name) +
                    "' was not installed: what the loaded plug-ins make under that name is no "
                    "workflow");
            }
        }
    }

    // What "expect exception" sees of the failures of the last line: the one expected when it is among
    // them, else all of them, or "none".
    std::string SeenExceptions(const std::string& expected) const {
        if (std::find(stepExceptions_.begin(), stepExceptions_.end(), expected) != stepExceptions_.end()) {
            return expected;
        }
        std::string seen;
        for (const std::string& line : stepExceptions_) {
            seen += (seen.empty() ? "" : " | ") + line;
        }
        return seen.empty() ? "none" : seen;
    }

    // Takes the manager's snapshots of handler failures since the last line: each is reported and, with a
    // crash folder, written there as a session that replays it.
    void CollectCrashes() {
        const std::vector<workflow::CrashSnapshot> snapshots = std::exchange(settledSnapshots_, {});
        for (const workflow::CrashSnapshot& snapshot : snapshots) {
            stepExceptions_.push_back(snapshot.exceptionLine);
            Write(
                {{"type", "exception"}, {"line", snapshot.exceptionLine}, {"threw", snapshot.exceptionText}},
                "exception " + Quoted(snapshot.exceptionLine) + " threw " + Quoted(snapshot.exceptionText));
            // With the recorder off there is no input to replay, so no crash session.
            if (!options_.crashDir.empty() && snapshot.input.recording) {
                WriteCrashFile(snapshot);
            }
        }
    }

    void WriteCrashFile(const workflow::CrashSnapshot& snapshot) {
        namespace fs = std::filesystem;
        std::error_code ignored;
        fs::create_directories(options_.crashDir, ignored);
        const fs::path path =
            fs::path(options_.crashDir) / ("crash-" + std::to_string(++crashFiles_) + ".session");
        CrashSessionSetup setup{viewKind_,
                                loaded_,
                                fs::absolute(options_.pluginPath, ignored).lexically_normal().string(),
                                "line " + std::to_string(line_) + " of the session",
                                {}};
        if (picks_) {
            std::lock_guard lock(picks_->lock);
            setup.picks = picks_->answers;
        }
        std::ofstream file(path, std::ios::binary);
        file << WriteCrashSession(snapshot, setup);
        file.close();
        if (!file) {
            throw SessionFailure("cannot write the crash session " + path.string());
        }
        Write({{"type", "crash"}, {"path", path.string()}}, "crash session " + path.string());
    }

    // Runs task with the diagnostics of the view's manager, on the plug-in's thread, and waits for it.
    void WithDiagnostics(const std::function<void(workflow::ManagerDiagnostics&)>& task) {
        auto* proxy = dynamic_cast<dom::ProxyObject*>(&Manager());
        auto* diagnostics =
            proxy ? dynamic_cast<workflow::ManagerDiagnostics*>(proxy->GetTarget().Get()) : nullptr;
        if (!diagnostics) {
            throw SessionFailure("the plug-in's manager offers no diagnostics");
        }
        OnQueue([&] { task(*diagnostics); });
    }

    rzk::WorkflowManager& Manager() {
        if (!manager_) {
            throw SessionFailure("no view yet: start the session with 'view shape' (or drawing, image)");
        }
        return *manager_;
    }
    rzk::View& View() {
        Manager();
        return *view_;
    }
    rzk::Window& Window() {
        Manager();
        return *window_;
    }

    // Everything that arrived since the last call: the plug-in's reports, then status pushes and cursor
    // changes as the stand-in view and window saw them. On the plug-in's thread in a checkpoint, or on the
    // host thread when nothing is in flight.
    std::vector<Report> CollectReports() {
        std::vector<Report> reports = log_.Take();
        if (view_) {
            for (std::string& pushed : view_->GetStatusMessagesAfter(statusSeen_)) {
                ++statusSeen_;
                std::string text = "status " + Quoted(pushed);
                reports.push_back({{{"type", "status"}, {"text", std::move(pushed)}}, std::move(text)});
            }
        }
        if (window_) {
            const std::vector<std::string> calls = window_->GetCallLog();
            window_->ClearCallLog();
            for (std::size_t i = 0; i < calls.size(); ++i) {
                const std::string& call = calls[i];
                if (call.rfind("SetCursor ", 0) == 0) {
                    const std::string name = CursorName(du::Symbol(call.substr(10)));
                    reports.push_back(
                        {log_.json ? Json{{"type", "cursor"}, {"cursor", name}} : Json(), "cursor " + name});
                } else if (call == "ResetCursor") {
                    // A reset followed by a new cursor is one change, written with the new cursor.
                    if (i + 1 == calls.size() || calls[i + 1].rfind("SetCursor ", 0) != 0) {
                        reports.push_back({log_.json ? Json{{"type", "cursor"}, {"cursor", "none"}} : Json(),
                                           "cursor none"});
                    }
                } else if (call.rfind("SetCursorPosition ", 0) == 0) {
                    reports.push_back(
                        {{{"type", "pointer"}, {"position", call.substr(18)}}, "pointer " + call.substr(18)});
                }
            }
        }
        return reports;
    }

    void WriteReports() {
        for (Report& report : CollectReports()) {
            Write(std::move(report.fields), report.text);
        }
    }

    void WriteSummary() {
        const double meanMs =
            events_ == 0 ? 0.0 : std::chrono::duration<double, std::milli>(eventTime_).count() / events_;
        std::ostringstream mean;
        mean.precision(3);
        mean << std::fixed << meanMs;
        Write({{"type", "summary"},
               {"events", events_},
               {"dispatched", log_.HandledCount()},
               {"installed", log_.InstalledCount()},
               {"meanMsPerEvent", meanMs}},
              "summary: " + std::to_string(events_) + " events in, " + std::to_string(log_.HandledCount()) +
                  " messages dispatched, " + std::to_string(log_.InstalledCount()) +
                  " workflows installed, " + mean.str() + " ms per event");
    }

    void Write(Json fields, const std::string& text) {
        if (options_.json) {
            MakeJsonSafe(fields);
            out_ << fields.dump() << "\n";
        } else {
            // A report of the plug-in's may come without its fields (see ReportLog::json).
            const bool event = fields.is_object() &&
                               (fields.value("type", "") == "event" || fields.value("type", "") == "summary");
            out_ << (event ? "" : "    ") << SafeText(text) << "\n";
        }
    }

    Options options_;
    std::ostream& out_;
    std::ostream& err_;
    std::string sessionDir_;
    int line_ = 0;

    apps::PlugIn plugIn_;
    bool started_ = false;
    du::SmartPtr<rzloader::Loader> loader_;
    du::SmartPtr<dom::GenericMessageQueue> queue_;
    du::SmartPtr<QueueProbe> probe_;
    du::SmartPtr<rzk::WorkflowModule> module_;
    du::SmartPtr<rzk::WorkflowManager> manager_;
    du::SmartPtr<rzk::View> view_;
    du::SmartPtr<rzk::Window> window_;
    std::size_t statusSeen_ = 0;
    // Read on the plug-in's thread by the view's picker.
    struct PickAnswers {
        std::mutex lock;
        std::map<std::pair<int, int>, unsigned int> answers;
    };
    std::shared_ptr<PickAnswers> picks_;
    struct BoxAnswers {
        std::mutex lock;
        std::map<std::array<int, 4>, std::vector<unsigned int>> answers;
    };
    std::shared_ptr<BoxAnswers> boxes_;
    struct BoundsAnswers {
        std::mutex lock;
        std::map<std::tuple<double, double, std::vector<unsigned int>>, rzk::View::InstanceBounds> answers;
    };
    std::shared_ptr<BoundsAnswers> bounds_;
    // Every view of the session; the focused one's parts are the members above while it is focused.
    struct ViewParts {
        du::SmartPtr<rzk::WorkflowManager> manager;
        du::SmartPtr<rzk::View> view;
        du::SmartPtr<rzk::Window> window;
        std::size_t statusSeen = 0;
        std::shared_ptr<PickAnswers> picks;
        std::shared_ptr<BoxAnswers> boxes;
        std::shared_ptr<BoundsAnswers> bounds;
        workflow::ManagerDiagnostics* diagnostics = nullptr;
    };
    std::vector<ViewParts> views_;
    std::size_t focused_ = 0;
    std::string viewKind_;
    std::vector<std::string> loaded_;  // absolute paths of the workflow plug-ins, in load order

    workflow::ManagerDiagnostics* diagnostics_ = nullptr;  // the view manager's, used on the plug-in's thread
    std::vector<workflow::CrashSnapshot> settledSnapshots_;
    std::vector<std::string> stepExceptions_;  // the handler failures of the last line
    int unexpectedExceptions_ = 0;
    const Script* script_ = nullptr;
    std::vector<PendingLine> pending_;
    int crashFiles_ = 0;

    ReportLog log_;
    bool routingWanted_ = false;
    du::SmartPtr<RoutingReports> routing_;
    dp::TraceSink previousSink_;
    bool sinkInstalled_ = false;
    std::size_t events_ = 0;
    std::chrono::steady_clock::duration eventTime_{};
};

SessionHost::SessionHost(Options options, std::ostream& out, std::ostream& err)
    : impl_(std::make_unique<Impl>(std::move(options), out, err)) {}

SessionHost::~SessionHost() = default;

int SessionHost::Run(const Script& script, const std::string& sessionDir) {
    return impl_->Run(script, sessionDir);
}

void WriteCommandLineError(std::ostream& err, bool json, const std::string& what) {
    std::string message = what;
    std::replace(message.begin(), message.end(), '\n', ' ');
    WriteErrorLine(err, json, {{"exit", EXIT_MALFORMED}},
                   message + " (workflow-session --help lists the options)", "error: ");
}

int RunSessionFile(const std::string& path, const Options& options, std::ostream& out, std::ostream& err) {
    std::error_code ignored;
    std::ifstream file(path, std::ios::binary);
    if (!std::filesystem::is_regular_file(path, ignored) || !file) {
        WriteErrorLine(err, options.json, {{"exit", EXIT_FAILED}},
                       "cannot read the session file " + path + " (give the path of a .session file)",
                       "error: ");
        return EXIT_FAILED;
    }
    if (const std::uintmax_t size = std::filesystem::file_size(path, ignored);
        size > MAX_SESSION_BYTES && size != std::uintmax_t(-1)) {
        WriteErrorLine(err, options.json, {{"exit", EXIT_MALFORMED}, {"file", path}, {"line", 1}},
                       "session file too large (" + std::to_string(size) + " bytes, at most " +
                           std::to_string(MAX_SESSION_BYTES) + ")",
                       path + ":1: ");
        return EXIT_MALFORMED;
    }
    std::stringstream text;
    text << file.rdbuf();
    Script script;
    ScriptError error;
    if (!Parse(path, text.str(), script, error)) {
        WriteErrorLine(err, options.json, {{"exit", EXIT_MALFORMED}, {"file", path}, {"line", error.line}},
                       error.what, path + ":" + std::to_string(error.line) + ": ");
        return EXIT_MALFORMED;
    }
    SessionHost host(options, out, err);
    return host.Run(script, std::filesystem::path(path).parent_path().string());
}

}  // namespace session
