// Window classes and windows: the handle table, registration, creation and destruction with
// their message order, the window tree (parents, owners, z-order), window longs, texts and
// enumeration.
// Creation sends WM_GETMINMAXINFO (framed top-level windows), WM_NCCREATE, WM_NCCALCSIZE,
// WM_CREATE, WM_SIZE, WM_MOVE, WM_PARENTNOTIFY; destruction hides the window, then sends
// WM_DESTROY parent first and WM_NCDESTROY children first. Owned windows go before their owner.
// The system classes ("Button", "Static", "msctls_progress32", ...) come from one table and are
// found after the program's own classes, so a program class of the same name wins.
// Left out on purpose: MDI, window properties, and message-only windows beyond accepting HWND_MESSAGE as a parent.
#include "winapi/user32/Window.h"

#include <ole2.h>
#include <winseam.h>

#include "winapi/base/ascii.h"
#include "winapi/base/debug.h"
#include "winapi/base/utf8.h"
#include "winapi/user32/Controls.h"
#include "winapi/user32/DestroyHook.h"
#include "winapi/user32/HotKey.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace winapi {
namespace {

// The hooks of the areas above, called as each window leaves the table.
struct DestroyHooks {
  std::mutex lock;
  std::vector<DestroyHook> hooks;
};

DestroyHooks& destroyHooks() {
  static DestroyHooks* h = new DestroyHooks;
  return *h;
}

struct UserState {
  std::recursive_mutex lock;
  std::unordered_map<uintptr_t, std::unique_ptr<Window>> windows;
  std::vector<HWND> topLevels;  // front to back
  std::vector<std::shared_ptr<WindowClass>> classes;
  std::vector<std::shared_ptr<WindowClass>> systemClasses;  // made from the table on first use
  uint32_t nextSerial = 0x20;
  ATOM nextAtom = 0xC000;
  int cascade = 0;
};

UserState& state() {
  static auto* s = new UserState;  // outlives static destructors of windows' users
  return *s;
}

thread_local CreationHook t_creationHook = nullptr;
thread_local void* t_creationContext = nullptr;

constexpr uint32_t kDesktopSerial = 0x10;

// New overlapped windows at CW_USEDEFAULT step down and right by a caption's height and a
// dialog frame (23 + 3 pixels in the classic look at 96 DPI), so the title of each window behind
// stays visible, and start over at the corner after ten.
constexpr int kCascadeStep = 26;
constexpr int kCascadeLength = 10;

HWND makeHandle(uint32_t serial) {
  return reinterpret_cast<HWND>((static_cast<uintptr_t>(static_cast<uint32_t>(getpid())) << 32) | serial);
}

std::u16string fold(const char16_t* name) {
  std::u16string out;
  for (; name != nullptr && *name != 0; ++name) out.push_back(ascii::toUpper(*name));
  return out;
}

// A class name as trace lines show it: its text, or "#<atom>".
std::string classNameText(LPCWSTR name) {
  if (name == nullptr) return "(null)";
  if (IS_INTRESOURCE(name)) {
    std::string atom = "#";
    atom += std::to_string(reinterpret_cast<uintptr_t>(name));
    return atom;
  }
  std::string text;
  utf8::toUtf8(name, text);
  return text;
}

std::shared_ptr<WindowClass> findClass(LPCWSTR name) {
  UserState& s = state();
  if (name == nullptr) return nullptr;
  if (IS_INTRESOURCE(name)) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
    for (auto& c : s.classes) {
      if (c->atom == atom) return c;
    }
    return nullptr;
  }
  std::u16string key = fold(name);
  for (auto& c : s.classes) {
    if (c->folded == key) return c;
  }
  return nullptr;
}

const std::vector<std::shared_ptr<WindowClass>>& systemClasses() {
  UserState& s = state();
  if (s.systemClasses.empty()) {
    for (const SystemClassEntry& e : systemClassTable()) {
      auto c = std::make_shared<WindowClass>();
      c->name = e.name;
      c->folded = fold(e.name);
      c->info.cbSize = sizeof(WNDCLASSEXW);
      c->info.style = e.style;
      c->info.lpfnWndProc = e.proc;
      c->info.cbWndExtra = e.windowExtra;
      c->info.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      c->info.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(e.background));
      c->commonControls = e.commonControls;
      c->atom = s.nextAtom++;
      s.systemClasses.push_back(c);
    }
  }
  return s.systemClasses;
}

// A program's class first, then a system class that is available.
std::shared_ptr<WindowClass> findAnyClass(LPCWSTR name) {
  std::shared_ptr<WindowClass> own = findClass(name);
  if (own || name == nullptr) return own;
  ATOM atom = IS_INTRESOURCE(name) ? static_cast<ATOM>(reinterpret_cast<uintptr_t>(name)) : 0;
  std::u16string key = atom != 0 ? std::u16string() : fold(name);
  for (const auto& c : systemClasses()) {
    if ((atom != 0 ? c->atom == atom : c->folded == key) && commonControlsEnabled(c->commonControls)) return c;
  }
  return nullptr;
}

void unlinkWindow(Window* w) {
  UserState& s = state();
  if (w->parent != nullptr) {
    Window* p = findWindow(w->parent);
    if (p != nullptr)
      p->children.erase(std::remove(p->children.begin(), p->children.end(), w->handle), p->children.end());
  } else {
    s.topLevels.erase(std::remove(s.topLevels.begin(), s.topLevels.end(), w->handle), s.topLevels.end());
  }
}

// Removes a window and its children from the table (under the lock); no messages.
void freeWindow(HWND hwnd) {
  UserState& s = state();
  Window* w = findWindow(hwnd);
  if (w == nullptr) return;
  std::vector<HWND> children = w->children;
  for (HWND c : children) freeWindow(c);
  forgetWindowInput(hwnd);
  forgetHotKeysOf(hwnd);
  {
    DestroyHooks& h = destroyHooks();
    std::lock_guard<std::mutex> guard(h.lock);
    for (DestroyHook hook : h.hooks) hook(hwnd);
  }
  if (w->queue) killTimersOf(*w->queue, hwnd);
  unlinkWindow(w);
  if (w->native != 0) displayDriver().destroyWindow(w->native);
  // A drop target still registered goes with its window rather than staying referenced forever.
  if (w->dropTarget != nullptr) w->dropTarget->Release();
  // Owned windows of other threads lose their owner rather than pointing at a dead handle.
  for (auto& entry : s.windows) {
    if (entry.second->owner == hwnd) entry.second->owner = nullptr;
  }
  s.windows.erase(reinterpret_cast<uintptr_t>(hwnd));
}

void sendDestroy(HWND hwnd) {
  sendLocal(hwnd, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return;
    children = w->children;
  }
  for (HWND c : children) {
    {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* cw = findWindow(c);
      if (cw == nullptr) continue;
      cw->destroying = true;
    }
    sendDestroy(c);
  }
}

void sendNcDestroyAndFree(HWND hwnd) {
  std::vector<HWND> children;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return;
    children = w->children;
  }
  for (HWND c : children) sendNcDestroyAndFree(c);
  sendLocal(hwnd, WM_NCDESTROY, 0, 0);
  std::lock_guard<std::recursive_mutex> guard(userLock());
  freeWindow(hwnd);
}

void parentNotify(HWND hwnd, UINT event) {
  HWND child = hwnd, parent = nullptr;
  for (;;) {
    {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(child);
      if (w == nullptr || !w->isChild() || (w->exStyle & WS_EX_NOPARENTNOTIFY)) return;
      parent = w->parent;
    }
    LONG_PTR id = GetWindowLongPtrW(hwnd, GWLP_ID);
    sendLocal(parent, WM_PARENTNOTIFY, MAKEWPARAM(event, id), reinterpret_cast<LPARAM>(hwnd));
    child = parent;
  }
}

}  // namespace

std::recursive_mutex& userLock() { return state().lock; }

Window* findWindow(HWND hwnd) {
  UserState& s = state();
  auto it = s.windows.find(reinterpret_cast<uintptr_t>(hwnd));
  return it == s.windows.end() ? nullptr : it->second.get();
}

Window* windowOrError(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (w == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

std::vector<HWND> topLevelWindows() {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  return state().topLevels;
}

const std::vector<HWND>& topLevelWindowsLocked() { return state().topLevels; }

void setCreationHook(CreationHook hook, void* context) {
  t_creationHook = hook;
  t_creationContext = context;
}

std::vector<HWND> windowsOfThread(DWORD threadId) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  std::vector<HWND> out;
  for (auto& entry : state().windows) {
    if (entry.second->threadId == threadId) out.push_back(entry.second->handle);
  }
  return out;
}

void destroyWindowSilently(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  freeWindow(hwnd);
}

void setTopLevelOrder(HWND hwnd, HWND insertAfter) {
  UserState& s = state();
  auto& list = s.topLevels;
  list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
  Window* w = findWindow(hwnd);
  bool topmost = w != nullptr && (w->exStyle & WS_EX_TOPMOST);
  auto firstNonTopmost = std::find_if(list.begin(), list.end(), [](HWND h) {
    Window* o = findWindow(h);
    return o == nullptr || !(o->exStyle & WS_EX_TOPMOST);
  });
  if (insertAfter == HWND_BOTTOM) {
    list.push_back(hwnd);
  } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    // Topmost windows stay in front of the others.
    list.insert(topmost ? list.begin() : firstNonTopmost, hwnd);
  } else {
    auto it = std::find(list.begin(), list.end(), insertAfter);
    list.insert(it == list.end() ? list.end() : it + 1, hwnd);
  }
}

void addDestroyHook(DestroyHook hook) {
  DestroyHooks& h = destroyHooks();
  std::lock_guard<std::mutex> guard(h.lock);
  if (std::find(h.hooks.begin(), h.hooks.end(), hook) == h.hooks.end()) h.hooks.push_back(hook);
}

}  // namespace winapi

using namespace winapi;

static ATOM WINAPI realRegisterClassExW(const WNDCLASSEXW* wc) {
  if (wc == nullptr || wc->cbSize != sizeof(WNDCLASSEXW) || wc->lpszClassName == nullptr ||
      (!IS_INTRESOURCE(wc->lpszClassName) && *wc->lpszClassName == 0) || wc->cbClsExtra < 0 || wc->cbWndExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::recursive_mutex> guard(userLock());
  if (findClass(wc->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_shared<WindowClass>();
  c->info = *wc;
  if (!IS_INTRESOURCE(wc->lpszClassName)) c->name = wc->lpszClassName;
  c->folded = fold(c->name.c_str());
  c->info.lpszClassName = nullptr;  // the copy in name is the one kept
  c->info.lpszMenuName = nullptr;
  c->extra.assign(static_cast<size_t>(wc->cbClsExtra), 0);
  c->atom = state().nextAtom++;
  state().classes.push_back(c);
  return c->atom;
}

extern "C" ATOM WINAPI RegisterClassW(const WNDCLASSW* wc) {
  if (wc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXW ex{sizeof(WNDCLASSEXW), wc->style,        wc->lpfnWndProc,   wc->cbClsExtra,
                 wc->cbWndExtra,      wc->hInstance,    wc->hIcon,         wc->hCursor,
                 wc->hbrBackground,   wc->lpszMenuName, wc->lpszClassName, nullptr};
  return RegisterClassExW(&ex);
}

extern "C" BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  std::shared_ptr<WindowClass> c = findClass(className);
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  for (auto& entry : state().windows) {
    if (entry.second->cls == c) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
  }
  auto& list = state().classes;
  list.erase(std::remove(list.begin(), list.end(), c), list.end());
  return TRUE;
}

extern "C" BOOL WINAPI GetClassInfoExW(HINSTANCE, LPCWSTR className, LPWNDCLASSEXW out) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  std::shared_ptr<WindowClass> c = findAnyClass(className);
  if (!c || out == nullptr) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *out = c->info;
  out->lpszClassName = c->name.c_str();
  return c->atom;
}

extern "C" int WINAPI GetClassNameW(HWND hwnd, LPWSTR name, int maxCount) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr || name == nullptr || maxCount <= 0) return 0;
  int n = std::min(static_cast<int>(w->cls->name.size()), maxCount - 1);
  std::copy(w->cls->name.begin(), w->cls->name.begin() + n, name);
  name[n] = 0;
  return n;
}

extern "C" ULONG_PTR WINAPI GetClassLongPtrW(HWND hwnd, int index) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return 0;
  const WNDCLASSEXW& i = w->cls->info;
  switch (index) {
    case GCL_STYLE: return i.style;
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(i.lpfnWndProc);
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(i.hbrBackground);
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(i.hCursor);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(i.hIcon);
    case GCLP_HICONSM: return reinterpret_cast<ULONG_PTR>(i.hIconSm);
    case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(i.hInstance);
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(i.cbWndExtra);
    case GCL_CBCLSEXTRA: return static_cast<ULONG_PTR>(i.cbClsExtra);
    default:
      if (index >= 0 && static_cast<size_t>(index) + sizeof(ULONG_PTR) <= w->cls->extra.size()) {
        ULONG_PTR v;
        std::memcpy(&v, w->cls->extra.data() + index, sizeof v);
        return v;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

extern "C" ULONG_PTR WINAPI SetClassLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return 0;
  ULONG_PTR previous = GetClassLongPtrW(hwnd, index);
  WNDCLASSEXW& i = w->cls->info;
  switch (index) {
    case GCL_STYLE: i.style = static_cast<UINT>(value); break;
    case GCLP_WNDPROC: i.lpfnWndProc = reinterpret_cast<WNDPROC>(value); break;
    case GCLP_HBRBACKGROUND: i.hbrBackground = reinterpret_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: i.hCursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HICON: i.hIcon = reinterpret_cast<HICON>(value); break;
    case GCLP_HICONSM: i.hIconSm = reinterpret_cast<HICON>(value); break;
    default:
      if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->cls->extra.size()) {
        std::memcpy(w->cls->extra.data() + index, &value, sizeof value);
        break;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  return previous;
}

static HWND WINAPI realCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                                       int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                       LPVOID param) {
  std::shared_ptr<ThreadQueue> queue = currentQueue();
  HWND hwnd = nullptr;
  bool topLevel = false;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    std::shared_ptr<WindowClass> cls = findAnyClass(className);
    if (!cls) {
      TRACE(User32, "no class %s", classNameText(className).c_str());
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    if (parent == HWND_MESSAGE) parent = nullptr;
    HWND owner = nullptr;
    if (style & WS_CHILD) {
      if (parent == nullptr || parent == GetDesktopWindow()) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
      }
      if (windowOrError(parent) == nullptr) return nullptr;
    } else if (parent != nullptr && parent != GetDesktopWindow()) {
      // The owner of a top-level window is always a top-level window.
      if (windowOrError(parent) == nullptr) return nullptr;
      owner = GetAncestor(parent, GA_ROOT);
      parent = nullptr;
    } else {
      parent = nullptr;
    }
    topLevel = parent == nullptr;
    const bool defaultPlace = topLevel && x == CW_USEDEFAULT;

    if (topLevel && !(style & WS_POPUP)) {
      RECT work = kDefaultScreen;
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
      UserState& s = state();
      if (x == CW_USEDEFAULT) {
        // New overlapped windows step down and right from the work area's corner.
        int step = kCascadeStep * (s.cascade++ % kCascadeLength);
        x = work.left + step;
        y = work.top + step;
      }
      if (width == CW_USEDEFAULT) {
        width = (work.right - work.left) * 3 / 4;
        height = (work.bottom - work.top) * 3 / 4;
      }
    } else {
      if (x == CW_USEDEFAULT) x = y = 0;
      if (width == CW_USEDEFAULT) width = height = 0;
    }

    auto w = std::make_unique<Window>();
    hwnd = makeHandle(state().nextSerial);
    state().nextSerial += 2;
    w->handle = hwnd;
    w->cls = cls;
    w->queue = queue;
    w->threadId = queue->threadId;
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    if ((style & (WS_CHILD | WS_POPUP)) == 0) {
      // Overlapped windows always have a caption and clip their siblings.
      w->style |= WS_CAPTION | WS_CLIPSIBLINGS;
      w->exStyle |= WS_EX_WINDOWEDGE;
    }
    if (w->exStyle & WS_EX_DLGMODALFRAME) w->exStyle |= WS_EX_WINDOWEDGE;
    w->parent = parent;
    w->owner = owner;
    w->proc = cls->info.lpfnWndProc;
    w->instance = instance;
    w->extra.assign(static_cast<size_t>(cls->info.cbWndExtra), 0);
    // Keyboard cues start hidden in a new top-level window until the user navigates with the
    // keyboard; a child starts with its parent's state.
    w->uiState = topLevel ? UISF_HIDEFOCUS | UISF_HIDEACCEL : findWindow(parent)->uiState;
    if (style & WS_CHILD) {
      w->id = reinterpret_cast<LONG_PTR>(menu);
    } else {
      w->menu = menu;
    }
    keepGeometryInReason(topLevel, (style & WS_MAXIMIZE) != 0, x, y, width, height);
    w->window = RECT{x, y, x + width, y + height};
    TRACE(User32, "%p of class %s, style 0x%08lx, extended 0x%08lx, parent %p, (%d, %d) %d x %d",
          static_cast<void*>(hwnd), classNameText(className).c_str(), static_cast<unsigned long>(style),
          static_cast<unsigned long>(exStyle), static_cast<void*>(parent), x, y, width, height);
    w->client = w->window;
    w->normal = w->window;
    w->defaultPlace = defaultPlace;
    Window* raw = w.get();
    state().windows.emplace(reinterpret_cast<uintptr_t>(hwnd), std::move(w));
    if (topLevel) {
      setTopLevelOrder(hwnd, HWND_TOP);
    } else {
      // A new child goes to the bottom of its siblings, so z-order follows creation order.
      findWindow(parent)->children.push_back(hwnd);
    }
    (void)raw;
  }

  if (t_creationHook != nullptr) t_creationHook(hwnd, t_creationContext);

  CREATESTRUCTW cs{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                   windowName, className, exStyle};
  if (topLevel && (style & (WS_CAPTION | WS_THICKFRAME))) {
    MINMAXINFO mmi{};
    mmi.ptMaxSize = POINT{GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
    mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    sendLocal(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w != nullptr) {
      int cx = std::clamp<int>(w->window.right - w->window.left, mmi.ptMinTrackSize.x,
                               std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
      int cy = std::clamp<int>(w->window.bottom - w->window.top, mmi.ptMinTrackSize.y,
                               std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
      // A program's own minimum cannot ask for more than the screens either.
      keepGeometryInReason(true, (w->style & WS_MAXIMIZE) != 0, w->window.left, w->window.top, cx, cy);
      w->window.right = w->window.left + cx;
      w->window.bottom = w->window.top + cy;
      cs.cx = cx;
      cs.cy = cy;
    }
  }
  if (!sendLocal(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    sendNcDestroyAndFree(hwnd);
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return nullptr;
    if (windowName != nullptr && w->text.empty()) w->text = windowName;
  }
  recalcClient(findWindow(hwnd), true);
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return nullptr;
    if (topLevel) {
      resizeSurface(w);
      w->native = displayDriver().createWindow(hwnd, w->window, hintsFor(w));
      if (w->native != 0) displayDriver().setTitle(w->native, w->text);
    }
  }
  if (sendLocal(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  RECT client{};
  POINT origin{};
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return nullptr;
    w->created = true;
    client = w->client;
    origin = POINT{w->client.left, w->client.top};
  }
  if (!ownedByCurrentThread(hwnd)) return nullptr;
  sendLocal(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right - client.left, client.bottom - client.top));
  sendLocal(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
  parentNotify(hwnd, WM_CREATE);
  if (!IsWindow(hwnd)) return nullptr;
  if (style & WS_VISIBLE) {
    if (style & WS_MAXIMIZE) {
      ShowWindow(hwnd, SW_SHOWMAXIMIZED);
    } else if (style & WS_MINIMIZE) {
      ShowWindow(hwnd, SW_SHOWMINIMIZED);
    } else {
      ShowWindow(hwnd, SW_SHOW);
    }
  }
  if (topLevel) {
    publishWindows();
    watchSessionEnd();
  }
  return IsWindow(hwnd) ? hwnd : nullptr;
}

extern "C" BOOL WINAPI DestroyWindow(HWND hwnd) {
  std::vector<HWND> owned;
  bool wasTop = false;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowOrError(hwnd);
    if (w == nullptr) return FALSE;
    // Only the thread that created a window may destroy it.
    if (w->threadId != currentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (w->destroying) return TRUE;
    w->destroying = true;
    wasTop = w->isTopLevel();
    for (HWND h : state().topLevels) {
      Window* o = findWindow(h);
      if (o != nullptr && o->owner == hwnd) owned.push_back(h);
    }
  }
  parentNotify(hwnd, WM_DESTROY);
  // Owned windows go first; those of other threads are asked to go on their own thread.
  for (HWND h : owned) {
    if (ownedByCurrentThread(h)) {
      DestroyWindow(h);
    } else {
      runOnOwner(h, [h]() -> LRESULT { return DestroyWindow(h); });
    }
  }
  if (IsWindowVisible(hwnd)) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  forgetWindowInput(hwnd);
  sendDestroy(hwnd);
  sendNcDestroyAndFree(hwnd);
  if (wasTop) publishWindows();
  return TRUE;
}

extern "C" BOOL WINAPI IsWindow(HWND hwnd) {
  if (hwnd == nullptr) return FALSE;
  if (isRemoteHandle(hwnd)) {
    for (HWND h : remoteTopLevelWindows()) {
      if (h == hwnd) return TRUE;
    }
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> guard(userLock());
  return findWindow(hwnd) != nullptr || hwnd == GetDesktopWindow();
}

extern "C" BOOL WINAPI IsWindowVisible(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  return w != nullptr && isVisibleChain(w) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI IsWindowEnabled(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  return w != nullptr && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable) {
  if (!ownedByCurrentThread(hwnd)) {
    if (!IsWindow(hwnd)) return FALSE;
    return static_cast<BOOL>(runOnOwner(hwnd, [=]() -> LRESULT { return EnableWindow(hwnd, enable); }));
  }
  bool wasDisabled;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    wasDisabled = (w->style & WS_DISABLED) != 0;
    if (wasDisabled == !enable) return wasDisabled;
    if (enable) {
      w->style &= ~WS_DISABLED;
    } else {
      w->style |= WS_DISABLED;
    }
  }
  if (!enable) {
    // A disabled window cannot keep the focus or the capture.
    HWND focus = GetFocus();
    if (focus == hwnd || IsChild(hwnd, focus)) SetFocus(nullptr);
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  sendLocal(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

extern "C" BOOL WINAPI IsChild(HWND parent, HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  while (w != nullptr && w->isChild()) {
    if (w->parent == parent) return TRUE;
    w = findWindow(w->parent);
  }
  return FALSE;
}

extern "C" HWND WINAPI GetParent(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return nullptr;
  if (w->style & WS_CHILD) return w->parent;
  // A popup's "parent" is its owner, as Windows answers it.
  if (w->style & WS_POPUP) return w->owner;
  return nullptr;
}

extern "C" HWND WINAPI SetParent(HWND hwnd, HWND parent) {
  if (!ownedByCurrentThread(hwnd)) {
    if (!IsWindow(hwnd)) return nullptr;
    return reinterpret_cast<HWND>(
        runOnOwner(hwnd, [=]() -> LRESULT { return reinterpret_cast<LRESULT>(SetParent(hwnd, parent)); }));
  }
  if (parent == GetDesktopWindow()) parent = nullptr;
  HWND previous;
  bool visible;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (parent != nullptr && (windowOrError(parent) == nullptr || parent == hwnd || IsChild(hwnd, parent))) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    previous = w->parent != nullptr ? w->parent : GetDesktopWindow();
    visible = (w->style & WS_VISIBLE) != 0;
  }
  if (visible) ShowWindow(hwnd, SW_HIDE);
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return nullptr;
    unlinkWindow(w);
    // The window keeps its position relative to its (new) parent's client area.
    int cx = w->window.right - w->window.left, cy = w->window.bottom - w->window.top;
    int dx = w->client.left - w->window.left, dy = w->client.top - w->window.top;
    int ccx = w->client.right - w->client.left, ccy = w->client.bottom - w->client.top;
    RECT keep{w->window.left, w->window.top, w->window.left + cx, w->window.top + cy};
    w->parent = parent;
    notePaintChange();
    if (parent == nullptr) {
      setTopLevelOrder(hwnd, HWND_TOP);
      resizeSurface(w);
      if (w->native == 0) w->native = displayDriver().createWindow(hwnd, keep, hintsFor(w));
    } else {
      findWindow(parent)->children.insert(findWindow(parent)->children.begin(), hwnd);
      if (w->native != 0) {
        displayDriver().destroyWindow(w->native);
        w->native = 0;
      }
      w->surface.reset();
    }
    w->window = keep;
    w->client = RECT{keep.left + dx, keep.top + dy, keep.left + dx + ccx, keep.top + dy + ccy};
  }
  if (visible) ShowWindow(hwnd, SW_SHOWNA);
  return previous;
}

extern "C" HWND WINAPI GetWindow(HWND hwnd, UINT relation) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return nullptr;
  const std::vector<HWND>* siblings = &state().topLevels;
  if (w->parent != nullptr) siblings = &findWindow(w->parent)->children;
  auto it = std::find(siblings->begin(), siblings->end(), hwnd);
  switch (relation) {
    case GW_HWNDFIRST: return siblings->empty() ? nullptr : siblings->front();
    case GW_HWNDLAST: return siblings->empty() ? nullptr : siblings->back();
    case GW_HWNDNEXT: return it == siblings->end() || it + 1 == siblings->end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == siblings->begin() || it == siblings->end() ? nullptr : *(it - 1);
    case GW_OWNER: return w->owner;
    case GW_CHILD: return w->children.empty() ? nullptr : w->children.front();
    case GW_ENABLEDPOPUP: return nullptr;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
}

extern "C" HWND WINAPI GetAncestor(HWND hwnd, UINT flags) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->parent != nullptr ? w->parent : GetDesktopWindow();
    case GA_ROOT: return topLevelOf(w)->handle;
    case GA_ROOTOWNER: {
      Window* root = topLevelOf(w);
      while (root->owner != nullptr && findWindow(root->owner) != nullptr) root = findWindow(root->owner);
      return root->handle;
    }
    default: return nullptr;
  }
}

extern "C" HWND WINAPI GetTopWindow(HWND hwnd) {
  if (hwnd == nullptr || hwnd == GetDesktopWindow()) {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    return state().topLevels.empty() ? nullptr : state().topLevels.front();
  }
  return GetWindow(hwnd, GW_CHILD);
}

extern "C" HWND WINAPI GetDesktopWindow(void) { return makeHandle(kDesktopSerial); }

extern "C" LONG_PTR WINAPI GetWindowLongPtrW(HWND hwnd, int index) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent != nullptr ? w->parent : w->owner);
    case GWLP_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWLP_USERDATA: return w->userData;
    default:
      if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        LONG_PTR v;
        std::memcpy(&v, w->extra.data() + index, sizeof v);
        return v;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

extern "C" LONG_PTR WINAPI SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  if (index == GWL_STYLE || index == GWL_EXSTYLE) {
    // Style changes send WM_STYLECHANGING and WM_STYLECHANGED: they run on the owner thread.
    if (!ownedByCurrentThread(hwnd)) {
      if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
      }
      return runOnOwner(hwnd, [=]() -> LRESULT { return SetWindowLongPtrW(hwnd, index, value); });
    }
    STYLESTRUCT ss{};
    {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(hwnd);
      ss.styleOld = index == GWL_STYLE ? w->style : w->exStyle;
      ss.styleNew = static_cast<DWORD>(value);
    }
    sendLocal(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    {
      std::lock_guard<std::recursive_mutex> guard(userLock());
      Window* w = findWindow(hwnd);
      if (w == nullptr) return 0;
      if (index == GWL_STYLE) {
        // WS_VISIBLE and WS_CHILD are not changed through the style value here.
        w->style = (ss.styleNew & ~(WS_CHILD)) | (w->style & WS_CHILD);
        notePaintChange();
      } else {
        w->exStyle = ss.styleNew;
      }
      if (w->isTopLevel()) updateNativeHints(w);
    }
    sendLocal(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    return static_cast<LONG_PTR>(static_cast<LONG>(ss.styleOld));
  }
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return 0;
  LONG_PTR previous = GetWindowLongPtrW(hwnd, index);
  switch (index) {
    case GWLP_WNDPROC:
      if (value == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      w->proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); break;
    case GWLP_HWNDPARENT:
      if (w->isTopLevel()) w->owner = reinterpret_cast<HWND>(value);
      break;
    case GWLP_ID: w->id = value; break;
    case GWLP_USERDATA: w->userData = value; break;
    default:
      if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        std::memcpy(w->extra.data() + index, &value, sizeof value);
        break;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
  return previous;
}

namespace {

// The 32-bit value at a byte offset of a window's extra bytes, or null (with the error set).
uint8_t* extraLong(HWND hwnd, int index) {
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return nullptr;
  if (static_cast<size_t>(index) + sizeof(LONG) > w->extra.size()) {
    SetLastError(ERROR_INVALID_INDEX);
    return nullptr;
  }
  return w->extra.data() + index;
}

}  // namespace

extern "C" LONG WINAPI GetWindowLongW(HWND hwnd, int index) {
  if (index >= 0) {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    uint8_t* at = extraLong(hwnd, index);
    LONG v = 0;
    if (at != nullptr) std::memcpy(&v, at, sizeof v);
    return v;
  }
  return static_cast<LONG>(GetWindowLongPtrW(hwnd, index));
}

extern "C" LONG WINAPI SetWindowLongW(HWND hwnd, int index, LONG value) {
  if (index >= 0) {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    uint8_t* at = extraLong(hwnd, index);
    LONG previous = 0;
    if (at == nullptr) return 0;
    std::memcpy(&previous, at, sizeof previous);
    std::memcpy(at, &value, sizeof value);
    return previous;
  }
  if (index == GWLP_WNDPROC) {
    SetLastError(ERROR_INVALID_INDEX);  // a 32-bit value cannot hold a procedure address
    return 0;
  }
  return static_cast<LONG>(SetWindowLongPtrW(hwnd, index, value));
}

extern "C" int WINAPI GetDlgCtrlID(HWND hwnd) { return static_cast<int>(GetWindowLongPtrW(hwnd, GWLP_ID)); }

extern "C" HWND WINAPI GetDlgItem(HWND dialog, int id) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(dialog);
  if (w == nullptr) return nullptr;
  for (HWND c : w->children) {
    if (findWindow(c)->id == id) return c;
  }
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

extern "C" BOOL WINAPI SetWindowTextW(HWND hwnd, LPCWSTR text) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return static_cast<BOOL>(SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

extern "C" int WINAPI GetWindowTextW(HWND hwnd, LPWSTR text, int maxCount) {
  if (text == nullptr || maxCount <= 0) return 0;
  text[0] = 0;
  if (isRemoteHandle(hwnd)) {
    std::u16string remote;
    if (remoteWindowText(hwnd, &remote) < 0) return 0;
    int n = std::min(static_cast<int>(remote.size()), maxCount - 1);
    std::copy(remote.begin(), remote.begin() + n, text);
    text[n] = 0;
    return n;
  }
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(
      SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(text)));
}

extern "C" int WINAPI GetWindowTextLengthW(HWND hwnd) {
  if (isRemoteHandle(hwnd)) {
    std::u16string remote;
    return remoteWindowText(hwnd, &remote) < 0 ? 0 : static_cast<int>(remote.size());
  }
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

extern "C" BOOL WINAPI EnumWindows(WNDENUMPROC callback, LPARAM param) {
  if (callback == nullptr) return FALSE;
  std::vector<HWND> all = topLevelWindows();
  for (HWND h : remoteTopLevelWindows()) all.push_back(h);
  for (HWND h : all) {
    if (!callback(h, param)) return FALSE;
  }
  return TRUE;
}

namespace {

// The one desktop of the login: a fixed value that no other handle takes.
const HDESK kDesktop = reinterpret_cast<HDESK>(uintptr_t{0x44534B30});

}  // namespace

extern "C" HDESK WINAPI GetThreadDesktop(DWORD threadId) {
  if (threadId == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return kDesktop;
}

extern "C" BOOL WINAPI EnumDesktopWindows(HDESK desktop, WNDENUMPROC callback, LPARAM param) {
  if (desktop != nullptr && desktop != kDesktop) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return EnumWindows(callback, param);
}

namespace {

void collectDescendants(HWND hwnd, std::vector<HWND>& out) {
  Window* w = findWindow(hwnd);
  if (w == nullptr) return;
  for (HWND c : w->children) {
    out.push_back(c);
    collectDescendants(c, out);
  }
}

bool classMatches(Window* w, LPCWSTR className) {
  if (className == nullptr) return true;
  if (IS_INTRESOURCE(className)) return w->cls->atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(className));
  return w->cls->folded == fold(className);
}

}  // namespace

extern "C" BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM param) {
  if (callback == nullptr) return FALSE;
  std::vector<HWND> all;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    if (parent == nullptr || parent == GetDesktopWindow()) {
      for (HWND h : state().topLevels) {
        all.push_back(h);
        collectDescendants(h, all);
      }
    } else {
      collectDescendants(parent, all);
    }
  }
  for (HWND h : all) {
    if (IsWindow(h) && !callback(h, param)) return FALSE;
  }
  return TRUE;
}

extern "C" BOOL WINAPI EnumThreadWindows(DWORD threadId, WNDENUMPROC callback, LPARAM param) {
  if (callback == nullptr) return FALSE;
  std::vector<HWND> mine;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    for (HWND h : state().topLevels) {
      if (findWindow(h)->threadId == threadId) mine.push_back(h);
    }
  }
  for (HWND h : mine) {
    if (!callback(h, param)) return FALSE;
  }
  return TRUE;
}

extern "C" HWND WINAPI FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName) {
  std::vector<HWND> candidates;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    if (parent == nullptr || parent == GetDesktopWindow()) {
      candidates = state().topLevels;
    } else {
      Window* p = windowOrError(parent);
      if (p == nullptr) return nullptr;
      candidates = p->children;
    }
    if (childAfter != nullptr) {
      auto it = std::find(candidates.begin(), candidates.end(), childAfter);
      candidates.erase(candidates.begin(), it == candidates.end() ? it : it + 1);
    }
    for (HWND h : candidates) {
      Window* w = findWindow(h);
      if (w == nullptr || !classMatches(w, className)) continue;
      if (windowName != nullptr && w->text != windowName) continue;
      return h;
    }
  }
  if ((parent == nullptr || parent == GetDesktopWindow()) && childAfter == nullptr && className == nullptr &&
      windowName != nullptr) {
    // Windows of other processes of this user are found by their title.
    for (HWND h : remoteTopLevelWindows()) {
      std::u16string title;
      if (remoteWindowText(h, &title) >= 0 && title == windowName) return h;
    }
  }
  return nullptr;
}

extern "C" HWND WINAPI FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  return FindWindowExW(nullptr, nullptr, className, windowName);
}

extern "C" DWORD WINAPI GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  if (isRemoteHandle(hwnd)) return remoteThreadProcess(hwnd, processId);
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return 0;
  if (processId != nullptr) *processId = static_cast<DWORD>(getpid());
  return w->threadId;
}

// Class registration and window creation go through the test seams, which can refuse them.
namespace {
std::atomic<winapi::seam::RegisterClassExFunction> s_registerClassEx{&realRegisterClassExW};
std::atomic<winapi::seam::CreateWindowExFunction> s_createWindowEx{&realCreateWindowExW};
}  // namespace

namespace winapi::seam {
RegisterClassExFunction replaceRegisterClassExW(RegisterClassExFunction replacement) {
  return s_registerClassEx.exchange(replacement != nullptr ? replacement : &realRegisterClassExW);
}
CreateWindowExFunction replaceCreateWindowExW(CreateWindowExFunction replacement) {
  return s_createWindowEx.exchange(replacement != nullptr ? replacement : &realCreateWindowExW);
}
}  // namespace winapi::seam

extern "C" ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* wc) { return s_registerClassEx.load()(wc); }

extern "C" HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                                       int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                       LPVOID param) {
  return s_createWindowEx.load()(exStyle, className, windowName, style, x, y, width, height, parent, menu, instance,
                                 param);
}
