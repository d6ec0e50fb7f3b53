// Shortcut files and the desktop folder, through the shell's COM objects and item id lists.
#include "core/file/win/Shortcuts.h"

#include "core/thread/Pooled.h"

#include <windows.h>
#include <shlobj.h>

namespace s::file::win {

using str::strbuffer::StrBuffer;

StrBuffer* getDesktopPath() {
  StrBuffer* text = StrBuffer::take();
  PIDLIST_ABSOLUTE list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list)) || list == nullptr) {
    return text;
  }
  WCHAR path[MAX_PATH];
  if (SHGetPathFromIDListW(list, path)) {
    text->assign(path);
  }
  // The list is freed whether or not it named a path.
  IMalloc* malloc = nullptr;
  if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc != nullptr) {
    malloc->Free(list);
    malloc->Release();
  }
  return text;
}

StrBuffer* getDesktopPathCached() {
  static StrBuffer* const s_desktop = new StrBuffer();
  if (s_desktop->getLength() == 0) {
    thread::Pooled<StrBuffer> found(getDesktopPath());
    s_desktop->assignStr(found.get());
  }
  return s_desktop;
}

}  // namespace s::file::win
