// The program's own path and the shell's services.
#include "core/system/win/Shell.h"

#include "core/file/win/PathWin.h"

#include <windows.h>
#include <shlobj.h>

#include <mutex>
#include <vector>

namespace s::system::win {

using file::win::PathWin;

PathWin* getModulePath() {
  // GetModuleFileNameW cuts the path at the buffer's size: grow until the whole path fits, since
  // a build folder can lie deeper than 260 units.
  std::vector<WCHAR> buffer(MAX_PATH);
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0) {
      return PathWin::take();
    }
    if (got < buffer.size() - 1 || buffer.size() >= 0x10000) {
      return PathWin::newFromText(buffer.data());
    }
    buffer.resize(buffer.size() * 2);
  }
}

namespace {

bool execute(const WCHAR* verb, const WCHAR* target, ULONG mask) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = mask;
  info.lpVerb = verb;
  info.lpFile = target;
  info.lpParameters = u"";
  info.nShow = SW_SHOW;
  return ShellExecuteExW(&info) != FALSE;
}

}  // namespace

bool shellOpen(const WCHAR* target) {
  // An empty address (a page the language pack leaves without one) names nothing to open.
  if (target == nullptr || target[0] == 0) {
    return false;
  }
  return execute(u"open", target, SEE_MASK_DEFAULT);
}

bool showProperties(const WCHAR* path) {
  // A sheet that could not be shown is no sheet shown.
  return execute(u"properties", path, SEE_MASK_INVOKEIDLIST);
}

bool pathToIdList(const WCHAR* path, _ITEMIDLIST** idList) {
  if (path == nullptr || path[0] == 0 || idList == nullptr) {
    return false;
  }
  *idList = ILCreateFromPathW(path);
  if (*idList == nullptr) {
    *idList = SHSimpleIDListFromPath(path);
  }
  if (*idList == nullptr) {
    IShellFolder* desktop = nullptr;
    if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop != nullptr) {
      PIDLIST_RELATIVE parsed = nullptr;
      if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, const_cast<WCHAR*>(path), nullptr,
                                              &parsed, nullptr))) {
        *idList = parsed;
      }
      desktop->Release();
    }
  }
  return *idList != nullptr;
}

bool showMultiFileProperties(uint32_t count, const WCHAR* const* paths) {
  CoInitialize(nullptr);
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || desktop == nullptr) {
    CoUninitialize();
    return false;
  }
  std::vector<const ITEMIDLIST*> lists;
  lists.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    ITEMIDLIST* list = nullptr;
    if (paths != nullptr && pathToIdList(paths[i], &list)) {
      lists.push_back(list);
    }
  }
  IDataObject* data = nullptr;
  void* object = nullptr;
  if (!lists.empty() &&
      SUCCEEDED(desktop->GetUIObjectOf(nullptr, static_cast<UINT>(lists.size()), lists.data(),
                                       IID_IDataObject, nullptr, &object))) {
    data = static_cast<IDataObject*>(object);
  }
  for (const ITEMIDLIST* list : lists) {
    ILFree(const_cast<ITEMIDLIST*>(list));
  }
  bool shown = false;
  if (data != nullptr) {
    shown = SUCCEEDED(SHMultiFileProperties(data, 0));
    data->Release();
  }
  desktop->Release();
  CoUninitialize();
  return shown;
}

void enableShutdownPrivilege() {
  static std::mutex s_lock;
  static bool s_done = false;
  std::lock_guard guard(s_lock);
  if (s_done) {
    return;
  }
  s_done = true;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return;
  }
  TOKEN_PRIVILEGES privileges{};
  if (LookupPrivilegeValueW(nullptr, u"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  CloseHandle(token);
}

}  // namespace s::system::win
