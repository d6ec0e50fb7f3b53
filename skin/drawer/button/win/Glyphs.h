// The named vector glyphs of the thin button drawer ("#Down", "#Check", "#X", ...), drawn from
// rectangle fills only so that they scale with the display and take any colour.
#pragma once

#include <windows.h>

#include <cstdint>

class CDC;

namespace s::gui::drawer::button::win {

/// Paints the glyph `name` into the rectangle from (left, top) to (right, bottom) at display
/// scale `scale` (1, 2 or 4) in `color` (0x00BBGGRR). True when the name is a glyph (drawn as far
/// as the box holds it); false, painting nothing, for a null or empty text, a text without the
/// leading "#", "#" alone, an unknown name, or a "#Color-" not followed by exactly eight
/// hexadecimal digits. Every glyph stays inside the rectangle inset by `scale`, except "#Check",
/// "#Resizer" and "#Color-", which are placed by the given rectangle.
bool paintNamedGlyph(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     const WCHAR* name, COLORREF color, int32_t scale);

}  // namespace s::gui::drawer::button::win
