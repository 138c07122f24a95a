#pragma once
// The pictures of the speed buttons (pause, start, clear, save, the
// converter menu), drawn with GDI into a 20 x 20 box at 96 dpi.

#include <windows.h>

namespace tulex::win32 {

enum class Glyph { Pause, Start, Clear, Save, ConverterMenu };

// Draws the glyph centred in `box`, scaled to dpi; greyed when disabled.
void DrawGlyph(HDC dc, const RECT& box, Glyph glyph, int dpi, bool enabled);

}  // namespace tulex::win32
