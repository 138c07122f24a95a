#pragma once
// "События": the event list as a dockable panel of the main window. Every
// card and sensor event the line delivered, newest at the bottom, whatever
// the pop-up settings say: a search box that narrows the list as the
// operator types (time, index, kind, title, card number, direction or data),
// the count of events held, and "Очистить". It follows the newest event
// while the list is scrolled to its end.

#include <QDockWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace tulex {

class EventFeed;
class EventListModel;

class EventListPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit EventListPanel(QWidget* parent = nullptr);

    // The feed the list shows (set once, before the first refresh).
    void setFeed(EventFeed* feed);
    // The feed gained events.
    void refresh();

    EventListModel* model() const { return model_; }
    // Applies a typed search at once (typing waits for a pause first).
    void applySearch();

    QLineEdit* searchBox;
    QLabel* countLabel;
    QPushButton* clearButton;
    QTableView* table;

private:
    void updateCount();

    EventFeed* feed_ = nullptr;
    EventListModel* model_ = nullptr;
    QTimer* searchDelay_;
};

}  // namespace tulex
