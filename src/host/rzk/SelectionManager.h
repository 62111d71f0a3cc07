#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"

namespace rzk {

// The selection of a scene's objects.
class RZHOST_API SelectionManager : public virtual du::RefCounted {};

}  // namespace rzk
