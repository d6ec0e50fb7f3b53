// System-wide hot keys: the process's registrations, over the display driver's key grabs.
// Left out: the system's own snapshot hot keys (IDHOT_SNAPDESKTOP, IDHOT_SNAPWINDOW).
#include <windows.h>

#include "winapi/user32/HotKey.h"

#include "winapi/gdi32/DisplayDriver.h"
#include "winapi/user32/Window.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace winapi {
namespace {

constexpr UINT kModifierKeys = MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;

struct HotKey {
  HWND hwnd;  // null: a hot key of the thread
  DWORD threadId;
  int id;
  UINT modifiers;  // without MOD_NOREPEAT
  UINT vk;
  bool noRepeat;
};

struct HotKeyTable {
  std::mutex lock;
  std::vector<HotKey> keys;
};

HotKeyTable& table() {
  static HotKeyTable* t = new HotKeyTable;
  return *t;
}

// The window must be this thread's own; false with the error set otherwise.
bool checkOwner(HWND hwnd) {
  if (hwnd == nullptr) return true;
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return false;
  if (w->threadId != currentThreadId()) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return false;
  }
  return true;
}

}  // namespace

bool hotKeyPressed(UINT modifiers, UINT vk, bool repeat) {
  HotKey key{};
  {
    HotKeyTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = std::find_if(t.keys.begin(), t.keys.end(),
                           [&](const HotKey& k) { return k.modifiers == (modifiers & kModifierKeys) && k.vk == vk; });
    if (it == t.keys.end()) return false;
    key = *it;
  }
  if (repeat && key.noRepeat) return true;
  LPARAM lParam = MAKELPARAM(key.modifiers, key.vk);
  if (key.hwnd != nullptr) {
    PostMessageW(key.hwnd, WM_HOTKEY, static_cast<WPARAM>(key.id), lParam);
  } else {
    PostThreadMessageW(key.threadId, WM_HOTKEY, static_cast<WPARAM>(key.id), lParam);
  }
  return true;
}

bool hotKeyRegistered(UINT modifiers, UINT vk) {
  HotKeyTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  return std::any_of(t.keys.begin(), t.keys.end(),
                     [&](const HotKey& k) { return k.modifiers == (modifiers & kModifierKeys) && k.vk == vk; });
}

void forgetHotKeysOf(HWND hwnd) {
  std::vector<HotKey> gone;
  {
    HotKeyTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto end = std::stable_partition(t.keys.begin(), t.keys.end(), [&](const HotKey& k) { return k.hwnd != hwnd; });
    gone.assign(end, t.keys.end());
    t.keys.erase(end, t.keys.end());
  }
  for (const HotKey& k : gone) displayDriver().ungrabHotKey(k.modifiers, k.vk);
}

}  // namespace winapi

using winapi::HotKey;

extern "C" BOOL WINAPI RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk) {
  if ((modifiers & ~(winapi::kModifierKeys | MOD_NOREPEAT)) != 0 || vk == 0 || vk > 0xFE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!winapi::checkOwner(hwnd)) return FALSE;
  UINT keys = modifiers & winapi::kModifierKeys;
  DWORD thread = winapi::currentThreadId();
  winapi::HotKeyTable& t = winapi::table();
  std::lock_guard<std::mutex> guard(t.lock);
  for (const HotKey& k : t.keys) {
    bool sameCombination = k.modifiers == keys && k.vk == vk;
    bool sameId = k.hwnd == hwnd && k.id == id && (hwnd != nullptr || k.threadId == thread);
    if (sameCombination || sameId) {
      SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
      return FALSE;
    }
  }
  DWORD error = 0;
  if (!winapi::displayDriver().grabHotKey(keys, vk, &error)) {
    SetLastError(error != 0 ? error : ERROR_HOTKEY_ALREADY_REGISTERED);
    return FALSE;
  }
  t.keys.push_back(HotKey{hwnd, thread, id, keys, vk, (modifiers & MOD_NOREPEAT) != 0});
  return TRUE;
}

extern "C" BOOL WINAPI UnregisterHotKey(HWND hwnd, int id) {
  if (!winapi::checkOwner(hwnd)) return FALSE;
  DWORD thread = winapi::currentThreadId();
  HotKey gone{};
  {
    winapi::HotKeyTable& t = winapi::table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = std::find_if(t.keys.begin(), t.keys.end(), [&](const HotKey& k) {
      return k.hwnd == hwnd && k.id == id && (hwnd != nullptr || k.threadId == thread);
    });
    if (it == t.keys.end()) {
      SetLastError(ERROR_HOTKEY_NOT_REGISTERED);
      return FALSE;
    }
    gone = *it;
    t.keys.erase(it);
  }
  winapi::displayDriver().ungrabHotKey(gone.modifiers, gone.vk);
  return TRUE;
}
