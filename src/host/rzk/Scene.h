#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"

namespace rzk {

// The world a scene belongs to; it can switch user input off.
class RZHOST_API World : public virtual du::RefCounted {
public:
    bool IsUserInputDisabled() const { return inputDisabled_; }
    void SetUserInputDisabled(bool disabled) { inputDisabled_ = disabled; }

private:
    bool inputDisabled_ = false;
};

// A view's scene.
class RZHOST_API Scene : public virtual du::RefCounted {
public:
    void GetWorld(du::SmartPtr<World>& out) const { out = world_; }
    void SetWorld(const du::SmartPtr<World>& world) { world_ = world; }

private:
    du::SmartPtr<World> world_;
};

}  // namespace rzk
