#include "app/ControllerCommands.h"

#include "app/LineSession.h"

namespace tulex {

bool ControllerCommands::CheckPort() {
    if (session_.IsPortOpen()) return true;
    session_.view().ShowMessage(kCaptionWarning, kStartWithPort, MessageIcon::Warning);
    return false;
}

bool ControllerCommands::CanStart() {
    // The window disables the map while a command runs; this guards the
    // other ways in (shortcuts queued before the disable, the CLI).
    if (session_.transaction.busy || session_.converterTransaction.busy) return false;
    return CheckPort();
}

}  // namespace tulex
