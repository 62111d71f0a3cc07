#pragma once

#include "dom/Message.h"
#include "du/HostExport.h"
#include "rzk/Observer.h"

namespace rzk {

// Base of the observers of a view. The view posts its events (View::Post...) and the observer classes
// decode them, on the observer's own queue thread, into callbacks that do nothing by default. The events
// carry no values:
//   16 PROJECTION            the camera's projection changed        -> OnProjection
//   17 NAVIGATION_SETTINGS   the navigation settings changed        -> OnNavigationSettingsChange
//   18 PRINT_PREVIEW         print preview was entered, left or changed -> OnPrintPreviewChange of the
//                            3D and drawing view observers
class RZHOST_API ViewObserver : public Observer {
public:
    static constexpr unsigned char PROJECTION = 16;
    static constexpr unsigned char NAVIGATION_SETTINGS = 17;
    static constexpr unsigned char PRINT_PREVIEW = 18;

    ~ViewObserver() override;

    // Queue thread only.
    bool EventHandler(unsigned char event, dom::MessageReader& reader) override;

    // Queue thread only.
    virtual void OnProjection();
    // Queue thread only.
    virtual void OnNavigationSettingsChange();

protected:
    ViewObserver();
};

// Base of the observers of a 3D view (ShapeView::RegisterObserver).
class RZHOST_API ShapeViewObserver : public ViewObserver {
public:
    ~ShapeViewObserver() override;

    // Queue thread only.
    bool EventHandler(unsigned char event, dom::MessageReader& reader) override;
    // Queue thread only.
    virtual void OnPrintPreviewChange();

protected:
    ShapeViewObserver();
};

// Base of the observers of a 2D drawing view (DrawingView::RegisterObserver).
class RZHOST_API DrawingViewObserver : public ViewObserver {
public:
    ~DrawingViewObserver() override;

    // Queue thread only.
    bool EventHandler(unsigned char event, dom::MessageReader& reader) override;
    // Queue thread only.
    virtual void OnPrintPreviewChange();

protected:
    DrawingViewObserver();
};

}  // namespace rzk
