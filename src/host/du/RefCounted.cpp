#include "du/RefCounted.h"

namespace du {

RefCounted::~RefCounted() = default;

void RefCounted::AddReference(const void*) const noexcept {
    count_.fetch_add(1, std::memory_order_relaxed);
}

void RefCounted::RemoveReference(const void*) const noexcept {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1 && ZeroReferenceCountHook()) {
        delete this;
    }
}

}  // namespace du
