#pragma once
// What the line sends by itself: card events, channel card events (on-line
// requests), sensor events, the frames of another master and faults, once
// on request or on a schedule.

#include "sim/SimLine.h"
#include "sim/SimTypes.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tulex::sim {

enum class EventKind {
    Card,             // index ";" data "?"
    Online,           // index channel ";" data "?"  (expects ">" or "<")
    Sensor,           // index hex-digit data "?"    (expects "+")
    MasterRequest,    // another master's addressed request
    MasterPoll,       // another master's poll frame FF index ?
    MasterClear,      // another master's buffer-clearing frame FF FD ?
    MasterConverter,  // another master's request to the converter
    Noise,            // random bytes
    LostTerminator,   // a card event whose "?" never arrives
    Zeros,            // zero bytes
    Burst,            // many card events back to back at full speed
};

std::optional<EventKind> ParseEventKind(const std::string& name);
const char* EventKindName(EventKind kind);

// One event; empty fields are chosen when it fires.
struct EventSpec {
    EventKind kind = EventKind::Card;
    std::optional<std::uint8_t> index;  // unset: a random controller of the line
    std::string data;                   // card data, sensor data, command text
    int channel = 0;                    // on-line requests: 1 or 2, 0 either at random
    bool longData = false;              // card data of 20 characters instead of 10(+2)
    int count = 0;                      // bytes of noise / zeros, frames of a burst (0: default)
};

// A scheduled event: first at `atMs` after start, then every `everyMs`
// (0: once) with up to `jitterMs` added at random, at most `repeat` times (0: no limit).
struct ScheduleItem {
    EventSpec event;
    int atMs = 0;
    int everyMs = 0;
    int jitterMs = 0;
    int repeat = 0;
};

// Frame builders.
std::string CardEventFrame(std::uint8_t index, const std::string& data);
std::string ChannelCardEventFrame(std::uint8_t index, char channel, const std::string& data);
std::string SensorEventFrame(std::uint8_t index, const std::string& data);

class SimEvents {
public:
    SimEvents(SimLine& line, std::uint32_t seed = 1);

    // Puts the event on the line at `now`. Returns a one-line description,
    // or an error text starting with "error:".
    std::string Fire(const EventSpec& entry, SimTime now);

    void AddSchedule(const ScheduleItem& item, SimTime start);
    // Fires what is due; call with the current time.
    void Advance(SimTime now);
    std::optional<SimTime> NextDue() const;

    // Random card data: ten digits of card number, then (short) two status
    // digits, or (long) status digits, four zeros and a four-digit address.
    std::string RandomCardData(bool longData);
    // Ten digits for a channel card event (the PC appends the status digits).
    std::string RandomCardNumber();

private:
    struct Running {
        ScheduleItem item;
        SimTime next;
        int fired = 0;
    };
    std::optional<std::uint8_t> PickIndex(const EventSpec& entry);

    SimLine& line_;
    std::mt19937 rng_;
    std::vector<Running> schedule_;
};

}  // namespace tulex::sim
