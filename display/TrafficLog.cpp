#include "display/TrafficLog.h"

#include <chrono>
#include <cstdio>

#include "display/SaveFile.h"
#include "line/Cp1251.h"
#include "line/LocalTime.h"

namespace tulex {
namespace {

constexpr std::size_t kSaveBufferBytes = 1 << 20;

TrafficLog::LocalMoment SystemLocalTime() {
    // One reading for both, so that the milliseconds belong to the second.
    const auto now = std::chrono::system_clock::now();
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    int millis = static_cast<int>(sinceEpoch.count() % 1000);
    if (millis < 0) millis += 1000;
    return {ToLocalTime(seconds), millis};
}

}  // namespace

TrafficLog::TrafficLog() : filePath(InitialSaveFolder()), localClock_(SystemLocalTime) {}

void TrafficLog::Add(std::string_view text) { Add({}, text); }

void TrafficLog::Add(std::string_view prefix, std::string_view text, std::uint8_t index) {
    std::lock_guard lock(mutex_);
    if (!windowExists_ || paused_) return;  // lost, as on the screen
    const LocalMoment moment = localClock_();
    const std::tm& tm = moment.time;
    const LineStore::Stamp stamp = LineStore::PackStamp(tm.tm_hour, tm.tm_min, tm.tm_sec);
    if (keepLines_)
        store_.Append(stamp, prefix, text, ClassifyMonitorLine(prefix, text, index),
                      static_cast<std::uint16_t>(moment.millis));
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
    return store_.Line(i, milliseconds_);
}

MonitorTag TrafficLog::Tag(std::size_t i) const {
    std::lock_guard lock(mutex_);
    return store_.Tag(i);
}

void TrafficLog::Matching(const MonitorFilter& filter, std::size_t from, std::vector<std::uint32_t>& out) const {
    std::lock_guard lock(mutex_);
    store_.Matching(filter, from, out);
}

void TrafficLog::SetMilliseconds(bool on) {
    std::lock_guard lock(mutex_);
    milliseconds_ = on;
}

bool TrafficLog::Milliseconds() const {
    std::lock_guard lock(mutex_);
    return milliseconds_;
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
    if (!localTime) return SetLocalClock(nullptr);
    SetLocalClock([localTime = std::move(localTime)] { return LocalMoment{localTime(), 0}; });
}

void TrafficLog::SetLocalClock(LocalClock localClock) {
    std::lock_guard lock(mutex_);
    localClock_ = localClock ? std::move(localClock) : LocalClock(SystemLocalTime);
}

void TrafficLog::SetLineSink(LineSink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

TrafficLog::SaveError TrafficLog::SaveToFile(const std::string& path, Encoding encoding) const {
    SaveFile file;
    switch (file.Create(path)) {
    case SaveFile::OpenError::None: break;
    case SaveFile::OpenError::ReadOnly: return SaveError::ReadOnly;
    case SaveFile::OpenError::BadPath: return SaveError::BadPath;
    }
    // Every line in order, CR LF after each, in one buffer per chunk of lines.
    bool ok = true;
    {
        std::lock_guard lock(mutex_);
        std::string buffer;
        std::string line;
        buffer.reserve(kSaveBufferBytes + 4096);
        for (std::size_t i = 0; i < store_.Count() && ok; ++i) {
            if (encoding == Encoding::Utf8) {
                line.clear();
                store_.AppendLineTo(line, i, milliseconds_);
                buffer.append(Cp1251ToUtf8(line));
            } else {
                store_.AppendLineTo(buffer, i, milliseconds_);
            }
            buffer.append("\r\n");
            if (buffer.size() >= kSaveBufferBytes) {
                ok = file.Write(buffer);
                buffer.clear();
            }
        }
        if (ok) ok = file.Write(buffer);
    }
    if (!file.Close()) ok = false;
    // Not silent: a monitor saved in part must not pass for a saved one.
    return ok ? SaveError::None : SaveError::Incomplete;
}

}  // namespace tulex
