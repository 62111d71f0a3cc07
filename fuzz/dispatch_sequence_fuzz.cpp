// One manager driven by a sequence of operations that the fuzz bytes choose: installations and removals by
// name and priority, dispatches of any message, exclusive claims, status and cursor calls, Destroy, input
// through the window. The same bytes tell the workflows' handlers what to do when a message reaches them
// (throw, install, remove or complete themselves, claim, send, destroy the manager). After every operation
// the stack must be in order and every workflow linked only to the manager that holds it.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "manager/MessageInterface.h"
#include "messages/ConstStrings.h"
#include "support/FuzzWorld.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    fuzz::World world(&input);
    workflow::WorkflowManagerImpl& manager = *world.manager;
    for (int step = 0; step < 128 && !input.Done(); ++step) {
        switch (input.Below(21)) {
            case 0:
                manager.AddWorkflowAtPriority(world.PickWorkflowName(input), world.PickPriority(input),
                                              input.Flag());
                break;
            case 1:
                manager.AddWorkflow(world.PickWorkflowName(input), input.Flag());
                break;
            case 2:
                if (world.MayMakeWorkflow()) {
                    manager.InstallWorkflow(du::SmartPtr<workflow::Workflow>(
                        world.MakeWorkflow(world.PickWorkflowName(input), world.PickPriority(input)).Get()));
                }
                break;
            case 3:
                manager.RemoveWorkflowByName(world.PickWorkflowName(input));
                break;
            case 4:
                manager.RemoveWorkflowByPriority(world.PickPriority(input));
                break;
            case 5:
            case 6: {
                const std::shared_ptr<workflow::Msg> message = world.MakeMessage(input);
                manager.DispatchMessage(*message);
                break;
            }
            case 7:
                if (auto workflow = world.PickInstalled(input)) {
                    workflow->Claim(input);
                }
                break;
            case 8:
                if (auto workflow = world.PickInstalled(input)) {
                    workflow->UnsetExclusive();
                }
                break;
            case 9:
                manager.SetMouseCursor(world.PickPriority(input), world.PickText(input));
                manager.GetCurrentCursor();
                break;
            case 10:
                manager.SetCursorPosition(static_cast<std::int16_t>(input.Word()), input.Byte());
                manager.UpdateStatusMsg();
                break;
            case 11:
                manager.SetCurPage(static_cast<std::int16_t>(input.Word()));
                manager.ToggleComponentRotate();
                break;
            case 12: {
                du::Symbol symbol;
                int number = 0;
                du::SmartPtr<du::RefCounted> object;
                manager.SendModeMessage(world.PickWorkflowName(input), world.PickText(input), input.Byte(),
                                        world.PickObject(input));
                manager.QueryWorkflows(world.PickText(input), symbol, number, object);
                break;
            }
            case 13:
                manager.SetWorkflowPersistent(world.PickPriority(input), input.Flag());
                break;
            case 14: {
                const du::SmartPtr<rzk::NotificationObserver> observer(world.notificationActor.Get());
                if (input.Flag()) {
                    manager.RegisterNotificationObserver(observer);
                } else {
                    manager.DeregisterNotificationObserver(observer);
                }
                manager.SetWorkflowTraceEnabled(input.Flag());
                break;
            }
            case 15:
                switch (input.Below(6)) {
                    case 0:
                        world.window->PostMouseButton(static_cast<int>(input.Below(3)), input.Flag(),
                                                      input.Byte(), input.Byte());
                        break;
                    case 1:
                        world.window->PostMouseMove(input.Byte(), input.Byte());
                        break;
                    case 2:
                        world.window->PostKeyPress(input.Flag() ? "\x1b" : "a");
                        break;
                    case 3:
                        world.window->PostModifierKey(static_cast<int>(input.Below(3)), input.Flag());
                        break;
                    case 4:
                        world.window->PostMouseWheel(input.Flag() ? 120 : -120, input.Byte(), input.Byte());
                        break;
                    default:
                        world.window->PostMouseLeave();
                        break;
                }
                break;
            case 16:
                world.queue->AdvanceTime(input.Below(250));
                break;
            case 17: {
                // Messages from another plug-in, through the manager's message interface.
                const auto messages = du::DynamicPtrCast<workflow::MessageInterface>(
                    manager.GetInternalInterface(input.Flag() ? workflow::InterfaceTypes::Message : "other"));
                if (messages) {
                    const std::shared_ptr<workflow::Msg> message = world.MakeMessage(input);
                    messages->SendMessage(*message);
                }
                break;
            }
            case 18:
                if (auto workflow = world.PickInstalled(input)) {
                    workflow->SetActive(input.Flag());
                }
                break;
            case 19: {
                const du::SmartPtr<rzk::WorkflowManagerObserver> observer(world.managerObserverActor.Get());
                if (input.Flag()) {
                    manager.RegisterObserver(observer);
                } else {
                    manager.DeregisterObserver(observer);
                }
                manager.ManagePluginObserver(world.PickObject(input));
                break;
            }
            default:
                if (const std::size_t how = input.Below(5); how == 0) {
                    manager.Destroy();
                } else if (how == 1) {
                    // A host that lets go of the manager without Destroy: the last reference goes with the
                    // queue, and the destructor empties the manager while the workflows still react.
                    world.ReleaseManager();
                    return 0;
                } else {
                    // A replayed line calls the handler directly: what it throws is the caller's to catch.
                    try {
                        manager.HandleTraceString(world.PickWorkflowName(input),
                                                  input.Flag()
                                                      ? "<MsgMouseLeftDown mouseX=\"3\" mouseY=\"4\"/>"
                                                      : "<MsgKeyPress utf8Key=\"&#27;\" systemKey=\"\"/>");
                    } catch (const std::runtime_error&) {
                    }
                }
                break;
        }
        world.Pump();
        world.CheckConsistency();
    }
    return 0;
}
