// Host calls decoded by the manager's dispatcher: messages of any method table and tag carrying any
// sequence of value kinds, some blocking, handles and object pointers to live objects of the world.
#include <cstddef>
#include <cstdint>

#include "dom/Helper.h"
#include "dom/Message.h"
#include "remote/RemoteOperations.h"
#include "remote/RemoteValues.h"
#include "support/FuzzWorld.h"

namespace {

// Appends one value of a kind chosen by input; the kinds the dispatcher expects come up most often.
void PushValue(fuzz::World& world, fuzz::FuzzInput& input, dom::MessageWriter& writer) {
    switch (input.Below(7)) {
        case 0: {
            // Strings: the world's names, or a few raw bytes.
            if (input.Flag()) {
                writer.PushStringValue(world.PickWorkflowName(input));
            } else {
                writer.PushStringValue(du::Symbol(input.Text(12)));
            }
            break;
        }
        case 1:
            writer.PushInt32Value(static_cast<std::int32_t>(input.Flag() ? input.Number() : input.Below(4)));
            break;
        case 2:
            writer.PushUInt32Value(input.Flag() ? input.Number() : world.PickPriority(input));
            break;
        case 3:
            writer.PushBooleanValue(input.Flag());
            break;
        case 4:
            workflow::remote::PushObject(world.PickObject(input), writer);
            break;
        default: {
            const auto index = static_cast<std::int16_t>(input.Flag() ? input.Word() : input.Below(3));
            dom::Helper(*world.manager).PushHandleValue(world.PickActor(input), index, writer);
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    fuzz::World world(nullptr);
    for (int calls = 0; calls < 64 && !input.Done(); ++calls) {
        // Tables 0 and 1 and the operations' tags are the interface; the rest must be refused.
        const auto table = static_cast<std::int16_t>(input.Below(8) < 7 ? input.Below(2) : input.Word());
        const std::uint8_t tagByte = input.Byte();
        const auto tag = static_cast<std::int16_t>(
            tagByte < 250 ? tagByte % workflow::remote::MANAGER_OPERATION_COUNT : input.Word());
        dom::MessageWriter writer = world.manager->StartNewMessage(tag, table);
        const std::size_t values = input.Below(6);
        for (std::size_t i = 0; i < values; ++i) {
            PushValue(world, input, writer);
        }
        const bool blocking = input.Flag();
        if (blocking) {
            writer.MarkNeedsReplyFlag();
        }
        const dom::MessagePtr message = writer.FinaliseMessage();
        // A blocking call on the manager's own thread runs at once; a one-way call waits in the queue.
        world.manager->DeliverMessage(message);
        if (input.Below(4) == 0) {
            world.queue->AdvanceTime(input.Below(250));
        }
        world.Pump();
        world.CheckConsistency();
    }
    return 0;
}
