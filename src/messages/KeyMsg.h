#pragma once

#include <string>

#include "du/Symbol.h"
#include "messages/Export.h"
#include "messages/Msg.h"

namespace workflow {

// A key press or a change of the modifier keys. A key with text carries it as UTF-8 and EMPTY as its
// system key; a key without text (an arrow, a function key) carries its name as system key and no text.
// The Escape rule: when no workflow consumes a key press whose text is the one byte "\x1b" (Escape), the
// manager removes the topmost workflow if its priority is above rzk::WorkflowManager::MAX_STATIC_PRIORITY,
// announcing the removal; workflows at or below that limit stay. Threads: a key message is a value that
// any thread may build and read; workflows get it on the manager's thread.
class WORKFLOW_API KeyMsg : public Msg {
public:
    KeyMsg(const du::Symbol& name, const du::Symbol& systemKey, bool control, bool shift, bool alt);
    KeyMsg(const du::Symbol& name, const std::string& utf8Key, bool control, bool shift, bool alt);
    // The char 0 stands for "no text": it gives an empty key, not a string holding a zero byte.
    KeyMsg(const du::Symbol& name = du::Symbol::EMPTY, char key = 0, bool control = false, bool shift = false,
           bool alt = false);
    KeyMsg(const KeyMsg& other);
    KeyMsg(KeyMsg&& other) noexcept;
    KeyMsg& operator=(const KeyMsg& other);
    KeyMsg& operator=(KeyMsg&& other) noexcept;
    ~KeyMsg();

    const std::string& GetUtf8Key() const { return utf8Key_; }
    du::Symbol GetSystemKey() const { return systemKey_; }
    bool GetControlPressed() const { return control_; }
    bool GetShiftPressed() const { return shift_; }
    bool GetAltPressed() const { return alt_; }

    // True when message is a live KeyMsg rather than another class under a key message's name. Any thread.
    static bool IsKeyMsg(const Msg& message);

private:
    std::string utf8Key_;
    du::Symbol systemKey_;
    bool control_;
    bool shift_;
    bool alt_;
};

}  // namespace workflow
