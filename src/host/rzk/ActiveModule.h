#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/Symbol.h"

namespace rzk {

// The record of a component that runs as an actor on its own queue: the name under which the actor is
// registered, for dom::GetDistinguishedObject.
class RZHOST_API ActiveModule : public virtual du::RefCounted {
public:
    explicit ActiveModule(const du::Symbol& actorName = du::Symbol()) : actorName_(actorName) {}

    // Unset when the record names no actor. Any thread.
    const du::Symbol& GetActorName() const { return actorName_; }

private:
    const du::Symbol actorName_;
};

}  // namespace rzk
