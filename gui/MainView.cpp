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

#include "app/ControllerCommands.h"
#include "app/ConverterCommands.h"
#include "app/TForm1.h"
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

std::size_t TPListStore::count() const { return list_.Count(); }
std::string TPListStore::line(std::size_t i) const { return list_.Line(i); }
std::uint64_t TPListStore::generation() const { return list_.Generation(); }

MainView::MainView(const QStringList& arguments) : dispatcher_(std::make_unique<QtDispatcher>()) {
  form_ = std::make_unique<TForm1>(*this, *dispatcher_);
  form_->FormCreate(ProgramArguments(arguments));
  window_ = std::make_unique<MainWindow>(Q(form_->Caption()));
  store_ = std::make_unique<TPListStore>(form_->monitor);
  window_->Map->setSetsProvider([this] {
    const TMap::Snapshot snapshot = form_->map.Take();
    return MapSets{snapshot.present, snapshot.replyOnly};
  });
  window_->Map->selectIndex(form_->map.SelectedIndex());
  connectControls();
  connectCommands();
  fillPortList();
}

MainView::~MainView() {
  // Shut the logic down while the widgets still exist (FormClose reaches the
  // pop-ups); from then on nothing queued reaches them. The form's
  // destruction waits for its threads; the widgets outlive it.
  form_->FormClose();
  dispatcher_->BeginShutdown();
  window_->Map->setSetsProvider({});
  if (monitor_) delete monitor_.data();
  form_.reset();
}

void MainView::fillPortList() {
  std::vector<std::string> names = form_->FillPortList();
  std::sort(names.begin(), names.end());  // the port box's list is sorted as text
  QComboBox* box = window_->ComboBox1;
  box->clear();
  for (const std::string& name : names) box->addItem(Q(name));
  if (box->count() > 0) box->setCurrentIndex(0);
}

void MainView::connectControls() {
  MainWindow& w = *window_;
  connect(w.Button1, &QPushButton::clicked, this, [this] {
    form_->Button1Click(S(window_->ComboBox1->currentText()), S(window_->ComboBox2->currentText()));
  });
  connect(w.Button2, &QPushButton::clicked, this, [this] { form_->Button2Click(); });
  connect(w.Button5, &QPushButton::clicked, this, [this] { form_->Button5Click(); });
  connect(w.Button6, &QPushButton::clicked, this, &MainView::Button6Click);
  connect(w.SpeedButton1, &QToolButton::clicked, this, &MainView::SpeedButton1Click);
  connect(w.SpeedButton2, &QToolButton::clicked, this, &MainView::SpeedButton2Click);
  connect(w.SpeedButton3, &QToolButton::clicked, this, &MainView::SpeedButton3Click);
  connect(w.SpeedButton4, &QToolButton::clicked, this, &MainView::SpeedButton4Click);
  connect(w.SpeedButton5, &QToolButton::clicked, this, &MainView::SpeedButton5Click);
  connect(w.N4, &QAction::triggered, this, &MainView::N4Click);

  // The four settings are read by the receive thread when they matter.
  connect(w.N9, &QAction::toggled, this, [this](bool on) { form_->settings.readers = on; });
  connect(w.N17, &QAction::toggled, this, [this](bool on) { form_->settings.sensors = on; });
  connect(w.online2, &QAction::toggled, this, [this](bool on) { form_->settings.onlineAnswer = on; });
  connect(w.N10, &QAction::toggled, this, [this](bool on) { form_->settings.sensorAnswer = on; });
  form_->settings.readers = w.N9->isChecked();
  form_->settings.sensors = w.N17->isChecked();
  form_->settings.onlineAnswer = w.online2->isChecked();
  form_->settings.sensorAnswer = w.N10->isChecked();

  connect(w.Map, &LineMapWidget::selectedIndexChanged, this,
          [this](unsigned char index) { form_->map.SelectIndex(index); });
  connect(w.Map, &LineMapWidget::cellClicked, this, [this] { form_->MapClick(); });
  connect(w.Map, &LineMapWidget::cellDoubleClicked, this, [this] { form_->MapDoubleClick(); });
  connect(w.Map, &LineMapWidget::shortcutPressed, this, [this](const QList<int>& path) {
    // The shortcuts work only with the port open, and reach the same handler
    // as the PopupMenu1 item at their position.
    if (!form_->IsPortOpen() || path.isEmpty()) return;
    form_->controller().InvokeMenuItem(path[0], path.size() > 1 ? path[1] : -1);
  });
  connect(&w, &MainWindow::closing, this, &MainView::FormClose);
}

void MainView::connectCommands() {
  MainWindow& w = *window_;
  ControllerCommands& c = form_->controller();
  const std::pair<QAction*, void (ControllerCommands::*)()> items[] = {
      {w.N11, &ControllerCommands::N11Click},           {w.N31, &ControllerCommands::N31Click},
      {w.N21, &ControllerCommands::N21Click},           {w.N7, &ControllerCommands::N7Click},
      {w.N23, &ControllerCommands::N23Click},           {w.N8, &ControllerCommands::N8Click},
      {w.N20, &ControllerCommands::N20Click},           {w.N25, &ControllerCommands::N25Click},
      {w.Offline1, &ControllerCommands::Offline1Click}, {w.Online1, &ControllerCommands::Online1Click},
      {w.N13, &ControllerCommands::N13Click},           {w.N28, &ControllerCommands::N28Click},
      {w.N29, &ControllerCommands::N29Click},           {w.N15, &ControllerCommands::N15Click},
      {w.N22, &ControllerCommands::N22Click},           {w.N32, &ControllerCommands::N32Click},
      {w.N42, &ControllerCommands::N42Click},           {w.N41, &ControllerCommands::N41Click},
      {w.N1, &ControllerCommands::N1Click},             {w.N110, &ControllerCommands::N110Click},
      {w.N24, &ControllerCommands::N24Click},           {w.N33, &ControllerCommands::N33Click},
      {w.N43, &ControllerCommands::N43Click},           {w.N26, &ControllerCommands::N26Click},
  };
  for (const auto& [action, handler] : items) {
    connect(action, &QAction::triggered, this, [&c, handler = handler] { (c.*handler)(); });
  }
  connect(w.Button4, &QPushButton::clicked, this, [&c] { c.Button4Click(); });

  ConverterCommands& conv = form_->converter();
  connect(w.N19, &QAction::triggered, this, [&conv] { conv.N19Click(); });
  connect(w.N34, &QAction::triggered, this, [&conv] { conv.N34Click(); });
  connect(w.N35, &QAction::triggered, this, [&conv] { conv.N35Click(); });
}

void MainView::OpenPort(const QString& name, const QString& speed) {
  window_->ComboBox1->setCurrentText(name);
  if (!speed.isEmpty()) window_->ComboBox2->setCurrentText(speed);
  window_->Button1->click();
}

// --- monitor

void MainView::Button6Click() {
  if (monitor_) {
    monitor_->restore();
    return;
  }
  form_->monitor.SetWindowExists(true);  // a new window starts empty
  monitor_ = new MonitorWindow(store_.get());
  monitor_->setPaused(form_->monitor.Paused());
  connect(monitor_, &MonitorWindow::closed, this, [this] { form_->monitor.SetWindowExists(false); });
  monitor_->showBelow(window_.get());
}

void MainView::SpeedButton1Click() {
  if (!monitor_) return;
  form_->monitor.Pause();
  window_->SpeedButton2->setEnabled(true);
  window_->SpeedButton1->setEnabled(false);
  monitor_->setPaused(true);
}

void MainView::SpeedButton2Click() {
  if (!monitor_) return;
  form_->monitor.Start();
  window_->SpeedButton1->setEnabled(true);
  window_->SpeedButton2->setEnabled(false);
  monitor_->setPaused(false);
}

void MainView::SpeedButton3Click() {
  if (monitor_) form_->monitor.Clear();
}

void MainView::SpeedButton4Click() {
  if (!monitor_) return;
  const auto path = InputQuery("Сохранить как...", "Путь к файлу:", form_->monitor.filePath);
  if (!path) return;
  form_->monitor.filePath = *path;  // as typed
  TPList::SaveDialogs dialogs;
  dialogs.askYesNo = [this](const std::string& caption, const std::string& text) { return AskYesNo(caption, text); };
  dialogs.warn = [this](const std::string& caption, const std::string& text) {
    ShowMessage(caption, text, MessageIcon::Warning);
  };
  form_->monitor.SaveToFile(*path, dialogs);
}

void MainView::SpeedButton5Click() {
  // Warns when the port is closed; otherwise the menu opens at the pointer.
  if (form_->converter().SpeedButton5Click()) window_->PopupMenu2->popup(QCursor::pos());
}

void MainView::N4Click() {
  ShowMessage("О программе ТУЛЕКС", S(MainWindow::AboutText()), MessageIcon::Information);
}

void MainView::FormClose() {
  form_->FormClose();
  // The monitor has no owner; it must not keep the program running alone.
  if (monitor_) monitor_->close();
}

// --- View

void MainView::ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information, Q(caption),
                  Q(text), QMessageBox::Ok, window_.get());
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
  if (!enabled && window_->Map->hasFocus()) mapHadFocus_ = true;
  window_->SpeedButton5->setEnabled(enabled);
  window_->Button2->setEnabled(enabled);
  window_->Button4->setEnabled(enabled);
  window_->Map->setEnabled(enabled);
  if (enabled && mapHadFocus_) {
    mapHadFocus_ = false;
    window_->Map->setFocus();
  }
}

void MainView::SetPortControlsEnabled(bool enabled) {
  window_->Button1->setEnabled(enabled);
  window_->ComboBox1->setEnabled(enabled);
  window_->ComboBox2->setEnabled(enabled);
}

void MainView::SetStatusPanel(int panel, const std::string& text) { window_->SetPanelText(panel, Q(text)); }

void MainView::RepaintMap() {
  window_->Map->selectIndex(form_->map.SelectedIndex());
  window_->Map->update();
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

void MainView::OpenCommandMenu(std::uint8_t index) { window_->PopupMenu1->popup(window_->IndexScreenPoint(index)); }

}  // namespace tulex
