#pragma once
// The real serial port of the platform the program is built for: termios on
// Linux (a device or a pseudo-terminal), the Win32 communications API on
// Windows. Both implement Port with the same errors and the same "gone".

#if defined(_WIN32)
#include "serial/Win32SerialPort.h"
#else
#include "serial/TermiosSerialPort.h"
#endif

namespace tulex {

#if defined(_WIN32)
using SerialPort = Win32SerialPort;
#else
using SerialPort = TermiosSerialPort;
#endif

}  // namespace tulex
