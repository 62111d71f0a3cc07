#pragma once
#include "dom/ManagedObject.h"
namespace dom {
class RZHOST_API Observer : public virtual ManagedObject {};
}  // namespace dom
