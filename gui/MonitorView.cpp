#include "gui/MonitorView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextOption>

#include <algorithm>
#include <cstring>

#include "gui/MonitorLineStore.h"
#include "line/Cp1251.h"

namespace tulex {

namespace {

constexpr int kTextMargin = 2;
const QColor kMatchColour{255, 230, 100};

QString Display(const std::string& bytes) { return QString::fromStdString(Cp1251ToUtf8(bytes)); }

char FoldByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
    if (b >= 0xC0 && b <= 0xDF) return static_cast<char>(b + 32);  // А..Я -> а..я
    if (b == 0xA8) return static_cast<char>(0xB8);                 // Ё -> ё
    return c;
}

}  // namespace

QByteArray FoldCp1251Case(QByteArray bytes) {
    for (char& c : bytes) c = FoldByte(c);
    return bytes;
}

MonitorView::MonitorView(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
    tick_.setInterval(kDefaultTickMs);
    connect(&tick_, &QTimer::timeout, this, &MonitorView::refresh);
    tick_.start();
}

void MonitorView::setStore(const MonitorLineStore* store) {
    store_ = store;
    generation_ = store ? store->generation() : 0;
    startOver();
    refresh();
    viewport()->update();
}

void MonitorView::setTickInterval(int milliseconds) { tick_.setInterval(milliseconds); }

int MonitorView::lineHeight() const { return std::max(1, fontMetrics().height()); }

int MonitorView::visibleRows() const { return std::max(1, viewport()->height() / lineHeight()); }

std::size_t MonitorView::firstVisibleLine() const {
    return static_cast<std::size_t>(std::max(0, verticalScrollBar()->value()));
}

bool MonitorView::isAtEnd() const { return verticalScrollBar()->value() >= verticalScrollBar()->maximum(); }

long long MonitorView::selectedLine() const {
    return current_ >= 0 ? static_cast<long long>(lineOfRow(static_cast<std::size_t>(current_))) : -1;
}

long long MonitorView::selectionFirst() const { return current_ < 0 ? -1 : std::min(anchor_, current_); }
long long MonitorView::selectionLast() const { return current_ < 0 ? -1 : std::max(anchor_, current_); }

void MonitorView::startOver() {
    shown_ = 0;
    widestLine_ = 0;
    anchor_ = current_ = -1;
    rows_.clear();
    filteredUpTo_ = 0;
}

void MonitorView::refresh() {
    const std::size_t count = store_ ? store_->count() : 0;
    const std::uint64_t generation = store_ ? store_->generation() : 0;
    const std::size_t seen = filtering_ ? filteredUpTo_ : shown_;
    if (count == seen && generation == generation_) return;
    const bool follow = isAtEnd();
    if (count < seen || generation != generation_) {  // cleared (and maybe refilled since)
        generation_ = generation;
        startOver();
    }
    if (filtering_) {
        // Only the lines that came since the last tick are looked at.
        if (store_) store_->matching(filter_, filteredUpTo_, rows_);
        filteredUpTo_ = count;
        shown_ = rows_.size();
    } else {
        shown_ = count;
    }
    updateScrollRanges();
    if (follow) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void MonitorView::restyle() {
    widestLine_ = 0;
    updateScrollRanges();
    viewport()->update();
}

void MonitorView::setFilter(const MonitorFilter& filter) {
    // Keep the current line in view across the change where it stays shown.
    const long long keep = selectedLine();
    filter_ = filter;
    filtering_ = !filter.ShowsAll();
    rows_.clear();
    filteredUpTo_ = 0;
    anchor_ = current_ = -1;
    shown_ = 0;
    const std::size_t count = store_ ? store_->count() : 0;
    if (filtering_) {
        if (store_) store_->matching(filter_, 0, rows_);
        filteredUpTo_ = count;
        shown_ = rows_.size();
    } else {
        shown_ = count;
    }
    updateScrollRanges();
    long long row = -1;
    if (keep >= 0) {
        if (!filtering_) {
            row = keep;
        } else {
            const auto at = std::lower_bound(rows_.begin(), rows_.end(), static_cast<std::uint32_t>(keep));
            if (at != rows_.end() && *at == static_cast<std::uint32_t>(keep)) row = at - rows_.begin();
        }
    }
    if (row >= 0) {
        anchor_ = current_ = row;
        scrollToRow(row);
    } else {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    viewport()->update();
}

void MonitorView::setSearchText(const QString& text) {
    needleText_ = text;
    needle_ = FoldCp1251Case(QByteArray::fromStdString(Utf8ToCp1251Lossy(text.toStdString())));
    viewport()->update();
    if (needle_.isEmpty()) return;
    // Live: the current row if it holds the text, else the next that does.
    if (current_ >= 0 && rowMatches(static_cast<std::size_t>(current_))) {
        emit searchFound(true);
        return;
    }
    findNext(true);
}

bool MonitorView::rowMatches(std::size_t row) const {
    if (!store_ || needle_.isEmpty() || row >= shown_) return false;
    const std::string line = store_->line(lineOfRow(row));
    if (line.size() < static_cast<std::size_t>(needle_.size())) return false;
    const auto it = std::search(line.begin(), line.end(), needle_.begin(), needle_.end(),
                                [](char a, char b) { return FoldByte(a) == b; });
    return it != line.end();
}

bool MonitorView::findNext(bool forward) {
    if (needle_.isEmpty() || shown_ == 0) return false;
    const auto n = static_cast<long long>(shown_);
    long long start = current_ >= 0 ? current_ : (forward ? -1 : n);
    for (long long step = 1; step <= n; ++step) {
        long long row = forward ? start + step : start - step;
        row = ((row % n) + n) % n;
        if (rowMatches(static_cast<std::size_t>(row))) {
            anchor_ = current_ = row;
            scrollToRow(row);
            viewport()->update();
            emit searchFound(true);
            return true;
        }
    }
    emit searchFound(false);
    return false;
}

void MonitorView::scrollToRow(long long row) {
    const long long first = static_cast<long long>(firstVisibleLine());
    const long long rows = visibleRows();
    if (row < first)
        verticalScrollBar()->setValue(static_cast<int>(row));
    else if (row >= first + rows)
        verticalScrollBar()->setValue(static_cast<int>(row - rows + 1));
}

void MonitorView::updateScrollRanges() {
    const int rows = visibleRows();
    const auto lines = static_cast<long long>(shown_);
    verticalScrollBar()->setRange(0, static_cast<int>(std::clamp<long long>(lines - rows, 0, INT32_MAX)));
    verticalScrollBar()->setPageStep(rows);
    verticalScrollBar()->setSingleStep(1);
    const int textWidth = static_cast<int>(std::min<std::size_t>(widestLine_, 100000)) *
                              fontMetrics().horizontalAdvance(QLatin1Char('0')) +
                          2 * kTextMargin;
    horizontalScrollBar()->setRange(0, std::max(0, textWidth - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(fontMetrics().horizontalAdvance(QLatin1Char('0')));
}

void MonitorView::resizeEvent(QResizeEvent* event) {
    const bool follow = isAtEnd();
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
    if (follow) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void MonitorView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    if (!store_) return;
    const int h = lineHeight();
    const std::size_t first = firstVisibleLine();
    // One partly visible row more at the bottom.
    const std::size_t last = std::min(shown_, first + static_cast<std::size_t>(viewport()->height() / h + 1));
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    // Tab stops every 10 dialog units (a dialog unit is a quarter of a character).
    option.setTabStopDistance(10.0 * fontMetrics().averageCharWidth() / 4.0);
    const int x = kTextMargin - horizontalScrollBar()->value();
    const int width = std::max(viewport()->width(), horizontalScrollBar()->maximum() + viewport()->width());
    const std::size_t widest = widestLine_;
    const long long selFirst = selectionFirst();
    const long long selLast = selectionLast();
    for (std::size_t i = first; i < last; ++i) {
        const std::string bytes = store_->line(lineOfRow(i));
        widestLine_ = std::max(widestLine_, bytes.size());
        const QRect row(x, static_cast<int>(i - first) * h, width, h);
        const QString text = Display(bytes);
        const auto r = static_cast<long long>(i);
        const bool selected = r >= selFirst && r <= selLast && selFirst >= 0;
        if (selected) {
            p.fillRect(QRect(0, row.top(), viewport()->width(), h), palette().highlight());
            p.setPen(palette().color(QPalette::HighlightedText));
        } else {
            p.setPen(palette().color(QPalette::Text));
        }
        if (!needleText_.isEmpty()) {
            // Each byte is one character on screen, so a match found in the
            // folded bytes is at the same place in the text.
            const QByteArray folded = FoldCp1251Case(QByteArray::fromStdString(bytes));
            for (qsizetype at = folded.indexOf(needle_); at >= 0; at = folded.indexOf(needle_, at + 1)) {
                const int left = fontMetrics().horizontalAdvance(text.left(at));
                const int right = fontMetrics().horizontalAdvance(text.left(at + needle_.size()));
                p.fillRect(QRect(row.left() + left, row.top(), right - left, h), kMatchColour);
                if (selected) p.setPen(palette().color(QPalette::Text));
            }
        }
        p.drawText(QRectF(row), text, option);
    }
    // The horizontal range grows with the widest line painted so far: appends
    // never have to read lines that are not on screen.
    if (widestLine_ != widest)
        QMetaObject::invokeMethod(
            this, [this] { updateScrollRanges(); }, Qt::QueuedConnection);
}

long long MonitorView::rowAt(int y) const {
    const long long row = static_cast<long long>(firstVisibleLine()) + y / lineHeight();
    return row < static_cast<long long>(shown_) ? row : -1;
}

void MonitorView::moveCurrent(long long row, bool extend) {
    if (shown_ == 0) return;
    row = std::clamp<long long>(row, 0, static_cast<long long>(shown_) - 1);
    if (!extend || anchor_ < 0) anchor_ = row;
    current_ = row;
    scrollToRow(row);
    viewport()->update();
}

void MonitorView::selectRows(long long first, long long last) {
    if (first < 0 || shown_ == 0) {
        anchor_ = current_ = -1;
    } else {
        anchor_ = std::min<long long>(first, static_cast<long long>(shown_) - 1);
        current_ = std::min<long long>(last, static_cast<long long>(shown_) - 1);
    }
    viewport()->update();
}

QString MonitorView::selectedText() const {
    if (!store_ || current_ < 0) return {};
    std::string bytes;
    for (long long r = selectionFirst(); r <= selectionLast(); ++r) {
        if (r > selectionFirst()) bytes += '\n';
        bytes += store_->line(lineOfRow(static_cast<std::size_t>(r)));
    }
    return Display(bytes);
}

void MonitorView::mousePressEvent(QMouseEvent* event) {
    const long long row = rowAt(event->position().toPoint().y());
    const bool extend = (event->modifiers() & Qt::ShiftModifier) && anchor_ >= 0;
    if (row < 0) {
        if (!extend) anchor_ = current_ = -1;
        viewport()->update();
        return;
    }
    if (!extend) anchor_ = row;
    current_ = row;
    viewport()->update();
}

void MonitorView::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with the button down extends the selection.
    if (!(event->buttons() & Qt::LeftButton) || anchor_ < 0) return;
    const int y = std::clamp(event->position().toPoint().y(), 0, viewport()->height() - 1);
    const long long row = rowAt(y);
    if (row >= 0) moveCurrent(row, true);
}

void MonitorView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (current_ >= 0) QApplication::clipboard()->setText(selectedText());
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectRows(0, static_cast<long long>(shown_) - 1);
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const long long page = visibleRows();
    switch (event->key()) {
    case Qt::Key_Up: return moveCurrent(current_ < 0 ? 0 : current_ - 1, extend);
    case Qt::Key_Down: return moveCurrent(current_ < 0 ? 0 : current_ + 1, extend);
    case Qt::Key_PageUp: return moveCurrent(current_ < 0 ? 0 : current_ - page, extend);
    case Qt::Key_PageDown: return moveCurrent(current_ < 0 ? 0 : current_ + page, extend);
    case Qt::Key_Home:
        if (extend) return moveCurrent(0, true);
        verticalScrollBar()->setValue(0);
        return;
    case Qt::Key_End:
        if (extend) return moveCurrent(static_cast<long long>(shown_) - 1, true);
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        return;
    default: break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace tulex
