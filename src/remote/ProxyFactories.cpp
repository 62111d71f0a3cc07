#include "remote/ProxyFactories.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "dp/DeadReference.h"
#include "du/CommonAllocated.h"
#include "remote/RemoteOperations.h"
#include "remote/WorkflowManagerProxy.h"
#include "remote/WorkflowModuleProxy.h"

namespace {

struct MethodEntry {
    std::string_view signature;
    std::int16_t tag;
};

#define WORKFLOW_METHOD_ENTRY(tag, name, signature, ...) MethodEntry{signature, tag},

// A method table: the operations' signatures in ascending byte order, each with its operation's tag.
template <std::size_t N>
constexpr std::array<MethodEntry, N> MethodTable(std::array<MethodEntry, N> table) {
    std::sort(table.begin(), table.end(),
              [](const MethodEntry& a, const MethodEntry& b) { return a.signature < b.signature; });
    return table;
}

constexpr auto MODULE_METHODS = MethodTable(std::array<MethodEntry, workflow::remote::MODULE_OPERATION_COUNT>{
    {WORKFLOW_MODULE_OPERATIONS(WORKFLOW_METHOD_ENTRY)}});
constexpr auto MANAGER_METHODS =
    MethodTable(std::array<MethodEntry, workflow::remote::MANAGER_OPERATION_COUNT>{
        {WORKFLOW_MANAGER_OPERATIONS(WORKFLOW_METHOD_ENTRY)}});

#undef WORKFLOW_METHOD_ENTRY

template <std::size_t N>
constexpr bool SignaturesDiffer(const std::array<MethodEntry, N>& table) {
    return std::adjacent_find(table.begin(), table.end(), [](const MethodEntry& a, const MethodEntry& b) {
               return a.signature == b.signature;
           }) == table.end();
}
static_assert(SignaturesDiffer(MANAGER_METHODS), "every operation has a signature of its own");

// The signature symbols exist while their factory is registered; the factories answer from them.
template <std::size_t N>
struct Signatures {
    std::array<du::Symbol, N> symbols;

    void Make(const std::array<MethodEntry, N>& table) {
        for (std::size_t i = 0; i < N; ++i) {
            symbols[i] = du::Symbol(table[i].signature);
        }
    }
    void Release() { symbols.fill(du::Symbol()); }
    du::Symbol At(std::uint32_t position) const {
        return position < N ? symbols[position] : du::Symbol::EMPTY;
    }
};

Signatures<MODULE_METHODS.size()> moduleSignatures;
Signatures<MANAGER_METHODS.size()> managerSignatures;

template <std::size_t N>
std::int16_t TagAt(const std::array<MethodEntry, N>& table, std::uint32_t position) {
    return position < N ? table[position].tag : std::int16_t{-1};
}

std::atomic<dom::ProxyFactory*> moduleFactory{nullptr};
std::atomic<dom::ProxyFactory*> managerFactory{nullptr};

// Builds a proxy in memory from the common heap; a proxy that throws while being built leaves none behind.
template <class Proxy>
dom::ProxyObject* MakeProxy(const dom::ProxyFactory& factory, std::int16_t interfaceIndex,
                            std::uint32_t peerHost) {
    void* memory = du::CommonAllocatorImpl::Allocate(sizeof(Proxy));
    if (!memory) {
        return nullptr;
    }
    try {
        dom::RebindTablePtr table = factory.GetRebindTableForHost(peerHost);
        return new (memory) Proxy(interfaceIndex, std::move(table));
    } catch (...) {
        du::CommonAllocatorImpl::Free(memory);
        throw;
    }
}

template <class Factory>
void Register(std::atomic<dom::ProxyFactory*>& global) {
    if (global.load() != nullptr) {
        return;
    }
    void* memory = du::CommonAllocatorImpl::Allocate(sizeof(Factory));
    if (!memory) {
        return;
    }
    dom::ProxyFactory* factory = new (memory) Factory();
    global.store(factory);
    dom::ProxyFactoryMap::Instance().RegisterFactory(factory);
}

void Remove(std::atomic<dom::ProxyFactory*>& global) {
    dom::ProxyFactory* factory = global.exchange(nullptr);
    if (!factory) {
        return;
    }
    // Destroyed whatever the registry does; only a registry that is already gone is no error.
    struct Destroyer {
        dom::ProxyFactory* factory;
        ~Destroyer() { delete factory; }
    } destroyer{factory};
    try {
        dom::ProxyFactoryMap::Instance().UnregisterFactory(factory);
    } catch (const dp::DeadReference&) {
    }
}

// Registers at load and removes at unload, in the library's static initialisation and teardown.
struct LoadTimeRegistration {
    LoadTimeRegistration() { workflow::RegisterProxyFactories(); }
    ~LoadTimeRegistration() { workflow::RemoveProxyFactories(); }
} loadTimeRegistration;

}  // namespace

du::Symbol workflow_WorkflowModule_proxy_Factory::GetProxiedClassName() const {
    return workflow::WorkflowModule::GetClassName();
}

dom::ProxyObject* workflow_WorkflowModule_proxy_Factory::CreateProxy(std::int16_t interfaceIndex,
                                                                     std::uint32_t peerHost) {
    return MakeProxy<workflow_WorkflowModule_proxy>(*this, interfaceIndex, peerHost);
}

std::uint32_t workflow_WorkflowModule_proxy_Factory::GetMethodCount() const {
    return MODULE_METHODS.size();
}

du::Symbol workflow_WorkflowModule_proxy_Factory::GetMethodSignature(std::uint32_t position) const {
    return moduleSignatures.At(position);
}

std::int16_t workflow_WorkflowModule_proxy_Factory::GetMethodTag(std::uint32_t position) const {
    return TagAt(MODULE_METHODS, position);
}

du::Symbol workflow_WorkflowManager_proxy_Factory::GetProxiedClassName() const {
    return workflow::WorkflowManager::GetClassName();
}

dom::ProxyObject* workflow_WorkflowManager_proxy_Factory::CreateProxy(std::int16_t interfaceIndex,
                                                                      std::uint32_t peerHost) {
    return MakeProxy<workflow_WorkflowManager_proxy>(*this, interfaceIndex, peerHost);
}

std::uint32_t workflow_WorkflowManager_proxy_Factory::GetMethodCount() const {
    return MANAGER_METHODS.size();
}

du::Symbol workflow_WorkflowManager_proxy_Factory::GetMethodSignature(std::uint32_t position) const {
    return managerSignatures.At(position);
}

std::int16_t workflow_WorkflowManager_proxy_Factory::GetMethodTag(std::uint32_t position) const {
    return TagAt(MANAGER_METHODS, position);
}

namespace workflow {

void RegisterProxyFactories() {
    if (moduleFactory.load() == nullptr) {
        moduleSignatures.Make(MODULE_METHODS);
        Register<workflow_WorkflowModule_proxy_Factory>(moduleFactory);
    }
    if (managerFactory.load() == nullptr) {
        managerSignatures.Make(MANAGER_METHODS);
        Register<workflow_WorkflowManager_proxy_Factory>(managerFactory);
    }
}

void RemoveProxyFactories() {
    if (managerFactory.load() != nullptr) {
        Remove(managerFactory);
        managerSignatures.Release();
    }
    if (moduleFactory.load() != nullptr) {
        Remove(moduleFactory);
        moduleSignatures.Release();
    }
}

}  // namespace workflow
