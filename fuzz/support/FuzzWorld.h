#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dom/MessageQueue.h"
#include "dom/Observer.h"
#include "dp/RZTracer.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/Msg.h"
#include "module/WorkflowModuleImpl.h"
#include "rzk/NotificationObserver.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "rzk/WorkflowManagerObserver.h"
#include "rzloader/Loader.h"
#include "support/FuzzInput.h"
#include "workflows/SimpleWorkflow.h"

// What the fuzz targets share: one module and one manager for a 3D view on a queue that the target pumps
// itself, host observers that are actors, and workflows whose handlers do what the fuzz bytes say.
// Everything runs on the fuzzing thread, which owns the queue.
namespace fuzz {

class World;

// Host observers that are actors, so that they reach the manager as handles.
class NotificationActor : public rzk::NotificationObserver {
public:
    void OnRegistered() override { ++calls; }
    void OnNotification(const du::Symbol&, const du::Symbol&, int,
                        const du::SmartPtr<du::RefCounted>&) override {
        ++calls;
    }
    int calls = 0;
};

class ManagerObserverActor : public rzk::WorkflowManagerObserver {
public:
    void OnRegistered() override { ++calls; }
    void OnWorkflowChange(const du::Symbol&, const du::Symbol&, unsigned int, bool,
                          const du::Symbol&) override {
        ++calls;
    }
    void OnManagerDestroyed() override { ++calls; }
    int calls = 0;
};

// Notes the manager's Destroy; the fuzz bytes never deregister it.
class DestroyWatch : public rzk::WorkflowManagerObserver {
public:
    void OnRegistered() override {}
    void OnWorkflowChange(const du::Symbol&, const du::Symbol&, unsigned int, bool,
                          const du::Symbol&) override {}
    void OnManagerDestroyed() override { destroyed = true; }
    bool destroyed = false;
};

// An object a workflow asks the manager to keep on its queue.
class PluginActor : public dom::Observer {};

// A workflow whose handlers each ask the world's script what to do: consume or not, throw, install,
// remove or complete itself or others, claim or release exclusivity, send a message, set a cursor,
// destroy the manager. Without a script it consumes nothing.
class FuzzWorkflow : public workflow::SimpleWorkflow {
public:
    FuzzWorkflow(World& world, const du::Symbol& name, unsigned int priority);
    ~FuzzWorkflow() override;

    bool OnMsgModifierKey(bool control, bool shift, bool alt) override;
    bool OnMsgKeyPress(const std::string& utf8Key, const du::Symbol& systemKey) override;
    bool OnMsgMouseLeftDown(int x, int y) override;
    bool OnMsgMouseLeftDrag(int x, int y) override;
    bool OnMsgMouseMove(int x, int y) override;
    bool OnMsgMouseWheel(int x, int y, short delta) override;
    bool OnMsgMouseLeave() override;
    bool OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                   const du::SmartPtr<du::RefCounted>& modeObject, int modeNumber) override;
    bool OnMsgSetPage(int page) override;
    bool OnMsgReset() override;
    bool OnMsgUpdateStatusBar() override;
    bool OnMsgUpdateCursor() override;
    bool OnMsgTimer(long long absoluteTime, long long deltaTime) override;
    bool OnMsgWorkflowChanged(const du::SmartPtr<workflow::Workflow>& workflow, unsigned int priority,
                              bool add) override;
    bool HandleQuery(du::Symbol query, du::Symbol& symbol, int& number,
                     du::SmartPtr<du::RefCounted>& object) override;
    void OnAdd() override;
    void OnRemove() override;
    bool TraceMouseAndKeys() const override { return traceChoice_; }

    // The fuzz driver claims and releases on a workflow's behalf.
    bool Claim(FuzzInput& input);
    using SimpleWorkflow::UnsetExclusive;

private:
    // Message handlers may throw (the dispatch catches it); the other calls may not.
    bool React(bool mayThrow = true);

    World& world_;
    bool traceChoice_ = true;
};

class World {
public:
    // script feeds the workflows' handlers; it may be null.
    explicit World(FuzzInput* script);
    // Destroys the manager as a host closing its view does, and runs what that left queued.
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Drops the world's reference to the manager and shuts the queue down, which releases the last one.
    void ReleaseManager();
    // Runs what is queued on the fuzzing thread.
    void Pump() { queue->RunPending(); }
    // Aborts when the manager's stack is out of order or a workflow is linked to a manager that does not
    // hold it (or holds a claim while out of the stack).
    void CheckConsistency();

    // --- Choices drawn from fuzz bytes: names and priorities that collide often, and odd ones.
    du::Symbol PickWorkflowName(FuzzInput& input);
    unsigned int PickPriority(FuzzInput& input);
    du::Symbol PickMessageName(FuzzInput& input);
    du::Symbol PickText(FuzzInput& input);
    // A message of the class its name stands for, with values from input. Shared, so that it is destroyed
    // as the class it was made as (messages have no virtual destructor).
    std::shared_ptr<workflow::Msg> MakeMessage(FuzzInput& input);
    // A live counted object of the world, or null.
    du::SmartPtr<du::RefCounted> PickObject(FuzzInput& input);
    // A live actor of the world, or null.
    du::SmartPtr<dom::ManagedObject> PickActor(FuzzInput& input);
    // A workflow now in the stack, or null.
    du::SmartPtr<FuzzWorkflow> PickInstalled(FuzzInput& input);
    // Workflows made so far; the script stops making them beyond a bound.
    bool MayMakeWorkflow() const { return made_ < 48; }
    du::SmartPtr<FuzzWorkflow> MakeWorkflow(const du::Symbol& name, unsigned int priority);

    FuzzInput* script;
    int depth = 0;  // nested sends from handlers

    du::SmartPtr<dom::GenericMessageQueue> queue;
    du::SmartPtr<workflow::WorkflowModuleThread> module;
    du::SmartPtr<rzk::Window> window;
    du::SmartPtr<rzk::View> view;
    du::SmartPtr<rzk::View> drawingView;
    du::SmartPtr<rzk::View> imageView;
    du::SmartPtr<rzloader::Loader> loader;
    du::SmartPtr<NotificationActor> notificationActor;
    du::SmartPtr<ManagerObserverActor> managerObserverActor;
    du::SmartPtr<dom::Observer> pluginObserver;
    du::SmartPtr<du::RefCounted> text;
    du::SmartPtr<workflow::WorkflowManagerImpl> manager;

private:
    friend class FuzzWorkflow;
    dp::TraceSink previousSink_;
    std::vector<FuzzWorkflow*> live_;
    int made_ = 0;
    du::SmartPtr<DestroyWatch> destroyWatch_;
};

// Workflow names the world's loader knows, with their own priorities.
inline constexpr const char* kKnownWorkflows[] = {"fz-a", "fz-b", "fz-c", "fz-temp"};

}  // namespace fuzz
