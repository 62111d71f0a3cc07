#include "rzk/ViewObserver.h"

namespace rzk {

ViewObserver::ViewObserver() = default;
ViewObserver::~ViewObserver() = default;

bool ViewObserver::EventHandler(unsigned char event, dom::MessageReader& reader) {
    switch (event) {
        case PROJECTION:
            OnProjection();
            return true;
        case NAVIGATION_SETTINGS:
            OnNavigationSettingsChange();
            return true;
        default:
            return Observer::EventHandler(event, reader);
    }
}

void ViewObserver::OnProjection() {}
void ViewObserver::OnNavigationSettingsChange() {}

ShapeViewObserver::ShapeViewObserver() = default;
ShapeViewObserver::~ShapeViewObserver() = default;

bool ShapeViewObserver::EventHandler(unsigned char event, dom::MessageReader& reader) {
    if (event == PRINT_PREVIEW) {
        OnPrintPreviewChange();
        return true;
    }
    return ViewObserver::EventHandler(event, reader);
}

void ShapeViewObserver::OnPrintPreviewChange() {}

DrawingViewObserver::DrawingViewObserver() = default;
DrawingViewObserver::~DrawingViewObserver() = default;

bool DrawingViewObserver::EventHandler(unsigned char event, dom::MessageReader& reader) {
    if (event == PRINT_PREVIEW) {
        OnPrintPreviewChange();
        return true;
    }
    return ViewObserver::EventHandler(event, reader);
}

void DrawingViewObserver::OnPrintPreviewChange() {}

}  // namespace rzk
