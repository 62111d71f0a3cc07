#include "Annotations.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Font.h"
#include "rzk/AnnoSet.h"

namespace viewer {
namespace {

// The part of the line inside the frame's rows above height (Liang-Barsky), so that a workflow's far-off
// coordinates cost nothing and never reach the status line.
void ClippedLine(Frame& frame, int height, int x0, int y0, int x1, int y1, std::uint32_t color) {
    const double dx = static_cast<double>(x1) - x0;
    const double dy = static_cast<double>(y1) - y0;
    double enter = 0;
    double leave = 1;
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {static_cast<double>(x0), frame.Width() - 1.0 - x0, static_cast<double>(y0),
                        height - 1.0 - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) {
                return;  // parallel to this edge and outside it
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            enter = std::max(enter, t);
        } else {
            leave = std::min(leave, t);
        }
    }
    if (enter > leave) {
        return;
    }
    frame.Line(static_cast<int>(std::lround(x0 + enter * dx)), static_cast<int>(std::lround(y0 + enter * dy)),
               static_cast<int>(std::lround(x0 + leave * dx)), static_cast<int>(std::lround(y0 + leave * dy)),
               color);
}

}  // namespace

void DrawAnnotations(const std::vector<du::SmartPtr<rzk::Annotation>>& annotations, int areaHeight,
                     Frame& frame) {
    const int height = std::min(areaHeight, frame.Height());
    for (const du::SmartPtr<rzk::Annotation>& annotation : annotations) {
        const auto* drawn = dynamic_cast<const rzk::DrawnAnnotation*>(annotation.Get());
        if (!drawn || drawn->GetPoints().empty()) {
            continue;
        }
        const std::vector<rzk::DrawnAnnotation::Point>& points = drawn->GetPoints();
        const std::uint32_t color = drawn->GetColor();
        switch (drawn->GetKind()) {
            case rzk::DrawnAnnotation::Kind::Polyline:
                for (std::size_t i = 1; i < points.size(); ++i) {
                    ClippedLine(frame, height, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y,
                                color);
                }
                break;
            case rzk::DrawnAnnotation::Kind::Rectangle: {
                if (points.size() < 2) {
                    break;
                }
                const auto [a, b] = std::pair{points[0], points[1]};
                ClippedLine(frame, height, a.x, a.y, b.x, a.y, color);
                ClippedLine(frame, height, b.x, a.y, b.x, b.y, color);
                ClippedLine(frame, height, b.x, b.y, a.x, b.y, color);
                ClippedLine(frame, height, a.x, b.y, a.x, a.y, color);
                break;
            }
            case rzk::DrawnAnnotation::Kind::Text:
                if (points[0].y + GLYPH_HEIGHT <= height) {
                    DrawText(frame, points[0].x, points[0].y, drawn->GetText(), color);
                }
                break;
        }
    }
}

}  // namespace viewer
