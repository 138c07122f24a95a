#pragma once
// Function-key shortcuts of the line map. A shortcut names a PopupMenu1 item
// by its position: the top-level position, then the position inside its
// submenu (separators count, as they do in the menu itself).

#include <optional>
#include <vector>

namespace tulex {

using MenuPath = std::vector<int>;

// Function key number 1..10 held down while another key is pressed, or 0.
// pressedFunctionKey: 1..10 when the pressed key is a function key, else 0.
// pressedDigit: 1..9 when the pressed key is a main-keyboard digit, else 0.
// The held-key combinations are tested first, then the plain function keys;
// F4, F5, F6 and F9 alone give nothing.
std::optional<MenuPath> MapShortcut(int pressedFunctionKey, int pressedDigit,
                                    const std::vector<int>& heldFunctionKeys);

}  // namespace tulex
