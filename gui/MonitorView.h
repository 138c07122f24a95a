#pragma once
// The monitor's list of lines. It never copies the store: a paint reads only
// the rows that are visible, and new lines are picked up on a UI tick that
// compares the store's count with what was shown, so a burst of lines costs
// one relayout instead of one per line and a million lines stay fluid. The
// tick runs only while something is new: a store that tells of its changes
// (MonitorLineStore::watch) starts it, and an idle line wakes nothing.

#include <QAbstractScrollArea>
#include <QTimer>

#include <cstddef>
#include <cstdint>

namespace tulex {

class MonitorLineStore;

class MonitorView : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kDefaultTickMs = 40;

    explicit MonitorView(QWidget* parent = nullptr);
    ~MonitorView() override;

    // The store must outlive the view (or be replaced with nullptr first).
    void setStore(const MonitorLineStore* store);
    void setTickInterval(int milliseconds);

    // Takes in what the store holds now; the tick calls this.
    void refresh();
    // True while a tick is due (lines came that are not shown yet, or the
    // store cannot tell of its changes).
    bool tickPending() const { return tick_.isActive(); }

    std::size_t shownCount() const { return shown_; }
    int lineHeight() const;
    std::size_t firstVisibleLine() const;
    bool isAtEnd() const;
    // -1 when no line is selected.
    long long selectedLine() const { return selected_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void storeChanged();
    void updateScrollRanges();
    int visibleRows() const;

    const MonitorLineStore* store_ = nullptr;
    QTimer tick_;
    bool watching_ = false;  // the store tells of its changes: the tick is single-shot
    std::size_t shown_ = 0;
    std::uint64_t generation_ = 0;
    std::size_t widestLine_ = 0;  // in characters, of the lines painted; the font is monospace
    long long selected_ = -1;
};

}  // namespace tulex
