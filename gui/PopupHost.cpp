#include "gui/PopupHost.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "gui/PopupWindow.h"

namespace tulex {

PopupHost::PopupHost(QWidget* owner, std::function<QPoint(unsigned char)> screenPoint)
    : QObject(owner), owner_(owner), screenPoint_(std::move(screenPoint)) {
    owner_->installEventFilter(this);
    hidden_ = owner_->isMinimized();
}

PopupHost::~PopupHost() {
    removeAllCards();
    removeBalloon();
    removeSensor();
}

void PopupHost::place(PopupWindow* popup) {
    if (popup) popup->move(screenPoint_(popup->index()));
}

void PopupHost::present(PopupWindow* popup) {
    place(popup);
    // Created while the window is minimized: stays hidden until restore.
    if (!hidden_ && owner_->isVisible()) popup->show();
}

void PopupHost::showCard(unsigned char index, const QString& title, const QString& text) {
    auto* card = new PopupWindow(owner_, false);
    card->setIndex(index);
    card->setTitle(title);
    card->setText(text);
    cards_.append(card);
    // The timer belongs to the card: it ends with it.
    // A precise timer: a coarse one may fire up to 5 % early.
    QTimer::singleShot(cardLifetimeMs_, Qt::PreciseTimer, card, [this, card] {
        cards_.removeAll(card);
        card->deleteLater();
    });
    present(card);
}

void PopupHost::removeAllCards() {
    for (const auto& card : cards_) delete card.data();
    cards_.clear();
}

void PopupHost::showBalloon(unsigned char index, const QString& title, const QString& text, const QColor& colour) {
    removeBalloon();
    balloon_ = new PopupWindow(owner_, true);
    balloon_->setIndex(index);
    balloon_->setTitle(title);
    balloon_->setText(text);
    balloon_->setBackground(colour);
    present(balloon_);
}

void PopupHost::setBalloonText(const QString& text) {
    if (balloon_) balloon_->setText(text);
}

void PopupHost::removeBalloon() { delete balloon_.data(); }

void PopupHost::showSensor(unsigned char index, const QString& text) {
    removeSensor();
    sensor_ = new PopupWindow(owner_, true);
    sensor_->setIndex(index);
    sensor_->setTitle(QStringLiteral("Датчик"));
    sensor_->setText(text);
    sensor_->setBackground(kSensorColour);
    present(sensor_);
}

void PopupHost::removeSensor() { delete sensor_.data(); }

QList<PopupWindow*> PopupHost::cards() const {
    QList<PopupWindow*> result;
    for (const auto& card : cards_) {
        if (card) result.append(card.data());
    }
    return result;
}

void PopupHost::hideAll() {
    hidden_ = true;
    for (PopupWindow* card : cards()) card->hide();
    if (balloon_) balloon_->hide();
    if (sensor_) sensor_->hide();
}

void PopupHost::showAll() {
    hidden_ = false;
    for (PopupWindow* card : cards()) present(card);
    if (balloon_) present(balloon_);
    if (sensor_) present(sensor_);
}

void PopupHost::moveAll() {
    for (PopupWindow* card : cards()) place(card);
    place(balloon_);
    place(sensor_);
}

bool PopupHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_) {
        switch (event->type()) {
        case QEvent::Move: moveAll(); break;
        case QEvent::WindowStateChange:
            if (owner_->isMinimized()) {
                hideAll();
            } else if (hidden_) {
                showAll();
            }
            break;
        default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tulex
