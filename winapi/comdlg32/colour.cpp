// The colour dialog, our own: 48 basic colours (rows of hues in shades and a row of greys), the
// 16 custom colours of lpCustColors, and with "Define Custom Colors >>" (or CC_FULLOPEN) the
// full part: a hue-saturation field, a luminance bar, the preview, Hue/Sat/Lum (0-239, 0-240,
// 0-240) and Red/Green/Blue (0-255) kept in step, and "Add to Custom Colors", which writes back
// into lpCustColors. OK sets rgbResult; Cancel leaves it. Under the headless driver the dialog
// takes the next scripted colour or cancels at once; "run" shows it for injected input.
// Left out: the hook (CC_ENABLEHOOK), templates and the help button.
#include <windows.h>

#include "winapi/comdlg32/Browsing.h"
#include "winapi/comdlg32/Errors.h"
#include "winapi/gdi32/DisplayDriver.h"
#include "winapi/user32/Dialogs.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using winapi::dialogs::Text;
using winapi::dialogs::text;

constexpr int kHueMax = 239, kScale = 240;
constexpr int kCell = 20, kCellHeight = 16, kGap = 4;
constexpr int kMargin = 8;
constexpr int kField = 150;
constexpr int kBasicTop = 28;
constexpr int kCustomTop = kBasicTop + 6 * (kCellHeight + kGap) + 24;
constexpr int kLeftWidth = 8 * (kCell + kGap) + kMargin;
constexpr int kFullLeft = kLeftWidth + kMargin;
constexpr int kBarLeft = kFullLeft + kField + kGap;
constexpr int kSmallWidth = kLeftWidth + kMargin;
constexpr int kFullWidth = kBarLeft + 12 + kMargin;
// The full part below the field: the preview, three rows of edits, then "Add to Custom Colors".
constexpr int kEditsTop = kMargin + kField + kMargin + 40 + kMargin;
constexpr int kAddTop = kEditsTop + 3 * 24 + 4;
constexpr int kHeight = std::max(kCustomTop + 2 * (kCellHeight + kGap) + 3 * 23 + 4 * kMargin, kAddTop + 23 + kMargin);

enum Id {
  kDefine = 0x2CF,
  kAdd = 0x2C8,
  kHueEdit = 0x2BF,
  kSatEdit = 0x2C0,
  kLumEdit = 0x2C1,
  kRedEdit = 0x2C2,
  kGreenEdit = 0x2C3,
  kBlueEdit = 0x2C4,
  kLabels = 0x2D0,
};

struct Hls {
  int h = 0, l = 0, s = 0;
};

int hueToChannel(int n1, int n2, int hue) {
  if (hue < 0) hue += kScale;
  if (hue > kScale) hue -= kScale;
  if (hue < kScale / 6) return n1 + ((n2 - n1) * hue + kScale / 12) / (kScale / 6);
  if (hue < kScale / 2) return n2;
  if (hue < kScale * 2 / 3) return n1 + ((n2 - n1) * (kScale * 2 / 3 - hue) + kScale / 12) / (kScale / 6);
  return n1;
}

COLORREF fromHls(Hls c) {
  if (c.s == 0) {
    int v = c.l * 255 / kScale;
    return RGB(v, v, v);
  }
  int m2 =
      c.l <= kScale / 2 ? (c.l * (kScale + c.s) + kScale / 2) / kScale : c.l + c.s - (c.l * c.s + kScale / 2) / kScale;
  int m1 = 2 * c.l - m2;
  auto channel = [&](int hue) { return std::clamp((hueToChannel(m1, m2, hue) * 255 + kScale / 2) / kScale, 0, 255); };
  return RGB(channel(c.h + kScale / 3), channel(c.h), channel(c.h - kScale / 3));
}

Hls toHls(COLORREF colour) {
  int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  int mx = std::max({r, g, b}), mn = std::min({r, g, b});
  Hls out;
  out.l = ((mx + mn) * kScale + 255) / (2 * 255);
  if (mx == mn) return out;
  int delta = mx - mn;
  out.s = out.l <= kScale / 2 ? (delta * kScale + (mx + mn) / 2) / (mx + mn)
                              : (delta * kScale + (2 * 255 - mx - mn) / 2) / (2 * 255 - mx - mn);
  int rd = ((mx - r) * (kScale / 6) + delta / 2) / delta;
  int gd = ((mx - g) * (kScale / 6) + delta / 2) / delta;
  int bd = ((mx - b) * (kScale / 6) + delta / 2) / delta;
  int h = r == mx ? bd - gd : g == mx ? kScale / 3 + rd - bd : kScale * 2 / 3 + gd - rd;
  if (h < 0) h += kScale;
  if (h > kHueMax) h -= kScale;
  out.h = h;
  return out;
}

// The basic colours: five shades of eight hues, then a row of greys.
const std::vector<COLORREF>& basicColours() {
  static const std::vector<COLORREF> colours = [] {
    std::vector<COLORREF> out;
    const int hues[8] = {0, 20, 40, 80, 120, 140, 160, 200};
    const int lums[5] = {200, 160, 120, 80, 40};
    for (int l : lums) {
      for (int h : hues) out.push_back(fromHls(Hls{h, l, kScale}));
    }
    for (int i = 0; i < 8; ++i) {
      int v = 255 - i * 255 / 7;
      out.push_back(RGB(v, v, v));
    }
    return out;
  }();
  return colours;
}

struct ColourDialog {
  CHOOSECOLORW* cc = nullptr;
  HFONT font = nullptr;
  HWND dialog = nullptr;
  COLORREF current = 0;
  Hls hls;
  bool full = false;
  bool updating = false;
  int nextCustom = 0;
  std::vector<uint32_t> field;  // the hue-saturation field at the middle luminance
  BOOL result = FALSE;
};

ColourDialog* dialogOf(HWND dialog) { return reinterpret_cast<ColourDialog*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

RECT basicCell(int i) {
  int x = kMargin + (i % 8) * (kCell + kGap), y = kBasicTop + (i / 8) * (kCellHeight + kGap);
  return RECT{x, y, x + kCell, y + kCellHeight};
}
RECT customCell(int i) {
  int x = kMargin + (i % 8) * (kCell + kGap), y = kCustomTop + (i / 8) * (kCellHeight + kGap);
  return RECT{x, y, x + kCell, y + kCellHeight};
}
constexpr RECT kFieldRect{kFullLeft, kMargin, kFullLeft + kField, kMargin + kField};
constexpr RECT kBarRect{kBarLeft, kMargin, kBarLeft + 12, kMargin + kField};
constexpr RECT kPreviewRect{kFullLeft, kMargin + kField + kMargin, kFullLeft + 60, kMargin + kField + kMargin + 40};

void fillRect(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void setNumber(HWND dialog, int id, int value) {
  std::u16string digits;
  std::string narrow = std::to_string(value);
  digits.assign(narrow.begin(), narrow.end());
  SetDlgItemTextW(dialog, id, digits.c_str());
}

int readNumber(HWND dialog, int id, int limit) {
  char16_t buffer[16] = {};
  GetDlgItemTextW(dialog, id, buffer, 16);
  int value = 0;
  for (const char16_t* c = buffer; *c >= u'0' && *c <= u'9'; ++c) value = std::min(value * 10 + (*c - u'0'), limit);
  return value;
}

// The colour changed: every edit and the painted parts follow, except the edit being typed in.
void setColour(ColourDialog& d, COLORREF colour, const Hls* hls, int typedId) {
  d.current = colour & 0xFFFFFF;
  d.hls = hls != nullptr ? *hls : toHls(d.current);
  d.updating = true;
  const int values[6] = {d.hls.h, d.hls.s, d.hls.l, GetRValue(d.current), GetGValue(d.current), GetBValue(d.current)};
  const int ids[6] = {kHueEdit, kSatEdit, kLumEdit, kRedEdit, kGreenEdit, kBlueEdit};
  for (int i = 0; i < 6; ++i) {
    if (ids[i] != typedId) setNumber(d.dialog, ids[i], values[i]);
  }
  d.updating = false;
  InvalidateRect(d.dialog, nullptr, FALSE);
}

void showFull(ColourDialog& d) {
  d.full = true;
  RECT r{0, 0, kFullWidth, kHeight};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(d.dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(d.dialog, GWL_EXSTYLE)));
  SetWindowPos(d.dialog, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  for (HWND c = GetWindow(d.dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    int id = GetDlgCtrlID(c);
    if ((id >= kHueEdit && id <= kBlueEdit) || id == kAdd || id >= kLabels) ShowWindow(c, SW_SHOWNA);
  }
  EnableWindow(GetDlgItem(d.dialog, kDefine), FALSE);
}

void paint(ColourDialog& d) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(d.dialog, &ps);
  const auto& basic = basicColours();
  auto cell = [&](const RECT& r, COLORREF colour) {
    bool chosen = (colour & 0xFFFFFF) == d.current;
    RECT frame{r.left - 2, r.top - 2, r.right + 2, r.bottom + 2};
    fillRect(dc, frame, chosen ? RGB(0, 0, 0) : GetSysColor(COLOR_BTNFACE));
    fillRect(dc, r, colour & 0xFFFFFF);
  };
  for (int i = 0; i < 48; ++i) cell(basicCell(i), basic[static_cast<size_t>(i)]);
  for (int i = 0; i < 16; ++i) cell(customCell(i), d.cc->lpCustColors != nullptr ? d.cc->lpCustColors[i] : 0xFFFFFF);
  if (d.full) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kField;
    info.bmiHeader.biHeight = -kField;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, kFieldRect.left, kFieldRect.top, kField, kField, 0, 0, 0, kField, d.field.data(), &info,
                      DIB_RGB_COLORS);
    // The luminance bar of the chosen hue and saturation, light at the top.
    for (int y = 0; y < kField; ++y) {
      RECT row{kBarRect.left, kBarRect.top + y, kBarRect.right, kBarRect.top + y + 1};
      fillRect(dc, row, fromHls(Hls{d.hls.h, kScale - y * kScale / (kField - 1), d.hls.s}));
    }
    fillRect(dc, kPreviewRect, d.current);
    // The cross hair at the chosen hue and saturation.
    int x = kFieldRect.left + d.hls.h * (kField - 1) / kHueMax;
    int y = kFieldRect.top + (kScale - d.hls.s) * (kField - 1) / kScale;
    RECT h{x - 5, y, x + 6, y + 1}, v{x, y - 5, x + 1, y + 6};
    fillRect(dc, h, RGB(0, 0, 0));
    fillRect(dc, v, RGB(0, 0, 0));
  }
  EndPaint(d.dialog, &ps);
}

void click(ColourDialog& d, POINT p) {
  const auto& basic = basicColours();
  for (int i = 0; i < 48; ++i) {
    RECT r = basicCell(i);
    if (PtInRect(&r, p)) return setColour(d, basic[static_cast<size_t>(i)], nullptr, 0);
  }
  for (int i = 0; i < 16; ++i) {
    RECT r = customCell(i);
    if (PtInRect(&r, p) && d.cc->lpCustColors != nullptr) {
      d.nextCustom = i;
      return setColour(d, d.cc->lpCustColors[i], nullptr, 0);
    }
  }
  if (!d.full) return;
  if (PtInRect(&kFieldRect, p)) {
    Hls c{(p.x - kFieldRect.left) * kHueMax / (kField - 1), d.hls.l,
          kScale - (p.y - kFieldRect.top) * kScale / (kField - 1)};
    if (c.l == 0 || c.l == kScale) c.l = kScale / 2;  // black and white have no hue to show
    setColour(d, fromHls(c), &c, 0);
  } else if (PtInRect(&kBarRect, p)) {
    Hls c{d.hls.h, kScale - (p.y - kBarRect.top) * kScale / (kField - 1), d.hls.s};
    setColour(d, fromHls(c), &c, 0);
  }
}

void typed(ColourDialog& d, int id) {
  if (d.updating) return;
  if (id >= kRedEdit) {
    COLORREF c = RGB(readNumber(d.dialog, kRedEdit, 255), readNumber(d.dialog, kGreenEdit, 255),
                     readNumber(d.dialog, kBlueEdit, 255));
    setColour(d, c, nullptr, id);
  } else {
    Hls c{readNumber(d.dialog, kHueEdit, kHueMax), readNumber(d.dialog, kLumEdit, kScale),
          readNumber(d.dialog, kSatEdit, kScale)};
    setColour(d, fromHls(c), &c, id);
  }
}

INT_PTR CALLBACK colourDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  ColourDialog* d = dialogOf(dialog);
  if (d == nullptr) return FALSE;
  switch (message) {
    case WM_PAINT: paint(*d); return TRUE;
    case WM_LBUTTONDOWN:
      click(*d, POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == IDOK) {
        d->cc->rgbResult = d->current;
        d->result = TRUE;
        EndDialog(dialog, 1);
      } else if (id == IDCANCEL) {
        EndDialog(dialog, 0);
      } else if (id == kDefine && code == BN_CLICKED) {
        showFull(*d);
      } else if (id == kAdd && code == BN_CLICKED && d->cc->lpCustColors != nullptr) {
        d->cc->lpCustColors[d->nextCustom] = d->current;
        d->nextCustom = (d->nextCustom + 1) % 16;
        InvalidateRect(dialog, nullptr, FALSE);
      } else if (id >= kHueEdit && id <= kBlueEdit && code == EN_CHANGE) {
        typed(*d, id);
      }
      return TRUE;
    }
    default: return FALSE;
  }
}

bool buildControls(ColourDialog& d) {
  using winapi::dialogs::makeControl;
  HWND dlg = d.dialog;
  HFONT f = d.font;
  HWND labels[2] = {makeControl(dlg, f, u"Static", text(Text::BasicColors), SS_LEFT, -1),
                    makeControl(dlg, f, u"Static", text(Text::CustomColors), SS_LEFT, -1)};
  HWND define = makeControl(dlg, f, u"Button", text(Text::DefineCustomColors), BS_PUSHBUTTON | WS_TABSTOP, kDefine);
  HWND ok = makeControl(dlg, f, u"Button", text(Text::OK), BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK);
  HWND cancel = makeControl(dlg, f, u"Button", text(Text::Cancel), BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
  if (labels[0] == nullptr || labels[1] == nullptr || define == nullptr || ok == nullptr || cancel == nullptr) {
    return false;
  }
  MoveWindow(labels[0], kMargin, kMargin, kLeftWidth - kMargin, 16, FALSE);
  MoveWindow(labels[1], kMargin, kCustomTop - 20, kLeftWidth - kMargin, 16, FALSE);
  const int buttonsTop = kCustomTop + 2 * (kCellHeight + kGap) + kMargin;
  MoveWindow(define, kMargin, buttonsTop, kLeftWidth - kMargin, 23, FALSE);
  MoveWindow(ok, kMargin, buttonsTop + 23 + kMargin, 75, 23, FALSE);
  MoveWindow(cancel, kMargin + 75 + kGap, buttonsTop + 23 + kMargin, 75, 23, FALSE);
  if ((d.cc->Flags & CC_PREVENTFULLOPEN) != 0) EnableWindow(define, FALSE);

  // The full part, hidden until it is opened.
  const Text names[6] = {Text::Hue, Text::Sat, Text::Lum, Text::Red, Text::Green, Text::Blue};
  const int top = kEditsTop;
  for (int i = 0; i < 6; ++i) {
    int x = kFullLeft + (i / 3) * 84, y = top + (i % 3) * 24;
    HWND label = makeControl(dlg, f, u"Static", text(names[i]), SS_RIGHT, kLabels + i);
    HWND edit =
        makeControl(dlg, f, u"Edit", u"", ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, kHueEdit + i, WS_EX_CLIENTEDGE);
    if (label == nullptr || edit == nullptr) return false;
    MoveWindow(label, x, y + 3, 40, 16, FALSE);
    MoveWindow(edit, x + 44, y, 34, 20, FALSE);
    SendMessageW(edit, EM_LIMITTEXT, 3, 0);
    ShowWindow(label, SW_HIDE);
    ShowWindow(edit, SW_HIDE);
  }
  HWND add = makeControl(dlg, f, u"Button", text(Text::AddToCustomColors), BS_PUSHBUTTON | WS_TABSTOP, kAdd);
  if (add == nullptr) return false;
  MoveWindow(add, kFullLeft, kAddTop, kFullWidth - kFullLeft - kMargin, 23, FALSE);
  ShowWindow(add, SW_HIDE);
  return true;
}

}  // namespace

extern "C" BOOL WINAPI ChooseColorW(LPCHOOSECOLORW cc) {
  if (cc == nullptr || cc->lStructSize != sizeof(CHOOSECOLORW)) {
    winapi::dialogs::setDialogError(CDERR_STRUCTSIZE);
    return FALSE;
  }
  winapi::dialogs::setDialogError(0);
  winapi::ModalAnswer answer = winapi::displayDriver().takeModalAnswer(winapi::ModalAnswer::Kind::Colour);
  if (answer.kind == winapi::ModalAnswer::Kind::Colour) {
    cc->rgbResult = answer.colour & 0xFFFFFF;
    return TRUE;
  }
  if (answer.kind != winapi::ModalAnswer::Kind::Run) return FALSE;

  ColourDialog d;
  d.cc = cc;
  d.font = winapi::dialogs::makeDialogFont();
  d.dialog = winapi::dialogs::makeDialog(cc->hwndOwner, text(Text::Color), 0, kSmallWidth, kHeight, colourDialogProc,
                                         &d, [&d](HWND dialog) {
                                           d.dialog = dialog;
                                           return buildControls(d);
                                         });
  if (d.dialog == nullptr) {
    DeleteObject(d.font);
    winapi::dialogs::setDialogError(CDERR_DIALOGFAILURE);
    return FALSE;
  }
  d.field.resize(static_cast<size_t>(kField * kField));
  for (int y = 0; y < kField; ++y) {
    for (int x = 0; x < kField; ++x) {
      COLORREF c = fromHls(Hls{x * kHueMax / (kField - 1), kScale / 2, kScale - y * kScale / (kField - 1)});
      d.field[static_cast<size_t>(y * kField + x)] =
          0xFF000000u | (static_cast<uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
  }
  setColour(d, (cc->Flags & CC_RGBINIT) != 0 ? cc->rgbResult : RGB(0, 0, 0), nullptr, 0);
  if ((cc->Flags & CC_FULLOPEN) != 0 && (cc->Flags & CC_PREVENTFULLOPEN) == 0) showFull(d);
  winapi::ModalOptions options;
  if (cc->hwndOwner != nullptr && IsWindow(cc->hwndOwner))
    options.disable.push_back(GetAncestor(cc->hwndOwner, GA_ROOT));
  winapi::runModalDialog(d.dialog, options);
  DeleteObject(d.font);
  return d.result;
}
