#include "gui/PopupWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace tulex {

PopupWindow::PopupWindow(QWidget* owner, bool cornerMark)
    : QWidget(owner,
              Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      owner_(owner),
      title_(new QLabel(this)),
      text_(new QLabel(this)),
      note_(new QLabel(this)),
      cornerMark_(cornerMark) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    QPalette pal = QToolTip::palette();
    setPalette(pal);
    QFont bold = font();
    bold.setBold(true);
    title_->setFont(bold);
    QFont italic = font();
    italic.setItalic(true);
    note_->setFont(italic);
    for (QLabel* label : {title_, text_, note_}) {
        label->setTextFormat(Qt::PlainText);  // frame data may hold '<' and '&'
        label->setForegroundRole(QPalette::ToolTipText);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);  // the pop-up passes clicks on
    }
    auto* layout = new QVBoxLayout(this);
    // The left and top margins leave room for the corner mark.
    layout->setContentsMargins(12, 6, 10, 7);
    layout->setSpacing(4);
    layout->addWidget(title_);
    layout->addWidget(text_);
    layout->addWidget(note_);
    setBackground(pal.color(QPalette::ToolTipBase));
    relayout();
}

void PopupWindow::setTitle(const QString& title) {
    title_->setText(title);
    relayout();
}

void PopupWindow::setText(const QString& text) {
    text_->setText(text);
    relayout();
}

void PopupWindow::setBackground(const QColor& colour) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::ToolTipBase, colour);
    // Coloured balloons keep dark text.
    pal.setColor(QPalette::ToolTipText, colour.lightness() < 110 ? Qt::white : Qt::black);
    pal.setColor(QPalette::WindowText, pal.color(QPalette::ToolTipText));
    setPalette(pal);
    update();
}

void PopupWindow::setNote(const QString& note) {
    if (note_->text() == note) return;
    note_->setText(note);
    relayout();
}

QString PopupWindow::note() const { return note_->text(); }
QString PopupWindow::title() const { return title_->text(); }
QString PopupWindow::text() const { return text_->text(); }
QColor PopupWindow::background() const { return palette().color(QPalette::Window); }

void PopupWindow::relayout() {
    title_->setVisible(!title_->text().isEmpty());
    text_->setVisible(!text_->text().isEmpty());
    note_->setVisible(!note_->text().isEmpty());
    adjustSize();
    update();
}

void PopupWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (cornerMark_) {
        // The triangle (1,1)-(1,8)-(8,1) marks the corner that points at the cell.
        p.setPen(palette().color(QPalette::ToolTipText));
        p.drawLine(1, 1, 1, 8);
        p.drawLine(1, 8, 8, 1);
        p.drawLine(8, 1, 1, 1);
    }
}

QWidget* PopupWindow::controlAt(const QPoint& global) const {
    if (!owner_) return nullptr;
    QWidget* window = owner_->window();
    const QPoint local = window->mapFromGlobal(global);
    if (!window->rect().contains(local)) return nullptr;
    QWidget* control = window->childAt(local);
    return control ? control : window;
}

void PopupWindow::passOn(QMouseEvent* event) {
    const QPointF global = event->globalPosition();
    QWidget* control = controlAt(global.toPoint());
    if (!control) return;
    QMouseEvent copy(event->type(), control->mapFromGlobal(global), global, event->button(), event->buttons(),
                     event->modifiers(), event->pointingDevice());
    QCoreApplication::sendEvent(control, &copy);
}

void PopupWindow::mousePressEvent(QMouseEvent* event) { passOn(event); }
void PopupWindow::mouseReleaseEvent(QMouseEvent* event) { passOn(event); }
void PopupWindow::mouseDoubleClickEvent(QMouseEvent* event) { passOn(event); }

void PopupWindow::wheelEvent(QWheelEvent* event) {
    const QPointF global = event->globalPosition();
    QWidget* control = controlAt(global.toPoint());
    if (!control) return;
    QWheelEvent copy(control->mapFromGlobal(global), global, event->pixelDelta(), event->angleDelta(), event->buttons(),
                     event->modifiers(), event->phase(), event->inverted());
    QCoreApplication::sendEvent(control, &copy);
}

}  // namespace tulex
