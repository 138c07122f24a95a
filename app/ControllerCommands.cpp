#include "app/ControllerCommands.h"

#include "app/TForm1.h"

namespace tulex {

bool ControllerCommands::CheckPort() {
    if (form_.IsPortOpen()) return true;
    form_.view().ShowMessage(kCaptionWarning, kStartWithPort, MessageIcon::Warning);
    return false;
}

bool ControllerCommands::CanStart() {
    // The window disables the map while a command runs; this guards the
    // other ways in (shortcuts queued before the disable, the CLI).
    if (form_.unit.busy || form_.conv.busy) return false;
    return CheckPort();
}

}  // namespace tulex
