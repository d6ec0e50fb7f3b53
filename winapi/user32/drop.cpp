// File drops from the shell: DragAcceptFiles, and the drop handle that WM_DROPFILES carries
// (DragQueryFileW, DragQueryPoint, DragFinish). Drivers hand dropped files in through queueDrop;
// paths arrive in their Windows form (Z:\ for the POSIX root).
#include "winapi/user32/Window.h"

#include <algorithm>
#include <map>

namespace winapi {
namespace {

struct Drop {
  POINT point;
  bool nonClient;
  std::vector<std::u16string> files;
};

std::mutex g_dropLock;
std::map<uintptr_t, std::unique_ptr<Drop>>& drops() {
  static auto* m = new std::map<uintptr_t, std::unique_ptr<Drop>>;
  return *m;
}
uintptr_t g_nextDrop = 0x5D000000u;

}  // namespace

void updateDriverDrops(Window* top) {
  if (top == nullptr || top->native == 0) return;
  // The native window takes drags while any window in it accepts files or has a drop target.
  bool any = false;
  std::vector<Window*> pending{top};
  while (!pending.empty() && !any) {
    Window* w = pending.back();
    pending.pop_back();
    any = w->acceptFiles || (w->exStyle & WS_EX_ACCEPTFILES) || w->dropTarget != nullptr;
    for (HWND h : w->children) {
      if (Window* c = findWindow(h)) pending.push_back(c);
    }
  }
  displayDriver().acceptDrops(top->native, any);
}

HDROP makeDrop(POINT clientPoint, bool nonClient, std::vector<std::u16string> files) {
  std::lock_guard<std::mutex> guard(g_dropLock);
  uintptr_t key = g_nextDrop += 8;
  drops()[key] = std::make_unique<Drop>(Drop{clientPoint, nonClient, std::move(files)});
  return reinterpret_cast<HDROP>(key);
}

}  // namespace winapi

using namespace winapi;

extern "C" void WINAPI DragAcceptFiles(HWND hwnd, BOOL accept) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowOrError(hwnd);
  if (w == nullptr) return;
  w->acceptFiles = accept != FALSE;
  if (accept) {
    w->exStyle |= WS_EX_ACCEPTFILES;
  } else {
    w->exStyle &= ~WS_EX_ACCEPTFILES;
  }
  updateDriverDrops(topLevelOf(w));
}

extern "C" UINT WINAPI DragQueryFileW(HDROP handle, UINT index, LPWSTR file, UINT count) {
  std::lock_guard<std::mutex> guard(g_dropLock);
  auto it = drops().find(reinterpret_cast<uintptr_t>(handle));
  if (it == drops().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const Drop& d = *it->second;
  if (index == 0xFFFFFFFF) return static_cast<UINT>(d.files.size());
  if (index >= d.files.size()) return 0;
  const std::u16string& name = d.files[index];
  if (file == nullptr) return static_cast<UINT>(name.size());
  if (count == 0) return 0;
  // A name longer than the buffer arrives cut, always terminated.
  size_t n = std::min<size_t>(name.size(), count - 1);
  std::copy(name.begin(), name.begin() + static_cast<ptrdiff_t>(n), file);
  file[n] = 0;
  return static_cast<UINT>(n);
}

extern "C" BOOL WINAPI DragQueryPoint(HDROP handle, LPPOINT point) {
  std::lock_guard<std::mutex> guard(g_dropLock);
  auto it = drops().find(reinterpret_cast<uintptr_t>(handle));
  if (it == drops().end() || point == nullptr) return FALSE;
  *point = it->second->point;
  return it->second->nonClient ? FALSE : TRUE;
}

extern "C" void WINAPI DragFinish(HDROP handle) {
  std::lock_guard<std::mutex> guard(g_dropLock);
  drops().erase(reinterpret_cast<uintptr_t>(handle));
}
