#pragma once

#include <vector>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "messages/Export.h"
#include "messages/Msg.h"
#include "rzk/SceneObjects.h"

namespace workflow {

// The payload-carrying messages other than mouse, key and workflow-change ones. Each class serves the
// message names ConstStrings lists for it; the window observer and the host calls build them, and workflows
// read them in their handlers (SimpleWorkflow unpacks them into typed handler arguments). Threads: each is a
// value any thread may build and read, dispatched on the manager's thread. Ownership: the counted objects a
// message carries (selection items, shape instances, annotations, mode objects) are shared references; a
// handler that keeps one keeps the object alive, the message itself not.

// A multi-touch event as the host reports it: the host's touch message code, how many of the ten points
// are in use, and per point its id, x, y, time and flag. The constructor takes the 52 values in that order
// (code, count, then point 1 to point 10, five values each).
class WORKFLOW_API TouchMsg : public Msg {
public:
    TouchMsg(const du::Symbol& name = du::Symbol::EMPTY, int msg = 0, int numInputs = 0, int id1 = 0,
             int x1 = 0, int y1 = 0, int time1 = 0, int flag1 = 0, int id2 = 0, int x2 = 0, int y2 = 0,
             int time2 = 0, int flag2 = 0, int id3 = 0, int x3 = 0, int y3 = 0, int time3 = 0, int flag3 = 0,
             int id4 = 0, int x4 = 0, int y4 = 0, int time4 = 0, int flag4 = 0, int id5 = 0, int x5 = 0,
             int y5 = 0, int time5 = 0, int flag5 = 0, int id6 = 0, int x6 = 0, int y6 = 0, int time6 = 0,
             int flag6 = 0, int id7 = 0, int x7 = 0, int y7 = 0, int time7 = 0, int flag7 = 0, int id8 = 0,
             int x8 = 0, int y8 = 0, int time8 = 0, int flag8 = 0, int id9 = 0, int x9 = 0, int y9 = 0,
             int time9 = 0, int flag9 = 0, int id10 = 0, int x10 = 0, int y10 = 0, int time10 = 0,
             int flag10 = 0);
    TouchMsg(const TouchMsg& other);
    TouchMsg(TouchMsg&& other) noexcept;
    TouchMsg& operator=(const TouchMsg& other);
    TouchMsg& operator=(TouchMsg&& other) noexcept;
    ~TouchMsg();

    int GetMsg() const { return fields_[0]; }
    int GetNumInputs() const { return fields_[1]; }

    int GetId1() const { return Point(1, POINT_ID); }
    int GetX1() const { return Point(1, POINT_X); }
    int GetY1() const { return Point(1, POINT_Y); }
    int GetTime1() const { return Point(1, POINT_TIME); }
    int GetFlag1() const { return Point(1, POINT_FLAG); }

    int GetId2() const { return Point(2, POINT_ID); }
    int GetX2() const { return Point(2, POINT_X); }
    int GetY2() const { return Point(2, POINT_Y); }
    int GetTime2() const { return Point(2, POINT_TIME); }
    int GetFlag2() const { return Point(2, POINT_FLAG); }

    int GetId3() const { return Point(3, POINT_ID); }
    int GetX3() const { return Point(3, POINT_X); }
    int GetY3() const { return Point(3, POINT_Y); }
    int GetTime3() const { return Point(3, POINT_TIME); }
    int GetFlag3() const { return Point(3, POINT_FLAG); }

    int GetId4() const { return Point(4, POINT_ID); }
    int GetX4() const { return Point(4, POINT_X); }
    int GetY4() const { return Point(4, POINT_Y); }
    int GetTime4() const { return Point(4, POINT_TIME); }
    int GetFlag4() const { return Point(4, POINT_FLAG); }

    int GetId5() const { return Point(5, POINT_ID); }
    int GetX5() const { return Point(5, POINT_X); }
    int GetY5() const { return Point(5, POINT_Y); }
    int GetTime5() const { return Point(5, POINT_TIME); }
    int GetFlag5() const { return Point(5, POINT_FLAG); }

    int GetId6() const { return Point(6, POINT_ID); }
    int GetX6() const { return Point(6, POINT_X); }
    int GetY6() const { return Point(6, POINT_Y); }
    int GetTime6() const { return Point(6, POINT_TIME); }
    int GetFlag6() const { return Point(6, POINT_FLAG); }

    int GetId7() const { return Point(7, POINT_ID); }
    int GetX7() const { return Point(7, POINT_X); }
    int GetY7() const { return Point(7, POINT_Y); }
    int GetTime7() const { return Point(7, POINT_TIME); }
    int GetFlag7() const { return Point(7, POINT_FLAG); }

    int GetId8() const { return Point(8, POINT_ID); }
    int GetX8() const { return Point(8, POINT_X); }
    int GetY8() const { return Point(8, POINT_Y); }
    int GetTime8() const { return Point(8, POINT_TIME); }
    int GetFlag8() const { return Point(8, POINT_FLAG); }

    int GetId9() const { return Point(9, POINT_ID); }
    int GetX9() const { return Point(9, POINT_X); }
    int GetY9() const { return Point(9, POINT_Y); }
    int GetTime9() const { return Point(9, POINT_TIME); }
    int GetFlag9() const { return Point(9, POINT_FLAG); }

    int GetId10() const { return Point(10, POINT_ID); }
    int GetX10() const { return Point(10, POINT_X); }
    int GetY10() const { return Point(10, POINT_Y); }
    int GetTime10() const { return Point(10, POINT_TIME); }
    int GetFlag10() const { return Point(10, POINT_FLAG); }

private:
    enum PointValue { POINT_ID, POINT_X, POINT_Y, POINT_TIME, POINT_FLAG };
    static constexpr int FIRST_POINT = 2;
    static constexpr int POINT_SIZE = 5;

    // Point n counts from 1, as in the getter names.
    int Point(int n, PointValue value) const { return fields_[FIRST_POINT + POINT_SIZE * (n - 1) + value]; }

    int fields_[52];
};

// An event of a 3D motion device (a space mouse): translation and rotation along three axes, and the period
// of the event. The values are passed through from the host unchanged.
class WORKFLOW_API MotionMsg : public Msg {
public:
    MotionMsg(const du::Symbol& name, long long translationX, long long translationY, long long translationZ,
              long long rotationX, long long rotationY, long long rotationZ, unsigned long long period);
    MotionMsg(const MotionMsg& other);
    MotionMsg(MotionMsg&& other) noexcept;
    MotionMsg& operator=(const MotionMsg& other);
    MotionMsg& operator=(MotionMsg&& other) noexcept;
    ~MotionMsg();

    void GetTranslation(long long& x, long long& y, long long& z) const {
        x = translationX_;
        y = translationY_;
        z = translationZ_;
    }
    void GetRotation(long long& x, long long& y, long long& z) const {
        x = rotationX_;
        y = rotationY_;
        z = rotationZ_;
    }
    unsigned long long GetPeriod() const { return period_; }

private:
    long long translationX_;
    long long translationY_;
    long long translationZ_;
    long long rotationX_;
    long long rotationY_;
    long long rotationZ_;
    unsigned long long period_;
};

// A timer tick: the absolute time and the time since the previous tick. The times are fixed once built,
// so the message cannot be assigned.
class WORKFLOW_API TimerMsg : public Msg {
public:
    TimerMsg(const du::Symbol& name, long long absTime, long long deltaTime);
    TimerMsg(const TimerMsg& other);
    TimerMsg(TimerMsg&& other) noexcept;
    TimerMsg& operator=(const TimerMsg&) = delete;
    TimerMsg& operator=(TimerMsg&&) = delete;
    ~TimerMsg();

    long long GetAbsTime() const { return absTime_; }
    long long GetDeltaTime() const { return deltaTime_; }

private:
    const long long absTime_;
    const long long deltaTime_;
};

// Asks the workflows to show another page of the document.
class WORKFLOW_API PageMsg : public Msg {
public:
    PageMsg(const du::Symbol& name = du::Symbol::EMPTY, int page = 0);
    PageMsg(const PageMsg& other);
    PageMsg(PageMsg&& other) noexcept;
    PageMsg& operator=(const PageMsg& other);
    PageMsg& operator=(PageMsg&& other) noexcept;
    ~PageMsg();

    int GetPage() const { return page_; }
    void SetPage(int page) { page_ = page; }

private:
    int page_;
};

// The new size of the view's window.
class WORKFLOW_API WindowSizeMsg : public Msg {
public:
    WindowSizeMsg(const du::Symbol& name = du::Symbol::EMPTY, int width = 0, int height = 0);
    WindowSizeMsg(const WindowSizeMsg& other);
    WindowSizeMsg(WindowSizeMsg&& other) noexcept;
    WindowSizeMsg& operator=(const WindowSizeMsg& other);
    WindowSizeMsg& operator=(WindowSizeMsg&& other) noexcept;
    ~WindowSizeMsg();

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    void SetWindowSize(int width, int height) {
        width_ = width;
        height_ = height;
    }

private:
    int width_;
    int height_;
};

// Asks one workflow (or, with the workflow name EMPTY, every workflow) to enter a mode, with optional data.
// Note the argument order: the workflow name comes before the mode string.
class WORKFLOW_API ModeMsg : public Msg {
public:
    ModeMsg(const du::Symbol& name, const du::Symbol& workflowName, const du::Symbol& modeString,
            du::SmartPtr<du::RefCounted> modePtr, int modeNumber);
    // Mode string and workflow name stay unset, with no mode object and mode number 0.
    ModeMsg(const du::Symbol& name);
    ModeMsg(const ModeMsg& other);
    ModeMsg(ModeMsg&& other) noexcept;
    ModeMsg& operator=(const ModeMsg& other);
    ModeMsg& operator=(ModeMsg&& other) noexcept;
    ~ModeMsg();

    const du::Symbol& GetModeString() const { return modeString_; }
    const du::Symbol& GetWorkflowName() const { return workflowName_; }
    const du::SmartPtr<du::RefCounted>& GetModePtr() const { return modePtr_; }
    int GetModeNumber() const { return modeNumber_; }
    void SetModeString(const du::Symbol& modeString) { modeString_ = modeString; }
    void SetWorkflowName(const du::Symbol& workflowName) { workflowName_ = workflowName; }
    void SetModePtr(const du::SmartPtr<du::RefCounted>& modePtr) { modePtr_ = modePtr; }
    void SetModeNumber(int modeNumber) { modeNumber_ = modeNumber; }

private:
    du::Symbol modeString_;
    du::Symbol workflowName_;
    du::SmartPtr<du::RefCounted> modePtr_;
    int modeNumber_;
};

// A change of one of the host's selection lists. The message refers to the sender's two vectors instead of
// copying them: it, and every copy of it, is valid only while the sender keeps those vectors alive (the
// sender does so until its dispatch returns). Being made of references, it cannot be assigned.
class WORKFLOW_API SelectionMsg : public Msg {
public:
    using ItemList = std::vector<du::SmartPtr<rzk::SelectionItem>>;

    SelectionMsg(const du::Symbol& name, unsigned int listId, bool clearSelection,
                 const ItemList& removeItems, const ItemList& addItems);
    SelectionMsg(const SelectionMsg& other);
    SelectionMsg(SelectionMsg&& other) noexcept;
    SelectionMsg& operator=(const SelectionMsg&) = delete;
    SelectionMsg& operator=(SelectionMsg&&) = delete;
    ~SelectionMsg();

    unsigned int GetListID() const { return listId_; }
    bool GetClearSelection() const { return clearSelection_; }
    const ItemList& GetRemoveItems() const { return removeItems_; }
    const ItemList& GetAddItems() const { return addItems_; }

private:
    const ItemList& removeItems_;
    const ItemList& addItems_;
    unsigned int listId_;
    bool clearSelection_;
};

// Shape instances that were moved, shown or hidden, created or removed. The message owns its vector;
// a sender may append further instances through the non-const getter before sending.
class WORKFLOW_API ShapeInstanceMsg : public Msg {
public:
    using InstanceList = std::vector<du::SmartPtr<rzk::ShapeInstance>>;

    ShapeInstanceMsg(const du::Symbol& name);
    ShapeInstanceMsg(const du::Symbol& name, const du::SmartPtr<rzk::ShapeInstance>& shapeInstance);
    ShapeInstanceMsg(const ShapeInstanceMsg& other);
    ShapeInstanceMsg(ShapeInstanceMsg&& other) noexcept;
    ShapeInstanceMsg& operator=(const ShapeInstanceMsg& other);
    ShapeInstanceMsg& operator=(ShapeInstanceMsg&& other) noexcept;
    ~ShapeInstanceMsg();

    const InstanceList& GetShapeInstances() const { return shapeInstances_; }
    InstanceList& GetShapeInstances() { return shapeInstances_; }

private:
    InstanceList shapeInstances_;
};

// The start of a markup override on a shape instance.
class WORKFLOW_API ShapeInstanceMarkupOverrideInitMsg : public Msg {
public:
    ShapeInstanceMarkupOverrideInitMsg(const du::Symbol& name,
                                       const du::SmartPtr<rzk::ShapeInstance>& shapeInstance);
    ShapeInstanceMarkupOverrideInitMsg(const ShapeInstanceMarkupOverrideInitMsg& other);
    ShapeInstanceMarkupOverrideInitMsg(ShapeInstanceMarkupOverrideInitMsg&& other) noexcept;
    ShapeInstanceMarkupOverrideInitMsg& operator=(const ShapeInstanceMarkupOverrideInitMsg& other);
    ShapeInstanceMarkupOverrideInitMsg& operator=(ShapeInstanceMarkupOverrideInitMsg&& other) noexcept;
    ~ShapeInstanceMarkupOverrideInitMsg();

    const du::SmartPtr<rzk::ShapeInstance>& GetShapeInstance() const { return shapeInstance_; }

private:
    du::SmartPtr<rzk::ShapeInstance> shapeInstance_;
};

// A markup override applied to a shape instance.
class WORKFLOW_API ShapeInstanceMarkupOverrideMsg : public Msg {
public:
    ShapeInstanceMarkupOverrideMsg(const du::Symbol& name,
                                   const du::SmartPtr<rzk::ShapeInstance>& shapeInstance,
                                   const du::ConstSmartPtr<rzk::GeomMarkupOverride>& markupOverride);
    ShapeInstanceMarkupOverrideMsg(const ShapeInstanceMarkupOverrideMsg& other);
    ShapeInstanceMarkupOverrideMsg(ShapeInstanceMarkupOverrideMsg&& other) noexcept;
    ShapeInstanceMarkupOverrideMsg& operator=(const ShapeInstanceMarkupOverrideMsg& other);
    ShapeInstanceMarkupOverrideMsg& operator=(ShapeInstanceMarkupOverrideMsg&& other) noexcept;
    ~ShapeInstanceMarkupOverrideMsg();

    const du::SmartPtr<rzk::ShapeInstance>& GetShapeInstance() const { return shapeInstance_; }
    const du::ConstSmartPtr<rzk::GeomMarkupOverride>& GetMarkupOverride() const { return markupOverride_; }

private:
    du::SmartPtr<rzk::ShapeInstance> shapeInstance_;
    du::ConstSmartPtr<rzk::GeomMarkupOverride> markupOverride_;
};

// An annotation added to or removed from the view's annotation set.
class WORKFLOW_API AnnotationMsg : public Msg {
public:
    AnnotationMsg(const du::Symbol& name, const du::SmartPtr<rzk::Annotation>& annotation);
    AnnotationMsg(const AnnotationMsg& other);
    AnnotationMsg(AnnotationMsg&& other) noexcept;
    AnnotationMsg& operator=(const AnnotationMsg& other);
    AnnotationMsg& operator=(AnnotationMsg&& other) noexcept;
    ~AnnotationMsg();

    const du::SmartPtr<rzk::Annotation>& GetAnnotation() const { return annotation_; }

private:
    du::SmartPtr<rzk::Annotation> annotation_;
};

}  // namespace workflow
