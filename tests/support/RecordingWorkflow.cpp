#include "support/RecordingWorkflow.h"

#include <utility>

namespace testing_support {
namespace {
const char* Bool(bool value) {
    return value ? "true" : "false";
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
    return Record(std::string(handler) + "(" + std::to_string(x) + "," + std::to_string(y) + ")");
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
    return Record("OnMsgMouseWheel(" + std::to_string(x) + "," + std::to_string(y) + "," +
                  std::to_string(delta) + ")");
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
    return Record("OnMsgTimer(" + std::to_string(absoluteTime) + "," + std::to_string(deltaTime) + ")");
}

bool RecordingWorkflow::OnMotionEvent(long long tx, long long ty, long long tz, long long rx, long long ry,
                                      long long rz, unsigned long long period) {
    return Record("OnMotionEvent(" + std::to_string(tx) + "," + std::to_string(ty) + "," +
                  std::to_string(tz) + "," + std::to_string(rx) + "," + std::to_string(ry) + "," +
                  std::to_string(rz) + "," + std::to_string(period) + ")");
}

bool RecordingWorkflow::OnMsgTouch(int message, int numInputs, int id1, int x1, int y1, int time1, int flag1,
                                   int, int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                                   int, int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                                   int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                                   int flag10) {
    return Record("OnMsgTouch(" + std::to_string(message) + "," + std::to_string(numInputs) + "," +
                  std::to_string(id1) + "," + std::to_string(x1) + "," + std::to_string(y1) + "," +
                  std::to_string(time1) + "," + std::to_string(flag1) + ",...," + std::to_string(flag10) +
                  ")");
}

bool RecordingWorkflow::OnMsgWorkflowChanged(const du::SmartPtr<workflow::Workflow>& workflow,
                                             unsigned int priority, bool added) {
    return Record("OnMsgWorkflowChanged(" + workflow->GetWorkflowName().ToString() + "," +
                  std::to_string(priority) + "," + Bool(added) + ")");
}

}  // namespace testing_support
