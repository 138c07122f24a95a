#pragma once
// The trace of the virtual line: every frame in both directions with a
// millisecond time stamp, its bytes in hex and a short note.

#include "sim/SimTypes.h"

#include <cstdio>
#include <deque>
#include <string>
#include <string_view>

namespace tulex::sim {

enum class TraceDirection { FromPc, ToPc, Note };

struct TraceEntry {
    SimTime time;
    TraceDirection direction;
    std::string bytes;
    std::string note;  // what the line made of it ("request G $$02", "bad check", ...)
};

// "12:00:01.234 PC>  FF FF FF FF 47 47 24 24 30 32 3F 0D  |....GG$$02?.|  request G ..."
// The time of day is derived from `origin`, the wall-clock time that
// corresponds to `steadyOrigin`.
std::string FormatTraceEntry(const TraceEntry& entry, SimTime steadyOrigin,
                             std::chrono::system_clock::time_point origin);

// Keeps the last lines for the "trace" command and writes every line to an
// optional file (or standard error) at once.
class SimTrace {
public:
    static constexpr std::size_t kKeptLines = 2000;

    SimTrace();
    ~SimTrace();
    SimTrace(const SimTrace&) = delete;
    SimTrace& operator=(const SimTrace&) = delete;

    // "-" is standard error. False (with errno) if the file cannot be opened.
    bool Open(const std::string& path);

    void Add(const TraceEntry& entry);
    std::deque<std::string> Last(std::size_t count) const;

private:
    SimTime steadyOrigin_;
    std::chrono::system_clock::time_point origin_;
    std::FILE* out_ = nullptr;
    bool ownsOut_ = false;
    std::deque<std::string> lines_;
};

}  // namespace tulex::sim
