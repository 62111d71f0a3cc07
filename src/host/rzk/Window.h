#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "du/Flags.h"
#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "rzk/ObserverRegistry.h"

namespace rzk {

class WindowObserver;

// A view's window. It shows a cursor and can move the pointer; this stand-in records what it was told so
// that a host application or a test can read it back:
//
//     window->ResetCursor();
//     window->SetCursor("filtering_on");
//     window->GetCallLog();  // {"ResetCursor", "SetCursor filtering_on"}
//     window->GetCursor();   // "filtering_on"
//
// It is also the source of the window's input: a host (or a test) injects each event with a Post call,
// which posts it to every registered observer's queue (see WindowObserver for the events and their values):
//
//     window->PostMouseButton(0, true, 10, 10);   // observers get OnMouseButton(0, true, 10, 10)
//     window->PostMouseMove(15, 10);
class RZHOST_API Window : public virtual du::RefCounted {
public:
    Window();
    ~Window() override;

    // Shows cursor. Any thread.
    virtual void SetCursor(const du::Symbol& cursor);
    // Goes back to the window's own cursor; GetCursor is unset afterwards. Any thread.
    virtual void ResetCursor();
    // Moves the pointer to (x, y) in window coordinates. Any thread.
    virtual void SetCursorPosition(int x, int y);

    // The cursor shown: the last SetCursor since the last ResetCursor, else unset. Any thread.
    du::Symbol GetCursor() const;
    // The last position given to SetCursorPosition; false (and x, y untouched) when none was. Any thread.
    bool GetCursorPosition(int& x, int& y) const;
    // Every call above in order, one line each: "SetCursor <name>", "ResetCursor",
    // "SetCursorPosition <x> <y>". Any thread.
    std::vector<std::string> GetCallLog() const;
    // Forgets the log; the cursor and the position stay. Any thread.
    void ClearCallLog();

    // Puts observer on this window's list, leaving the subject it watched before; flags are kept for the
    // host's interface (every observer gets every event). The observer's queue thread only.
    void RegisterObserver(WindowObserver& observer, du::Flags flags);
    // The window closes for its observers: each gets DetachSubject, and the list is emptied. Any thread.
    void DetachObservers();
    // Number of registered observers. Any thread.
    std::size_t GetObserverCount() const;

    // Input events, each posted to every registered observer. Any thread.
    void PostSize(int width, int height);
    void PostStatusRefresh();
    void PostMouseActivate();
    void PostMouseButton(int button, bool down, int x, int y);
    void PostMouseDoubleClick(int button);
    void PostMouseWheel(short delta, int x, int y);
    void PostMouseMove(int x, int y);
    void PostMouseLeave();
    void PostModifierKey(int modifier, bool down);
    void PostKeyDown(int key);
    void PostKeyUp(int key);
    // text is UTF-8; a key without text has an empty text and its name as systemKey (unset counts as EMPTY).
    void PostKeyPress(const std::string& text, const du::Symbol& systemKey = du::Symbol::EMPTY);
    void PostMotionEvent(std::int64_t translationX, std::int64_t translationY, std::int64_t translationZ,
                         std::int64_t rotationX, std::int64_t rotationY, std::int64_t rotationZ);
    // The 52 values in the order of WindowObserver::OnTouch.
    void PostTouch(const std::array<int, 52>& values);

private:
    mutable std::mutex lock_;
    du::Symbol cursor_;
    bool hasPosition_ = false;
    int x_ = 0;
    int y_ = 0;
    std::vector<std::string> calls_;
    const du::SmartPtr<ObserverRegistry> observers_;
};

}  // namespace rzk
