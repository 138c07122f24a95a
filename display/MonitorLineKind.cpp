#include "display/MonitorLineKind.h"

#include "line/Frame.h"
#include "line/HexDigits.h"

namespace tulex {
namespace {

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A received frame as the monitor shows it: its prefix run of 0xFF bytes,
// then the index-led text of an event, a reply or a poll.
MonitorTag ClassifyReceived(std::string_view text, std::uint8_t index) {
    if (text == "OK" || text == "ERROR") return {MonitorLineKind::Reply, index};
    std::size_t at = 0;
    while (at < text.size() && static_cast<std::uint8_t>(text[at]) == 0xFF) ++at;
    if (at >= text.size() || !IsIndexByte(static_cast<std::uint8_t>(text[at]))) return {MonitorLineKind::Received, 0};
    const auto frameIndex = static_cast<std::uint8_t>(text[at]);
    const char second = at + 1 < text.size() ? text[at + 1] : '\0';
    const char third = at + 2 < text.size() ? text[at + 2] : '\0';
    if (at == 0 && (second == ';' || third == ';')) return {MonitorLineKind::Card, frameIndex};
    if (at == 0 && IsLineHexDigit(second) && third != ';') return {MonitorLineKind::Sensor, frameIndex};
    return {MonitorLineKind::Received, frameIndex};
}

}  // namespace

MonitorTag ClassifyMonitorLine(std::string_view prefix, std::string_view text, std::uint8_t index) {
    if (EndsWith(prefix, kMonitorMarkerSent)) return {MonitorLineKind::Sent, index};
    if (EndsWith(prefix, kMonitorMarkerReceived)) return ClassifyReceived(text, index);
    if (prefix.empty() && text == "   TIMEOUT") return {MonitorLineKind::Timeout, index};
    return {MonitorLineKind::Other, 0};
}

}  // namespace tulex
