// Item id lists, special folders and the desktop folder object.
// Status: SHGetSpecialFolderLocation (CSIDL_DESKTOP), SHGetPathFromIDListW and -Ex, SHGetMalloc, ILCreateFromPathW,
// SHSimpleIDListFromPath, ILFree, SHGetDesktopFolder with ParseDisplayName, SHMultiFileProperties.
// Left out on purpose: the shell namespace (virtual folders, enumeration, display names), every
// other special folder (CSIDL_WINDOWS has no counterpart here) and Properties sheets.
#include <shlobj.h>

#include "winapi/base/unixpath.h"
#include "winapi/base/userdirs.h"
#include "winapi/shell32/idlist.h"

#include <cstring>
#include <string>

extern "C" {
// {000214E6-0000-0000-C000-000000000046}
const IID IID_IShellFolder = {0x000214E6, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}

namespace {

// "LMP1": the mark of the layer's own lists.
constexpr BYTE kMark[4] = {'L', 'M', 'P', '1'};

class DesktopFolder final : public IShellFolder {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IShellFolder) {
      *object = static_cast<IShellFolder*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // One desktop folder for the process: references are not counted.
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, void*, LPWSTR displayName, ULONG* eaten, PIDLIST_RELATIVE* idList,
                                             ULONG* attributes) override {
    if (idList == nullptr) return E_POINTER;
    *idList = nullptr;
    if (displayName == nullptr || displayName[0] == 0) return E_INVALIDARG;
    *idList = ILCreateFromPathW(displayName);
    if (*idList == nullptr) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (eaten != nullptr) *eaten = static_cast<ULONG>(std::char_traits<char16_t>::length(displayName));
    if (attributes != nullptr) *attributes = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND, DWORD, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(PCUITEMID_CHILD, void*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToStorage(PCUITEMID_CHILD, void*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, PCUITEMID_CHILD, PCUITEMID_CHILD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, ULONG*) override { return E_NOTIMPL; }
  // No data objects: the one user, the multi-file Properties sheet, does not exist here.
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void** object) override {
    if (object != nullptr) *object = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD, DWORD, void*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, DWORD, PIDLIST_RELATIVE*) override {
    return E_NOTIMPL;
  }
};

}  // namespace

namespace winapi::shell {

PIDLIST_ABSOLUTE makeIdList(std::u16string_view path) {
  const size_t itemBytes = sizeof(USHORT) + sizeof kMark + (path.size() + 1) * sizeof(char16_t);
  if (itemBytes > 0xFFFF) return nullptr;
  auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(itemBytes + sizeof(USHORT)));
  if (bytes == nullptr) return nullptr;
  const auto cb = static_cast<USHORT>(itemBytes);
  std::memcpy(bytes, &cb, sizeof cb);
  std::memcpy(bytes + sizeof cb, kMark, sizeof kMark);
  std::memcpy(bytes + sizeof cb + sizeof kMark, path.data(), path.size() * sizeof(char16_t));
  const char16_t nul = 0;
  std::memcpy(bytes + itemBytes - sizeof nul, &nul, sizeof nul);
  const USHORT end = 0;
  std::memcpy(bytes + itemBytes, &end, sizeof end);
  return reinterpret_cast<PIDLIST_ABSOLUTE>(bytes);
}

bool pathOfIdList(PCIDLIST_ABSOLUTE idList, std::u16string& path) {
  if (idList == nullptr) return false;
  const auto* bytes = reinterpret_cast<const BYTE*>(idList);
  USHORT cb;
  std::memcpy(&cb, bytes, sizeof cb);
  const size_t head = sizeof cb + sizeof kMark;
  if (cb < head + sizeof(char16_t) || (cb - head) % sizeof(char16_t) != 0 ||
      std::memcmp(bytes + sizeof cb, kMark, sizeof kMark) != 0) {
    return false;
  }
  path.resize((cb - head) / sizeof(char16_t) - 1);
  std::memcpy(path.data(), bytes + head, path.size() * sizeof(char16_t));
  return true;
}

}  // namespace winapi::shell

extern "C" HRESULT WINAPI SHGetSpecialFolderLocation(HWND, int folder, PIDLIST_ABSOLUTE* idList) {
  if (idList == nullptr) return E_INVALIDARG;
  *idList = nullptr;
  if (folder != CSIDL_DESKTOP) return E_INVALIDARG;
  const std::u16string path = winapi::paths::desktopFolder();
  if (path.empty()) return E_FAIL;
  *idList = winapi::shell::makeIdList(path);
  return *idList != nullptr ? S_OK : E_OUTOFMEMORY;
}

extern "C" BOOL WINAPI SHGetPathFromIDListEx(PCIDLIST_ABSOLUTE idList, LPWSTR path, DWORD size, GPFIDL_FLAGS) {
  std::u16string text;
  if (path == nullptr || size == 0) return FALSE;
  path[0] = 0;
  if (!winapi::shell::pathOfIdList(idList, text) || text.size() >= size) return FALSE;
  std::memcpy(path, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  return TRUE;
}

extern "C" BOOL WINAPI SHGetPathFromIDListW(PCIDLIST_ABSOLUTE idList, LPWSTR path) {
  return SHGetPathFromIDListEx(idList, path, MAX_PATH, GPFIDL_DEFAULT);
}

extern "C" HRESULT WINAPI SHGetMalloc(IMalloc** malloc) { return CoGetMalloc(1, malloc); }

extern "C" PIDLIST_ABSOLUTE WINAPI ILCreateFromPathW(LPCWSTR path) {
  if (path == nullptr || path[0] == 0 || GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return nullptr;
  return winapi::shell::makeIdList(winapi::paths::fullPath(path));
}

extern "C" PIDLIST_ABSOLUTE WINAPI SHSimpleIDListFromPath(LPCWSTR path) {
  if (path == nullptr || path[0] == 0) return nullptr;
  return winapi::shell::makeIdList(winapi::paths::fullPath(path));
}

extern "C" void WINAPI ILFree(LPITEMIDLIST idList) { CoTaskMemFree(idList); }

extern "C" HRESULT WINAPI SHGetDesktopFolder(IShellFolder** folder) {
  if (folder == nullptr) return E_INVALIDARG;
  static DesktopFolder desktop;
  *folder = &desktop;
  return S_OK;
}

extern "C" HRESULT WINAPI SHMultiFileProperties(IDataObject*, DWORD) { return E_NOTIMPL; }
