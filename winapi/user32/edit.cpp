// The "Edit" control, single line: typing, a blinking caret, selection by keys, mouse and
// double-click, Ctrl+A/C/X/V/Z with the process's clipboard, one level of undo, ES_AUTOHSCROLL,
// ES_READONLY, ES_PASSWORD, ES_NUMBER, ES_CENTER and ES_RIGHT, the EM_* messages below and the
// EN_* notifications in Windows' order. It paints with the brush its parent answers to
// WM_CTLCOLOREDIT, or to WM_CTLCOLORSTATIC while read-only or disabled, as Windows does.
// Left out: ES_MULTILINE (a multi-line control behaves as a single line), ES_UPPERCASE and
// ES_LOWERCASE, margins (EM_SETMARGINS), the context menu and input method composition.
#include <windows.h>

#include "winapi/user32/Dialogs.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace winapi {
namespace {

// The caret's blink timer, an id no program picks for a control it does not own.
constexpr UINT_PTR kBlinkTimer = 0x45444954;
// Pixels between the control's client edge and the text, as the classic look leaves them.
constexpr int kMargin = 1;
// The limit of a control nobody limited, and of EM_LIMITTEXT 0, as on Windows.
constexpr size_t kDefaultLimit = 30000;
constexpr size_t kLargestLimit = 0x7FFFFFFE;
// The character an ES_PASSWORD control shows in the classic look.
constexpr char16_t kPasswordChar = u'*';

struct Edit {
  HWND hwnd = nullptr;
  std::u16string text;
  size_t anchor = 0;  // the fixed end of the selection
  size_t caret = 0;   // the moving end, where the caret stands
  int scroll = 0;     // pixels of text scrolled out at the left
  size_t limit = kDefaultLimit;
  HFONT font = nullptr;
  char16_t password = 0;
  bool focused = false;
  bool caretOn = false;
  bool modified = false;
  bool tracking = false;
  bool canUndo = false;
  std::u16string undoText;
  size_t undoAnchor = 0, undoCaret = 0;
  std::vector<int> x;  // x[i]: left edge of character i; x[size]: the text's width
  int lineHeight = 13;
};

Edit* editOf(HWND hwnd) { return reinterpret_cast<Edit*>(GetWindowLongPtrW(hwnd, 0)); }

DWORD styleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

size_t selStart(const Edit& e) { return std::min(e.anchor, e.caret); }
size_t selEnd(const Edit& e) { return std::max(e.anchor, e.caret); }

std::u16string shown(const Edit& e) { return e.password != 0 ? std::u16string(e.text.size(), e.password) : e.text; }

HFONT fontOf(const Edit& e) {
  return e.font != nullptr ? e.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Measures every character's position in the text as shown.
void layout(Edit& e) {
  std::u16string s = shown(e);
  e.x.assign(s.size() + 1, 0);
  HDC dc = GetDC(e.hwnd);
  HGDIOBJ old = SelectObject(dc, fontOf(e));
  TEXTMETRICW tm{};
  if (GetTextMetricsW(dc, &tm)) e.lineHeight = tm.tmHeight;
  if (!s.empty()) {
    std::vector<INT> extents(s.size(), 0);
    SIZE size{};
    int fit = 0;
    GetTextExtentExPointW(dc, s.c_str(), static_cast<int>(s.size()), 0x7FFFFFFF, &fit, extents.data(), &size);
    for (size_t i = 0; i < s.size(); ++i) e.x[i + 1] = extents[i];
  }
  SelectObject(dc, old);
  ReleaseDC(e.hwnd, dc);
}

int visibleWidth(const Edit& e) {
  RECT r;
  GetClientRect(e.hwnd, &r);
  return std::max(0, static_cast<int>(r.right - r.left) - 2 * kMargin);
}

// Where the text's left end stands in the client area.
int textOrigin(const Edit& e) {
  int width = visibleWidth(e), total = e.x.back();
  DWORD style = styleOf(e.hwnd);
  int offset = 0;
  if (total < width) {
    if (style & ES_RIGHT) offset = width - total - 1;
    if (style & ES_CENTER) offset = (width - total) / 2;
  }
  return kMargin + offset - e.scroll;
}

int textTop(const Edit& e) {
  RECT r;
  GetClientRect(e.hwnd, &r);
  return std::max(0, std::min(kMargin, static_cast<int>(r.bottom - r.top) - e.lineHeight));
}

// The character boundary nearest to a client x.
size_t charFromX(const Edit& e, int clientX) {
  int px = clientX - textOrigin(e);
  if (px <= 0) return 0;
  for (size_t i = 0; i + 1 < e.x.size(); ++i) {
    if (px < (e.x[i] + e.x[i + 1] + 1) / 2) return i;
  }
  return e.text.size();
}

// While WM_SETREDRAW has turned redrawing off, the shared window code drops the invalidation.
void repaint(Edit& e) { InvalidateRect(e.hwnd, nullptr, FALSE); }

// Scrolls so the caret is in view; a caret past the right end brings a third of the width of
// text after it into view, so typing does not scroll at every character.
void scrollToCaret(Edit& e) {
  int width = visibleWidth(e), total = e.x.back(), cx = e.x[e.caret];
  int old = e.scroll;
  if (total < width) {
    e.scroll = 0;
  } else if (cx < e.scroll) {
    e.scroll = std::max(0, cx - width / 3);
  } else if (cx >= e.scroll + width) {
    e.scroll = std::min(total - width + 1, cx - width + width / 3);
  }
  e.scroll = std::max(0, std::min(e.scroll, std::max(0, total - width + 1)));
  if (e.scroll != old) repaint(e);
}

void notify(Edit& e, WORD code) {
  HWND parent = GetParent(e.hwnd);
  if (parent == nullptr) return;
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(e.hwnd), code), reinterpret_cast<LPARAM>(e.hwnd));
}

// Keeps the window text the same as the control's, so every road to the text sees one text.
void syncWindowText(Edit& e) { DefWindowProcW(e.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(e.text.c_str())); }

void setSelection(Edit& e, size_t anchor, size_t caret) {
  anchor = std::min(anchor, e.text.size());
  caret = std::min(caret, e.text.size());
  if (anchor == e.anchor && caret == e.caret) return;
  e.anchor = anchor;
  e.caret = caret;
  e.caretOn = true;
  scrollToCaret(e);
  repaint(e);
}

// Replaces the selection with `in`. A user's change is refused in a read-only control; the
// limit and, without ES_AUTOHSCROLL, the width cut what does not fit and say so with
// EN_MAXTEXT. Answers whether the text changed.
bool replaceSelection(Edit& e, std::u16string in, bool byUser, bool undoable) {
  DWORD style = styleOf(e.hwnd);
  if (byUser && (style & ES_READONLY)) return false;
  // A single line holds no line break: what follows the first one is not taken.
  size_t lineEnd = in.find_first_of(u"\r\n");
  if (lineEnd != std::u16string::npos) in.resize(lineEnd);
  size_t start = selStart(e), end = selEnd(e);
  size_t kept = e.text.size() - (end - start);
  bool cut = false;
  if (kept + in.size() > e.limit) {
    in.resize(e.limit > kept ? e.limit - kept : 0);
    cut = true;
  }
  std::u16string next = e.text.substr(0, start) + in + e.text.substr(end);
  if (!(style & ES_AUTOHSCROLL) && !in.empty()) {
    // Without automatic scrolling the text must fit the control: characters are given up from
    // the end of the insertion until it does.
    Edit probe = e;
    probe.text = next;
    layout(probe);
    while (!in.empty() && probe.x.back() > visibleWidth(e)) {
      in.pop_back();
      cut = true;
      probe.text = e.text.substr(0, start) + in + e.text.substr(end);
      layout(probe);
    }
    next = probe.text;
  }
  if (cut) notify(e, EN_MAXTEXT);
  if (in.empty() && start == end) return false;
  if (undoable) {
    e.undoText = e.text;
    e.undoAnchor = e.anchor;
    e.undoCaret = e.caret;
    e.canUndo = true;
  }
  e.text = std::move(next);
  e.anchor = e.caret = start + in.size();
  e.modified = true;
  e.caretOn = true;
  syncWindowText(e);
  layout(e);
  scrollToCaret(e);
  notify(e, EN_UPDATE);
  repaint(e);
  notify(e, EN_CHANGE);
  return true;
}

bool isWordChar(char16_t c) { return c != u' ' && c != u'\t'; }

size_t wordLeft(const Edit& e, size_t from) {
  while (from > 0 && !isWordChar(e.text[from - 1])) --from;
  while (from > 0 && isWordChar(e.text[from - 1])) --from;
  return from;
}

size_t wordRight(const Edit& e, size_t from) {
  size_t n = e.text.size();
  while (from < n && isWordChar(e.text[from])) ++from;
  while (from < n && !isWordChar(e.text[from])) ++from;
  return from;
}

bool copySelection(Edit& e) {
  // A password never leaves its control.
  if (e.password != 0 || e.anchor == e.caret) return false;
  std::u16string part = e.text.substr(selStart(e), selEnd(e) - selStart(e));
  if (!OpenClipboard(e.hwnd)) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (part.size() + 1) * sizeof(char16_t));
  bool done = false;
  if (block != nullptr) {
    auto* p = static_cast<char16_t*>(GlobalLock(block));
    std::copy(part.begin(), part.end(), p);
    p[part.size()] = 0;
    GlobalUnlock(block);
    done = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    if (!done) GlobalFree(block);
  }
  CloseClipboard();
  return done;
}

void paste(Edit& e) {
  if (!OpenClipboard(e.hwnd)) return;
  std::u16string in;
  HANDLE block = GetClipboardData(CF_UNICODETEXT);
  if (block != nullptr) {
    const auto* p = static_cast<const char16_t*>(GlobalLock(block));
    size_t units = GlobalSize(block) / sizeof(char16_t);
    if (p != nullptr) in.assign(p, std::find(p, p + units, u'\0'));
    GlobalUnlock(block);
  }
  CloseClipboard();
  if (!in.empty()) replaceSelection(e, std::move(in), true, true);
}

void undo(Edit& e) {
  if (!e.canUndo) return;
  // Undo swaps the text with the one before, so a second undo redoes, as on Windows.
  std::swap(e.text, e.undoText);
  size_t anchor = e.anchor, caret = e.caret;
  e.anchor = std::min(e.undoAnchor, e.text.size());
  e.caret = std::min(e.undoCaret, e.text.size());
  e.undoAnchor = anchor;
  e.undoCaret = caret;
  e.modified = true;
  syncWindowText(e);
  layout(e);
  scrollToCaret(e);
  notify(e, EN_UPDATE);
  repaint(e);
  notify(e, EN_CHANGE);
}

void keyDown(Edit& e, WPARAM vk) {
  bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  size_t n = e.text.size();
  auto moveTo = [&](size_t to) {
    setSelection(e, shift ? e.anchor : to, to);
    e.caretOn = true;
    repaint(e);
  };
  switch (vk) {
    case VK_LEFT:
      if (!shift && !ctrl && e.anchor != e.caret) return moveTo(selStart(e));
      return moveTo(ctrl ? wordLeft(e, e.caret) : (e.caret > 0 ? e.caret - 1 : 0));
    case VK_RIGHT:
      if (!shift && !ctrl && e.anchor != e.caret) return moveTo(selEnd(e));
      return moveTo(ctrl ? wordRight(e, e.caret) : std::min(n, e.caret + 1));
    case VK_HOME: return moveTo(0);
    case VK_END: return moveTo(n);
    case VK_DELETE:
      if (shift) {
        if (copySelection(e)) replaceSelection(e, u"", true, true);
        return;
      }
      if (e.anchor == e.caret) {
        if (e.caret >= n || (styleOf(e.hwnd) & ES_READONLY)) return;
        e.anchor = ctrl ? wordRight(e, e.caret) : e.caret + 1;
      }
      replaceSelection(e, u"", true, true);
      return;
    case VK_INSERT:
      if (ctrl) copySelection(e);
      if (shift) paste(e);
      return;
    default: break;
  }
  if (!ctrl || GetKeyState(VK_MENU) < 0) return;
  switch (vk) {
    case 'A': setSelection(e, 0, n); return;
    case 'C': copySelection(e); return;
    case 'X':
      if (!(styleOf(e.hwnd) & ES_READONLY) && copySelection(e)) replaceSelection(e, u"", true, true);
      return;
    case 'V': paste(e); return;
    case 'Z':
      if (!(styleOf(e.hwnd) & ES_READONLY)) undo(e);
      return;
    default: return;
  }
}

void typed(Edit& e, char16_t ch) {
  // Ctrl with a letter is a command (keyDown took it), unless it is AltGr (Ctrl+Alt) typing a
  // character of the keyboard's third level.
  if (GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) return;
  DWORD style = styleOf(e.hwnd);
  if (ch == u'\b') {
    if (style & ES_READONLY) return;
    if (e.anchor == e.caret) {
      if (e.caret == 0) return;
      e.anchor = e.caret - 1;
    }
    replaceSelection(e, u"", true, true);
    return;
  }
  if (ch < 0x20 || ch == 0x7F) return;
  // ES_NUMBER takes digits only from the keyboard; pasted text is not checked, as on Windows.
  if ((style & ES_NUMBER) && (ch < u'0' || ch > u'9')) return;
  replaceSelection(e, std::u16string(1, ch), true, true);
}

void paint(Edit& e) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(e.hwnd, &ps);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(e.hwnd, &client);
  DWORD style = styleOf(e.hwnd);
  bool enabled = IsWindowEnabled(e.hwnd) != FALSE;
  HGDIOBJ oldFont = SelectObject(dc, fontOf(e));
  // A read-only or disabled edit asks for the colours of static text, as on Windows.
  UINT colourMessage = (style & ES_READONLY) || !enabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  HWND parent = GetParent(e.hwnd);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(colourMessage == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE));
  HBRUSH brush = nullptr;
  if (parent != nullptr) {
    brush = reinterpret_cast<HBRUSH>(
        SendMessageW(parent, colourMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(e.hwnd)));
  }
  if (brush == nullptr) brush = GetSysColorBrush(colourMessage == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE);
  if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  FillRect(dc, &client, brush);

  std::u16string s = shown(e);
  int origin = textOrigin(e), top = textTop(e);
  RECT clip{kMargin, 0, client.right - kMargin, client.bottom};
  SetBkMode(dc, TRANSPARENT);
  ExtTextOutW(dc, origin, top, ETO_CLIPPED, &clip, s.c_str(), static_cast<UINT>(s.size()), nullptr);
  bool showSelection = e.focused || (style & ES_NOHIDESEL);
  if (showSelection && e.anchor != e.caret && enabled) {
    size_t a = selStart(e), b = selEnd(e);
    RECT band{origin + e.x[a], top, origin + e.x[b], top + e.lineHeight};
    IntersectRect(&band, &band, &clip);
    FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    ExtTextOutW(dc, origin + e.x[a], top, ETO_CLIPPED, &band, s.c_str() + a, static_cast<UINT>(b - a), nullptr);
  }
  if (e.focused && e.caretOn) {
    RECT bar{origin + e.x[e.caret], top, origin + e.x[e.caret] + 1, top + e.lineHeight};
    if (bar.left >= client.right) OffsetRect(&bar, static_cast<int>(client.right - 1 - bar.left), 0);
    PatBlt(dc, bar.left, bar.top, 1, e.lineHeight, DSTINVERT);
  }
  SelectObject(dc, oldFont);
  EndPaint(e.hwnd, &ps);
}

void setText(Edit& e, const char16_t* text) {
  e.text = text != nullptr ? text : u"";
  e.anchor = e.caret = 0;
  e.scroll = 0;
  e.canUndo = false;
  e.undoText.clear();
  e.modified = false;
  syncWindowText(e);
  layout(e);
}

}  // namespace

LRESULT CALLBACK editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Edit* e = editOf(hwnd);
  if (e == nullptr) {
    if (message != WM_NCCREATE) return DefWindowProcW(hwnd, message, wParam, lParam);
    auto made = std::make_unique<Edit>();
    made->hwnd = hwnd;
    e = made.release();
    SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(e));
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    if (cs->style & ES_PASSWORD) e->password = kPasswordChar;
    setText(*e, cs->lpszName);
    return TRUE;
  }
  switch (message) {
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, 0, 0);
      delete e;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills with the brush the parent chose
    case WM_PAINT: paint(*e); return 0;
    case WM_SETTEXT:
      setText(*e, reinterpret_cast<const char16_t*>(lParam));
      notify(*e, EN_UPDATE);
      repaint(*e);
      notify(*e, EN_CHANGE);
      return TRUE;
    case WM_GETTEXT: {
      auto* out = reinterpret_cast<char16_t*>(lParam);
      if (out == nullptr || wParam == 0) return 0;
      size_t n = std::min(e->text.size(), static_cast<size_t>(wParam) - 1);
      std::copy(e->text.begin(), e->text.begin() + static_cast<ptrdiff_t>(n), out);
      out[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(e->text.size());
    case WM_SETFONT:
      e->font = reinterpret_cast<HFONT>(wParam);
      layout(*e);
      scrollToCaret(*e);
      if (LOWORD(lParam)) repaint(*e);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(e->font);
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) return DefWindowProcW(hwnd, message, wParam, lParam);
      SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
      return TRUE;
    case WM_SETFOCUS:
      e->focused = true;
      e->caretOn = true;
      SetTimer(hwnd, kBlinkTimer, GetCaretBlinkTime(), nullptr);
      repaint(*e);
      notify(*e, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      e->focused = false;
      e->tracking = false;
      KillTimer(hwnd, kBlinkTimer);
      repaint(*e);
      notify(*e, EN_KILLFOCUS);
      return 0;
    case WM_TIMER:
      if (wParam != kBlinkTimer) return 0;
      e->caretOn = !e->caretOn;
      repaint(*e);
      return 0;
    case WM_ENABLE:
    case WM_STYLECHANGED: repaint(*e); return 0;
    case WM_SIZE:
      scrollToCaret(*e);
      repaint(*e);
      return 0;
    case WM_KEYDOWN: keyDown(*e, wParam); return 0;
    case WM_CHAR: typed(*e, static_cast<char16_t>(wParam)); return 0;
    case WM_LBUTTONDOWN: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      size_t at = charFromX(*e, GET_X_LPARAM(lParam));
      setSelection(*e, (wParam & MK_SHIFT) ? e->anchor : at, at);
      e->tracking = true;
      SetCapture(hwnd);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (e->tracking) {
        setSelection(*e, e->anchor, charFromX(*e, GET_X_LPARAM(lParam)));
      }
      return 0;
    case WM_LBUTTONUP:
      if (e->tracking) {
        e->tracking = false;
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED: e->tracking = false; return 0;
    case WM_LBUTTONDBLCLK: {
      // The word under the pointer, or the run of spaces there.
      size_t at = charFromX(*e, GET_X_LPARAM(lParam));
      size_t a = at, b = at, n = e->text.size();
      bool word = at < n ? isWordChar(e->text[at]) : (at > 0 && isWordChar(e->text[at - 1]));
      while (a > 0 && isWordChar(e->text[a - 1]) == word) --a;
      while (b < n && isWordChar(e->text[b]) == word) ++b;
      setSelection(*e, a, b);
      return 0;
    }
    case EM_GETSEL: {
      auto start = static_cast<DWORD>(selStart(*e)), end = static_cast<DWORD>(selEnd(*e));
      if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = end;
      // Positions past 65535 do not fit the answer's words; Windows answers -1 then.
      return start > 0xFFFF || end > 0xFFFF ? -1 : static_cast<LRESULT>(MAKELONG(start, end));
    }
    case EM_SETSEL: {
      auto start = static_cast<int>(wParam), end = static_cast<int>(lParam);
      size_t n = e->text.size();
      if (start < 0) {
        setSelection(*e, e->caret, e->caret);
      } else {
        setSelection(*e, static_cast<size_t>(start), end < 0 ? n : static_cast<size_t>(end));
      }
      return 0;
    }
    case EM_REPLACESEL:
      replaceSelection(*e, lParam != 0 ? reinterpret_cast<const char16_t*>(lParam) : u"", false, wParam != 0);
      return 0;
    case EM_LIMITTEXT:
      e->limit = wParam == 0 ? kLargestLimit : std::min(static_cast<size_t>(wParam), kLargestLimit);
      return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(e->limit);
    case EM_SCROLLCARET: scrollToCaret(*e); return TRUE;
    case EM_SETPASSWORDCHAR: {
      e->password = static_cast<char16_t>(wParam);
      DWORD style = styleOf(hwnd);
      DWORD next = e->password != 0 ? (style | ES_PASSWORD) : (style & ~static_cast<DWORD>(ES_PASSWORD));
      if (next != style) SetWindowLongPtrW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(next));
      layout(*e);
      scrollToCaret(*e);
      repaint(*e);
      return 0;
    }
    case EM_GETPASSWORDCHAR: return e->password;
    case EM_SETREADONLY: {
      DWORD style = styleOf(hwnd);
      DWORD next = wParam != 0 ? (style | ES_READONLY) : (style & ~static_cast<DWORD>(ES_READONLY));
      if (next != style) SetWindowLongPtrW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(next));
      repaint(*e);
      return TRUE;
    }
    case EM_GETMODIFY: return e->modified;
    case EM_SETMODIFY: e->modified = wParam != 0; return 0;
    case EM_CANUNDO: return e->canUndo;
    case WM_UNDO:
    case EM_UNDO:
      if (!e->canUndo) return FALSE;
      undo(*e);
      return TRUE;
    case EM_EMPTYUNDOBUFFER:
      e->canUndo = false;
      e->undoText.clear();
      return 0;
    case EM_GETLINECOUNT: return 1;
    case EM_LINELENGTH: return static_cast<LRESULT>(e->text.size());
    case EM_GETLINE: {
      // The buffer's first unit holds its size; the line is copied without a NUL.
      auto* out = reinterpret_cast<char16_t*>(lParam);
      if (out == nullptr || wParam != 0) return 0;
      size_t n = std::min(e->text.size(), static_cast<size_t>(*out));
      std::copy(e->text.begin(), e->text.begin() + static_cast<ptrdiff_t>(n), out);
      return static_cast<LRESULT>(n);
    }
    case EM_POSFROMCHAR: {
      if (wParam > e->text.size()) return -1;
      int px = textOrigin(*e) + e->x[wParam];
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(px), static_cast<WORD>(textTop(*e))));
    }
    case EM_CHARFROMPOS: {
      size_t at = charFromX(*e, GET_X_LPARAM(lParam));
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min<size_t>(at, 0xFFFF)), 0));
    }
    case WM_COPY: copySelection(*e); return 0;
    // Cutting, pasting and clearing change nothing in a read-only control, whoever asks.
    case WM_CUT:
      if (!(styleOf(hwnd) & ES_READONLY) && copySelection(*e)) replaceSelection(*e, u"", true, true);
      return 0;
    case WM_PASTE: paste(*e); return 0;
    case WM_CLEAR: replaceSelection(*e, u"", true, true); return 0;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace winapi

extern "C" UINT WINAPI GetCaretBlinkTime(void) { return 530; }
