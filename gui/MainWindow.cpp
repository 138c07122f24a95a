#include "gui/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <iterator>

#include "app/About.h"
#include "app/StatusTexts.h"
#include "app/View.h"
#include "gui/AppIcon.h"
#include "gui/EventListPanel.h"
#include "gui/Glyphs.h"
#include "gui/LineMapWidget.h"
#include "gui/PopupHost.h"
#include "version/Version.h"

namespace tulex {

namespace {

QToolButton* SpeedButton(QWidget* parent, const QRect& geometry, Glyph glyph, const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setGeometry(geometry);
    button->setAutoRaise(true);  // flat
    // Reached with Tab; a click leaves the focus where it was (on the map).
    button->setFocusPolicy(Qt::TabFocus);
    button->setIcon(GlyphPixmap(glyph));
    button->setIconSize(QSize(20, 20));
    if (!hint.isEmpty()) button->setToolTip(hint);
    return button;
}

QPushButton* PushButton(QWidget* parent, const QRect& geometry, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

QAction* Item(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu* Submenu(QMenu* menu, const char* name, const QString& caption) {
    QMenu* sub = menu->addMenu(caption);
    sub->setObjectName(QLatin1String(name));
    sub->menuAction()->setObjectName(QLatin1String(name));
    return sub;
}

QFont FormFont() {
    // Designed for an 8-point sans serif at 96 dpi (11-pixel characters).
    // Where the Windows face is missing, a narrow face keeps the captions
    // inside their controls.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
                      QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

}  // namespace

MainWindow::MainWindow(const QString& caption, QWidget* parent) : QMainWindow(parent) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(caption);
    setWindowIcon(AppIcon());
    setFont(FormFont());
    buildControls();
    buildMenus();
    // Single border: the window is exactly menu + client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    popups = new PopupHost(this, [this](unsigned char index) { return IndexScreenPoint(index); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &MainWindow::clickEscapeButton);
}

void MainWindow::buildControls() {
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    portGroup = new QGroupBox(QStringLiteral("Управление COM-портом"), client);
    portGroup->setGeometry(8, 8, 337, 65);
    portBox = new QComboBox(portGroup);
    portBox->setObjectName(QStringLiteral("portBox"));
    portBox->setEditable(true);
    portBox->setInsertPolicy(QComboBox::InsertAlphabetically);
    portBox->setGeometry(8, 26, 75, 21);
    portBox->setToolTip(QStringLiteral("Идентификатор COM-порта"));
    speedBox = new QComboBox(portGroup);
    speedBox->setObjectName(QStringLiteral("speedBox"));
    speedBox->setEditable(true);
    speedBox->setInsertPolicy(QComboBox::NoInsert);
    speedBox->setGeometry(88, 26, 81, 21);
    speedBox->setToolTip(QStringLiteral("Скорость COM-порта, бит/с"));
    speedBox->addItems({QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                        QStringLiteral("57600"), QStringLiteral("115200")});
    speedBox->setCurrentIndex(0);
    openButton = PushButton(portGroup, {174, 25, 75, 23}, QStringLiteral("Открыть"));
    openButton->setObjectName(QStringLiteral("openButton"));
    closeButton = PushButton(portGroup, {254, 25, 75, 23}, QStringLiteral("Закрыть"));
    closeButton->setObjectName(QStringLiteral("closeButton"));

    converterGroup = new QGroupBox(QStringLiteral("Управление преобразователем RS232/RS485"), client);
    converterGroup->setGeometry(352, 8, 333, 65);
    converterButton = SpeedButton(converterGroup, {296, 25, 29, 23}, Glyph::ConverterMenu, {});
    converterButton->setObjectName(QStringLiteral("converterButton"));

    lineMap = new LineMapWidget(client);
    lineMap->setObjectName(QStringLiteral("lineMap"));
    lineMap->move(kMapLeft, kMapTop);

    monitorButton = PushButton(client, {8, 272, 75, 23}, QStringLiteral("&Mонитор"));
    monitorButton->setObjectName(QStringLiteral("monitorButton"));
    pauseButton = SpeedButton(client, {88, 272, 23, 23}, Glyph::Pause, QStringLiteral("Монитор: Пауза"));
    pauseButton->setObjectName(QStringLiteral("pauseButton"));
    resumeButton = SpeedButton(client, {112, 272, 23, 23}, Glyph::Start, QStringLiteral("Монитор: Старт"));
    resumeButton->setObjectName(QStringLiteral("resumeButton"));
    resumeButton->setEnabled(false);
    clearButton = SpeedButton(client, {136, 272, 23, 23}, Glyph::Clear, QStringLiteral("Монитор: Очистить"));
    clearButton->setObjectName(QStringLiteral("clearButton"));
    saveButton = SpeedButton(client, {160, 272, 23, 23}, Glyph::Save, QStringLiteral("Монитор: Сохранить в файл"));
    saveButton->setObjectName(QStringLiteral("saveButton"));
    searchButton = PushButton(client, {456, 272, 147, 23}, QStringLiteral("Поиск контроллеров"));
    searchButton->setObjectName(QStringLiteral("searchButton"));
    stopButton = PushButton(client, {610, 272, 75, 23}, QStringLiteral("Остановить"));
    stopButton->setObjectName(QStringLiteral("stopButton"));

    statusBar = new QStatusBar(client);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    statusBar->setSizeGripEnabled(false);
    statusBar->setGeometry(0, 301, kClientWidth, 23);
    const int widths[] = {135, 50, 50};
    const QString texts[] = {QStringLiteral("  Контроллеров в линии:"), QStringLiteral("0"), QStringLiteral("0")};
    const QString hints[] = {QString(), QStringLiteral("в линии"), QStringLiteral("только ответ")};
    replyOnlyLabel = new QLabel(QStringLiteral("только ответ:"), statusBar);
    replyOnlyLabel->setObjectName(QStringLiteral("replyOnlyLabel"));
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(texts[i], statusBar);
        panel->setObjectName(QStringLiteral("statusPanel%1").arg(i));
        panel->setFixedWidth(widths[i]);
        panel->setFrameStyle(i == 0 ? QFrame::NoFrame : QFrame::Panel | QFrame::Sunken);
        panel->setIndent(i == 0 ? 0 : 3);
        panel->setToolTip(hints[i]);
        if (i == 2) statusBar->addWidget(replyOnlyLabel);
        statusBar->addWidget(panel);
        panels.append(panel);
    }
    progressLabel = new QLabel(statusBar);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));
    statusBar->addWidget(progressLabel, 1);
    connectionLabel = new QLabel(statusBar);
    connectionLabel->setObjectName(QStringLiteral("connectionLabel"));
    connectionLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    connectionLabel->setIndent(3);
    statusBar->addPermanentWidget(connectionLabel);
    SetConnection(Connection{});

    // Tab order: the port group, the converter button, the search and stop
    // buttons, the map, the monitor button and the monitor's speed buttons.
    QWidget* const order[] = {portBox,      speedBox,    openButton, closeButton,   converterButton,
                              searchButton, stopButton,  lineMap,    monitorButton, pauseButton,
                              resumeButton, clearButton, saveButton};
    for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    eventList = new EventListPanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, eventList);
    eventList->hide();
    connect(eventList, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        // Once the layout has taken the list in.
        if (visible) QTimer::singleShot(0, this, &MainWindow::KeepOnScreen);
    });
}

void MainWindow::buildMenus() {
    settingsMenu = menuBar()->addMenu(QStringLiteral("&Настройки"));
    settingsMenu->setObjectName(QStringLiteral("settingsMenu"));
    readersAction = Item(settingsMenu, "readersAction", QStringLiteral("&Информация от считывателей"));
    sensorsAction = Item(settingsMenu, "sensorsAction", QStringLiteral("И&нформация от датчиков"));
    onlineAnswerAction = Item(settingsMenu, "onlineAnswerAction", QStringLiteral("&Автоответ в on-line режиме"));
    sensorAnswerAction = Item(settingsMenu, "sensorAnswerAction", QStringLiteral("А&втоответ на посылки датчиков"));
    for (QAction* item : {readersAction, sensorsAction, onlineAnswerAction, sensorAnswerAction})
        item->setCheckable(true);
    readersAction->setChecked(true);
    sensorAnswerAction->setChecked(true);
    planAction = menuBar()->addAction(QStringLiteral("&План"));
    planAction->setObjectName(QStringLiteral("planAction"));
    statisticsAction = menuBar()->addAction(QStringLiteral("С&татистика"));
    statisticsAction->setObjectName(QStringLiteral("statisticsAction"));
    eventsAction = menuBar()->addAction(QStringLiteral("С&обытия"));
    eventsAction->setObjectName(QStringLiteral("eventsAction"));
    connect(eventsAction, &QAction::triggered, this, [this] {
        eventList->show();
        eventList->raise();
    });
    helpMenu = menuBar()->addMenu(QStringLiteral("&Справка"));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    aboutAction = Item(helpMenu, "aboutAction", QStringLiteral("&О программе"));

    controllerMenu = new QMenu(this);
    controllerMenu->setObjectName(QStringLiteral("controllerMenu"));
    checkPresenceAction = Item(controllerMenu, "checkPresenceAction", QStringLiteral("Проверить наличие контроллера"));
    readParametersAction = Item(controllerMenu, "readParametersAction", QStringLiteral("Читать параметры контроллера"));
    changeIndexAction = Item(controllerMenu, "changeIndexAction", QStringLiteral("Изменить индекс контроллера"));
    controllerMenu->addSeparator();
    presetMenu = Submenu(controllerMenu, "presetMenu", QStringLiteral("Задать параметры по стандарту"));
    presetDoorWithoutSensorAction =
        Item(presetMenu, "presetDoorWithoutSensorAction", QStringLiteral("Дверь без датчика положения"));
    presetDoorWithSensorAction =
        Item(presetMenu, "presetDoorWithSensorAction", QStringLiteral("Дверь с датчиком положения"));
    presetTurnstileWithoutConfirmationAction = Item(presetMenu, "presetTurnstileWithoutConfirmationAction",
                                                    QStringLiteral("Турникет без подтверждения прохода"));
    presetTurnstileWithConfirmationAction =
        Item(presetMenu, "presetTurnstileWithConfirmationAction", QStringLiteral("Турникет с подтверждением прохода"));
    presetRegistrationTerminalAction =
        Item(presetMenu, "presetRegistrationTerminalAction", QStringLiteral("Регистрационный терминал"));
    modeMenu = Submenu(controllerMenu, "modeMenu", QStringLiteral("Задать режим работы контроллера"));
    offlineModeAction = Item(modeMenu, "offlineModeAction", QStringLiteral("Off-line режим "));
    onlineModeAction = Item(modeMenu, "onlineModeAction", QStringLiteral("On-line режим "));
    autonomousModeAction = Item(modeMenu, "autonomousModeAction", QStringLiteral("Автономный режим"));
    modeMenu->addSeparator();
    setMasterCardAction = Item(modeMenu, "setMasterCardAction", QStringLiteral("Задать мастер-карту"));
    readMasterCardAction = Item(modeMenu, "readMasterCardAction", QStringLiteral("Читать мастер-карту"));
    relayTimeMenu = Submenu(controllerMenu, "relayTimeMenu", QStringLiteral("Задать время удержания реле"));
    relayTime1Action = Item(relayTimeMenu, "relayTime1Action", QStringLiteral("Реле 1"));
    relayTime2Action = Item(relayTimeMenu, "relayTime2Action", QStringLiteral("Реле 2"));
    relayTime3Action = Item(relayTimeMenu, "relayTime3Action", QStringLiteral("Реле 3"));
    relayTime4Action = Item(relayTimeMenu, "relayTime4Action", QStringLiteral("Реле 4"));
    controllerMenu->addSeparator();
    memoryTestAction = Item(controllerMenu, "memoryTestAction", QStringLiteral("Тест EEPROM-памяти контроллера"));
    lineTestAction = Item(controllerMenu, "lineTestAction", QStringLiteral("Тест линии на замыкание и обрыв"));
    relayTestMenu = Submenu(controllerMenu, "relayTestMenu", QStringLiteral("Тест реле на срабатывание"));
    relayTest1Action = Item(relayTestMenu, "relayTest1Action", QStringLiteral("Реле 1"));
    relayTest2Action = Item(relayTestMenu, "relayTest2Action", QStringLiteral("Реле 2"));
    relayTest3Action = Item(relayTestMenu, "relayTest3Action", QStringLiteral("Реле 3"));
    relayTest4Action = Item(relayTestMenu, "relayTest4Action", QStringLiteral("Реле 4"));
    controllerMenu->addSeparator();
    rawCommandAction = Item(controllerMenu, "rawCommandAction", QStringLiteral("Выполнить команду"));

    showMapShortcuts();

    converterMenu = new QMenu(this);
    converterMenu->setObjectName(QStringLiteral("converterMenu"));
    readConverterAction = Item(converterMenu, "readConverterAction", QStringLiteral("Читать параметры"));
    converterMenu->addSeparator();
    pollRangeAction = Item(converterMenu, "pollRangeAction", QStringLiteral("Изменить диапазон опроса"));
    converterMenu->addSeparator();
    converterCommandAction = Item(converterMenu, "converterCommandAction", QStringLiteral("Выполнить команду"));
}

void MainWindow::showMapShortcuts() {
    // The map's function keys beside their items. A held key and a digit
    // (F4 and 1) reads "F4, 1". The keys act on the map (app/MapShortcuts);
    // here they only show, and work the same while the menu is open.
    const auto show = [](QAction* action, const QKeySequence& keys) {
        action->setShortcut(keys);
        action->setShortcutVisibleInContextMenu(true);
    };
    show(checkPresenceAction, Qt::Key_F1);
    show(readParametersAction, Qt::Key_F2);
    show(changeIndexAction, Qt::Key_F3);
    show(memoryTestAction, Qt::Key_F7);
    show(lineTestAction, Qt::Key_F8);
    show(rawCommandAction, Qt::Key_F10);
    const auto held = [&show](int functionKey, const QList<QAction*>& actions) {
        for (int i = 0; i < actions.size(); ++i) show(actions[i], QKeySequence(functionKey, Qt::Key_1 + i));
    };
    held(Qt::Key_F4,
         {presetDoorWithoutSensorAction, presetDoorWithSensorAction, presetTurnstileWithoutConfirmationAction,
          presetTurnstileWithConfirmationAction, presetRegistrationTerminalAction});
    held(Qt::Key_F5,
         {offlineModeAction, onlineModeAction, autonomousModeAction, setMasterCardAction, readMasterCardAction});
    held(Qt::Key_F6, {relayTime1Action, relayTime2Action, relayTime3Action, relayTime4Action});
    held(Qt::Key_F9, {relayTest1Action, relayTest2Action, relayTest3Action, relayTest4Action});
}

QPoint MainWindow::IndexScreenPoint(unsigned char index) const {
    return client->mapToGlobal(LineMapWidget::CellAnchor(index, kMapLeft, kMapTop));
}

void MainWindow::SetPanelText(int panel, const QString& text) {
    if (panel >= 0 && panel < panels.size()) panels[panel]->setText(text);
}

QString MainWindow::PanelText(int panel) const {
    return panel >= 0 && panel < panels.size() ? panels[panel]->text() : QString();
}

QString MainWindow::ConnectionText(const Connection& connection) {
    return QString::fromStdString(tulex::ConnectionText(connection));
}

void MainWindow::SetConnection(const Connection& connection) {
    connectionLabel->setText(ConnectionText(connection));
    connectionLabel->setProperty("state", static_cast<int>(connection.state));
    // Lost stands out in the failure colour.
    connectionLabel->setStyleSheet(connection.state == Connection::State::Lost
                                       ? QStringLiteral("QLabel { color: rgb(170, 0, 0); font-weight: bold; }")
                                       : QString());
}

void MainWindow::SetProgress(const QString& text) { progressLabel->setText(text); }

void MainWindow::CentreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QSize size = sizeHint();
    move(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
}

void MainWindow::KeepOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen || isMinimized()) return;
    const QRect available = screen->availableGeometry();
    const QRect frame = frameGeometry();
    const int overflow = frame.bottom() - available.bottom();
    if (overflow <= 0) return;
    move(frame.left(), std::max(available.top(), frame.top() - overflow));
}

QString MainWindow::AboutText() { return QString::fromStdString(tulex::AboutText()); }

void MainWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    event->accept();
}

void MainWindow::clickEscapeButton() {
    // Both the search and the stop button are cancel buttons: the first that is
    // enabled takes the Escape key.
    if (searchButton->isEnabled()) {
        searchButton->click();
    } else if (stopButton->isEnabled()) {
        stopButton->click();
    }
}

}  // namespace tulex
