#pragma once

#include <vector>

#include "Raster.h"
#include "du/SmartPtr.h"
#include "rzk/SceneObjects.h"

namespace viewer {

// Draws over the picture what the workflows put in the scene's annotation set: each rzk::DrawnAnnotation
// (polyline, rectangle outline, text) in its colour, in the order given, clipped to the rows above
// areaHeight (the status line is the viewer's own). Annotations without geometry are not drawn. Leaves the
// picking buffer alone: feedback is never picked.
void DrawAnnotations(const std::vector<du::SmartPtr<rzk::Annotation>>& annotations, int areaHeight,
                     Frame& frame);

}  // namespace viewer
