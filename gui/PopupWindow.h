#pragma once
// One pop-up over the line map: a frameless window that never takes the
// focus, with a bold title line, the text lines under it and an optional
// note ("+N событий"), placed with its top-left corner at a map cell. The
// controller balloon and the sensor pop-up draw a small triangle in that
// corner that points at the cell.
//
// A pop-up takes no input: the window system is told to pass clicks through
// (Qt::WindowTransparentForInput), and where one still arrives here it is
// handed to the control of the owner window under the pointer, so a pop-up
// over "Пауза" or "Остановить" never swallows the click.

#include <QColor>
#include <QWidget>

class QLabel;

namespace tulex {

class PopupWindow : public QWidget {
    Q_OBJECT

public:
    PopupWindow(QWidget* owner, bool cornerMark);

    void setTitle(const QString& title);
    void setText(const QString& text);
    void setBackground(const QColor& colour);
    // A line in italics under the text; empty hides it.
    void setNote(const QString& note);

    QString title() const;
    QString text() const;
    QColor background() const;
    QString note() const;
    bool hasCornerMark() const { return cornerMark_; }

    // The map cell this pop-up speaks of; it is placed at that cell's anchor.
    void setIndex(unsigned char index) { index_ = index; }
    unsigned char index() const { return index_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void relayout();
    // The owner window's control under a screen point (nothing outside it).
    QWidget* controlAt(const QPoint& global) const;
    void passOn(QMouseEvent* event);

    QWidget* owner_;
    QLabel* title_;
    QLabel* text_;
    QLabel* note_;
    bool cornerMark_;
    unsigned char index_ = 0;
};

}  // namespace tulex
