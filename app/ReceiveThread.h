#pragma once
// The receive thread: the only reader of the port while it is open.

namespace tulex {

class TForm1;

// Runs until the port is closed (or the device is gone); returns 0.
int RunReceiveThread(TForm1& form);

}  // namespace tulex
