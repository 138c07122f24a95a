#pragma once
// The monitor's list of lines. It never copies the store: a paint reads only
// the rows that are visible, and new lines are picked up on a UI tick that
// compares the store's count with what was shown, so a burst of lines costs
// one relayout instead of one per line and a million lines stay fluid.
//
// A filter (kinds of line, one controller index) shows only the lines it
// passes: their numbers are collected once, then only the new lines are
// looked at on each tick. A search text is highlighted in the visible rows
// and found line by line with next/previous. Rows are selected with the
// mouse and the keyboard (Shift extends, Ctrl+A takes all) and copied as
// text, one line each.

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "display/LineStore.h"

namespace tulex {

class MonitorLineStore;

class MonitorView : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kDefaultTickMs = 40;

    explicit MonitorView(QWidget* parent = nullptr);

    // The store must outlive the view (or be replaced with nullptr first).
    void setStore(const MonitorLineStore* store);
    void setTickInterval(int milliseconds);

    // Takes in what the store holds now; the tick calls this.
    void refresh();
    // The lines changed in place (time stamps with or without milliseconds).
    void restyle();

    void setFilter(const MonitorFilter& filter);
    const MonitorFilter& filter() const { return filter_; }

    // The text searched for (case does not matter); empty: no search.
    void setSearchText(const QString& text);
    // Selects the next (or previous) row holding the search text, wrapping
    // round, and scrolls it into view. False when no row holds it.
    bool findNext(bool forward = true);

    // Rows shown (all lines, or those the filter passes).
    std::size_t shownCount() const { return shown_; }
    // The store's line shown in a row.
    std::size_t lineOfRow(std::size_t row) const { return filtering_ ? rows_[row] : row; }
    int lineHeight() const;
    // The first row on screen.
    std::size_t firstVisibleLine() const;
    bool isAtEnd() const;
    // The line of the current row; -1 when no row is selected.
    long long selectedLine() const;
    // The selected rows, first and last (both -1 when none).
    long long selectionFirst() const;
    long long selectionLast() const;
    void selectRows(long long first, long long last);
    // The selected lines as text, one a line ("\n" between them).
    QString selectedText() const;

signals:
    // The search text is not in any row (or is again).
    void searchFound(bool found);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateScrollRanges();
    int visibleRows() const;
    long long rowAt(int y) const;
    void moveCurrent(long long row, bool extend);
    void scrollToRow(long long row);
    void startOver();
    bool rowMatches(std::size_t row) const;

    const MonitorLineStore* store_ = nullptr;
    QTimer tick_;
    std::size_t shown_ = 0;
    std::uint64_t generation_ = 0;
    std::size_t widestLine_ = 0;  // in characters, of the lines painted; the font is monospace
    // Selection: the row it was started at and the current row.
    long long anchor_ = -1;
    long long current_ = -1;
    // Filter: the rows' line numbers, up to the store's line filteredUpTo_.
    MonitorFilter filter_;
    bool filtering_ = false;
    std::vector<std::uint32_t> rows_;
    std::size_t filteredUpTo_ = 0;
    // Search: the text in Windows-1251 with upper case folded.
    QByteArray needle_;
    QString needleText_;
};

// Windows-1251 bytes with upper-case letters (Latin and Cyrillic) made lower
// case: the search compares such folded bytes.
QByteArray FoldCp1251Case(QByteArray bytes);

}  // namespace tulex
