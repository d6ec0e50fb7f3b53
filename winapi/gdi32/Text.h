// Text helpers shared by the text calls of gdi32 and DrawTextW.
#pragma once

#include "winapi/gdi32/Font.h"
#include "winapi/gdi32/Gdi.h"

#include <memory>

namespace winapi {

/// The realised font selected into the DC (null when it cannot be realised).
std::shared_ptr<RealizedFont> fontOf(DeviceContext& dc);

/// Draws a run with its cell's top-left corner at (x, top) in target coordinates, in the DC's
/// text colour; with opaqueBackground the cell is first filled with the background colour.
/// clipTarget, when given, limits the run further. The text-run observer of the test seams
/// sees the run.
void drawTextRun(HDC handle, DeviceContext& dc, RealizedFont& font, int x, int top, const char16_t* text, int count,
                 const int* dx, const RECT* clipTarget, bool opaqueBackground);

/// UTF-16 units of a text given with a count that may be -1 (up to the NUL).
int textUnits(LPCWSTR text, int count);

}  // namespace winapi
