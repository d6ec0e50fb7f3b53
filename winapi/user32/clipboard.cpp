// Clipboard formats, the clipboard's contents within this process, and the clipboard viewer
// chain. There is no system-wide chain on the displays the layer drives, so joining it fails and
// no window is ever told of clipboard changes.
// Left out: sharing the contents with other programs (the X selections), delayed rendering,
// the chain itself, WM_DRAWCLIPBOARD, WM_CHANGECBCHAIN and WM_DESTROYCLIPBOARD.
#include "winapi/user32/Window.h"

#include <map>

namespace {

struct Clipboard {
  std::mutex lock;
  bool open = false;
  DWORD openThread = 0;
  HWND openWindow = nullptr;
  HWND owner = nullptr;
  std::map<UINT, HANDLE> data;
};

Clipboard& clipboard() {
  static auto* c = new Clipboard;  // outlives the static destructors of its users
  return *c;
}

// Under the clipboard's lock: the calling thread has it open.
bool openedHere(const Clipboard& c) { return c.open && c.openThread == winapi::currentThreadId(); }

void freeAll(Clipboard& c) {
  for (auto& entry : c.data) GlobalFree(entry.second);
  c.data.clear();
}

}  // namespace

extern "C" UINT WINAPI RegisterClipboardFormatW(LPCWSTR name) { return winapi::registeredNameId(name); }

extern "C" BOOL WINAPI OpenClipboard(HWND owner) {
  if (owner != nullptr && !IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Clipboard& c = clipboard();
  std::lock_guard<std::mutex> guard(c.lock);
  // Windows lets the window that has it open open it again; anyone else waits their turn.
  if (c.open && !(openedHere(c) && c.openWindow == owner)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  c.open = true;
  c.openThread = winapi::currentThreadId();
  c.openWindow = owner;
  return TRUE;
}

extern "C" BOOL WINAPI CloseClipboard(void) {
  Clipboard& c = clipboard();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!openedHere(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  c.open = false;
  c.openThread = 0;
  c.openWindow = nullptr;
  return TRUE;
}

extern "C" BOOL WINAPI EmptyClipboard(void) {
  Clipboard& c = clipboard();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!openedHere(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  freeAll(c);
  c.owner = c.openWindow;
  return TRUE;
}

extern "C" HANDLE WINAPI SetClipboardData(UINT format, HANDLE data) {
  Clipboard& c = clipboard();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!openedHere(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  // Delayed rendering (a null block) needs WM_RENDERFORMAT, which nothing here sends.
  if (format == 0 || data == nullptr || GlobalSize(data) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto it = c.data.find(format);
  if (it != c.data.end() && it->second != data) GlobalFree(it->second);
  c.data[format] = data;
  return data;
}

extern "C" HANDLE WINAPI GetClipboardData(UINT format) {
  Clipboard& c = clipboard();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!openedHere(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  auto it = c.data.find(format);
  return it != c.data.end() ? it->second : nullptr;
}

extern "C" BOOL WINAPI IsClipboardFormatAvailable(UINT format) {
  Clipboard& c = clipboard();
  std::lock_guard<std::mutex> guard(c.lock);
  return c.data.count(format) != 0 ? TRUE : FALSE;
}

extern "C" HWND WINAPI GetClipboardOwner(void) {
  Clipboard& c = clipboard();
  std::lock_guard<std::mutex> guard(c.lock);
  if (c.owner != nullptr && !IsWindow(c.owner)) c.owner = nullptr;
  return c.owner;
}

extern "C" HWND WINAPI SetClipboardViewer(HWND) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return nullptr;
}

extern "C" BOOL WINAPI ChangeClipboardChain(HWND, HWND) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}
