#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dom/Message.h"
#include "du/HostExport.h"
#include "du/Symbol.h"
#include "rzk/Observer.h"

namespace rzk {

// Base of the observers of a window's input. The window posts its events (Window::Post...) and this class
// decodes them into the callbacks below, on the observer's own queue thread. The callbacks do nothing by
// default; OnMouseActivate answers true (take the click as it comes).
//
// The window's events, as message tags and their values in order (int = int32, int64 = two uint32 halves,
// high first, text = string):
//   16 SIZE               int width, int height                         -> OnSize
//   17 STATUS_REFRESH     none                                          -> OnStatusRefresh
//   18 MOUSE_ACTIVATE     none                                          -> OnMouseActivate
//   19 MOUSE_BUTTON       int button, bool down, int x, int y           -> OnMouseButton
//   20 MOUSE_DOUBLE_CLICK int button                                    -> OnMouseDoubleClick
//   21 MOUSE_WHEEL        int delta (16-bit range), int x, int y        -> OnMouseWheel
//   22 MOUSE_MOVE         int x, int y                                  -> OnMouseMove
//   23 MOUSE_LEAVE        none                                          -> OnMouseLeave
//   24 MODIFIER_KEY       int modifier (0 control, 1 alt, 2 shift), bool down -> OnModifierKey
//   25 KEY_DOWN           int key code                                  -> OnKeyDown
//   26 KEY_UP             int key code                                  -> OnKeyUp
//   27 KEY_PRESS          text, system key                              -> OnKeyPress
//   28 MOTION             six int64: translation x, y, z, rotation x, y, z -> OnMotionEvent
//   29 TOUCH              52 int, in the order of OnTouch               -> OnTouch
// Buttons are 0 left, 1 middle, 2 right. A key press carries either its UTF-8 text (and the system key
// EMPTY) or an empty text and the name of a key that has no text ("Escape", "Left", ...). The text travels
// as a symbol, the runtime's only string value.
class RZHOST_API WindowObserver : public Observer {
public:
    static constexpr unsigned char SIZE = 16;
    static constexpr unsigned char STATUS_REFRESH = 17;
    static constexpr unsigned char MOUSE_ACTIVATE = 18;
    static constexpr unsigned char MOUSE_BUTTON = 19;
    static constexpr unsigned char MOUSE_DOUBLE_CLICK = 20;
    static constexpr unsigned char MOUSE_WHEEL = 21;
    static constexpr unsigned char MOUSE_MOVE = 22;
    static constexpr unsigned char MOUSE_LEAVE = 23;
    static constexpr unsigned char MODIFIER_KEY = 24;
    static constexpr unsigned char KEY_DOWN = 25;
    static constexpr unsigned char KEY_UP = 26;
    static constexpr unsigned char KEY_PRESS = 27;
    static constexpr unsigned char MOTION = 28;
    static constexpr unsigned char TOUCH = 29;
    static constexpr int TOUCH_VALUES = 52;

    ~WindowObserver() override;

    // The common events go to Observer::EventHandler, the window's own to HandleEvent. Queue thread only.
    bool EventHandler(unsigned char event, dom::MessageReader& reader) override;

    // Decodes one window event into its callback; false for an unknown event or values that do not read.
    // Queue thread only.
    virtual bool HandleEvent(unsigned char event, dom::MessageReader& reader);
    // Queue thread only, like every callback below.
    virtual void OnSize(int width, int height);
    // The window asks for the status bar to be brought up to date.
    virtual void OnStatusRefresh();
    // A click is about to activate the window; the answer tells whether the click should count. This
    // stand-in has no system window to pass the answer to, so a posted event drops it.
    virtual bool OnMouseActivate();
    virtual void OnMouseButton(int button, bool down, int x, int y);
    virtual void OnMouseDoubleClick(int button);
    virtual void OnMouseWheel(short delta, int x, int y);
    virtual void OnMouseMove(int x, int y);
    virtual void OnMouseLeave();
    virtual void OnModifierKey(int modifier, bool down);
    virtual void OnKeyDown(int key);
    virtual void OnKeyUp(int key);
    virtual void OnKeyPress(const std::string& text, const du::Symbol& systemKey);
    virtual void OnMotionEvent(std::int64_t translationX, std::int64_t translationY,
                               std::int64_t translationZ, std::int64_t rotationX, std::int64_t rotationY,
                               std::int64_t rotationZ);
    // The host's touch message code, the number of points in use, then ten points of id, x, y, time, flag.
    virtual void OnTouch(int message, int numInputs, int id1, int x1, int y1, int time1, int flag1, int id2,
                         int x2, int y2, int time2, int flag2, int id3, int x3, int y3, int time3, int flag3,
                         int id4, int x4, int y4, int time4, int flag4, int id5, int x5, int y5, int time5,
                         int flag5, int id6, int x6, int y6, int time6, int flag6, int id7, int x7, int y7,
                         int time7, int flag7, int id8, int x8, int y8, int time8, int flag8, int id9, int x9,
                         int y9, int time9, int flag9, int id10, int x10, int y10, int time10, int flag10);
    // Where the pointer should be taken to be for the next move, when the observer knows better than the
    // window; false (the default) leaves the window's position.
    virtual bool GetMouseMoveLocation(int& x, int& y);

protected:
    WindowObserver();

private:
    bool DecodeTouch(dom::MessageReader& reader);
};

}  // namespace rzk
