#include "win32/Glyphs.h"

namespace tulex::win32 {

namespace {

class Painter {
public:
    Painter(HDC dc, const RECT& box, int dpi, bool enabled) : dc_(dc), dpi_(dpi), enabled_(enabled) {
        const int size = S(20);
        left_ = (box.left + box.right - size) / 2;
        top_ = (box.top + box.bottom - size) / 2;
    }
    int S(int v) const { return MulDiv(v, dpi_, 96); }
    POINT P(int x, int y) const { return {left_ + S(x), top_ + S(y)}; }
    COLORREF C(COLORREF c) const {
        if (enabled_) return c;
        const int grey = (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c)) / 10 / 2 + 110;
        return RGB(grey, grey, grey);
    }
    void Rect(int x, int y, int w, int h, COLORREF fill, const COLORREF* border = nullptr) {
        HBRUSH brush = CreateSolidBrush(C(fill));
        HPEN pen = CreatePen(PS_SOLID, 1, C(border ? *border : fill));
        HGDIOBJ oldBrush = SelectObject(dc_, brush);
        HGDIOBJ oldPen = SelectObject(dc_, pen);
        const POINT a = P(x, y);
        const POINT b = P(x + w, y + h);
        Rectangle(dc_, a.x, a.y, b.x, b.y);
        SelectObject(dc_, oldBrush);
        SelectObject(dc_, oldPen);
        DeleteObject(brush);
        DeleteObject(pen);
    }
    void Polygon3(POINT a, POINT b, POINT c, COLORREF fill) {
        HBRUSH brush = CreateSolidBrush(C(fill));
        HPEN pen = CreatePen(PS_SOLID, 1, C(fill));
        HGDIOBJ oldBrush = SelectObject(dc_, brush);
        HGDIOBJ oldPen = SelectObject(dc_, pen);
        const POINT points[] = {P(a.x, a.y), P(b.x, b.y), P(c.x, c.y)};
        Polygon(dc_, points, 3);
        SelectObject(dc_, oldBrush);
        SelectObject(dc_, oldPen);
        DeleteObject(brush);
        DeleteObject(pen);
    }
    void Line(int x1, int y1, int x2, int y2, COLORREF colour, int width) {
        HPEN pen = CreatePen(PS_SOLID, S(width), C(colour));
        HGDIOBJ old = SelectObject(dc_, pen);
        const POINT a = P(x1, y1);
        const POINT b = P(x2, y2);
        MoveToEx(dc_, a.x, a.y, nullptr);
        LineTo(dc_, b.x, b.y);
        SelectObject(dc_, old);
        DeleteObject(pen);
    }

private:
    HDC dc_;
    int dpi_;
    bool enabled_;
    int left_ = 0, top_ = 0;
};

}  // namespace

void DrawGlyph(HDC dc, const RECT& box, Glyph glyph, int dpi, bool enabled) {
    Painter p(dc, box, dpi, enabled);
    switch (glyph) {
    case Glyph::Pause:
        p.Rect(5, 4, 3, 12, RGB(40, 70, 160));
        p.Rect(12, 4, 3, 12, RGB(40, 70, 160));
        break;
    case Glyph::Start: p.Polygon3({6, 3}, {16, 10}, {6, 17}, RGB(30, 150, 40)); break;
    case Glyph::Clear: {
        // A sheet with a red cross: empty the list.
        const COLORREF border = RGB(110, 110, 110);
        p.Rect(4, 2, 11, 15, RGB(255, 255, 255), &border);
        p.Line(9, 10, 17, 18, RGB(200, 30, 30), 2);
        p.Line(17, 10, 9, 18, RGB(200, 30, 30), 2);
        break;
    }
    case Glyph::Save: {
        // A diskette.
        const COLORREF border = RGB(30, 40, 90);
        p.Rect(3, 3, 14, 14, RGB(60, 90, 170), &border);
        p.Rect(6, 3, 8, 5, RGB(255, 255, 255), &border);
        p.Rect(6, 11, 8, 6, RGB(200, 200, 200), &border);
        break;
    }
    case Glyph::ConverterMenu: {
        // Two boxes joined by a line (RS232 <-> RS485) and a small arrow: a menu.
        const COLORREF border = RGB(50, 50, 50);
        p.Rect(1, 5, 6, 7, RGB(250, 220, 120), &border);
        p.Rect(11, 5, 6, 7, RGB(150, 200, 250), &border);
        p.Line(7, 8, 11, 8, border, 1);
        p.Polygon3({6, 15}, {12, 15}, {9, 18}, RGB(0, 0, 0));
        break;
    }
    }
}

}  // namespace tulex::win32
