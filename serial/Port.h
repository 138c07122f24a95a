#pragma once
// The port the line is reached through, as the receive loop and the senders
// see it. SerialPort is the real one (a device or a pseudo-terminal); tests
// use an in-memory line behind the same interface.

#include <cstdint>
#include <string>
#include <string_view>

namespace tulex {

// Why opening or configuring a port failed. The front end words the message.
enum class PortError {
    None,
    NotFound,          // no such port
    Unavailable,       // exists but cannot be had: in use, not a terminal
    PermissionDenied,  // exists, but this user may not open it (EACCES: not in the device's group)
    BadSpeed,          // the speed text is not an integer (the port is closed again)
    Refused,           // the driver refused a setting (the port is closed again, silently)
};

class Port {
public:
    // How a wait for input ended.
    enum class WaitState { Readable, Timeout, Closed, Gone };

    virtual ~Port() = default;

    // Opens the port by name; a port that was open is closed first.
    virtual PortError Open(const std::string& name) = 0;
    // Applies the line settings at the speed given as text. Any failure
    // closes the port. IsOpen() becomes true only here.
    virtual PortError Configure(const std::string& speedText) = 0;
    // Makes IsOpen() false first, wakes a waiting reader, then releases the
    // port. Harmless on a closed port.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // True once the device went away under an open port.
    virtual bool IsGone() const = 0;
    // The name given to the last Open.
    virtual std::string Name() const = 0;

    // Writes the frame up to its first zero byte as one whole: concurrent
    // writers never interleave.
    virtual bool Write(std::string_view frame) = 0;
    // Takes one received byte if one is waiting; never blocks. Only the
    // receive loop reads.
    virtual bool ReadByte(std::uint8_t& byte) = 0;
    // Sleeps until a byte can be read, the port is closed, the device is gone
    // or the time passes (timeoutMs < 0: no limit). No wake-ups while idle.
    virtual WaitState WaitForInput(int timeoutMs) = 0;
};

}  // namespace tulex
