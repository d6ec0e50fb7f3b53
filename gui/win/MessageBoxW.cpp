// The toolkit's message box over the window system's MessageBoxW.
#include "gui/win/MessageBoxW.h"

#include "core/system/win/UserNotice.h"

namespace s::gui::win {

int MessageBoxW::show(const WCHAR* text, UINT type) {
  return system::win::showApplicationMessageBox(text, type);
}

int MessageBoxW::showInformation(const WCHAR* text) {
  return show(text, MB_OK | MB_ICONINFORMATION);
}

int MessageBoxW::showWarning(const WCHAR* text) { return show(text, MB_OK | MB_ICONWARNING); }

int MessageBoxW::showError(const WCHAR* text) { return show(text, MB_OK | MB_ICONERROR); }

bool MessageBoxW::askYesNo(const WCHAR* text) {
  return show(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool MessageBoxW::askYesNoCancel(const WCHAR* text, bool* yes) {
  const int answer = show(text, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer != IDYES && answer != IDNO) {
    return false;
  }
  if (yes != nullptr) {
    *yes = answer == IDYES;
  }
  return true;
}

namespace {

/// Runs `ask` on a box taken for the call; a box that cannot be taken answers `failed`.
template <typename Ask>
auto withBox(Ask ask, decltype(ask(nullptr)) failed) {
  MessageBoxW* box = MessageBoxW::take();
  if (box == nullptr) {
    return failed;
  }
  auto answer = ask(box);
  box->release();
  return answer;
}

}  // namespace

void showInformation(const WCHAR* text) {
  withBox([text](MessageBoxW* box) { return box->showInformation(text); }, 0);
}

void showError(const WCHAR* text) {
  withBox([text](MessageBoxW* box) { return box->showError(text); }, 0);
}

bool askYesNo(const WCHAR* text) {
  return withBox([text](MessageBoxW* box) { return box->askYesNo(text); }, false);
}

}  // namespace s::gui::win
