// What the session does with each frame the receive thread reports: the
// monitor line, the line map's two sets and their counters, the wake-up of
// the worker that waits for a reply, the automatic answers and the card and
// sensor events. All of it runs on the receive thread and is kept small; it
// never waits for the UI thread (the map's repaint and counters follow at the
// screen's pace, card and sensor events go into the event feed, which hands
// them over at most one Post at a time), so closing the port can wait for
// the receive thread. A reply that a worker may wait for changes the sets
// before it signals the worker, which looks at them next.

#include <chrono>

#include "app/LineSession.h"
#include "app/PortMessages.h"
#include "display/CardText.h"
#include "line/Cp1251.h"

namespace tulex {

void LineSession::AddToSet(std::uint8_t index, MapSet set) {
    if (map_.AddIndex(index, set)) UpdateCounter(set);
}

void LineSession::RemoveFromSet(std::uint8_t index, MapSet set) {
    if (map_.RemoveIndex(index, set)) UpdateCounter(set);
}

void LineSession::Heard(std::uint8_t index) {
    AddToSet(index, MapSet::Present);
    RemoveFromSet(index, MapSet::ReplyOnly);
}

void LineSession::OnMonitorLine(std::string_view text, bool fromMaster) {
    // A master's frames (the PC's own echoed, or another master's) are shown
    // only in master mode.
    // A reply names no controller: in the monitor's filter it belongs to the
    // running command's target.
    if (!fromMaster || settings_.masterMode)
        MonitorAddLine(kMarkerReceived, text, CommandRunning() ? transaction_.target.load() : std::uint8_t{0});
}

void LineSession::OnFrameStart() { statistics_.FrameStarted(); }

void LineSession::OnAcknowledgement() {
    statistics_.ReplyHeard(HeardKind::Ack);
    if (!CommandRunning()) return;
    Heard(transaction_.target);
    transaction_.Signal(Reply::Ack);
}

void LineSession::OnPositiveReply() {
    statistics_.ReplyHeard(HeardKind::Positive);
    if (CommandRunning()) {
        const std::uint8_t target = transaction_.target;
        if (!map_.HasIndex(target, MapSet::Present)) AddToSet(target, MapSet::ReplyOnly);
        transaction_.Signal(Reply::Positive);
    }
    if (converterTransaction_.busy) converterTransaction_.Signal(ConverterReply::Positive);
}

void LineSession::OnErrorReply() {
    statistics_.ReplyHeard(HeardKind::Error);
    if (CommandRunning()) {
        const std::uint8_t target = transaction_.target;
        RemoveFromSet(target, MapSet::Present);
        RemoveFromSet(target, MapSet::ReplyOnly);
        transaction_.Signal(Reply::Error);
    }
    if (converterTransaction_.busy) converterTransaction_.Signal(ConverterReply::Error);
}

void LineSession::OnDataReply(std::uint8_t index, std::string_view data) {
    // Replaced whether or not this index is the transaction's target.
    transaction_.SetReplyData(std::string(data));
    statistics_.Heard(index, HeardKind::Data);
    Heard(index);
    if (CommandRunning()) transaction_.Signal(Reply::Data);
}

void LineSession::OnCardEvent(std::uint8_t index, std::string_view data) {
    statistics_.Heard(index, HeardKind::Card);
    Heard(index);
    RecordEvent(index, EventKind::Card, settings_.readers, data);
}

void LineSession::OnChannelCardEvent(std::uint8_t index, char channel, std::string_view data) {
    // An on-line request from reader 1 or 2, answered here when the operator
    // asked for it and no command runs. The pop-up's status digits say
    // whether the request was answered.
    statistics_.Heard(index, HeardKind::Card);
    Heard(index);
    std::string eventData(data);
    const bool answer = settings_.onlineAnswer;
    if (channel == '1') {
        eventData += answer ? "07" : "01";
        if (answer && !CommandRunning()) SendRequest(index, ">", "Автоответ в on-line режиме (1)");
    } else if (channel == '2') {
        eventData += answer ? "06" : "00";
        if (answer && !CommandRunning()) SendRequest(index, "<", "Автоответ в on-line режиме (2)");
    }
    RecordEvent(index, EventKind::ChannelCard, settings_.readers, eventData);
}

void LineSession::OnSensorEvent(std::uint8_t index, std::string_view data) {
    statistics_.Heard(index, HeardKind::Sensor);
    Heard(index);
    RecordEvent(index, EventKind::Sensor, settings_.sensors, data);
    if (settings_.sensorAnswer && !CommandRunning()) SendRequest(index, "+", "Автоответ на посылку датчика");
}

void LineSession::OnPollFrame(std::uint8_t index) {
    statistics_.Heard(index, HeardKind::Poll);
    RemoveFromSet(index, MapSet::Present);
    RemoveFromSet(index, MapSet::ReplyOnly);
}

bool LineSession::WantsConverterData() const { return converterTransaction_.busy.load() != 0; }

void LineSession::OnConverterData(std::string_view data) {
    converterTransaction_.AppendReply(data);
    converterTransaction_.Signal(ConverterReply::Data);
}

void LineSession::OnPortGone() {
    // The UI thread closes the port as "Закрыть" does and tells the operator
    // once. Checked again there, because the operator may have closed (and
    // even reopened) the port meanwhile. The Post is the receive thread's
    // last act, so the close (which waits for that thread) cannot deadlock.
    dispatcher_.Post([this, name = PortName()] {
        if (!IsPortOpen() || !port_->IsGone()) return;
        ClosePort();
        SetConnectionState(Connection::State::Lost);
        lost_ = true;
        view_.ShowMessage(kCaptionWarning, DeviceLostText(name), MessageIcon::Warning);
        // The operator may have opened a port from the message's loop.
        if (lost_ && !IsPortOpen() && portLostHandler_) portLostHandler_();
    });
}

void LineSession::RecordEvent(std::uint8_t index, EventKind kind, bool popup, std::string_view data) {
    const auto now = std::chrono::time_point_cast<std::chrono::milliseconds>(std::chrono::system_clock::now());
    if (!events_.Add(now.time_since_epoch().count(), index, kind, popup, data)) return;
    // The one hand-over on its way; the events that follow ride along.
    dispatcher_.Post([this] {
        if (eventPacer_)
            eventPacer_([this] { DeliverEvents(); });
        else
            DeliverEvents();
    });
}

void LineSession::DeliverEvents() {
    const EventFeed::Delivery delivery = events_.Take(popupLimit_);
    if (delivery.added == 0) return;
    view_.EventsAdded();
    if (delivery.skippedPopups > 0) view_.CountSkippedPopups(delivery.skippedPopups);
    for (const StoredEvent& event : delivery.popups) {
        if (event.kind == EventKind::Sensor) {
            view_.ShowSensorPopup(event.index, Cp1251ToUtf8(event.data));
        } else {
            const CardText card = BuildCardText(event.data);
            view_.ShowCardPopup(event.index, card.title, card.text);
        }
    }
}

}  // namespace tulex
