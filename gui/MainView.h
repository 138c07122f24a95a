#pragma once
// The Qt side of the window logic: implements the View that LineSession talks to
// on the main window's widgets, and connects every control, menu item and
// map shortcut to LineSession's handlers. It also runs the monitor's handlers
// (the monitor window is a widget; its lines live in LineSession's TrafficLog).

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

#include "app/LineSession.h"
#include "app/View.h"
#include "gui/MonitorLineStore.h"
#include "gui/MonitorWindow.h"

class QTimer;

namespace tulex {

class MainWindow;
class PlanWindow;
class StatisticsWindow;
class QtDispatcher;
class TrafficLog;

// TrafficLog seen through the monitor view's store interface.
class TrafficLogStore final : public MonitorLineStore {
public:
    explicit TrafficLogStore(TrafficLog& list) : list_(list) {}
    std::size_t count() const override;
    std::string line(std::size_t i) const override;
    std::uint64_t generation() const override;
    bool watch(std::function<void()> changed) const override;
    void rearm() const override;
    MonitorTag tag(std::size_t i) const override;
    void matching(const MonitorFilter& filter, std::size_t from, std::vector<std::uint32_t>& out) const override;

private:
    TrafficLog& list_;
};

class MainView final : public QObject, public View {
    Q_OBJECT

public:
    // arguments: QCoreApplication::arguments() (program name first).
    explicit MainView(const QStringList& arguments);
    ~MainView() override;

    MainWindow& window() { return *window_; }
    LineSession& session() { return *session_; }
    QtDispatcher& dispatcher() { return *dispatcher_; }
    MonitorWindow* monitorWindow() const { return monitor_; }

    // A file chosen in a save dialog, and which of the offered formats.
    struct SaveChoice {
        QString path;
        int format = 0;  // index into the filters offered
    };
    // Asks for a file to write: starts in `folder` with `name`, offers the
    // filters ("Windows-1251 (*.txt)", ...). Nothing when cancelled. A Qt file
    // dialog unless replaced (tests answer it themselves).
    using SaveDialog = std::function<std::optional<SaveChoice>(const QString& caption, const QString& folder,
                                                               const QString& name, const QStringList& filters)>;
    void setSaveDialog(SaveDialog dialog) { saveDialog_ = std::move(dialog); }
    // The offer to reopen a lost port is looked for this often.
    static constexpr int kReturnCheckMs = LineSession::kLostPortCheckMs;

    // Puts name and speed into the port and speed boxes and presses "Открыть".
    void OpenPort(const QString& name, const QString& speed);

    // --- the monitor's handlers
    void ShowMonitor();
    void PauseMonitor();
    void ResumeMonitor();
    void ClearMonitor();
    // The file dialog (folder of the last save, Windows-1251 or UTF-8), the
    // save, and where it went under the monitor's list.
    void SaveMonitor();
    // "С&татистика": the statistics table (made on first use).
    void ShowStatistics();
    StatisticsWindow* statisticsWindow() const { return statistics_.get(); }
    // The table as CSV, through the save dialog.
    void ExportStatistics();
    // The converter button.
    void OpenConverterMenu();
    void ShowAbout();
    // "План": the plan window (made on first use, shown again later).
    void ShowPlanWindow();
    PlanWindow* planWindow() const { return plan_.get(); }
    // The main window closes: Shutdown, and the monitor goes with it.
    void Shutdown();

    // --- View
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    void SetCommandControlsEnabled(bool enabled) override;
    void SetPortControlsEnabled(bool enabled) override;
    void SetStatusPanel(int panel, const std::string& text) override;
    void RepaintMap() override;
    void ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) override;
    void RemoveAllCardPopups() override;
    void ShowBalloon(std::uint8_t index, const std::string& title, const std::string& text, Colour colour) override;
    void SetBalloonText(const std::string& text) override;
    void RemoveBalloon() override;
    void ShowSensorPopup(std::uint8_t index, const std::string& text) override;
    void RemoveSensorPopup() override;
    void OpenCommandMenu(std::uint8_t index) override;
    void EventsAdded() override;
    void CountSkippedPopups(std::size_t count) override;
    void SetConnection(const Connection& connection) override;
    void ShowProgress(const std::string& text) override;

    // How long card and sensor events gather before the window shows them.
    static constexpr int kEventDeliveryMs = 40;

private:
    void connectControls();
    void connectCommands();
    void fillPortList();
    // The port was lost: look for it now and then, and offer its reopening
    // once it is back.
    void watchForLostPort();
    void checkLostPort();

    std::unique_ptr<QtDispatcher> dispatcher_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<LineSession> session_;
    std::unique_ptr<TrafficLogStore> store_;
    QPointer<MonitorWindow> monitor_;
    // After the session: it goes first, while the session it runs on lives.
    std::unique_ptr<PlanWindow> plan_;
    std::unique_ptr<StatisticsWindow> statistics_;
    SaveDialog saveDialog_;
    QTimer returnTimer_;
    bool mapHadFocus_ = false;
    // Runs the session's event delivery once events have gathered; armed
    // only by a hand-over, so an idle line wakes nothing.
    QTimer* eventDelivery_;
};

}  // namespace tulex
