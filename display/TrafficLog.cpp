#include "display/TrafficLog.h"

#include <cstdio>

#include "display/SaveFile.h"
#include "line/Cp1251.h"
#include "line/LocalTime.h"

namespace tulex {
namespace {

constexpr std::size_t kChunkSize = 1 << 20;

std::tm SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    return ToLocalTime(now);
}

}  // namespace

TrafficLog::TrafficLog() : filePath(InitialSaveFolder()), localTime_(SystemLocalTime) {}

std::string TrafficLog::Stamp() const {
    const std::tm tm = localTime_();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

void TrafficLog::AppendLocked(std::string_view line) {
    if (chunks_.empty() || chunks_.back().size() + line.size() > kChunkSize) {
        chunks_.emplace_back();
        chunks_.back().reserve(std::max(kChunkSize, line.size()));
    }
    std::string& chunk = chunks_.back();
    lines_.push_back({static_cast<std::uint32_t>(chunks_.size() - 1), static_cast<std::uint32_t>(chunk.size()),
                      static_cast<std::uint32_t>(line.size())});
    chunk.append(line);
    if (sink_) sink_(line);
}

void TrafficLog::Add(std::string_view text) {
    std::string line = Stamp();
    line.append(text);
    std::lock_guard lock(mutex_);
    if (!windowExists_ || paused_) return;  // lost, as on the screen
    AppendLocked(line);
}

void TrafficLog::Clear() {
    std::lock_guard lock(mutex_);
    chunks_.clear();
    lines_.clear();
    ++generation_;
}

void TrafficLog::SetWindowExists(bool exists) {
    std::lock_guard lock(mutex_);
    if (windowExists_ == exists) return;
    windowExists_ = exists;
    // A closed window takes its lines with it; a new one starts empty.
    chunks_.clear();
    lines_.clear();
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
    return lines_.size();
}

std::string TrafficLog::LineLocked(std::size_t i) const {
    if (i >= lines_.size()) return {};
    const LineRef& ref = lines_[i];
    return chunks_[ref.chunk].substr(ref.offset, ref.length);
}

std::string TrafficLog::Line(std::size_t i) const {
    std::lock_guard lock(mutex_);
    return LineLocked(i);
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
        buffer.reserve(kChunkSize + 4096);
        for (std::size_t i = 0; i < lines_.size() && ok; ++i) {
            const LineRef& ref = lines_[i];
            buffer.append(chunks_[ref.chunk], ref.offset, ref.length);
            buffer.append("\r\n");
            if (buffer.size() >= kChunkSize) {
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
