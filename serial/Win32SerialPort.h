#pragma once
// The serial port on Windows, through which the program talks to the
// converter and the line: \\.\COMn opened with no sharing (the system keeps
// it exclusive), overlapped I/O, 8N1 with CTS/RTS handshake and DTR off,
// 256-byte driver queues, whole-frame writes bounded by 100 ms per byte.
// Include serial/SerialPort.h, which names the port of the platform.
//
// The receive side never polls: while the line is idle one overlapped
// one-byte read stays pending, and the receive thread sleeps in
// WaitForMultipleObjects on that read's event and on the port's close event.
// A byte wakes it; so does Close, at once. When the read completes, what
// else the driver has queued is taken in one read. A read that fails while
// the port is open (the USB converter was pulled: the driver aborts it, or
// denies access, or no longer knows the command) means the device is gone.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "serial/Port.h"

namespace tulex {

class Win32SerialPort final : public Port {
public:
    Win32SerialPort();
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    // Opens by name (COM3, COM10; a name that starts with \\ is taken as the
    // device path): NotFound when the system has no such port (and for an
    // empty name), Unavailable for every other failure (in use, no
    // permission, not a communications device; the system's code in lastError).
    PortError Open(const std::string& name) override;

    // Queues of 256 bytes, both directions purged, break cleared, then 8N1,
    // CTS/RTS handshake, DTR off at the speed given as text: BadSpeed for a
    // text that is not an integer, Refused for a rate the driver refuses and
    // every other failure; both close the port.
    PortError Configure(const std::string& speedText) override;

    void Close() override;
    bool IsOpen() const override { return isOpen.load() == 1; }
    bool IsGone() const override { return gone_.load(); }
    std::string Name() const override;

    // Gives up after 100 ms per byte (the driver's write time-out, and the
    // port's own bound for drivers that do not keep it), or on Close.
    bool Write(std::string_view frame) override;
    bool ReadByte(std::uint8_t& byte) override;
    WaitState WaitForInput(int timeoutMs = -1) override;

    // 1 while the port is open and configured.
    std::atomic<int> isOpen{0};
    // The system's error code (GetLastError) of the last failed open.
    unsigned long lastError = 0;

    static constexpr int kWriteTimeoutPerByteMs = 100;
    static constexpr unsigned long kQueueBytes = 256;

private:
    struct Io;  // handles and overlapped records; <windows.h> stays in the .cpp

    void CloseHandleLocked();
    bool TakeQueuedLocked();
    bool CollectReadLocked();
    bool StartReadLocked();
    bool ReadQueuedLocked(unsigned long count);
    void MarkGone();

    std::unique_ptr<Io> io_;
    mutable std::mutex stateMutex_;  // guards the handle, the pending read and name_
    std::mutex writeMutex_;          // one whole frame at a time
    std::string name_;
    std::atomic<bool> gone_{false};

    // Bytes read ahead; only the receive thread reads and fills them.
    std::uint8_t rx_[4096];
    std::size_t rxPos_ = 0;
    std::size_t rxLen_ = 0;
};

}  // namespace tulex
