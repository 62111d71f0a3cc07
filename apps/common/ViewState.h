#pragma once

#include <string>

#include "rzk/View.h"

namespace apps {

// The state a person sees in a view, written the same way by every host program so that a session
// recorded in the viewer can be checked word for word when the session host replays it:
// "yaw 30.00 pitch 10.00 zoom 1.1000 pan 0.00 0.00". Any thread.
std::string CameraText(const rzk::Camera& camera);
// The selected shape instances in the order they were selected, "none" when there are none or the view
// has no selection manager. Any thread.
std::string SelectionText(const rzk::View& view);

}  // namespace apps
