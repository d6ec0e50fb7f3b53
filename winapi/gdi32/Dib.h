// Bitmaps of every format: their layouts, the conversion of their rows to and from the 32-bit
// pixels painting works in, and the blits that convert between formats.
#pragma once

#include <windows.h>

#include "winapi/gdi32/Gdi.h"

#include <array>
#include <cstdint>
#include <memory>

namespace winapi {

/// Registers a bitmap whose layout is complete: a 32-bit B, G, R, A layout gets the pixel view
/// painting uses, every other format an empty one.
HBITMAP addBitmap(std::shared_ptr<BitmapObject> bitmap);

/// The 32-bit value of each index of a bitmap of 8 bits or fewer. Indices past the colour table
/// give black, as GDI gives them. A monochrome device bitmap takes the given text (0) and
/// background (1) colours, as a colour DC draws it.
std::array<uint32_t, 256> paletteOf(const BitmapLayout& layout, COLORREF text, COLORREF background);

/// Converts `count` pixels of row y, from column x, into 32-bit pixels. Alpha comes only from
/// a 32-bit B, G, R, A source; every other format gives alpha 0, as GDI's conversions do.
void unpackRow(const BitmapLayout& layout, const std::array<uint32_t, 256>& palette, int y, int x, int count,
               uint32_t* out);

/// Converts 32-bit pixels into `count` pixels of row y of a 24- or 32-bit layout, from column x.
/// Alpha is dropped at 24 bits and kept at 32.
void packRow(const BitmapLayout& layout, int y, int x, int count, const uint32_t* in);

/// What GetObjectW answers for a bitmap: a DIBSECTION for a DIB section when `size` holds one,
/// else a BITMAP; the bytes written, or the bytes needed when buffer is null.
int bitmapObjectInfo(const BitmapObject& bitmap, int size, void* buffer);

/// The layout of a bitmap selected into a memory DC, or null for a window DC.
const BitmapLayout* layoutOf(const DeviceContext& dc);

/// BitBlt and StretchBlt where the source, the destination or both are not 32-bit B, G, R, A.
/// Any source converts into a 32-bit destination; a 24-bit destination takes plain copies
/// (SRCCOPY, no stretching); anything else fails with ERROR_NOT_SUPPORTED.
BOOL blitConverted(DeviceContext& dest, int x, int y, int width, int height, DeviceContext& source, int sourceX,
                   int sourceY, int sourceWidth, int sourceHeight, DWORD rop);

}  // namespace winapi
