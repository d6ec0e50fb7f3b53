// The shell link object (".lnk" files) and the Internet shortcut object (".url" files), made by
// CoCreateInstance from the layer's class table.
// Status: the shell link's IShellLinkW and IPersistFile over the binary link file (linkfile.h);
// the Internet shortcut's IUniformResourceLocatorW, IShellLinkW (path = the address) and
// IPersistFile over the "[InternetShortcut]" INI text with its "URL=" line in UTF-8.
// Left out on purpose: item id lists (GetIDList, SetIDList and SetRelativePath answer E_NOTIMPL),
// searching for moved targets (Resolve never searches or asks: there is nothing to track here),
// short 8.3 names (SLGP_SHORTPATH gives the long path), running an Internet shortcut
// (InvokeCommand answers E_NOTIMPL: ShellExecuteExW opens addresses).
#include <shlobj.h>

#include "winapi/base/utf8.h"
#include "winapi/ole32/classes.h"
#include "winapi/shell32/linkfile.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
// {00021401-0000-0000-C000-000000000046}
const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {FBF23B40-E3F0-101B-8488-00AA003E56F8}
const CLSID CLSID_InternetShortcut = {0xFBF23B40, 0xE3F0, 0x101B, {0x84, 0x88, 0x00, 0xAA, 0x00, 0x3E, 0x56, 0xF8}};
// {000214F9-0000-0000-C000-000000000046}
const IID IID_IShellLinkW = {0x000214F9, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {CABB0DA0-DA57-11CF-9974-0020AFD79762}
const IID IID_IUniformResourceLocatorW = {0xCABB0DA0, 0xDA57, 0x11CF, {0x99, 0x74, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x62}};
}

namespace {

using winapi::shell::LinkData;

// Shortcut files are small; a "link" of more than this is no link.
constexpr size_t kMaxFileBytes = 1 << 20;

HRESULT lastErrorResult() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// Copies a text into a caller's buffer of `size` units with its terminator. A text that does not
// fit is refused, never cut: a cut path names another file.
HRESULT copyOut(const std::u16string& text, LPWSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return E_INVALIDARG;
  if (text.size() >= static_cast<size_t>(size)) {
    buffer[0] = 0;
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  return S_OK;
}

HRESULT setText(std::u16string& field, LPCWSTR text, bool& dirty) {
  if (text == nullptr) return E_INVALIDARG;
  std::u16string value(text);
  if (value.size() > 0xFFFF) return E_INVALIDARG;
  field = std::move(value);
  dirty = true;
  return S_OK;
}

// The folder of a file path, ending in "\" (empty when the path has none).
std::u16string folderOf(const std::u16string& path) {
  const size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

std::u16string fullPathOf(LPCWSTR path) {
  DWORD units = GetFullPathNameW(path, 0, nullptr, nullptr);
  if (units == 0) return path;
  std::u16string out(units, u'\0');
  units = GetFullPathNameW(path, units, out.data(), nullptr);
  out.resize(units);
  return out;
}

// The reference count and file name both objects share.
class ShortcutBase {
 protected:
  ULONG addRef() { return ++m_references; }
  template <typename Self>
  ULONG release(Self* self) {
    const ULONG left = --m_references;
    if (left == 0) delete self;
    return left;
  }
  HRESULT curFile(LPWSTR* fileName) const {
    if (fileName == nullptr) return E_POINTER;
    *fileName = nullptr;
    if (m_file.empty()) return S_FALSE;
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((m_file.size() + 1) * sizeof(char16_t)));
    if (copy == nullptr) return E_OUTOFMEMORY;
    std::memcpy(copy, m_file.c_str(), (m_file.size() + 1) * sizeof(char16_t));
    *fileName = copy;
    return S_OK;
  }
  // The file to save to: the one given, else the one loaded or saved last.
  LPCWSTR saveTarget(LPCWSTR fileName) const {
    if (fileName != nullptr) return fileName;
    return m_file.empty() ? nullptr : m_file.c_str();
  }

  std::atomic<ULONG> m_references{1};
  std::u16string m_file;
  bool m_dirty = false;
};

class ShellLink final : public IShellLinkW, public IPersistFile, private ShortcutBase {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IShellLinkW) {
      *object = static_cast<IShellLinkW*>(this);
    } else if (iid == IID_IPersistFile || iid == IID_IPersist) {
      *object = static_cast<IPersistFile*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    addRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(this); }

  // SLGP_SHORTPATH gives the long path: there are no 8.3 names here.
  HRESULT STDMETHODCALLTYPE GetPath(LPWSTR file, int size, WIN32_FIND_DATAW* findData, DWORD) override {
    if (findData != nullptr) {
      std::memset(findData, 0, sizeof *findData);
      const size_t slash = m_link.target.find_last_of(u'\\');
      const std::u16string name = slash == std::u16string::npos ? m_link.target : m_link.target.substr(slash + 1);
      if (name.size() < MAX_PATH) std::memcpy(findData->cFileName, name.c_str(), (name.size() + 1) * 2);
    }
    if (m_link.target.empty()) {
      if (file != nullptr && size > 0) file[0] = 0;
      return S_FALSE;
    }
    return copyOut(m_link.target, file, size);
  }
  HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE* idList) override {
    if (idList != nullptr) *idList = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDescription(LPWSTR name, int size) override {
    return copyOut(m_link.description, name, size);
  }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR name) override { return setText(m_link.description, name, m_dirty); }
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPWSTR folder, int size) override {
    return copyOut(m_link.workingDirectory, folder, size);
  }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR folder) override {
    return setText(m_link.workingDirectory, folder, m_dirty);
  }
  HRESULT STDMETHODCALLTYPE GetArguments(LPWSTR arguments, int size) override {
    return copyOut(m_link.arguments, arguments, size);
  }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR arguments) override {
    return setText(m_link.arguments, arguments, m_dirty);
  }
  HRESULT STDMETHODCALLTYPE GetHotkey(WORD* hotkey) override {
    if (hotkey == nullptr) return E_POINTER;
    *hotkey = m_link.hotKey;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHotkey(WORD hotkey) override {
    m_link.hotKey = hotkey;
    m_dirty = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetShowCmd(int* showCommand) override {
    if (showCommand == nullptr) return E_POINTER;
    *showCommand = static_cast<int>(m_link.showCommand);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetShowCmd(int showCommand) override {
    m_link.showCommand = static_cast<uint32_t>(showCommand);
    m_dirty = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR iconPath, int size, int* index) override {
    if (index != nullptr) *index = m_link.iconIndex;
    return copyOut(m_link.iconLocation, iconPath, size);
  }
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCWSTR iconPath, int index) override {
    m_link.iconIndex = index;
    return setText(m_link.iconLocation, iconPath, m_dirty);
  }
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCWSTR, DWORD) override { return E_NOTIMPL; }
  // Nothing is searched or tracked here: a link resolves to what it names.
  HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return m_link.target.empty() ? S_FALSE : S_OK; }
  HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR file) override {
    if (file == nullptr || file[0] == 0) return E_INVALIDARG;
    const std::u16string full = fullPathOf(file);
    if (full.size() > 0xFFFF) return E_INVALIDARG;
    m_link.target = full;
    m_dirty = true;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override {
    if (classId == nullptr) return E_POINTER;
    *classId = CLSID_ShellLink;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return m_dirty ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(LPCWSTR fileName, DWORD) override {
    if (fileName == nullptr) return E_INVALIDARG;
    std::vector<uint8_t> bytes;
    if (!winapi::shell::readWholeFile(fileName, kMaxFileBytes, bytes)) return lastErrorResult();
    const std::u16string full = fullPathOf(fileName);
    LinkData link;
    if (!winapi::shell::decodeLink(bytes.data(), bytes.size(), folderOf(full), link)) {
      return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    m_link = std::move(link);
    m_file = full;
    m_dirty = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Save(LPCWSTR fileName, BOOL remember) override {
    LPCWSTR target = saveTarget(fileName);
    if (target == nullptr) return E_INVALIDARG;
    WIN32_FILE_ATTRIBUTE_DATA info{};
    const bool known =
        !m_link.target.empty() && GetFileAttributesExW(m_link.target.c_str(), GetFileExInfoStandard, &info) != FALSE;
    std::vector<uint8_t> bytes;
    if (!winapi::shell::encodeLink(m_link, known ? &info : nullptr, bytes)) return E_INVALIDARG;
    if (!winapi::shell::writeWholeFile(target, bytes.data(), bytes.size())) return lastErrorResult();
    if (remember || fileName == nullptr) {
      m_file = fullPathOf(target);
      m_dirty = false;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPWSTR* fileName) override { return curFile(fileName); }

 private:
  friend class ShortcutBase;
  ~ShellLink() = default;

  LinkData m_link;
};

// The "URL=" value of the "[InternetShortcut]" section (names ignore case, as INI files do); the
// value is UTF-8, or the ANSI code page for files written by programs that knew no UTF-8.
bool readUrl(const std::vector<uint8_t>& bytes, std::u16string& url) {
  const std::string text(bytes.begin(), bytes.end());
  auto lower = [](std::string value) {
    for (char& c : value) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return value;
  };
  auto trim = [](std::string value) {
    const size_t first = value.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    const size_t last = value.find_last_not_of(" \t\r");
    return value.substr(first, last - first + 1);
  };
  bool inSection = false;
  size_t at = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) at = 3;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = trim(text.substr(at, end - at));
    at = end + 1;
    if (!line.empty() && line[0] == '[') {
      inSection = lower(line) == "[internetshortcut]";
      continue;
    }
    const size_t equals = line.find('=');
    if (!inSection || equals == std::string::npos || lower(trim(line.substr(0, equals))) != "url") continue;
    const std::string value = trim(line.substr(equals + 1));
    if (winapi::utf8::toUtf16(value, url, winapi::utf8::Invalid::Fail)) return true;
    const int units = MultiByteToWideChar(CP_ACP, 0, value.data(), static_cast<int>(value.size()), nullptr, 0);
    url.assign(units > 0 ? static_cast<size_t>(units) : 0, u'\0');
    if (units > 0) MultiByteToWideChar(CP_ACP, 0, value.data(), static_cast<int>(value.size()), url.data(), units);
    return true;
  }
  return false;
}

class InternetShortcut final : public IUniformResourceLocatorW,
                               public IShellLinkW,
                               public IPersistFile,
                               private ShortcutBase {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IUniformResourceLocatorW) {
      *object = static_cast<IUniformResourceLocatorW*>(this);
    } else if (iid == IID_IShellLinkW) {
      *object = static_cast<IShellLinkW*>(this);
    } else if (iid == IID_IPersistFile || iid == IID_IPersist) {
      *object = static_cast<IPersistFile*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    addRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(this); }

  HRESULT STDMETHODCALLTYPE SetURL(LPCWSTR url, DWORD) override {
    if (url == nullptr) return E_INVALIDARG;
    // An address is one line of the file.
    for (const char16_t* at = url; *at != 0; ++at) {
      if (*at == u'\r' || *at == u'\n') return E_INVALIDARG;
    }
    m_url = url;
    m_dirty = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetURL(LPWSTR* url) override {
    if (url == nullptr) return E_POINTER;
    *url = nullptr;
    if (m_url.empty()) return S_FALSE;
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((m_url.size() + 1) * sizeof(char16_t)));
    if (copy == nullptr) return E_OUTOFMEMORY;
    std::memcpy(copy, m_url.c_str(), (m_url.size() + 1) * sizeof(char16_t));
    *url = copy;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InvokeCommand(void*) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetPath(LPWSTR file, int size, WIN32_FIND_DATAW* findData, DWORD) override {
    if (findData != nullptr) std::memset(findData, 0, sizeof *findData);
    if (m_url.empty()) {
      if (file != nullptr && size > 0) file[0] = 0;
      return S_FALSE;
    }
    return copyOut(m_url, file, size);
  }
  HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE* idList) override {
    if (idList != nullptr) *idList = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDescription(LPWSTR name, int size) override { return copyOut({}, name, size); }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPWSTR folder, int size) override { return copyOut({}, folder, size); }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetArguments(LPWSTR arguments, int size) override { return copyOut({}, arguments, size); }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetHotkey(WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHotkey(WORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetShowCmd(int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetShowCmd(int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR, int, int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCWSTR, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCWSTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return m_url.empty() ? S_FALSE : S_OK; }
  HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR file) override { return SetURL(file, 0); }

  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override {
    if (classId == nullptr) return E_POINTER;
    *classId = CLSID_InternetShortcut;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return m_dirty ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(LPCWSTR fileName, DWORD) override {
    if (fileName == nullptr) return E_INVALIDARG;
    std::vector<uint8_t> bytes;
    if (!winapi::shell::readWholeFile(fileName, kMaxFileBytes, bytes)) return lastErrorResult();
    std::u16string url;
    if (!readUrl(bytes, url)) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    m_url = std::move(url);
    m_file = fullPathOf(fileName);
    m_dirty = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Save(LPCWSTR fileName, BOOL remember) override {
    LPCWSTR target = saveTarget(fileName);
    if (target == nullptr) return E_INVALIDARG;
    std::string url;
    winapi::utf8::toUtf8(m_url, url);
    const std::string text = std::string("[InternetShortcut]\r\nURL=").append(url).append("\r\n");
    if (!winapi::shell::writeWholeFile(target, text.data(), text.size())) return lastErrorResult();
    if (remember || fileName == nullptr) {
      m_file = fullPathOf(target);
      m_dirty = false;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPWSTR* fileName) override { return curFile(fileName); }

 private:
  friend class ShortcutBase;
  ~InternetShortcut() = default;

  std::u16string m_url;
};

template <typename Object>
HRESULT makeObject(REFIID iid, void** object) {
  auto* made = new (std::nothrow) Object();
  if (made == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = made->QueryInterface(iid, object);
  made->Release();  // the query's reference, when it succeeded, is the caller's
  return result;
}

[[maybe_unused]] const bool s_registered = [] {
  winapi::com::registerClass(CLSID_ShellLink, &makeObject<ShellLink>);
  winapi::com::registerClass(CLSID_InternetShortcut, &makeObject<InternetShortcut>);
  return true;
}();

}  // namespace
