#pragma once
// Owns the pop-ups over the line map: the card pop-ups (a few at once, each
// closing itself after its lifetime), the controller balloon and the sensor
// pop-up. It keeps them at their cells while the main window moves, hides
// them while it is minimized and shows them again on restore.
//
// Rules that keep them out of the operator's way:
// - At most kMaxCards card pop-ups are on screen. A card event beyond that
//   takes over the oldest pop-up (the window is reused, not made anew), and
//   every event that has no pop-up of its own is counted: the newest card
//   pop-up says "+N событий". The count starts again once all have closed.
// - The balloon wins: a card pop-up that would cover it stands just below it.
// - Dialogs, message boxes and menus win: a pop-up that would cover one stays
//   hidden while it is open and appears when it closes (if still alive).
// - Pop-ups take no input (gui/PopupWindow).

#include <QColor>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>

#include <cstddef>
#include <functional>

#include "app/View.h"
#include "gui/PopupWindow.h"

class QTimer;

namespace tulex {

class PopupHost : public QObject {
    Q_OBJECT

public:
    static constexpr int kCardLifetimeMs = 4000;
    static constexpr int kMaxCards = static_cast<int>(kMaxCardPopups);
    static inline const QColor kSensorColour{204, 204, 204};

    // screenPoint gives the screen point of an index's cell anchor.
    PopupHost(QWidget* owner, std::function<QPoint(unsigned char)> screenPoint);
    ~PopupHost() override;

    // Only tests shorten it.
    void setCardLifetime(int milliseconds) { cardLifetimeMs_ = milliseconds; }

    void showCard(unsigned char index, const QString& title, const QString& text);
    void removeAllCards();
    // Card events that got no pop-up of their own.
    void countSkipped(std::size_t count);
    // Events counted since the card pop-ups on screen began ("+N событий").
    std::size_t skippedCount() const { return skipped_; }
    // "+N событий" for a count (empty for none).
    static QString SkippedNote(std::size_t count);

    void showBalloon(unsigned char index, const QString& title, const QString& text, const QColor& colour);
    void setBalloonText(const QString& text);  // nothing when there is no balloon
    void removeBalloon();

    void showSensor(unsigned char index, const QString& text);
    void removeSensor();

    void hideAll();
    void showAll();
    void moveAll();

    // Oldest first.
    QList<PopupWindow*> cards() const;
    PopupWindow* balloon() const { return balloon_; }
    PopupWindow* sensor() const { return sensor_; }
    // True while the owner is minimized and pop-ups are kept hidden.
    bool hidden() const { return hidden_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Card {
        QPointer<PopupWindow> window;
        QTimer* life = nullptr;  // a child of the window
    };

    // At its cell; a card stands aside of the balloon.
    void place(PopupWindow* popup);
    // Placed, then shown unless minimized or it would cover a dialog.
    void present(PopupWindow* popup);
    void presentAll();
    void expire(PopupWindow* card);
    void updateNote();
    // Whether a window (a dialog, message box or menu) is open over which a
    // pop-up must not stand.
    bool coversDialog(const QRect& area) const;
    static bool IsDialogWindow(const QObject* object);

    QWidget* owner_;
    std::function<QPoint(unsigned char)> screenPoint_;
    int cardLifetimeMs_ = kCardLifetimeMs;
    QList<Card> cards_;
    std::size_t skipped_ = 0;
    QPointer<PopupWindow> balloon_;
    QPointer<PopupWindow> sensor_;
    bool hidden_ = false;
    bool presentQueued_ = false;  // a dialog changed: presentAll on the next turn
};

}  // namespace tulex
