#pragma once

#include <optional>

#include "Command.h"

namespace viewer {

// A 3D mouse through libspnav (the spacenavd daemon): each motion of its cap is one motion command. Built
// without libspnav, or with no daemon or device, there is none and nothing changes. Main thread only.
class SpaceMouse {
public:
    SpaceMouse();
    ~SpaceMouse();
    SpaceMouse(const SpaceMouse&) = delete;
    SpaceMouse& operator=(const SpaceMouse&) = delete;

    // Whether a device answered when the viewer started.
    bool Connected() const { return connected_; }
    // The next motion the device reported since the last call, or nothing; never waits. Buttons of the
    // device are not passed on.
    std::optional<session::Motion> Poll();

private:
    bool connected_ = false;
};

}  // namespace viewer
