#pragma once

#include <cstdint>
#include <vector>

namespace viewer {

// What a picture drew where: a shape instance id for each pixel, row by row, 0 where nothing was drawn. The
// renderer fills it as it draws; the host keeps a copy of the last picture's so that the view can answer
// "what is under this point" and "what is inside this rectangle" from what the person sees.
struct IdBuffer {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> ids;  // width * height values, or none

    // The id drawn at (x, y); 0 outside the picture.
    std::uint32_t At(int x, int y) const;
    // Every id drawn inside the rectangle with corners (x0, y0) and (x1, y1), both included and given in
    // any order, clipped to the picture; each once, in ascending order.
    std::vector<std::uint32_t> Inside(int x0, int y0, int x1, int y1) const;
};

}  // namespace viewer
