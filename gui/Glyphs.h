#pragma once
// The button glyphs, drawn in code so the program needs no image files (the
// window icon is in gui/AppIcon.h).

#include <QPixmap>

namespace tulex {

enum class Glyph { Pause, Start, Clear, Save, ConverterMenu };

// A 20 x 20 glyph for a speed button.
QPixmap GlyphPixmap(Glyph glyph);

}  // namespace tulex
