#pragma once

#include <cstdint>
#include <string_view>

#include "Raster.h"

namespace viewer {

// A small built-in bitmap font, so that the status line needs no font library.
constexpr int GLYPH_WIDTH = 5;
constexpr int GLYPH_HEIGHT = 7;
constexpr int GLYPH_ADVANCE = 6;

// Draws text with its top left corner at (x, y), clipped to the frame.
void DrawText(Frame& frame, int x, int y, std::string_view text, std::uint32_t color);

}  // namespace viewer
