#pragma once

#include "dom/Message.h"
#include "dom/Observer.h"
#include "du/HostExport.h"
#include "du/SmartPtr.h"
#include "rzk/ObserverRegistry.h"

namespace rzk {

// Base of the observers of the host's windows, scenes, views and annotation sets. A subject's
// RegisterObserver puts the observer on the subject's list; from then on the subject posts each event as a
// message to the observer's queue, and HandleMessage hands it to EventHandler, which decodes it into the
// virtual callback. An observer watches one subject at a time, and leaves it by Unregister or, at the
// latest, when it is destroyed.
//
// Events every subject may send, as message tags without values:
//   1 DETACH_SUBJECT  the subject lets its observers go       -> DetachSubject()
//   2 BEGIN_UPDATE    a batch of changes starts              -> OnBeginUpdate()
//   3 END_UPDATE      the batch is complete                  -> OnEndUpdate()
// The two batch events go only to observers that answered true to UsesUpdateBatches when they registered.
// A subject's own events are numbered from FIRST_SUBJECT_EVENT.
class RZHOST_API Observer : public dom::Observer {
public:
    static constexpr unsigned char DETACH_SUBJECT = 1;
    static constexpr unsigned char BEGIN_UPDATE = 2;
    static constexpr unsigned char END_UPDATE = 3;
    static constexpr unsigned char FIRST_SUBJECT_EVENT = 16;

    ~Observer() override;

    // Leaves the subject this observer is registered with; nothing when there is none. Queue thread only.
    void Unregister();
    // True while on a subject's list. Queue thread only.
    bool IsRegistered() const;

    // Decodes one event into its callback. False for an event this class does not know, or one whose values
    // do not read; such an event is dropped. Queue thread only.
    virtual bool EventHandler(unsigned char event, dom::MessageReader& reader);
    // Whether this observer wants its subject's changes bracketed by OnBeginUpdate and OnEndUpdate; asked
    // once, at registration. Queue thread only.
    virtual bool UsesUpdateBatches();
    // The subject lets this observer go; by default the observer leaves it. Queue thread only.
    virtual void DetachSubject();
    // Queue thread only.
    virtual void OnBeginUpdate();
    // Queue thread only.
    virtual void OnEndUpdate();
    // The observer is to report to no one from now on; nothing by default. Queue thread only.
    virtual void DetachManager();

    // Every event message goes to EventHandler; the observer keeps itself alive for the call, since a
    // callback may drop the last reference held elsewhere. Queue thread only.
    void HandleMessage(const dom::MessagePtr& message) override;

protected:
    Observer();

private:
    friend class ObserverRegistry;
    du::SmartPtr<ObserverRegistry> registry_;
};

}  // namespace rzk
