#pragma once

#include <cstdint>

#include "animation/Engine.h"
#include "dom/ManagedObject.h"
#include "dom/MessageQueue.h"
#include "du/HostExport.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace rzloader {
class Loader;
}

namespace animation {

// The host's animation module: an actor that owns the animation engine and drives it with a recurring
// timeout. Others find it through the loader, which gives for (WORLD, LIBRARY, COMPONENT) a record naming
// the module's actor (an rzk::ActiveModule), and dom::GetDistinguishedObject with that name. Install does
// both registrations:
//
//     auto module = animation::AnimationModule::Install(queue, "Animation", *loader);
//     ...
//     module->Uninstall(*loader);
class RZHOST_API AnimationModule : public virtual dom::ManagedObject {
public:
    // The loader coordinates of the module's record.
    static const du::Symbol WORLD;      // "world"
    static const du::Symbol LIBRARY;    // "animation"
    static const du::Symbol COMPONENT;  // "default"

    static du::Symbol GetClassName() { return "animation::AnimationModule"; }

    // A module whose engine ticks every tickPeriod ms of its queue's clock once managed.
    explicit AnimationModule(std::int64_t tickPeriod = 10);
    ~AnimationModule() override;

    // Manages a new module on queue under actorName and registers with loader, under (WORLD, LIBRARY,
    // COMPONENT), a factory of records naming it. Null, with nothing registered, when the name is unset,
    // empty or taken, or the queue refuses the module. Any thread.
    static du::SmartPtr<AnimationModule> Install(const du::SmartPtr<dom::GenericMessageQueue>& queue,
                                                 const du::Symbol& actorName, rzloader::Loader& loader,
                                                 std::int64_t tickPeriod = 10);
    // Removes the loader's registration and takes the module off its queue (its name goes with it). Any
    // thread.
    void Uninstall(rzloader::Loader& loader);

    // Fills engine with the module's engine. Any thread.
    void GetEngine(du::SmartPtr<Engine>& engine) const;

    // Starts the engine's ticks. Queue thread only.
    void OnManage() override;
    // One engine tick. Queue thread only.
    void HandleTimeoutEvent(std::int64_t now) override;

private:
    const std::int64_t tickPeriod_;
    const du::SmartPtr<Engine> engine_;
};

}  // namespace animation
