#pragma once

#include <atomic>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "rzk/AnnoSet.h"
#include "rzk/SelectionManager.h"
#include "rzk/SharedSlot.h"

namespace rzk {

// The world a scene belongs to; it can switch user input off.
class RZHOST_API World : public virtual du::RefCounted {
public:
    // Any thread.
    bool IsUserInputDisabled() const { return inputDisabled_.load(std::memory_order_relaxed); }
    // Any thread.
    void SetUserInputDisabled(bool disabled) { inputDisabled_.store(disabled, std::memory_order_relaxed); }

private:
    std::atomic<bool> inputDisabled_{false};
};

// The content a view shows, with its world, its selection and its annotations. A host builds a scene and
// fills in the parts it has; every part may be absent.
class RZHOST_API Scene : public virtual du::RefCounted {
public:
    // Fills out with the world, null when there is none. Any thread.
    void GetWorld(du::SmartPtr<World>& out) const { out = world_.Get(); }
    // Fills out with the selection manager, null when there is none. Any thread.
    void GetSelectionManager(du::SmartPtr<SelectionManager>& out) const { out = selection_.Get(); }
    // Fills out with the annotation set, null when there is none. Any thread.
    void GetAnnoSet(du::SmartPtr<AnnoSet>& out) const { out = annotations_.Get(); }

    // Any thread.
    void SetWorld(const du::SmartPtr<World>& world) { world_.Set(world); }
    // Any thread.
    void SetSelectionManager(const du::SmartPtr<SelectionManager>& selection) { selection_.Set(selection); }
    // Any thread.
    void SetAnnoSet(const du::SmartPtr<AnnoSet>& annotations) { annotations_.Set(annotations); }

private:
    SharedSlot<World> world_;
    SharedSlot<SelectionManager> selection_;
    SharedSlot<AnnoSet> annotations_;
};

}  // namespace rzk
