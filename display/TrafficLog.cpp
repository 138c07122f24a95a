#include "display/TrafficLog.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "line/Cp1251.h"

namespace tulex {
namespace {

constexpr std::size_t kSaveBufferBytes = 1 << 20;

std::tm SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm;
}

// The save dialog's first path: the user's home folder, where a bare name
// typed after it lands (the counterpart of a drive's root).
std::string InitialPath() {
    const char* home = std::getenv("HOME");
    return (home && *home) ? std::string(home) + "/" : std::string("/");
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

TrafficLog::TrafficLog() : filePath(InitialPath()), localTime_(SystemLocalTime) {}

void TrafficLog::Add(std::string_view text) { Add({}, text); }

void TrafficLog::Add(std::string_view prefix, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (!windowExists_ || paused_) return;  // lost, as on the screen
    const std::tm tm = localTime_();
    const LineStore::Stamp stamp = LineStore::PackStamp(tm.tm_hour, tm.tm_min, tm.tm_sec);
    if (keepLines_) store_.Append(stamp, prefix, text);
    if (sink_) {
        char line[24];
        std::snprintf(line, sizeof line, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
        std::string whole(line);
        whole.append(prefix).append(text);
        sink_(whole);
    }
}

void TrafficLog::SetKeepLines(bool keep) {
    std::lock_guard lock(mutex_);
    keepLines_ = keep;
}

void TrafficLog::Clear() {
    std::lock_guard lock(mutex_);
    store_.Clear();
    ++generation_;
}

void TrafficLog::SetWindowExists(bool exists) {
    std::lock_guard lock(mutex_);
    if (windowExists_ == exists) return;
    windowExists_ = exists;
    // A closed window takes its lines with it; a new one starts empty.
    store_.Clear();
    ++generation_;
}

bool TrafficLog::WindowExists() const {
    std::lock_guard lock(mutex_);
    return windowExists_;
}

void TrafficLog::Pause() {
    Add(Utf8ToCp1251Lossy("   Пауза"));
    std::lock_guard lock(mutex_);
    paused_ = true;
}

void TrafficLog::Start() {
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
    }
    Add(Utf8ToCp1251Lossy("   Старт"));
}

bool TrafficLog::Paused() const {
    std::lock_guard lock(mutex_);
    return paused_;
}

std::size_t TrafficLog::Count() const {
    std::lock_guard lock(mutex_);
    return store_.Count();
}

std::string TrafficLog::Line(std::size_t i) const {
    std::lock_guard lock(mutex_);
    return store_.Line(i);
}

std::size_t TrafficLog::MemoryBytes() const {
    std::lock_guard lock(mutex_);
    return store_.MemoryBytes();
}

std::uint64_t TrafficLog::Generation() const {
    std::lock_guard lock(mutex_);
    return generation_;
}

void TrafficLog::SetLocalTime(LocalTime localTime) {
    std::lock_guard lock(mutex_);
    localTime_ = localTime ? std::move(localTime) : LocalTime(SystemLocalTime);
}

void TrafficLog::SetLineSink(LineSink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

TrafficLog::SaveError TrafficLog::SaveToFile(const std::string& path) const {
    const int fd = path.empty() ? -1 : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = path.empty() ? ENOENT : errno;
        return err == EACCES || err == EPERM || err == EROFS ? SaveError::ReadOnly : SaveError::BadPath;
    }
    // Every line in order, CR LF after each, in one buffer per chunk of lines.
    bool ok = true;
    {
        std::lock_guard lock(mutex_);
        std::string buffer;
        buffer.reserve(kSaveBufferBytes + 4096);
        for (std::size_t i = 0; i < store_.Count() && ok; ++i) {
            store_.AppendLineTo(buffer, i);
            buffer.append("\r\n");
            if (buffer.size() >= kSaveBufferBytes) {
                ok = WriteAll(fd, buffer);
                buffer.clear();
            }
        }
        if (ok) ok = WriteAll(fd, buffer);
    }
    if (::close(fd) != 0) ok = false;
    // Not silent: a monitor saved in part must not pass for a saved one.
    return ok ? SaveError::None : SaveError::Incomplete;
}

}  // namespace tulex
