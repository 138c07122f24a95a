#include "app/ControllerCommands.h"

#include "app/CommandContext.h"

namespace tulex {

bool ControllerCommands::CheckPort() {
    if (context_.IsPortOpen()) return true;
    context_.view().ShowMessage(kCaptionWarning, kStartWithPort, MessageIcon::Warning);
    return false;
}

bool ControllerCommands::CanStart() {
    // The window disables the map while a command runs; this guards the
    // other ways in (shortcuts queued before the disable, the CLI).
    if (context_.transaction().busy || context_.converterTransaction().busy) return false;
    return CheckPort();
}

}  // namespace tulex
