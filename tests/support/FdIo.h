#pragma once
// Writes to the non-blocking descriptors the tests hold (a pty side), and the
// wait for a child program.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace tulex::test {

// Writes every byte, waiting while the descriptor is full.
bool WriteAll(int fd, std::string_view bytes);

// How ReadFor treats the end of what it wants and the end of the descriptor.
struct ReadMode {
    bool neverPastWant = false;   // leave bytes beyond `want` for the next read
    bool waitThroughEnd = false;  // a pty master reads EIO while no slave is open, and data may still come
};

// Reads what arrives within the time, until at least `want` bytes came.
std::string ReadFor(int fd, std::chrono::milliseconds within, std::size_t want, ReadMode mode);

// Waits for a child to end: its exit status (128 + signal if killed), or -1
// if it did not end within the time.
int WaitForExit(pid_t pid, std::chrono::milliseconds within);

}  // namespace tulex::test
