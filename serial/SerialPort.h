#pragma once
// The one serial port through which the program talks to the converter and
// the line: opened exclusively by name, raw 8N1 with CTS/RTS handshake and
// DTR off, whole-frame writes bounded by 100 ms per byte, and a one-byte read
// that never blocks. POSIX termios; a pseudo-terminal works as a port.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include <termios.h>

namespace tulex {

class SerialPort {
public:
    // Shows a warning message box (caption, text) owned by the main window.
    // The core has no window, so the front end injects this.
    using MessageBox = std::function<void(const std::string& caption, const std::string& text)>;

    // How the receive loop's wait ended.
    enum class WaitState { Readable, Timeout, Closed, Gone };

    SerialPort();
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the port by name (ttyUSB0, SIM1, /dev/pts/7). Shows the
    // "неверный идентификатор" message for a name that does not exist and the
    // "недоступен" message for every other failure (in use, not a terminal,
    // no permission). isOpen stays 0 until Configure succeeds.
    bool Open(const std::string& name);

    // Applies the line settings at the speed given as text. A text that is not
    // an integer shows the speed message and closes the port; a rate the
    // driver refuses (and every other failure) closes it silently.
    bool Configure(const std::string& speedText);

    // Clears isOpen first, wakes a waiting receive loop, then releases the
    // descriptor. Harmless on a closed port.
    void Close();

    // Writes the frame up to its first zero byte as one whole: concurrent
    // writers never interleave. Gives up after 100 ms per byte.
    bool Write(std::string_view frame);

    // Stores one received byte if one is waiting; never blocks.
    bool ReadByte(std::uint8_t& byte);

    // Sleeps until a byte can be read, the port is closed, the device is gone
    // or the time passes (timeoutMs < 0: no limit). Costs no wake-ups while
    // the line is idle; a Close is noticed at once.
    WaitState WaitForInput(int timeoutMs = -1);

    // True once the device went away (hang-up, USB converter pulled out).
    bool IsGone() const { return gone_.load(); }

    // The name given to the last Open (what the operator sees).
    std::string Name() const;

    void SetOwnerWindow(MessageBox ownerWindow) { ownerWindow_ = std::move(ownerWindow); }

    // 1 while the port is open and configured. The receive thread polls it.
    std::atomic<int> isOpen{0};
    // errno of the last failed open.
    int lastError = 0;

    static constexpr int kWriteTimeoutPerByteMs = 100;

private:
    void ShowWarning(const std::string& text) const;
    void CloseDescriptor();
    bool ApplySpeed(long speed);

    MessageBox ownerWindow_;
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
