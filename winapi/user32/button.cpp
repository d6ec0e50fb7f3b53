// The "Button" system class: push buttons (default or not), check boxes and radio buttons (plain
// and automatic), owner-drawn buttons and group boxes, in the classic look, with Windows' mouse
// and keyboard behaviour, notifications, radio groups and measuring (BCM_GETIDEALSIZE).
// Left out on purpose: three-state check boxes, BS_PUSHLIKE, BS_FLAT, bitmaps and icons, image
// lists, split buttons and command links, and hot tracking.
#include <commctrl.h>

#include "winapi/user32/Controls.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace winapi {
namespace {

constexpr int kBoxSize = 13;    // the check box's square and the radio button's cell
constexpr int kTextStart = 17;  // box plus a 4-pixel gap
// Push buttons measure their text plus room for the edges and the focus rectangle; 10 pixels in
// height give a one-line 8 pt label of the dialog face (a 12- or 13-pixel cell) Windows' usual
// button of 22 to 23 pixels.
constexpr int kPushMarginX = 16;
constexpr int kPushMarginY = 10;
constexpr int kGroupCaptionIndent = 8;

struct ButtonState {
  UINT check = BST_UNCHECKED;
  bool pushed = false;
  bool focused = false;
  bool mouseDown = false;  // a left press holds the capture
  bool spaceDown = false;
  bool clicking = false;  // BM_CLICK's own press and release: the release counts as inside
  HFONT font = nullptr;
};

ButtonState* stateOf(HWND hwnd) { return reinterpret_cast<ButtonState*>(GetWindowLongPtrW(hwnd, 0)); }

DWORD styleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

UINT kindOf(DWORD style) { return style & BS_TYPEMASK; }

bool isCheckKind(UINT kind) { return kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX; }
bool isRadioKind(UINT kind) { return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON; }

HFONT fontOf(const ButtonState* s) {
  return s->font != nullptr ? s->font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

std::u16string textOf(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  std::u16string text(static_cast<size_t>(n) + 1, u'\0');
  n = GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  return text;
}

void repaint(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

// Horizontal and vertical alignment of the text from the BS_* styles; `centred` is the default
// for push buttons, left and vertically centred for the other kinds.
UINT textFormat(DWORD style, bool centred) {
  UINT format = 0;
  switch (style & BS_CENTER) {
    case BS_LEFT: format |= DT_LEFT; break;
    case BS_RIGHT: format |= DT_RIGHT; break;
    case BS_CENTER: format |= DT_CENTER; break;
    default: format |= centred ? DT_CENTER : DT_LEFT; break;
  }
  if (style & BS_MULTILINE) {
    format |= DT_WORDBREAK;
  } else {
    format |= DT_SINGLELINE;
  }
  return format;
}

// Draws the text into `area` aligned as the style says (vertical alignment is done here, since
// DrawTextW centres only single lines); answers the rectangle the text took.
RECT drawLabel(HDC dc, HWND hwnd, const std::u16string& text, RECT area, DWORD style, bool centred, bool disabled,
               bool draw = true) {
  UINT format = textFormat(style, centred);
  if (uiStateOf(hwnd) & UISF_HIDEACCEL) format |= DT_HIDEPREFIX;
  RECT extent = area;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent, format | DT_CALCRECT);
  int width = extent.right - extent.left, height = extent.bottom - extent.top;
  RECT placed = area;
  switch (style & BS_VCENTER) {
    case BS_TOP: placed.bottom = placed.top + height; break;
    case BS_BOTTOM: placed.top = placed.bottom - height; break;
    default:
      placed.top = area.top + (area.bottom - area.top - height) / 2;
      placed.bottom = placed.top + height;
      break;
  }
  RECT drawn = placed;
  if (format & DT_CENTER) {
    drawn.left = area.left + (area.right - area.left - width) / 2;
  } else if (format & DT_RIGHT) {
    drawn.left = area.right - width;
  }
  drawn.right = drawn.left + width;
  if (!draw || text.empty()) return drawn;
  UINT paint = format & ~DT_SINGLELINE;
  if (!(style & BS_MULTILINE)) paint |= DT_SINGLELINE;
  if (disabled) {
    // Embossed: the highlight one pixel right and down, the shadow over it.
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    RECT shifted = placed;
    OffsetRect(&shifted, 1, 1);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &shifted, paint);
    SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &placed, paint);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
  } else {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &placed, paint);
  }
  return drawn;
}

void fillRect(HDC dc, int left, int top, int right, int bottom, int color) {
  RECT r{left, top, right, bottom};
  FillRect(dc, &r, GetSysColorBrush(color));
}

void paintPush(HWND hwnd, HDC dc, const ButtonState& s, DWORD style, bool enabled) {
  RECT client;
  GetClientRect(hwnd, &client);
  // Push buttons ask, as Windows' do, but keep the system colours whatever the answer.
  controlBrush(hwnd, WM_CTLCOLORBTN, dc);
  bool isDefault = kindOf(style) == BS_DEFPUSHBUTTON;
  RECT r = client;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  if (isDefault) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  if (s.pushed) {
    if (isDefault) {
      FrameRect(dc, &r, GetSysColorBrush(COLOR_3DSHADOW));
    } else {
      DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_SOFT);
    }
  } else {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_SOFT);
  }
  HGDIOBJ oldFont = SelectObject(dc, fontOf(&s));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColor = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT area = client;
  InflateRect(&area, -3, -3);
  if (s.pushed) OffsetRect(&area, 1, 1);
  drawLabel(dc, hwnd, textOf(hwnd), area, style, true, !enabled);
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
  if (s.focused && !(uiStateOf(hwnd) & UISF_HIDEFOCUS)) {
    RECT focus = client;
    int inset = isDefault ? 4 : 3;
    InflateRect(&focus, -inset, -inset);
    DrawFocusRect(dc, &focus);
  }
}

// The classic tick: seven one-pixel columns, three pixels high, starting this far below the top
// of a 7 x 7 area.
constexpr int kTickOffsets[7] = {2, 3, 4, 3, 2, 1, 0};

// The radio button's 12 x 12 cell, one letter per pixel: 'o' outer ring upper-left, 'O' outer ring
// lower-right, 'i' and 'I' the inner ring likewise, '.' inside, ' ' not painted.
constexpr const char* kRadioCell[12] = {
    "    oooo    ",  //
    "  ooiiiioo  ",  //
    " oii....IIO ",  //
    " oi......IO ",  //
    "oi........IO",  //
    "oi........IO",  //
    "oi........IO",  //
    "oi........IO",  //
    " oI......IO ",  //
    " OII....IIO ",  //
    "  OOIIIIOO  ",  //
    "    OOOO    ",  //
};

void paintBox(HDC dc, const ButtonState& s, DWORD style, bool enabled, const RECT& client) {
  bool radio = isRadioKind(kindOf(style));
  int top = client.top + (client.bottom - client.top - kBoxSize) / 2;
  int left = client.left;
  int inside = (s.pushed || !enabled) ? COLOR_BTNFACE : COLOR_WINDOW;
  int mark = enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT;
  if (!radio) {
    RECT box{left, top, left + kBoxSize, top + kBoxSize};
    DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillRect(dc, &box, GetSysColorBrush(inside));
    if (s.check == BST_CHECKED) {
      for (int i = 0; i < 7; ++i) {
        int x = left + 3 + i, y = top + 3 + kTickOffsets[i];
        fillRect(dc, x, y, x + 1, y + 3, mark);
      }
    }
    return;
  }
  const int cell = 12;
  int x0 = left, y0 = top + (kBoxSize - cell) / 2;
  COLORREF colors[128] = {};
  colors[static_cast<unsigned char>('o')] = GetSysColor(COLOR_3DSHADOW);
  colors[static_cast<unsigned char>('O')] = GetSysColor(COLOR_3DHILIGHT);
  colors[static_cast<unsigned char>('i')] = GetSysColor(COLOR_3DDKSHADOW);
  colors[static_cast<unsigned char>('I')] = GetSysColor(COLOR_3DLIGHT);
  colors[static_cast<unsigned char>('.')] = GetSysColor(inside);
  for (int y = 0; y < cell; ++y) {
    for (int x = 0; x < cell; ++x) {
      char c = kRadioCell[y][x];
      if (c != ' ') SetPixel(dc, x0 + x, y0 + y, colors[static_cast<unsigned char>(c)]);
    }
  }
  if (s.check == BST_CHECKED) {
    // A 4 x 4 dot with its corner pixels cut, in the middle of the cell.
    fillRect(dc, x0 + 5, y0 + 4, x0 + 7, y0 + 8, mark);
    fillRect(dc, x0 + 4, y0 + 5, x0 + 8, y0 + 7, mark);
  }
}

void paintCheck(HWND hwnd, HDC dc, const ButtonState& s, DWORD style, bool enabled) {
  RECT client;
  GetClientRect(hwnd, &client);
  HBRUSH brush = controlBrush(hwnd, WM_CTLCOLORSTATIC, dc);
  if (brush != nullptr) FillRect(dc, &client, brush);
  paintBox(dc, s, style, enabled, client);
  HGDIOBJ oldFont = SelectObject(dc, fontOf(&s));
  RECT area{client.left + kTextStart, client.top, client.right, client.bottom};
  std::u16string text = textOf(hwnd);
  RECT drawn = drawLabel(dc, hwnd, text, area, style, false, !enabled);
  SelectObject(dc, oldFont);
  if (s.focused && !(uiStateOf(hwnd) & UISF_HIDEFOCUS) && !text.empty()) {
    InflateRect(&drawn, 1, 1);
    RECT focus;
    if (IntersectRect(&focus, &drawn, &client)) DrawFocusRect(dc, &focus);
  }
}

void paintGroup(HWND hwnd, HDC dc, const ButtonState& s, bool enabled) {
  RECT client;
  GetClientRect(hwnd, &client);
  HBRUSH brush = controlBrush(hwnd, WM_CTLCOLORSTATIC, dc);
  HGDIOBJ oldFont = SelectObject(dc, fontOf(&s));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  // The frame's top line runs through the middle of the caption.
  RECT frame = client;
  frame.top += metrics.tmHeight / 2 - 1;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  std::u16string text = textOf(hwnd);
  if (!text.empty()) {
    UINT format = DT_SINGLELINE | DT_LEFT | DT_TOP;
    if (uiStateOf(hwnd) & UISF_HIDEACCEL) format |= DT_HIDEPREFIX;
    RECT caption{client.left + kGroupCaptionIndent, client.top, client.right - kGroupCaptionIndent, client.bottom};
    RECT extent = caption;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent, format | DT_CALCRECT);
    // The caption sits on a gap of the frame, one pixel wider on each side.
    RECT gap{extent.left - 1, extent.top, std::min(extent.right + 1, caption.right), extent.bottom};
    if (brush != nullptr) FillRect(dc, &gap, brush);
    drawLabel(dc, hwnd, text, RECT{extent.left, extent.top, caption.right, extent.bottom}, BS_LEFT | BS_TOP, false,
              !enabled);
  }
  SelectObject(dc, oldFont);
}

void drawItem(HWND hwnd, HDC dc, const ButtonState& s, UINT action) {
  RECT client;
  GetClientRect(hwnd, &client);
  HBRUSH brush = controlBrush(hwnd, WM_CTLCOLORBTN, dc);
  if (action == ODA_DRAWENTIRE && brush != nullptr) FillRect(dc, &client, brush);
  WORD cues = uiStateOf(hwnd);
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
  item.itemAction = action;
  item.itemState = (s.pushed ? ODS_SELECTED : 0) | (s.focused ? ODS_FOCUS : 0) |
                   (IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED) | ((cues & UISF_HIDEFOCUS) ? ODS_NOFOCUSRECT : 0) |
                   ((cues & UISF_HIDEACCEL) ? ODS_NOACCEL : 0);
  item.hwndItem = hwnd;
  item.hDC = dc;
  item.rcItem = client;
  HWND parent = GetParent(hwnd);
  if (parent != nullptr) SendMessageW(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

void paint(HWND hwnd, HDC dc, const ButtonState& s) {
  DWORD style = styleOf(hwnd);
  bool enabled = IsWindowEnabled(hwnd) != FALSE;
  UINT kind = kindOf(style);
  if (kind == BS_OWNERDRAW) {
    drawItem(hwnd, dc, s, ODA_DRAWENTIRE);
  } else if (kind == BS_GROUPBOX) {
    paintGroup(hwnd, dc, s, enabled);
  } else if (isCheckKind(kind) || isRadioKind(kind)) {
    paintCheck(hwnd, dc, s, style, enabled);
  } else {
    paintPush(hwnd, dc, s, style, enabled);
  }
}

// An owner-drawn button is told of a state change at once; the others repaint.
void stateChanged(HWND hwnd, const ButtonState& s, UINT action) {
  if (kindOf(styleOf(hwnd)) == BS_OWNERDRAW) {
    if (!IsWindowVisible(hwnd)) return;
    HDC dc = GetDC(hwnd);
    drawItem(hwnd, dc, s, action);
    ReleaseDC(hwnd, dc);
  } else {
    repaint(hwnd);
  }
}

// The siblings of a radio button's group: from the nearest sibling at or before it with
// WS_GROUP (the first sibling when there is none) forward to the next one with WS_GROUP,
// wrapping past the last sibling as Windows' group walk does.
std::vector<HWND> radioGroup(HWND hwnd) {
  std::vector<HWND> siblings;
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return {hwnd};
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) siblings.push_back(c);
  size_t self = 0;
  while (self < siblings.size() && siblings[self] != hwnd) ++self;
  if (self == siblings.size()) return {hwnd};
  size_t start = 0;
  for (size_t i = self + 1; i-- > 0;) {
    if (styleOf(siblings[i]) & WS_GROUP) {
      start = i;
      break;
    }
  }
  std::vector<HWND> group{siblings[start]};
  for (size_t k = 1; k < siblings.size(); ++k) {
    HWND c = siblings[(start + k) % siblings.size()];
    if (styleOf(c) & WS_GROUP) break;
    group.push_back(c);
  }
  return group;
}

// A click by mouse release, Space or BM_CLICK: automatic kinds change their state through
// messages sent to themselves (and the group's other radio buttons), so subclass procedures see
// them, and the parent is told last.
void click(HWND hwnd) {
  UINT kind = kindOf(styleOf(hwnd));
  if (kind == BS_AUTOCHECKBOX) {
    ButtonState* s = stateOf(hwnd);
    WPARAM next = (s != nullptr && s->check == BST_CHECKED) ? BST_UNCHECKED : BST_CHECKED;
    SendMessageW(hwnd, BM_SETCHECK, next, 0);
  } else if (kind == BS_AUTORADIOBUTTON) {
    SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    for (HWND other : radioGroup(hwnd)) {
      if (other == hwnd) continue;
      bool button = GetClassLongPtrW(other, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(&buttonProc);
      if (!button || kindOf(styleOf(other)) != BS_AUTORADIOBUTTON) continue;
      SendMessageW(other, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  if (IsWindow(hwnd)) notifyParent(hwnd, BN_CLICKED);
}

// Ends a press by mouse or Space without a click (lost capture, lost focus, disabling).
void cancelPress(HWND hwnd, ButtonState* s) {
  if (!s->mouseDown && !s->spaceDown) return;
  bool hadCapture = s->mouseDown;
  s->mouseDown = false;
  s->spaceDown = false;
  if (hadCapture && GetCapture() == hwnd) ReleaseCapture();
  if (s->pushed) SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
}

bool takesDoubleClicks(DWORD style) {
  UINT kind = kindOf(style);
  return (style & BS_NOTIFY) || isRadioKind(kind) || kind == BS_OWNERDRAW;
}

SIZE idealSize(HWND hwnd, const ButtonState& s, SIZE wanted) {
  DWORD style = styleOf(hwnd);
  bool push = !(isCheckKind(kindOf(style)) || isRadioKind(kindOf(style)));
  int marginX = push ? kPushMarginX : kTextStart;
  std::u16string text = textOf(hwnd);
  HDC dc = GetDC(hwnd);
  HGDIOBJ oldFont = SelectObject(dc, fontOf(&s));
  RECT r{0, 0, 0, 0};
  UINT format = DT_CALCRECT | DT_SINGLELINE;
  if ((style & BS_MULTILINE) && wanted.cx > 0) {
    r.right = std::max(1, static_cast<int>(wanted.cx) - marginX);
    format = DT_CALCRECT | DT_WORDBREAK;
  }
  int height;
  if (text.empty()) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    height = metrics.tmHeight;
    r.right = 0;
  } else {
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    height = r.bottom - r.top;
  }
  SelectObject(dc, oldFont);
  ReleaseDC(hwnd, dc);
  int width = r.right - r.left;
  if (push) return SIZE{width + kPushMarginX, height + kPushMarginY};
  return SIZE{width + kTextStart, std::max(kBoxSize, height)};
}

}  // namespace

LRESULT CALLBACK buttonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ButtonState* s = stateOf(hwnd);
  if (s == nullptr && message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(new ButtonState));
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, 0, 0);
      delete s;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_GETDLGCODE: {
      UINT kind = kindOf(styleOf(hwnd));
      if (kind == BS_GROUPBOX) return DLGC_STATIC;
      if (kind == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (kind == BS_PUSHBUTTON || kind == BS_OWNERDRAW) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (isRadioKind(kind)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      return DLGC_BUTTON;
    }
    case WM_NCHITTEST:
      if (kindOf(styleOf(hwnd)) == BS_GROUPBOX) return HTTRANSPARENT;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_ERASEBKGND: return 1;  // painting covers the whole control
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      paint(hwnd, dc, *s);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: paint(hwnd, reinterpret_cast<HDC>(wParam), *s); return 0;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) repaint(hwnd);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
      repaint(hwnd);
      return result;
    }
    case WM_ENABLE:
      if (!wParam) cancelPress(hwnd, s);
      repaint(hwnd);
      return 0;
    case WM_UPDATEUISTATE: {
      LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
      repaint(hwnd);
      return result;
    }
    case BM_GETCHECK: {
      UINT kind = kindOf(styleOf(hwnd));
      return (isCheckKind(kind) || isRadioKind(kind)) ? s->check : BST_UNCHECKED;
    }
    case BM_SETCHECK: {
      UINT kind = kindOf(styleOf(hwnd));
      if (!isCheckKind(kind) && !isRadioKind(kind)) return 0;
      UINT next = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
      if (next != s->check) {
        s->check = next;
        repaint(hwnd);
      }
      return 0;
    }
    case BM_GETSTATE:
      return (kindOf(styleOf(hwnd)) == BS_GROUPBOX ? 0 : s->check) | (s->pushed ? BST_PUSHED : 0) |
             (s->focused ? BST_FOCUS : 0);
    case BM_SETSTATE: {
      bool pushed = wParam != 0;
      if (pushed != s->pushed && kindOf(styleOf(hwnd)) != BS_GROUPBOX) {
        s->pushed = pushed;
        stateChanged(hwnd, *s, ODA_SELECT);
      }
      return 0;
    }
    case BM_SETSTYLE: {
      DWORD style = styleOf(hwnd);
      DWORD next = (style & ~static_cast<DWORD>(BS_TYPEMASK)) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
      if (next != style) SetWindowLongPtrW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(next));
      if (LOWORD(lParam)) repaint(hwnd);
      return 0;
    }
    case BM_CLICK:
      // As a press and a release inside, sent as mouse messages so subclass procedures see them.
      if (!IsWindowEnabled(hwnd) || kindOf(styleOf(hwnd)) == BS_GROUPBOX) return 0;
      s->clicking = true;
      SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
      SendMessageW(hwnd, WM_LBUTTONUP, 0, 0);
      if ((s = stateOf(hwnd)) != nullptr) s->clicking = false;
      return 0;
    case BCM_GETIDEALSIZE: {
      auto* size = reinterpret_cast<SIZE*>(lParam);
      if (size == nullptr) return FALSE;
      *size = idealSize(hwnd, *s, *size);
      return TRUE;
    }
    case WM_LBUTTONDBLCLK:
      // A disabled button takes no input, even input sent to it directly.
      if (kindOf(styleOf(hwnd)) == BS_GROUPBOX || !IsWindowEnabled(hwnd)) return 0;
      if (takesDoubleClicks(styleOf(hwnd))) {
        notifyParent(hwnd, BN_DOUBLECLICKED);
        return 0;
      }
      [[fallthrough]];
    case WM_LBUTTONDOWN:
      if (kindOf(styleOf(hwnd)) == BS_GROUPBOX || !IsWindowEnabled(hwnd)) return 0;
      s->mouseDown = true;
      SetFocus(hwnd);
      if ((s = stateOf(hwnd)) == nullptr || !s->mouseDown) return 0;  // the focus change ended it
      SetCapture(hwnd);
      SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
      return 0;
    case WM_MOUSEMOVE:
      if (s->mouseDown && GetCapture() == hwnd) {
        RECT client;
        GetClientRect(hwnd, &client);
        bool inside = PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != FALSE;
        if (inside != s->pushed) SendMessageW(hwnd, BM_SETSTATE, inside, 0);
      }
      return 0;
    case WM_LBUTTONUP: {
      if (!s->mouseDown) return 0;
      s->mouseDown = false;
      RECT client;
      GetClientRect(hwnd, &client);
      bool inside = s->clicking || PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != FALSE;
      if (s->pushed) SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
      if (GetCapture() == hwnd) ReleaseCapture();
      if (inside) click(hwnd);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (s->mouseDown) {
        s->mouseDown = false;
        if (s->pushed) SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && kindOf(styleOf(hwnd)) != BS_GROUPBOX) {
        if (IsWindowEnabled(hwnd) && !s->mouseDown && !s->spaceDown && !(lParam & 0x40000000)) {
          s->spaceDown = true;
          SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
        }
        return 0;
      }
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_KEYUP:
      if (wParam == VK_SPACE && s->spaceDown) {
        s->spaceDown = false;
        if (s->pushed) SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
        click(hwnd);
        return 0;
      }
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_SETFOCUS:
      s->focused = true;
      stateChanged(hwnd, *s, ODA_FOCUS);
      if (styleOf(hwnd) & BS_NOTIFY) notifyParent(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focused = false;
      cancelPress(hwnd, s);
      stateChanged(hwnd, *s, ODA_FOCUS);
      if (styleOf(hwnd) & BS_NOTIFY) notifyParent(hwnd, BN_KILLFOCUS);
      return 0;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace winapi
