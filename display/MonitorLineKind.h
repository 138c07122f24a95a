#pragma once
// What a monitor line shows, for the monitor's filter: one kind per line and
// the controller index it concerns (0 when none). Decided once, when the line
// is added, so that filtering a million lines is a scan of two bytes each.

#include <cstdint>
#include <string_view>

namespace tulex {

enum class MonitorLineKind : std::uint8_t {
    Sent = 1 << 0,      // a frame the program sent
    Received = 1 << 1,  // a received frame that is none of the kinds below
    Reply = 1 << 2,     // "OK" or "ERROR"
    Card = 1 << 3,      // a card event
    Sensor = 1 << 4,    // a sensor event
    Timeout = 1 << 5,   // "   TIMEOUT"
    Other = 1 << 6,     // the port opened or closed, pause, start, "   CANCEL"
};
inline constexpr std::uint8_t kAllMonitorLineKinds = 0x7F;

struct MonitorTag {
    MonitorLineKind kind = MonitorLineKind::Other;
    std::uint8_t index = 0;  // 0: the line concerns no particular controller
};

// The direction markers the session puts between the port name and the text
// (Windows-1251).
inline constexpr std::string_view kMonitorMarkerSent = "   <\x97\x97   ";
inline constexpr std::string_view kMonitorMarkerReceived = "   \x97\x97>   ";

// The kind and index of a line from its prefix (port name and marker) and
// text. An "OK"/"ERROR" or "   TIMEOUT" line names no index: the caller's
// `index` (the controller the command addressed) is taken; a sent frame's
// index is the caller's too.
MonitorTag ClassifyMonitorLine(std::string_view prefix, std::string_view text, std::uint8_t index);

}  // namespace tulex
