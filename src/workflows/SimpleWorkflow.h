#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "messages/Export.h"
#include "workflows/Workflow.h"

namespace rzk {
class Annotation;
class GeomMarkupOverride;
class SelectionItem;
class ShapeInstance;
}  // namespace rzk

namespace workflow {

class KeyMsg;

// The base of interaction modes: routes each message it has asked for to a typed handler, keeps the
// modifier keys and the last mouse position, and records mouse and key input as trace lines. Every handler
// returns true when it consumed the message, which ends the walk down the stack for that message.
//
// A handler runs only when three things hold: the workflow is active (a new one is not: call
// SetActive(true)), the message's type is listed with AddMsgTypeHandled, and the handler is overridden. A
// type listed without its handler reaches the default, which consumes nothing; a handler whose type is not
// listed is never called. Types listed with alsoWhenInactive true are routed while inactive too.
//
//     class MeasureWorkflow : public workflow::SimpleWorkflow {
//     public:
//         MeasureWorkflow() : SimpleWorkflow("measure") {
//             SetPriority(2000);  // above MAX_STATIC_PRIORITY: an unconsumed Escape removes it
//             AddMsgTypeHandled(workflow::ConstStrings::MsgMouseLeftDown, false);
//             AddMsgTypeHandled(workflow::ConstStrings::MsgMouseLeftDrag, false);
//             AddMsgTypeHandled(workflow::ConstStrings::MsgUpdateStatusBar, false);
//             SetActive(true);
//         }
//         bool OnMsgMouseLeftDown(int x, int) override { startX_ = x; return true; }
//         bool OnMsgMouseLeftDrag(int x, int) override {
//             length_ = x - startX_;
//             UpdateStatusMessage();  // moves bring no status pass of their own
//             return true;
//         }
//         // Texts are written here, in the status pass; written anywhere else they are wiped unseen.
//         bool OnMsgUpdateStatusBar() override {
//             SetStatusMessage(0, "length " + std::to_string(length_));
//             return false;  // let the workflows below write their fields
//         }
//     private:
//         int startX_ = 0;
//         int length_ = 0;
//     };
//
// Threads: everything here runs on the manager's thread (see Workflow).
class WORKFLOW_API SimpleWorkflow : public Workflow {
public:
    using ShapeInstances = std::vector<du::SmartPtr<rzk::ShapeInstance>>;
    using SelectionItems = std::vector<du::SmartPtr<rzk::SelectionItem>>;
    using MouseHandler = bool (SimpleWorkflow::*)(int, int);
    using WheelHandler = bool (SimpleWorkflow::*)(int, int, short);

    explicit SimpleWorkflow(const du::Symbol& name);
    SimpleWorkflow(const SimpleWorkflow& other);
    SimpleWorkflow& operator=(const SimpleWorkflow& other);
    ~SimpleWorkflow() override;

    bool HandleMsg(const Msg& message) override;
    void HandleTraceString(const std::string& line) override;

    // Virtual operations after those of Workflow, in their fixed slot order.
    // A new workflow is inactive: only the types listed with alsoWhenInactive reach its handlers.
    virtual bool IsActive() const { return active_; }
    // Calls OnActivate or OnDeactivate on a change; deactivation also drops the workflow's exclusive claims.
    virtual void SetActive(bool active);
    virtual void AddMsgTypeHandled(const du::Symbol& type, bool alsoWhenInactive);
    virtual void RemoveMsgTypeHandled(const du::Symbol& type, bool alsoWhenInactive);
    virtual void RemoveAllMsgTypesHandled();
    virtual void OnActivate() {}
    virtual void OnDeactivate() {}
    virtual bool OnMsgModifierKey(bool control, bool shift, bool alt);
    // A key with text has utf8Key set and systemKey EMPTY; a key without text ("Left", "F1") has an empty
    // utf8Key and its name in systemKey. Escape arrives as the text "\x1b"; leave it unconsumed (false) so
    // that it can dismiss a temporary workflow (see KeyMsg).
    virtual bool OnMsgKeyPress(const std::string& utf8Key, const du::Symbol& systemKey);
    virtual bool OnMsgDoubleClickLeft(int x, int y);
    virtual bool OnMsgDoubleClickMiddle(int x, int y);
    virtual bool OnMsgDoubleClickRight(int x, int y);
    virtual bool OnMsgClickLeft(int x, int y);
    virtual bool OnMsgClickMiddle(int x, int y);
    virtual bool OnMsgClickRight(int x, int y);
    virtual bool OnMsgMouseLeftDown(int x, int y);
    virtual bool OnMsgMouseMiddleDown(int x, int y);
    virtual bool OnMsgMouseRightDown(int x, int y);
    virtual bool OnMsgMouseLeftUp(int x, int y);
    virtual bool OnMsgMouseMiddleUp(int x, int y);
    virtual bool OnMsgMouseRightUp(int x, int y);
    virtual bool OnMsgMouseMove(int x, int y);
    virtual bool OnMsgMouseLeave();
    // A left drag arrives in this order: MsgMouseLeftDown(press); at the first move more than four pixels
    // from the press, MsgMouseInitLeftDrag(press position) then MsgMouseMove; at each later move
    // MsgMouseLeftDrag then MsgMouseMove; at the release MsgMouseLeftDrag(release) then MsgMouseLeftUp. A
    // release without a drag gives MsgClickLeft then MsgMouseLeftUp instead. The middle and right buttons
    // follow the same pattern.
    virtual bool OnMsgMouseInitLeftDrag(int x, int y);
    virtual bool OnMsgMouseInitMiddleDrag(int x, int y);
    virtual bool OnMsgMouseInitRightDrag(int x, int y);
    virtual bool OnMsgMouseLeftDrag(int x, int y);
    virtual bool OnMsgMouseMiddleDrag(int x, int y);
    virtual bool OnMsgMouseRightDrag(int x, int y);
    virtual bool OnMsgMouseWheel(int x, int y, short delta);
    virtual bool OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                           const du::SmartPtr<du::RefCounted>& modeObject, int modeNumber);
    virtual bool OnMsgSetPage(int page);
    virtual bool OnMsgReset();
    // The status pass (see Workflow::UpdateStatusMessage): write your fields with SetStatusMessage and
    // return false, so that the workflows below write theirs; true ends the pass for everything below.
    virtual bool OnMsgUpdateStatusBar();
    virtual bool OnMsgUpdateCursor();
    virtual bool OnMsgToggleComponentRotate();
    // List 0 goes on to the three-argument overload; other lists are not consumed by default.
    virtual bool OnMsgSelectionChanged(unsigned int listId, bool clear, const SelectionItems& removedItems,
                                       const SelectionItems& addedItems);
    virtual bool OnMsgSelectionChanged(bool clear, const SelectionItems& removedItems,
                                       const SelectionItems& addedItems);
    virtual bool OnMsgTimer(long long absoluteTime, long long deltaTime);
    virtual bool OnMsgWindowSize(int width, int height);
    virtual bool OnMsgMoveShapeInstance(const ShapeInstances& instances);
    virtual bool OnMsgShapeInstanceVisibility(const ShapeInstances& instances);
    virtual bool OnMsgShapeInstanceCreate(const ShapeInstances& instances);
    virtual bool OnMsgShapeInstanceRemove(const ShapeInstances& instances);
    virtual bool OnMsgShapeInstanceMarkupOverride(
        const du::SmartPtr<rzk::ShapeInstance>& instance,
        const du::ConstSmartPtr<rzk::GeomMarkupOverride>& markupOverride);
    virtual bool OnMsgShapeInstanceMarkupOverrideInit(const du::SmartPtr<rzk::ShapeInstance>& instance);
    virtual bool OnMsgViewProjection();
    virtual bool OnMsgWorkflowChanged(const du::SmartPtr<Workflow>& workflow, unsigned int priority,
                                      bool added);
    virtual bool OnMotionEvent(long long translationX, long long translationY, long long translationZ,
                               long long rotationX, long long rotationY, long long rotationZ,
                               unsigned long long period);
    virtual bool OnMsgTouch(int message, int numInputs, int id1, int x1, int y1, int time1, int flag1,
                            int id2, int x2, int y2, int time2, int flag2, int id3, int x3, int y3, int time3,
                            int flag3, int id4, int x4, int y4, int time4, int flag4, int id5, int x5, int y5,
                            int time5, int flag5, int id6, int x6, int y6, int time6, int flag6, int id7,
                            int x7, int y7, int time7, int flag7, int id8, int x8, int y8, int time8,
                            int flag8, int id9, int x9, int y9, int time9, int flag9, int id10, int x10,
                            int y10, int time10, int flag10);
    virtual bool OnMsgAddAnnotation(const du::SmartPtr<rzk::Annotation>& annotation);
    virtual bool OnMsgRemoveAnnotation(const du::SmartPtr<rzk::Annotation>& annotation);
    virtual bool OnMsgAnimationFinished();
    virtual bool OnMsgAnimationFinishedForOpenNewShapeViewBase();
    // Whether mouse, key and modifier input is recorded as trace lines; asked before every line, also when
    // nobody listens. The default answers true.
    virtual bool TraceMouseAndKeys() const;

    // The last recorded mouse position; false (and 0, 0) before any.
    bool GetMouseXY(int& x, int& y) const;
    // Records the position (delta 0), then calls handler with it.
    bool DoMouseAction(MouseHandler handler, int x, int y);
    bool DoMouseAction(WheelHandler handler, int x, int y, short delta);

    // The last known state of the modifier keys.
    bool GetControlPressed() const { return controlPressed_; }
    bool GetShiftPressed() const { return shiftPressed_; }
    bool GetAltPressed() const { return altPressed_; }

private:
    // A handled type and the routing row it selects, found once when the type is added.
    struct HandledType {
        du::Symbol type;
        std::uint8_t row;
        MouseHandler mouseHandler;  // set for the plain (x, y) mouse rows, the hot ones
        // The code mouseHandler reaches on this object, learnt on its first route where the compiler can
        // tell; a copy starts over, since the copy's class may differ from the source's.
        struct LearntCode {
            bool (*code)(SimpleWorkflow*, int, int) = nullptr;
            LearntCode() = default;
            LearntCode(const LearntCode&) {}
            LearntCode& operator=(const LearntCode&) { return *this; }
        };
        mutable LearntCode resolved;
    };

    bool RunRow(std::uint8_t row, const Msg& message);
    bool RouteFirst(const Msg& message, const HandledType& entry);
    bool TracedPathNeeded() const;
    bool RouteKnownMouse(const Msg& message, const HandledType& entry);
    bool RouteMouse(const Msg& message, const HandledType& entry);
    bool RouteMouseTraced(const Msg& message, MouseHandler handler);
    bool RoutePlainMouse(const Msg& message, MouseHandler handler);
    void TrackModifiers(const KeyMsg& key);
    void RecordMouse(int x, int y, short delta);
    bool TracingWanted() const;
    void TraceModifiers(bool control, bool shift, bool alt);

    bool active_ = false;
    // Whether this object keeps the default TraceMouseAndKeys, learnt on the first traced route where the
    // compiler can tell; until then (and always where it cannot) the routing asks. It belongs to the
    // object's own class, so a copy starts over: its class may differ from the source's.
    enum class TraceChoice : std::uint8_t { Unknown, Default, Own };
    struct LearntTraceChoice {
        TraceChoice value = TraceChoice::Unknown;
        LearntTraceChoice() = default;
        LearntTraceChoice(const LearntTraceChoice&) {}
        LearntTraceChoice& operator=(const LearntTraceChoice&) { return *this; }
    };
    LearntTraceChoice traceChoice_;
    bool controlPressed_ = false;
    bool altPressed_ = false;
    bool shiftPressed_ = false;
    std::vector<HandledType> handledWhenActive_;
    std::vector<HandledType> handledWhenInactive_;
    int mouseX_ = 0;
    int mouseY_ = 0;
    bool mouseValid_ = false;
    short mouseDelta_ = 0;
};

}  // namespace workflow
