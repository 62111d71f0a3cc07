#pragma once

#include <vector>

#include "dom/Message.h"
#include "dom/Observer.h"
#include "du/HostExport.h"
#include "du/SmartPtr.h"
#include "rzk/ObserverRegistry.h"
#include "rzk/SceneObjects.h"

namespace rzk {

// Base of the observers of a scene's selection. Unlike the other observer bases it has no detach or batch
// callbacks: it is registered and unregistered only through SelectionManager, and leaves the selection
// manager at the latest when it is destroyed. The selection manager posts one event:
//   1 SELECTION_CHANGED  uint list id, bool clear, uint n, n item pointers removed, uint m, m item pointers
//                        added                                            -> OnSelectionChanged
class RZHOST_API SelectionObserver : public dom::Observer {
public:
    using ItemList = std::vector<du::SmartPtr<SelectionItem>>;

    static constexpr unsigned char SELECTION_CHANGED = 1;

    ~SelectionObserver() override;

    // The items removed from and added to selection list listId; the lists live for the call only. Queue
    // thread only.
    virtual void OnSelectionChanged(unsigned int listId, bool clear, const ItemList& removed,
                                    const ItemList& added);

    // Decodes the event into OnSelectionChanged; the observer keeps itself alive for the call. Queue thread
    // only.
    void HandleMessage(const dom::MessagePtr& message) override;

protected:
    SelectionObserver();

private:
    friend class ObserverRegistry;
    du::SmartPtr<ObserverRegistry> registry_;
};

}  // namespace rzk
