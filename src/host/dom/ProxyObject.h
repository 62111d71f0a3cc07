#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dom/ManagedObject.h"
#include "du/CommonAllocated.h"
#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"

namespace dom {

namespace detail {
class RuntimeAccess;
bool ResolveRemoteObject(const du::SmartPtr<ManagedObject>& object, std::int16_t interfaceIndex,
                         const du::Symbol& className, bool local, du::SmartPtr<ManagedObject>& out);
}  // namespace detail

// Maps an operation's declaration index on the calling side to the tag that the peer host knows it by.
// Made by ProxyFactory::GetRebindTableForHost; shared by every proxy made for that host.
class RZHOST_API RebindTable : public du::RefCounted {
public:
    explicit RebindTable(std::vector<std::int16_t> tags) : tags_(std::move(tags)) {}

    // The peer's tag, or -1 for an index the table does not know. Any thread.
    std::int16_t Rebind(int declarationIndex) const;
    // Any thread.
    std::size_t GetSize() const { return tags_.size(); }

private:
    std::vector<std::int16_t> tags_;
};

using RebindTablePtr = du::SmartPtr<const RebindTable>;

// The calling end of a remote interface: messages started on a proxy (StartNewMessage) go to its target,
// addressed through the proxy's interface index. Made by a ProxyFactory when a handle reaches a queue other
// than its object's; the messaging layer then binds it to the object. Proxies are never managed themselves,
// and keep their target alive.
class RZHOST_API ProxyObject : public ManagedObject, public du::CommonAllocated {
public:
    // A proxy for the interface at interfaceIndex; a null table sends every operation under its own index.
    ProxyObject(std::int16_t interfaceIndex, RebindTablePtr rebindTable);
    ~ProxyObject() override;

    // Any thread.
    const char* GetDebugClassName() const override;
    // The tag to send for the operation at declarationIndex. Any thread.
    std::int16_t Rebind(int declarationIndex) const;
    // The interface index that messages from this proxy carry as their method table. Any thread.
    std::int16_t GetProxyInterfaceIndex() const { return interfaceIndex_; }
    // Any thread.
    const RebindTablePtr& GetRebindTable() const { return rebindTable_; }
    // The object this proxy calls; null until bound. Any thread.
    const du::SmartPtr<ManagedObject>& GetTarget() const { return target_; }

private:
    friend class detail::RuntimeAccess;

    std::int16_t interfaceIndex_;
    RebindTablePtr rebindTable_;
    du::SmartPtr<ManagedObject> target_;
};

}  // namespace dom
