#pragma once

#include <cstdint>
#include <shared_mutex>
#include <unordered_map>

#include "dom/ProxyObject.h"
#include "du/CommonAllocated.h"
#include "du/HostExport.h"
#include "du/Symbol.h"

namespace dom {

// Makes the proxies of one class, and describes that class's method table: for each position an
// operation's signature string and its tag. The messaging layer calls it from any thread, so a factory
// keeps no state that changes after it is registered.
class RZHOST_API ProxyFactory : public du::CommonAllocated {
public:
    // The one peer host of this stand-in: the process itself.
    static constexpr std::uint32_t LOCAL_HOST = 0;

    ~ProxyFactory() override;

    // Any thread.
    const char* GetDebugClassName() const override;
    // The class whose proxies this factory makes. Any thread.
    virtual du::Symbol GetProxiedClassName() const = 0;
    // A new proxy for the interface at interfaceIndex, talking to peerHost; null when there is no memory.
    // Any thread.
    virtual ProxyObject* CreateProxy(std::int16_t interfaceIndex, std::uint32_t peerHost) = 0;
    // Any thread.
    virtual std::uint32_t GetMethodCount() const = 0;
    // The signature at a method-table position; EMPTY past the end. Any thread.
    virtual du::Symbol GetMethodSignature(std::uint32_t position) const = 0;
    // The tag at a method-table position; -1 past the end. Any thread.
    virtual std::int16_t GetMethodTag(std::uint32_t position) const = 0;

    // The rebind table for talking to peerHost: for each of this factory's tags, the tag that the peer's
    // method table gives the same signature (-1 where the peer lacks it). The peer's table for the class is
    // the one of the factory registered for it in ProxyFactoryMap (this factory's own when none is). Any
    // thread.
    RebindTablePtr GetRebindTableForHost(std::uint32_t peerHost) const;

protected:
    ProxyFactory() = default;
};

// The process-wide registry of proxy factories, one per proxied class.
class RZHOST_API ProxyFactoryMap {
public:
    // The registry. Throws dp::DeadReference once it has been destroyed at process exit. Any thread.
    static ProxyFactoryMap& Instance();

    // Makes factory the one for its proxied class (replacing an earlier one). Null is ignored. Any thread.
    virtual void RegisterFactory(ProxyFactory* factory);
    // Takes factory out if it is registered; the caller still owns it. Any thread.
    virtual void UnregisterFactory(ProxyFactory* factory);
    virtual ~ProxyFactoryMap();

    // The factory registered for className, or null. It stays valid only while it stays registered. Any
    // thread.
    ProxyFactory* FindFactory(const du::Symbol& className) const;

    ProxyFactoryMap(const ProxyFactoryMap&) = delete;
    ProxyFactoryMap& operator=(const ProxyFactoryMap&) = delete;

private:
    friend class ProxyFactory;
    friend bool detail::ResolveRemoteObject(const du::SmartPtr<ManagedObject>&, std::int16_t,
                                            const du::Symbol&, bool, du::SmartPtr<ManagedObject>&);
    ProxyFactoryMap() = default;

    mutable std::shared_mutex mutex_;
    std::unordered_map<du::Symbol, ProxyFactory*> factories_;
};

}  // namespace dom
