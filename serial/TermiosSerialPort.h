#pragma once
// The serial port on Linux, through which the program talks to the converter
// and the line: opened exclusively by name, raw 8N1 with CTS/RTS handshake and
// DTR off, whole-frame writes bounded by 100 ms per byte, and a one-byte read
// that never blocks. POSIX termios; a pseudo-terminal works as a port.
// Include serial/SerialPort.h, which names the port of the platform.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include <termios.h>

#include "serial/Port.h"

namespace tulex {

class TermiosSerialPort final : public Port {
public:
    TermiosSerialPort();
    ~TermiosSerialPort() override;
    TermiosSerialPort(const TermiosSerialPort&) = delete;
    TermiosSerialPort& operator=(const TermiosSerialPort&) = delete;

    // Opens by name (ttyUSB0, SIM1, /dev/pts/7): NotFound for a name that
    // does not exist, PermissionDenied when the device's permissions keep
    // this user out, Unavailable for every other failure (in use, not a
    // terminal; errno in lastError).
    PortError Open(const std::string& name) override;

    // Raw 8N1, CTS/RTS handshake, DTR off, at the speed given as text:
    // BadSpeed for a text that is not an integer, Refused for a rate the
    // driver refuses and every other failure; both close the port.
    PortError Configure(const std::string& speedText) override;

    void Close() override;
    bool IsOpen() const override { return isOpen.load() == 1; }
    bool IsGone() const override { return gone_.load(); }
    std::string Name() const override;

    // Gives up after 100 ms per byte.
    bool Write(std::string_view frame) override;
    bool ReadByte(std::uint8_t& byte) override;
    WaitState WaitForInput(int timeoutMs = -1) override;

    // 1 while the port is open and configured.
    std::atomic<int> isOpen{0};
    // errno of the last failed open.
    int lastError = 0;

    static constexpr int kWriteTimeoutPerByteMs = 100;

private:
    void CloseDescriptor();
    bool ApplySpeed(long speed);

    struct termios dcb_ {};          // the settings read during Configure
    mutable std::mutex stateMutex_;  // guards handle_ and name_ against Close
    int handle_ = -1;
    int wakeFd_ = -1;  // eventfd: readable while the port is closing/closed
    std::string name_;
    std::mutex writeMutex_;
    std::atomic<bool> gone_{false};

    // Bytes read ahead from the descriptor; only the receive thread reads.
    std::uint8_t rx_[4096];
    std::size_t rxPos_ = 0;
    std::size_t rxLen_ = 0;
};

// Resolves a port name to the path that is opened: a path as it stands, a
// virtual line announced by the simulator (SIM1), else a device in /dev.
std::string ResolvePortPath(const std::string& name);

}  // namespace tulex
