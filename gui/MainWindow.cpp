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
#include <QToolButton>

#include "gui/Glyphs.h"
#include "gui/LineMapWidget.h"
#include "gui/PopupHost.h"

namespace tulex {

namespace {

QToolButton* SpeedButton(QWidget* parent, const QRect& geometry, Glyph glyph, const QString& hint) {
  auto* button = new QToolButton(parent);
  button->setGeometry(geometry);
  button->setAutoRaise(true);  // flat
  button->setFocusPolicy(Qt::NoFocus);
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
  setWindowIcon(WindowIcon());
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

  GroupBox1 = new QGroupBox(QStringLiteral("Управление COM-портом"), client);
  GroupBox1->setGeometry(8, 8, 337, 65);
  ComboBox1 = new QComboBox(GroupBox1);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::InsertAlphabetically);
  ComboBox1->setGeometry(8, 26, 75, 21);
  ComboBox1->setToolTip(QStringLiteral("Идентификатор COM-порта"));
  ComboBox2 = new QComboBox(GroupBox1);
  ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
  ComboBox2->setEditable(true);
  ComboBox2->setInsertPolicy(QComboBox::NoInsert);
  ComboBox2->setGeometry(88, 26, 81, 21);
  ComboBox2->setToolTip(QStringLiteral("Скорость COM-порта, бит/с"));
  ComboBox2->addItems({QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                       QStringLiteral("57600"), QStringLiteral("115200")});
  ComboBox2->setCurrentIndex(0);
  Button1 = PushButton(GroupBox1, {174, 25, 75, 23}, QStringLiteral("Открыть"));
  Button1->setObjectName(QStringLiteral("Button1"));
  Button2 = PushButton(GroupBox1, {254, 25, 75, 23}, QStringLiteral("Закрыть"));
  Button2->setObjectName(QStringLiteral("Button2"));

  GroupBox2 = new QGroupBox(QStringLiteral("Управление преобразователем RS232/RS485"), client);
  GroupBox2->setGeometry(352, 8, 333, 65);
  SpeedButton5 = SpeedButton(GroupBox2, {296, 25, 29, 23}, Glyph::ConverterMenu, {});
  SpeedButton5->setObjectName(QStringLiteral("SpeedButton5"));

  Map = new LineMapWidget(client);
  Map->setObjectName(QStringLiteral("Map"));
  Map->move(kMapLeft, kMapTop);

  Button6 = PushButton(client, {8, 272, 75, 23}, QStringLiteral("&Mонитор"));
  Button6->setObjectName(QStringLiteral("Button6"));
  SpeedButton1 = SpeedButton(client, {88, 272, 23, 23}, Glyph::Pause, QStringLiteral("Монитор: Пауза"));
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton2 = SpeedButton(client, {112, 272, 23, 23}, Glyph::Start, QStringLiteral("Монитор: Старт"));
  SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
  SpeedButton2->setEnabled(false);
  SpeedButton3 = SpeedButton(client, {136, 272, 23, 23}, Glyph::Clear, QStringLiteral("Монитор: Очистить"));
  SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
  SpeedButton4 = SpeedButton(client, {160, 272, 23, 23}, Glyph::Save, QStringLiteral("Монитор: Сохранить в файл"));
  SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
  Button4 = PushButton(client, {456, 272, 147, 23}, QStringLiteral("Поиск контроллеров"));
  Button4->setObjectName(QStringLiteral("Button4"));
  Button5 = PushButton(client, {610, 272, 75, 23}, QStringLiteral("Остановить"));
  Button5->setObjectName(QStringLiteral("Button5"));

  StatusBar1 = new QStatusBar(client);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setGeometry(0, 301, kClientWidth, 23);
  const int widths[] = {135, 50, 50};
  const QString texts[] = {QStringLiteral("  Контроллеров в линии:"), QStringLiteral("0"), QStringLiteral("0")};
  for (int i = 0; i < 3; ++i) {
    auto* panel = new QLabel(texts[i], StatusBar1);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i));
    panel->setFixedWidth(widths[i]);
    panel->setFrameStyle(i == 0 ? QFrame::NoFrame : QFrame::Panel | QFrame::Sunken);
    panel->setIndent(i == 0 ? 0 : 3);
    StatusBar1->addWidget(panel);
    panels.append(panel);
  }

  // Tab order: the port group, the search and stop buttons, the map, the
  // monitor button. Speed buttons take no focus.
  QWidget::setTabOrder(ComboBox1, ComboBox2);
  QWidget::setTabOrder(ComboBox2, Button1);
  QWidget::setTabOrder(Button1, Button2);
  QWidget::setTabOrder(Button2, Button4);
  QWidget::setTabOrder(Button4, Button5);
  QWidget::setTabOrder(Button5, Map);
  QWidget::setTabOrder(Map, Button6);
}

void MainWindow::buildMenus() {
  N5 = menuBar()->addMenu(QStringLiteral("&Настройки"));
  N5->setObjectName(QStringLiteral("N5"));
  N9 = Item(N5, "N9", QStringLiteral("&Информация от считывателей"));
  N17 = Item(N5, "N17", QStringLiteral("И&нформация от датчиков"));
  online2 = Item(N5, "online2", QStringLiteral("&Автоответ в on-line режиме"));
  N10 = Item(N5, "N10", QStringLiteral("А&втоответ на посылки датчиков"));
  for (QAction* item : {N9, N17, online2, N10}) item->setCheckable(true);
  N9->setChecked(true);
  N10->setChecked(true);
  N3 = menuBar()->addMenu(QStringLiteral("&Справка"));
  N3->setObjectName(QStringLiteral("N3"));
  N4 = Item(N3, "N4", QStringLiteral("&О программе"));

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  N11 = Item(PopupMenu1, "N11", QStringLiteral("Проверить наличие контроллера"));
  N31 = Item(PopupMenu1, "N31", QStringLiteral("Читать параметры контроллера"));
  N21 = Item(PopupMenu1, "N21", QStringLiteral("Изменить индекс контроллера"));
  PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N16"));
  N6 = Submenu(PopupMenu1, "N6", QStringLiteral("Задать параметры по стандарту"));
  N7 = Item(N6, "N7", QStringLiteral("Дверь без датчика положения"));
  N23 = Item(N6, "N23", QStringLiteral("Дверь с датчиком положения"));
  N8 = Item(N6, "N8", QStringLiteral("Турникет без подтверждения прохода"));
  N20 = Item(N6, "N20", QStringLiteral("Турникет с подтверждением прохода"));
  N25 = Item(N6, "N25", QStringLiteral("Регистрационный терминал"));
  N12 = Submenu(PopupMenu1, "N12", QStringLiteral("Задать режим работы контроллера"));
  Offline1 = Item(N12, "Offline1", QStringLiteral("Off-line режим "));
  Online1 = Item(N12, "Online1", QStringLiteral("On-line режим "));
  N13 = Item(N12, "N13", QStringLiteral("Автономный режим"));
  N12->addSeparator()->setObjectName(QStringLiteral("N27"));
  N28 = Item(N12, "N28", QStringLiteral("Задать мастер-карту"));
  N29 = Item(N12, "N29", QStringLiteral("Читать мастер-карту"));
  N14 = Submenu(PopupMenu1, "N14", QStringLiteral("Задать время удержания реле"));
  N15 = Item(N14, "N15", QStringLiteral("Реле 1"));
  N22 = Item(N14, "N22", QStringLiteral("Реле 2"));
  N32 = Item(N14, "N32", QStringLiteral("Реле 3"));
  N42 = Item(N14, "N42", QStringLiteral("Реле 4"));
  PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N30"));
  N41 = Item(PopupMenu1, "N41", QStringLiteral("Тест EEPROM-памяти контроллера"));
  N1 = Item(PopupMenu1, "N1", QStringLiteral("Тест линии на замыкание и обрыв"));
  N2 = Submenu(PopupMenu1, "N2", QStringLiteral("Тест реле на срабатывание"));
  N110 = Item(N2, "N110", QStringLiteral("Реле 1"));
  N24 = Item(N2, "N24", QStringLiteral("Реле 2"));
  N33 = Item(N2, "N33", QStringLiteral("Реле 3"));
  N43 = Item(N2, "N43", QStringLiteral("Реле 4"));
  PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N18"));
  N26 = Item(PopupMenu1, "N26", QStringLiteral("Выполнить команду"));

  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
  N19 = Item(PopupMenu2, "N19", QStringLiteral("Читать параметры"));
  PopupMenu2->addSeparator()->setObjectName(QStringLiteral("N36"));
  N34 = Item(PopupMenu2, "N34", QStringLiteral("Изменить диапазон опроса"));
  PopupMenu2->addSeparator()->setObjectName(QStringLiteral("N37"));
  N35 = Item(PopupMenu2, "N35", QStringLiteral("Выполнить команду"));
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

void MainWindow::CentreOnScreen() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QSize size = sizeHint();
  move(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
}

QString MainWindow::AboutText() {
  return QStringLiteral("ТУЛЕКС 1.8\n\nРазработка: команда ТУЛЕКС");
}

void MainWindow::closeEvent(QCloseEvent* event) {
  emit closing();
  event->accept();
}

void MainWindow::clickEscapeButton() {
  // Both the search and the stop button are cancel buttons: the first that is
  // enabled takes the Escape key.
  if (Button4->isEnabled()) {
    Button4->click();
  } else if (Button5->isEnabled()) {
    Button5->click();
  }
}

}  // namespace tulex
