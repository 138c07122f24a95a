#include "serial/Win32SerialPort.h"

#include <windows.h>

#include <algorithm>

#include "serial/SpeedText.h"
#include "serial/WideText.h"

namespace tulex {

struct Win32SerialPort::Io {
    HANDLE handle = INVALID_HANDLE_VALUE;
    // Manual-reset, set by Close and cleared by Open: wakes the receive
    // thread's wait and a writer waiting for the driver.
    HANDLE closeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // The receive side's read: one record and one byte while a read is
    // pending; the event is manual-reset, as GetOverlappedResult needs.
    HANDLE readEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED read{};
    std::uint8_t pendingByte = 0;
    bool readPending = false;
    int emptyReads = 0;  // reads completed without a byte, in a row
    // The writers' record, used under the write lock.
    HANDLE writeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    ~Io() {
        for (HANDLE event : {closeEvent, readEvent, writeEvent})
            if (event) CloseHandle(event);
    }
};

namespace {

// A read completed without a byte (a driver quirk; the port's read time-outs
// make a read wait for its byte) is tried again a few times, then taken for
// a device that has gone, so that such a driver cannot make the receive
// thread spin.
constexpr int kEmptyReadsBeforeGone = 3;

// How long a read of bytes the driver says are queued may take.
constexpr DWORD kQueuedReadLimitMs = 1000;

std::wstring DevicePath(const std::string& name) {
    if (name.rfind("\\\\", 0) == 0) return WideFromUtf8(name);
    return WideFromUtf8("\\\\.\\" + name);
}

}  // namespace

Win32SerialPort::Win32SerialPort() : io_(std::make_unique<Io>()) { io_->read.hEvent = io_->readEvent; }

Win32SerialPort::~Win32SerialPort() { Close(); }

std::string Win32SerialPort::Name() const {
    std::lock_guard lock(stateMutex_);
    return name_;
}

PortError Win32SerialPort::Open(const std::string& name) {
    Close();  // a held handle is never leaked by a second Open
    if (name.empty()) {
        lastError = ERROR_FILE_NOT_FOUND;
        return PortError::NotFound;
    }
    HANDLE handle = CreateFileW(DevicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        lastError = GetLastError();
        return lastError == ERROR_FILE_NOT_FOUND ? PortError::NotFound : PortError::Unavailable;
    }
    // Only a communications device is a port (NUL, a disk or a pipe opened
    // by its path is not): it has settings to read.
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!GetCommState(handle, &settings)) {
        lastError = GetLastError();
        CloseHandle(handle);
        return PortError::Unavailable;
    }
    ResetEvent(io_->closeEvent);
    std::scoped_lock lock(writeMutex_, stateMutex_);
    io_->handle = handle;
    io_->readPending = false;
    io_->emptyReads = 0;
    name_ = name;
    gone_ = false;
    rxPos_ = rxLen_ = 0;
    return PortError::None;
}

PortError Win32SerialPort::Configure(const std::string& speedText) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    {
        std::lock_guard lock(stateMutex_);
        handle = io_->handle;
    }
    if (handle == INVALID_HANDLE_VALUE) return PortError::Refused;

    auto fail = [this](PortError error = PortError::Refused) {
        Close();
        return error;
    };

    // Driver queues, anything pending dropped in both directions, a break
    // cleared, the current settings readable.
    if (!SetupComm(handle, kQueueBytes, kQueueBytes)) return fail();
    if (!PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) return fail();
    if (!ClearCommBreak(handle)) return fail();
    DCB current{};
    current.DCBlength = sizeof current;
    if (!GetCommState(handle, &current)) return fail();

    long speed = 0;
    if (!ParseSpeedText(speedText, speed)) return fail(PortError::BadSpeed);
    if (speed <= 0) return fail();

    // 8N1, CTS/RTS handshake, DTR off; everything else off (no DSR flow or
    // sensitivity, no XON/XOFF, no error, end or event characters, no abort
    // on error). Binary mode is the only one Windows has.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = static_cast<DWORD>(speed);
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = TRUE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetCommState(handle, &dcb)) return fail();

    // Reads wait for the bytes they ask for: the receive side asks for one
    // byte while the line is idle, or for bytes already queued. (Reads that
    // return at once would make the receive thread poll.) Writes give up
    // after 100 ms per byte, when the converter holds CTS low.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = 0;
    if (!SetCommTimeouts(handle, &timeouts)) return fail();

    isOpen = 1;
    return PortError::None;
}

void Win32SerialPort::Close() {
    isOpen = 0;  // first: the receive loop stops before the handle goes
    SetEvent(io_->closeEvent);
    std::scoped_lock lock(writeMutex_, stateMutex_);
    CloseHandleLocked();
}

void Win32SerialPort::CloseHandleLocked() {
    if (io_->handle == INVALID_HANDLE_VALUE) return;
    if (io_->readPending) {
        // The record and its byte must outlive the read: wait for the
        // cancellation to complete it.
        DWORD count = 0;
        CancelIoEx(io_->handle, &io_->read);
        GetOverlappedResult(io_->handle, &io_->read, &count, TRUE);
        io_->readPending = false;
    }
    CloseHandle(io_->handle);
    io_->handle = INVALID_HANDLE_VALUE;
}

bool Win32SerialPort::Write(std::string_view frame) {
    const auto zero = frame.find('\0');
    if (zero != std::string_view::npos) frame = frame.substr(0, zero);

    std::lock_guard writeLock(writeMutex_);
    HANDLE handle = INVALID_HANDLE_VALUE;
    {
        std::lock_guard lock(stateMutex_);
        handle = io_->handle;
    }
    // Close takes the write lock before it closes the handle, so the handle
    // stays valid while this write holds the lock.
    if (handle == INVALID_HANDLE_VALUE) return false;
    if (frame.empty()) return true;

    const auto size = static_cast<DWORD>(frame.size());
    OVERLAPPED write{};
    write.hEvent = io_->writeEvent;
    DWORD written = 0;
    if (WriteFile(handle, frame.data(), size, &written, &write)) return written == size;
    if (GetLastError() != ERROR_IO_PENDING) return false;

    // The driver's write time-out ends the write; the port's own bound (a
    // little longer) covers drivers that ignore it, Close ends it at once.
    const DWORD bound = size * static_cast<DWORD>(kWriteTimeoutPerByteMs) + 500;
    const HANDLE waits[2] = {io_->writeEvent, io_->closeEvent};
    if (WaitForMultipleObjects(2, waits, FALSE, bound) == WAIT_OBJECT_0)
        return GetOverlappedResult(handle, &write, &written, FALSE) && written == size;
    CancelIoEx(handle, &write);
    GetOverlappedResult(handle, &write, &written, TRUE);
    return false;
}

void Win32SerialPort::MarkGone() { gone_ = true; }

// Moves the completed one-byte read into the read-ahead. False while it is
// still pending or when it failed (the device is then gone).
bool Win32SerialPort::CollectReadLocked() {
    DWORD count = 0;
    if (!GetOverlappedResult(io_->handle, &io_->read, &count, FALSE)) {
        if (GetLastError() == ERROR_IO_INCOMPLETE) return false;
        io_->readPending = false;
        MarkGone();
        return false;
    }
    io_->readPending = false;
    if (count == 0) {
        if (++io_->emptyReads >= kEmptyReadsBeforeGone) MarkGone();
        return false;
    }
    io_->emptyReads = 0;
    rx_[rxLen_++] = io_->pendingByte;
    return true;
}

// Reads `count` bytes that the driver has already queued.
bool Win32SerialPort::ReadQueuedLocked(unsigned long count) {
    count = std::min<unsigned long>(count, sizeof rx_ - rxLen_);
    if (count == 0) return true;
    DWORD got = 0;
    bool ok = ReadFile(io_->handle, rx_ + rxLen_, count, &got, &io_->read);
    if (!ok && GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(io_->readEvent, kQueuedReadLimitMs) != WAIT_OBJECT_0)
            CancelIoEx(io_->handle, &io_->read);
        ok = GetOverlappedResult(io_->handle, &io_->read, &got, TRUE);
    }
    if (!ok) {
        MarkGone();
        return false;
    }
    rxLen_ += got;
    return true;
}

// Fills the read-ahead with what has arrived, without waiting: the result of
// a completed one-byte read, then everything else the driver has queued.
// True if there are bytes to take.
bool Win32SerialPort::TakeQueuedLocked() {
    if (rxPos_ == rxLen_) rxPos_ = rxLen_ = 0;
    if (io_->handle == INVALID_HANDLE_VALUE || gone_) return rxPos_ < rxLen_;
    if (io_->readPending && !CollectReadLocked()) return rxPos_ < rxLen_;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(io_->handle, &errors, &status)) {
        MarkGone();
        return rxPos_ < rxLen_;
    }
    if (status.cbInQue > 0) ReadQueuedLocked(status.cbInQue);
    return rxPos_ < rxLen_;
}

// Leaves a one-byte read pending; if a byte was there already it completes
// at once and lands in the read-ahead. False when the read failed.
bool Win32SerialPort::StartReadLocked() {
    DWORD got = 0;
    if (ReadFile(io_->handle, &io_->pendingByte, 1, &got, &io_->read)) {
        if (got == 1) {
            io_->emptyReads = 0;
            rx_[rxLen_++] = io_->pendingByte;
        } else if (++io_->emptyReads >= kEmptyReadsBeforeGone) {
            MarkGone();
            return false;
        }
        return true;
    }
    if (GetLastError() != ERROR_IO_PENDING) {
        MarkGone();
        return false;
    }
    io_->readPending = true;
    return true;
}

bool Win32SerialPort::ReadByte(std::uint8_t& byte) {
    if (rxPos_ < rxLen_) {
        byte = rx_[rxPos_++];
        return true;
    }
    std::lock_guard lock(stateMutex_);
    if (!TakeQueuedLocked()) return false;
    byte = rx_[rxPos_++];
    return true;
}

Win32SerialPort::WaitState Win32SerialPort::WaitForInput(int timeoutMs) {
    if (rxPos_ < rxLen_) return WaitState::Readable;
    if (!isOpen) return WaitState::Closed;
    if (gone_) return WaitState::Gone;
    {
        std::lock_guard lock(stateMutex_);
        if (io_->handle == INVALID_HANDLE_VALUE) return WaitState::Closed;
        if (TakeQueuedLocked()) return WaitState::Readable;
        if (gone_) return WaitState::Gone;
        if (!io_->readPending) {
            if (!StartReadLocked()) return WaitState::Gone;
            if (rxPos_ < rxLen_) return WaitState::Readable;
            if (!io_->readPending) return WaitState::Timeout;  // an empty read: the caller asks again
        }
    }
    // Sleeps until the pending read completes or the port closes: no
    // wake-ups while the line is idle.
    const HANDLE waits[2] = {io_->closeEvent, io_->readEvent};
    const DWORD limit = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, limit);
    if (woke == WAIT_OBJECT_0 || !isOpen) return WaitState::Closed;
    if (woke == WAIT_TIMEOUT) return WaitState::Timeout;
    if (woke != WAIT_OBJECT_0 + 1) {
        MarkGone();
        return WaitState::Gone;
    }
    std::lock_guard lock(stateMutex_);
    if (io_->handle == INVALID_HANDLE_VALUE) return WaitState::Closed;
    if (TakeQueuedLocked()) return WaitState::Readable;
    return gone_ ? WaitState::Gone : WaitState::Timeout;
}

}  // namespace tulex
