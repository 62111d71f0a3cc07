#include "IdBuffer.h"

#include <algorithm>
#include <cstddef>

namespace viewer {

std::uint32_t IdBuffer::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height ||
        ids.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return 0;
    }
    return ids[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
}

std::vector<std::uint32_t> IdBuffer::Inside(int x0, int y0, int x1, int y1) const {
    std::vector<std::uint32_t> found;
    if (ids.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return found;
    }
    const int left = std::max(std::min(x0, x1), 0);
    const int right = std::min(std::max(x0, x1), width - 1);
    const int top = std::max(std::min(y0, y1), 0);
    const int bottom = std::min(std::max(y0, y1), height - 1);
    for (int y = top; y <= bottom; ++y) {
        const std::uint32_t* row = ids.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = left; x <= right; ++x) {
            // Neighbouring pixels mostly show the same part: look it up only when it changes.
            if (row[x] != 0 && (x == left || row[x] != row[x - 1]) &&
                std::find(found.begin(), found.end(), row[x]) == found.end()) {
                found.push_back(row[x]);
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace viewer
