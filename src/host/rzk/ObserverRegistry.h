#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "du/HostExport.h"
#include "du/RefCounted.h"

namespace rzk {

class Observer;
class SelectionObserver;

// The observers registered with one subject (a window, a scene, a view, ...), and the way the subject's
// events reach them: one message per observer, posted to the observer's own queue, where its HandleMessage
// decodes it into a callback. So callbacks always run on the observer's thread, never on the poster's.
//
// The list does not count its observers: an observer leaves it when it unregisters and, at the latest, in
// its destructor, which waits for the list's lock. A post holds that lock while it writes, so no observer
// can be destroyed under a post; and posting runs no callback (events are one-way messages), so holding the
// lock cannot deadlock. An observer whose queue no longer manages it gets nothing: its messages come back
// to the runtime, which drops them.
//
// The registry outlives its subject while observers still refer to it, so an observer can always leave.
class RZHOST_API ObserverRegistry : public du::RefCounted {
public:
    ObserverRegistry();
    ~ObserverRegistry() override;

    // Registers observer with this subject, leaving its earlier subject first (an observer watches one
    // subject at a time). flags are kept for the host's interface: this stand-in delivers every event to
    // every observer. Whether the observer gets OnBeginUpdate and OnEndUpdate is asked here, once. The
    // observer's queue thread only.
    void Register(Observer& observer, std::uint32_t flags);
    void Register(SelectionObserver& observer);
    // Takes observer off the list; nothing when it is not on it. The observer's queue thread only.
    void Unregister(Observer& observer);
    void Unregister(SelectionObserver& observer);

    // Posts event to every registered observer (with batchesOnly, only to those that use update batches);
    // write(writer) fills in the values of each message. Any thread.
    template <class Write>
    void Post(unsigned char event, Write&& write, bool batchesOnly = false) const {
        std::lock_guard guard(lock_);
        for (const Entry& entry : entries_) {
            if (batchesOnly && !entry.usesUpdateBatches) {
                continue;
            }
            dom::MessageWriter writer = entry.observer->StartNewMessage(event);
            write(writer);
            entry.observer->DeliverMessage(writer.FinaliseMessage());
        }
    }
    // Posts event, without values, to every observer and empties the list: the subject lets its observers
    // go. The observers still refer to this registry until they unregister, which then finds nothing. Any
    // thread.
    void DetachAll(unsigned char event);

    // Number of registered observers. Any thread.
    std::size_t GetCount() const;
    // Any thread.
    bool Contains(const dom::ManagedObject& observer) const;

private:
    struct Entry {
        dom::ManagedObject* observer;
        bool usesUpdateBatches;
    };

    void Add(dom::ManagedObject& observer, bool usesUpdateBatches);
    void Remove(const dom::ManagedObject& observer);

    mutable std::mutex lock_;
    std::vector<Entry> entries_;
};

}  // namespace rzk
