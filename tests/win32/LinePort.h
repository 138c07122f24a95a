#pragma once
// The COM port the Windows tests reach a line through, and what they need
// to talk to it.

#include <chrono>
#include <string>

#include "serial/Win32SerialPort.h"

namespace tulex::test {

// $TULEX_TEST_PORT: a COM port whose other side is
// `tulex-sim --controllers G,H` (tests/wine sets it to COM1, which Wine maps
// to the simulator's pseudo-terminal). Empty when it is not set.
std::string LinePortName();

// True when the program runs under Wine, which differs from Windows in a
// few documented ways (a second exclusive open succeeds).
bool RunningUnderWine();

// Reads from the port until `count` bytes came or the time passed.
std::string Receive(Win32SerialPort& port, std::size_t count,
                    std::chrono::milliseconds within = std::chrono::seconds(3));

}  // namespace tulex::test
