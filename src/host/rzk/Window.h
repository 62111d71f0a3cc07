#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/Symbol.h"

namespace rzk {

// A view's window. It shows a cursor and can move the pointer; this stand-in records what it was told so
// that a host application or a test can read it back:
//
//     window->ResetCursor();
//     window->SetCursor("filtering_on");
//     window->GetCallLog();  // {"ResetCursor", "SetCursor filtering_on"}
//     window->GetCursor();   // "filtering_on"
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

private:
    mutable std::mutex lock_;
    du::Symbol cursor_;
    bool hasPosition_ = false;
    int x_ = 0;
    int y_ = 0;
    std::vector<std::string> calls_;
};

}  // namespace rzk
