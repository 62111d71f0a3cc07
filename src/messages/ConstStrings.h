#pragma once

#include "du/Symbol.h"
#include "messages/Export.h"

namespace workflow {

// The names of the system's messages (and one query name), made once when the library is loaded.
// Workflows recognise a message by comparing its name with these members: an identity test.
// Two texts differ from their member names on purpose and are shared as they are: the member
// MsgDocRotateAntiClockWise holds "MsgDocRotateClockWise" and the other way round, and "Sahpe" is
// spelled so in both member and text.
//
//     AddMsgTypeHandled(workflow::ConstStrings::MsgMouseWheel, false);           // in a SimpleWorkflow
//     if (message.GetName() == workflow::ConstStrings::MsgKeyPress) { ... }     // in a HandleMsg
//
// Threads: the members are made while the library loads and never change; any thread may read them.
class WORKFLOW_API ConstStrings {
public:
    static const du::Symbol MsgActivate;
    static const du::Symbol MsgAddAnnotation;
    static const du::Symbol MsgAnimationFinished;
    static const du::Symbol MsgAnimationFinishedForOpenNewSahpeViewBase;
    static const du::Symbol MsgClickLeft;
    static const du::Symbol MsgClickMiddle;
    static const du::Symbol MsgClickRight;
    static const du::Symbol MsgDeactivate;
    static const du::Symbol MsgDocRotateAntiClockWise;
    static const du::Symbol MsgDocRotateClockWise;
    static const du::Symbol MsgDoubleClickLeft;
    static const du::Symbol MsgDoubleClickMiddle;
    static const du::Symbol MsgDoubleClickRight;
    static const du::Symbol MsgFlyToAll;
    static const du::Symbol MsgFlyToSelected;
    static const du::Symbol MsgKeyPress;
    static const du::Symbol MsgModifierKey;
    static const du::Symbol MsgMotionEvent;
    static const du::Symbol MsgMouseInitLeftDrag;
    static const du::Symbol MsgMouseInitMiddleDrag;
    static const du::Symbol MsgMouseInitRightDrag;
    static const du::Symbol MsgMouseLeave;
    static const du::Symbol MsgMouseLeftDown;
    static const du::Symbol MsgMouseLeftDrag;
    static const du::Symbol MsgMouseLeftUp;
    static const du::Symbol MsgMouseMiddleDown;
    static const du::Symbol MsgMouseMiddleDrag;
    static const du::Symbol MsgMouseMiddleUp;
    static const du::Symbol MsgMouseMove;
    static const du::Symbol MsgMouseRightDown;
    static const du::Symbol MsgMouseRightDrag;
    static const du::Symbol MsgMouseRightUp;
    static const du::Symbol MsgMouseWheel;
    static const du::Symbol MsgMoveShapeInstance;
    static const du::Symbol MsgRemoveAnnotation;
    static const du::Symbol MsgReset;
    static const du::Symbol MsgSelectionChanged;
    static const du::Symbol MsgSetMode;
    static const du::Symbol MsgSetPage;
    static const du::Symbol MsgShapeInstanceCreate;
    static const du::Symbol MsgShapeInstanceMarkupOverride;
    static const du::Symbol MsgShapeInstanceMarkupOverrideInit;
    static const du::Symbol MsgShapeInstanceRemove;
    static const du::Symbol MsgShapeInstanceVisibility;
    static const du::Symbol MsgTimer;
    static const du::Symbol MsgToggleComponentRotate;
    static const du::Symbol MsgTouch;
    static const du::Symbol MsgUpdateCursor;
    static const du::Symbol MsgUpdateStatusBar;
    static const du::Symbol MsgViewProjection;
    static const du::Symbol MsgWindowSize;
    static const du::Symbol MsgWorkflowChanged;
    static const du::Symbol QuerySelectionController;
};

// The type names of the internal interfaces that a manager hands out.
class WORKFLOW_API InterfaceTypes {
public:
    static const du::Symbol Message;
};

}  // namespace workflow
