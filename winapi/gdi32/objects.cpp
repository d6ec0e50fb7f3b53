// GDI objects and device contexts: the handle table, stock objects, pens, brushes, fonts,
// bitmaps and DIB sections, selection, saving and restoring DC state, and the DC attributes.
// Device bitmaps are 32-bit or monochrome; DIB sections of every depth are in dib.cpp.
// Left out on purpose: palettes (every surface is 32-bit), hatched and pattern brushes, and
// mapping modes other than MM_TEXT.
#include "winapi/gdi32/Gdi.h"
#include "winapi/gdi32/SystemLook.h"

#include "winapi/gdi32/Dib.h"

#include "winapi/base/debug.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace winapi {

void PixelBuffer::allocate(int w, int h, uint32_t fill) {
  width = std::max(w, 0);
  height = std::max(h, 0);
  owned.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
  row0 = owned.data();
  stride = width;
}

void PixelBuffer::view(void* bits, int w, int h, ptrdiff_t rowBytes, bool bottomUp) {
  width = w;
  height = h;
  ptrdiff_t rowPixels = rowBytes / 4;
  if (bottomUp) {
    row0 = static_cast<uint32_t*>(bits) + (h - 1) * rowPixels;
    stride = -rowPixels;
  } else {
    row0 = static_cast<uint32_t*>(bits);
    stride = rowPixels;
  }
}

namespace {

struct HandleTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>> objects;
  // Handles start high and step by 4 so that they never look like small integers (the
  // COLOR_x + 1 brush values) or null.
  uintptr_t next = 0x10000;
};

HandleTable& table() {
  static HandleTable* t = new HandleTable;  // outlives static destructors that free objects
  return *t;
}

std::shared_ptr<GdiObject> makeStock(int index) {
  switch (index) {
    case WHITE_BRUSH:
    case LTGRAY_BRUSH:
    case GRAY_BRUSH:
    case DKGRAY_BRUSH:
    case BLACK_BRUSH:
    case DC_BRUSH: {
      static const COLORREF kColors[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                                         RGB(0, 0, 0)};
      auto b = std::make_shared<BrushObject>();
      b->brush.lbStyle = BS_SOLID;
      b->brush.lbColor = index == DC_BRUSH ? RGB(255, 255, 255) : kColors[index];
      return b;
    }
    case NULL_BRUSH: {
      auto b = std::make_shared<BrushObject>();
      b->brush.lbStyle = BS_NULL;
      return b;
    }
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN:
    case DC_PEN: {
      auto p = std::make_shared<PenObject>();
      p->pen.lopnStyle = index == NULL_PEN ? PS_NULL : PS_SOLID;
      p->pen.lopnWidth = POINT{1, 0};
      p->pen.lopnColor = index == WHITE_PEN ? RGB(255, 255, 255) : RGB(0, 0, 0);
      return p;
    }
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT: {
      auto f = std::make_shared<FontObject>();
      bool fixed = index == OEM_FIXED_FONT || index == ANSI_FIXED_FONT || index == SYSTEM_FIXED_FONT;
      f->logFont.lfHeight = index == SYSTEM_FONT || index == DEVICE_DEFAULT_FONT ? -16 : -11;
      f->logFont.lfWeight = index == SYSTEM_FONT ? FW_BOLD : FW_NORMAL;
      f->logFont.lfCharSet = DEFAULT_CHARSET;
      f->logFont.lfPitchAndFamily = fixed ? (FIXED_PITCH | FF_MODERN) : (VARIABLE_PITCH | FF_SWISS);
      const char16_t* face = fixed ? u"Courier New" : u"MS Shell Dlg";
      std::memcpy(f->logFont.lfFaceName, face, (std::char_traits<char16_t>::length(face) + 1) * 2);
      return f;
    }
    default: return nullptr;
  }
}

constexpr int kStockCount = 20;
// The 1 x 1 bitmap a new memory DC holds.
constexpr int kDefaultBitmap = kStockCount;

HGDIOBJ stockHandle(int index) {
  static HGDIOBJ handles[kStockCount + 1] = {};
  static std::once_flag once;
  std::call_once(once, [] {
    for (int i = 0; i < kStockCount; ++i) {
      std::shared_ptr<GdiObject> o = makeStock(i);
      if (!o) continue;
      o->stock = true;
      handles[i] = addObject(std::move(o));
    }
    auto bitmap = std::make_shared<BitmapObject>();
    bitmap->stock = true;
    bitmap->pixels = std::make_shared<PixelBuffer>();
    bitmap->pixels->allocate(1, 1, 0xFF000000u);
    bitmap->layout.width = bitmap->layout.height = 1;
    bitmap->layout.bits = reinterpret_cast<uint8_t*>(bitmap->pixels->row0);
    bitmap->layout.rowBytes = 4;
    handles[kDefaultBitmap] = addObject(std::move(bitmap));
  });
  return index >= 0 && index <= kStockCount ? handles[index] : nullptr;
}

void selectDefaults(DeviceContext& dc) {
  dc.penHandle = stockHandle(BLACK_PEN);
  dc.pen = findObjectAs<PenObject>(dc.penHandle, OBJ_PEN);
  dc.brushHandle = stockHandle(WHITE_BRUSH);
  dc.brush = findObjectAs<BrushObject>(dc.brushHandle, OBJ_BRUSH);
  dc.fontHandle = stockHandle(SYSTEM_FONT);
  dc.font = findObjectAs<FontObject>(dc.fontHandle, OBJ_FONT);
}

}  // namespace

HDC addDc(std::shared_ptr<DeviceContext> dc) {
  selectDefaults(*dc);
  return static_cast<HDC>(addObject(std::move(dc)));
}

HGDIOBJ addObject(std::shared_ptr<GdiObject> object) {
  HandleTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  uintptr_t h = t.next;
  t.next += 4;
  t.objects.emplace(h, std::move(object));
  return reinterpret_cast<HGDIOBJ>(h);
}

std::shared_ptr<GdiObject> findObject(HGDIOBJ handle) {
  HandleTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

bool removeObject(HGDIOBJ handle) {
  HandleTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.objects.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

std::shared_ptr<DeviceContext> findDc(HDC dc) {
  std::shared_ptr<GdiObject> o = findObject(dc);
  if (!o || (o->type != OBJ_DC && o->type != OBJ_MEMDC)) return nullptr;
  return std::static_pointer_cast<DeviceContext>(o);
}

std::shared_ptr<DeviceContext> findPaintDc(HDC handle) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const BitmapLayout* layout = layoutOf(*dc);
  if (layout != nullptr && !layout->isArgb()) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  return dc;
}

const Region& DeviceContext::effectiveClip() {
  if (!m_effectiveValid) {
    m_effective = visible;
    if (target) m_effective.intersect(target->bounds());
    if (hasClip) {
      Region c = clip;
      c.offset(origin.x, origin.y);
      m_effective.intersect(c);
    }
    m_effectiveValid = true;
  }
  return m_effective;
}

RECT DeviceContext::toTarget(const RECT& r) const { return RECT{toX(r.left), toY(r.top), toX(r.right), toY(r.bottom)}; }

void DeviceContext::touch(const RECT& r) {
  if (r.left >= r.right || r.top >= r.bottom) return;
  if (dirty.left >= dirty.right || dirty.top >= dirty.bottom) {
    dirty = r;
  } else {
    dirty.left = std::min(dirty.left, r.left);
    dirty.top = std::min(dirty.top, r.top);
    dirty.right = std::max(dirty.right, r.right);
    dirty.bottom = std::max(dirty.bottom, r.bottom);
  }
}

HDC createWindowDc(HWND hwnd, std::shared_ptr<PixelBuffer> target, POINT origin, Region visible) {
  auto dc = std::make_shared<DeviceContext>(false);
  dc->hwnd = hwnd;
  dc->target = std::move(target);
  dc->origin = origin;
  dc->visible = std::move(visible);
  return addDc(std::move(dc));
}

RECT releaseWindowDc(HDC handle) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc || dc->memory) return RECT{0, 0, 0, 0};
  removeObject(handle);
  return dc->dirty;
}

std::shared_ptr<BrushObject> brushFromHandle(HBRUSH handle) {
  uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  if (value != 0 && value <= COLOR_MENUBAR + 1) {
    // Windows accepts COLOR_x + 1 wherever a class or FillRect takes a brush.
    auto b = std::make_shared<BrushObject>();
    b->brush.lbStyle = BS_SOLID;
    b->sysColorIndex = static_cast<int>(value) - 1;
    b->brush.lbColor = systemColor(b->sysColorIndex);
    return b;
  }
  return findObjectAs<BrushObject>(handle, OBJ_BRUSH);
}

bool brushPixel(DeviceContext& dc, const BrushObject* brush, uint32_t* pixel) {
  if (brush == nullptr || brush->brush.lbStyle == BS_NULL) return false;
  if (brush->sysColorIndex >= 0) {
    *pixel = pixelOf(systemColor(brush->sysColorIndex));
  } else if (brush->stock && dc.brushHandle == stockHandle(DC_BRUSH) && brush == dc.brush.get()) {
    *pixel = pixelOf(dc.dcBrushColor);
  } else {
    *pixel = pixelOf(brush->brush.lbColor);
  }
  return true;
}

}  // namespace winapi

using namespace winapi;

extern "C" HGDIOBJ WINAPI GetStockObject(int object) {
  if (object < 0 || object >= kStockCount) return nullptr;
  return stockHandle(object);
}

extern "C" DWORD WINAPI GetObjectType(HGDIOBJ object) {
  std::shared_ptr<GdiObject> o = findObject(object);
  if (!o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return o->type;
}

extern "C" HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  auto b = std::make_shared<BrushObject>();
  b->brush.lbStyle = BS_SOLID;
  b->brush.lbColor = color & 0x00FFFFFF;
  return static_cast<HBRUSH>(addObject(std::move(b)));
}

extern "C" HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* brush) {
  if (brush == nullptr || (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_NULL)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto b = std::make_shared<BrushObject>();
  b->brush = *brush;
  return static_cast<HBRUSH>(addObject(std::move(b)));
}

extern "C" HPEN WINAPI CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto p = std::make_shared<PenObject>();
  p->pen.lopnStyle = static_cast<UINT>(style);
  p->pen.lopnWidth = POINT{std::max(width, 0), 0};
  p->pen.lopnColor = color & 0x00FFFFFF;
  return static_cast<HPEN>(addObject(std::move(p)));
}

extern "C" HPEN WINAPI CreatePenIndirect(const LOGPEN* pen) {
  if (pen == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

extern "C" HFONT WINAPI CreateFontIndirectW(const LOGFONTW* font) {
  if (font == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto f = std::make_shared<FontObject>();
  f->logFont = *font;
  f->logFont.lfFaceName[LF_FACESIZE - 1] = 0;
  return static_cast<HFONT>(addObject(std::move(f)));
}

extern "C" HFONT WINAPI CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                                    DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                                    DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic);
  lf.lfUnderline = static_cast<BYTE>(underline);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  for (int i = 0; faceName != nullptr && faceName[i] != 0 && i < LF_FACESIZE - 1; ++i) {
    lf.lfFaceName[i] = faceName[i];
  }
  return CreateFontIndirectW(&lf);
}

extern "C" HDC WINAPI CreateCompatibleDC(HDC) {
  auto dc = std::make_shared<DeviceContext>(true);
  dc->bitmapHandle = stockHandle(kDefaultBitmap);
  dc->bitmap = findObjectAs<BitmapObject>(dc->bitmapHandle, OBJ_BITMAP);
  dc->target = dc->bitmap->pixels;
  dc->visible = Region(dc->target->bounds());
  return addDc(std::move(dc));
}

extern "C" BOOL WINAPI DeleteDC(HDC handle) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->selectedInto = nullptr;
  removeObject(handle);
  return TRUE;
}

extern "C" HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ object) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  std::shared_ptr<GdiObject> o = findObject(object);
  if (!dc || !o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HGDIOBJ previous = nullptr;
  switch (o->type) {
    case OBJ_PEN:
      previous = dc->penHandle;
      dc->penHandle = object;
      dc->pen = std::static_pointer_cast<PenObject>(o);
      return previous;
    case OBJ_BRUSH:
      previous = dc->brushHandle;
      dc->brushHandle = object;
      dc->brush = std::static_pointer_cast<BrushObject>(o);
      return previous;
    case OBJ_FONT:
      previous = dc->fontHandle;
      dc->fontHandle = object;
      dc->font = std::static_pointer_cast<FontObject>(o);
      return previous;
    case OBJ_BITMAP: {
      if (!dc->memory) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      auto bitmap = std::static_pointer_cast<BitmapObject>(o);
      // A bitmap can be selected into one memory DC at a time.
      if (!bitmap->stock && bitmap->selectedInto != nullptr && bitmap->selectedInto != handle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      previous = dc->bitmapHandle;
      if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->selectedInto = nullptr;
      if (!bitmap->stock) bitmap->selectedInto = handle;
      dc->bitmapHandle = object;
      dc->bitmap = bitmap;
      dc->target = bitmap->pixels;
      dc->visible = Region(dc->target->bounds());
      dc->hasClip = false;
      dc->clip.clear();
      dc->clipChanged();
      return previous;
    }
    case OBJ_REGION: {
      int kind = SelectClipRgn(handle, static_cast<HRGN>(object));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(kind));
    }
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
}

extern "C" BOOL WINAPI DeleteObject(HGDIOBJ object) {
  std::shared_ptr<GdiObject> o = findObject(object);
  if (!o || o->type == OBJ_DC || o->type == OBJ_MEMDC) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (o->stock) return TRUE;  // stock objects are never deleted
  if (o->type == OBJ_BITMAP && std::static_pointer_cast<BitmapObject>(o)->selectedInto != nullptr) {
    return FALSE;  // a bitmap selected into a DC stays
  }
  // A DC that still holds a pen, brush or font keeps its own reference; the handle goes now.
  removeObject(object);
  return TRUE;
}

extern "C" int WINAPI GetObjectW(HANDLE object, int size, LPVOID buffer) {
  std::shared_ptr<GdiObject> o = findObject(object);
  if (!o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  auto copy = [&](const void* data, int bytes) {
    if (buffer == nullptr) return bytes;
    int n = std::min(size, bytes);
    if (n <= 0) return 0;
    std::memcpy(buffer, data, static_cast<size_t>(n));
    return n;
  };
  switch (o->type) {
    case OBJ_PEN: return copy(&static_cast<PenObject&>(*o).pen, sizeof(LOGPEN));
    case OBJ_BRUSH: {
      LOGBRUSH b = static_cast<BrushObject&>(*o).brush;
      return copy(&b, sizeof(LOGBRUSH));
    }
    case OBJ_FONT: return copy(&static_cast<FontObject&>(*o).logFont, sizeof(LOGFONTW));
    case OBJ_BITMAP: return bitmapObjectInfo(static_cast<BitmapObject&>(*o), size, buffer);
    default: SetLastError(ERROR_INVALID_HANDLE); return 0;
  }
}

extern "C" HGDIOBJ WINAPI GetCurrentObject(HDC handle, UINT type) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->penHandle;
    case OBJ_BRUSH: return dc->brushHandle;
    case OBJ_FONT: return dc->fontHandle;
    case OBJ_BITMAP: return dc->bitmapHandle;
    default: return nullptr;
  }
}

namespace {

// Device bitmaps: 32-bit ones start opaque black; monochrome ones (rows of 16-bit units, as
// CreateBitmap takes them) start with every bit 0.
HBITMAP makeBitmap(int width, int height, int bitCount, const void* bits) {
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto b = std::make_shared<BitmapObject>();
  BitmapLayout& l = b->layout;
  l.width = width;
  l.height = height;
  l.bitCount = bitCount;
  l.monochrome = bitCount == 1;
  l.rowBytes = bitCount == 1 ? (width + 15) / 16 * 2 : static_cast<ptrdiff_t>(width) * 4;
  size_t bytes = static_cast<size_t>(l.rowBytes) * static_cast<size_t>(height);
  b->memory.reset(allocatePixels(bytes));
  if (!b->memory) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  l.bits = b->memory.get();
  if (bits != nullptr) {
    std::memcpy(l.bits, bits, bytes);
  } else if (bitCount == 32) {
    auto* p = reinterpret_cast<uint32_t*>(l.bits);
    std::fill(p, p + bytes / 4, 0xFF000000u);
  }
  return addBitmap(std::move(b));
}

}  // namespace

extern "C" HBITMAP WINAPI CreateCompatibleBitmap(HDC, int width, int height) {
  return makeBitmap(width, height, 32, nullptr);
}

extern "C" HBITMAP WINAPI CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits) {
  if (planes != 1 || (bitCount != 32 && bitCount != 1)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return makeBitmap(width, height, static_cast<int>(bitCount), bits);
}

extern "C" int WINAPI SaveDC(HDC handle) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return 0;
  dc->saved.push_back(DeviceContext::State{dc->penHandle, dc->brushHandle, dc->fontHandle, dc->bkColor, dc->textColor,
                                           dc->dcBrushColor, dc->dcPenColor, dc->bkMode, dc->stretchMode, dc->textAlign,
                                           dc->viewport, dc->position, dc->hasClip, dc->clip});
  return static_cast<int>(dc->saved.size());
}

extern "C" BOOL WINAPI RestoreDC(HDC handle, int level) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return FALSE;
  int count = static_cast<int>(dc->saved.size());
  int index = level < 0 ? count + level : level - 1;
  if (index < 0 || index >= count) return FALSE;
  DeviceContext::State s = dc->saved[static_cast<size_t>(index)];
  dc->saved.resize(static_cast<size_t>(index));
  // Objects deleted since the save cannot come back; the current ones stay then.
  if (findObject(s.pen)) SelectObject(handle, s.pen);
  if (findObject(s.brush)) SelectObject(handle, s.brush);
  if (findObject(s.font)) SelectObject(handle, s.font);
  dc->bkColor = s.bkColor;
  dc->textColor = s.textColor;
  dc->dcBrushColor = s.dcBrushColor;
  dc->dcPenColor = s.dcPenColor;
  dc->bkMode = s.bkMode;
  dc->stretchMode = s.stretchMode;
  dc->textAlign = s.textAlign;
  dc->viewport = s.viewport;
  dc->position = s.position;
  dc->hasClip = s.hasClip;
  dc->clip = s.clip;
  dc->clipChanged();
  return TRUE;
}

extern "C" int WINAPI GetDeviceCaps(HDC handle, int index) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (dc && dc->printer) return printerCaps(*dc->printer, index);
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT | RC_DI_BITMAP;
    case HORZRES:
    case DESKTOPHORZRES: return dc && dc->memory ? dc->bitmap->layout.width : systemMetric(SM_CXSCREEN);
    case VERTRES:
    case DESKTOPVERTRES: return dc && dc->memory ? dc->bitmap->layout.height : systemMetric(SM_CYSCREEN);
    case HORZSIZE: return systemMetric(SM_CXSCREEN) * 254 / 960;
    case VERTSIZE: return systemMetric(SM_CYSCREEN) * 254 / 960;
    case SIZEPALETTE: return 0;
    default: return 0;
  }
}

extern "C" int WINAPI Escape(HDC, int escape, int, LPCSTR, LPVOID) {
  // No printer escapes on a display surface: 0 says the escape is not implemented.
  FIXME(Gdi32, "escape %d is not supported", escape);
  SetLastError(ERROR_NOT_SUPPORTED);
  return 0;
}

#define DC_ATTRIBUTE(type, Get, Set, field, failure)    \
  extern "C" type WINAPI Set(HDC handle, type value) {  \
    std::shared_ptr<DeviceContext> dc = findDc(handle); \
    if (!dc) return failure;                            \
    type previous = dc->field;                          \
    dc->field = value;                                  \
    return previous;                                    \
  }                                                     \
  extern "C" type WINAPI Get(HDC handle) {              \
    std::shared_ptr<DeviceContext> dc = findDc(handle); \
    return dc ? dc->field : failure;                    \
  }

DC_ATTRIBUTE(COLORREF, GetBkColor, SetBkColor, bkColor, CLR_INVALID)
DC_ATTRIBUTE(COLORREF, GetTextColor, SetTextColor, textColor, CLR_INVALID)
DC_ATTRIBUTE(UINT, GetTextAlign, SetTextAlign, textAlign, GDI_ERROR)

extern "C" int WINAPI SetBkMode(HDC handle, int mode) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->bkMode;
  dc->bkMode = mode;
  return previous;
}

extern "C" int WINAPI GetBkMode(HDC handle) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  return dc ? dc->bkMode : 0;
}

extern "C" int WINAPI SetStretchBltMode(HDC handle, int mode) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  int previous = dc->stretchMode;
  dc->stretchMode = mode;
  return previous;
}

extern "C" int WINAPI GetStretchBltMode(HDC handle) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  return dc ? dc->stretchMode : 0;
}

extern "C" COLORREF WINAPI SetDCBrushColor(HDC handle, COLORREF color) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->dcBrushColor;
  dc->dcBrushColor = color & 0x00FFFFFF;
  return previous;
}

extern "C" COLORREF WINAPI SetDCPenColor(HDC handle, COLORREF color) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->dcPenColor;
  dc->dcPenColor = color & 0x00FFFFFF;
  return previous;
}

extern "C" BOOL WINAPI SetViewportOrgEx(HDC handle, int x, int y, LPPOINT previous) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return FALSE;
  if (previous != nullptr) *previous = dc->viewport;
  dc->viewport = POINT{x, y};
  return TRUE;
}

extern "C" BOOL WINAPI GetViewportOrgEx(HDC handle, LPPOINT origin) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc || origin == nullptr) return FALSE;
  *origin = dc->viewport;
  return TRUE;
}

extern "C" BOOL WINAPI OffsetViewportOrgEx(HDC handle, int dx, int dy, LPPOINT previous) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return FALSE;
  if (previous != nullptr) *previous = dc->viewport;
  dc->viewport.x += dx;
  dc->viewport.y += dy;
  return TRUE;
}
