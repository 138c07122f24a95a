#pragma once
// The exchanges a plan run has with one controller, built from the command
// workers' pieces (app/Transaction.h): the same requests, waits, buffer
// clearing and monitor lines as the menu commands, but each returns how it
// ended instead of showing a balloon, so that a run goes on to the next
// step or row. Worker thread only, inside a transaction (busy flag set).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tulex {
class CommandContext;
}

namespace tulex::plan {

// How an exchange ended.
enum class Outcome {
    Answered,    // "!" or "$", and the data reply where one was asked for
    ErrorReply,  // "#"
    Timeout,     // no answer within the limit ("   TIMEOUT" in the monitor)
    NoData,      // accepted, but no data reply within the limit
    PortClosed,  // the port closed under the run
};

struct ReadResult {
    Outcome outcome = Outcome::Timeout;
    std::string data;  // the data reply's characters when Answered
};

// A read request and its data reply.
ReadResult ReadData(CommandContext& context, std::uint8_t index, const std::string& command,
                    const std::string& description);

// A request answered by "!" (the buffer is cleared then) or "$".
Outcome Exchange(CommandContext& context, std::uint8_t index, const std::string& command,
                 const std::string& description);

// The index change from `from` to `to`, as "Изменить индекс контроллера"
// does it: `to` must be silent first, then the index command is repeated
// until answered and the controller is asked under its new index. Not
// stoppable: it ends by its limits (or a closed port).
enum class IndexChangeEnd { Done, Occupied, ErrorReplies, Timeouts, PortClosed };
IndexChangeEnd ChangeIndex(CommandContext& context, std::uint8_t from, std::uint8_t to);

// Asks `index` once a second until a controller answers there (the
// operator connects the next new one), `stop` is set, or `limit` (if any)
// has passed on the session's clock.
enum class ArrivalEnd { Arrived, Stopped, TimedOut, PortClosed };
ArrivalEnd WaitForController(CommandContext& context, std::uint8_t index, const std::atomic<bool>& stop,
                             std::optional<std::chrono::milliseconds> limit);

// Waits `duration` on the session's clock, or less when stop is set (the
// Stop button signals the cancel event). False when stopped or the port
// closed.
bool Pause(CommandContext& context, std::chrono::milliseconds duration, const std::atomic<bool>& stop);

}  // namespace tulex::plan
