#include "serial/TermiosSerialPort.h"

#include "serial/CustomSpeed.h"
#include "serial/SpeedText.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "serial/PortList.h"

namespace tulex {
namespace {

// Modem-control and break ioctls fail on a pseudo-terminal (no modem lines):
// that is not an error of the port.
bool IgnorableIoctlError(int err) { return err == ENOTTY || err == EINVAL; }

speed_t StandardSpeed(long speed) {
    switch (speed) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 500000: return B500000;
    case 576000: return B576000;
    case 921600: return B921600;
    case 1000000: return B1000000;
    default: return B0;
    }
}

}  // namespace

std::string ResolvePortPath(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    if (name.empty()) return {};
    const std::string announced = SimulatorDirectory() + "/" + name;
    struct stat st {};
    if (lstat(announced.c_str(), &st) == 0) return announced;
    return "/dev/" + name;
}

TermiosSerialPort::TermiosSerialPort() { wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

TermiosSerialPort::~TermiosSerialPort() {
    Close();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

std::string TermiosSerialPort::Name() const {
    std::lock_guard lock(stateMutex_);
    return name_;
}

PortError TermiosSerialPort::Open(const std::string& name) {
    Close();  // a held descriptor is never leaked by a second Open
    const std::string path = ResolvePortPath(name);
    int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    int err = path.empty() ? ENOENT : errno;
    if (fd >= 0) {
        // Only a terminal is a port; exclusivity must hold even for root,
        // which TIOCEXCL alone does not stop, hence the lock.
        if (!isatty(fd)) {
            err = ENOTTY;
        } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            err = errno;
        } else {
            err = 0;
            ioctl(fd, TIOCEXCL);
        }
        if (err != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        lastError = err;
        if (err == ENOENT) return PortError::NotFound;
        return err == EACCES ? PortError::PermissionDenied : PortError::Unavailable;
    }
    // Drain a wake-up left by the previous Close.
    std::uint64_t drained = 0;
    while (::read(wakeFd_, &drained, sizeof drained) > 0) {
    }
    std::scoped_lock lock(writeMutex_, stateMutex_);
    handle_ = fd;
    name_ = name;
    gone_ = false;
    rxPos_ = rxLen_ = 0;
    return PortError::None;
}

bool TermiosSerialPort::ApplySpeed(long speed) {
    if (speed <= 0) return false;  // B0 would hang up the line
    const speed_t standard = StandardSpeed(speed);
    if (standard != B0) {
        struct termios t {};
        if (tcgetattr(handle_, &t) != 0) return false;
        if (cfsetispeed(&t, standard) != 0 || cfsetospeed(&t, standard) != 0) return false;
        return tcsetattr(handle_, TCSANOW, &t) == 0;
    }
    if (!SetCustomSpeed(handle_, static_cast<unsigned>(speed))) return false;
    return GetOutputSpeed(handle_) != 0;
}

PortError TermiosSerialPort::Configure(const std::string& speedText) {
    int fd = -1;
    {
        std::lock_guard lock(stateMutex_);
        fd = handle_;
    }
    if (fd < 0) return PortError::Refused;

    auto fail = [this](PortError error = PortError::Refused) {
        CloseDescriptor();
        return error;
    };

    // Drop anything pending in both directions, clear a break.
    if (tcflush(fd, TCIOFLUSH) != 0) return fail();
    if (ioctl(fd, TIOCCBRK) != 0 && !IgnorableIoctlError(errno)) return fail();
    if (tcgetattr(fd, &dcb_) != 0) return fail();

    long speed = 0;
    if (!ParseSpeedText(speedText, speed)) return fail(PortError::BadSpeed);

    // Raw 8N1, CTS/RTS handshake, receiver on, no modem-control hang-up, no
    // software flow control. Reads never block because the descriptor is
    // non-blocking; VMIN 1 makes an empty queue read as EAGAIN, so that a
    // read of 0 bytes means the device hung up.
    struct termios t {};
    t.c_iflag = 0;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = CS8 | CREAD | CLOCAL | CRTSCTS;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    if (tcsetattr(fd, TCSANOW, &t) != 0) return fail();
    if (!ApplySpeed(speed)) return fail();

    // DTR off. A pseudo-terminal has no modem lines.
    const int dtr = TIOCM_DTR;
    if (ioctl(fd, TIOCMBIC, &dtr) != 0 && !IgnorableIoctlError(errno)) return fail();

    isOpen = 1;
    return PortError::None;
}

void TermiosSerialPort::CloseDescriptor() {
    isOpen = 0;  // first: stops the receive thread before the descriptor goes
    if (wakeFd_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(wakeFd_, &one, sizeof one);
    }
    std::scoped_lock lock(writeMutex_, stateMutex_);
    if (handle_ >= 0) {
        ioctl(handle_, TIOCNXCL);
        ::close(handle_);  // also releases the lock
        handle_ = -1;
    }
}

void TermiosSerialPort::Close() { CloseDescriptor(); }

bool TermiosSerialPort::Write(std::string_view frame) {
    const auto zero = frame.find('\0');
    if (zero != std::string_view::npos) frame = frame.substr(0, zero);

    std::lock_guard writeLock(writeMutex_);
    int fd = -1;
    {
        std::lock_guard lock(stateMutex_);
        fd = handle_;
    }
    if (fd < 0) return false;
    if (frame.empty()) return true;

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(kWriteTimeoutPerByteMs * static_cast<long>(frame.size()));
    std::size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = ::write(fd, frame.data() + done, frame.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;
        // Output queue full (or CTS held low): wait for room, the deadline,
        // or a Close.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        struct pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
        const int r = ::poll(fds, 2, static_cast<int>(left.count()));
        if (r < 0 && errno != EINTR) return false;
        if (fds[1].revents & POLLIN) return false;  // closing
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    }
    return true;
}

bool TermiosSerialPort::ReadByte(std::uint8_t& byte) {
    if (rxPos_ < rxLen_) {
        byte = rx_[rxPos_++];
        return true;
    }
    std::lock_guard lock(stateMutex_);
    if (handle_ < 0) return false;
    const ssize_t n = ::read(handle_, rx_, sizeof rx_);
    if (n > 0) {
        rxLen_ = static_cast<std::size_t>(n);
        rxPos_ = 1;
        byte = rx_[0];
        return true;
    }
    // 0 is end of file (the device hung up); EIO/ENXIO and the like mean the
    // device went away. Only "nothing waiting" is a plain no-byte.
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) gone_ = true;
    return false;
}

TermiosSerialPort::WaitState TermiosSerialPort::WaitForInput(int timeoutMs) {
    if (rxPos_ < rxLen_) return WaitState::Readable;
    if (!isOpen) return WaitState::Closed;
    if (gone_) return WaitState::Gone;
    int fd = -1;
    {
        std::lock_guard lock(stateMutex_);
        fd = handle_;
    }
    if (fd < 0) return WaitState::Closed;
    struct pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {fd, POLLIN, 0}};
    for (;;) {
        const int r = ::poll(fds, 2, timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return WaitState::Gone;
        if (r == 0) return WaitState::Timeout;
        break;
    }
    if ((fds[0].revents & POLLIN) || !isOpen) return WaitState::Closed;
    if (fds[1].revents & POLLIN) return WaitState::Readable;
    if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        gone_ = true;
        return WaitState::Gone;
    }
    return WaitState::Timeout;
}

}  // namespace tulex
