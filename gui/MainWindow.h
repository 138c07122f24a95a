#pragma once
// The main window's widgets: the port and converter group boxes, the line
// map, the monitor buttons, the search and stop buttons, the status bar, the
// main menu and the two pop-up menus. Controls keep the form's names. The
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

class LineMapWidget;
class PopupHost;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 692;
  static constexpr int kClientHeight = 324;
  static constexpr int kMapLeft = 8;
  static constexpr int kMapTop = 80;

  explicit MainWindow(const QString& caption, QWidget* parent = nullptr);

  // Screen point of an index's cell anchor (pop-ups and PopupMenu1 go there).
  QPoint IndexScreenPoint(unsigned char index) const;
  void SetPanelText(int panel, const QString& text);
  QString PanelText(int panel) const;
  // Places the window in the middle of its screen.
  void CentreOnScreen();

  static QString AboutText();

  // The client area below the menu; control positions are relative to it.
  QWidget* client;

  QGroupBox* GroupBox1;
  QComboBox* ComboBox1;
  QComboBox* ComboBox2;
  QPushButton* Button1;
  QPushButton* Button2;
  QGroupBox* GroupBox2;
  QToolButton* SpeedButton5;
  LineMapWidget* Map;
  QPushButton* Button6;
  QToolButton* SpeedButton1;
  QToolButton* SpeedButton2;
  QToolButton* SpeedButton3;
  QToolButton* SpeedButton4;
  QPushButton* Button4;
  QPushButton* Button5;
  QStatusBar* StatusBar1;
  QList<QLabel*> panels;

  // MainMenu1
  QMenu* N5;  // "&Настройки"
  QAction* N9;
  QAction* N17;
  QAction* online2;
  QAction* N10;
  QMenu* N3;  // "&Справка"
  QAction* N4;

  // PopupMenu1 (controller commands); order and separators are fixed.
  QMenu* PopupMenu1;
  QAction *N11, *N31, *N21;
  QMenu* N6;
  QAction *N7, *N23, *N8, *N20, *N25;
  QMenu* N12;
  QAction *Offline1, *Online1, *N13, *N28, *N29;
  QMenu* N14;
  QAction *N15, *N22, *N32, *N42;
  QAction *N41, *N1;
  QMenu* N2;
  QAction *N110, *N24, *N33, *N43;
  QAction* N26;

  // PopupMenu2 (converter commands)
  QMenu* PopupMenu2;
  QAction *N19, *N34, *N35;

  PopupHost* popups;

 signals:
  // The window is closing (FormClose); it always closes.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void buildMenus();
  void clickEscapeButton();
};

}  // namespace tulex
