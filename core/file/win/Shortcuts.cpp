// Shortcut files and the desktop folder, through the shell's COM objects and item id lists.
#include "core/file/win/Shortcuts.h"

#include "core/file/win/PathWin.h"
#include "core/thread/Pooled.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace s::file::win {

using str::strbuffer::StrBuffer;
using thread::Pooled;

namespace {

/// Holds one COM interface and releases it on the way out.
template <typename Interface>
class ComHolder {
 public:
  ComHolder() = default;
  ~ComHolder() {
    if (m_object != nullptr) {
      m_object->Release();
    }
  }
  ComHolder(const ComHolder&) = delete;
  ComHolder& operator=(const ComHolder&) = delete;
  Interface* operator->() const { return m_object; }
  Interface* get() const { return m_object; }
  void** out() { return reinterpret_cast<void**>(&m_object); }

 private:
  Interface* m_object = nullptr;
};

// COM is started on demand: the first try fails on a thread that has not started it.
template <typename Interface>
bool createObject(const CLSID& classId, const IID& iid, ComHolder<Interface>& object) {
  if (SUCCEEDED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, iid, object.out()))) {
    return true;
  }
  CoInitialize(nullptr);
  return SUCCEEDED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, iid, object.out()));
}

// Paths longer than MAX_PATH exist here: a path that does not fit the usual buffer is asked
// for again in one that fits any path, never taken cut.
bool linkPath(IShellLinkW* link, DWORD flags, int units, std::u16string& out) {
  std::vector<WCHAR> buffer(static_cast<size_t>(units));
  HRESULT result = link->GetPath(buffer.data(), units, nullptr, flags);
  if (result == HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)) {
    buffer.assign(32768, 0);
    result = link->GetPath(buffer.data(), 32768, nullptr, flags);
  }
  if (FAILED(result)) {
    return false;
  }
  out = buffer.data();
  return true;
}

bool hasWildcard(const std::u16string& text) {
  return text.find_first_of(u"*?") != std::u16string::npos;
}

}  // namespace

bool createShortcut(const WCHAR* target, const WCHAR* shortcut, const WCHAR* arguments) {
  Pooled<PathWin> targetPath(PathWin::newFromText(target));
  if (!targetPath->exists() || shortcut == nullptr) {
    return false;
  }
  if (targetPath->isShortcut()) {
    // The copy's own result: a shortcut that could not be copied was not made.
    return targetPath->copyTo(shortcut, true);
  }
  ComHolder<IShellLinkW> link;
  if (!createObject(CLSID_ShellLink, IID_IShellLinkW, link) ||
      FAILED(link->SetPath(targetPath->getFullPath()))) {
    return false;
  }
  Pooled<PathWin> parent(targetPath->newParent());
  if (parent->isValid() && parent->exists() &&
      FAILED(link->SetWorkingDirectory(parent->getFullPathWithSlash()))) {
    return false;
  }
  if (arguments != nullptr && FAILED(link->SetArguments(arguments))) {
    return false;
  }
  ComHolder<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) {
    return false;
  }
  return SUCCEEDED(file->Save(shortcut, TRUE));
}

StrBuffer* resolveShortcut(const WCHAR* shortcut) {
  StrBuffer* result = StrBuffer::take();
  ComHolder<IShellLinkW> link;
  ComHolder<IPersistFile> file;
  if (shortcut == nullptr || !createObject(CLSID_ShellLink, IID_IShellLinkW, link) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.out())) ||
      FAILED(file->Load(shortcut, STGM_READ)) ||
      FAILED(link->Resolve(nullptr, SLR_NO_UI | SLR_NOUPDATE | SLR_NOSEARCH | SLR_NOTRACK))) {
    return result;
  }
  std::u16string path;
  WCHAR description[780];
  if (!linkPath(link.get(), SLGP_SHORTPATH, MAX_PATH, path) ||
      FAILED(link->GetDescription(description, 780))) {
    return result;
  }
  Pooled<StrBuffer> longForm;
  if (expandLongPathName(path.c_str(), longForm.get()) > path.size()) {
    path = longForm->getCStr();
  }
  result->assign(path.c_str());
  return result;
}

bool createInternetShortcut(const WCHAR* url, const WCHAR* path) {
  ComHolder<IUniformResourceLocatorW> shortcut;
  ComHolder<IPersistFile> file;
  ComHolder<IShellLinkW> link;
  if (url == nullptr || path == nullptr ||
      !createObject(CLSID_InternetShortcut, IID_IUniformResourceLocatorW, shortcut) ||
      FAILED(shortcut->QueryInterface(IID_IPersistFile, file.out())) ||
      FAILED(shortcut->QueryInterface(IID_IShellLinkW, link.out())) || FAILED(link->SetPath(url))) {
    return false;
  }
  return SUCCEEDED(file->Save(path, TRUE));
}

StrBuffer* resolveInternetShortcut(const WCHAR* path) {
  StrBuffer* result = StrBuffer::take();
  ComHolder<IUniformResourceLocatorW> shortcut;
  ComHolder<IPersistFile> file;
  ComHolder<IShellLinkW> link;
  if (path == nullptr ||
      !createObject(CLSID_InternetShortcut, IID_IUniformResourceLocatorW, shortcut) ||
      FAILED(shortcut->QueryInterface(IID_IPersistFile, file.out())) ||
      FAILED(shortcut->QueryInterface(IID_IShellLinkW, link.out())) ||
      FAILED(file->Load(path, STGM_READ))) {
    return result;
  }
  std::u16string url;
  if (linkPath(link.get(), SLGP_UNCPRIORITY, 780, url)) {
    result->assign(url.c_str());
  }
  return result;
}

uint32_t expandLongPathName(const WCHAR* shortPath, StrBuffer* out) {
  if (shortPath == nullptr || shortPath[0] == 0 ||
      GetFileAttributesW(shortPath) == INVALID_FILE_ATTRIBUTES) {
    return 0;
  }
  const std::u16string text(shortPath);
  // The prefix stays as written: "X:" (or "X:" alone), or "\server" of a UNC path.
  size_t rest = 0;
  if (text.size() >= 2 && text[1] == u':') {
    rest = text.size() >= 3 && text[2] == u'\\' ? 3 : 2;
  } else if (text.compare(0, 2, u"\\\\") == 0) {
    const size_t server = text.find(u'\\', 2);
    rest = server == std::u16string::npos ? text.size() : server + 1;
  }
  std::u16string longForm = text.substr(0, rest);
  bool first = true;
  while (rest < text.size()) {
    size_t end = text.find(u'\\', rest);
    if (end == std::u16string::npos) {
      end = text.size();
    }
    std::u16string component = text.substr(rest, end - rest);
    rest = end + 1;
    if (component.empty()) {
      continue;
    }
    if (!first) {
      longForm += u'\\';
    }
    first = false;
    // A component the finder cannot name (a share, "." or "..", a name holding what the finder
    // reads as a wildcard) is carried over as written; the result is checked at the end.
    WIN32_FIND_DATAW found;
    const std::u16string probe = longForm + component;
    HANDLE find = component == u"." || component == u".." || hasWildcard(component)
                      ? INVALID_HANDLE_VALUE
                      : FindFirstFileW(probe.c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      component = found.cFileName;
      FindClose(find);
    }
    longForm += component;
  }
  if (GetFileAttributesW(longForm.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return 0;
  }
  if (out != nullptr) {
    out->assign(longForm.c_str());
  }
  return static_cast<uint32_t>(longForm.size());
}

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

namespace s::file::win {

// The path's shortcut operations ---------------------------------------------------------------

bool PathWin::isFolderShortcut() {
  if (!isDirectory()) {
    return false;
  }
  Pooled<PathWin> link(newChild(u"target.lnk"));
  if (!link->exists() || !link->isFile()) {
    return false;
  }
  Pooled<PathWin> target(link->newShortcutTarget());
  return target->exists() && target->isDirectory();
}

bool PathWin::createShortcut(const WCHAR* shortcutText, bool overwrite, const WCHAR* arguments) {
  if (!exists() || shortcutText == nullptr) {
    return false;
  }
  Pooled<StrBuffer> text;
  text->assign(shortcutText);
  if (!text->endsWithIgnoreCase(u".lnk")) {
    text->append(u".lnk");
  }
  Pooled<PathWin> shortcut(newFromText(text->getCStr()));
  if (!shortcut->isValid()) {
    return false;
  }
  if (shortcut->exists() && (!overwrite || !shortcut->remove(false, false))) {
    return false;
  }
  return ::s::file::win::createShortcut(m_fullPath->getCStr(), shortcut->getFullPath(), arguments);
}

bool PathWin::createInternetShortcut(const WCHAR* url, bool overwrite) {
  if (!isValid()) {
    return false;
  }
  if (exists() && (!overwrite || !remove(false, false))) {
    return false;
  }
  m_attributesRead = m_statusRead = false;
  return ::s::file::win::createInternetShortcut(url, m_fullPath->getCStr());
}

StrBuffer* PathWin::copyInternetShortcutTarget(StrBuffer* out, bool append) {
  out = outText(out, append);
  if (exists() && isFile() && isInternetShortcut()) {
    Pooled<StrBuffer> url(resolveInternetShortcut(m_fullPath->getCStr()));
    out->appendStr(url.get());
  }
  return out;
}

const WCHAR* PathWin::getInternetShortcutTarget() {
  return copyInternetShortcutTarget(m_work, false)->getCStr();
}

StrBuffer* PathWin::copyFolderShortcutTarget(StrBuffer* out, bool append) {
  if (out == nullptr) {
    out = StrBuffer::take();
  }
  if (!isDirectory()) {
    return out;
  }
  Pooled<PathWin> link(newChild(u"target.lnk"));
  if (!link->exists() || !link->isFile()) {
    return out;
  }
  Pooled<PathWin> target(link->newShortcutTarget());
  if (target->exists() && target->isDirectory()) {
    if (!append) {
      out->clear();
    }
    out->append(target->getFullPath());
  }
  return out;
}

const WCHAR* PathWin::getFolderShortcutTarget() {
  m_work->clear();
  return copyFolderShortcutTarget(m_work, false)->getCStr();
}

PathWin* PathWin::newShortcutTarget() {
  Pooled<StrBuffer> target(resolveShortcut(m_fullPath->getCStr()));
  return target->getLength() == 0 ? take() : newFromText(target->getCStr());
}

PathWin* PathWin::newFolderShortcutTarget() {
  Pooled<StrBuffer> target(copyFolderShortcutTarget(nullptr, false));
  return target->getLength() == 0 ? take() : newFromText(target->getCStr());
}

}  // namespace s::file::win
