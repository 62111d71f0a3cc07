#pragma once

#include <cstdint>

#include "dom/ProxyFactory.h"
#include "du/Symbol.h"

// The factories through which the messaging layer makes a proxy whenever a handle to the module or to a
// manager reaches a thread that must call it. Each also describes its class's method table: the signature
// strings in ascending byte order, each with the tag of its operation, from which rebind tables are built.
// Both are registered while the library is loaded (module first) and removed at unload (manager first).

class workflow_WorkflowModule_proxy_Factory : public dom::ProxyFactory {
public:
    // Any thread.
    du::Symbol GetProxiedClassName() const override;
    // A new workflow_WorkflowModule_proxy, or null when the common heap has no memory. Any thread.
    dom::ProxyObject* CreateProxy(std::int16_t interfaceIndex, std::uint32_t peerHost) override;
    // Any thread.
    std::uint32_t GetMethodCount() const override;
    // Any thread.
    du::Symbol GetMethodSignature(std::uint32_t position) const override;
    // Any thread.
    std::int16_t GetMethodTag(std::uint32_t position) const override;
};

class workflow_WorkflowManager_proxy_Factory : public dom::ProxyFactory {
public:
    // Any thread.
    du::Symbol GetProxiedClassName() const override;
    // A new workflow_WorkflowManager_proxy, or null when the common heap has no memory. Any thread.
    dom::ProxyObject* CreateProxy(std::int16_t interfaceIndex, std::uint32_t peerHost) override;
    // Any thread.
    std::uint32_t GetMethodCount() const override;
    // Any thread.
    du::Symbol GetMethodSignature(std::uint32_t position) const override;
    // Any thread.
    std::int16_t GetMethodTag(std::uint32_t position) const override;
};

namespace workflow {

// Makes both factories and registers them, the module's first, each right after its signature symbols are
// made. Runs during the library's static initialisation; a factory still registered is left as it is.
// Any thread, not concurrently with itself or RemoveProxyFactories.
void RegisterProxyFactories();
// Takes both factories out of the registry and destroys them, the manager's first, each before the
// signature symbols made for it are released. Runs at unload; removing an absent factory does nothing.
// Any thread, not concurrently with itself or RegisterProxyFactories.
void RemoveProxyFactories();

}  // namespace workflow
