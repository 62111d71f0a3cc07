#pragma once

#include "du/SmartPtr.h"
#include "rzk/View.h"
#include "rzk/ViewObserver.h"

namespace workflow {

class WorkflowManagerImpl;

// Turns a 3D view's projection, navigation-settings and print-preview changes into messages: a projection
// change into "MsgViewProjection", the others into "MsgSetMode" for every workflow, with the mode strings
// "update_view_settings" and "update_print_preview". A print-preview change counts only while the view
// shows a preview that is not up to date.
class ShapeViewObserver : public rzk::ShapeViewObserver {
public:
    ShapeViewObserver(const du::SmartPtr<rzk::ShapeView>& view, WorkflowManagerImpl* manager);
    ~ShapeViewObserver() override;

    // Queue thread only, like every callback below.
    void OnManage() override;
    bool UsesUpdateBatches() override;
    void DetachSubject() override;
    void DetachManager() override;
    void OnProjection() override;
    void OnNavigationSettingsChange() override;
    void OnPrintPreviewChange() override;

private:
    WorkflowManagerImpl* manager_;
    du::SmartPtr<rzk::ShapeView> subject_;
};

// Turns every print-preview change of a 2D drawing view into "MsgSetMode" with "update_print_preview".
class DrawingViewObserver : public rzk::DrawingViewObserver {
public:
    DrawingViewObserver(const du::SmartPtr<rzk::DrawingView>& view, WorkflowManagerImpl* manager);
    ~DrawingViewObserver() override;

    // Queue thread only, like every callback below.
    void OnManage() override;
    bool UsesUpdateBatches() override;
    void DetachSubject() override;
    void DetachManager() override;
    void OnPrintPreviewChange() override;

private:
    WorkflowManagerImpl* manager_;
    du::SmartPtr<rzk::DrawingView> subject_;
};

}  // namespace workflow
