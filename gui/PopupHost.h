#pragma once
// Owns the pop-ups over the line map: the card pop-ups (several at once,
// each closing itself after its lifetime), the controller balloon and the
// sensor pop-up. It keeps them at their cells while the main window moves,
// hides them while it is minimized and shows them again on restore.

#include <QColor>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>

#include <functional>

#include "gui/PopupWindow.h"

namespace tulex {

class PopupHost : public QObject {
    Q_OBJECT

public:
    static constexpr int kCardLifetimeMs = 4000;
    static inline const QColor kSensorColour{204, 204, 204};

    // screenPoint gives the screen point of an index's cell anchor.
    PopupHost(QWidget* owner, std::function<QPoint(unsigned char)> screenPoint);
    ~PopupHost() override;

    // Only tests shorten it.
    void setCardLifetime(int milliseconds) { cardLifetimeMs_ = milliseconds; }

    void showCard(unsigned char index, const QString& title, const QString& text);
    void removeAllCards();

    void showBalloon(unsigned char index, const QString& title, const QString& text, const QColor& colour);
    void setBalloonText(const QString& text);  // nothing when there is no balloon
    void removeBalloon();

    void showSensor(unsigned char index, const QString& text);
    void removeSensor();

    void hideAll();
    void showAll();
    void moveAll();

    QList<PopupWindow*> cards() const;
    PopupWindow* balloon() const { return balloon_; }
    PopupWindow* sensor() const { return sensor_; }
    // True while the owner is minimized and pop-ups are kept hidden.
    bool hidden() const { return hidden_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place(PopupWindow* popup);
    void present(PopupWindow* popup);

    QWidget* owner_;
    std::function<QPoint(unsigned char)> screenPoint_;
    int cardLifetimeMs_ = kCardLifetimeMs;
    QList<QPointer<PopupWindow>> cards_;
    QPointer<PopupWindow> balloon_;
    QPointer<PopupWindow> sensor_;
    bool hidden_ = false;
};

}  // namespace tulex
