#pragma once
// Basic types of the virtual line: its clock, how a device answers, and the
// per-controller behaviour switches that tests and scenarios set.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tulex::sim {

// The line's logic runs on this clock; tests drive it with made-up instants.
using SimClock = std::chrono::steady_clock;
using SimTime = SimClock::time_point;
using Millis = std::chrono::milliseconds;

// Acknowledge now and hand the data over at the next poll frame, or answer
// with the positive reply followed at once by the data reply.
enum class ReplyStyle { Ack, Positive };

// Behaviour of one controller beyond its registers. Unset optionals take the
// line's setting.
struct ControllerBehaviour {
    std::optional<ReplyStyle> reply;
    std::optional<int> delayMs;   // answer delay
    bool silent = false;          // answers nothing addressed to it
    bool errorReply = false;      // answers "#?" to every request
    bool deviceError = false;     // answers "&?" to every request
    bool eepromFail = false;      // memory test result 45 instead of 21
    int eepromDelayMs = 2000;     // memory test result after this time
    bool noDataAfterAck = false;  // acknowledges, never hands data over
    bool sendsEvents = true;      // picked for events that name no controller
    // Faults of a unit that answers, but not as it should.
    std::optional<std::string> dataPayload;  // sent instead of the real data (a short or garbled reply)
    int pollsUnanswered = 0;                 // the next n poll frames get no answer
    int errorRepliesFirst = 0;               // the next n requests get "#?", whatever else is set
    bool keepsIndex = false;                 // acknowledges the index command, keeps its index
    bool refusesWrites = false;              // register writes get "#?" (write-protected memory)
    bool acceptsAnyCommand = false;          // a command text it does not know gets "!"/"$?", not "&?" (lax firmware)
    // Faults that set in after the next n frames addressed to it (requests
    // and polls) were handled as usual: the unit falls silent (its line broke,
    // it lost power) or answers "#?" to everything from then on.
    std::optional<int> framesBeforeSilence;
    std::optional<int> framesBeforeErrors;
};

const char* ReplyStyleName(ReplyStyle style);
std::optional<ReplyStyle> ParseReplyStyle(const std::string& text);

// One index character from the command line or a scenario: one UTF-8
// character mapped to Windows-1251 ("G", "Ж", "ь") or "0xHH". Only the
// controller indexes 0x47..0xFC are accepted.
std::optional<std::uint8_t> ParseIndex(const std::string& text);
// The same for any byte 0x01..0xFF (the converter's poll range bound).
std::optional<std::uint8_t> ParseByte(const std::string& text);
// "G" / "Ж" in UTF-8 for messages and listings.
std::string IndexText(std::uint8_t index);

}  // namespace tulex::sim
