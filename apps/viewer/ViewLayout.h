#pragma once

#include <vector>

namespace viewer {

// A view's place in the window, in window pixels, and how many of its rows are its drawing area (the rest
// is under the window's status line).
struct ViewRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int areaHeight = 0;

    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

// The places of count views (1, 2 or 4) in a window of width x height whose bottom statusHeight rows are
// the status line. One view is the whole window, its drawing area ending above the status line, as the
// viewer has always drawn it. Two sit side by side and four in a 2 x 2 grid above the status line, all of
// one size (a renderer keeps one picture size for all of them), with a one-pixel gap between them.
std::vector<ViewRect> SplitWindow(int count, int width, int height, int statusHeight);

// Which view a pointer event of the window goes to, as a multi-view host decides it. The pointer's view
// gets the event in its own coordinates; while a button is held, the view it went down in keeps every
// pointer event until the last button is up (a drag stays with its view). A press into a view that is not
// the active one makes it the active one: the host asks that view's window observer first (OnMouseActivate)
// so that its activation rule drops the left press and its release. Main thread only.
class ViewRouter {
public:
    // Where one event goes: view is -1 when it goes nowhere (the gap between views, the status line).
    struct Target {
        int view = -1;
        int x = 0;
        int y = 0;
        // A press that made view the active one: ask its window observer about the activation first.
        bool activates = false;
        // A move that took the pointer out of this view (-1 for none): it is told the pointer left.
        int left = -1;
    };

    // The first view starts active.
    explicit ViewRouter(std::vector<ViewRect> views = {});

    // The window was resized; a held button keeps its view.
    void SetViews(std::vector<ViewRect> views);
    const std::vector<ViewRect>& Views() const { return views_; }

    // A button went down, or up, at the window point (x, y).
    Target Press(int x, int y);
    Target Release(int x, int y);
    // The pointer moved to (x, y); buttonsDown false says no button is held, which ends a capture whose
    // release the window never reported.
    Target Move(int x, int y, bool buttonsDown);
    // An event at (x, y) that neither captures nor activates: the wheel.
    Target At(int x, int y) const;
    // The pointer left the window: the view it was over (the active one when it was over none), -1 when
    // there are no views.
    int Leave();

    int Active() const { return active_; }
    // The view the pointer belongs to: the one holding a button, else the one it is over, else the active.
    int Pointer() const;

private:
    int ViewAt(int x, int y) const;
    Target In(int view, int x, int y) const;

    std::vector<ViewRect> views_;
    int active_ = 0;
    int hovered_ = -1;
    // While buttons are held every pointer event goes where the first of them went down, nowhere included:
    // the release of a press into the gap must not reach a view as a click.
    int captured_ = -1;
    int held_ = 0;
};

}  // namespace viewer
