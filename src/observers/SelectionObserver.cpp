#include "observers/SelectionObserver.h"

#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/TypedMessages.h"
#include "rzk/Scene.h"
#include "rzk/View.h"

namespace workflow {

SelectionObserver::SelectionObserver(const du::SmartPtr<rzk::View>& view, WorkflowManagerImpl* manager)
    : manager_(manager) {
    du::SmartPtr<rzk::Scene> scene;
    if (view) {
        view->GetScene(scene);
    }
    if (scene) {
        scene->GetSelectionManager(subject_);
    }
}

SelectionObserver::~SelectionObserver() {
    if (subject_) {
        subject_->UnregisterObserver(*this);
    }
}

void SelectionObserver::OnManage() {
    if (subject_) {
        subject_->RegisterObserver(*this);
    }
}

void SelectionObserver::OnSelectionChanged(unsigned int listId, bool clear, const ItemList& removed,
                                           const ItemList& added) {
    if (manager_) {
        du::SmartPtr<WorkflowManagerImpl> manager(manager_);
        manager->Tap().Record(FlightRecord::Selection(listId, clear, removed.size(), added.size()));
        manager->DispatchMessage(
            SelectionMsg(ConstStrings::MsgSelectionChanged, listId, clear, removed, added));
    }
}

}  // namespace workflow
