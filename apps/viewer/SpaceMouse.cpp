#include "SpaceMouse.h"

#ifdef WORKFLOW_VIEWER_SPNAV
#include <spnav.h>
#endif

namespace viewer {

#ifdef WORKFLOW_VIEWER_SPNAV

SpaceMouse::SpaceMouse() : connected_(spnav_open() != -1) {}

SpaceMouse::~SpaceMouse() {
    if (connected_) {
        spnav_close();
    }
}

std::optional<session::Motion> SpaceMouse::Poll() {
    spnav_event event;
    while (connected_ && spnav_poll_event(&event) != 0) {
        if (event.type == SPNAV_EVENT_MOTION) {
            const spnav_event_motion& m = event.motion;
            return session::Motion{{m.x, m.y, m.z, m.rx, m.ry, m.rz}};
        }
    }
    return std::nullopt;
}

#else

SpaceMouse::SpaceMouse() = default;
SpaceMouse::~SpaceMouse() = default;

std::optional<session::Motion> SpaceMouse::Poll() {
    return std::nullopt;
}

#endif

}  // namespace viewer
