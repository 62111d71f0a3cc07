#pragma once

#include <cstddef>
#include <cstdint>

#include "remote/RemoteCall.h"
#include "rzk/WorkflowManager.h"
#include "rzk/WorkflowModule.h"

// The operations of the two remote interfaces, each written once: its tag (the declaration index, which
// is also its place in the host interface), its name, its signature string, its result and its
// parameters. The proxies, the dispatchers and the proxy factories' method tables are generated from these
// lists; what travels for each parameter follows from its type (RemoteCall.h), and the checks below keep
// every signature string in step with its operation's parameters.
//
//     X(tag, Name, "signature string", Result, (parameters), (argument names))

#define WORKFLOW_MANAGER_OPERATIONS(X)                                                                    \
    X(0, RegisterNotificationObserver, "RegisterNotificationObserver__IRrzk::NotificationObserver", void, \
      (const du::SmartPtr<rzk::NotificationObserver>& observer), (observer))                              \
    X(1, DeregisterNotificationObserver, "DeregisterNotificationObserver__IRrzk::NotificationObserver",   \
      void, (const du::SmartPtr<rzk::NotificationObserver>& observer), (observer))                        \
    X(2, RegisterObserver, "RegisterObserver__IRrzk::WorkflowManagerObserver", void,                      \
      (const du::SmartPtr<rzk::WorkflowManagerObserver>& observer), (observer))                           \
    X(3, DeregisterObserver, "DeregisterObserver__IRrzk::WorkflowManagerObserver", void,                  \
      (const du::SmartPtr<rzk::WorkflowManagerObserver>& observer), (observer))                           \
    X(4, AddWorkflow, "AddWorkflow__IS__Ib", void, (const du::Symbol& name, bool persistent),             \
      (name, persistent))                                                                                 \
    X(5, AddWorkflowAtPriority, "AddWorkflowAtPriority__IS__Iul__Ib", void,                               \
      (const du::Symbol& name, unsigned int priority, bool persistent), (name, priority, persistent))     \
    X(6, SetWorkflowPersistent, "SetWorkflowPersistent__Iul__Ib", void,                                   \
      (unsigned int priority, bool persistent), (priority, persistent))                                   \
    X(7, RemoveWorkflowByPriority, "RemoveWorkflowByPriority__Iul", void, (unsigned int priority),        \
      (priority))                                                                                         \
    X(8, RemoveWorkflowByName, "RemoveWorkflowByName__IS", void, (const du::Symbol& name), (name))        \
    X(9, FindWorkflow, "FindWorkflow__Iul", du::Symbol, (unsigned int priority), (priority))              \
    X(10, SendModeMessage, "SendModeMessage__IS__IS__Il__IRdu::RefCounted", void,                         \
      (const du::Symbol& workflowName, const du::Symbol& modeString, int modeNumber,                      \
       const du::SmartPtr<du::RefCounted>& modeObject),                                                   \
      (workflowName, modeString, modeNumber, modeObject))                                                 \
    X(11, QueryWorkflows, "QueryWorkflows__IS__OS__Ol__ORdu::RefCounted", bool,                           \
      (const du::Symbol& query, du::Symbol& symbol, int& number, du::SmartPtr<du::RefCounted>& object),   \
      (query, symbol, number, object))                                                                    \
    X(12, ToggleComponentRotate, "ToggleComponentRotate", void, (), ())                                   \
    X(13, SetCurPage, "SetCurPage__Il", void, (int page), (page))                                         \
    X(14, UpdateStatusMsg, "UpdateStatusMsg", void, (), ())                                               \
    X(15, SetMouseCursor, "SetMouseCursor__Iul__IS", void,                                                \
      (unsigned int priority, const du::Symbol& cursor), (priority, cursor))                              \
    X(16, GetCurrentCursor, "GetCurrentCursor", du::Symbol, (), ())                                       \
    X(17, SetCursorPosition, "SetCursorPosition__Il__Il", void, (int x, int y), (x, y))                   \
    X(18, OutputTraceString, "OutputTraceString__IS__IS", void,                                           \
      (const du::Symbol& source, const du::Symbol& text), (source, text))                                 \
    X(19, HandleTraceString, "HandleTraceString__IS__IS", void,                                           \
      (const du::Symbol& workflowName, const du::Symbol& text), (workflowName, text))                     \
    X(20, SetWorkflowTraceEnabled, "SetWorkflowTraceEnabled__Ib", void, (bool enabled), (enabled))        \
    X(21, IsWorkflowTraceEnabled, "IsWorkflowTraceEnabled", bool, (), ())                                 \
    X(22, ManagePluginObserver, "ManagePluginObserver__IRdu::RefCounted", void,                           \
      (const du::SmartPtr<du::RefCounted>& object), (object))                                             \
    X(23, GetInternalInterface, "GetInternalInterface__IS", du::SmartPtr<du::RefCounted>,                 \
      (const du::Symbol& type), (type))                                                                   \
    X(24, Destroy, "Destroy", void, (), ())

#define WORKFLOW_MODULE_OPERATIONS(X)                                                     \
    X(0, CreateManager, "CreateManager__IRrzk::View", du::SmartPtr<rzk::WorkflowManager>, \
      (const du::SmartPtr<rzk::View>& view), (view))

// The argument names of a table row as the rest of an argument list: ", a, b", or nothing.
#define WORKFLOW_REMOTE_MORE_ARGUMENTS(...) __VA_OPT__(, ) __VA_ARGS__

namespace workflow::remote {

#define WORKFLOW_REMOTE_COUNT(...) +1
#define WORKFLOW_REMOTE_TAG(tag, ...) tag,

// How many operations each interface has; their tags run from 0 to one less.
constexpr std::size_t MANAGER_OPERATION_COUNT = 0 WORKFLOW_MANAGER_OPERATIONS(WORKFLOW_REMOTE_COUNT);
constexpr std::size_t MODULE_OPERATION_COUNT = 0 WORKFLOW_MODULE_OPERATIONS(WORKFLOW_REMOTE_COUNT);

namespace detail {

template <std::size_t N>
constexpr bool TagsAreDeclarationIndices(const std::int16_t (&tags)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        if (tags[i] != static_cast<std::int16_t>(i)) {
            return false;
        }
    }
    return true;
}

constexpr std::int16_t MANAGER_TAGS[] = {WORKFLOW_MANAGER_OPERATIONS(WORKFLOW_REMOTE_TAG)};
constexpr std::int16_t MODULE_TAGS[] = {WORKFLOW_MODULE_OPERATIONS(WORKFLOW_REMOTE_TAG)};
static_assert(TagsAreDeclarationIndices(MANAGER_TAGS), "the manager's rows stand in tag order from 0");
static_assert(TagsAreDeclarationIndices(MODULE_TAGS), "the module's rows stand in tag order from 0");

#define WORKFLOW_REMOTE_CHECK_SIGNATURE(Interface, tag, name, signature, ...) \
    static_assert(SignatureDescribes(signature, #name, &Interface::name),     \
                  "the signature string of " #name " names its parameters");
#define WORKFLOW_REMOTE_CHECK_MANAGER(...) WORKFLOW_REMOTE_CHECK_SIGNATURE(rzk::WorkflowManager, __VA_ARGS__)
#define WORKFLOW_REMOTE_CHECK_MODULE(...) WORKFLOW_REMOTE_CHECK_SIGNATURE(rzk::WorkflowModule, __VA_ARGS__)
WORKFLOW_MANAGER_OPERATIONS(WORKFLOW_REMOTE_CHECK_MANAGER)
WORKFLOW_MODULE_OPERATIONS(WORKFLOW_REMOTE_CHECK_MODULE)
#undef WORKFLOW_REMOTE_CHECK_MODULE
#undef WORKFLOW_REMOTE_CHECK_MANAGER
#undef WORKFLOW_REMOTE_CHECK_SIGNATURE

}  // namespace detail

#undef WORKFLOW_REMOTE_TAG
#undef WORKFLOW_REMOTE_COUNT

}  // namespace workflow::remote
