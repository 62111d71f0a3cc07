#include "dom/ProxyObject.h"

#include <utility>

#include "dom/detail/RuntimeAccess.h"

namespace dom {

std::int16_t RebindTable::Rebind(int declarationIndex) const {
    if (declarationIndex < 0 || static_cast<std::size_t>(declarationIndex) >= tags_.size()) {
        return -1;
    }
    return tags_[static_cast<std::size_t>(declarationIndex)];
}

ProxyObject::ProxyObject(std::int16_t interfaceIndex, RebindTablePtr rebindTable)
    : interfaceIndex_(interfaceIndex), rebindTable_(std::move(rebindTable)) {
    detail::RuntimeAccess::MarkAsProxy(*this);
}

ProxyObject::~ProxyObject() = default;

const char* ProxyObject::GetDebugClassName() const {
    return "dom::ProxyObject";
}

std::int16_t ProxyObject::Rebind(int declarationIndex) const {
    return rebindTable_ ? rebindTable_->Rebind(declarationIndex)
                        : static_cast<std::int16_t>(declarationIndex);
}

}  // namespace dom
