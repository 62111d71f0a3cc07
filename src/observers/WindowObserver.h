#pragma once

#include <cstdint>
#include <string>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "rzk/WindowObserver.h"

namespace rzk {
class View;
class Window;
class World;
}  // namespace rzk

namespace workflow {

class Msg;
class WorkflowManagerImpl;

// Turns the raw input of one view's window into the named messages of the view's workflow manager: a
// press/click/drag state machine per mouse button, wheel, keys, modifiers, touch, 3D motion, window size and
// timer ticks. The manager makes one per view that has a window and keeps it under its own management;
// OnManage then registers it with the window and starts its 10 ms timer. Every callback runs on the
// manager's thread; each message is built on the stack and dispatched at once.
//
// Two gates hold back the input that acts on the view's content: the view gate (the view is active) and
// the input gate (the world, if any, takes user input). Moves, drags, wheel and 3D motion pass both; key
// presses only the input gate; presses, releases, clicks, double clicks, modifiers, size, touch, leave and
// ticks neither.
class WindowObserver : public rzk::WindowObserver {
public:
    WindowObserver(const du::SmartPtr<rzk::View>& view, WorkflowManagerImpl* manager);
    ~WindowObserver() override;

    // --- dom::ManagedObject. Queue thread only.
    void HandleTimeoutEvent(std::int64_t now) override;
    void OnManage() override;

    // --- rzk::Observer and rzk::WindowObserver callbacks. Queue thread only.
    bool UsesUpdateBatches() override;
    void DetachSubject() override;
    void DetachManager() override;
    void OnSize(int width, int height) override;
    void OnStatusRefresh() override;
    bool OnMouseActivate() override;
    void OnMouseButton(int button, bool down, int x, int y) override;
    void OnMouseDoubleClick(int button) override;
    void OnMouseWheel(short delta, int x, int y) override;
    void OnMouseMove(int x, int y) override;
    void OnMouseLeave() override;
    void OnModifierKey(int modifier, bool down) override;
    void OnKeyPress(const std::string& text, const du::Symbol& systemKey) override;
    void OnMotionEvent(std::int64_t translationX, std::int64_t translationY, std::int64_t translationZ,
                       std::int64_t rotationX, std::int64_t rotationY, std::int64_t rotationZ) override;
    void OnTouch(int message, int numInputs, int id1, int x1, int y1, int time1, int flag1, int id2, int x2,
                 int y2, int time2, int flag2, int id3, int x3, int y3, int time3, int flag3, int id4, int x4,
                 int y4, int time4, int flag4, int id5, int x5, int y5, int time5, int flag5, int id6, int x6,
                 int y6, int time6, int flag6, int id7, int x7, int y7, int time7, int flag7, int id8, int x8,
                 int y8, int time8, int flag8, int id9, int x9, int y9, int time9, int flag9, int id10,
                 int x10, int y10, int time10, int flag10) override;

private:
    // The state and the six message names of one mouse button.
    struct MouseButtonState {
        bool pressed = false;
        du::Symbol click;
        du::Symbol down;
        du::Symbol up;
        du::Symbol doubleClick;
        du::Symbol dragStart;
        du::Symbol drag;
        bool dragging = false;
        int downX = 0;
        int downY = 0;
    };

    // A drag starts once the pointer is more than this many pixels away from the press, along either axis.
    static constexpr int DRAG_THRESHOLD = 4;
    static constexpr std::int64_t TIMER_PERIOD = 10;
    static constexpr std::uint32_t CONTROL = 1;
    static constexpr std::uint32_t ALT = 2;
    static constexpr std::uint32_t SHIFT = 4;

    bool ViewGate() const;
    bool InputGate() const;
    // Keeps the manager alive to the end of a callback: a workflow's handler may drop every other reference
    // to it while the callback still has messages to send. Every callback that sends holds it first.
    du::SmartPtr<WorkflowManagerImpl> HoldManager() const;
    // Hands message to the manager, if there still is one (a handler may have detached it meanwhile).
    void Send(const Msg& message);
    void UpdateStatus();

    bool timerStarted_ = false;
    std::int64_t lastTimeout_ = 0;
    std::uint32_t modifierState_ = 0;
    int mouseX_ = 0;
    int mouseY_ = 0;
    MouseButtonState buttons_[3];
    du::SmartPtr<rzk::Window> window_;
    WorkflowManagerImpl* manager_;
    du::SmartPtr<rzk::View> view_;
    du::SmartPtr<rzk::World> world_;
    int swallowButton_ = -1;
    bool activationClickPending_ = false;
};

}  // namespace workflow
