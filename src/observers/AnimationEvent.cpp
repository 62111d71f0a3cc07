#include "observers/AnimationEvent.h"

#include "dom/DistinguishedObjects.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/Msg.h"
#include "rzk/ActiveModule.h"
#include "rzloader/Loader.h"

namespace workflow {
namespace {

// How long the lookup waits for the module's actor to appear, in ms.
constexpr std::int64_t MODULE_LOOKUP_TIMEOUT = 10000;

}  // namespace

AnimationEvent::AnimationEvent(const du::SmartPtr<WorkflowManagerImpl>& manager, bool forOpenNewShapeViewBase)
    : rzk::AsyncEvent(true), manager_(manager), forOpenNewShapeViewBase_(forOpenNewShapeViewBase) {}

AnimationEvent::~AnimationEvent() = default;

void AnimationEvent::OnComplete() {
    if (!manager_) {
        return;
    }
    du::SmartPtr<WorkflowManagerImpl> manager = manager_;
    manager->OnAnimationEventComplete(this);
    if (forOpenNewShapeViewBase_) {
        manager->DispatchMessage(Msg(ConstStrings::MsgAnimationFinishedForOpenNewSahpeViewBase));
    }
}

du::SmartPtr<animation::AnimationModule> LoadAnimationModule(const du::Symbol& world,
                                                             const du::Symbol& library,
                                                             const du::Symbol& component) {
    du::SmartPtr<rzloader::Loader> loader = rzloader::Loader::GetLoader();
    if (!loader) {
        return nullptr;
    }
    du::SmartPtr<du::RefCounted> record;
    if (!loader->LoadModule(world, library, component, record) || !record) {
        return nullptr;
    }
    const auto* module = dynamic_cast<const rzk::ActiveModule*>(record.Get());
    if (!module || module->GetActorName().IsNull()) {
        return nullptr;
    }
    du::SmartPtr<dom::ManagedObject> object = dom::GetDistinguishedObject(
        animation::AnimationModule::GetClassName(), module->GetActorName(), MODULE_LOOKUP_TIMEOUT);
    return du::DynamicPtrCast<animation::AnimationModule>(object);
}

}  // namespace workflow
