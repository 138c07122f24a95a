#include "app/ReceiveThread.h"

#include <atomic>

#include "app/LineSession.h"
#include "app/PortMessages.h"
#include "display/CardText.h"
#include "line/Cp1251.h"
#include "line/Frame.h"
#include "line/HexDigits.h"

namespace tulex {
namespace {

// The per-frame work of the receive thread, kept small: one monitor line,
// a few map operations, and copies Posted to the UI thread.
class Router {
public:
    explicit Router(LineSession& session) : session_(session) {}

    void Route(const FrameReader& frame);

private:
    void Log(std::string_view text) { session_.MonitorAddLine(kMarkerReceived, text); }
    // Frames after a prefix run were sent by a master (our own echoed, or
    // another one's): shown only in master mode.
    void LogRaw(const FrameReader& frame) {
        if (frame.prefix().empty() || session_.settings.masterMode) Log(frame.raw());
    }
    void Add(std::uint8_t index, MapSet set) {
        if (session_.map.AddIndex(index, set)) session_.UpdateCounter(set);
    }
    void Remove(std::uint8_t index, MapSet set) {
        if (session_.map.RemoveIndex(index, set)) session_.UpdateCounter(set);
    }
    // Heard directly: present, and no longer reply-only.
    void Heard(std::uint8_t index) {
        Add(index, MapSet::Present);
        Remove(index, MapSet::ReplyOnly);
    }
    bool Busy() const { return session_.transaction.busy.load() != 0; }

    void IndexLed(const FrameReader& frame);
    void CardEvent(std::uint8_t index, std::string eventData);
    void SensorEvent(std::uint8_t index, std::string_view eventData);

    LineSession& session_;
};

void Router::Route(const FrameReader& frame) {
    const std::string_view text = frame.text();
    switch (frame.kind()) {
    case FrameKind::BufferTarget:
    case FrameKind::Converter: LogRaw(frame); return;
    case FrameKind::Acknowledgement:
        Log("OK");
        if (Busy()) {
            const std::uint8_t target = session_.transaction.target;
            Add(target, MapSet::Present);
            Remove(target, MapSet::ReplyOnly);
            session_.transaction.Signal(ControllerTransaction::kReply1);
        }
        return;
    case FrameKind::PositiveReply:
        Log("OK");
        if (Busy()) {
            const std::uint8_t target = session_.transaction.target;
            if (!session_.map.HasIndex(target, MapSet::Present)) Add(target, MapSet::ReplyOnly);
            session_.transaction.Signal(ControllerTransaction::kReply2);
        }
        if (session_.converterTransaction.busy) session_.converterTransaction.Signal(ConverterTransaction::kEvent1);
        return;
    case FrameKind::ErrorReply:
        Log("ERROR");
        if (Busy()) {
            const std::uint8_t target = session_.transaction.target;
            Remove(target, MapSet::Present);
            Remove(target, MapSet::ReplyOnly);
            session_.transaction.Signal(ControllerTransaction::kReply3);
        }
        if (session_.converterTransaction.busy) session_.converterTransaction.Signal(ConverterTransaction::kEvent2);
        return;
    case FrameKind::IndexLed:
        LogRaw(frame);
        IndexLed(frame);
        return;
    case FrameKind::DeviceError: Log("DEVICE ERROR"); return;
    case FrameKind::ConverterData:
        // Only a running converter command wants these; otherwise the
        // frame is dropped without a monitor line.
        if (!session_.converterTransaction.busy) return;
        Log(frame.raw());
        session_.converterTransaction.AppendReply(DataBeforeTerminator(text, 0));
        session_.converterTransaction.Signal(ConverterTransaction::kDataEvent);
        return;
    case FrameKind::Other: Log(frame.raw()); return;
    case FrameKind::Overflow:
        // No terminator within the limit: shown as it stands, nothing
        // else is read into it.
        Log(frame.raw());
        return;
    }
}

void Router::IndexLed(const FrameReader& frame) {
    const std::string_view text = frame.text();
    const auto index = static_cast<std::uint8_t>(text[0]);
    const char second = text.size() > 1 ? text[1] : '\0';
    if (second == kDataReplyMark) {
        // Replaced whether or not this index is the transaction's target.
        session_.transaction.SetReplyData(std::string(DataBeforeTerminator(text, 2)));
        Heard(index);
        if (Busy()) session_.transaction.Signal(ControllerTransaction::kData);
        return;
    }
    if (second == kCardEventMark) {
        Heard(index);
        if (session_.settings.readers) CardEvent(index, std::string(DataBeforeTerminator(text, 2)));
        return;
    }
    if (second == kTerminator) {  // a poll frame: the index is asked again
        Remove(index, MapSet::Present);
        Remove(index, MapSet::ReplyOnly);
        return;
    }
    if (text.size() > 2 && text[2] == kCardEventMark) {
        // A channel card event: an on-line request from reader 1 or 2,
        // answered here when the operator asked for it and no command runs.
        Heard(index);
        std::string eventData(DataBeforeTerminator(text, 3));
        const bool answer = session_.settings.onlineAnswer;
        if (second == '1') {
            eventData += answer ? "07" : "01";
            if (answer && !Busy()) session_.SendRequest(index, ">", "Автоответ в on-line режиме (1)");
        } else if (second == '2') {
            eventData += answer ? "06" : "00";
            if (answer && !Busy()) session_.SendRequest(index, "<", "Автоответ в on-line режиме (2)");
        }
        if (session_.settings.readers) CardEvent(index, std::move(eventData));
        return;
    }
    if (IsLineHexDigit(second)) {
        Heard(index);
        if (session_.settings.sensors) SensorEvent(index, DataBeforeTerminator(text, 1));
        if (session_.settings.sensorAnswer && !Busy()) session_.SendRequest(index, "+", "Автоответ на посылку датчика");
        return;
    }
    // Anything else is an addressed request of a master (its second byte is
    // the index again): nothing more to do.
}

void Router::CardEvent(std::uint8_t index, std::string eventData) {
    CardText card = BuildCardText(eventData);
    View& view = session_.view();
    session_.dispatcher().Post(
        [&view, index, card = std::move(card)] { view.ShowCardPopup(index, card.title, card.text); });
}

void Router::SensorEvent(std::uint8_t index, std::string_view eventData) {
    View& view = session_.view();
    session_.dispatcher().Post([&view, index, text = Cp1251ToUtf8(eventData)] { view.ShowSensorPopup(index, text); });
}

// The device went away under an open port: the UI thread closes the port as
// "Закрыть" does and tells the operator once. Checked again there, because
// the operator may have closed (and even reopened) the port meanwhile.
void ReportDeviceLost(LineSession& session) {
    const std::string name = session.PortName();
    session.dispatcher().Post([&session, name] {
        if (!session.IsPortOpen() || !session.port().IsGone()) return;
        session.ClosePort();
        session.view().ShowMessage(kCaptionWarning, DeviceLostText(name), MessageIcon::Warning);
    });
}

}  // namespace

void RouteFrame(LineSession& session, const FrameReader& frame) { Router(session).Route(frame); }

namespace {
std::atomic<int> runningReceiveThreads{0};
}  // namespace

int RunningReceiveThreads() { return runningReceiveThreads.load(); }

int RunReceiveThread(LineSession& session) {
    struct Running {
        Running() { ++runningReceiveThreads; }
        ~Running() { --runningReceiveThreads; }
    } running;
    FrameReader reader;
    Router router(session);
    Port& port = session.port();
    std::uint8_t byte = 0;
    while (port.IsOpen()) {
        if (port.ReadByte(byte)) {
            if (reader.Feed(byte)) router.Route(reader);
            continue;
        }
        // Nothing waiting: sleep until a byte, the close or a hang-up.
        const Port::WaitState state = port.WaitForInput(-1);
        if (state == Port::WaitState::Gone) {
            // The Post is the thread's last act: it never waits for the UI
            // thread, so the close that the UI thread runs (which waits for
            // this thread) cannot deadlock.
            if (port.IsOpen()) ReportDeviceLost(session);
            break;
        }
    }
    // A frame cut by the close is dropped with the reader.
    return 0;
}

}  // namespace tulex
