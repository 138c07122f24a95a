#include "gui/MainView.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>

#include "app/About.h"
#include "app/ControllerCommands.h"
#include "app/ConverterCommands.h"
#include "app/LineSession.h"
#include "app/MonitorSave.h"
#include "gui/CommandLine.h"
#include "gui/LineMapWidget.h"
#include "gui/MainWindow.h"
#include "gui/MonitorWindow.h"
#include "gui/PopupHost.h"
#include "gui/QtDispatcher.h"

namespace tulex {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

QColor ToQColor(Colour c) { return QColor(c.r, c.g, c.b); }

}  // namespace

std::size_t TrafficLogStore::count() const { return list_.Count(); }
std::string TrafficLogStore::line(std::size_t i) const { return list_.Line(i); }
std::uint64_t TrafficLogStore::generation() const { return list_.Generation(); }

MainView::MainView(const QStringList& arguments) : dispatcher_(std::make_unique<QtDispatcher>()) {
    session_ = std::make_unique<LineSession>(*this, *dispatcher_);
    session_->Start(ProgramArguments(arguments));
    window_ = std::make_unique<MainWindow>(Q(session_->Caption()));
    store_ = std::make_unique<TrafficLogStore>(session_->monitor());
    window_->lineMap->setSetsProvider([this] {
        const LineMap::Snapshot snapshot = session_->map().Take();
        return MapSets{snapshot.present, snapshot.replyOnly};
    });
    window_->lineMap->selectIndex(session_->map().SelectedIndex());
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
    window_->lineMap->setSetsProvider({});
    if (monitor_) delete monitor_.data();
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
    connect(monitor_, &MonitorWindow::closed, this, [this] { session_->monitor().SetWindowExists(false); });
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
    if (monitor_) session_->monitor().Clear();
}

void MainView::SaveMonitor() {
    if (monitor_) tulex::SaveMonitor(session_->monitor(), *this);
}

void MainView::OpenConverterMenu() {
    // Warns when the port is closed; otherwise the menu opens at the pointer.
    if (session_->converter().OpenConverterMenu()) window_->converterMenu->popup(QCursor::pos());
}

void MainView::ShowAbout() { ShowMessage(kAboutCaption, S(MainWindow::AboutText()), MessageIcon::Information); }

void MainView::Shutdown() {
    session_->Shutdown();
    // The monitor has no owner; it must not keep the program running alone.
    if (monitor_) monitor_->close();
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

}  // namespace tulex
