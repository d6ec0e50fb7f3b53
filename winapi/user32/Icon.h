// The icons and cursors of the process: one table from handle to picture, shared by the stock
// cursors (input.cpp) and the icons programs make (icon.cpp).
#pragma once

#include <windows.h>

#include "winapi/gdi32/DisplayDriver.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace winapi {

/// One icon or cursor. Stock cursors carry only their shape; the stock application icon only
/// `pixels`.
struct IconData {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // what a window manager shows, straight alpha, top row first
  std::vector<uint32_t> color;   // the colour bitmap at 32 bits (black and white for monochrome icons)
  std::vector<uint8_t> mask;     // the AND mask, one byte per pixel: 1 lets the background through
  bool alpha = false;            // the colour's alpha is drawn instead of the mask
  bool monochrome = false;       // made from a mask alone: AND over XOR, twice the height
  BOOL isIcon = TRUE;
  DWORD hotspotX = 0, hotspotY = 0;
  bool stock = false;
  PointerShape shape = PointerShape::Arrow;
};

/// Guards the table and every IconData in it.
std::mutex& iconLock();
std::map<uintptr_t, std::unique_ptr<IconData>>& icons();

}  // namespace winapi
