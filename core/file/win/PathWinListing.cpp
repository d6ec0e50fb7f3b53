// The path's folder listings, wildcard searches and the neighbouring file; the Explorer settings
// that hide entries; the named-stream calls, which this system has none of.
#include "core/file/win/PathArray.h"
#include "core/file/win/PathWin.h"

#include "core/col/array/Sort.h"
#include "core/thread/Pooled.h"

#include <windows.h>
#include <shlobj.h>
#include <winreg.h>
#include <winternl.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace s::file::win {

using col::_array::ArrayP;
using str::strarray::StrArray;
using str::strbuffer::StrBuffer;
using thread::Pooled;

namespace {

// "S-1-5-21-..." of the process's user, as the registry's user hive is named.
std::u16string currentUserSidText() {
  HANDLE token = nullptr;
  std::u16string text;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return text;
  }
  DWORD needed = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  if (needed != 0 && GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed)) {
    const auto* sid =
        static_cast<const SID*>(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
    uint64_t authority = 0;
    for (BYTE byte : sid->IdentifierAuthority.Value) {
      authority = authority << 8 | byte;
    }
    Pooled<StrBuffer> formatted;
    formatted->assign(u"S-")->appendUInt32(sid->Revision)->appendWChar(u'-');
    formatted->appendUInt32(static_cast<uint32_t>(authority));
    for (BYTE i = 0; i < sid->SubAuthorityCount; ++i) {
      formatted->appendWChar(u'-')->appendUInt32(sid->SubAuthority[i]);
    }
    text = formatted->getCStr();
  }
  CloseHandle(token);
  return text;
}

// A 32-bit value of the user's Explorer settings, or `fallback` when it is absent.
uint32_t readExplorerValue(const WCHAR* name, uint32_t fallback) {
  static const std::u16string s_key =
      u"\\Registry\\User\\" + currentUserSidText() +
      u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
  UNICODE_STRING keyName;
  RtlInitUnicodeString(&keyName, s_key.c_str());
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &keyName, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
  HANDLE key = nullptr;
  if (!NT_SUCCESS(NtOpenKey(&key, KEY_QUERY_VALUE, &attributes))) {
    return fallback;
  }
  UNICODE_STRING valueName;
  RtlInitUnicodeString(&valueName, name);
  alignas(8) BYTE buffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 16];
  ULONG got = 0;
  uint32_t value = fallback;
  if (NT_SUCCESS(NtQueryValueKey(key, &valueName, KeyValuePartialInformation, buffer, sizeof buffer,
                                 &got))) {
    const auto* info = reinterpret_cast<const KEY_VALUE_PARTIAL_INFORMATION*>(buffer);
    if (info->DataLength >= 4) {
      value = static_cast<uint32_t>(info->Data[0]) | static_cast<uint32_t>(info->Data[1]) << 8 |
              static_cast<uint32_t>(info->Data[2]) << 16 |
              static_cast<uint32_t>(info->Data[3]) << 24;
    }
  }
  NtClose(key);
  return value;
}

bool isDotName(const WCHAR* name) {
  return name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
}

bool equalsFolded(const WCHAR* a, const WCHAR* b) {
  Pooled<StrBuffer> text;
  return text->assign(a)->matchesAtIgnoreCase(0, b, 0, -1);
}

int32_t compareTextsIgnoreCase(const void* a, const void* b, void*) {
  const auto* x = static_cast<const StrBuffer*>(static_cast<const str::IStr*>(a));
  const auto* y = static_cast<const StrBuffer*>(static_cast<const str::IStr*>(b));
  return x->compareToIgnoreCase(y);
}

ArrayP* pathArray(ArrayP* out) {
  if (out == nullptr) {
    out = ArrayP::take();
    out->setDisposer(&PathWin::pool());
  }
  return out;
}

// What one listing hides, read once at its start.
struct Visibility {
  bool includeHidden;
  bool showHidden = true;
  bool showSystem = true;
  bool onSystemDrive = false;

  Visibility(bool include, PathWin* folder) : includeHidden(include) {
    if (include) {
      return;
    }
    showHidden = isExplorerShowingHidden();
    showSystem = isExplorerShowingSuperHidden();
    if (!showHidden || !showSystem) {
      Pooled<StrBuffer> root;
      root->assign(folder->getRoot());
      onSystemDrive = root->matchesAtIgnoreCase(0, getSystemDriveRoot(), 0, -1);
    }
  }

  bool shows(const WIN32_FIND_DATAW& found) const {
    if (includeHidden) {
      return true;
    }
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0 && !showHidden) {
      return false;
    }
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0 && !showSystem) {
      return false;
    }
    return !onSystemDrive || (!equalsFolded(found.cFileName, u"AUTOEXEC.BAT") &&
                              !equalsFolded(found.cFileName, u"CONFIG.SYS"));
  }
};

}  // namespace

bool isExplorerShowingHidden() {
  static std::mutex s_lock;
  std::lock_guard guard(s_lock);
  return readExplorerValue(u"Hidden", 1) != 2;
}

bool isExplorerShowingSuperHidden() {
  static std::mutex s_lock;
  std::lock_guard guard(s_lock);
  return readExplorerValue(u"ShowSuperHidden", 0) != 0;
}

PathWin* getWindowsFolder() {
  // CSIDL_WINDOWS has no counterpart on this system: the shell refuses it.
  PathWin* folder = PathWin::take();
  PIDLIST_ABSOLUTE list = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_WINDOWS, &list)) && list != nullptr) {
    WCHAR path[MAX_PATH];
    if (SHGetPathFromIDListW(list, path)) {
      folder->setPathText(path);
    }
    ILFree(list);
  }
  return folder;
}

const WCHAR* getSystemDriveRoot() {
  static StrBuffer* const s_root = new StrBuffer();
  if (s_root->getLength() == 0) {
    Pooled<PathWin> windows(getWindowsFolder());
    if (windows->exists()) {
      s_root->assign(windows->getRoot());
    }
    if (s_root->getLength() == 0) {
      s_root->assign(u"C:\\");
    }
  }
  return s_root->getCStr();
}

bool loadNtFileFunctions() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExW(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
    return false;
  }
  static const bool s_loaded = [] {
    HMODULE ntdll = LoadLibraryW(u"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "NtFsControlFile") != nullptr &&
           GetProcAddress(ntdll, "NtQueryInformationFile") != nullptr &&
           GetProcAddress(ntdll, "RtlNtStatusToDosError") != nullptr;
  }();
  return s_loaded;
}

bool enableBackupPrivilege() {
  static const bool s_loaded = [] {
    const bool loaded = loadNtFileFunctions();
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
      TOKEN_PRIVILEGES privileges{};
      if (LookupPrivilegeValueW(nullptr, u"SeBackupPrivilege", &privileges.Privileges[0].Luid)) {
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
      }
      CloseHandle(token);
    }
    return loaded;
  }();
  return s_loaded;
}

uint32_t walkStreamRecords(const void* buffer, uint32_t bytes,
                           void (*visit)(const StreamRecord&, void* user), void* user) {
  // FILE_STREAM_INFORMATION: NextEntryOffset, StreamNameLength (bytes), StreamSize,
  // StreamAllocationSize, then the name in UTF-16.
  constexpr uint32_t kHead = 24;
  const auto* base = static_cast<const BYTE*>(buffer);
  uint32_t at = 0;
  uint32_t seen = 0;
  while (buffer != nullptr && at + kHead <= bytes) {
    uint32_t next = 0;
    uint32_t nameBytes = 0;
    int64_t size = 0;
    std::memcpy(&next, base + at, 4);
    std::memcpy(&nameBytes, base + at + 4, 4);
    std::memcpy(&size, base + at + 8, 8);
    if (nameBytes == 0 || nameBytes > bytes - at - kHead) {
      break;
    }
    std::vector<WCHAR> name(nameBytes / 2 + 1, 0);
    std::memcpy(name.data(), base + at + kHead, nameBytes / 2 * 2);
    visit(StreamRecord{name.data(), nameBytes / 2, size}, user);
    ++seen;
    if (next == 0 || next > bytes - at) {
      break;
    }
    at += next;
  }
  return seen;
}

template <typename Take>
void PathWin::enumerate(Kind kind, bool includeHidden, Take&& take) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Pooled<PathWin>(newChild(u"*"))->getLongPath(), &found);
  if (find == INVALID_HANDLE_VALUE) {
    return;
  }
  const Visibility visibility(includeHidden, this);
  do {
    if (isDotName(found.cFileName) ||
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      continue;
    }
    const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((kind == Kind::Folders && !folder) || !visibility.shows(found)) {
      continue;
    }
    // A Files walk sees folders too, for its recursion; the taker tells them apart.
    if (!take(found, folder)) {
      break;
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

bool PathWin::isEmptyDirectory() { return isDirectory() && !hasChildren(true); }

bool PathWin::hasChildren(bool includeHidden) {
  bool any = false;
  enumerate(Kind::All, includeHidden, [&](const WIN32_FIND_DATAW&, bool) {
    any = true;
    return false;
  });
  return any;
}

StrArray* PathWin::listNames(Kind kind, bool fullPaths, bool includeHidden) {
  StrArray* names = StrArray::take();
  Pooled<StrBuffer> text;
  enumerate(kind, includeHidden, [&](const WIN32_FIND_DATAW& found, bool folder) {
    if (kind == Kind::Files && folder) {
      return true;
    }
    if (fullPaths) {
      text->assignStr(m_fullPath)->appendWChar(u'\\')->append(found.cFileName);
      names->addText(text->getCStr());
    } else {
      names->addText(found.cFileName);
    }
    return true;
  });
  return names;
}

StrArray* PathWin::listAll(bool fullPaths, bool includeHidden) {
  return listNames(Kind::All, fullPaths, includeHidden);
}

StrArray* PathWin::listFolders(bool fullPaths, bool includeHidden) {
  return listNames(Kind::Folders, fullPaths, includeHidden);
}

StrArray* PathWin::listFiles(bool fullPaths, bool includeHidden) {
  return listNames(Kind::Files, fullPaths, includeHidden);
}

void PathWin::collectInto(Kind kind, bool includeHidden, bool recursive, ArrayP* out) {
  enumerate(kind, includeHidden, [&](const WIN32_FIND_DATAW& found, bool folder) {
    PathWin* child = newChild(found.cFileName);
    if (child == nullptr) {
      return true;
    }
    if (kind == Kind::Files && folder) {
      if (recursive) {
        child->collectInto(kind, includeHidden, true, out);
      }
      child->release();
      return true;
    }
    out->push(child);
    if (folder && recursive) {
      child->collectInto(kind, includeHidden, true, out);
    }
    return true;
  });
}

ArrayP* PathWin::collectAll(bool includeHidden, bool recursive, ArrayP* out) {
  out = pathArray(out);
  collectInto(Kind::All, includeHidden, recursive, out);
  return out;
}

ArrayP* PathWin::collectFolders(bool includeHidden, bool recursive, ArrayP* out) {
  out = pathArray(out);
  collectInto(Kind::Folders, includeHidden, recursive, out);
  return out;
}

ArrayP* PathWin::collectFiles(bool includeHidden, bool recursive, ArrayP* out) {
  out = pathArray(out);
  collectInto(Kind::Files, includeHidden, recursive, out);
  return out;
}

namespace {

PathArray* toPathArray(IPathArray* out) {
  auto* list = dynamic_cast<PathArray*>(out);
  return list != nullptr ? list : PathArray::take();
}

}  // namespace

IPathArray* PathWin::collectAllToPathArray(bool includeHidden, bool recursive, IPathArray* out) {
  PathArray* list = toPathArray(out);
  collectInto(Kind::All, includeHidden, recursive, &list->getEntries());
  return list;
}

IPathArray* PathWin::collectFoldersToPathArray(bool includeHidden, bool recursive,
                                               IPathArray* out) {
  PathArray* list = toPathArray(out);
  collectInto(Kind::Folders, includeHidden, recursive, &list->getEntries());
  return list;
}

IPathArray* PathWin::collectFilesToPathArray(bool includeHidden, bool recursive, IPathArray* out) {
  PathArray* list = toPathArray(out);
  collectInto(Kind::Files, includeHidden, recursive, &list->getEntries());
  return list;
}

void PathWin::findMatching(bool folders, bool includeHidden, bool recursive, ArrayP* out) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(getLongPath(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    Pooled<PathWin> folder(newParent());
    const Visibility visibility(includeHidden, folder.get());
    Pooled<StrBuffer> text;
    do {
      if (isDotName(found.cFileName) ||
          (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
          !visibility.shows(found)) {
        continue;
      }
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !folders) {
        continue;
      }
      copyFolder(text.get(), false)->append(found.cFileName);
      out->push(take()->setPath(text.get()));
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  if (!recursive) {
    return;
  }
  Pooled<PathWin> folder(newFromText(getFolderNoSlash()));
  if (!folder->isAbsolute() || !folder->exists()) {
    return;
  }
  Pooled<StrArray> subFolders(folder->listFolders(true, includeHidden));
  Pooled<StrBuffer> pattern;
  for (uint32_t i = 0; i < subFolders->getCount(); ++i) {
    pattern->assignStr(subFolders->get(i))->appendWChar(u'\\');
    copyFileName(pattern.get(), true);
    Pooled<PathWin>(take()->setPath(pattern.get()))
        ->findMatching(folders, includeHidden, true, out);
  }
}

ArrayP* PathWin::findMatchingFiles(bool includeHidden, bool recursive, ArrayP* out) {
  out = pathArray(out);
  findMatching(false, includeHidden, recursive, out);
  return out;
}

ArrayP* PathWin::findMatchingEntries(bool includeHidden, bool recursive, ArrayP* out) {
  out = pathArray(out);
  findMatching(true, includeHidden, recursive, out);
  return out;
}

PathWin* PathWin::newAdjacentFile(bool next, const StrArray* extensions, bool sort, bool wrap) {
  Pooled<PathWin> parent(newParent());
  Pooled<StrArray> names(parent->listAll(false, false));
  ArrayP& items = names->getItems();
  if (sort) {
    col::_array::sortPointersAscending(items.getItems(), items.getCount(), &compareTextsIgnoreCase);
  }
  std::vector<StrBuffer*> kept;
  for (uint32_t i = 0; i < names->getCount(); ++i) {
    StrBuffer* name = names->get(i);
    bool wanted = extensions == nullptr;
    for (uint32_t e = 0; !wanted && e < extensions->getCount(); ++e) {
      wanted = name->endsWithIgnoreCase(extensions->get(e)->getCStr());
    }
    if (wanted) {
      kept.push_back(name);
    }
  }
  const auto count = static_cast<int64_t>(kept.size());
  if (count < 2) {
    return nullptr;
  }
  Pooled<StrBuffer> own;
  copyFileName(own.get(), false);
  int64_t index = 0;
  for (int64_t i = 0; i < count; ++i) {
    if (kept[i]->equalsIgnoreCase(own.get())) {
      index = i;
      break;
    }
  }
  index += next ? 1 : -1;
  if (wrap && index >= count) {
    index = 0;
  } else if (wrap && index < 0) {
    index = count - 1;
  }
  if (index < 0 || index >= count) {
    return nullptr;
  }
  return parent->newChild(kept[index]->getCStr());
}

ArrayP* PathWin::listStreams(ArrayP* out) {
  out = pathArray(out);
  // Named streams would need NTFS and the native stream query; neither exists here, so the
  // listing ends before it opens anything.
  if (!isNtfs() || !enableBackupPrivilege()) {
    return out;
  }
  return out;
}

void PathWin::removeStreams(bool) {}

}  // namespace s::file::win
