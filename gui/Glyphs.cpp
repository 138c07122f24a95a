#include "gui/Glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace tulex {

namespace {

constexpr int kGlyphSize = 20;

QPixmap Blank(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void DrawPause(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 160));
    p.drawRect(5, 4, 3, 12);
    p.drawRect(12, 4, 3, 12);
}

void DrawStart(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 150, 40));
    QPainterPath path;
    path.moveTo(6, 3);
    path.lineTo(16, 10);
    path.lineTo(6, 17);
    path.closeSubpath();
    p.drawPath(path);
}

void DrawClear(QPainter& p) {
    // A sheet with a red cross: empty the list.
    p.setPen(QColor(110, 110, 110));
    p.setBrush(Qt::white);
    p.drawRect(4, 2, 11, 15);
    p.setPen(QPen(QColor(200, 30, 30), 2));
    p.drawLine(9, 10, 17, 18);
    p.drawLine(17, 10, 9, 18);
}

void DrawSave(QPainter& p) {
    // A diskette.
    p.setPen(QColor(30, 40, 90));
    p.setBrush(QColor(60, 90, 170));
    p.drawRect(3, 3, 14, 14);
    p.setBrush(Qt::white);
    p.drawRect(6, 3, 8, 5);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(6, 11, 8, 6);
}

void DrawConverterMenu(QPainter& p) {
    // Two boxes joined by a line (RS232 <-> RS485) and a small arrow: a menu.
    p.setPen(QColor(50, 50, 50));
    p.setBrush(QColor(250, 220, 120));
    p.drawRect(1, 5, 6, 7);
    p.setBrush(QColor(150, 200, 250));
    p.drawRect(11, 5, 6, 7);
    p.drawLine(7, 8, 11, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    QPainterPath arrow;
    arrow.moveTo(6, 15);
    arrow.lineTo(12, 15);
    arrow.lineTo(9, 18);
    arrow.closeSubpath();
    p.drawPath(arrow);
}

}  // namespace

QPixmap GlyphPixmap(Glyph glyph) {
    QPixmap pixmap = Blank(kGlyphSize);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, glyph == Glyph::Start || glyph == Glyph::ConverterMenu);
    switch (glyph) {
    case Glyph::Pause: DrawPause(p); break;
    case Glyph::Start: DrawStart(p); break;
    case Glyph::Clear: DrawClear(p); break;
    case Glyph::Save: DrawSave(p); break;
    case Glyph::ConverterMenu: DrawConverterMenu(p); break;
    }
    return pixmap;
}

}  // namespace tulex
