// The GDI object model shared by the layer's areas: pixel buffers, GDI objects, device contexts
// and the handle table that maps HGDIOBJ and HDC values to them.
#pragma once

#include <windows.h>

#include "winapi/gdi32/Region.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <mutex>
#include <vector>

namespace winapi {

class RealizedFont;

/// 32-bit pixels 0xAARRGGBB (bytes B, G, R, A in memory, as a 32-bit DIB holds them). Rows may
/// run upwards in memory (bottom-up DIBs): row(y) hides that.
struct PixelBuffer {
  uint32_t* row0 = nullptr;  // pixel (0, 0), the top-left corner
  ptrdiff_t stride = 0;      // in pixels; negative for bottom-up storage
  int width = 0;
  int height = 0;
  std::vector<uint32_t> owned;  // storage when the buffer owns its pixels

  uint32_t* row(int y) const { return row0 + y * stride; }
  RECT bounds() const { return RECT{0, 0, width, height}; }

  /// Allocates width x height pixels, top-down, filled with fill.
  void allocate(int w, int h, uint32_t fill = 0);
  /// Views foreign memory of w x h pixels with rows of rowBytes; bottomUp when row 0 is last.
  void view(void* bits, int w, int h, ptrdiff_t rowBytes, bool bottomUp);
};

inline uint32_t pixelOf(COLORREF c) { return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu); }
inline COLORREF colorOf(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

struct GdiObject {
  explicit GdiObject(DWORD t) : type(t) {}
  virtual ~GdiObject() = default;
  DWORD type;
  bool stock = false;
};

struct PenObject : GdiObject {
  PenObject() : GdiObject(OBJ_PEN) {}
  LOGPEN pen{};
};

struct BrushObject : GdiObject {
  BrushObject() : GdiObject(OBJ_BRUSH) {}
  LOGBRUSH brush{};
  int sysColorIndex = -1;  // a system colour brush follows that colour
};

struct FontObject : GdiObject {
  FontObject() : GdiObject(OBJ_FONT) {}
  LOGFONTW logFont{};
  std::shared_ptr<RealizedFont> realized;  // made on first use
  std::shared_ptr<RealizedFont> realize();
};

/// How a bitmap's pixels are stored, for every format a bitmap may have: DIB sections of 1, 4,
/// 8, 16, 24 and 32 bits, monochrome device bitmaps and 32-bit device bitmaps.
struct BitmapLayout {
  int width = 0;
  int height = 0;
  int bitCount = 32;
  DWORD compression = BI_RGB;
  DWORD masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};  // red, green, blue of 16 and 32 bits
  std::vector<RGBQUAD> colors;                               // the colour table of a DIB of 8 bits or fewer
  bool monochrome = false;  // a 1-bit device bitmap: 0 takes the text colour, 1 the background
  uint8_t* bits = nullptr;  // the first row in memory
  ptrdiff_t rowBytes = 0;
  bool topDown = true;

  uint8_t* row(int y) const { return bits + (topDown ? y : height - 1 - y) * rowBytes; }
  /// 32 bits in the byte order B, G, R, A: what painting writes into.
  bool isArgb() const {
    return bitCount == 32 && masks[0] == 0x00FF0000u && masks[1] == 0x0000FF00u && masks[2] == 0x000000FFu;
  }
};

/// Gives pixel memory back (see allocatePixels).
struct FreeDeleter {
  void operator()(uint8_t* p) const;
};

/// Zeroed memory for a bitmap's pixels, freed through FreeDeleter; null when out of memory.
/// Large blocks are mappings of their own in huge pages; given back, they are kept a while for the
/// next bitmap of about their size.
uint8_t* allocatePixels(size_t bytes);

struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(OBJ_BITMAP) {}
  /// The 32-bit view painting uses; empty (0 x 0) for the formats nothing paints into.
  std::shared_ptr<PixelBuffer> pixels;
  BitmapLayout layout;
  bool dibSection = false;
  bool topDown = false;
  std::unique_ptr<uint8_t, FreeDeleter> memory;  // DIB bits handed to the caller, or monochrome bits
  HDC selectedInto = nullptr;
};

struct RegionObject : GdiObject {
  RegionObject() : GdiObject(OBJ_REGION) {}
  Region region;
};

/// What a printer DC knows besides painting: its printer, and the document and page under way.
/// The page being printed is the DC's target; it goes to the display driver at EndPage.
struct PrinterState {
  std::u16string name;
  std::u16string port;
  int paperWidthMm = 0;
  int paperHeightMm = 0;
  int dotsPerInchX = 0;
  int dotsPerInchY = 0;
  bool inDocument = false;
  bool inPage = false;
  std::u16string document;
  std::u16string output;

  int widthDots() const { return paperWidthMm * dotsPerInchX * 10 / 254; }
  int heightDots() const { return paperHeightMm * dotsPerInchY * 10 / 254; }
};

/// GetDeviceCaps of a printer DC.
int printerCaps(const PrinterState& printer, int index);

/// A device context. Window DCs paint into the surface of their top-level window: origin is
/// the window's client (or window) corner in that surface and visible is what it may touch, in
/// surface coordinates. Memory DCs paint into their selected bitmap.
struct DeviceContext : GdiObject {
  explicit DeviceContext(bool isMemory) : GdiObject(isMemory ? OBJ_MEMDC : OBJ_DC), memory(isMemory) {}

  struct State {
    HGDIOBJ pen, brush, font;
    COLORREF bkColor, textColor, dcBrushColor, dcPenColor;
    int bkMode, stretchMode;
    UINT textAlign;
    POINT viewport, position;
    bool hasClip;
    Region clip;
  };

  bool memory;
  HWND hwnd = nullptr;
  std::shared_ptr<PixelBuffer> target;
  POINT origin{0, 0};
  Region visible;
  bool hasClip = false;
  Region clip;  // device coordinates (relative to origin)
  RECT dirty{0, 0, 0, 0};

  HGDIOBJ penHandle = nullptr, brushHandle = nullptr, fontHandle = nullptr, bitmapHandle = nullptr;
  std::shared_ptr<PenObject> pen;
  std::shared_ptr<BrushObject> brush;
  std::shared_ptr<FontObject> font;
  std::shared_ptr<BitmapObject> bitmap;
  std::shared_ptr<PrinterState> printer;  // set for printer DCs

  /// Set for the screen's DC: reads the screen rectangle (screen coordinates) into a buffer of
  /// its size when a blit takes it. The DC's own target is empty, so drawing into it changes
  /// nothing on the screen.
  std::function<void(const RECT&, PixelBuffer&)> readScreen;

  COLORREF bkColor = RGB(255, 255, 255);
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF dcBrushColor = RGB(255, 255, 255);
  COLORREF dcPenColor = RGB(0, 0, 0);
  int bkMode = OPAQUE;
  int stretchMode = BLACKONWHITE;
  UINT textAlign = TA_LEFT | TA_TOP;
  POINT viewport{0, 0};
  POINT position{0, 0};
  std::vector<State> saved;

  /// The region drawing may touch, in target coordinates.
  const Region& effectiveClip();
  void clipChanged() { m_effectiveValid = false; }
  /// Logical to target coordinates.
  int toX(int x) const { return x + viewport.x + origin.x; }
  int toY(int y) const { return y + viewport.y + origin.y; }
  RECT toTarget(const RECT& r) const;
  void touch(const RECT& targetRect);

 private:
  Region m_effective;
  bool m_effectiveValid = false;
};

// The handle table. Handles are never reused while the process runs, so a stale handle is
// reported as invalid instead of reaching another object.
HGDIOBJ addObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> findObject(HGDIOBJ handle);
bool removeObject(HGDIOBJ handle);

template <typename T>
std::shared_ptr<T> findObjectAs(HGDIOBJ handle, DWORD type) {
  std::shared_ptr<GdiObject> o = findObject(handle);
  if (!o || o->type != type) return nullptr;
  return std::static_pointer_cast<T>(o);
}

std::shared_ptr<DeviceContext> findDc(HDC dc);
/// Enters a new DC into the handle table with the default pen, brush and font selected.
HDC addDc(std::shared_ptr<DeviceContext> dc);
/// The DC when it paints into a 32-bit surface; otherwise null with ERROR_INVALID_HANDLE, or
/// ERROR_NOT_SUPPORTED for a memory DC holding a bitmap of another format.
std::shared_ptr<DeviceContext> findPaintDc(HDC dc);

/// A window DC for user32: target is the top-level surface, origin the drawing origin in it and
/// visible the region it may paint, in surface coordinates.
HDC createWindowDc(HWND hwnd, std::shared_ptr<PixelBuffer> target, POINT origin, Region visible);
/// Deletes a window DC and returns its dirty rectangle (surface coordinates).
RECT releaseWindowDc(HDC dc);

/// Fills a rectangle given in target coordinates, clipped to the DC, with one pixel value.
void fillTargetRect(DeviceContext& dc, const RECT& targetRect, uint32_t pixel);
/// Fills a rectangle of a pixel buffer clipped to a region.
void fillRegionRect(PixelBuffer& pixels, const Region& clip, const RECT& rect, uint32_t pixel);
/// The colour a brush paints with in this DC, or false for a hollow brush.
bool brushPixel(DeviceContext& dc, const BrushObject* brush, uint32_t* pixel);
/// A brush handle, including the system-colour values COLOR_x + 1 that classes and FillRect take.
std::shared_ptr<BrushObject> brushFromHandle(HBRUSH brush);

/// Writes the buffer as a PNG file (32-bit RGBA, uncompressed deflate); false on an I/O error.
bool writePng(const PixelBuffer& pixels, const char* path);

}  // namespace winapi
