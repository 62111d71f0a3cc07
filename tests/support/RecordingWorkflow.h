#pragma once

#include <functional>
#include <string>
#include <vector>

#include "du/Symbol.h"
#include "messages/Msg.h"
#include "workflows/SimpleWorkflow.h"
#include "workflows/Workflow.h"

namespace testing_support {

// A shared, ordered record of what workflows saw: "name:entry" lines.
using CallLog = std::vector<std::string>;

// A bare workflow whose HandleMsg runs a scripted reaction; records every message it is offered.
class ScriptedWorkflow : public workflow::Workflow {
public:
    using Reaction = std::function<bool(ScriptedWorkflow& self, const workflow::Msg& message)>;

    ScriptedWorkflow(const char* name, unsigned int priority, CallLog* log, int* destroyed = nullptr);
    ~ScriptedWorkflow() override;

    bool HandleMsg(const workflow::Msg& message) override;
    void OnAdd() override;
    void OnRemove() override;

    Reaction reaction;                                // default: consume nothing
    std::function<void(ScriptedWorkflow&)> onRemove;  // runs after OnRemove is logged

    // Forwarders that tests call on the workflow's behalf.
    using Workflow::AddWorkflow;
    using Workflow::RemoveWorkflow;
    using Workflow::SendMessage;
    using Workflow::SetExclusive;
    using Workflow::UnsetExclusive;

private:
    CallLog* log_;
    int* destroyed_;
};

// A simple workflow that records every handler call as "Handler(args)" and consumes as told.
class RecordingWorkflow : public workflow::SimpleWorkflow {
public:
    explicit RecordingWorkflow(const char* name, bool consume = false);

    std::vector<std::string> calls;
    bool consume;

    bool OnMsgModifierKey(bool control, bool shift, bool alt) override;
    bool OnMsgKeyPress(const std::string& utf8Key, const du::Symbol& systemKey) override;
    bool OnMsgClickLeft(int x, int y) override { return Mouse("OnMsgClickLeft", x, y); }
    bool OnMsgDoubleClickRight(int x, int y) override { return Mouse("OnMsgDoubleClickRight", x, y); }
    bool OnMsgMouseLeftDown(int x, int y) override { return Mouse("OnMsgMouseLeftDown", x, y); }
    bool OnMsgMouseLeftUp(int x, int y) override { return Mouse("OnMsgMouseLeftUp", x, y); }
    bool OnMsgMouseInitLeftDrag(int x, int y) override { return Mouse("OnMsgMouseInitLeftDrag", x, y); }
    bool OnMsgMouseLeftDrag(int x, int y) override { return Mouse("OnMsgMouseLeftDrag", x, y); }
    bool OnMsgMouseMiddleUp(int x, int y) override { return Mouse("OnMsgMouseMiddleUp", x, y); }
    bool OnMsgMouseRightDrag(int x, int y) override { return Mouse("OnMsgMouseRightDrag", x, y); }
    bool OnMsgMouseMove(int x, int y) override { return Mouse("OnMsgMouseMove", x, y); }
    bool OnMsgMouseLeave() override { return Record("OnMsgMouseLeave()"); }
    bool OnMsgMouseWheel(int x, int y, short delta) override;
    bool OnMsgUpdateCursor() override { return Record("OnMsgUpdateCursor()"); }
    bool OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                   const du::SmartPtr<du::RefCounted>& modeObject, int modeNumber) override;
    bool OnMsgSelectionChanged(bool clear, const SelectionItems& removedItems,
                               const SelectionItems& addedItems) override;
    bool OnMsgTimer(long long absoluteTime, long long deltaTime) override;
    bool OnMotionEvent(long long tx, long long ty, long long tz, long long rx, long long ry, long long rz,
                       unsigned long long period) override;
    bool OnMsgTouch(int message, int numInputs, int id1, int x1, int y1, int time1, int flag1, int id2,
                    int x2, int y2, int time2, int flag2, int id3, int x3, int y3, int time3, int flag3,
                    int id4, int x4, int y4, int time4, int flag4, int id5, int x5, int y5, int time5,
                    int flag5, int id6, int x6, int y6, int time6, int flag6, int id7, int x7, int y7,
                    int time7, int flag7, int id8, int x8, int y8, int time8, int flag8, int id9, int x9,
                    int y9, int time9, int flag9, int id10, int x10, int y10, int time10,
                    int flag10) override;
    bool OnMsgWorkflowChanged(const du::SmartPtr<workflow::Workflow>& workflow, unsigned int priority,
                              bool added) override;
    void OnActivate() override { calls.push_back("OnActivate()"); }
    void OnDeactivate() override { calls.push_back("OnDeactivate()"); }

    using SimpleWorkflow::SetExclusive;

private:
    bool Mouse(const char* handler, int x, int y);
    bool Record(std::string call);
};

}  // namespace testing_support
