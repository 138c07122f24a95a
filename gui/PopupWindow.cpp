#include "gui/PopupWindow.h"

#include <QLabel>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>

namespace tulex {

PopupWindow::PopupWindow(QWidget* owner, bool cornerMark)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      title_(new QLabel(this)),
      text_(new QLabel(this)),
      cornerMark_(cornerMark) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    QPalette pal = QToolTip::palette();
    setPalette(pal);
    QFont bold = font();
    bold.setBold(true);
    title_->setFont(bold);
    for (QLabel* label : {title_, text_}) {
        label->setTextFormat(Qt::PlainText);  // frame data may hold '<' and '&'
        label->setForegroundRole(QPalette::ToolTipText);
    }
    auto* layout = new QVBoxLayout(this);
    // The left and top margins leave room for the corner mark.
    layout->setContentsMargins(12, 6, 10, 7);
    layout->setSpacing(4);
    layout->addWidget(title_);
    layout->addWidget(text_);
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

QString PopupWindow::title() const { return title_->text(); }
QString PopupWindow::text() const { return text_->text(); }
QColor PopupWindow::background() const { return palette().color(QPalette::Window); }

void PopupWindow::relayout() {
    title_->setVisible(!title_->text().isEmpty());
    text_->setVisible(!text_->text().isEmpty());
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

}  // namespace tulex
