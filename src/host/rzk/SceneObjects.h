#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"

namespace rzk {

// Plain host values that messages carry by counted reference. Threads: the reference count is atomic, so
// any thread may hold and release them; they hold no state of their own.
class RZHOST_API SelectionItem : public virtual du::RefCounted {};
class RZHOST_API ShapeInstance : public virtual du::RefCounted {};
class RZHOST_API Annotation : public virtual du::RefCounted {};
class RZHOST_API GeomOverride : public virtual du::RefCounted {};
class RZHOST_API GeomMarkupOverride : public GeomOverride {};

}  // namespace rzk
