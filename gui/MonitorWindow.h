#pragma once
// The monitor window: a top-level window of its own (no owner), placed below
// the main window and as wide as it, listing the monitor lines. Above the
// list: the search (text, previous, next), the filter (kinds of line and one
// controller index), and the switch for time stamps with milliseconds; below
// it a line that says where the monitor was last saved.

#include <QWidget>

#include <array>
#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

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
    // The milliseconds switch, as the monitor has it (no signal).
    void setMilliseconds(bool on);
    // "Сохранено: PATH (encoding)" below the list.
    void showSaved(const QString& text);

    MonitorView* view() const { return view_; }
    QLineEdit* searchEdit() const { return searchEdit_; }
    QToolButton* findNextButton() const { return findNext_; }
    QToolButton* findPreviousButton() const { return findPrevious_; }
    QLineEdit* indexEdit() const { return indexEdit_; }
    QCheckBox* millisecondsBox() const { return milliseconds_; }
    QLabel* savedLabel() const { return saved_; }
    // The checkable kind actions in menu order: sent, received, OK/ERROR,
    // card, sensor, TIMEOUT, other.
    const std::array<QAction*, 7>& kindActions() const { return kinds_; }

    static QString Title(bool paused);
    // "Lucida Console" at 13 pixels, or the system's monospace font.
    static QFont MonitorFont();
    // The index typed into the filter: one index character (G, Ж) or 0xHH;
    // nothing for an empty text; 0 for a text that is no index.
    static std::optional<unsigned char> ParseIndex(const QString& text);

signals:
    void closed();
    void millisecondsToggled(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void applyFilter();

    MonitorView* view_;
    QLineEdit* searchEdit_;
    QToolButton* findPrevious_;
    QToolButton* findNext_;
    QToolButton* kindButton_;
    std::array<QAction*, 7> kinds_{};
    QLineEdit* indexEdit_;
    QCheckBox* milliseconds_;
    QLabel* saved_;
};

}  // namespace tulex
