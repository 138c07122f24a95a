#pragma once
// The main window's logic without widgets: it owns the process-wide objects
// (port, map, controller, monitor, converter, settings), opens and closes the
// port, runs the receive thread, and offers what every command needs: frame
// sending with its monitor lines, the command-control switch, the balloon
// hand-over and worker start. It reaches the screen only through View, and
// other threads reach the UI thread only through the Dispatcher.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/Dispatcher.h"
#include "app/Settings.h"
#include "app/View.h"
#include "controller/ControllerTransaction.h"
#include "controller/LineMap.h"
#include "converter/ConverterTransaction.h"
#include "display/TrafficLog.h"
#include "line/Clock.h"
#include "serial/Port.h"

namespace tulex {

class ControllerCommands;
class ConverterCommands;

// Direction markers of the monitor lines, in Windows-1251.
inline constexpr std::string_view kMarkerSent = "   <\x97\x97   ";
inline constexpr std::string_view kMarkerReceived = "   \x97\x97>   ";
inline constexpr std::string_view kMarkerPort = "   ---   ";

inline constexpr const char* kCaptionWarning = "Предупреждение";
inline constexpr const char* kCaptionInformation = "Информация";
inline constexpr const char* kStartWithPort = "Начните работу с выбора COM-порта.";

class LineSession {
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
    // "ТУЛЕКС 1.8" or "ТУЛЕКС master".
    std::string Caption() const;
    // The port box's list; the first entry is selected.
    std::vector<std::string> FillPortList() const;

    // --- port ("Открыть", "Закрыть", "Остановить", closing the window)
    void OpenPort(const std::string& portName, const std::string& speedText);
    void ClosePort();
    void StopCommand();
    void Shutdown();
    bool IsPortOpen() const { return port_->IsOpen(); }
    // The name shown in monitor lines (the port box's text while open).
    std::string PortName() const;

    // --- what every command uses
    // Enables or disables the command controls; callable from any thread.
    void EnableCommandControls(bool enabled);
    // A monitor line with port name and direction marker (text in
    // Windows-1251), from any thread.
    void MonitorAddLine(std::string_view marker, std::string_view text);
    // A monitor line without port name and marker ("   TIMEOUT"), UTF-8.
    void MonitorAdd(std::string_view textUtf8);
    // Builds and writes the addressed request; its monitor line shows the
    // index and the description (UTF-8), or the raw frame in master mode.
    void SendRequest(std::uint8_t index, std::string_view command, std::string_view description);
    // Writes FF, frameByte, "?" with the same monitor line rule.
    void SendShortFrame(std::uint8_t index, std::uint8_t frameByte, std::string_view description);
    // Shows or updates the controller balloon from the balloon state of
    // `transaction` at the transaction target's cell; waits until it is shown.
    void ShowControllerBalloon();
    // Replaces the balloon's text in place (test progress); from any thread.
    void SetBalloonText(const std::string& textUtf8);
    // Writes the size of the set into its status panel (1 present, 2 reply-only).
    void UpdateCounter(MapSet set);
    // Starts a worker on a self-deleting thread; the window's shutdown
    // waits for it. False if no thread could be started.
    bool StartWorker(std::function<void()> worker);
    // Runs fn on the UI thread and waits (message boxes asked by workers).
    void RunOnUi(const std::function<void()>& fn) { dispatcher_.Send(fn); }

    // --- the line map's handlers
    void MapClick();        // the current cell moved: balloon and sensor pop-up go
    void MapDoubleClick();  // warning with the port closed, else the controller menu

    View& view() { return view_; }
    Port& port() { return *port_; }
    Clock& clock() { return clock_; }
    Dispatcher& dispatcher() { return dispatcher_; }
    ControllerCommands& controller() { return *controller_; }
    ConverterCommands& converter() { return *converter_; }

    // --- the process-wide objects
    Settings settings;
    LineMap map;
    ControllerTransaction transaction;
    TrafficLog monitor;
    ConverterTransaction converterTransaction;

private:
    void StartReceiveThread();
    // Waits (running queued UI work) until the receive thread has ended.
    void WaitForReceiveThread();
    // Waits for running workers, at most the given time.
    bool WaitForWorkers(std::chrono::milliseconds limit);

    View& view_;
    Dispatcher& dispatcher_;
    std::unique_ptr<Port> port_;
    Clock& clock_;
    std::unique_ptr<ControllerCommands> controller_;
    std::unique_ptr<ConverterCommands> converter_;

    mutable std::mutex nameMutex_;
    std::string portName_;  // name of the port last opened
    bool closed_ = false;   // Shutdown ran

    // Threads still running, so that nothing they use is destroyed first.
    std::mutex threadsMutex_;
    std::condition_variable threadsCv_;
    int workersRunning_ = 0;
    bool receiveRunning_ = false;
};

}  // namespace tulex
