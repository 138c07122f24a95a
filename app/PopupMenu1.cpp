// PopupMenu1 by position: the map's shortcut keys name a menu item by where
// it stands in the double-click menu, so the menu's order and separators
// (positions 3, 7, 11 and 5.3) never change.

#include "app/ControllerCommands.h"

#include <iterator>

#include "app/TForm1.h"

namespace tulex {

void ControllerCommands::InvokeMenuItem(int position, int subPosition) {
    using Handler = void (ControllerCommands::*)();
    // One command at a time: the window disables the map while one runs, so
    // an item reached any other way while a command runs does nothing.
    if (form_.unit.busy || form_.conv.busy) return;
    // Items without a submenu.
    if (subPosition < 0) {
        Handler handler = nullptr;
        switch (position) {
        case 0: handler = &ControllerCommands::N11Click; break;
        case 1: handler = &ControllerCommands::N31Click; break;
        case 2: handler = &ControllerCommands::N21Click; break;
        case 8: handler = &ControllerCommands::N41Click; break;
        case 9: handler = &ControllerCommands::N1Click; break;
        case 12: handler = &ControllerCommands::N26Click; break;
        default: return;  // separators, submenu headers, outside the menu
        }
        (this->*handler)();
        return;
    }
    static constexpr Handler kStandardSets[] = {&ControllerCommands::N7Click, &ControllerCommands::N23Click,
                                                &ControllerCommands::N8Click, &ControllerCommands::N20Click,
                                                &ControllerCommands::N25Click};
    static constexpr Handler kModes[] = {&ControllerCommands::Offline1Click, &ControllerCommands::Online1Click,
                                         &ControllerCommands::N13Click,      nullptr,  // separator N27
                                         &ControllerCommands::N28Click,      &ControllerCommands::N29Click};
    static constexpr Handler kRelayTimes[] = {&ControllerCommands::N15Click, &ControllerCommands::N22Click,
                                              &ControllerCommands::N32Click, &ControllerCommands::N42Click};
    static constexpr Handler kRelayTests[] = {&ControllerCommands::N110Click, &ControllerCommands::N24Click,
                                              &ControllerCommands::N33Click, &ControllerCommands::N43Click};
    const auto pick = [subPosition](const auto& submenu) -> Handler {
        const auto count = static_cast<int>(std::size(submenu));
        return subPosition < count ? submenu[subPosition] : nullptr;
    };
    Handler handler = nullptr;
    switch (position) {
    case 4: handler = pick(kStandardSets); break;
    case 5: handler = pick(kModes); break;
    case 6: handler = pick(kRelayTimes); break;
    case 10: handler = pick(kRelayTests); break;
    default: break;
    }
    if (handler) (this->*handler)();
}

}  // namespace tulex
