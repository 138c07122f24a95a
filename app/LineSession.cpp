#include "app/LineSession.h"

#include <algorithm>
#include <cctype>

#include "app/ControllerCommands.h"
#include "app/ConverterCommands.h"
#include "app/PortMessages.h"
#include "app/Timing.h"
#include "controller/StatisticsText.h"
#include "line/Cp1251.h"
#include "line/DetachedThread.h"
#include "line/Frame.h"
#include "line/ReceiveLoop.h"
#include "serial/PortIdentity.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"
#include "version/Version.h"

namespace tulex {

LineSession::LineSession(View& view, Dispatcher& dispatcher, std::unique_ptr<Port> port, Clock& clock)
    : transaction_(clock),
      converterTransaction_(clock),
      view_(view),
      dispatcher_(dispatcher),
      port_(port ? std::move(port) : std::make_unique<SerialPort>()),
      clock_(clock),
      statistics_(clock, limits::kReply),
      controller_(std::make_unique<ControllerCommands>(*this)),
      converter_(std::make_unique<ConverterCommands>(*this)),
      portPresent_(PortPresent) {
    map_.SetRepaintHandler([this] { MarkMapChange(kRepaint); });
}

LineSession::~LineSession() {
    Shutdown();
    dispatcher_.BeginShutdown();
    WaitForReceiveThread();
    WaitForWorkers(std::chrono::seconds(30));
    map_.SetRepaintHandler(nullptr);
}

bool LineSession::IsMasterSwitch(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return false;
    std::string first = arguments.front();
    std::transform(first.begin(), first.end(), first.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return first == "-master";
}

bool LineSession::Start(const std::vector<std::string>& arguments) {
    settings_.masterMode = IsMasterSwitch(arguments);
    return settings_.masterMode;
}

std::string LineSession::Caption() const {
    return settings_.masterMode ? "ТУЛЕКС master" : std::string("ТУЛЕКС ") + kVersion;
}

std::vector<std::string> LineSession::FillPortList() const { return ListPorts(); }

std::string LineSession::PortName() const {
    std::lock_guard lock(nameMutex_);
    return portName_;
}

void LineSession::EnableCommandControls(bool enabled) {
    dispatcher_.Send([this, enabled] {
        // A command's end shows the map as the command left it.
        if (enabled) ShowMapChanges();
        view_.SetCommandControlsEnabled(enabled);
    });
}

void LineSession::MonitorAddLine(std::string_view marker, std::string_view text, std::uint8_t index) {
    // Built in a buffer of the calling thread: no allocation per line.
    thread_local std::string prefix;
    prefix.assign("   ");
    {
        std::lock_guard lock(nameMutex_);
        prefix += portNameCp1251_;
    }
    prefix += marker;
    monitor_.Add(prefix, CutAtZero(text), index);  // a zero byte ends a monitor line
}

void LineSession::MonitorAdd(std::string_view textUtf8) { monitor_.Add(Utf8ToCp1251Lossy(textUtf8)); }

void LineSession::MonitorTimeout(std::uint8_t index) {
    monitor_.Add({}, "   TIMEOUT", index);
    statistics_.TimedOut(index);
}

namespace {

// The monitor text of a sent frame: the raw frame in master mode, otherwise
// the index, "   —   " and the description.
std::string SentLineText(bool master, std::string_view frame, std::uint8_t index, std::string_view description) {
    if (master) return std::string(frame);
    std::string text(1, static_cast<char>(index));
    text += "   \x97   ";
    text += Utf8ToCp1251Lossy(description);
    return text;
}

}  // namespace

void LineSession::SendRequest(std::uint8_t index, std::string_view command, std::string_view description) {
    const std::string frame = BuildRequest(index, command);
    MonitorAddLine(kMarkerSent, SentLineText(settings_.masterMode, frame, index, description), index);
    statistics_.RequestWritten(index);
    port_->Write(frame);
}

void LineSession::SendShortFrame(std::uint8_t index, std::uint8_t frameByte, std::string_view description) {
    const std::string frame = BuildShortFrame(frameByte);
    // The short frame of the index itself asks for its data; the buffer
    // clearing frames ask for nothing.
    if (frameByte == index) statistics_.RequestWritten(index);
    port_->Write(frame);
    MonitorAddLine(kMarkerSent, SentLineText(settings_.masterMode, frame, index, description), index);
}

void LineSession::ShowControllerBalloon() {
    const std::uint8_t index = transaction_.target;
    const std::string title = transaction_.balloonTitle;
    const std::string text = transaction_.balloonText;
    const Colour colour = transaction_.balloonColour;
    dispatcher_.Send([this, index, title, text, colour] { view_.ShowBalloon(index, title, text, colour); });
    // The window keeps its own copies: the balloon state and the reply data
    // are emptied once it is shown.
    transaction_.balloonTitle.clear();
    transaction_.balloonText.clear();
    transaction_.ClearReplyData();
}

void LineSession::SetBalloonText(const std::string& textUtf8) {
    dispatcher_.Send([this, textUtf8] { view_.SetBalloonText(textUtf8); });
}

void LineSession::UpdateCounter(MapSet set) {
    if (everyCountShown_) {
        const int panel = set == MapSet::Present ? 1 : 2;
        dispatcher_.Post([this, panel, text = std::to_string(map_.Count(set))] { view_.SetStatusPanel(panel, text); });
        return;
    }
    MarkMapChange(set == MapSet::Present ? kPresentCount : kReplyOnlyCount);
}

void LineSession::MarkMapChange(MapChange change) {
    mapChanges_.fetch_or(change);
    mapRefresh_.Request();
}

void LineSession::ShowMapChanges() {
    const unsigned changes = mapChanges_.exchange(0);
    if (changes & kRepaint) view_.RepaintMap();
    if (changes & kPresentCount) view_.SetStatusPanel(1, std::to_string(map_.Count(MapSet::Present)));
    if (changes & kReplyOnlyCount) view_.SetStatusPanel(2, std::to_string(map_.Count(MapSet::ReplyOnly)));
}

void LineSession::ShowProgressText() {
    std::string text;
    {
        std::lock_guard lock(progressMutex_);
        text = progressText_;
    }
    // A run queued before a clearing one finds nothing new to show.
    if (text == shownProgress_) return;
    shownProgress_ = text;
    view_.ShowProgress(text);
}

void LineSession::ShowProgress(std::string text) {
    const bool clear = text.empty();
    {
        std::lock_guard lock(progressMutex_);
        progressText_ = std::move(text);
    }
    if (clear)
        progressRefresh_.RequestNow();
    else
        progressRefresh_.Request();
}

bool LineSession::StartWorker(std::function<void()> worker) {
    {
        std::lock_guard lock(threadsMutex_);
        ++workersRunning_;
    }
    const bool started = DetachedThread::Run([this, worker = std::move(worker)](std::int32_t) {
        worker();
        std::lock_guard lock(threadsMutex_);
        --workersRunning_;
        threadsCv_.notify_all();
        return 0;
    });
    if (!started) {
        std::lock_guard lock(threadsMutex_);
        --workersRunning_;
    }
    return started;
}

bool LineSession::WaitForWorkers(std::chrono::milliseconds limit) {
    std::unique_lock lock(threadsMutex_);
    return threadsCv_.wait_for(lock, limit, [this] { return workersRunning_ == 0; });
}

void LineSession::StartReceiveThread() {
    {
        std::lock_guard lock(threadsMutex_);
        receiveRunning_ = true;
    }
    const bool started = DetachedThread::Run([this](std::int32_t) {
        RunReceiveLoop(*port_, *this);
        std::lock_guard lock(threadsMutex_);
        receiveRunning_ = false;
        threadsCv_.notify_all();
        return 0;
    });
    if (!started) {
        std::lock_guard lock(threadsMutex_);
        receiveRunning_ = false;
    }
}

void LineSession::WaitForReceiveThread() {
    // The receive thread never waits for the UI thread, so a plain wait
    // cannot deadlock; it ends within a millisecond of the port's close.
    std::unique_lock lock(threadsMutex_);
    threadsCv_.wait(lock, [this] { return !receiveRunning_; });
}

PortError LineSession::OpenPort(const std::string& portName, const std::string& speedText) {
    const PortError error = OpenAndStart(portName, speedText);
    if (error != PortError::None) {
        const std::string text = PortErrorText(error, portName, speedText);
        if (!text.empty()) view_.ShowMessage(kCaptionWarning, text, MessageIcon::Warning);
    }
    return error;
}

bool LineSession::LostPortPresent() const { return lost_ && portPresent_ && portPresent_(stableName_); }

PortError LineSession::ReopenLostPort() {
    if (!lost_ || IsPortOpen()) return PortError::Unavailable;
    const PortError error = OpenAndStart(stableName_, speedText_);
    if (error == PortError::None) MonitorAddLine(kMarkerPort, Utf8ToCp1251Lossy("Порт восстановлен"));
    return error;
}

std::string LineSession::CellFigures(std::uint8_t index) {
    const ControllerFigures figures = statistics_.Of(index);
    if (figures.requests == 0 && figures.ReceivedTotal() == 0) return {};
    return FiguresToolTip(figures, clock_);
}

LineSession::LostPortOffer LineSession::OfferLostPort() {
    if (!lost_ || IsPortOpen()) return LostPortOffer::Done;
    // The question's own message loop runs the window's timer again.
    if (offeringLostPort_ || !LostPortPresent()) return LostPortOffer::KeepWatching;
    offeringLostPort_ = true;
    const std::string name = LostPortName();
    const bool reopen = view_.AskYesNo(kCaptionInformation, "Порт " + name + " снова доступен.\n\nОткрыть его?");
    offeringLostPort_ = false;
    // The operator may have opened a port while the question was up.
    if (!reopen || !lost_ || IsPortOpen()) return LostPortOffer::Done;
    const PortError error = ReopenLostPort();
    if (error == PortError::None) return LostPortOffer::Reopened;
    const std::string text = PortErrorText(error, name, "");
    if (!text.empty()) view_.ShowMessage(kCaptionWarning, text, MessageIcon::Warning);
    return LostPortOffer::Done;
}

PortError LineSession::OpenAndStart(const std::string& portName, const std::string& speedText) {
    // Only one receive thread at a time: an earlier one has ended before a
    // new open (the port is closed whenever this button is enabled).
    WaitForReceiveThread();
    PortError error = port_->Open(portName);
    if (error == PortError::None) error = port_->Configure(speedText);
    if (error != PortError::None || !IsPortOpen()) {
        port_->Close();
        return error != PortError::None ? error : PortError::Refused;
    }
    speedText_ = speedText;
    stableName_ = StablePortName(portName);
    lost_ = false;
    {
        std::lock_guard lock(nameMutex_);
        portName_ = portName;
        portNameCp1251_ = Utf8ToCp1251Lossy(portName);
        portSpeed_ = speedText;
    }
    map_.ClearSets();
    transaction_.Renew();
    converterTransaction_.Renew();
    view_.RemoveBalloon();
    view_.RemoveSensorPopup();
    view_.SetPortControlsEnabled(false);
    StartReceiveThread();
    view_.SetStatusPanel(1, std::to_string(map_.Count(MapSet::Present)));
    view_.SetStatusPanel(2, std::to_string(map_.Count(MapSet::ReplyOnly)));
    MonitorAddLine(kMarkerPort, Utf8ToCp1251Lossy("Порт открыт. Скорость, бит/с — " + speedText));
    SetConnectionState(Connection::State::Open);
    return PortError::None;
}

void LineSession::ClosePort() {
    if (!IsPortOpen()) return;
    port_->Close();
    AbandonWaits();
    WaitForReceiveThread();
    view_.SetPortControlsEnabled(true);
    MonitorAddLine(kMarkerPort, Utf8ToCp1251Lossy("Порт закрыт."));
    SetConnectionState(Connection::State::Closed);
}

Connection LineSession::connection() const {
    std::lock_guard lock(nameMutex_);
    return {connectionState_, portName_, portSpeed_};
}

void LineSession::SetConnectionState(Connection::State state) {
    {
        std::lock_guard lock(nameMutex_);
        connectionState_ = state;
    }
    view_.SetConnection(connection());
}

void LineSession::AbandonWaits() {
    // A command cannot go on without the line: its worker ends at its
    // running wait, with no outcome, instead of waiting out the limit.
    transaction_.Abandon();
    converterTransaction_.Abandon();
}

void LineSession::StopCommand() {
    if (transaction_.busy) transaction_.Signal(Reply::Cancel);
}

void LineSession::Shutdown() {
    if (closed_) return;
    closed_ = true;
    transaction_.busy = 0;  // a running command stops at its next check
    port_->Close();
    AbandonWaits();
    view_.RemoveBalloon();
    view_.RemoveSensorPopup();
    view_.RemoveAllCardPopups();
    map_.SetRepaintHandler(nullptr);
    map_.ClearSets();
}

void LineSession::MapClick() {
    view_.RemoveBalloon();
    view_.RemoveSensorPopup();
}

void LineSession::MapDoubleClick() {
    if (!IsPortOpen()) {
        view_.ShowMessage(kCaptionWarning, kStartWithPort, MessageIcon::Warning);
        return;
    }
    view_.OpenCommandMenu(map_.SelectedIndex());
}

}  // namespace tulex
