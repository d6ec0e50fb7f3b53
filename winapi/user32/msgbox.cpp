// MessageBoxW as a real dialog of the layer: a "#32770" frame with the icon of its MB_ICON* type,
// the text in a "Static" and the buttons of its set in a centred row, run by the layer's modal
// loop on the calling thread. Every box writes "caption: text" to standard error when shown, so
// a session without a screen still has its messages. Under the headless driver a box takes the
// next scripted answer of its kind (a button, or "run" to show it and wait for injected input)
// and without one answers at once what Esc would.
// Left out: the Help button (MB_HELP), MB_RIGHT and MB_RTLREADING, Ctrl+C copying the box's
// text, and the service-notification and default-desktop flags.
#include <windows.h>

#include "winapi/base/utf8.h"
#include "winapi/user32/DialogWords.h"
#include "winapi/gdi32/DisplayDriver.h"
#include "winapi/user32/Dialogs.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The buttons of each button set, left to right; 0 ends a shorter set.
constexpr int kButtons[][3] = {
    {IDOK, 0, 0},                       // MB_OK
    {IDOK, IDCANCEL, 0},                // MB_OKCANCEL
    {IDABORT, IDRETRY, IDIGNORE},       // MB_ABORTRETRYIGNORE
    {IDYES, IDNO, IDCANCEL},            // MB_YESNOCANCEL
    {IDYES, IDNO, 0},                   // MB_YESNO
    {IDRETRY, IDCANCEL, 0},             // MB_RETRYCANCEL
    {IDCANCEL, IDTRYAGAIN, IDCONTINUE}  // MB_CANCELTRYCONTINUE
};

// The classic look's measures at 96 DPI: push buttons of 75 x 23 pixels, 6 apart, and the
// margins around the icon, the text and the button row.
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kMargin = 12;
constexpr int kTextId = 0xFFFF;  // the id Windows gives a message box's text
// Room the caption needs beside its text: the close box and the frame's padding.
constexpr int kCaptionExtra = 48;
// Room a push button leaves on each side of a caption too long for the usual width.
constexpr int kButtonPadding = 8;
// The longest line of a box's text, in average character widths.
constexpr int kReadableLine = 90;

// The button's caption in the user's interface language.
const char16_t* buttonCaption(int id) {
  using winapi::dialogs::Text;
  switch (id) {
    case IDOK: return winapi::dialogs::text(Text::OK);
    case IDCANCEL: return winapi::dialogs::text(Text::Cancel);
    case IDABORT: return winapi::dialogs::text(Text::Abort);
    case IDRETRY: return winapi::dialogs::text(Text::Retry);
    case IDIGNORE: return winapi::dialogs::text(Text::Ignore);
    case IDYES: return winapi::dialogs::text(Text::Yes);
    case IDNO: return winapi::dialogs::text(Text::No);
    case IDTRYAGAIN: return winapi::dialogs::text(Text::TryAgain);
    case IDCONTINUE: return winapi::dialogs::text(Text::Continue);
    default: return u"";
  }
}

// What Esc or the close button answers: Cancel where the box has one, else OK for a lone OK,
// No for Yes/No, and Abort for Abort/Retry/Ignore (stopping is the safe choice).
int cancelButton(UINT set) {
  switch (set) {
    case MB_OK: return IDOK;
    case MB_YESNO: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    default: return IDCANCEL;
  }
}

// Whether Esc, Alt+F4 and the close box may end the box: only where its set has a way out
// (Cancel, or the lone OK); Yes/No and Abort/Retry/Ignore ask for an answer, as on Windows.
bool canEscape(UINT set) {
  return set == MB_OK || set == MB_OKCANCEL || set == MB_YESNOCANCEL || set == MB_RETRYCANCEL ||
         set == MB_CANCELTRYCONTINUE;
}

struct Box {
  UINT type = 0;
  UINT set = 0;
  HFONT font = nullptr;
  RECT iconRect{};
  std::vector<uint32_t> icon;
};

INT_PTR CALLBACK boxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* box = reinterpret_cast<Box*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      box = reinterpret_cast<Box*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      // The default button takes the focus itself.
      LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
      HWND button = GetDlgItem(dialog, LOWORD(def));
      if (button != nullptr) SetFocus(button);
      return FALSE;
    }
    case WM_COMMAND: {
      if (box == nullptr || HIWORD(wParam) != 0) return FALSE;
      int id = LOWORD(wParam);
      for (int button : kButtons[box->set]) {
        if (button != 0 && button == id && GetDlgItem(dialog, id) != nullptr) {
          EndDialog(dialog, id);
          return TRUE;
        }
      }
      // Esc and the close box arrive as IDCANCEL.
      if (id == IDCANCEL && canEscape(box->set)) EndDialog(dialog, cancelButton(box->set));
      return TRUE;
    }
    case WM_PAINT: {
      if (box == nullptr || box->icon.empty()) return FALSE;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(dialog, &ps);
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = winapi::kMessageBoxIconSize;
      info.bmiHeader.biHeight = -winapi::kMessageBoxIconSize;  // top row first
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      SetDIBitsToDevice(dc, box->iconRect.left, box->iconRect.top, winapi::kMessageBoxIconSize,
                        winapi::kMessageBoxIconSize, 0, 0, 0, winapi::kMessageBoxIconSize, box->icon.data(), &info,
                        DIB_RGB_COLORS);
      EndPaint(dialog, &ps);
      return TRUE;
    }
    default: return FALSE;
  }
}

BOOL CALLBACK collectTaskWindow(HWND hwnd, LPARAM param) {
  auto* windows = reinterpret_cast<std::vector<HWND>*>(param);
  if (IsWindowVisible(hwnd)) windows->push_back(hwnd);
  return TRUE;
}

// Lays the box out, runs it and answers the button that closed it (0 when it cannot be made).
int runBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type) {
  const UINT set = type & MB_TYPEMASK;
  Box box;
  box.type = type;
  box.set = set;
  box.font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"MS Shell Dlg 2");
  HWND top = owner != nullptr && IsWindow(owner) ? GetAncestor(owner, GA_ROOT) : nullptr;

  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int workWidth = work.right - work.left, workHeight = work.bottom - work.top;

  // The text wraps at words, at a line length a person reads comfortably (and within two thirds
  // of the work area); a word longer than a line (a path) breaks inside, as in an edit control,
  // so the box never grows past the screen and cuts its text. It is cut at the work area's height.
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, box.font);
  TEXTMETRICW tm{};
  GetTextMetricsW(screen, &tm);
  int wrapWidth = std::min(workWidth * 2 / 3, kReadableLine * std::max<int>(1, tm.tmAveCharWidth));
  RECT textRect{0, 0, wrapWidth, 0};
  const UINT textFormat = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL;
  DrawTextW(screen, text.c_str(), static_cast<int>(text.size()), &textRect, textFormat | DT_CALCRECT);
  SIZE captionSize{};
  GetTextExtentPoint32W(screen, caption.c_str(), static_cast<int>(caption.size()), &captionSize);
  // The buttons share one width, wider than usual where a language's caption needs it.
  int buttons = 0;
  int buttonWidth = kButtonWidth;
  while (buttons < 3 && kButtons[set][buttons] != 0) {
    const char16_t* label = buttonCaption(kButtons[set][buttons]);
    RECT labelRect{};
    DrawTextW(screen, label, -1, &labelRect, DT_SINGLELINE | DT_CALCRECT);
    buttonWidth = std::max(buttonWidth, static_cast<int>(labelRect.right - labelRect.left) + 2 * kButtonPadding);
    ++buttons;
  }
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);

  int rowWidth = buttons * buttonWidth + (buttons - 1) * kButtonGap;
  bool hasIcon = (type & MB_ICONMASK) != 0;
  int textLeft = hasIcon ? kMargin + winapi::kMessageBoxIconSize + kMargin : kMargin;
  int textWidth = textRect.right - textRect.left;
  int textHeight = std::min(static_cast<int>(textRect.bottom - textRect.top),
                            workHeight - 3 * kMargin - kButtonHeight - GetSystemMetrics(SM_CYCAPTION));
  int bodyHeight = std::max(textHeight, hasIcon ? winapi::kMessageBoxIconSize : 0);
  int width = std::max(
      {textLeft + textWidth + kMargin, rowWidth + 2 * kMargin, static_cast<int>(captionSize.cx) + kCaptionExtra});
  width = std::min(width, workWidth);
  int height = kMargin + bodyHeight + kMargin + kButtonHeight + kMargin;

  DWORD exStyle = (type & (MB_TOPMOST | MB_SYSTEMMODAL)) ? WS_EX_TOPMOST : 0;
  HWND dialog = winapi::createDialogFrame(top, caption.c_str(), 0, exStyle, width, height, boxProc);
  if (dialog == nullptr) {
    DeleteObject(box.font);
    return 0;
  }
  SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(box.font), FALSE);
  if (hasIcon) {
    box.iconRect = RECT{kMargin, kMargin, kMargin + winapi::kMessageBoxIconSize, kMargin + winapi::kMessageBoxIconSize};
    box.icon.resize(static_cast<size_t>(winapi::kMessageBoxIconSize * winapi::kMessageBoxIconSize));
    winapi::drawMessageBoxIcon(type, GetSysColor(COLOR_BTNFACE), box.icon.data());
  }
  // A text shorter than the icon stands at the icon's middle.
  int textTop = kMargin + (bodyHeight - textHeight) / 2;
  HWND label = CreateWindowExW(0, u"Static", text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_EDITCONTROL,
                               textLeft, textTop, textWidth, textHeight, dialog,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(kTextId)), nullptr, nullptr);
  if (label != nullptr) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(box.font), FALSE);

  // A default button beyond the set falls back to the first, as Windows does.
  unsigned defIndex = (type & MB_DEFMASK) >> 8;
  if (defIndex > 2 || kButtons[set][defIndex] == 0) defIndex = 0;
  int x = (width - rowWidth) / 2, y = kMargin + bodyHeight + kMargin;
  bool made = label != nullptr;
  for (int i = 0; i < buttons && made; ++i) {
    int id = kButtons[set][i];
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? WS_GROUP : 0) |
                  (static_cast<unsigned>(i) == defIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    HWND button = CreateWindowExW(0, u"Button", buttonCaption(id), style, x, y, buttonWidth, kButtonHeight, dialog,
                                  reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    if (button == nullptr) made = false;
    if (button != nullptr) SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(box.font), FALSE);
    x += buttonWidth + kButtonGap;
  }
  if (!made) {
    DestroyWindow(dialog);
    DeleteObject(box.font);
    return 0;
  }
  SendMessageW(dialog, DM_SETDEFID, static_cast<WPARAM>(kButtons[set][defIndex]), 0);

  winapi::ModalOptions options;
  options.initParam = reinterpret_cast<LPARAM>(&box);
  options.quitResult = cancelButton(set);
  options.topmost = exStyle != 0;
  if (top != nullptr) {
    options.disable.push_back(top);
  } else if (type & MB_TASKMODAL) {
    EnumThreadWindows(GetCurrentThreadId(), collectTaskWindow, reinterpret_cast<LPARAM>(&options.disable));
  }
  INT_PTR result = winapi::runModalDialog(dialog, options);
  DeleteObject(box.font);
  return static_cast<int>(result);
}

int WINAPI realMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  const UINT set = type & MB_TYPEMASK;
  if (set >= sizeof kButtons / sizeof kButtons[0]) {
    SetLastError(ERROR_INVALID_MSGBOX_STYLE);
    return 0;
  }
  // Windows captions a box without a caption "Error".
  std::u16string captionText = caption != nullptr ? caption : u"Error";
  std::u16string bodyText = text != nullptr ? text : u"";
  std::string captionBytes, textBytes;
  winapi::utf8::toUtf8(captionText, captionBytes);
  winapi::utf8::toUtf8(bodyText, textBytes);
  std::fprintf(stderr, "%s: %s\n", captionBytes.c_str(), textBytes.c_str());
  std::fflush(stderr);
  winapi::displayDriver().messageBoxShown(winapi::ShownMessageBox{captionText, bodyText, type, owner});

  winapi::ModalAnswer answer = winapi::displayDriver().takeModalAnswer(winapi::ModalAnswer::Kind::MessageBox);
  if (answer.kind == winapi::ModalAnswer::Kind::MessageBox) {
    for (int button : kButtons[set]) {
      if (button != 0 && button == answer.value) return button;
    }
    // A button the box does not have cannot be pressed; the box is cancelled instead.
    std::fprintf(stderr, "message box: no button %d in this box\n", answer.value);
  }
  if (answer.kind != winapi::ModalAnswer::Kind::Run) return cancelButton(set);
  return runBox(owner, bodyText, captionText, type);
}

std::atomic<winapi::seam::MessageBoxFunction> s_messageBox{&realMessageBoxW};

}  // namespace

namespace winapi::seam {
MessageBoxFunction replaceMessageBoxW(MessageBoxFunction replacement) {
  return s_messageBox.exchange(replacement != nullptr ? replacement : &realMessageBoxW);
}
}  // namespace winapi::seam

extern "C" int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return s_messageBox.load()(owner, text, caption, type);
}
