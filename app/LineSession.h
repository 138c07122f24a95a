#pragma once
// The main window's logic without widgets: it owns the process-wide objects
// (port, map, transactions, monitor, settings), opens and closes the port,
// runs the receive thread and acts on what it reports (LineEvents), and
// offers the commands what they need (CommandContext): frame sending with its
// monitor lines, the command-control switch, the balloon hand-over and worker
// start. It reaches the screen only through View, and other threads reach the
// UI thread only through the Dispatcher.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandContext.h"
#include "app/Dispatcher.h"
#include "app/EventFeed.h"
#include "app/PacedUpdate.h"
#include "app/Settings.h"
#include "app/View.h"
#include "controller/ControllerTransaction.h"
#include "controller/LineMap.h"
#include "controller/LineStatistics.h"
#include "converter/ConverterTransaction.h"
#include "display/Captions.h"
#include "display/TrafficLog.h"
#include "line/Clock.h"
#include "line/LineEvents.h"
#include "serial/Port.h"

namespace tulex {

class ControllerCommands;
class ConverterCommands;

// Direction markers of the monitor lines, in Windows-1251.
inline constexpr std::string_view kMarkerSent = kMonitorMarkerSent;
inline constexpr std::string_view kMarkerReceived = kMonitorMarkerReceived;
inline constexpr std::string_view kMarkerPort = "   ---   ";

class LineSession final : public CommandContext, public LineEvents {
public:
    // The port is a SerialPort unless one is given; the command waits run on
    // the given clock (tests inject an in-memory line and their own clock).
    LineSession(View& view, Dispatcher& dispatcher, std::unique_ptr<Port> port = nullptr,
                Clock& clock = Clock::Steady());
    ~LineSession();  // Shutdown if not done, then waits for the threads to end
    LineSession(const LineSession&) = delete;
    LineSession& operator=(const LineSession&) = delete;

    // --- start-up
    // True when the first argument (after the program name) is "-master" in
    // any case mix; sets master mode.
    bool Start(const std::vector<std::string>& arguments);
    static bool IsMasterSwitch(const std::vector<std::string>& arguments);
    // "ТУЛЕКС 1.8" (the version of version/Version.h) or "ТУЛЕКС master".
    std::string Caption() const;
    // The port box's list; the first entry is selected.
    std::vector<std::string> FillPortList() const;

    // --- port ("Открыть", "Закрыть", "Остановить", closing the window)
    // "Открыть": None when the port is open; otherwise why not. A message box
    // tells NotFound, Unavailable and BadSpeed; settings the driver refuses
    // (Refused) close the port without one, as the window has it.
    PortError OpenPort(const std::string& portName, const std::string& speedText);
    void ClosePort();
    void StopCommand();
    void Shutdown();
    // The name shown in monitor lines (the port box's text while open).
    std::string PortName() const;

    // --- a port lost under the open line (a USB converter pulled out)
    // True from the loss until the port is opened again.
    bool PortLost() const { return lost_; }
    // The name the lost port is reopened by: the adapter's /dev/serial/by-id
    // link when it has one (its ttyUSBn may change), else the name opened.
    std::string LostPortName() const { return stableName_; }
    // The lost port's device is there again (nothing is opened to see it).
    bool LostPortPresent() const;
    // Reopens the lost port by LostPortName() at its speed, without message
    // boxes (it may not be ready yet: the caller tries again), and writes
    // "Порт восстановлен" in the monitor. The monitor and the statistics go
    // on as they were.
    PortError ReopenLostPort();
    // What the window does after OfferLostPort.
    enum class LostPortOffer {
        KeepWatching,  // not back yet (or the question is on screen): ask again later
        Reopened,      // the operator said Yes and the port is open again
        Done,          // declined, failed (the operator was told) or no longer lost: stop watching
    };
    // How often a window calls OfferLostPort while the port is lost.
    static constexpr int kLostPortCheckMs = 500;
    // UI thread, from the window's timer once the port-lost handler ran:
    // when the lost port is back, asks whether to open it again and does.
    LostPortOffer OfferLostPort();
    // Called on the UI thread once a lost port has been closed and the
    // operator told (the window offers the reopening from there).
    void SetPortLostHandler(std::function<void()> handler) { portLostHandler_ = std::move(handler); }
    // How LostPortPresent looks for the device (tests replace it).
    void SetPortPresence(std::function<bool(const std::string&)> present) { portPresent_ = std::move(present); }

    // --- what every command uses (CommandContext)
    bool IsPortOpen() const override { return port_->IsOpen(); }
    void EnableCommandControls(bool enabled) override;
    void MonitorAdd(std::string_view textUtf8) override;
    void MonitorTimeout(std::uint8_t index) override;
    void SendRequest(std::uint8_t index, std::string_view command, std::string_view description) override;
    void SendShortFrame(std::uint8_t index, std::uint8_t frameByte, std::string_view description) override;
    void ShowControllerBalloon() override;
    void SetBalloonText(const std::string& textUtf8) override;
    void UpdateCounter(MapSet set) override;
    void ShowProgress(std::string text) override;
    bool StartWorker(std::function<void()> worker) override;
    void RunOnUi(const std::function<void()>& fn) override { dispatcher_.Send(fn); }
    void PostToUi(std::function<void()> fn) override { dispatcher_.Post(std::move(fn)); }
    View& view() override { return view_; }
    LineMap& map() override { return map_; }
    ControllerTransaction& transaction() override { return transaction_; }
    ConverterTransaction& converterTransaction() override { return converterTransaction_; }

    // A monitor line with port name and direction marker (text in
    // Windows-1251), from any thread. index: the controller it concerns when
    // the text does not say (for the monitor's filter).
    void MonitorAddLine(std::string_view marker, std::string_view text, std::uint8_t index = 0);

    // --- the line map's handlers
    void MapClick();        // the current cell moved: balloon and sensor pop-up go
    void MapDoubleClick();  // warning with the port closed, else the controller menu

    // --- card and sensor events (the event list and the pop-ups)
    // Every card and sensor event, whatever the settings; the window's event list.
    EventFeed& events() { return events_; }
    // UI thread: hands what came since the last delivery to the view: the
    // list's refresh, the newest pop-ups (at most the pop-up limit) and how
    // many others wanted one.
    void DeliverEvents();
    // How many pop-ups one delivery shows at most (tulex-cli: all of them).
    void SetPopupLimit(std::size_t limit) { popupLimit_ = limit; }
    // When a hand-over reaches the UI thread, the pacer decides when to call
    // the delivery it is given; without one it runs at once. The window
    // gathers events on a short timer.
    using EventPacer = std::function<void(std::function<void()> deliver)>;
    void SetEventPacer(EventPacer pacer) { eventPacer_ = std::move(pacer); }
    // A window shows the map's counters at the screen's pace, the latest
    // count a frame; a front end that logs them (tulex-cli's listen) is
    // handed every count, in order with the events around it. Before the
    // port opens.
    void SetEveryCountShown(bool every) { everyCountShown_ = every; }

    // The connection as the indicator shows it.
    Connection connection() const;

    Settings& settings() { return settings_; }
    TrafficLog& monitor() { return monitor_; }
    LineStatistics& statistics() { return statistics_; }
    // What a map cell's tool-tip adds about its controller: its figures, or
    // nothing for one never asked nor heard.
    std::string CellFigures(std::uint8_t index);
    Port& port() { return *port_; }
    Clock& clock() { return clock_; }
    Dispatcher& dispatcher() { return dispatcher_; }
    ControllerCommands& controller() { return *controller_; }
    ConverterCommands& converter() { return *converter_; }

private:
    // --- what the receive thread reports (LineEvents; app/LineSessionEvents.cpp)
    void OnMonitorLine(std::string_view text, bool fromMaster) override;
    void OnFrameStart() override;
    void OnAcknowledgement() override;
    void OnPositiveReply() override;
    void OnErrorReply() override;
    void OnDataReply(std::uint8_t index, std::string_view data) override;
    void OnCardEvent(std::uint8_t index, std::string_view data) override;
    void OnChannelCardEvent(std::uint8_t index, char channel, std::string_view data) override;
    void OnSensorEvent(std::uint8_t index, std::string_view data) override;
    void OnPollFrame(std::uint8_t index) override;
    bool WantsConverterData() const override;
    void OnConverterData(std::string_view data) override;
    void OnPortGone() override;
    // The map's sets as the receive thread changes them, with their counters.
    void AddToSet(std::uint8_t index, MapSet set);
    void RemoveFromSet(std::uint8_t index, MapSet set);
    void Heard(std::uint8_t index);  // present, and no longer reply-only
    bool CommandRunning() const { return transaction_.busy.load() != 0; }
    // Stores a card or sensor event and asks for a hand-over when none is on its way.
    void RecordEvent(std::uint8_t index, EventKind kind, bool popup, std::string_view data);
    void SetConnectionState(Connection::State state);

    // Opens and configures the port; on success takes it into use (receive
    // thread, controls, "Порт открыт" line).
    PortError OpenAndStart(const std::string& portName, const std::string& speedText);
    void StartReceiveThread();
    // Waits until the receive thread has ended.
    void WaitForReceiveThread();
    // Fails the running and later waits of both transactions (port closed).
    void AbandonWaits();
    // Waits for running workers, at most the given time.
    bool WaitForWorkers(std::chrono::milliseconds limit);

    // The process-wide objects the commands share.
    Settings settings_;
    LineMap map_;
    ControllerTransaction transaction_;
    TrafficLog monitor_;
    ConverterTransaction converterTransaction_;
    EventFeed events_;
    std::size_t popupLimit_ = EventFeed::kNoLimit;
    EventPacer eventPacer_;

    View& view_;
    Dispatcher& dispatcher_;
    std::unique_ptr<Port> port_;
    Clock& clock_;
    LineStatistics statistics_;
    std::unique_ptr<ControllerCommands> controller_;
    std::unique_ptr<ConverterCommands> converter_;

    // The map's repaint and its two counters follow the map at the screen's
    // pace (a search changes them twice a request): the changes wait in
    // mapChanges_ until the refresh runs.
    enum MapChange : unsigned { kRepaint = 1, kPresentCount = 2, kReplyOnlyCount = 4 };
    void MarkMapChange(MapChange change);
    void ShowMapChanges();  // UI thread
    std::atomic<unsigned> mapChanges_{0};
    bool everyCountShown_ = false;
    PacedUpdate mapRefresh_{dispatcher_, [this] { ShowMapChanges(); }};
    // "Поиск: N из 182" at the screen's pace, the same way.
    void ShowProgressText();  // UI thread
    std::mutex progressMutex_;
    std::string progressText_;
    std::string shownProgress_;  // UI thread
    PacedUpdate progressRefresh_{dispatcher_, [this] { ShowProgressText(); }};

    mutable std::mutex nameMutex_;
    std::string portName_;        // name of the port last opened
    std::string portNameCp1251_;  // the same as the monitor lines show it
    std::string portSpeed_;       // its speed text
    Connection::State connectionState_ = Connection::State::Closed;
    bool closed_ = false;  // Shutdown ran

    // The port last opened, for its reopening after a loss (UI thread).
    std::string speedText_;
    std::string stableName_;
    bool lost_ = false;
    bool offeringLostPort_ = false;  // the reopen question is on screen
    std::function<void()> portLostHandler_;
    std::function<bool(const std::string&)> portPresent_;

    // Threads still running, so that nothing they use is destroyed first.
    std::mutex threadsMutex_;
    std::condition_variable threadsCv_;
    int workersRunning_ = 0;
    bool receiveRunning_ = false;
};

}  // namespace tulex
