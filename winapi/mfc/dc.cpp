// The framework's painting classes: CDC and the DCs of a window (CPaintDC, CClientDC,
// CWindowDC), and the GDI objects (CGdiObject, CPen, CBrush, CFont, CBitmap, CRgn).
#include <afxwin.h>

#include "winapi/mfc/maps.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)
IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)

namespace winapi::mfc {

HandleMaps<HDC, CDC>& dcMaps() {
  static auto* maps = new HandleMaps<HDC, CDC>;
  return *maps;
}

HandleMaps<HGDIOBJ, CGdiObject>& gdiMaps() {
  static auto* maps = new HandleMaps<HGDIOBJ, CGdiObject>;
  return *maps;
}

}  // namespace winapi::mfc

using winapi::mfc::dcMaps;
using winapi::mfc::gdiMaps;

// --- CDC ---

CDC::~CDC() {
  if (m_owned) {
    DeleteDC();
  } else if (m_hDC != nullptr) {
    Detach();
  }
}

CDC* CDC::FromHandle(HDC dc) {
  if (dc == nullptr) return nullptr;
  if (CDC* permanent = dcMaps().permanent(dc)) return permanent;
  return dcMaps().temporary(dc, [dc] {
    auto* d = new CDC;
    d->m_hDC = d->m_hAttribDC = dc;
    return d;
  });
}

BOOL CDC::Attach(HDC dc) {
  if (dc == nullptr || m_hDC != nullptr) return FALSE;
  m_hDC = m_hAttribDC = dc;
  dcMaps().addPermanent(dc, this);
  return TRUE;
}

HDC CDC::Detach() {
  HDC dc = m_hDC;
  if (dc != nullptr && dcMaps().permanent(dc) == this) dcMaps().removePermanent(dc);
  m_hDC = m_hAttribDC = nullptr;
  m_owned = false;
  return dc;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  if (!Attach(::CreateCompatibleDC(dc != nullptr ? dc->m_hDC : nullptr))) return FALSE;
  m_owned = true;
  return TRUE;
}

BOOL CDC::DeleteDC() {
  if (m_hDC == nullptr) return FALSE;
  return ::DeleteDC(Detach());
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
  if (object == nullptr) return nullptr;
  return CGdiObject::FromHandle(::SelectObject(m_hDC, object->m_hObject));
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
  ::SetBkColor(m_hDC, color);
  ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF color) {
  RECT r{x, y, x + width, y + height};
  FillSolidRect(&r, color);
}

SIZE CDC::TabbedTextOut(int x, int y, LPCWSTR text, int count, int tabCount, const INT* tabStops, int tabOrigin) {
  LONG extent = ::TabbedTextOutW(m_hDC, x, y, text, count, tabCount, tabStops, tabOrigin);
  return SIZE{LOWORD(extent), HIWORD(extent)};
}

SIZE CDC::GetTextExtent(LPCWSTR text, int count) const {
  SIZE size{0, 0};
  ::GetTextExtentPoint32W(m_hAttribDC, text, count, &size);
  return size;
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { Attach(::BeginPaint(m_hWnd, &m_ps)); }

CPaintDC::~CPaintDC() {
  ::EndPaint(m_hWnd, &m_ps);
  Detach();
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd != nullptr ? wnd->m_hWnd : nullptr) { Attach(::GetDC(m_hWnd)); }

CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, Detach()); }

CWindowDC::CWindowDC(CWnd* wnd) : m_hWnd(wnd != nullptr ? wnd->m_hWnd : nullptr) { Attach(::GetWindowDC(m_hWnd)); }

CWindowDC::~CWindowDC() { ::ReleaseDC(m_hWnd, Detach()); }

// --- GDI objects ---

CGdiObject::~CGdiObject() { DeleteObject(); }

CGdiObject* CGdiObject::FromHandle(HGDIOBJ object) {
  if (object == nullptr) return nullptr;
  if (CGdiObject* permanent = gdiMaps().permanent(object)) return permanent;
  return gdiMaps().temporary(object, [object]() -> CGdiObject* {
    // The temporary object has the class of its GDI object, so callers may cast it.
    CGdiObject* o;
    switch (::GetObjectType(object)) {
      case OBJ_PEN: o = new CPen; break;
      case OBJ_BRUSH: o = new CBrush; break;
      case OBJ_FONT: o = new CFont; break;
      case OBJ_BITMAP: o = new CBitmap; break;
      case OBJ_REGION: o = new CRgn; break;
      default: o = new CGdiObject; break;
    }
    o->m_hObject = object;
    return o;
  });
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (object == nullptr || m_hObject != nullptr) return FALSE;
  m_hObject = object;
  gdiMaps().addPermanent(object, this);
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ object = m_hObject;
  if (object != nullptr && gdiMaps().permanent(object) == this) gdiMaps().removePermanent(object);
  m_hObject = nullptr;
  return object;
}

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr) return FALSE;
  return ::DeleteObject(Detach());
}

BOOL CFont::CreatePointFont(int pointSize, LPCWSTR faceName, CDC* dc) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfHeight = pointSize;
  for (int i = 0; faceName != nullptr && faceName[i] != 0 && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = faceName[i];
  return CreatePointFontIndirect(&lf, dc);
}

BOOL CFont::CreatePointFontIndirect(const LOGFONTW* font, CDC* dc) {
  if (font == nullptr) return FALSE;
  LOGFONTW lf = *font;
  // lfHeight holds tenths of a point; a point is 1/72 inch, so pixels = dpi * tenths / 720,
  // rounded, as a character height.
  HDC measure = dc != nullptr ? dc->m_hAttribDC : ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(measure, LOGPIXELSY);
  if (dc == nullptr) ::ReleaseDC(nullptr, measure);
  LONG tenths = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
  lf.lfHeight = -static_cast<LONG>((static_cast<long long>(dpi) * tenths + 360) / 720);
  return CreateFontIndirect(&lf);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return Attach(::CreateCompatibleBitmap(dc != nullptr ? dc->m_hDC : nullptr, width, height));
}
