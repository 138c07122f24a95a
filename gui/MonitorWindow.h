#pragma once
// The monitor window: a top-level window of its own (no owner), placed below
// the main window and as wide as it, listing the monitor lines.

#include <QWidget>

namespace tulex {

class MonitorLineStore;
class MonitorView;

class MonitorWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 200;

    explicit MonitorWindow(const MonitorLineStore* store);

    // Places the window directly below `owner`, as wide as it, and shows it.
    void showBelow(const QWidget* owner);
    // Brings the window back when minimized or hidden behind others.
    void restore();
    void setPaused(bool paused);

    MonitorView* view() const { return view_; }

    static QString Title(bool paused);
    // "Lucida Console" at 13 pixels, or the system's monospace font.
    static QFont MonitorFont();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MonitorView* view_;
};

}  // namespace tulex
