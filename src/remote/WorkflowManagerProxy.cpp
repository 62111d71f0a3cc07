#include "remote/WorkflowManagerProxy.h"

#include <stdexcept>
#include <utility>

#include "remote/RemoteValues.h"
#include "rzk/NotificationObserver.h"
#include "rzk/WorkflowManagerObserver.h"

using workflow::remote::PushObject;
using workflow::remote::PushObserver;
using workflow::remote::TakeObject;
using workflow::remote::ThrowMissingReplyValue;

workflow_WorkflowManager_proxy::workflow_WorkflowManager_proxy(std::int16_t interfaceIndex,
                                                               dom::RebindTablePtr rebindTable)
    : dom::ProxyObject(interfaceIndex, std::move(rebindTable)) {}

workflow_WorkflowManager_proxy::~workflow_WorkflowManager_proxy() = default;

std::int16_t workflow_WorkflowManager_proxy::BaseClassOffsetByName(const du::Symbol& className) const {
    return OffsetOfClass(className);
}

int workflow_WorkflowManager_proxy::GetBaseClassCount() const {
    return BASE_CLASS_COUNT;
}

std::int16_t workflow_WorkflowManager_proxy::GetBaseClassParent(int index) const {
    return ParentOfBaseClass(index);
}

du::Symbol workflow_WorkflowManager_proxy::GetBaseClass(int index) const {
    return BaseClassAt(index);
}

void workflow_WorkflowManager_proxy::HandleMessage(const dom::MessagePtr&) {
    throw std::runtime_error(
        "Protocol Error:workflow_WorkflowManager_proxy::HandleMessage(const dom::MessagePtr&) called.");
}

dom::MessageWriter workflow_WorkflowManager_proxy::Begin(int declarationIndex) const {
    return StartNewMessage(Rebind(declarationIndex));
}

void workflow_WorkflowManager_proxy::Post(dom::MessageWriter& writer) const {
    writer.ClearNeedsReplyFlag();
    DeliverMessage(writer.FinaliseMessage());
}

dom::MessagePtr workflow_WorkflowManager_proxy::Call(dom::MessageWriter& writer) const {
    writer.MarkNeedsReplyFlag();
    dom::MessagePtr message = writer.FinaliseMessage();
    DeliverMessage(message);
    return message;
}

void workflow_WorkflowManager_proxy::RegisterNotificationObserver(
    const du::SmartPtr<rzk::NotificationObserver>& observer) {
    dom::MessageWriter writer = Begin(0);
    PushObserver(*this, observer, writer);
    Post(writer);
}

void workflow_WorkflowManager_proxy::DeregisterNotificationObserver(
    const du::SmartPtr<rzk::NotificationObserver>& observer) {
    dom::MessageWriter writer = Begin(1);
    PushObserver(*this, observer, writer);
    Post(writer);
}

void workflow_WorkflowManager_proxy::RegisterObserver(
    const du::SmartPtr<rzk::WorkflowManagerObserver>& observer) {
    dom::MessageWriter writer = Begin(2);
    PushObserver(*this, observer, writer);
    Post(writer);
}

void workflow_WorkflowManager_proxy::DeregisterObserver(
    const du::SmartPtr<rzk::WorkflowManagerObserver>& observer) {
    dom::MessageWriter writer = Begin(3);
    PushObserver(*this, observer, writer);
    Post(writer);
}

void workflow_WorkflowManager_proxy::AddWorkflow(const du::Symbol& name, bool persistent) {
    dom::MessageWriter writer = Begin(4);
    writer.PushStringValue(name);
    writer.PushBooleanValue(persistent);
    Post(writer);
}

void workflow_WorkflowManager_proxy::AddWorkflowAtPriority(const du::Symbol& name, unsigned int priority,
                                                           bool persistent) {
    dom::MessageWriter writer = Begin(5);
    writer.PushStringValue(name);
    writer.PushUInt32Value(priority);
    writer.PushBooleanValue(persistent);
    Post(writer);
}

void workflow_WorkflowManager_proxy::SetWorkflowPersistent(unsigned int priority, bool persistent) {
    dom::MessageWriter writer = Begin(6);
    writer.PushUInt32Value(priority);
    writer.PushBooleanValue(persistent);
    Post(writer);
}

void workflow_WorkflowManager_proxy::RemoveWorkflowByPriority(unsigned int priority) {
    dom::MessageWriter writer = Begin(7);
    writer.PushUInt32Value(priority);
    Post(writer);
}

void workflow_WorkflowManager_proxy::RemoveWorkflowByName(const du::Symbol& name) {
    dom::MessageWriter writer = Begin(8);
    writer.PushStringValue(name);
    Post(writer);
}

du::Symbol workflow_WorkflowManager_proxy::FindWorkflow(unsigned int priority) {
    dom::MessageWriter writer = Begin(9);
    writer.PushUInt32Value(priority);
    dom::MessageReader reader(Call(writer));
    du::Symbol result;
    if (!reader.GetStringValue(result)) {
        ThrowMissingReplyValue();
    }
    return result;
}

void workflow_WorkflowManager_proxy::SendModeMessage(const du::Symbol& workflowName,
                                                     const du::Symbol& modeString, int modeNumber,
                                                     const du::SmartPtr<du::RefCounted>& modeObject) {
    dom::MessageWriter writer = Begin(10);
    writer.PushStringValue(workflowName);
    writer.PushStringValue(modeString);
    writer.PushInt32Value(modeNumber);
    PushObject(modeObject, writer);
    Post(writer);
}

bool workflow_WorkflowManager_proxy::QueryWorkflows(const du::Symbol& query, du::Symbol& symbol, int& number,
                                                    du::SmartPtr<du::RefCounted>& object) {
    dom::MessageWriter writer = Begin(11);
    writer.PushStringValue(query);
    dom::MessageReader reader(Call(writer));
    // Each out-value keeps what was read before a missing one.
    bool result = false;
    if (!reader.GetStringValue(symbol) || !reader.GetInt32Value(number) || !TakeObject(reader, object) ||
        !reader.GetBooleanValue(result)) {
        ThrowMissingReplyValue();
    }
    return result;
}

void workflow_WorkflowManager_proxy::ToggleComponentRotate() {
    dom::MessageWriter writer = Begin(12);
    Post(writer);
}

void workflow_WorkflowManager_proxy::SetCurPage(int page) {
    dom::MessageWriter writer = Begin(13);
    writer.PushInt32Value(page);
    Post(writer);
}

void workflow_WorkflowManager_proxy::UpdateStatusMsg() {
    dom::MessageWriter writer = Begin(14);
    Post(writer);
}

void workflow_WorkflowManager_proxy::SetMouseCursor(unsigned int priority, const du::Symbol& cursor) {
    dom::MessageWriter writer = Begin(15);
    writer.PushUInt32Value(priority);
    writer.PushStringValue(cursor);
    Post(writer);
}

du::Symbol workflow_WorkflowManager_proxy::GetCurrentCursor() {
    dom::MessageWriter writer = Begin(16);
    dom::MessageReader reader(Call(writer));
    du::Symbol result;
    if (!reader.GetStringValue(result)) {
        ThrowMissingReplyValue();
    }
    return result;
}

void workflow_WorkflowManager_proxy::SetCursorPosition(int x, int y) {
    dom::MessageWriter writer = Begin(17);
    writer.PushInt32Value(x);
    writer.PushInt32Value(y);
    Post(writer);
}

void workflow_WorkflowManager_proxy::OutputTraceString(const du::Symbol& source, const du::Symbol& text) {
    dom::MessageWriter writer = Begin(18);
    writer.PushStringValue(source);
    writer.PushStringValue(text);
    Post(writer);
}

void workflow_WorkflowManager_proxy::HandleTraceString(const du::Symbol& workflowName,
                                                       const du::Symbol& text) {
    dom::MessageWriter writer = Begin(19);
    writer.PushStringValue(workflowName);
    writer.PushStringValue(text);
    Post(writer);
}

void workflow_WorkflowManager_proxy::SetWorkflowTraceEnabled(bool enabled) {
    dom::MessageWriter writer = Begin(20);
    writer.PushBooleanValue(enabled);
    Post(writer);
}

bool workflow_WorkflowManager_proxy::IsWorkflowTraceEnabled() {
    dom::MessageWriter writer = Begin(21);
    dom::MessageReader reader(Call(writer));
    bool result = false;
    if (!reader.GetBooleanValue(result)) {
        ThrowMissingReplyValue();
    }
    return result;
}

void workflow_WorkflowManager_proxy::ManagePluginObserver(const du::SmartPtr<du::RefCounted>& object) {
    dom::MessageWriter writer = Begin(22);
    PushObject(object, writer);
    Post(writer);
}

du::SmartPtr<du::RefCounted> workflow_WorkflowManager_proxy::GetInternalInterface(const du::Symbol& type) {
    dom::MessageWriter writer = Begin(23);
    writer.PushStringValue(type);
    dom::MessageReader reader(Call(writer));
    du::SmartPtr<du::RefCounted> result;
    if (!TakeObject(reader, result)) {
        ThrowMissingReplyValue();
    }
    return result;
}

void workflow_WorkflowManager_proxy::Destroy() {
    dom::MessageWriter writer = Begin(24);
    Post(writer);
}
