// Shell_NotifyIconW: the process's notification-area icons, shown by the display driver.
// Left out: balloon notifications, icon states, keyboard focus and the version 4 behaviour
// (NIF_INFO, NIF_STATE, NIM_SETFOCUS, NIM_SETVERSION are refused).
#include <shellapi.h>

#include "winapi/shell32/NotifyIcon.h"

#include "winapi/gdi32/DisplayDriver.h"
#include "winapi/user32/DestroyHook.h"
#include "winapi/user32/Window.h"

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <vector>

namespace winapi {
namespace {

struct IconRecord {
  UINT callbackMessage;  // 0: none
  TrayIcon shown;        // the icon's picture is copied, so the caller may destroy its handle
};

struct IconTable {
  std::mutex lock;
  std::vector<IconRecord> icons;
};

// The table is made with the first icon or click, and from then on the window system tells it
// of each window that goes, so that its icons leave the notification area with it.
IconTable& table() {
  static IconTable* t = [] {
    IconTable* made = new IconTable;
    addDestroyHook(&forgetTrayIconsOf);
    return made;
  }();
  return *t;
}

// Sizes the structure has had: without hBalloonIcon, without guidItem, and whole.
constexpr DWORD kAcceptedSizes[] = {offsetof(NOTIFYICONDATAW, guidItem), offsetof(NOTIFYICONDATAW, hBalloonIcon),
                                    sizeof(NOTIFYICONDATAW)};
constexpr UINT kSupportedFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;

std::vector<IconRecord>::iterator findIcon(IconTable& t, HWND hwnd, UINT id) {
  return std::find_if(t.icons.begin(), t.icons.end(),
                      [&](const IconRecord& r) { return r.shown.hwnd == hwnd && r.shown.id == id; });
}

// The changes a call asks for, read before the table is locked (the icon's pixels come from the
// window system, whose lock is taken before the table's).
struct Change {
  bool hasIcon = false;
  TrayIcon picture;
};

void apply(IconRecord& record, const NOTIFYICONDATAW& data, Change& change) {
  if (data.uFlags & NIF_MESSAGE) record.callbackMessage = data.uCallbackMessage;
  if (change.hasIcon) {
    record.shown.iconWidth = change.picture.iconWidth;
    record.shown.iconHeight = change.picture.iconHeight;
    record.shown.pixels = std::move(change.picture.pixels);
  }
  if (data.uFlags & NIF_TIP) {
    // The tip holds 127 units and its NUL; a tip without one is cut there.
    const WCHAR* tip = data.szTip;
    size_t n = 0;
    while (n < 127 && tip[n] != 0) ++n;
    record.shown.tip.assign(tip, n);
  }
}

}  // namespace

bool trayIconInput(HWND hwnd, UINT id, UINT mouseMessage) {
  UINT callback = 0;
  {
    IconTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = findIcon(t, hwnd, id);
    if (it == t.icons.end()) return false;
    callback = it->callbackMessage;
  }
  if (callback == 0) return false;
  return PostMessageW(hwnd, callback, id, static_cast<LPARAM>(mouseMessage)) != FALSE;
}

void forgetTrayIconsOf(HWND hwnd) {
  std::vector<UINT> gone;
  {
    IconTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    for (const IconRecord& r : t.icons) {
      if (r.shown.hwnd == hwnd) gone.push_back(r.shown.id);
    }
    t.icons.erase(
        std::remove_if(t.icons.begin(), t.icons.end(), [&](const IconRecord& r) { return r.shown.hwnd == hwnd; }),
        t.icons.end());
  }
  for (UINT id : gone) displayDriver().removeTrayIcon(hwnd, id);
}

}  // namespace winapi

extern "C" BOOL WINAPI Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data) {
  using namespace winapi;
  if (data == nullptr ||
      std::find(std::begin(kAcceptedSizes), std::end(kAcceptedSizes), data->cbSize) == std::end(kAcceptedSizes)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (message != NIM_ADD && message != NIM_MODIFY && message != NIM_DELETE) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (message != NIM_DELETE && (data->uFlags & ~kSupportedFlags) != 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    if (windowOrError(data->hWnd) == nullptr) return FALSE;
  }
  Change change;
  if (message != NIM_DELETE && (data->uFlags & NIF_ICON)) {
    change.hasIcon = true;
    TrayIcon& p = change.picture;
    // An icon without pixels of its own (a stock icon) shows as the driver's blank icon.
    if (data->hIcon == nullptr || !iconPixels(data->hIcon, &p.iconWidth, &p.iconHeight, &p.pixels)) {
      p.iconWidth = p.iconHeight = 0;
      p.pixels.clear();
    }
  }
  IconTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = findIcon(t, data->hWnd, data->uID);
  switch (message) {
    case NIM_ADD: {
      if (it != t.icons.end()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
      }
      IconRecord record{};
      record.shown.hwnd = data->hWnd;
      record.shown.id = data->uID;
      apply(record, *data, change);
      // Without a notification area there is nowhere to show the icon: the caller must keep its
      // window reachable some other way.
      if (!displayDriver().addTrayIcon(record.shown)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
      }
      t.icons.push_back(std::move(record));
      return TRUE;
    }
    case NIM_MODIFY:
      if (it == t.icons.end()) {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
      }
      apply(*it, *data, change);
      displayDriver().updateTrayIcon(it->shown);
      return TRUE;
    default:
      if (it == t.icons.end()) {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
      }
      t.icons.erase(it);
      displayDriver().removeTrayIcon(data->hWnd, data->uID);
      return TRUE;
  }
}
