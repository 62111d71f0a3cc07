#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "rzk/ObserverRegistry.h"
#include "rzk/SceneObjects.h"

namespace rzk {

class SelectionObserver;

// The selection of a scene's objects. It reports each change of a selection list with PostSelectionChanged
// to every registered observer (see SelectionObserver).
class RZHOST_API SelectionManager : public virtual du::RefCounted {
public:
    SelectionManager();
    ~SelectionManager() override;

    // Puts observer on this selection manager's list, leaving the one it watched before. The observer's
    // queue thread only.
    void RegisterObserver(SelectionObserver& observer);
    // Takes observer off the list; nothing when it is not on it. The observer's queue thread only.
    void UnregisterObserver(SelectionObserver& observer);
    // Any thread.
    std::size_t GetObserverCount() const;

    // Selection list listId lost removed and gained added (clear: the list was emptied first). Any thread.
    void PostSelectionChanged(unsigned int listId, bool clear,
                              const std::vector<du::SmartPtr<SelectionItem>>& removed,
                              const std::vector<du::SmartPtr<SelectionItem>>& added);

    // The shape instances selected by id, in the order they were added; an id already selected is not
    // added twice. The stand-in keeps ids rather than instances because its scenes hold no geometry to
    // pick from. Any thread.
    void AddInstance(unsigned int id);
    // Takes id out of the selection; an id not selected is left alone. Any thread.
    void RemoveInstance(unsigned int id);
    // Any thread.
    void ClearInstances();
    // Any thread.
    std::vector<unsigned int> GetInstances() const;

private:
    const du::SmartPtr<ObserverRegistry> observers_;
    mutable std::mutex lock_;
    std::vector<unsigned int> instances_;
};

}  // namespace rzk
