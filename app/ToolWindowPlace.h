#pragma once
// Where a tool window (the statistics, the event list) first opens: right
// of the main window when it fits on the screen there, else a little down
// and right of the main window's corner (cascaded), and always on the
// screen. Screen pixels; right and bottom edges are exclusive.

namespace tulex {

struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
struct ScreenPoint {
    int x = 0, y = 0;
};

// main: the main window's frame; width, height: the tool window's frame;
// available: the work area of the main window's screen; gap: between the two
// side by side; cascade: the step down and right when they are not; others:
// the tool windows open already, which this one steps past by as many
// cascade steps, beside or not, so that their captions stay in view.
ScreenPoint PlaceToolWindow(const ScreenRect& main, int width, int height, const ScreenRect& available, int gap,
                            int cascade, int others = 0);

}  // namespace tulex
