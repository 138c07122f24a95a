#pragma once
// Writes to the non-blocking descriptors the tests hold (a pty side), and the
// wait for a child program.

#include <chrono>
#include <string_view>

#include <sys/types.h>

namespace tulex::test {

// Writes every byte, waiting while the descriptor is full.
bool WriteAll(int fd, std::string_view bytes);

// Waits for a child to end: its exit status (128 + signal if killed), or -1
// if it did not end within the time.
int WaitForExit(pid_t pid, std::chrono::milliseconds within);

}  // namespace tulex::test
