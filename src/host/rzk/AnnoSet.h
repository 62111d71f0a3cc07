#pragma once

#include <cstddef>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "rzk/ObserverRegistry.h"
#include "rzk/SceneObjects.h"

namespace rzk {

class AnnotationSetObserver;

// The annotations (markups, notes, dimensions) that belong to a scene. It reports additions and removals
// with its Post calls to every registered observer (see AnnotationSetObserver).
class RZHOST_API AnnoSet : public virtual du::RefCounted {
public:
    AnnoSet();
    ~AnnoSet() override;

    // Puts observer on this set's list, leaving the subject it watched before. The observer's queue thread
    // only.
    void RegisterObserver(AnnotationSetObserver& observer);
    // Every observer gets DetachSubject, and the list is emptied. Any thread.
    void DetachObservers();
    // Any thread.
    std::size_t GetObserverCount() const;

    // Any thread.
    void PostAnnotationAdded(const du::SmartPtr<Annotation>& annotation);
    // Any thread.
    void PostAnnotationRemoved(const du::SmartPtr<Annotation>& annotation);

private:
    const du::SmartPtr<ObserverRegistry> observers_;
};

}  // namespace rzk
