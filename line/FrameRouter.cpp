#include "line/FrameRouter.h"

#include "line/Frame.h"
#include "line/HexDigits.h"

namespace tulex {
namespace {

// The frames that start with an index character: data replies, card and
// sensor events, polls, and a master's addressed requests.
void RouteIndexLed(std::string_view text, LineEvents& events) {
    const auto index = static_cast<std::uint8_t>(text[0]);
    const char second = text.size() > 1 ? text[1] : '\0';
    if (second == kDataReplyMark) return events.OnDataReply(index, DataBeforeTerminator(text, 2));
    if (second == kCardEventMark) return events.OnCardEvent(index, DataBeforeTerminator(text, 2));
    if (second == kTerminator) return events.OnPollFrame(index);
    if (text.size() > 2 && text[2] == kCardEventMark)
        return events.OnChannelCardEvent(index, second, DataBeforeTerminator(text, 3));
    if (IsLineHexDigit(second)) return events.OnSensorEvent(index, DataBeforeTerminator(text, 1));
    // Anything else is an addressed request of a master (its second byte is
    // the index again): its monitor line is all there is to it.
}

}  // namespace

void RouteFrame(const FrameReader& frame, LineEvents& events) {
    const std::string_view text = frame.text();
    const bool fromMaster = !frame.prefix().empty();
    switch (frame.kind()) {
    case FrameKind::BufferTarget:
    case FrameKind::Converter: return events.OnMonitorLine(frame.raw(), fromMaster);
    case FrameKind::Acknowledgement: events.OnMonitorLine("OK", false); return events.OnAcknowledgement();
    case FrameKind::PositiveReply: events.OnMonitorLine("OK", false); return events.OnPositiveReply();
    case FrameKind::ErrorReply: events.OnMonitorLine("ERROR", false); return events.OnErrorReply();
    case FrameKind::IndexLed: events.OnMonitorLine(frame.raw(), fromMaster); return RouteIndexLed(text, events);
    case FrameKind::DeviceError: return events.OnMonitorLine("DEVICE ERROR", false);
    case FrameKind::ConverterData:
        if (!events.WantsConverterData()) return;
        events.OnMonitorLine(frame.raw(), false);
        return events.OnConverterData(DataBeforeTerminator(text, 0));
    case FrameKind::Other:
    case FrameKind::Overflow:
        // Shown as it stands; an overflow has nothing more read into it.
        return events.OnMonitorLine(frame.raw(), false);
    }
}

}  // namespace tulex
