#include "observers/ViewObservers.h"

#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/Msg.h"
#include "messages/TypedMessages.h"
#include "rzk/PrintPreview.h"

namespace workflow {
namespace {

const du::Symbol& UpdateViewSettings() {
    static const du::Symbol mode("update_view_settings");
    return mode;
}

const du::Symbol& UpdatePrintPreview() {
    static const du::Symbol mode("update_print_preview");
    return mode;
}

// A mode message for every workflow (no workflow name), without mode object or number.
void SendMode(WorkflowManagerImpl* manager, const du::Symbol& mode) {
    if (manager) {
        du::SmartPtr<WorkflowManagerImpl> keep(manager);
        keep->DispatchMessage(ModeMsg(ConstStrings::MsgSetMode, du::Symbol::EMPTY, mode, nullptr, 0));
    }
}

}  // namespace

ShapeViewObserver::ShapeViewObserver(const du::SmartPtr<rzk::ShapeView>& view, WorkflowManagerImpl* manager)
    : manager_(manager), subject_(view) {}

ShapeViewObserver::~ShapeViewObserver() = default;

void ShapeViewObserver::OnManage() {
    if (subject_) {
        subject_->RegisterObserver(*this, true);
    }
}

bool ShapeViewObserver::UsesUpdateBatches() {
    return false;
}

void ShapeViewObserver::DetachSubject() {
    if (subject_) {
        Unregister();
        subject_ = nullptr;
    }
}

void ShapeViewObserver::DetachManager() {
    manager_ = nullptr;
}

void ShapeViewObserver::OnProjection() {
    if (manager_) {
        du::SmartPtr<WorkflowManagerImpl> manager(manager_);
        manager->DispatchMessage(Msg(ConstStrings::MsgViewProjection));
    }
}

void ShapeViewObserver::OnNavigationSettingsChange() {
    SendMode(manager_, UpdateViewSettings());
}

void ShapeViewObserver::OnPrintPreviewChange() {
    // Only a preview that still has to catch up with the view needs the workflows' update step.
    if (!subject_ || !subject_->IsPrintPreview()) {
        return;
    }
    du::SmartPtr<rzk::PrintPreview> preview = subject_->GetPrintPreview();
    if (preview && !preview->IsUpToDate()) {
        SendMode(manager_, UpdatePrintPreview());
    }
}

DrawingViewObserver::DrawingViewObserver(const du::SmartPtr<rzk::DrawingView>& view,
                                         WorkflowManagerImpl* manager)
    : manager_(manager), subject_(view) {}

DrawingViewObserver::~DrawingViewObserver() = default;

void DrawingViewObserver::OnManage() {
    if (subject_) {
        subject_->RegisterObserver(*this);
    }
}

bool DrawingViewObserver::UsesUpdateBatches() {
    return false;
}

void DrawingViewObserver::DetachSubject() {
    if (subject_) {
        Unregister();
        subject_ = nullptr;
    }
}

void DrawingViewObserver::DetachManager() {
    manager_ = nullptr;
}

void DrawingViewObserver::OnPrintPreviewChange() {
    SendMode(manager_, UpdatePrintPreview());
}

}  // namespace workflow
