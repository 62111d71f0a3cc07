#include "remote/ProxyFactories.h"

#include <array>
#include <atomic>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "dp/DeadReference.h"
#include "du/CommonAllocated.h"
#include "remote/WorkflowManagerProxy.h"
#include "remote/WorkflowModuleProxy.h"

namespace {

struct MethodEntry {
    std::string_view signature;
    std::int16_t tag;
};

constexpr std::array<MethodEntry, 1> kModuleMethods{{{"CreateManager__IRrzk::View", 0}}};

// By position: the signatures in ascending byte order, each with its operation's declaration index.
constexpr std::array<MethodEntry, 25> kManagerMethods{{
    {"AddWorkflowAtPriority__IS__Iul__Ib", 5},
    {"AddWorkflow__IS__Ib", 4},
    {"DeregisterNotificationObserver__IRrzk::NotificationObserver", 1},
    {"DeregisterObserver__IRrzk::WorkflowManagerObserver", 3},
    {"Destroy", 24},
    {"FindWorkflow__Iul", 9},
    {"GetCurrentCursor", 16},
    {"GetInternalInterface__IS", 23},
    {"HandleTraceString__IS__IS", 19},
    {"IsWorkflowTraceEnabled", 21},
    {"ManagePluginObserver__IRdu::RefCounted", 22},
    {"OutputTraceString__IS__IS", 18},
    {"QueryWorkflows__IS__OS__Ol__ORdu::RefCounted", 11},
    {"RegisterNotificationObserver__IRrzk::NotificationObserver", 0},
    {"RegisterObserver__IRrzk::WorkflowManagerObserver", 2},
    {"RemoveWorkflowByName__IS", 8},
    {"RemoveWorkflowByPriority__Iul", 7},
    {"SendModeMessage__IS__IS__Il__IRdu::RefCounted", 10},
    {"SetCurPage__Il", 13},
    {"SetCursorPosition__Il__Il", 17},
    {"SetMouseCursor__Iul__IS", 15},
    {"SetWorkflowPersistent__Iul__Ib", 6},
    {"SetWorkflowTraceEnabled__Ib", 20},
    {"ToggleComponentRotate", 12},
    {"UpdateStatusMsg", 14},
}};

template <std::size_t N>
constexpr bool InByteOrder(const std::array<MethodEntry, N>& table) {
    for (std::size_t i = 1; i < N; ++i) {
        if (!(table[i - 1].signature < table[i].signature)) {
            return false;
        }
    }
    return true;
}
static_assert(InByteOrder(kManagerMethods), "a method table lists its signatures in ascending byte order");

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

Signatures<1> moduleSignatures;
Signatures<25> managerSignatures;

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
    return kModuleMethods.size();
}

du::Symbol workflow_WorkflowModule_proxy_Factory::GetMethodSignature(std::uint32_t position) const {
    return moduleSignatures.At(position);
}

std::int16_t workflow_WorkflowModule_proxy_Factory::GetMethodTag(std::uint32_t position) const {
    return TagAt(kModuleMethods, position);
}

du::Symbol workflow_WorkflowManager_proxy_Factory::GetProxiedClassName() const {
    return workflow::WorkflowManager::GetClassName();
}

dom::ProxyObject* workflow_WorkflowManager_proxy_Factory::CreateProxy(std::int16_t interfaceIndex,
                                                                      std::uint32_t peerHost) {
    return MakeProxy<workflow_WorkflowManager_proxy>(*this, interfaceIndex, peerHost);
}

std::uint32_t workflow_WorkflowManager_proxy_Factory::GetMethodCount() const {
    return kManagerMethods.size();
}

du::Symbol workflow_WorkflowManager_proxy_Factory::GetMethodSignature(std::uint32_t position) const {
    return managerSignatures.At(position);
}

std::int16_t workflow_WorkflowManager_proxy_Factory::GetMethodTag(std::uint32_t position) const {
    return TagAt(kManagerMethods, position);
}

namespace workflow {

void RegisterProxyFactories() {
    if (moduleFactory.load() == nullptr) {
        moduleSignatures.Make(kModuleMethods);
        Register<workflow_WorkflowModule_proxy_Factory>(moduleFactory);
    }
    if (managerFactory.load() == nullptr) {
        managerSignatures.Make(kManagerMethods);
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
