#include "gui/LineMapWidget.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <array>
#include <vector>

#include "app/MapShortcuts.h"
#include "line/Cp1251.h"

namespace tulex {

namespace {

const QColor kGridLine{192, 192, 192};

int FunctionKeyNumber(int key) { return key >= Qt::Key_F1 && key <= Qt::Key_F10 ? key - Qt::Key_F1 + 1 : 0; }

bool IsHoldableKey(int fkey) { return fkey == 4 || fkey == 5 || fkey == 6 || fkey == 9; }

}  // namespace

LineMapWidget::LineMapWidget(QWidget* parent) : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // Every pixel is painted each time: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The context menu comes from contextMenuEvent and the right button.
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void LineMapWidget::setSetsProvider(std::function<MapSets()> provider) {
    setsProvider_ = std::move(provider);
    update();
}

unsigned char LineMapWidget::selectedIndex() const { return selected_; }

void LineMapWidget::selectIndex(unsigned char index) { moveSelection(index, false); }

QRect LineMapWidget::CellRect(unsigned char index) {
    if (!IsIndexByte(index)) return {};
    const int k = index - kFirstIndex;
    const int col = k % kColumns;
    const int row = k / kColumns;
    return {col * (kCellSize + 1) + 1, row * (kCellSize + 1) + 1, kCellSize, kCellSize};
}

unsigned char LineMapWidget::IndexAt(const QPoint& point) {
    if (point.x() < 1 || point.y() < 1 || point.x() >= kWidth - 1 || point.y() >= kHeight - 1) return 0;
    const int col = (point.x() - 1) / (kCellSize + 1);
    const int row = (point.y() - 1) / (kCellSize + 1);
    // A point on a grid line belongs to the cell before it.
    return static_cast<unsigned char>(kFirstIndex + row * kColumns + col);
}

QString LineMapWidget::TooltipText(unsigned char index) {
    return (index < 0x80 ? QStringLiteral("En: Alt + 0") : QStringLiteral("Ru: Alt + 0")) + QString::number(index);
}

QPoint LineMapWidget::CellAnchor(unsigned char index, int gridLeft, int gridTop) {
    const int k = IsIndexByte(index) ? index - kFirstIndex : 0;
    const int c = k % kColumns + 1;
    const int r = k / kColumns + 1;
    return {c * (kCellSize + 1) + gridLeft - 5, r * (kCellSize + 1) + gridTop - 5};
}

QString LineMapWidget::CellText(unsigned char index) {
    const char byte = static_cast<char>(index);
    return QString::fromStdString(Cp1251ToUtf8(std::string_view(&byte, 1)));
}

QString LineMapWidget::toolTipAt(const QPoint& point) const {
    const unsigned char index = IndexAt(point);
    if (!index) return {};
    const QString figures = figuresProvider_ ? figuresProvider_(index) : QString();
    return figures.isEmpty() ? TooltipText(index) : TooltipText(index) + QStringLiteral("\n\n") + figures;
}

void LineMapWidget::setFiguresProvider(std::function<QString(unsigned char index)> provider) {
    figuresProvider_ = std::move(provider);
}

void LineMapWidget::paintEvent(QPaintEvent* event) {
    const MapSets sets = setsProvider_ ? setsProvider_() : MapSets{};
    // One lookup table per paint instead of a set scan per cell.
    enum : unsigned char { kOrdinary, kIsSelected, kIsReplyOnly, kIsPresent };
    std::array<unsigned char, 256> state{};
    state[selected_] = kIsSelected;
    for (int i = 0; i < 256; ++i) {
        if (sets.replyOnly.test(i)) state[i] = kIsReplyOnly;
        if (sets.present.test(i)) state[i] = kIsPresent;
    }

    QPainter p(this);
    p.setClipRegion(event->region());
    p.fillRect(rect(), kGridLine);
    p.setFont(font());
    const QColor textColour = palette().color(QPalette::WindowText);
    for (int k = 0; k < kIndexCount; ++k) {
        const auto index = static_cast<unsigned char>(kFirstIndex + k);
        const QRect cell = CellRect(index);
        if (!event->region().intersects(cell)) continue;
        QColor background = kWhite;
        switch (state[index]) {
        case kIsSelected: background = kSelected; break;
        case kIsReplyOnly: background = stale_ ? kStaleReplyOnly : kReplyOnly; break;
        case kIsPresent: background = stale_ ? kStalePresent : kPresent; break;
        default: break;
        }
        p.fillRect(cell, background);
        p.setPen(state[index] == kOrdinary ? textColour : kWhite);
        p.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine, CellText(index));
    }
    if (hasFocus()) {
        // Keyboard users see where the arrow keys act.
        QPen pen(kWhite, 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(CellRect(selected_).adjusted(2, 2, -3, -3));
    }
}

void LineMapWidget::moveSelection(unsigned char index, bool reportClick) {
    if (!IsIndexByte(index)) return;
    const unsigned char old = selected_;
    selected_ = index;
    if (old != index) {
        update(CellRect(old));
        update(CellRect(index));
        emit selectedIndexChanged(index);
    }
    if (reportClick) emit cellClicked(index);
}

void LineMapWidget::mousePressEvent(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    if (!left && event->button() != Qt::RightButton) return;
    const unsigned char index = IndexAt(event->position().toPoint());
    if (!index) return;
    moveSelection(index, true);
    // A right click opens the controller menu at the cell, as a double click does.
    if (!left) emit cellMenuRequested(index);
}

void LineMapWidget::contextMenuEvent(QContextMenuEvent* event) {
    // The menu key opens the menu at the selected cell; a right click has
    // opened it already on the press.
    if (event->reason() == QContextMenuEvent::Keyboard) emit cellMenuRequested(selected_);
    event->accept();
}

void LineMapWidget::setStale(bool stale) {
    if (stale_ == stale) return;
    stale_ = stale;
    update();
}

void LineMapWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const unsigned char index = IndexAt(event->position().toPoint());
    if (!index) return;
    moveSelection(index, false);
    emit cellDoubleClicked(index);
}

void LineMapWidget::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const int k = selected_ - kFirstIndex;
    const int col = k % kColumns;
    const int row = k / kColumns;
    auto moveTo = [this](int r, int c) {
        moveSelection(static_cast<unsigned char>(kFirstIndex + r * kColumns + c), true);
    };
    switch (key) {
    case Qt::Key_Left:
        if (col > 0) moveTo(row, col - 1);
        return;
    case Qt::Key_Right:
        if (col < kColumns - 1) moveTo(row, col + 1);
        return;
    case Qt::Key_Up:
        if (row > 0) moveTo(row - 1, col);
        return;
    case Qt::Key_Down:
        if (row < kRows - 1) moveTo(row + 1, col);
        return;
    default: break;
    }

    const int fkey = FunctionKeyNumber(key);
    const bool mainDigit = key >= Qt::Key_1 && key <= Qt::Key_9 && !(event->modifiers() & Qt::KeypadModifier);
    const int digit = mainDigit ? key - Qt::Key_0 : 0;
    if (fkey && IsHoldableKey(fkey) && !event->isAutoRepeat()) heldFunctionKeys_.insert(fkey);
    if (!fkey && !digit) {
        QWidget::keyPressEvent(event);
        return;
    }
    const std::vector<int> held(heldFunctionKeys_.begin(), heldFunctionKeys_.end());
    if (const auto command = MapShortcut(digit ? 0 : fkey, digit, held)) emit shortcutPressed(*command);
    event->accept();
}

void LineMapWidget::keyReleaseEvent(QKeyEvent* event) {
    const int fkey = FunctionKeyNumber(event->key());
    if (fkey && !event->isAutoRepeat()) heldFunctionKeys_.erase(fkey);
    QWidget::keyReleaseEvent(event);
}

void LineMapWidget::focusInEvent(QFocusEvent* event) {
    update(CellRect(selected_));
    QWidget::focusInEvent(event);
}

void LineMapWidget::focusOutEvent(QFocusEvent* event) {
    // A key released while another window had the focus is never reported.
    heldFunctionKeys_.clear();
    update(CellRect(selected_));
    QWidget::focusOutEvent(event);
}

bool LineMapWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const unsigned char index = IndexAt(help->pos());
        if (index) {
            QToolTip::showText(help->globalPos(), toolTipAt(help->pos()), this, CellRect(index));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

}  // namespace tulex
