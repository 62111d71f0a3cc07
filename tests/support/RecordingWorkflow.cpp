#include "support/RecordingWorkflow.h"

#include <initializer_list>
#include <string>
#include <utility>

namespace testing_support {
namespace {
const char* Bool(bool value) {
    return value ? "true" : "false";
}
// "Handler(1,2,3)".
std::string Call(const char* handler, std::initializer_list<long long> values) {
    std::string text = std::string(handler) + "(";
    for (long long value : values) {
        text += (text.back() == '(' ? "" : ",") + std::to_string(value);
    }
    return text + ")";
}
}  // namespace

ScriptedWorkflow::ScriptedWorkflow(const char* name, unsigned int priority, CallLog* log, int* destroyed)
    : Workflow(name), log_(log), destroyed_(destroyed) {
    SetPriority(priority);
}

ScriptedWorkflow::~ScriptedWorkflow() {
    if (destroyed_) {
        ++*destroyed_;
    }
}

bool ScriptedWorkflow::HandleMsg(const workflow::Msg& message) {
    if (log_) {
        log_->push_back(GetWorkflowName().ToString() + ":" + message.GetName().ToString());
    }
    return reaction ? reaction(*this, message) : false;
}

void ScriptedWorkflow::OnAdd() {
    if (log_) {
        log_->push_back(GetWorkflowName().ToString() + ":OnAdd");
    }
}

void ScriptedWorkflow::OnRemove() {
    if (log_) {
        log_->push_back(GetWorkflowName().ToString() + ":OnRemove");
    }
    if (onRemove) {
        onRemove(*this);
    }
}

RecordingWorkflow::RecordingWorkflow(const char* name, bool consume)
    : SimpleWorkflow(name), consume(consume) {}

bool RecordingWorkflow::Record(std::string call) {
    calls.push_back(std::move(call));
    return consume;
}

bool RecordingWorkflow::Mouse(const char* handler, int x, int y) {
    return Record(Call(handler, {x, y}));
}

bool RecordingWorkflow::OnMsgModifierKey(bool control, bool shift, bool alt) {
    SimpleWorkflow::OnMsgModifierKey(control, shift, alt);
    return Record(std::string("OnMsgModifierKey(") + Bool(control) + "," + Bool(shift) + "," + Bool(alt) +
                  ")");
}

bool RecordingWorkflow::OnMsgKeyPress(const std::string& utf8Key, const du::Symbol& systemKey) {
    return Record("OnMsgKeyPress(" + utf8Key + "," + (systemKey.IsNull() ? "<unset>" : systemKey.ToString()) +
                  ")");
}

bool RecordingWorkflow::OnMsgMouseWheel(int x, int y, short delta) {
    return Record(Call("OnMsgMouseWheel", {x, y, delta}));
}

bool RecordingWorkflow::OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                                  const du::SmartPtr<du::RefCounted>& modeObject, int modeNumber) {
    return Record("OnMsgMode(" + workflowName.ToString() + "," + modeString.ToString() + "," +
                  (modeObject ? "object" : "null") + "," + std::to_string(modeNumber) + ")");
}

bool RecordingWorkflow::OnMsgSelectionChanged(bool clear, const SelectionItems& removedItems,
                                              const SelectionItems& addedItems) {
    return Record(std::string("OnMsgSelectionChanged(") + Bool(clear) + "," +
                  std::to_string(removedItems.size()) + "," + std::to_string(addedItems.size()) + ")");
}

bool RecordingWorkflow::OnMsgTimer(long long absoluteTime, long long deltaTime) {
    return Record(Call("OnMsgTimer", {absoluteTime, deltaTime}));
}

bool RecordingWorkflow::OnMotionEvent(long long tx, long long ty, long long tz, long long rx, long long ry,
                                      long long rz, unsigned long long period) {
    return Record(Call("OnMotionEvent", {tx, ty, tz, rx, ry, rz, static_cast<long long>(period)}));
}

bool RecordingWorkflow::OnMsgTouch(int message, int numInputs, int id1, int x1, int y1, int time1, int flag1,
                                   int, int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                                   int, int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                                   int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                                   int flag10) {
    // The first point and the last value: enough to see that the values were not shifted.
    std::string text = Call("OnMsgTouch", {message, numInputs, id1, x1, y1, time1, flag1});
    return Record(text.insert(text.size() - 1, ",...," + std::to_string(flag10)));
}

bool RecordingWorkflow::OnMsgWorkflowChanged(const du::SmartPtr<workflow::Workflow>& workflow,
                                             unsigned int priority, bool added) {
    return Record("OnMsgWorkflowChanged(" + workflow->GetWorkflowName().ToString() + "," +
                  std::to_string(priority) + "," + Bool(added) + ")");
}

}  // namespace testing_support
