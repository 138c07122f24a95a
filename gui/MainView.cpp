#include "gui/MainView.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

#include "app/About.h"
#include "app/ControllerCommands.h"
#include "app/ConverterCommands.h"
#include "app/LineSession.h"
#include "app/MonitorSave.h"
#include "app/PortMessages.h"
#include "app/StatisticsExport.h"
#include "app/ToolWindowPlace.h"
#include "controller/StatisticsText.h"
#include "display/SaveFile.h"
#include "gui/CommandLine.h"
#include "gui/EventListPanel.h"
#include "gui/LineMapWidget.h"
#include "gui/MainWindow.h"
#include "gui/MonitorWindow.h"
#include "gui/PlanWindow.h"
#include "gui/PopupHost.h"
#include "gui/QtDispatcher.h"
#include "gui/StatisticsWindow.h"

namespace tulex {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

QColor ToQColor(Colour c) { return QColor(c.r, c.g, c.b); }

}  // namespace

std::size_t TrafficLogStore::count() const { return list_.Count(); }
std::string TrafficLogStore::line(std::size_t i) const { return list_.Line(i); }
std::uint64_t TrafficLogStore::generation() const { return list_.Generation(); }
bool TrafficLogStore::watch(std::function<void()> changed) const {
    list_.SetChangeNotifier(std::move(changed));
    return true;
}
void TrafficLogStore::rearm() const { list_.ArmChangeNotifier(); }
MonitorTag TrafficLogStore::tag(std::size_t i) const { return list_.Tag(i); }
void TrafficLogStore::matching(const MonitorFilter& filter, std::size_t from, std::vector<std::uint32_t>& out) const {
    list_.Matching(filter, from, out);
}

namespace {

// A tool window's first place: right of the main window when it fits on the
// screen there, else a little down and right of the main window's corner,
// and always on the screen.
void PlaceBeside(QWidget& tool, const QWidget& main) {
    const QRect frame = main.frameGeometry();
    const QScreen* screen = main.screen();
    const QSize size = tool.sizeHint().expandedTo(tool.size());
    if (!screen) return tool.move(frame.right() + 8, frame.top());
    const QRect available = screen->availableGeometry();
    const auto edges = [](const QRect& r) {
        return ScreenRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    };
    const ScreenPoint at = PlaceToolWindow(edges(frame), size.width(), size.height(), edges(available), 8, 40);
    tool.move(at.x, at.y);
}

std::optional<MainView::SaveChoice> AskWithFileDialog(QWidget* parent, const QString& caption, const QString& folder,
                                                      const QString& name, const QStringList& filters) {
    QFileDialog dialog(parent, caption, QDir(folder).filePath(name));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    // The replace question is the program's own, with its own words.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return MainView::SaveChoice{dialog.selectedFiles().front(),
                                std::max<int>(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())))};
}

}  // namespace

MainView::MainView(const QStringList& arguments)
    : dispatcher_(std::make_unique<QtDispatcher>()), eventDelivery_(new QTimer(this)) {
    session_ = std::make_unique<LineSession>(*this, *dispatcher_);
    session_->Start(ProgramArguments(arguments));
    window_ = std::make_unique<MainWindow>(Q(session_->Caption()));
    // Card and sensor events: the window shows at most a few pop-ups, and
    // events that come fast are taken in together.
    session_->SetPopupLimit(kMaxCardPopups);
    eventDelivery_->setSingleShot(true);
    eventDelivery_->setInterval(kEventDeliveryMs);
    connect(eventDelivery_, &QTimer::timeout, this, [this] { session_->DeliverEvents(); });
    session_->SetEventPacer([this](const std::function<void()>&) {
        if (!eventDelivery_->isActive()) eventDelivery_->start();
    });
    window_->eventList->setFeed(&session_->events());
    store_ = std::make_unique<TrafficLogStore>(session_->monitor());
    window_->lineMap->setSetsProvider([this] {
        const LineMap::Snapshot snapshot = session_->map().Take();
        return MapSets{snapshot.present, snapshot.replyOnly};
    });
    window_->lineMap->selectIndex(session_->map().SelectedIndex());
    window_->lineMap->setFiguresProvider([this](unsigned char index) { return Q(session_->CellFigures(index)); });
    saveDialog_ = [this](const QString& caption, const QString& folder, const QString& name,
                         const QStringList& filters) {
        return AskWithFileDialog(window_.get(), caption, folder, name, filters);
    };
    returnTimer_.setInterval(kReturnCheckMs);
    connect(&returnTimer_, &QTimer::timeout, this, &MainView::checkLostPort);
    session_->SetPortLostHandler([this] { watchForLostPort(); });
    connectControls();
    connectCommands();
    fillPortList();
}

MainView::~MainView() {
    // Shut the logic down while the widgets still exist (Shutdown reaches the
    // pop-ups); from then on nothing queued reaches them. The session's
    // destruction waits for its threads; the widgets outlive it.
    session_->Shutdown();
    dispatcher_->BeginShutdown();
    eventDelivery_->stop();
    session_->SetEventPacer(nullptr);
    window_->lineMap->setSetsProvider({});
    window_->lineMap->setFiguresProvider({});
    returnTimer_.stop();
    statistics_.reset();
    if (monitor_) delete monitor_.data();
    plan_.reset();
    session_.reset();
}

void MainView::fillPortList() {
    std::vector<std::string> names = session_->FillPortList();
    std::sort(names.begin(), names.end());  // the port box's list is sorted as text
    QComboBox* box = window_->portBox;
    box->clear();
    for (const std::string& name : names) box->addItem(Q(name));
    if (box->count() > 0) box->setCurrentIndex(0);
}

void MainView::connectControls() {
    MainWindow& w = *window_;
    connect(w.openButton, &QPushButton::clicked, this,
            [this] { session_->OpenPort(S(window_->portBox->currentText()), S(window_->speedBox->currentText())); });
    connect(w.closeButton, &QPushButton::clicked, this, [this] { session_->ClosePort(); });
    connect(w.stopButton, &QPushButton::clicked, this, [this] { session_->StopCommand(); });
    connect(w.monitorButton, &QPushButton::clicked, this, &MainView::ShowMonitor);
    connect(w.pauseButton, &QToolButton::clicked, this, &MainView::PauseMonitor);
    connect(w.resumeButton, &QToolButton::clicked, this, &MainView::ResumeMonitor);
    connect(w.clearButton, &QToolButton::clicked, this, &MainView::ClearMonitor);
    connect(w.saveButton, &QToolButton::clicked, this, &MainView::SaveMonitor);
    connect(w.converterButton, &QToolButton::clicked, this, &MainView::OpenConverterMenu);
    connect(w.aboutAction, &QAction::triggered, this, &MainView::ShowAbout);
    connect(w.planAction, &QAction::triggered, this, &MainView::ShowPlanWindow);
    connect(w.statisticsAction, &QAction::triggered, this, &MainView::ShowStatistics);

    // The four settings are read by the receive thread when they matter.
    connect(w.readersAction, &QAction::toggled, this, [this](bool on) { session_->settings().readers = on; });
    connect(w.sensorsAction, &QAction::toggled, this, [this](bool on) { session_->settings().sensors = on; });
    connect(w.onlineAnswerAction, &QAction::toggled, this, [this](bool on) { session_->settings().onlineAnswer = on; });
    connect(w.sensorAnswerAction, &QAction::toggled, this, [this](bool on) { session_->settings().sensorAnswer = on; });
    session_->settings().readers = w.readersAction->isChecked();
    session_->settings().sensors = w.sensorsAction->isChecked();
    session_->settings().onlineAnswer = w.onlineAnswerAction->isChecked();
    session_->settings().sensorAnswer = w.sensorAnswerAction->isChecked();

    connect(w.lineMap, &LineMapWidget::selectedIndexChanged, this,
            [this](unsigned char index) { session_->map().SelectIndex(index); });
    connect(w.lineMap, &LineMapWidget::cellClicked, this, [this] { session_->MapClick(); });
    connect(w.lineMap, &LineMapWidget::cellDoubleClicked, this, [this] { session_->MapDoubleClick(); });
    connect(w.lineMap, &LineMapWidget::cellMenuRequested, this, [this] { session_->MapDoubleClick(); });
    connect(w.lineMap, &LineMapWidget::shortcutPressed, this, [this](MenuCommand command) {
        // The shortcuts work only with the port open, and run the same command as
        // the controller menu's item.
        if (session_->IsPortOpen()) session_->controller().Run(command);
    });
    connect(&w, &MainWindow::closing, this, &MainView::Shutdown);
}

void MainView::connectCommands() {
    MainWindow& w = *window_;
    ControllerCommands& c = session_->controller();
    const std::pair<QAction*, MenuCommand> items[] = {
        {w.checkPresenceAction, MenuCommand::CheckPresence},
        {w.readParametersAction, MenuCommand::ReadParameters},
        {w.changeIndexAction, MenuCommand::ChangeIndex},
        {w.presetDoorWithoutSensorAction, MenuCommand::PresetDoorWithoutSensor},
        {w.presetDoorWithSensorAction, MenuCommand::PresetDoorWithSensor},
        {w.presetTurnstileWithoutConfirmationAction, MenuCommand::PresetTurnstileWithoutConfirmation},
        {w.presetTurnstileWithConfirmationAction, MenuCommand::PresetTurnstileWithConfirmation},
        {w.presetRegistrationTerminalAction, MenuCommand::PresetRegistrationTerminal},
        {w.offlineModeAction, MenuCommand::ModeOffline},
        {w.onlineModeAction, MenuCommand::ModeOnline},
        {w.autonomousModeAction, MenuCommand::ModeAutonomous},
        {w.setMasterCardAction, MenuCommand::SetMasterCard},
        {w.readMasterCardAction, MenuCommand::ReadMasterCard},
        {w.relayTime1Action, MenuCommand::RelayTime1},
        {w.relayTime2Action, MenuCommand::RelayTime2},
        {w.relayTime3Action, MenuCommand::RelayTime3},
        {w.relayTime4Action, MenuCommand::RelayTime4},
        {w.memoryTestAction, MenuCommand::TestMemory},
        {w.lineTestAction, MenuCommand::TestLine},
        {w.relayTest1Action, MenuCommand::TestRelay1},
        {w.relayTest2Action, MenuCommand::TestRelay2},
        {w.relayTest3Action, MenuCommand::TestRelay3},
        {w.relayTest4Action, MenuCommand::TestRelay4},
        {w.rawCommandAction, MenuCommand::RunRawCommand},
    };
    for (const auto& [action, command] : items) {
        connect(action, &QAction::triggered, this, [&c, command = command] { c.Run(command); });
    }
    connect(w.searchButton, &QPushButton::clicked, this, [&c] { c.SearchControllers(); });

    ConverterCommands& converter = session_->converter();
    connect(w.readConverterAction, &QAction::triggered, this, [&converter] { converter.ReadConverterParameters(); });
    connect(w.pollRangeAction, &QAction::triggered, this, [&converter] { converter.ChangePollRange(); });
    connect(w.converterCommandAction, &QAction::triggered, this, [&converter] { converter.RunConverterCommand(); });
}

void MainView::OpenPort(const QString& name, const QString& speed) {
    window_->portBox->setCurrentText(name);
    if (!speed.isEmpty()) window_->speedBox->setCurrentText(speed);
    window_->openButton->click();
}

// --- monitor

void MainView::ShowMonitor() {
    if (monitor_) {
        monitor_->restore();
        return;
    }
    session_->monitor().SetWindowExists(true);  // a new window starts empty
    monitor_ = new MonitorWindow(store_.get());
    monitor_->setPaused(session_->monitor().Paused());
    monitor_->setMilliseconds(session_->monitor().Milliseconds());
    connect(monitor_, &MonitorWindow::closed, this, [this] { session_->monitor().SetWindowExists(false); });
    connect(monitor_, &MonitorWindow::millisecondsToggled, this,
            [this](bool on) { session_->monitor().SetMilliseconds(on); });
    monitor_->showBelow(window_.get());
}

void MainView::PauseMonitor() {
    if (!monitor_) return;
    session_->monitor().Pause();
    window_->resumeButton->setEnabled(true);
    window_->pauseButton->setEnabled(false);
    monitor_->setPaused(true);
}

void MainView::ResumeMonitor() {
    if (!monitor_) return;
    session_->monitor().Start();
    window_->pauseButton->setEnabled(true);
    window_->resumeButton->setEnabled(false);
    monitor_->setPaused(false);
}

void MainView::ClearMonitor() {
    if (!monitor_) return;
    session_->monitor().Clear();
    // A fresh start of the monitor is a fresh start of the figures.
    session_->statistics().Reset();
    if (statistics_) statistics_->refresh();
}

void MainView::SaveMonitor() {
    if (!monitor_) return;
    TrafficLog& log = session_->monitor();
    const QStringList formats{QStringLiteral("Windows-1251 (*.txt)"), QStringLiteral("UTF-8 (*.txt)")};
    const QString folder = Q(SaveFolderOf(log.filePath));
    const QString name = log.filePath.empty() || log.filePath == SaveFolderOf(log.filePath)
                             ? QStringLiteral("monitor.txt")
                             : QFileInfo(Q(log.filePath)).fileName();
    const auto choice = saveDialog_(QStringLiteral("Сохранить как..."), folder, name, formats);
    if (!choice || choice->path.isEmpty()) return;
    const std::string path = S(QDir::toNativeSeparators(choice->path));
    log.filePath = path;  // the next dialog starts here
    const bool utf8 = choice->format == 1;
    if (!SaveMonitorAs(log, path, *this, utf8 ? TrafficLog::Encoding::Utf8 : TrafficLog::Encoding::Cp1251)) return;
    if (monitor_)
        monitor_->showSaved(QStringLiteral("Сохранено: %1 (%2)")
                                .arg(Q(path), utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Windows-1251")));
}

void MainView::ShowStatistics() {
    if (!statistics_) {
        statistics_ = std::make_unique<StatisticsWindow>(session_->statistics());
        connect(statistics_.get(), &StatisticsWindow::exportRequested, this, &MainView::ExportStatistics);
        PlaceBeside(*statistics_, *window_);
    }
    statistics_->refresh();
    statistics_->show();
    statistics_->raise();
    statistics_->activateWindow();
}

void MainView::ExportStatistics() {
    if (!statistics_) return;
    const QString folder = Q(SaveFolderOf(session_->monitor().filePath));
    const auto choice = saveDialog_(Q(kStatisticsExportCaption), folder, QStringLiteral("statistics.csv"),
                                    {QStringLiteral("CSV (*.csv)")});
    if (!choice || choice->path.isEmpty()) return;
    const std::string path = S(QDir::toNativeSeparators(choice->path));
    if (!ExportStatisticsAs(session_->statistics(), path, *this)) return;
    statistics_->showSaved(QStringLiteral("Сохранено: %1").arg(Q(path)));
}

void MainView::watchForLostPort() {
    if (session_->PortLost()) returnTimer_.start();
}

void MainView::checkLostPort() {
    const LineSession::LostPortOffer offer = session_->OfferLostPort();
    if (offer == LineSession::LostPortOffer::KeepWatching) return;
    returnTimer_.stop();
    if (offer == LineSession::LostPortOffer::Reopened) window_->portBox->setCurrentText(Q(session_->PortName()));
}

void MainView::OpenConverterMenu() {
    // Warns when the port is closed; otherwise the menu opens at the pointer.
    if (session_->converter().OpenConverterMenu()) window_->converterMenu->popup(QCursor::pos());
}

void MainView::ShowAbout() { ShowMessage(kAboutCaption, S(MainWindow::AboutText()), MessageIcon::Information); }

void MainView::Shutdown() {
    session_->Shutdown();
    // The monitor and the plan window have no owner; they must not keep the
    // program running alone.
    if (monitor_) monitor_->close();
    if (plan_) plan_->close();
}

void MainView::ShowPlanWindow() {
    if (!plan_) {
        plan_ = std::make_unique<PlanWindow>(*session_, [this] {
            return std::pair{session_->PortName(), S(window_->speedBox->currentText())};
        });
        // Below the main window and the monitor where the screen has room,
        // else above the main window; else where the system puts it.
        const QRect main = window_->frameGeometry();
        int top = main.bottom() + 1;
        if (monitor_ && monitor_->isVisible()) top = std::max(top, monitor_->frameGeometry().bottom() + 1);
        const QScreen* screen = window_->screen();
        const QRect room = screen ? screen->availableGeometry() : QRect();
        constexpr int kTitleBar = 30;  // the frame is not known before the first show
        const int left = std::max(room.left(), std::min(main.left(), room.right() - plan_->width()));
        if (top + plan_->height() + kTitleBar <= room.bottom())
            plan_->move(left, top);
        else if (main.top() - plan_->height() - kTitleBar >= room.top())
            plan_->move(left, main.top() - plan_->height() - kTitleBar);
    }
    plan_->show();
    plan_->raise();
    plan_->activateWindow();
}

// --- View

void MainView::ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information, Q(caption), Q(text),
                    QMessageBox::Ok, window_.get());
    box.exec();
}

bool MainView::AskYesNo(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::Warning, Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No, window_.get());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> MainView::InputQuery(const std::string& caption, const std::string& prompt,
                                                const std::string& initial) {
    QInputDialog dialog(window_.get());
    dialog.setWindowTitle(Q(caption));
    dialog.setLabelText(Q(prompt));
    dialog.setTextValue(Q(initial));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return S(dialog.textValue());
}

void MainView::SetCommandControlsEnabled(bool enabled) {
    // A disabled map loses the keyboard focus; give it back when the command
    // ends so the operator can go on with the function keys.
    if (!enabled && window_->lineMap->hasFocus()) mapHadFocus_ = true;
    window_->converterButton->setEnabled(enabled);
    window_->closeButton->setEnabled(enabled);
    window_->searchButton->setEnabled(enabled);
    window_->lineMap->setEnabled(enabled);
    if (enabled && mapHadFocus_) {
        mapHadFocus_ = false;
        window_->lineMap->setFocus();
    }
}

void MainView::SetPortControlsEnabled(bool enabled) {
    window_->openButton->setEnabled(enabled);
    window_->portBox->setEnabled(enabled);
    window_->speedBox->setEnabled(enabled);
}

void MainView::SetStatusPanel(int panel, const std::string& text) { window_->SetPanelText(panel, Q(text)); }

void MainView::RepaintMap() {
    window_->lineMap->selectIndex(session_->map().SelectedIndex());
    window_->lineMap->update();
}

void MainView::ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) {
    window_->popups->showCard(index, Q(title), Q(text));
}

void MainView::RemoveAllCardPopups() { window_->popups->removeAllCards(); }

void MainView::ShowBalloon(std::uint8_t index, const std::string& title, const std::string& text, Colour colour) {
    window_->popups->showBalloon(index, Q(title), Q(text), ToQColor(colour));
}

void MainView::SetBalloonText(const std::string& text) { window_->popups->setBalloonText(Q(text)); }

void MainView::RemoveBalloon() { window_->popups->removeBalloon(); }

void MainView::ShowSensorPopup(std::uint8_t index, const std::string& text) {
    window_->popups->showSensor(index, Q(text));
}

void MainView::RemoveSensorPopup() { window_->popups->removeSensor(); }

void MainView::OpenCommandMenu(std::uint8_t index) { window_->controllerMenu->popup(window_->IndexScreenPoint(index)); }

void MainView::EventsAdded() { window_->eventList->refresh(); }

void MainView::CountSkippedPopups(std::size_t count) { window_->popups->countSkipped(count); }

void MainView::SetConnection(const Connection& connection) {
    window_->SetConnection(connection);
    // After a loss the map keeps the last-known controllers, greyed.
    window_->lineMap->setStale(connection.state == Connection::State::Lost);
}

void MainView::ShowProgress(const std::string& text) { window_->SetProgress(Q(text)); }

}  // namespace tulex
