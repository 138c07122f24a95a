#pragma once
// What the command handlers and their workers need of the session: the
// line, the screen and the transaction state. The port's opening and
// closing, the receive thread and the monitor's store are not theirs.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/View.h"
#include "controller/ControllerTransaction.h"
#include "controller/LineMap.h"
#include "converter/ConverterTransaction.h"
#include "display/Captions.h"

namespace tulex {

// The warning of every command while the port is closed.
inline constexpr const char* kStartWithPort = "Начните работу с выбора COM-порта.";

class CommandContext {
public:
    virtual ~CommandContext() = default;

    virtual bool IsPortOpen() const = 0;
    // Builds and writes the addressed request; its monitor line shows the
    // index and the description (UTF-8), or the raw frame in master mode.
    virtual void SendRequest(std::uint8_t index, std::string_view command, std::string_view description) = 0;
    // Writes FF, frameByte, "?" with the same monitor line rule.
    virtual void SendShortFrame(std::uint8_t index, std::uint8_t frameByte, std::string_view description) = 0;
    // A monitor line without port name and marker ("   TIMEOUT"), UTF-8.
    virtual void MonitorAdd(std::string_view textUtf8) = 0;
    // "   TIMEOUT" in the monitor: a command waited for index's reply in
    // vain (counted in the controller's statistics).
    virtual void MonitorTimeout(std::uint8_t index) = 0;

    // Shows the controller balloon from the transaction's balloon state at
    // the target's cell; waits until it is shown.
    virtual void ShowControllerBalloon() = 0;
    // Replaces the balloon's text in place (test progress); from any thread.
    virtual void SetBalloonText(const std::string& textUtf8) = 0;
    // Enables or disables the command controls; callable from any thread.
    virtual void EnableCommandControls(bool enabled) = 0;
    // Writes the size of the set into its status panel (at the screen's
    // pace; the panel shows the size as it is when the update runs).
    virtual void UpdateCounter(MapSet set) = 0;
    // Shows a long command's progress ("Поиск: N из 182") at the screen's
    // pace, from any thread; "" takes it away at once.
    virtual void ShowProgress(std::string text) = 0;

    // Starts a worker on a self-deleting thread that the session's shutdown
    // waits for. False if no thread could be started.
    virtual bool StartWorker(std::function<void()> worker) = 0;
    // Runs fn on the UI thread and waits (message boxes asked by workers).
    virtual void RunOnUi(const std::function<void()>& fn) = 0;
    // Queues fn for the UI thread without waiting (in order; dropped once
    // the session shuts down).
    virtual void PostToUi(std::function<void()> fn) = 0;

    virtual View& view() = 0;
    virtual LineMap& map() = 0;
    virtual ControllerTransaction& transaction() = 0;
    virtual ConverterTransaction& converterTransaction() = 0;
};

}  // namespace tulex
