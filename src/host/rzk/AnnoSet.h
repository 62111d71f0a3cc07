#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"

namespace rzk {

// The annotations (markups, notes, dimensions) that belong to a scene.
class RZHOST_API AnnoSet : public virtual du::RefCounted {};

}  // namespace rzk
