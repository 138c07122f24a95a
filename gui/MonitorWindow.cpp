#include "gui/MonitorWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "display/MonitorLineKind.h"
#include "gui/MonitorView.h"
#include "line/Cp1251.h"
#include "line/Frame.h"

namespace tulex {

namespace {

QToolButton* ToolButton(QWidget* parent, const QString& text, const QString& hint, const char* name) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(hint);
    button->setObjectName(QLatin1String(name));
    return button;
}

}  // namespace

MonitorWindow::MonitorWindow(const MonitorLineStore* store)
    : QWidget(nullptr),
      view_(new MonitorView(this)),
      searchEdit_(new QLineEdit(this)),
      findPrevious_(ToolButton(this, QStringLiteral("▲"), QStringLiteral("Найти выше (Shift+F3)"), "findPrevious")),
      findNext_(ToolButton(this, QStringLiteral("▼"), QStringLiteral("Найти ниже (F3)"), "findNext")),
      kindButton_(ToolButton(this, QStringLiteral("Кадры"), QStringLiteral("Какие строки показывать"), "kinds")),
      indexEdit_(new QLineEdit(this)),
      milliseconds_(new QCheckBox(QStringLiteral("Миллисекунды"), this)),
      saved_(new QLabel(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Title(false));

    searchEdit_->setObjectName(QStringLiteral("search"));
    searchEdit_->setPlaceholderText(QStringLiteral("Найти (Ctrl+F)"));
    searchEdit_->setClearButtonEnabled(true);
    indexEdit_->setObjectName(QStringLiteral("indexFilter"));
    indexEdit_->setPlaceholderText(QStringLiteral("все"));
    indexEdit_->setToolTip(QStringLiteral("Только строки контроллера с этим индексом (G, Ж или 0xHH)"));
    indexEdit_->setMaximumWidth(60);
    milliseconds_->setObjectName(QStringLiteral("milliseconds"));
    milliseconds_->setToolTip(QStringLiteral("Время строк с миллисекундами (на экране и в сохранённом файле)"));
    saved_->setObjectName(QStringLiteral("saved"));
    saved_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    saved_->hide();

    auto* kindMenu = new QMenu(kindButton_);
    const QString kindNames[] = {QStringLiteral("Отправленные"),
                                 QStringLiteral("Принятые"),
                                 QStringLiteral("OK/ERROR"),
                                 QStringLiteral("Карты"),
                                 QStringLiteral("Датчики"),
                                 QStringLiteral("TIMEOUT"),
                                 QStringLiteral("Прочие (порт, пауза, CANCEL)")};
    for (std::size_t k = 0; k < kinds_.size(); ++k) {
        kinds_[k] = kindMenu->addAction(kindNames[k]);
        kinds_[k]->setCheckable(true);
        kinds_[k]->setChecked(true);
        kinds_[k]->setData(1 << k);
        connect(kinds_[k], &QAction::toggled, this, &MonitorWindow::applyFilter);
    }
    kindButton_->setMenu(kindMenu);
    kindButton_->setPopupMode(QToolButton::InstantPopup);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    bar->addWidget(searchEdit_, 1);
    bar->addWidget(findPrevious_);
    bar->addWidget(findNext_);
    bar->addSpacing(12);
    bar->addWidget(kindButton_);
    bar->addWidget(new QLabel(QStringLiteral("Индекс:"), this));
    bar->addWidget(indexEdit_);
    bar->addSpacing(12);
    bar->addWidget(milliseconds_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(view_, 1);
    layout->addWidget(saved_);
    view_->setFont(MonitorFont());
    view_->setStore(store);

    connect(searchEdit_, &QLineEdit::textChanged, view_, &MonitorView::setSearchText);
    connect(searchEdit_, &QLineEdit::returnPressed, view_, [this] { view_->findNext(true); });
    connect(findNext_, &QToolButton::clicked, view_, [this] { view_->findNext(true); });
    connect(findPrevious_, &QToolButton::clicked, view_, [this] { view_->findNext(false); });
    connect(view_, &MonitorView::searchFound, this, [this](bool found) {
        searchEdit_->setStyleSheet(found || searchEdit_->text().isEmpty() ? QString()
                                                                          : QStringLiteral("background: #ffd0d0"));
    });
    connect(indexEdit_, &QLineEdit::textChanged, this, &MonitorWindow::applyFilter);
    connect(milliseconds_, &QCheckBox::toggled, this, [this](bool on) {
        emit millisecondsToggled(on);
        view_->restyle();
    });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        searchEdit_->setFocus();
        searchEdit_->selectAll();
    });
    auto* next = new QShortcut(QKeySequence::FindNext, this);
    connect(next, &QShortcut::activated, view_, [this] { view_->findNext(true); });
    auto* previous = new QShortcut(QKeySequence::FindPrevious, this);
    connect(previous, &QShortcut::activated, view_, [this] { view_->findNext(false); });
}

std::optional<unsigned char> MonitorWindow::ParseIndex(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    if (t.size() == 4 && t.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        bool ok = false;
        const int value = t.mid(2).toInt(&ok, 16);
        return ok && IsIndexByte(static_cast<std::uint8_t>(value)) ? static_cast<unsigned char>(value) : 0;
    }
    const auto bytes = Utf8ToCp1251(t.toStdString());
    if (!bytes || bytes->size() != 1) return 0;
    const auto index = static_cast<std::uint8_t>((*bytes)[0]);
    return IsIndexByte(index) ? index : 0;
}

void MonitorWindow::applyFilter() {
    MonitorFilter filter;
    filter.kinds = 0;
    for (QAction* kind : kinds_)
        if (kind->isChecked()) filter.kinds |= static_cast<std::uint8_t>(kind->data().toInt());
    const auto index = ParseIndex(indexEdit_->text());
    // A text that is no index filters nothing and says so.
    indexEdit_->setStyleSheet(index && *index == 0 ? QStringLiteral("background: #ffd0d0") : QString());
    filter.index = index ? *index : 0;
    const bool all = filter.kinds == kAllMonitorLineKinds;
    kindButton_->setText(all ? QStringLiteral("Кадры") : QStringLiteral("Кадры*"));
    view_->setFilter(filter);
}

QString MonitorWindow::Title(bool paused) {
    return paused ? QStringLiteral("ТУЛЕКС Монитор (ПАУЗА)") : QStringLiteral("ТУЛЕКС Монитор");
}

QFont MonitorWindow::MonitorFont() {
    QFont font(QStringLiteral("Lucida Console"));
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    if (QFontInfo(font).family() != QLatin1String("Lucida Console")) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(13);
        font.setStyleHint(QFont::Monospace);
        font.setFixedPitch(true);
    }
    return font;
}

void MonitorWindow::showBelow(const QWidget* owner) {
    if (owner) {
        const QRect frame = owner->frameGeometry();
        // The frame of this window is not known before it is shown; take the
        // owner's decoration sizes as the best guess.
        const int decorationWidth = frame.width() - owner->width();
        const int decorationHeight = frame.height() - owner->geometry().height();
        resize(std::max(100, frame.width() - decorationWidth), std::max(50, kHeight - decorationHeight));
        move(frame.left(), frame.bottom() + 1);
    } else {
        resize(692, kHeight);
    }
    show();
}

void MonitorWindow::restore() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MonitorWindow::setPaused(bool paused) { setWindowTitle(Title(paused)); }

void MonitorWindow::setMilliseconds(bool on) {
    const QSignalBlocker block(milliseconds_);
    milliseconds_->setChecked(on);
}

void MonitorWindow::showSaved(const QString& text) {
    saved_->setText(text);
    saved_->setVisible(!text.isEmpty());
}

void MonitorWindow::closeEvent(QCloseEvent* event) {
    emit closed();
    QWidget::closeEvent(event);
}

}  // namespace tulex
