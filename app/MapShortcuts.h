#pragma once
// Function-key shortcuts of the line map: each names a controller menu
// command (F1 presence, F4+digit a standard set, F5+digit a mode or the
// master card, F6+digit a relay time, F9+digit a relay test, ...).

#include <optional>
#include <vector>

#include "app/ControllerMenu.h"

namespace tulex {

// pressedFunctionKey: 1..10 when the pressed key is a function key, else 0.
// pressedDigit: 1..9 when the pressed key is a main-keyboard digit, else 0.
// heldFunctionKeys: function keys 1..10 held down while the key is pressed.
// The held-key combinations are tested first, then the plain function keys;
// F4, F5, F6 and F9 alone give nothing.
std::optional<MenuCommand> MapShortcut(int pressedFunctionKey, int pressedDigit,
                                       const std::vector<int>& heldFunctionKeys);

}  // namespace tulex
