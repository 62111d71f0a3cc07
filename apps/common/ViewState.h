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

// One document in several views: view's scene takes the world and the selection manager of first's scene,
// so what is selected (and whether input is taken) is the document's. Call it before the view's manager is
// made, which registers its observers with them. Host thread.
void ShareDocument(const rzk::View& first, rzk::View& view);

}  // namespace apps
