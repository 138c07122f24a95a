#include "app/ReceiveThread.h"

#include "app/TForm1.h"

namespace tulex {

// Placeholder loop until the frame routing lands: drains the port so that a
// close is noticed. Replaced by the receive engine.
int RunReceiveThread(TForm1& form) {
    std::uint8_t byte = 0;
    while (form.port.isOpen) {
        if (!form.port.ReadByte(byte)) form.port.WaitForInput(100);
    }
    return 0;
}

}  // namespace tulex
