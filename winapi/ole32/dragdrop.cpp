// Drag and drop into the program's windows: RegisterDragDrop and RevokeDragDrop, ReleaseStgMedium,
// the data object a drag carries and the routing of a drag to the drop target under the pointer
// (or to WM_DROPFILES where no target is registered). Drivers start the drags (DragDrop.h).
// Left out: dragging out of the program (DoDragDrop), data in media other than global memory,
// format enumeration and data advise sinks.
#include "winapi/ole32/DragDrop.h"

#include <shlobj.h>

#include "winapi/user32/Input.h"
#include "winapi/user32/Window.h"

#include <cstring>
#include <memory>

extern "C" {
// {00000122-0000-0000-C000-000000000046}
const IID IID_IDropTarget = {0x00000122, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}

namespace winapi::ole {
namespace {

// CF_HDROP: the DROPFILES header, then each name with its NUL, then one more NUL.
std::vector<uint8_t> dropFilesBlock(const std::vector<std::u16string>& files) {
  std::u16string names;
  for (const std::u16string& f : files) {
    names += f;
    names.push_back(0);
  }
  names.push_back(0);
  DROPFILES header{};
  header.pFiles = sizeof header;
  header.fWide = TRUE;
  std::vector<uint8_t> block(sizeof header + names.size() * sizeof(char16_t));
  std::memcpy(block.data(), &header, sizeof header);
  std::memcpy(block.data() + sizeof header, names.data(), names.size() * sizeof(char16_t));
  return block;
}

// A reference held by a queued step, given back when the step is done.
struct DataReference {
  explicit DataReference(DragData* d) : data(d) { data->AddRef(); }
  ~DataReference() { data->Release(); }
  DataReference(const DataReference&) = delete;
  DataReference& operator=(const DataReference&) = delete;
  DragData* data;
};

// A step reaches its target only while the window still has it: a target revoked (or a window
// destroyed) during the drag is never called again.
bool stillRegistered(HWND hwnd, IDropTarget* target) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  return w != nullptr && w->dropTarget == target;
}

POINTL pointOf(POINT p) { return POINTL{p.x, p.y}; }

}  // namespace

DragData* DragData::create() { return new DragData(); }

DragData::Format* DragData::find(CLIPFORMAT format) {
  for (Format& f : m_formats) {
    if (f.format == format) return &f;
  }
  return nullptr;
}

void DragData::offer(CLIPFORMAT format) {
  std::lock_guard guard(m_lock);
  if (find(format) == nullptr) m_formats.push_back(Format{format, false, {}});
}

void DragData::supply(CLIPFORMAT format, std::vector<uint8_t> bytes) {
  std::lock_guard guard(m_lock);
  Format* f = find(format);
  if (f == nullptr) {
    m_formats.push_back(Format{format, true, std::move(bytes)});
  } else {
    f->ready = true;
    f->bytes = std::move(bytes);
  }
}

void DragData::setFiles(std::vector<std::u16string> files) {
  std::vector<uint8_t> block = dropFilesBlock(files);
  {
    std::lock_guard guard(m_lock);
    m_files = std::move(files);
    m_hasFiles = true;
  }
  supply(CF_HDROP, std::move(block));
}

bool DragData::hasFiles() const {
  std::lock_guard guard(m_lock);
  return m_hasFiles;
}

std::vector<std::u16string> DragData::files() const {
  std::lock_guard guard(m_lock);
  return m_files;
}

bool DragData::offers(CLIPFORMAT format) const {
  std::lock_guard guard(m_lock);
  return const_cast<DragData*>(this)->find(format) != nullptr;
}

HRESULT DragData::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDataObject) {
    *object = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DragData::AddRef() { return ++m_references; }

ULONG DragData::Release() {
  ULONG left = --m_references;
  if (left == 0) delete this;
  return left;
}

HRESULT DragData::check(const FORMATETC* format, Format** found) {
  if (format == nullptr) return E_INVALIDARG;
  if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *found = find(format->cfFormat);
  if (*found == nullptr) return DV_E_FORMATETC;
  if ((format->tymed & TYMED_HGLOBAL) == 0) return DV_E_TYMED;
  return S_OK;
}

HRESULT DragData::QueryGetData(FORMATETC* format) {
  std::lock_guard guard(m_lock);
  Format* f = nullptr;
  return check(format, &f);
}

HRESULT DragData::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (medium == nullptr) return E_INVALIDARG;
  std::lock_guard guard(m_lock);
  Format* f = nullptr;
  HRESULT hr = check(format, &f);
  if (FAILED(hr)) return hr;
  // Bytes that have not come (a source that never answered) make the data unavailable.
  if (!f->ready) return E_UNEXPECTED;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, f->bytes.size());
  if (block == nullptr) return E_OUTOFMEMORY;
  if (!f->bytes.empty()) {
    std::memcpy(GlobalLock(block), f->bytes.data(), f->bytes.size());
    GlobalUnlock(block);
  }
  medium->tymed = TYMED_HGLOBAL;
  medium->hGlobal = block;
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

DragSession::DragSession(DragData* data, DWORD allowedEffects) : m_data(data), m_allowed(allowedEffects) {
  m_data->AddRef();
}

DragSession::~DragSession() {
  leaveCurrent(false);
  m_data->Release();
}

DragSession::Route DragSession::routeAt(HWND top, POINT screen) const {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* t = findWindow(top);
  if (t == nullptr) return {};
  Window* deepest = deepestChildAt(t, screen);
  for (Window* w = deepest; w != nullptr; w = findWindow(w->parent)) {
    if (w->dropTarget != nullptr) return Route{w->handle, w->dropTarget, false};
  }
  if (!m_data->hasFiles()) return {};
  for (Window* w = deepest; w != nullptr; w = findWindow(w->parent)) {
    if (w->acceptFiles || (w->exStyle & WS_EX_ACCEPTFILES)) return Route{w->handle, nullptr, true};
  }
  return {};
}

DWORD DragSession::onTarget(HWND hwnd, bool wait, std::function<DWORD()> step, const Answer& answer) {
  if (wait) {
    DWORD effect = static_cast<DWORD>(runOnOwner(hwnd, [&step]() -> LRESULT { return step(); }));
    if (answer) answer(effect);
    return effect;
  }
  postToOwner(hwnd, [step = std::move(step), answer] {
    DWORD effect = step();
    if (answer) answer(effect);
  });
  return DROPEFFECT_NONE;
}

void DragSession::leaveCurrent(bool wait) {
  Route old = m_current;
  m_current = Route{};
  if (old.target == nullptr) return;
  auto keep = std::make_shared<DataReference>(m_data);
  onTarget(old.hwnd, wait,
           [old, keep]() -> DWORD {
             if (stillRegistered(old.hwnd, old.target)) old.target->DragLeave();
             return DROPEFFECT_NONE;
           },
           {});
}

DWORD DragSession::move(HWND top, POINT screen, bool wait, const Answer& answer) {
  Route r = routeAt(top, screen);
  bool same = r.hwnd == m_current.hwnd && r.target == m_current.target && r.files == m_current.files;
  if (!same) leaveCurrent(wait);
  m_current = r;
  if (r.target == nullptr) {
    DWORD effect = r.files ? (m_allowed & DROPEFFECT_COPY) : DROPEFFECT_NONE;
    if (answer) answer(effect);
    return effect;
  }
  auto keep = std::make_shared<DataReference>(m_data);
  DWORD allowed = m_allowed;
  bool entering = !same;
  return onTarget(
      r.hwnd, wait,
      [r, keep, allowed, screen, entering]() -> DWORD {
        if (!stillRegistered(r.hwnd, r.target)) return DROPEFFECT_NONE;
        DWORD effect = allowed;
        HRESULT hr = entering ? r.target->DragEnter(keep->data, MK_LBUTTON, pointOf(screen), &effect)
                              : r.target->DragOver(MK_LBUTTON, pointOf(screen), &effect);
        return SUCCEEDED(hr) ? effect : DROPEFFECT_NONE;
      },
      answer);
}

void DragSession::leave(bool wait) { leaveCurrent(wait); }

DWORD DragSession::drop(HWND top, POINT screen, bool wait, const Answer& answer) {
  Route r = routeAt(top, screen);
  bool same = r.hwnd == m_current.hwnd && r.target == m_current.target && r.files == m_current.files;
  if (!same) {
    // The pointer reached a new window with the release: it is entered before it takes the drop.
    leaveCurrent(wait);
    if (r.target != nullptr) move(top, screen, wait);
  }
  m_current = Route{};
  if (r.files) {
    queueDrop(top, screen, m_data->files());
    DWORD effect = m_allowed & DROPEFFECT_COPY;
    if (answer) answer(effect);
    return effect;
  }
  if (r.target == nullptr) {
    if (answer) answer(DROPEFFECT_NONE);
    return DROPEFFECT_NONE;
  }
  auto keep = std::make_shared<DataReference>(m_data);
  DWORD allowed = m_allowed;
  return onTarget(
      r.hwnd, wait,
      [r, keep, allowed, screen]() -> DWORD {
        if (!stillRegistered(r.hwnd, r.target)) return DROPEFFECT_NONE;
        DWORD effect = allowed;
        // The button is up by now: no key state.
        HRESULT hr = r.target->Drop(keep->data, 0, pointOf(screen), &effect);
        return SUCCEEDED(hr) ? effect : DROPEFFECT_NONE;
      },
      answer);
}

}  // namespace winapi::ole

using namespace winapi;

extern "C" HRESULT WINAPI RegisterDragDrop(HWND hwnd, LPDROPTARGET target) {
  // Windows answers a thread without OLE this way.
  if (!ole::oleInitialized()) return E_OUTOFMEMORY;
  if (target == nullptr) return E_INVALIDARG;
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(hwnd);
  if (w == nullptr) return DRAGDROP_E_INVALIDHWND;
  if (w->dropTarget != nullptr) return DRAGDROP_E_ALREADYREGISTERED;
  target->AddRef();
  w->dropTarget = target;
  updateDriverDrops(topLevelOf(w));
  return S_OK;
}

extern "C" HRESULT WINAPI RevokeDragDrop(HWND hwnd) {
  IDropTarget* target = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(hwnd);
    if (w == nullptr) return DRAGDROP_E_INVALIDHWND;
    if (w->dropTarget == nullptr) return DRAGDROP_E_NOTREGISTERED;
    target = w->dropTarget;
    w->dropTarget = nullptr;
    updateDriverDrops(topLevelOf(w));
  }
  target->Release();
  return S_OK;
}

extern "C" void WINAPI ReleaseStgMedium(LPSTGMEDIUM medium) {
  if (medium == nullptr) return;
  if (medium->pUnkForRelease != nullptr) {
    medium->pUnkForRelease->Release();
  } else if (medium->tymed == TYMED_HGLOBAL && medium->hGlobal != nullptr) {
    GlobalFree(medium->hGlobal);
  } else if (medium->tymed == TYMED_FILE && medium->lpszFileName != nullptr) {
    CoTaskMemFree(medium->lpszFileName);
  }
  medium->tymed = TYMED_NULL;
  medium->hGlobal = nullptr;
  medium->pUnkForRelease = nullptr;
}
