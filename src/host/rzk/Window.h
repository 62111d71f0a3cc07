#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/Symbol.h"

namespace rzk {

// A view's window: cursor shape and position.
class RZHOST_API Window : public virtual du::RefCounted {
public:
    virtual void SetCursor(const du::Symbol& cursor);
    virtual void ResetCursor();
    virtual void SetCursorPosition(int x, int y);
};

}  // namespace rzk
