#include "app/ToolWindowPlace.h"

#include <algorithm>

namespace tulex {

ScreenPoint PlaceToolWindow(const ScreenRect& main, int width, int height, const ScreenRect& available, int gap,
                            int cascade, int others) {
    const int step = others * cascade;
    ScreenPoint at{main.right + gap + step, main.top + step};
    if (at.x + width > available.right) at = {main.left + cascade + step, main.top + cascade + step};
    at.x = std::clamp(at.x, available.left, std::max(available.left, available.right - width));
    at.y = std::clamp(at.y, available.top, std::max(available.top, available.bottom - height));
    return at;
}

}  // namespace tulex
