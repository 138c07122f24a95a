#include "gui/MonitorView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextOption>

#include <algorithm>

#include "gui/MonitorLineStore.h"
#include "line/Cp1251.h"

namespace tulex {

namespace {

constexpr int kTextMargin = 2;

QString Display(const std::string& bytes) { return QString::fromStdString(Cp1251ToUtf8(bytes)); }

}  // namespace

MonitorView::MonitorView(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
    tick_.setInterval(kDefaultTickMs);
    connect(&tick_, &QTimer::timeout, this, &MonitorView::refresh);
}

MonitorView::~MonitorView() {
    if (store_ && watching_) store_->watch(nullptr);
}

void MonitorView::setStore(const MonitorLineStore* store) {
    if (store_ && watching_) store_->watch(nullptr);
    store_ = store;
    // From any thread: the tick is started on the GUI thread. A call still
    // queued when the view goes is dropped with it.
    watching_ = store && store->watch([this] {
        QMetaObject::invokeMethod(
            this, [this] { storeChanged(); }, Qt::QueuedConnection);
    });
    tick_.setSingleShot(watching_);
    if (watching_ || !store)
        tick_.stop();
    else
        tick_.start();
    shown_ = 0;
    generation_ = store ? store->generation() : 0;
    widestLine_ = 0;
    selected_ = -1;
    refresh();
    viewport()->update();
}

void MonitorView::setTickInterval(int milliseconds) { tick_.setInterval(milliseconds); }

void MonitorView::storeChanged() {
    // Lines that come within one interval are taken in together.
    if (!tick_.isActive()) tick_.start();
}

int MonitorView::lineHeight() const { return std::max(1, fontMetrics().height()); }

int MonitorView::visibleRows() const { return std::max(1, viewport()->height() / lineHeight()); }

std::size_t MonitorView::firstVisibleLine() const {
    return static_cast<std::size_t>(std::max(0, verticalScrollBar()->value()));
}

bool MonitorView::isAtEnd() const { return verticalScrollBar()->value() >= verticalScrollBar()->maximum(); }

void MonitorView::refresh() {
    // Re-armed before the look: a line added meanwhile asks for another tick.
    if (store_ && watching_) store_->rearm();
    const std::size_t count = store_ ? store_->count() : 0;
    const std::uint64_t generation = store_ ? store_->generation() : 0;
    if (count == shown_ && generation == generation_) return;
    const bool follow = isAtEnd();
    if (count < shown_ || generation != generation_) {  // cleared (and maybe refilled since)
        generation_ = generation;
        widestLine_ = 0;
        selected_ = -1;
        shown_ = 0;
    }
    shown_ = count;
    updateScrollRanges();
    if (follow) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
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
    for (std::size_t i = first; i < last; ++i) {
        const std::string bytes = store_->line(i);
        widestLine_ = std::max(widestLine_, bytes.size());
        const QRect row(x, static_cast<int>(i - first) * h, width, h);
        if (static_cast<long long>(i) == selected_) {
            p.fillRect(QRect(0, row.top(), viewport()->width(), h), palette().highlight());
            p.setPen(palette().color(QPalette::HighlightedText));
        } else {
            p.setPen(palette().color(QPalette::Text));
        }
        p.drawText(QRectF(row), Display(bytes), option);
    }
    // The horizontal range grows with the widest line painted so far: appends
    // never have to read lines that are not on screen.
    if (widestLine_ != widest)
        QMetaObject::invokeMethod(
            this, [this] { updateScrollRanges(); }, Qt::QueuedConnection);
}

void MonitorView::mousePressEvent(QMouseEvent* event) {
    const long long row = static_cast<long long>(firstVisibleLine()) + event->position().toPoint().y() / lineHeight();
    selected_ = row < static_cast<long long>(shown_) ? row : -1;
    viewport()->update();
}

void MonitorView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (store_ && selected_ >= 0) {
            QApplication::clipboard()->setText(Display(store_->line(static_cast<std::size_t>(selected_))));
        }
        return;
    }
    if (event->key() == Qt::Key_Home) {
        verticalScrollBar()->setValue(0);
        return;
    }
    if (event->key() == Qt::Key_End) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace tulex
