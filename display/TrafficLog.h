#pragma once
// The monitor's model: every line with its "%02d:%02d:%02d" local-time stamp,
// kept as Windows-1251 bytes in a compact store (display/LineStore.h), the
// paused flag, and the save to a text file. Lines are added from any thread (the receive thread,
// workers, the UI thread) in the order the calls are made; the window reads
// them on its own tick and paints only what is visible.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "display/LineStore.h"

namespace tulex {

class TrafficLog {
public:
    // Local time of "now"; replaceable for tests.
    using LocalTime = std::function<std::tm()>;
    // The same with the milliseconds within its second.
    struct LocalMoment {
        std::tm time{};
        int millis = 0;
    };
    using LocalClock = std::function<LocalMoment()>;
    // Called after each stored line (with the lock held, so in order); the
    // CLI writes lines through it as they come.
    using LineSink = std::function<void(std::string_view line)>;

    TrafficLog();

    // Adds one time-stamped line (text in Windows-1251) unless the monitor is
    // paused or has no window; such a line is lost, as on the screen.
    void Add(std::string_view text);
    // The same for a line whose text begins with a prefix that many lines
    // share ("   COM1   ——>   "): it is kept once, not with every line.
    // index: the controller the line concerns when its text does not name
    // it (a sent frame, "OK", "ERROR", "   TIMEOUT"), for the filter.
    void Add(std::string_view prefix, std::string_view text, std::uint8_t index = 0);
    void Clear();

    // The monitor window was created (Show) or closed (its lines go with it).
    void SetWindowExists(bool exists);
    bool WindowExists() const;

    // Pause: adds "   Пауза" then stops; Start: resumes and adds "   Старт".
    void Pause();
    void Start();
    bool Paused() const;

    std::size_t Count() const;
    std::string Line(std::size_t i) const;  // Windows-1251 bytes
    MonitorTag Tag(std::size_t i) const;
    // Appends the numbers of the lines from `from` on that the filter passes.
    void Matching(const MonitorFilter& filter, std::size_t from, std::vector<std::uint32_t>& out) const;

    // Time stamps with milliseconds ("HH:MM:SS.mmm") on screen and in the
    // saved file. Off by default: lines are exactly "HH:MM:SS" + text. Every
    // line keeps its milliseconds, so turning it on shows them for the lines
    // already there too.
    void SetMilliseconds(bool on);
    bool Milliseconds() const;
    // The bytes the stored lines take (the benchmarks' figure).
    std::size_t MemoryBytes() const;
    // Bumped by Clear and window re-creation, so a view knows to start over.
    std::uint64_t Generation() const;

    // The path last confirmed in the save dialog.
    std::string filePath;

    // Why a save failed.
    enum class SaveError {
        None,
        ReadOnly,    // the file may not be written
        BadPath,     // no such folder, an empty path, ...
        Incomplete,  // a write failed part-way (a full disk)
    };
    // Writes every line, CR LF after each, replacing the file at the UTF-8
    // path. UI thread.
    // Windows-1251 is the save format; UTF-8 is offered for editors that
    // read nothing else.
    enum class Encoding { Cp1251, Utf8 };
    SaveError SaveToFile(const std::string& path, Encoding encoding = Encoding::Cp1251) const;

    // Whether lines are stored (the default: the window reads and saves
    // them). tulex-cli only streams them to its sink and keeps none, so a
    // long listen on a busy line uses no more memory as it goes.
    void SetKeepLines(bool keep);

    void SetLocalTime(LocalTime localTime);
    void SetLocalClock(LocalClock localClock);
    void SetLineSink(LineSink sink);

private:
    mutable std::mutex mutex_;
    LineStore store_;
    std::uint64_t generation_ = 0;
    bool windowExists_ = false;
    bool paused_ = false;
    bool keepLines_ = true;
    bool milliseconds_ = false;
    LocalClock localClock_;
    LineSink sink_;
};

}  // namespace tulex
