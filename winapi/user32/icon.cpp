// Icons that programs make and draw: CreateIconIndirect from a colour bitmap of any format and
// an AND mask (or a monochrome mask alone), CreateIconFromResource(Ex) from the bytes of an icon
// or cursor resource (a bitmap header with the height doubled, the colour table, the colour rows
// and the AND mask rows, at 1, 4, 8, 16, 24 or 32 bits), GetIconInfo, DrawIconEx and DestroyIcon.
// As on Windows, a 32-bit colour bitmap with any alpha is drawn with its alpha; any other is drawn
// through its mask, AND then XOR.
// Left out on purpose: animated cursors (the step of DrawIconEx), DI_COMPAT, drawing into bitmaps
// other than 32 and 24 bits; resources are not scaled or reduced, so CreateIconFromResourceEx
// refuses a desired size other than the image's own, flags other than LR_DEFAULTCOLOR and
// LR_SHARED, and PNG streams (ERROR_INVALID_DATA).
#include <windows.h>

#include "winapi/gdi32/Dib.h"
#include "winapi/gdi32/Gdi.h"
#include "winapi/user32/Icon.h"
#include "winapi/user32/Window.h"

#include <atomic>
#include <cstring>

namespace winapi {

std::mutex& iconLock() {
  static auto* lock = new std::mutex;  // outlives static destructors that destroy icons
  return *lock;
}

std::map<uintptr_t, std::unique_ptr<IconData>>& icons() {
  static auto* m = new std::map<uintptr_t, std::unique_ptr<IconData>>;
  return *m;
}

bool iconPixels(HICON icon, int* width, int* height, std::vector<uint32_t>* pixels) {
  std::lock_guard<std::mutex> guard(iconLock());
  auto it = icons().find(reinterpret_cast<uintptr_t>(icon));
  if (it == icons().end() || it->second->pixels.empty()) return false;
  *width = it->second->width;
  *height = it->second->height;
  *pixels = it->second->pixels;
  return true;
}

namespace {

// A bitmap's pixels at 32 bits, top row first, converted as a blit into a default DC would.
std::vector<uint32_t> pixelsOf(const BitmapObject& bitmap) {
  const BitmapLayout& l = bitmap.layout;
  std::vector<uint32_t> out(static_cast<size_t>(l.width) * static_cast<size_t>(l.height));
  std::array<uint32_t, 256> palette = paletteOf(l, RGB(0, 0, 0), RGB(255, 255, 255));
  for (int y = 0; y < l.height; ++y) {
    unpackRow(l, palette, y, 0, l.width, &out[static_cast<size_t>(y) * static_cast<size_t>(l.width)]);
  }
  return out;
}

// A copy of an icon's picture, so drawing runs without the table's lock. Icons that carry only
// shown pixels (the stock application icon) draw those, with alpha.
bool imageOf(HICON handle, IconData* image) {
  std::lock_guard<std::mutex> guard(iconLock());
  auto it = icons().find(reinterpret_cast<uintptr_t>(handle));
  if (it == icons().end()) {
    SetLastError(ERROR_INVALID_ICON_HANDLE);
    return false;
  }
  const IconData& icon = *it->second;
  if (icon.pixels.empty()) {
    // A stock cursor is drawn by the display, not from pixels the layer holds.
    SetLastError(ERROR_NOT_SUPPORTED);
    return false;
  }
  *image = icon;
  if (image->color.empty()) {
    image->color = icon.pixels;
    image->mask.assign(icon.pixels.size(), 0);
    for (size_t i = 0; i < icon.pixels.size(); ++i) image->mask[i] = (icon.pixels[i] >> 24) == 0 ? 1 : 0;
    image->alpha = true;
  }
  return true;
}

// The AND mask as CreateBitmap takes a monochrome bitmap: rows of 16-bit units, bit 1 set
// where the background shows through.
std::vector<uint8_t> maskBits(const std::vector<uint8_t>& mask, int width, int height) {
  size_t rowBytes = static_cast<size_t>((width + 15) / 16 * 2);
  std::vector<uint8_t> bits(rowBytes * static_cast<size_t>(height), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (mask[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] != 0) {
        bits[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return bits;
}

// Draws the icon stretched (nearest pixel) over rect, in target coordinates, inside clip.
void drawIcon(PixelBuffer& target, const Region& clip, const RECT& rect, const IconData& icon, UINT flags) {
  int cx = rect.right - rect.left, cy = rect.bottom - rect.top;
  bool image = (flags & DI_IMAGE) != 0, mask = (flags & DI_MASK) != 0;
  clip.forRectsIn(rect, [&](const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y) {
      size_t sy = static_cast<size_t>(static_cast<int64_t>(y - rect.top) * icon.height / cy);
      uint32_t* row = target.row(y);
      for (int x = r.left; x < r.right; ++x) {
        size_t sx = static_cast<size_t>(static_cast<int64_t>(x - rect.left) * icon.width / cx);
        size_t i = sy * static_cast<size_t>(icon.width) + sx;
        uint32_t s = icon.color[i];
        uint32_t& d = row[x];
        if (icon.alpha && image) {
          // Source over, as the alpha blend of GDI composes an icon: the colours mix by the
          // icon's alpha and the destination's alpha grows by it.
          uint32_t sa = s >> 24;
          if (sa == 0) continue;
          if (sa == 255) {
            d = s;
            continue;
          }
          uint32_t out = 0;
          for (int shift = 0; shift < 24; shift += 8) {
            uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
            out |= ((sc * sa + dc * (255 - sa) + 127) / 255) << shift;
          }
          uint32_t da = d >> 24;
          d = out | (sa + (da * (255 - sa) + 127) / 255) << 24;
          continue;
        }
        // The mask and the image touch only the colour bytes; the destination keeps its alpha,
        // so a picture drawn from a mask icon can tell that it had none.
        uint32_t colour = d & 0x00FFFFFFu;
        uint32_t m = icon.mask[i] != 0 ? 0x00FFFFFFu : 0;
        if (mask) colour = image ? colour & m : m;
        if (image) colour = mask ? colour ^ (s & 0x00FFFFFFu) : s & 0x00FFFFFFu;
        d = (d & 0xFF000000u) | colour;
      }
    }
  });
}

}  // namespace

}  // namespace winapi

using namespace winapi;

extern "C" HICON WINAPI CreateIconIndirect(PICONINFO info) {
  if (info == nullptr || (info->hbmColor == nullptr && info->hbmMask == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::shared_ptr<BitmapObject> color, mask;
  if (info->hbmColor != nullptr) color = findObjectAs<BitmapObject>(info->hbmColor, OBJ_BITMAP);
  if (info->hbmMask != nullptr) mask = findObjectAs<BitmapObject>(info->hbmMask, OBJ_BITMAP);
  if ((info->hbmColor != nullptr && !color) || (info->hbmMask != nullptr && !mask)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto icon = std::make_unique<IconData>();
  icon->isIcon = info->fIcon;
  icon->hotspotX = info->xHotspot;
  icon->hotspotY = info->yHotspot;
  std::vector<uint32_t> maskPixels;
  if (mask) maskPixels = pixelsOf(*mask);
  if (color) {
    icon->width = color->layout.width;
    icon->height = color->layout.height;
    icon->color = pixelsOf(*color);
  } else {
    // A monochrome icon: the mask's upper half is the AND mask, its lower half the XOR image.
    icon->monochrome = true;
    icon->width = mask->layout.width;
    icon->height = mask->layout.height / 2;
    if (icon->height == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    size_t half = static_cast<size_t>(icon->width) * static_cast<size_t>(icon->height);
    icon->color.assign(maskPixels.begin() + static_cast<ptrdiff_t>(half),
                       maskPixels.begin() + static_cast<ptrdiff_t>(2 * half));
  }
  size_t count = static_cast<size_t>(icon->width) * static_cast<size_t>(icon->height);
  // A pixel of the mask lets the background through where it is white. Without a mask (which
  // Windows requires) nothing shows through.
  icon->mask.assign(count, 0);
  if (mask) {
    int mw = mask->layout.width, mh = mask->layout.height;
    for (int y = 0; y < icon->height && y < mh; ++y) {
      for (int x = 0; x < icon->width && x < mw; ++x) {
        uint32_t m = maskPixels[static_cast<size_t>(y) * static_cast<size_t>(mw) + static_cast<size_t>(x)];
        icon->mask[static_cast<size_t>(y) * static_cast<size_t>(icon->width) + static_cast<size_t>(x)] =
            (m & 0x00FFFFFFu) == 0x00FFFFFFu ? 1 : 0;
      }
    }
  }
  for (uint32_t v : icon->color) icon->alpha = icon->alpha || (v >> 24) != 0;
  icon->pixels.resize(count);
  for (size_t i = 0; i < count; ++i) {
    uint32_t c = icon->color[i];
    icon->pixels[i] = icon->alpha ? c : icon->mask[i] != 0 ? 0u : c | 0xFF000000u;
  }
  static std::atomic<uintptr_t> next{0x6F000000u};
  uintptr_t key = next += 4;
  std::lock_guard<std::mutex> guard(iconLock());
  icons()[key] = std::move(icon);
  return reinterpret_cast<HICON>(key);
}

extern "C" BOOL WINAPI GetIconInfo(HICON handle, PICONINFO info) {
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  IconData icon;
  if (!imageOf(handle, &icon)) return FALSE;
  // The caller owns both new bitmaps and deletes them.
  HBITMAP color = nullptr, mask;
  if (icon.monochrome) {
    std::vector<uint8_t> both = icon.mask;
    for (uint32_t c : icon.color) both.push_back((c & 0x00FFFFFFu) != 0 ? 1 : 0);
    mask = CreateBitmap(icon.width, 2 * icon.height, 1, 1, maskBits(both, icon.width, 2 * icon.height).data());
  } else {
    color = CreateBitmap(icon.width, icon.height, 1, 32, icon.color.data());
    mask = CreateBitmap(icon.width, icon.height, 1, 1, maskBits(icon.mask, icon.width, icon.height).data());
  }
  if (mask == nullptr || (!icon.monochrome && color == nullptr)) {
    if (color != nullptr) DeleteObject(color);
    if (mask != nullptr) DeleteObject(mask);
    return FALSE;
  }
  info->fIcon = icon.isIcon;
  info->xHotspot = icon.isIcon ? static_cast<DWORD>(icon.width / 2) : icon.hotspotX;
  info->yHotspot = icon.isIcon ? static_cast<DWORD>(icon.height / 2) : icon.hotspotY;
  info->hbmMask = mask;
  info->hbmColor = color;
  return TRUE;
}

extern "C" BOOL WINAPI DrawIconEx(HDC handle, int x, int y, HICON handleIcon, int width, int height, UINT,
                                  HBRUSH flickerFree, UINT flags) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if ((flags & DI_NORMAL) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  IconData icon;
  if (!imageOf(handleIcon, &icon)) return FALSE;
  if (width == 0) width = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : icon.width;
  if (height == 0) height = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : icon.height;
  if (width <= 0 || height <= 0 || icon.width <= 0 || icon.height <= 0) return TRUE;
  RECT rect{dc->toX(x), dc->toY(y), dc->toX(x) + width, dc->toY(y) + height};
  uint32_t background = 0;
  bool fill = false;
  if (flickerFree != nullptr) {
    std::shared_ptr<BrushObject> brush = brushFromHandle(flickerFree);
    fill = brush && brushPixel(*dc, brush.get(), &background);
  }
  const BitmapLayout* layout = layoutOf(*dc);
  if (layout == nullptr || layout->isArgb()) {
    if (fill) fillTargetRect(*dc, rect, background);
    drawIcon(*dc->target, dc->effectiveClip(), rect, icon, flags);
    dc->touch(rect);
    return TRUE;
  }
  if (layout->bitCount != 24) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  // A 24-bit bitmap is drawn on through a 32-bit copy of its pixels.
  Region clip(RECT{0, 0, layout->width, layout->height});
  if (dc->hasClip) {
    Region c = dc->clip;
    c.offset(dc->origin.x, dc->origin.y);
    clip.intersect(c);
  }
  PixelBuffer copy;
  copy.allocate(layout->width, layout->height);
  std::array<uint32_t, 256> none{};
  for (int row = 0; row < layout->height; ++row) unpackRow(*layout, none, row, 0, layout->width, copy.row(row));
  if (fill) fillRegionRect(copy, clip, rect, background);
  drawIcon(copy, clip, rect, icon, flags);
  for (int row = 0; row < layout->height; ++row) packRow(*layout, row, 0, layout->width, copy.row(row));
  return TRUE;
}

extern "C" BOOL WINAPI DestroyIcon(HICON icon) {
  std::lock_guard<std::mutex> guard(iconLock());
  auto it = icons().find(reinterpret_cast<uintptr_t>(icon));
  if (it == icons().end()) {
    SetLastError(ERROR_INVALID_ICON_HANDLE);
    return FALSE;
  }
  if (!it->second->stock) icons().erase(it);
  return TRUE;
}

namespace {

// A DIB section of `header` (height not doubled) and `colors` entries, its rows copied from `rows`.
HBITMAP sectionOf(const BITMAPINFOHEADER& header, const BYTE* table, uint32_t colors, const BYTE* rows, size_t bytes) {
  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 4 * static_cast<size_t>(colors));
  std::memcpy(info.data(), &header, sizeof(header));
  if (colors > 0) std::memcpy(info.data() + sizeof(header), table, 4 * static_cast<size_t>(colors));
  void* bits = nullptr;
  HBITMAP bitmap =
      CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr && bits != nullptr) std::memcpy(bits, rows, bytes);
  return bitmap;
}

HICON iconFromResource(const BYTE* bits, DWORD size, BOOL isIcon, DWORD version, int width, int height, UINT flags) {
  if (bits == nullptr || (version != 0x00030000 && version != 0x00020000) ||
      (flags & ~static_cast<UINT>(LR_SHARED)) != 0 || width < 0 || height < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // A cursor resource begins with its hot spot.
  WORD hotX = 0, hotY = 0;
  if (!isIcon) {
    if (size < 4) {
      SetLastError(ERROR_INVALID_DATA);
      return nullptr;
    }
    hotX = static_cast<WORD>(bits[0] | bits[1] << 8);
    hotY = static_cast<WORD>(bits[2] | bits[3] << 8);
    bits += 4;
    size -= 4;
  }
  static const BYTE kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size < sizeof(BITMAPINFOHEADER) || std::memcmp(bits, kPng, sizeof(kPng)) == 0) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  BITMAPINFOHEADER header;
  std::memcpy(&header, bits, sizeof(header));
  const uint32_t bitCount = header.biBitCount;
  const bool knownDepth =
      bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size || header.biPlanes != 1 || !knownDepth ||
      header.biCompression != BI_RGB || header.biWidth <= 0 || header.biWidth > 32768 || header.biHeight <= 0 ||
      header.biHeight > 65536 || header.biHeight % 2 != 0) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  const int imageWidth = header.biWidth, imageHeight = header.biHeight / 2;
  if ((width != 0 && width != imageWidth) || (height != 0 && height != imageHeight)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  uint64_t colors = bitCount <= 8 ? (header.biClrUsed != 0 ? header.biClrUsed : 1u << bitCount) : header.biClrUsed;
  if (bitCount <= 8 && colors > (1u << bitCount)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  const uint64_t stride = ((static_cast<uint64_t>(imageWidth) * bitCount + 31) / 32) * 4;
  const uint64_t maskStride = ((static_cast<uint64_t>(imageWidth) + 31) / 32) * 4;
  const uint64_t tableAt = header.biSize;
  const uint64_t rowsAt = tableAt + 4 * colors;
  const uint64_t maskAt = rowsAt + stride * static_cast<uint64_t>(imageHeight);
  if (maskAt + maskStride * static_cast<uint64_t>(imageHeight) > size) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  BITMAPINFOHEADER colorHeader = header;
  colorHeader.biSize = sizeof(BITMAPINFOHEADER);
  colorHeader.biHeight = imageHeight;
  colorHeader.biSizeImage = 0;
  colorHeader.biClrUsed = static_cast<DWORD>(bitCount <= 8 ? colors : 0);
  // Colour entries past a true-colour image's rows are none of its pixels' business.
  HBITMAP color = sectionOf(colorHeader, bits + tableAt, bitCount <= 8 ? static_cast<uint32_t>(colors) : 0,
                            bits + rowsAt, stride * static_cast<uint64_t>(imageHeight));
  BITMAPINFOHEADER maskHeader = colorHeader;
  maskHeader.biBitCount = 1;
  maskHeader.biClrUsed = 2;
  static const BYTE kBlackWhite[8] = {0, 0, 0, 0, 255, 255, 255, 0};
  HBITMAP mask = sectionOf(maskHeader, kBlackWhite, 2, bits + maskAt, maskStride * static_cast<uint64_t>(imageHeight));
  HICON icon = nullptr;
  if (color != nullptr && mask != nullptr) {
    ICONINFO info{isIcon, hotX, hotY, mask, color};
    icon = CreateIconIndirect(&info);
  } else {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
  if (color != nullptr) DeleteObject(color);
  if (mask != nullptr) DeleteObject(mask);
  return icon;
}

}  // namespace

extern "C" HICON WINAPI CreateIconFromResourceEx(PBYTE bits, DWORD size, BOOL isIcon, DWORD version, int width,
                                                 int height, UINT flags) {
  return iconFromResource(bits, size, isIcon, version, width, height, flags);
}

// Windows scales the plain form to the system's icon size; resources here keep their own size.
extern "C" HICON WINAPI CreateIconFromResource(PBYTE bits, DWORD size, BOOL isIcon, DWORD version) {
  return iconFromResource(bits, size, isIcon, version, 0, 0, 0);
}
