#pragma once
// The line map: one 25 x 25 cell for each controller index (the index table
// of line/Frame.h), 7 rows of 26, green when the controller was heard, grey
// when it only gave the positive reply, orange for the selected cell; after
// the line was lost the last-known controllers are greyed.
// The widget keeps only the selection; the two sets come from a provider so
// the map model can live below the GUI and be changed from other threads.
// This is the one place that knows where the cells stand in pixels.

#include <QList>
#include <QMetaType>
#include <QWidget>

#include <bitset>
#include <functional>
#include <set>

#include "app/ControllerMenu.h"
#include "display/Colour.h"
#include "line/Frame.h"

namespace tulex {

struct MapSets {
    std::bitset<256> present;
    std::bitset<256> replyOnly;
};

class LineMapWidget : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRows = 7;
    static constexpr int kColumns = 26;
    static constexpr int kCellSize = 25;
    static constexpr int kWidth = kColumns * 1 + kColumns * kCellSize + 1;  // 677
    static constexpr int kHeight = kRows * 1 + kRows * kCellSize + 1;       // 183
    static_assert(kRows * kColumns == kIndexCount, "one cell for each index, none spare");

    static inline const QColor kWhite{255, 255, 255};
    static inline const QColor kSelected{255, 102, 0};
    static inline const QColor kReplyOnly{153, 153, 153};
    static inline const QColor kPresent{48, 210, 30};
    // The last-known controllers after the line was lost: greyed.
    static inline const QColor kStalePresent{kCellStalePresent.r, kCellStalePresent.g, kCellStalePresent.b};
    static inline const QColor kStaleReplyOnly{kCellStaleReplyOnly.r, kCellStaleReplyOnly.g, kCellStaleReplyOnly.b};

    explicit LineMapWidget(QWidget* parent = nullptr);

    // Called at every paint; must be cheap and safe to call on the GUI thread.
    void setSetsProvider(std::function<MapSets()> provider);
    // The controller's statistics for its cell's tool-tip, below the typing
    // hint; empty when nothing is known of it.
    void setFiguresProvider(std::function<QString(unsigned char index)> provider);

    // The index character of the selected cell (kFirstIndex at start).
    unsigned char selectedIndex() const;
    // Moves the selection without reporting a click.
    void selectIndex(unsigned char index);

    // Cell of an index relative to the widget; empty for bytes outside the table.
    static QRect CellRect(unsigned char index);
    // Index under a widget point, or 0 outside every cell.
    static unsigned char IndexAt(const QPoint& point);
    // "En: Alt + 0NNN" below 0x80, "Ru: Alt + 0NNN" from 0x80 on.
    static QString TooltipText(unsigned char index);
    // Anchor of an index's cell relative to the grid's parent, with the grid at
    // (gridLeft, gridTop): near the lower right corner of the cell.
    static QPoint CellAnchor(unsigned char index, int gridLeft, int gridTop);
    // The text a cell shows: the Windows-1251 character of its index.
    static QString CellText(unsigned char index);

    // Tooltip text for a widget point (empty outside the cells).
    QString toolTipAt(const QPoint& point) const;

    // The line was lost: the cells of the last-known controllers are greyed
    // until the port is opened again.
    void setStale(bool stale);
    bool stale() const { return stale_; }

signals:
    // The operator moved the current cell (mouse press on a cell or arrow key).
    void cellClicked(unsigned char index);
    void cellDoubleClicked(unsigned char index);
    // A right click on a cell (or the menu key): the controller menu at the cell.
    void cellMenuRequested(unsigned char index);
    // A function-key shortcut: the controller menu command it names.
    void shortcutPressed(tulex::MenuCommand command);
    void selectedIndexChanged(unsigned char index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void moveSelection(unsigned char index, bool reportClick);

    std::function<MapSets()> setsProvider_;

    std::function<QString(unsigned char)> figuresProvider_;
    unsigned char selected_ = kFirstIndex;
    bool stale_ = false;
    std::set<int> heldFunctionKeys_;  // F4, F5, F6, F9 while held down
};

}  // namespace tulex

Q_DECLARE_METATYPE(tulex::MenuCommand)
