#include "observers/WindowObserver.h"

#include <algorithm>
#include <cstdlib>

#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/KeyMsg.h"
#include "messages/MouseMsg.h"
#include "messages/TypedMessages.h"
#include "rzk/Scene.h"
#include "rzk/View.h"
#include "rzk/Window.h"

namespace workflow {
namespace {

// A motion device reports no period of its own here.
constexpr unsigned long long MOTION_PERIOD = 0;

// Hands the flight recorder what make() builds, only while it records: input is recorded before any rule
// of the observer, so that a replay meets the same rules.
template <class Make>
void Record(WorkflowManagerImpl* manager, Make make) {
    if (manager) {
        const InputTap tap = manager->Tap();
        if (tap.Recording()) {
            tap.Record(make());
        }
    }
}

}  // namespace

WindowObserver::WindowObserver(const du::SmartPtr<rzk::View>& view, WorkflowManagerImpl* manager)
    : manager_(manager), view_(view) {
    if (view_) {
        du::SmartPtr<rzk::Scene> scene;
        view_->GetScene(scene);
        if (scene) {
            scene->GetWorld(world_);
        }
        view_->GetWindow(window_);
    }
    const du::Symbol names[3][6] = {
        {ConstStrings::MsgClickLeft, ConstStrings::MsgMouseLeftDown, ConstStrings::MsgMouseLeftUp,
         ConstStrings::MsgDoubleClickLeft, ConstStrings::MsgMouseInitLeftDrag,
         ConstStrings::MsgMouseLeftDrag},
        {ConstStrings::MsgClickMiddle, ConstStrings::MsgMouseMiddleDown, ConstStrings::MsgMouseMiddleUp,
         ConstStrings::MsgDoubleClickMiddle, ConstStrings::MsgMouseInitMiddleDrag,
         ConstStrings::MsgMouseMiddleDrag},
        {ConstStrings::MsgClickRight, ConstStrings::MsgMouseRightDown, ConstStrings::MsgMouseRightUp,
         ConstStrings::MsgDoubleClickRight, ConstStrings::MsgMouseInitRightDrag,
         ConstStrings::MsgMouseRightDrag},
    };
    for (int i = 0; i < 3; ++i) {
        MouseButtonState& record = buttons_[i];
        record.click = names[i][0];
        record.down = names[i][1];
        record.up = names[i][2];
        record.doubleClick = names[i][3];
        record.dragStart = names[i][4];
        record.drag = names[i][5];
    }
}

WindowObserver::~WindowObserver() = default;

bool WindowObserver::ViewGate() const {
    return view_ && view_->IsActive();
}

bool WindowObserver::InputGate() const {
    return !world_ || !world_->IsUserInputDisabled();
}

du::SmartPtr<WorkflowManagerImpl> WindowObserver::HoldManager() const {
    return du::SmartPtr<WorkflowManagerImpl>(manager_);
}

void WindowObserver::Send(const Msg& message) {
    if (manager_) {
        manager_->DispatchMessage(message);
    }
}

void WindowObserver::UpdateStatus() {
    if (manager_) {
        manager_->UpdateStatusMsg();
    }
}

void WindowObserver::OnManage() {
    if (window_) {
        window_->RegisterObserver(*this, 0);
    }
    AddRecurringTimeout(TIMER_PERIOD);
}

void WindowObserver::HandleTimeoutEvent(std::int64_t now) {
    const auto hold = HoldManager();
    // The timer started one period before its first tick, with the view's other timers.
    if (manager_) {
        manager_->Tap().Clock(now, !timerStarted_, TIMER_PERIOD);
    }
    // The first tick only sets the reference point: a delta needs two ticks.
    if (!timerStarted_) {
        timerStarted_ = true;
        lastTimeout_ = now;
        return;
    }
    const std::int64_t delta = now - lastTimeout_;
    lastTimeout_ = now;
    Send(TimerMsg(ConstStrings::MsgTimer, now, delta));
}

bool WindowObserver::UsesUpdateBatches() {
    return false;
}

void WindowObserver::DetachSubject() {
    if (window_) {
        Unregister();
        window_ = nullptr;
    }
    view_ = nullptr;
    world_ = nullptr;
}

void WindowObserver::DetachManager() {
    manager_ = nullptr;
}

void WindowObserver::OnSize(int width, int height) {
    const auto hold = HoldManager();
    Record(manager_, [&] { return FlightRecord::Size(width, height); });
    Send(WindowSizeMsg(ConstStrings::MsgWindowSize, width, height));
}

void WindowObserver::OnStatusRefresh() {
    const auto hold = HoldManager();
    UpdateStatus();
}

bool WindowObserver::OnMouseActivate() {
    const bool active = ViewGate();
    if (!active) {
        activationClickPending_ = true;
    }
    return active;
}

void WindowObserver::OnMouseButton(int button, bool down, int x, int y) {
    const auto hold = HoldManager();
    Record(manager_, [&] { return FlightRecord::Button(button, down, x, y); });
    // Activation rule: the left press that activates an inactive view, and the event after it (its
    // release), belong to the activation and not to the workflows. Other buttons only end the activation.
    if (activationClickPending_ && down) {
        activationClickPending_ = false;
        if (button == 0) {
            swallowButton_ = 0;
            return;
        }
    }
    if (button == swallowButton_) {
        swallowButton_ = -1;
        return;
    }
    mouseX_ = x;
    mouseY_ = y;
    if (button < 0 || button > 2) {
        return;
    }
    MouseButtonState& record = buttons_[button];
    if (down) {
        record.downX = x;
        record.downY = y;
        record.dragging = false;
        Send(MouseMsg(record.down, x, y, 0));
    } else {
        // A release ends a drag with one more drag message in place of the click.
        if (record.dragging) {
            record.dragging = false;
            Send(MouseMsg(record.drag, x, y, 0));
        } else {
            Send(MouseMsg(record.click, x, y, 0));
        }
        Send(MouseMsg(record.up, x, y, 0));
    }
    record.pressed = down;
    UpdateStatus();
}

void WindowObserver::OnMouseDoubleClick(int button) {
    Record(manager_, [&] { return FlightRecord::DoubleClick(button); });
    if (button < 0 || button > 2) {
        return;
    }
    const auto hold = HoldManager();
    // The host's own position for the double click is not used: the last press or move tells where it is.
    Send(MouseMsg(buttons_[button].doubleClick, mouseX_, mouseY_, 0));
    UpdateStatus();
}

void WindowObserver::OnMouseWheel(short delta, int x, int y) {
    const auto hold = HoldManager();
    Record(manager_, [&] { return FlightRecord::Wheel(delta, x, y); });
    if (ViewGate() && InputGate()) {
        Send(MouseMsg(ConstStrings::MsgMouseWheel, x, y, delta));
    }
}

void WindowObserver::OnMouseMove(int x, int y) {
    const auto hold = HoldManager();
    Record(manager_, [&] { return FlightRecord::Move(x, y); });
    // The position is kept even when the gates drop the move, for a later double click.
    mouseX_ = x;
    mouseY_ = y;
    if (!ViewGate() || !InputGate()) {
        return;
    }
    for (MouseButtonState& record : buttons_) {
        if (!record.pressed) {
            continue;
        }
        if (record.dragging) {
            Send(MouseMsg(record.drag, x, y, 0));
        } else if (manager_) {
            // Computed wide: window coordinates from the host may be anything.
            const std::int64_t distance = std::max(std::llabs(std::int64_t{x} - record.downX),
                                                   std::llabs(std::int64_t{y} - record.downY));
            if (distance > DRAG_THRESHOLD) {
                record.dragging = true;
                // A drag starts where the button went down, not where it was noticed.
                Send(MouseMsg(record.dragStart, record.downX, record.downY, 0));
            }
        }
    }
    Send(MouseMsg(ConstStrings::MsgMouseMove, x, y, 0));
}

void WindowObserver::OnMouseLeave() {
    const auto hold = HoldManager();
    Record(manager_, [&] { return FlightRecord::Leave(); });
    Send(MouseMsg(ConstStrings::MsgMouseLeave, 0, 0, 0));
}

void WindowObserver::OnModifierKey(int modifier, bool down) {
    const auto hold = HoldManager();
    Record(manager_, [&] { return FlightRecord::Modifier(modifier, down); });
    const std::uint32_t bit = modifier == 0 ? CONTROL : modifier == 1 ? ALT : modifier == 2 ? SHIFT : 0;
    // Auto-repeat reports a held key again and again: only a change of the held set is a message. A release
    // of an unknown key changes nothing but is still reported.
    bool send = false;
    if (down) {
        if ((modifierState_ & bit) != bit) {
            modifierState_ |= bit;
            send = true;
        }
    } else if ((modifierState_ & bit) == bit) {
        modifierState_ &= ~bit;
        send = true;
    }
    if (send) {
        Send(KeyMsg(ConstStrings::MsgModifierKey, '\0', (modifierState_ & CONTROL) != 0,
                    (modifierState_ & SHIFT) != 0, (modifierState_ & ALT) != 0));
    }
    UpdateStatus();
}

void WindowObserver::OnKeyPress(const std::string& text, const du::Symbol& systemKey) {
    const auto hold = HoldManager();
    if (!text.empty() || !systemKey.View().empty()) {  // else the observer sends nothing
        Record(manager_, [&] { return FlightRecord::Key(text, systemKey); });
    }
    if (!InputGate()) {
        return;
    }
    const bool control = (modifierState_ & CONTROL) != 0;
    const bool shift = (modifierState_ & SHIFT) != 0;
    const bool alt = (modifierState_ & ALT) != 0;
    if (!text.empty()) {
        Send(KeyMsg(ConstStrings::MsgKeyPress, text, control, shift, alt));
    } else if (systemKey != du::Symbol::EMPTY) {
        Send(KeyMsg(ConstStrings::MsgKeyPress, systemKey, control, shift, alt));
    }
    UpdateStatus();
}

void WindowObserver::OnMotionEvent(std::int64_t translationX, std::int64_t translationY,
                                   std::int64_t translationZ, std::int64_t rotationX, std::int64_t rotationY,
                                   std::int64_t rotationZ) {
    const auto hold = HoldManager();
    Record(manager_, [&] {
        return FlightRecord::Motion(
            {translationX, translationY, translationZ, rotationX, rotationY, rotationZ});
    });
    if (ViewGate() && InputGate()) {
        Send(MotionMsg(ConstStrings::MsgMotionEvent, translationX, translationY, translationZ, rotationX,
                       rotationY, rotationZ, MOTION_PERIOD));
    }
}

void WindowObserver::OnTouch(int message, int numInputs, int id1, int x1, int y1, int time1, int flag1,
                             int id2, int x2, int y2, int time2, int flag2, int id3, int x3, int y3,
                             int time3, int flag3, int id4, int x4, int y4, int time4, int flag4, int id5,
                             int x5, int y5, int time5, int flag5, int id6, int x6, int y6, int time6,
                             int flag6, int id7, int x7, int y7, int time7, int flag7, int id8, int x8,
                             int y8, int time8, int flag8, int id9, int x9, int y9, int time9, int flag9,
                             int id10, int x10, int y10, int time10, int flag10) {
    const auto hold = HoldManager();
    Record(manager_, [&] {
        return FlightRecord::Touch(
            {message, numInputs, id1,  x1,  y1,  time1,  flag1, id2, x2, y2, time2, flag2, id3, x3, y3,
             time3,   flag3,     id4,  x4,  y4,  time4,  flag4, id5, x5, y5, time5, flag5, id6, x6, y6,
             time6,   flag6,     id7,  x7,  y7,  time7,  flag7, id8, x8, y8, time8, flag8, id9, x9, y9,
             time9,   flag9,     id10, x10, y10, time10, flag10});
    });
    Send(TouchMsg(ConstStrings::MsgTouch, message, numInputs, id1, x1, y1, time1, flag1, id2, x2, y2, time2,
                  flag2, id3, x3, y3, time3, flag3, id4, x4, y4, time4, flag4, id5, x5, y5, time5, flag5, id6,
                  x6, y6, time6, flag6, id7, x7, y7, time7, flag7, id8, x8, y8, time8, flag8, id9, x9, y9,
                  time9, flag9, id10, x10, y10, time10, flag10));
}

}  // namespace workflow
