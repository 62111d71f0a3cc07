// Host calls decoded by the module's dispatcher: CreateManager with any view, or none, or values of other
// kinds, through any method table and tag; the managers made are then driven and destroyed.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dom/Helper.h"
#include "dom/Message.h"
#include "rzk/WorkflowManager.h"
#include "support/FuzzWorld.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    fuzz::World world(nullptr);
    std::vector<du::SmartPtr<dom::ManagedObject>> made;
    for (int calls = 0; calls < 16 && !input.Done(); ++calls) {
        const auto table = static_cast<std::int16_t>(input.Below(8) < 7 ? input.Below(2) : input.Word());
        const auto tag = static_cast<std::int16_t>(input.Below(8) < 7 ? 0 : input.Word());
        dom::MessageWriter writer = world.module->StartNewMessage(tag, table);
        const std::size_t values = input.Below(3);
        for (std::size_t i = 0; i < values; ++i) {
            switch (input.Below(6)) {
                case 0: {
                    // A view travels as its own address with a travelling reference.
                    const du::SmartPtr<rzk::View>* views[] = {&world.view, &world.drawingView,
                                                              &world.imageView};
                    const du::SmartPtr<rzk::View>& view = *views[input.Below(3)];
                    view->AddReference(writer.GetMessage().Get());
                    writer.PushSmartPtr(view.Get(), view.Get());
                    break;
                }
                case 1:
                    writer.PushSmartPtr(nullptr, nullptr);
                    break;
                case 2:
                    writer.PushStringValue(world.PickWorkflowName(input));
                    break;
                case 3:
                    writer.PushInt32Value(static_cast<std::int32_t>(input.Number()));
                    break;
                case 4:
                    writer.PushBooleanValue(input.Flag());
                    break;
                default:
                    dom::Helper(*world.module).PushHandleValue(world.PickActor(input), 0, writer);
                    break;
            }
        }
        if (input.Flag()) {
            writer.MarkNeedsReplyFlag();
        }
        const dom::MessagePtr message = writer.FinaliseMessage();
        if (world.module->DeliverMessage(message)) {
            // The reply: a handle to the new manager (or an empty one).
            dom::MessageReader reader(message);
            du::SmartPtr<dom::ManagedObject> manager;
            if (dom::Helper(*world.module).GetHandleValue(manager, "rzk::WorkflowManager", reader) &&
                manager) {
                made.push_back(manager);
            }
        }
        world.Pump();
        if (!made.empty() && input.Flag()) {
            // Drive one of them a little, as a host does right after making it.
            auto* manager = dynamic_cast<rzk::WorkflowManager*>(made[input.Below(made.size())].Get());
            if (manager) {
                manager->AddWorkflowAtPriority(world.PickWorkflowName(input), world.PickPriority(input),
                                               false);
                manager->SetCurPage(1);
                manager->UpdateStatusMsg();
                if (input.Flag()) {
                    manager->Destroy();
                }
            }
            world.queue->AdvanceTime(110);
            world.Pump();
        }
    }
    for (const auto& object : made) {
        if (auto* manager = dynamic_cast<rzk::WorkflowManager*>(object.Get())) {
            manager->Destroy();
        }
    }
    world.Pump();
    return 0;
}
