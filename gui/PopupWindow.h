#pragma once
// One pop-up over the line map: a frameless window that never takes the
// focus, with a bold title line and the text lines under it, placed with its
// top-left corner at a map cell. The controller balloon and the sensor
// pop-up draw a small triangle in that corner that points at the cell.

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

    QString title() const;
    QString text() const;
    QColor background() const;
    bool hasCornerMark() const { return cornerMark_; }

    // The map cell this pop-up speaks of; it is placed at that cell's anchor.
    void setIndex(unsigned char index) { index_ = index; }
    unsigned char index() const { return index_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();

    QLabel* title_;
    QLabel* text_;
    bool cornerMark_;
    unsigned char index_ = 0;
};

}  // namespace tulex
