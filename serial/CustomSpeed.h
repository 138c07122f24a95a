#pragma once
// Rates outside the standard termios table (for example 12345 bit/s) go
// through the kernel's termios2 interface. Kept in its own file because the
// kernel's termios headers clash with the C library's <termios.h>.

namespace tulex {

// Sets input and output speed to the given rate on a configured descriptor,
// keeping every other setting. Returns false if the driver refuses it.
bool SetCustomSpeed(int fd, unsigned speed);

// The output speed the driver reports, 0 if it cannot be read.
unsigned GetOutputSpeed(int fd);

}  // namespace tulex
