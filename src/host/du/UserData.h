#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"

namespace du {

// Base of host objects that callers may hand around as opaque, counted data. Threads: as RefCounted, any
// thread may add and remove references.
class RZHOST_API UserData : public virtual RefCounted {
public:
    ~UserData() override;

protected:
    UserData() = default;
};

}  // namespace du
