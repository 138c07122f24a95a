#include "sim/SimTrace.h"

#include "line/Cp1251.h"
#include "line/Frame.h"
#include "line/HexDigits.h"
#include "line/LocalTime.h"

#include <ctime>

namespace tulex::sim {

namespace {

// Printable ASCII as is, the Cyrillic index letters (0xC0 up to the last
// index) through Windows-1251, everything else, the reserved bytes after the
// index table among them, as ".".
std::string Readable(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F)
            out.push_back(c);
        else if (b >= 0xC0 && b <= kLastIndex)
            out += Cp1251ToUtf8(std::string_view(&c, 1));
        else
            out.push_back('.');
    }
    return out;
}

}  // namespace

std::string FormatTraceEntry(const TraceEntry& entry, SimTime steadyOrigin,
                             std::chrono::system_clock::time_point origin) {
    const auto wall =
        origin + std::chrono::duration_cast<std::chrono::system_clock::duration>(entry.time - steadyOrigin);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wall.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    const std::tm tmv = ToLocalTime(secs);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", tmv.tm_hour, tmv.tm_min, tmv.tm_sec,
                  static_cast<int>(ms % 1000));
    std::string line = stamp;
    switch (entry.direction) {
    case TraceDirection::FromPc: line += " PC>  "; break;
    case TraceDirection::ToPc: line += " <LN  "; break;
    case TraceDirection::Note: line += " ---  "; break;
    }
    if (!entry.bytes.empty()) {
        line += HexBytes(entry.bytes);
        line += "  |" + Readable(entry.bytes) + "|";
    }
    if (!entry.note.empty()) {
        if (!entry.bytes.empty()) line += "  ";
        line += entry.note;
    }
    return line;
}

SimTrace::SimTrace() : steadyOrigin_(SimClock::now()), origin_(std::chrono::system_clock::now()) {}

SimTrace::~SimTrace() {
    if (ownsOut_ && out_) std::fclose(out_);
}

bool SimTrace::Open(const std::string& path) {
    if (ownsOut_ && out_) std::fclose(out_);
    out_ = nullptr;
    ownsOut_ = false;
    if (path == "-") {
        out_ = stderr;
        return true;
    }
    out_ = std::fopen(path.c_str(), "w");
    ownsOut_ = out_ != nullptr;
    return out_ != nullptr;
}

void SimTrace::Add(const TraceEntry& entry) {
    std::string line = FormatTraceEntry(entry, steadyOrigin_, origin_);
    if (out_) {
        std::fputs(line.c_str(), out_);
        std::fputc('\n', out_);
        std::fflush(out_);
    }
    lines_.push_back(std::move(line));
    if (lines_.size() > kKeptLines) lines_.pop_front();
}

std::deque<std::string> SimTrace::Last(std::size_t count) const {
    const std::size_t n = std::min(count, lines_.size());
    return {lines_.end() - static_cast<std::ptrdiff_t>(n), lines_.end()};
}

}  // namespace tulex::sim
