// MessageBoxW until the layer draws message boxes: the caption and the text go to standard error
// and the box answers at once: with a scripted answer when the driver has one (the headless
// driver's queue: a button, else the cancel button), otherwise with its default button, as if the
// user had pressed Enter.
// Left out: the drawn, modal box with its icon and buttons (the owner window is not disabled).
#include <windows.h>

#include "winapi/drivers/DisplayDriver.h"
#include "winapi/kernel32/utf8.h"

#include <atomic>
#include <cstdio>
#include <string>

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

int WINAPI realMessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  const UINT set = type & MB_TYPEMASK;
  if (set >= sizeof kButtons / sizeof kButtons[0]) {
    SetLastError(ERROR_INVALID_MSGBOX_STYLE);
    return 0;
  }
  // Windows captions a box without a caption "Error".
  std::string captionBytes, textBytes;
  winapi::utf8::toUtf8(caption != nullptr ? std::u16string_view(caption) : u"Error", captionBytes);
  winapi::utf8::toUtf8(text != nullptr ? std::u16string_view(text) : u"", textBytes);
  std::fprintf(stderr, "%s: %s\n", captionBytes.c_str(), textBytes.c_str());
  std::fflush(stderr);

  winapi::ModalAnswer answer = winapi::displayDriver().takeModalAnswer(winapi::ModalAnswer::Kind::MessageBox);
  if (answer.kind == winapi::ModalAnswer::Kind::MessageBox) {
    for (int button : kButtons[set]) {
      if (button != 0 && button == answer.value) return button;
    }
    // A button the box does not have cannot be pressed; the box is cancelled instead.
    std::fprintf(stderr, "message box: no button %d in this box\n", answer.value);
  }
  if (answer.kind != winapi::ModalAnswer::Kind::Run) return cancelButton(set);
  // A default button beyond the set falls back to the first, as Windows does.
  unsigned index = (type & MB_DEFMASK) >> 8;
  if (index > 2 || kButtons[set][index] == 0) index = 0;
  return kButtons[set][index];
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
