#pragma once
// What the receive loop makes of the line, frame by frame, in the order the
// frames came. Every call happens on the receive thread. Texts and data are
// line bytes (Windows-1251), without the frame's terminator.

#include <cstdint>
#include <string_view>

namespace tulex {

class LineEvents {
public:
    virtual ~LineEvents() = default;

    // The monitor line of a received frame, before anything else is done
    // with it. fromMaster: the frame followed a prefix run, so a master sent
    // it (the PC's own frame echoed, or another master's).
    virtual void OnMonitorLine(std::string_view text, bool fromMaster) = 0;
    // The first byte of a frame came in (the frame is reported when it is
    // complete). The statistics time replies from here.
    virtual void OnFrameStart() {}

    virtual void OnAcknowledgement() = 0;  // "!"
    virtual void OnPositiveReply() = 0;    // "$...?"
    virtual void OnErrorReply() = 0;       // "#...?"
    // A controller's data reply (index ":" data "?").
    virtual void OnDataReply(std::uint8_t index, std::string_view data) = 0;
    // A card event (index ";" data "?").
    virtual void OnCardEvent(std::uint8_t index, std::string_view data) = 0;
    // A card event of a reader channel (index channel ";" data "?"): an
    // on-line request that may want the automatic answer.
    virtual void OnChannelCardEvent(std::uint8_t index, char channel, std::string_view data) = 0;
    // A sensor event (index, then hexadecimal state digits, "?").
    virtual void OnSensorEvent(std::uint8_t index, std::string_view data) = 0;
    // A poll of the converter (index "?"): the index is asked again.
    virtual void OnPollFrame(std::uint8_t index) = 0;

    // Converter data replies matter only while a converter command waits;
    // when nobody wants them they are dropped without a monitor line.
    virtual bool WantsConverterData() const = 0;
    virtual void OnConverterData(std::string_view data) = 0;

    // The port's device went away under the open port; the loop ends.
    virtual void OnPortGone() = 0;
};

}  // namespace tulex
