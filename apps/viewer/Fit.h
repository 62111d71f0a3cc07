#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "Mesh.h"

namespace viewer {

// A rectangle in pixels, x right and y down.
struct PixelBox {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// Where the parts with the given shape instance ids (every part when ids is empty) are drawn from the
// angles yaw and pitch (degrees) at zoom 1 with no pan, measured from the centre of a drawing area of
// width x areaHeight: what the view needs to frame them. Nothing when none of them has a triangle. It
// projects as the picture is drawn: the model centred and scaled so that zoom 1 fits its bounding sphere.
std::optional<PixelBox> PartsBox(const Mesh& mesh, double yaw, double pitch,
                                 const std::vector<std::uint32_t>& ids, int width, int areaHeight);

}  // namespace viewer
