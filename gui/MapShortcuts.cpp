#include "gui/MapShortcuts.h"

#include <algorithm>

namespace tulex {

namespace {

bool Held(const std::vector<int>& held, int key) {
  return std::find(held.begin(), held.end(), key) != held.end();
}

// Positions in PopupMenu1 of the submenus reached with a held key.
constexpr int kStandardSets = 4;  // F4 + 1..5
constexpr int kModes = 5;         // F5 + 1..5 (separator at 3 skipped)
constexpr int kRelayTimes = 6;    // F6 + 1..4
constexpr int kRelayTests = 10;   // F9 + 1..4

}  // namespace

std::optional<MenuPath> MapShortcut(int pressedFunctionKey, int pressedDigit,
                                    const std::vector<int>& heldFunctionKeys) {
  if (pressedDigit >= 1) {
    const int d = pressedDigit;
    if (Held(heldFunctionKeys, 4) && d <= 5) return MenuPath{kStandardSets, d - 1};
    if (Held(heldFunctionKeys, 5) && d <= 3) return MenuPath{kModes, d - 1};
    if (Held(heldFunctionKeys, 5) && d <= 5) return MenuPath{kModes, d};  // past the separator
    if (Held(heldFunctionKeys, 6) && d <= 4) return MenuPath{kRelayTimes, d - 1};
    if (Held(heldFunctionKeys, 9) && d <= 4) return MenuPath{kRelayTests, d - 1};
    return std::nullopt;
  }
  switch (pressedFunctionKey) {
    case 1: return MenuPath{0};
    case 2: return MenuPath{1};
    case 3: return MenuPath{2};
    case 7: return MenuPath{8};
    case 8: return MenuPath{9};
    case 10: return MenuPath{12};
    default: return std::nullopt;
  }
}

}  // namespace tulex
