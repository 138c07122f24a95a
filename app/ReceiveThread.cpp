#include "app/ReceiveThread.h"

#include <atomic>

#include "app/TForm1.h"
#include "display/CardText.h"
#include "line/Cp1251.h"
#include "line/Frame.h"

namespace tulex {
namespace {

// The per-frame work of the receive thread, kept small: one monitor line,
// a few map operations, and copies Posted to the UI thread.
class Router {
public:
    explicit Router(TForm1& form) : form_(form) {}

    void Route(const FrameReader& frame);

private:
    void Log(std::string_view text) { form_.MonitorAddLine(kMarkerReceived, text); }
    // Frames after a prefix run were sent by a master (our own echoed, or
    // another one's): shown only in master mode.
    void LogRaw(const FrameReader& frame) {
        if (frame.prefix().empty() || form_.settings.masterMode) Log(frame.raw());
    }
    void Add(std::uint8_t index, MapSet set) {
        if (form_.map.AddIndex(index, set)) form_.UpdateCounter(set);
    }
    void Remove(std::uint8_t index, MapSet set) {
        if (form_.map.RemoveIndex(index, set)) form_.UpdateCounter(set);
    }
    // Heard directly: present, and no longer reply-only.
    void Heard(std::uint8_t index) {
        Add(index, MapSet::Present);
        Remove(index, MapSet::ReplyOnly);
    }
    bool Busy() const { return form_.unit.busy.load() != 0; }

    void IndexLed(const FrameReader& frame);
    void CardEvent(std::uint8_t index, std::string eventData);
    void SensorEvent(std::uint8_t index, std::string_view eventData);

    TForm1& form_;
};

void Router::Route(const FrameReader& frame) {
    const std::string_view text = frame.text();
    switch (frame.kind()) {
        case FrameKind::BufferTarget:
        case FrameKind::Converter:
            LogRaw(frame);
            return;
        case FrameKind::Acknowledgement:
            Log("OK");
            if (Busy()) {
                const std::uint8_t target = form_.unit.target;
                Add(target, MapSet::Present);
                Remove(target, MapSet::ReplyOnly);
                form_.unit.Signal(TUnit::kReply1);
            }
            return;
        case FrameKind::PositiveReply:
            Log("OK");
            if (Busy()) {
                const std::uint8_t target = form_.unit.target;
                if (!form_.map.HasIndex(target, MapSet::Present)) Add(target, MapSet::ReplyOnly);
                form_.unit.Signal(TUnit::kReply2);
            }
            if (form_.conv.busy) form_.conv.Signal(TConv::kEvent1);
            return;
        case FrameKind::ErrorReply:
            Log("ERROR");
            if (Busy()) {
                const std::uint8_t target = form_.unit.target;
                Remove(target, MapSet::Present);
                Remove(target, MapSet::ReplyOnly);
                form_.unit.Signal(TUnit::kReply3);
            }
            if (form_.conv.busy) form_.conv.Signal(TConv::kEvent2);
            return;
        case FrameKind::IndexLed:
            LogRaw(frame);
            IndexLed(frame);
            return;
        case FrameKind::DeviceError:
            Log("DEVICE ERROR");
            return;
        case FrameKind::ConverterData:
            // Only a running converter command wants these; otherwise the
            // frame is dropped without a monitor line.
            if (!form_.conv.busy) return;
            Log(frame.raw());
            form_.conv.AppendReply(DataBeforeTerminator(text, 0));
            form_.conv.Signal(TConv::kDataEvent);
            return;
        case FrameKind::Other:
            Log(frame.raw());
            return;
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
        form_.unit.SetReplyData(std::string(DataBeforeTerminator(text, 2)));
        Heard(index);
        if (Busy()) form_.unit.Signal(TUnit::kData);
        return;
    }
    if (second == kCardEventMark) {
        Heard(index);
        if (form_.settings.readers) CardEvent(index, std::string(DataBeforeTerminator(text, 2)));
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
        const bool answer = form_.settings.onlineAnswer;
        if (second == '1') {
            eventData += answer ? "07" : "01";
            if (answer && !Busy()) form_.SendRequest(index, ">", "Автоответ в on-line режиме (1)");
        } else if (second == '2') {
            eventData += answer ? "06" : "00";
            if (answer && !Busy()) form_.SendRequest(index, "<", "Автоответ в on-line режиме (2)");
        }
        if (form_.settings.readers) CardEvent(index, std::move(eventData));
        return;
    }
    if (IsLineHexDigit(static_cast<std::uint8_t>(second))) {
        Heard(index);
        if (form_.settings.sensors) SensorEvent(index, DataBeforeTerminator(text, 1));
        if (form_.settings.sensorAnswer && !Busy())
            form_.SendRequest(index, "+", "Автоответ на посылку датчика");
        return;
    }
    // Anything else is an addressed request of a master (its second byte is
    // the index again): nothing more to do.
}

void Router::CardEvent(std::uint8_t index, std::string eventData) {
    CardText card = BuildCardText(eventData);
    View& view = form_.view();
    form_.dispatcher().Post([&view, index, card = std::move(card)] { view.ShowCardPopup(index, card.title, card.text); });
}

void Router::SensorEvent(std::uint8_t index, std::string_view eventData) {
    View& view = form_.view();
    form_.dispatcher().Post([&view, index, text = Cp1251ToUtf8(eventData)] { view.ShowSensorPopup(index, text); });
}

// The device went away under an open port: the UI thread closes the port as
// "Закрыть" does and tells the operator once. Checked again there, because
// the operator may have closed (and even reopened) the port meanwhile.
void ReportDeviceLost(TForm1& form) {
    const std::string name = form.PortName();
    form.dispatcher().Post([&form, name] {
        if (!form.IsPortOpen() || !form.port.IsGone()) return;
        form.Button2Click();
        form.view().ShowMessage(kCaptionWarning, DeviceLostText(name), MessageIcon::Warning);
    });
}

}  // namespace

std::string DeviceLostText(std::string_view portName) {
    return "Порт " + std::string(portName) + " недоступен.\n\nСвязь с COM-портом потеряна.";
}

void RouteFrame(TForm1& form, const FrameReader& frame) { Router(form).Route(frame); }

namespace {
std::atomic<int> runningReceiveThreads{0};
}  // namespace

int RunningReceiveThreads() { return runningReceiveThreads.load(); }

int RunReceiveThread(TForm1& form) {
    struct Running {
        Running() { ++runningReceiveThreads; }
        ~Running() { --runningReceiveThreads; }
    } running;
    FrameReader reader;
    Router router(form);
    TPort& port = form.port;
    std::uint8_t byte = 0;
    while (port.isOpen) {
        if (port.ReadByte(byte)) {
            if (reader.Feed(byte)) router.Route(reader);
            continue;
        }
        // Nothing waiting: sleep until a byte, the close or a hang-up.
        const TPort::WaitState state = port.WaitForInput(-1);
        if (state == TPort::WaitState::Gone) {
            // The Post is the thread's last act: it never waits for the UI
            // thread, so the close that the UI thread runs (which waits for
            // this thread) cannot deadlock.
            if (port.isOpen) ReportDeviceLost(form);
            break;
        }
    }
    // A frame cut by the close is dropped with the reader.
    return 0;
}

}  // namespace tulex
