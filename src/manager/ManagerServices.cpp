// Cursor, status bar, page, mode and rotation-toggle services.
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/Msg.h"
#include "messages/TypedMessages.h"
#include "rzk/PickFilter.h"
#include "rzk/View.h"
#include "rzk/Window.h"

namespace workflow {
namespace {

const du::Symbol& FilteringOnCursor() {
    static const du::Symbol cursor("filtering_on");
    return cursor;
}

}  // namespace

void WorkflowManagerImpl::SetCursorEntry(unsigned int priority, const du::Symbol& cursor) {
    if (cursorRequests_) {
        cursorRequests_->Set(priority, cursor);
    }
}

du::Symbol WorkflowManagerImpl::ComputeCurrentCursor() {
    return cursorRequests_ ? cursorRequests_->Current() : du::Symbol();
}

void WorkflowManagerImpl::SetMouseCursor(unsigned int priority, const du::Symbol& cursor) {
    if (Emptied()) {
        return;
    }
    const du::Symbol previous = ComputeCurrentCursor();
    SetCursorEntry(priority, cursor);
    du::Symbol current = ComputeCurrentCursor();
    if (!view_) {
        return;
    }
    du::SmartPtr<rzk::Window> window;
    view_->GetWindow(window);
    if (!window) {
        return;
    }
    if (current.IsNull()) {
        du::SmartPtr<rzk::PickFilter> filter = view_->GetPickFilter();
        if (filter && filter->GetFilterValue() != rzk::PickFilter::PICK_SMART) {
            current = FilteringOnCursor();
        }
    }
    // "previous" comes from the requests alone, so "filtering_on" is applied again on every such call.
    if (current.IsSet() && current == previous) {
        return;
    }
    window->ResetCursor();
    if (current.IsSet()) {
        window->SetCursor(current);
    }
}

du::Symbol WorkflowManagerImpl::GetCurrentCursor() {
    return ComputeCurrentCursor();
}

void WorkflowManagerImpl::SetCursorPosition(int x, int y) {
    if (!view_) {
        return;
    }
    du::SmartPtr<rzk::Window> window;
    view_->GetWindow(window);
    if (window) {
        window->SetCursorPosition(x, y);
    }
}

bool WorkflowManagerImpl::SetStatusMessage(int field, const std::string& text) {
    return status_.SetField(field, text);
}

void WorkflowManagerImpl::UpdateStatusMsg() {
    if (!status_.BeginPass()) {
        return;  // a pass is running: workflows answering it must not start another
    }
    DispatchMessage(Msg(ConstStrings::MsgUpdateStatusBar));
    status_.EndPass(view_.Get());
}

void WorkflowManagerImpl::HandleTimeoutEvent(std::int64_t now) {
    status_.Tick(now, view_.Get());
    LeaveQueueWhenForgotten();
}

void WorkflowManagerImpl::HandleOnIdleEvent() {
    LeaveQueueWhenForgotten();
}

void WorkflowManagerImpl::LeaveQueueWhenForgotten() {
    // After Destroy a manager only answers calls (with nothing); once the host has let go of it as well, the
    // queue's reference is all that keeps it, its timer ticking and its recorder allocated. A queue calling
    // one of its objects holds two references to it: its own and the one it calls through. A host that opens
    // and closes views all day so keeps no manager it closed past the next tick or idle moment of the queue.
    constexpr int QUEUE_REFERENCES_IN_CALLBACK = 2;
    if (Emptied() && GetReferenceCount() == QUEUE_REFERENCES_IN_CALLBACK) {
        Unmanage();
    }
}

void WorkflowManagerImpl::SetCurPage(int page) {
    DispatchMessage(PageMsg(ConstStrings::MsgSetPage, page));
}

void WorkflowManagerImpl::SendModeMessage(const du::Symbol& workflowName, const du::Symbol& modeString,
                                          int modeNumber, const du::SmartPtr<du::RefCounted>& modeObject) {
    DispatchMessage(ModeMsg(ConstStrings::MsgSetMode, workflowName, modeString, modeObject, modeNumber));
}

void WorkflowManagerImpl::ToggleComponentRotate() {
    DispatchMessage(Msg(ConstStrings::MsgToggleComponentRotate));
}

}  // namespace workflow
