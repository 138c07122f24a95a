#pragma once
// The window icon and the button glyphs, drawn in code so the program needs
// no image files.

#include <QIcon>
#include <QPixmap>

namespace tulex {

enum class Glyph { Pause, Start, Clear, Save, ConverterMenu };

// A 20 x 20 glyph for a speed button.
QPixmap GlyphPixmap(Glyph glyph);

// The 16 x 16 window icon (plus a 32 x 32 version for task bars).
QIcon WindowIcon();

}  // namespace tulex
