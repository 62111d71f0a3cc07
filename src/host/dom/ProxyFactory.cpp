#include "dom/ProxyFactory.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "dom/detail/RuntimeAccess.h"
#include "dp/DeadReference.h"

namespace dom {
namespace {

std::atomic<bool> registryDestroyed{false};

// Set while this thread reads the registry under its lock (a factory making a proxy asks the registry for
// its rebind table): a shared lock must not be taken twice by one thread.
thread_local bool readingRegistry = false;

// Shares the registry's lock unless this thread holds it already.
class RegistryReadLock {
public:
    explicit RegistryReadLock(std::shared_mutex& mutex) : nested_(readingRegistry) {
        if (!nested_) {
            lock_ = std::shared_lock(mutex);
            readingRegistry = true;
        }
    }
    ~RegistryReadLock() {
        if (!nested_) {
            readingRegistry = false;
        }
    }
    RegistryReadLock(const RegistryReadLock&) = delete;
    RegistryReadLock& operator=(const RegistryReadLock&) = delete;

private:
    bool nested_;
    std::shared_lock<std::shared_mutex> lock_;
};

}  // namespace

ProxyFactory::~ProxyFactory() = default;

const char* ProxyFactory::GetDebugClassName() const {
    return "dom::ProxyFactory";
}

RebindTablePtr ProxyFactory::GetRebindTableForHost(std::uint32_t) const {
    std::unordered_map<du::Symbol, std::int16_t> peerTags;
    auto collect = [&peerTags](const ProxyFactory& peer) {
        for (std::uint32_t position = 0; position < peer.GetMethodCount(); ++position) {
            peerTags.emplace(peer.GetMethodSignature(position), peer.GetMethodTag(position));
        }
    };
    bool collected = false;
    try {
        ProxyFactoryMap& map = ProxyFactoryMap::Instance();
        RegistryReadLock lock(map.mutex_);
        auto found = map.factories_.find(GetProxiedClassName());
        if (found != map.factories_.end()) {
            collect(*found->second);
            collected = true;
        }
    } catch (const dp::DeadReference&) {
        // Process teardown: this factory's own table is the best description left.
    }
    if (!collected) {
        collect(*this);
    }
    std::vector<std::int16_t> tags;
    for (std::uint32_t position = 0; position < GetMethodCount(); ++position) {
        std::int16_t tag = GetMethodTag(position);
        if (tag < 0) {
            continue;
        }
        if (tags.size() <= static_cast<std::size_t>(tag)) {
            tags.resize(static_cast<std::size_t>(tag) + 1, -1);
        }
        auto peer = peerTags.find(GetMethodSignature(position));
        tags[static_cast<std::size_t>(tag)] = peer != peerTags.end() ? peer->second : std::int16_t{-1};
    }
    return RebindTablePtr(new RebindTable(std::move(tags)));
}

ProxyFactoryMap& ProxyFactoryMap::Instance() {
    static ProxyFactoryMap map;
    if (registryDestroyed.load(std::memory_order_acquire)) {
        throw dp::DeadReference("dom::ProxyFactoryMap has already been destroyed");
    }
    return map;
}

ProxyFactoryMap::~ProxyFactoryMap() {
    registryDestroyed.store(true, std::memory_order_release);
}

void ProxyFactoryMap::RegisterFactory(ProxyFactory* factory) {
    if (!factory) {
        return;
    }
    du::Symbol className = factory->GetProxiedClassName();
    std::unique_lock lock(mutex_);
    factories_[className] = factory;
}

void ProxyFactoryMap::UnregisterFactory(ProxyFactory* factory) {
    std::unique_lock lock(mutex_);
    for (auto entry = factories_.begin(); entry != factories_.end(); ++entry) {
        if (entry->second == factory) {
            factories_.erase(entry);
            return;
        }
    }
}

ProxyFactory* ProxyFactoryMap::FindFactory(const du::Symbol& className) const {
    RegistryReadLock lock(mutex_);
    auto found = factories_.find(className);
    return found != factories_.end() ? found->second : nullptr;
}

namespace detail {

// Gives the object itself when the reader is local to it; otherwise a proxy from the factory of the
// object's class (or, failing that, of className), bound to the object; otherwise the object itself.
// False only when a factory could not make its proxy.
bool ResolveRemoteObject(const du::SmartPtr<ManagedObject>& object, std::int16_t interfaceIndex,
                         const du::Symbol& className, bool local, du::SmartPtr<ManagedObject>& out) {
    if (!object || local) {
        out = object;
        return true;
    }
    ProxyFactoryMap* map = nullptr;
    try {
        map = &ProxyFactoryMap::Instance();
    } catch (const dp::DeadReference&) {
        out = object;
        return true;
    }
    // The lock is held while the proxy is made so that its factory cannot be unregistered and destroyed
    // meanwhile.
    RegistryReadLock lock(map->mutex_);
    auto found = map->factories_.find(object->GetObjectClass());
    if (found == map->factories_.end()) {
        found = map->factories_.find(className);
    }
    if (found == map->factories_.end()) {
        out = object;
        return true;
    }
    du::SmartPtr<ProxyObject> proxy(found->second->CreateProxy(interfaceIndex, ProxyFactory::LOCAL_HOST));
    if (!proxy) {
        return false;
    }
    detail::RuntimeAccess::BindProxy(*proxy, object);
    out = proxy;
    return true;
}

}  // namespace detail
}  // namespace dom
