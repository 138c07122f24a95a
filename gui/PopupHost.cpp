#include "gui/PopupHost.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include "app/StatusTexts.h"
#include "gui/PopupWindow.h"

namespace tulex {

PopupHost::PopupHost(QWidget* owner, std::function<QPoint(unsigned char)> screenPoint)
    : QObject(owner), owner_(owner), screenPoint_(std::move(screenPoint)) {
    owner_->installEventFilter(this);
    // Dialogs and menus opening, moving and closing anywhere in the program.
    qApp->installEventFilter(this);
    hidden_ = owner_->isMinimized();
}

PopupHost::~PopupHost() {
    qApp->removeEventFilter(this);
    removeAllCards();
    removeBalloon();
    removeSensor();
}

QString PopupHost::SkippedNote(std::size_t count) { return QString::fromStdString(SkippedPopupsNote(count)); }

bool PopupHost::IsDialogWindow(const QObject* object) {
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget && widget->isWindow() && (qobject_cast<const QDialog*>(widget) || qobject_cast<const QMenu*>(widget));
}

bool PopupHost::coversDialog(const QRect& area) const {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && IsDialogWindow(window) && window->frameGeometry().intersects(area)) return true;
    }
    return false;
}

void PopupHost::place(PopupWindow* popup) {
    if (!popup) return;
    QPoint point = screenPoint_(popup->index());
    const bool isCard = popup != balloon_ && popup != sensor_;
    if (isCard && balloon_) {
        // The balloon shows the command's result: a card never covers it.
        const QRect balloon = balloon_->geometry();
        if (QRect(point, popup->size()).intersects(balloon)) point.setY(balloon.bottom() + 1);
    }
    popup->move(point);
}

void PopupHost::present(PopupWindow* popup) {
    if (!popup) return;
    place(popup);
    // Created while the window is minimized: stays hidden until restore.
    const bool show = !hidden_ && owner_->isVisible() && !coversDialog(popup->geometry());
    popup->setVisible(show);
}

void PopupHost::presentAll() {
    if (hidden_) return;
    present(balloon_);
    present(sensor_);
    for (PopupWindow* card : cards()) present(card);
}

void PopupHost::showCard(unsigned char index, const QString& title, const QString& text) {
    Card card;
    if (cards_.size() >= kMaxCards) {
        // The oldest pop-up takes the new event; its own event is counted.
        card = cards_.takeFirst();
        ++skipped_;
    } else {
        card.window = new PopupWindow(owner_, false);
        card.life = new QTimer(card.window);
        card.life->setSingleShot(true);
        // A precise timer: a coarse one may fire up to 5 % early.
        card.life->setTimerType(Qt::PreciseTimer);
        connect(card.life, &QTimer::timeout, this, [this, window = card.window.data()] { expire(window); });
    }
    PopupWindow* window = card.window;
    window->setIndex(index);
    window->setTitle(title);
    window->setText(text);
    cards_.append(card);
    card.life->start(cardLifetimeMs_);
    updateNote();
    present(window);
}

void PopupHost::expire(PopupWindow* window) {
    for (qsizetype i = 0; i < cards_.size(); ++i) {
        if (cards_[i].window == window) {
            cards_.removeAt(i);
            break;
        }
    }
    window->hide();
    window->deleteLater();
    if (cards_.isEmpty()) skipped_ = 0;
    updateNote();
}

void PopupHost::countSkipped(std::size_t count) {
    skipped_ += count;
    updateNote();
}

void PopupHost::updateNote() {
    for (qsizetype i = 0; i < cards_.size(); ++i) {
        PopupWindow* window = cards_[i].window;
        if (!window) continue;
        const QSize before = window->size();
        window->setNote(i + 1 == cards_.size() ? SkippedNote(skipped_) : QString());
        if (window->size() != before && window->isVisible()) present(window);
    }
}

void PopupHost::removeAllCards() {
    for (const Card& card : cards_) delete card.window.data();
    cards_.clear();
    skipped_ = 0;
}

void PopupHost::showBalloon(unsigned char index, const QString& title, const QString& text, const QColor& colour) {
    removeBalloon();
    balloon_ = new PopupWindow(owner_, true);
    balloon_->setIndex(index);
    balloon_->setTitle(title);
    balloon_->setText(text);
    balloon_->setBackground(colour);
    present(balloon_);
    // Cards step aside of the new balloon.
    for (PopupWindow* card : cards()) present(card);
}

void PopupHost::setBalloonText(const QString& text) {
    if (!balloon_) return;
    const QSize before = balloon_->size();
    balloon_->setText(text);
    if (balloon_->size() != before) {
        for (PopupWindow* card : cards()) present(card);
    }
}

void PopupHost::removeBalloon() {
    if (!balloon_) return;
    delete balloon_.data();
    for (PopupWindow* card : cards()) present(card);
}

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
    for (const Card& card : cards_) {
        if (card.window) result.append(card.window.data());
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
    presentAll();
}

void PopupHost::moveAll() {
    place(balloon_);
    place(sensor_);
    for (PopupWindow* card : cards()) place(card);
    presentAll();
}

bool PopupHost::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == owner_) {
        switch (type) {
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
    } else if ((type == QEvent::Show || type == QEvent::Hide || type == QEvent::Move || type == QEvent::Resize) &&
               IsDialogWindow(watched)) {
        // A dialog opened, moved or closed: pop-ups over it hide, the
        // others (and those it covered) show, once the dialog has settled.
        if (!presentQueued_) {
            presentQueued_ = true;
            QTimer::singleShot(0, this, [this] {
                presentQueued_ = false;
                presentAll();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tulex
