#pragma once
// The main window's widgets: the port and converter group boxes, the line
// map, the monitor buttons, the search and stop buttons, the status bar, the
// main menu and the two pop-up menus. Controls keep the session's names. The
// window logic is attached from outside (MainView); this class only builds
// and lays out what the operator sees.

#include <QList>
#include <QMainWindow>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace tulex {

class EventListPanel;
class LineMapWidget;
class PopupHost;
struct Connection;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 692;
    static constexpr int kClientHeight = 324;
    static constexpr int kMapLeft = 8;
    static constexpr int kMapTop = 80;

    explicit MainWindow(const QString& caption, QWidget* parent = nullptr);

    // Screen point of an index's cell anchor (pop-ups and controllerMenu go there).
    QPoint IndexScreenPoint(unsigned char index) const;
    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;
    // The connection indicator: port, speed and open/closed/lost.
    void SetConnection(const Connection& connection);
    static QString ConnectionText(const Connection& connection);
    // A running command's progress in the status bar; empty clears it.
    void SetProgress(const QString& text);
    // Places the window in the middle of its screen.
    void CentreOnScreen();
    // Moves the window up as far as needed (never above the screen's top)
    // so that it ends on the screen: the event list docked below the map
    // makes it taller than where it was centred.
    void KeepOnScreen();

    static QString AboutText();

    // The client area below the menu; control positions are relative to it.
    QWidget* client;

    QGroupBox* portGroup;
    QComboBox* portBox;
    QComboBox* speedBox;
    QPushButton* openButton;
    QPushButton* closeButton;
    QGroupBox* converterGroup;
    QToolButton* converterButton;
    LineMapWidget* lineMap;
    QPushButton* monitorButton;
    QToolButton* pauseButton;
    QToolButton* resumeButton;
    QToolButton* clearButton;
    QToolButton* saveButton;
    QPushButton* searchButton;
    QPushButton* stopButton;
    QStatusBar* statusBar;
    QList<QLabel*> panels;
    QLabel* replyOnlyLabel;   // "только ответ:" before panel 2
    QLabel* progressLabel;    // "Поиск: N из 182"
    QLabel* connectionLabel;  // "COM1, 9600 бит/с: открыт"

    // "События": the event list, docked under the window (hidden at start).
    EventListPanel* eventList;
    QAction* eventsAction;  // "С&обытия" in the menu bar: shows the list

    // The main menu
    QMenu* settingsMenu;  // "&Настройки"
    QAction* readersAction;
    QAction* sensorsAction;
    QAction* onlineAnswerAction;
    QAction* sensorAnswerAction;
    QAction* planAction;        // "&План": the plan window
    QAction* statisticsAction;  // "С&татистика": the per-controller statistics
    QMenu* helpMenu;            // "&Справка"
    QAction* aboutAction;

    // controllerMenu (controller commands); order and separators are fixed.
    QMenu* controllerMenu;
    QAction *checkPresenceAction, *readParametersAction, *changeIndexAction;
    QMenu* presetMenu;
    QAction *presetDoorWithoutSensorAction, *presetDoorWithSensorAction, *presetTurnstileWithoutConfirmationAction,
        *presetTurnstileWithConfirmationAction, *presetRegistrationTerminalAction;
    QMenu* modeMenu;
    QAction *offlineModeAction, *onlineModeAction, *autonomousModeAction, *setMasterCardAction, *readMasterCardAction;
    QMenu* relayTimeMenu;
    QAction *relayTime1Action, *relayTime2Action, *relayTime3Action, *relayTime4Action;
    QAction *memoryTestAction, *lineTestAction;
    QMenu* relayTestMenu;
    QAction *relayTest1Action, *relayTest2Action, *relayTest3Action, *relayTest4Action;
    QAction* rawCommandAction;

    // converterMenu (converter commands)
    QMenu* converterMenu;
    QAction *readConverterAction, *pollRangeAction, *converterCommandAction;

    PopupHost* popups;

signals:
    // The window is closing (Shutdown); it always closes.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void showMapShortcuts();
    void clickEscapeButton();
};

}  // namespace tulex
