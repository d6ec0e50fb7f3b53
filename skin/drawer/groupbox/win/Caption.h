// The caption line that both group-box drawers draw into their top edge.
#pragma once

#include "gui/drawer/Forward.h"

#include <windows.h>

namespace s::gui::drawer::groupbox::win {

/// Draws the text on one line without prefix processing, transparent, in the font's colour and
/// font, and restores the context's background mode, font and text colour. Nothing without a
/// text or a font, or for an empty rectangle.
void paintCaption(CDC* dc, const RECT& rect, const WCHAR* text, IFont* font);

}  // namespace s::gui::drawer::groupbox::win
