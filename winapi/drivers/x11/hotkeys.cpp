// The X11 driver's hot keys: XGrabKey grabs on the root window, whatever the lock keys say, and
// the presses that come of them.
#include "winapi/drivers/x11/X11DriverImpl.h"

#include "winapi/user32/HotKey.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace winapi::x11 {

namespace {

// The error a request caused, caught while a grab is tried (Xlib's error handler is one for the
// whole process, so the grab swaps it in under the display lock and back out).
std::atomic<int> s_trappedError{0};
int trapError(Display*, XErrorEvent* error) {
  s_trappedError = error->error_code;
  return 0;
}

}  // namespace

// Hot keys: XGrabKey on the root window, once with each state of Num Lock and Caps Lock, so
// the key works whatever the lock keys say.
bool X11DriverImpl::grabHotKey(UINT modifiers, UINT vk, DWORD* error) {
  Hold x(*this);
  if (!x) {
    *error = ERROR_NOT_SUPPORTED;
    return false;
  }
  KeySym sym = keySymOf(vk);
  KeyCode code = sym != 0 ? XKeysymToKeycode(m_display, sym) : 0;
  if (code == 0) {
    *error = ERROR_INVALID_PARAMETER;
    return false;
  }
  unsigned mask = xModifiers(modifiers);
  XLockDisplay(m_display);
  XSync(m_display, False);
  s_trappedError = 0;
  XErrorHandler previous = XSetErrorHandler(trapError);
  for (unsigned locks : lockStates())
    XGrabKey(m_display, code, mask | locks, m_root, False, GrabModeAsync, GrabModeAsync);
  XSync(m_display, False);
  bool refused = s_trappedError != 0;
  if (refused) {
    for (unsigned locks : lockStates()) XUngrabKey(m_display, code, mask | locks, m_root);
    XSync(m_display, False);
  }
  XSetErrorHandler(previous);
  XUnlockDisplay(m_display);
  if (refused) {
    // BadAccess: another client holds the key.
    *error = ERROR_HOTKEY_ALREADY_REGISTERED;
    return false;
  }
  return true;
}

void X11DriverImpl::ungrabHotKey(UINT modifiers, UINT vk) {
  Hold x(*this);
  if (!x) return;
  KeySym sym = keySymOf(vk);
  KeyCode code = sym != 0 ? XKeysymToKeycode(m_display, sym) : 0;
  if (code == 0) return;
  unsigned mask = xModifiers(modifiers);
  for (unsigned locks : lockStates()) XUngrabKey(m_display, code, mask | locks, m_root);
  XFlush(m_display);
}

unsigned X11DriverImpl::xModifiers(UINT modifiers) const {
  unsigned mask = 0;
  if (modifiers & MOD_ALT) mask |= Mod1Mask;
  if (modifiers & MOD_CONTROL) mask |= ControlMask;
  if (modifiers & MOD_SHIFT) mask |= ShiftMask;
  if (modifiers & MOD_WIN) mask |= Mod4Mask;
  return mask;
}

std::vector<unsigned> X11DriverImpl::lockStates() const {
  return {0u, LockMask, m_numLockMask, m_numLockMask | LockMask};
}

// The modifier bit that Num Lock sets on this server (commonly Mod2).
unsigned X11DriverImpl::numLockMask() {
  unsigned mask = 0;
  KeyCode numLock = XKeysymToKeycode(m_display, XK_Num_Lock);
  XModifierKeymap* map = XGetModifierMapping(m_display);
  if (map != nullptr && numLock != 0) {
    for (int m = 0; m < 8; ++m) {
      for (int k = 0; k < map->max_keypermod; ++k) {
        if (map->modifiermap[m * map->max_keypermod + k] == numLock) mask = 1u << m;
      }
    }
  }
  if (map != nullptr) XFreeModifiermap(map);
  return mask;
}

void X11DriverImpl::handleHotKey(XKeyEvent& key) {
  KeySym sym = 0;
  {
    Hold x(*this);
    if (!x) return;
    sym = XkbKeycodeToKeysym(m_display, static_cast<KeyCode>(key.keycode), 0, 0);
  }
  UINT vk = virtualKeyOf(sym);
  if (vk == 0) return;
  bool down = key.type == KeyPress;
  bool repeat = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto held = std::find(m_heldKeys.begin(), m_heldKeys.end(), key.keycode);
    repeat = down && held != m_heldKeys.end();
    if (down && held == m_heldKeys.end()) m_heldKeys.push_back(key.keycode);
    if (!down && held != m_heldKeys.end()) m_heldKeys.erase(held);
  }
  if (!down) return;
  UINT modifiers = 0;
  if (key.state & Mod1Mask) modifiers |= MOD_ALT;
  if (key.state & ControlMask) modifiers |= MOD_CONTROL;
  if (key.state & ShiftMask) modifiers |= MOD_SHIFT;
  if (key.state & Mod4Mask) modifiers |= MOD_WIN;
  hotKeyPressed(modifiers, vk, repeat);
}

}  // namespace winapi::x11
