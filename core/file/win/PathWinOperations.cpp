// The path's file operations: creating, removing, copying, moving and renaming, file times, and
// the streams and whole-file calls on a path.
#include "core/file/win/PathWin.h"

#include "core/thread/Pooled.h"

#include <windows.h>
#include <crtfile.h>
#include <shlobj.h>

#include <cstdlib>
#include <ctime>

namespace s::file::win {

using str::strbuffer::StrBuffer;
using thread::Pooled;

void notifyShellChange(int32_t event, const WCHAR* fullPath) {
  SHChangeNotify(event, SHCNF_PATHW | SHCNF_FLUSH, fullPath, nullptr);
}

bool PathWin::createDirectory(bool notify) {
  if (isGuarded()) {
    return false;
  }
  if (_wmkdir(m_fullPath->getCStr()) != 0) {
    if (!createParentDirectories() || _wmkdir(m_fullPath->getCStr()) != 0) {
      return false;
    }
  }
  m_attributesRead = m_statusRead = false;
  if (notify) {
    notifyShellChange(SHCNE_MKDIR, m_fullPath->getCStr());
  }
  return true;
}

namespace {

bool createNewFile(const WCHAR* path) {
  int fd = -1;
  if (_wsopen_s(&fd, path, _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _SH_DENYNO,
                _S_IREAD | _S_IWRITE) != 0) {
    return false;
  }
  _close(fd);
  return true;
}

}  // namespace

bool PathWin::createFile(bool notify) {
  if (isGuarded()) {
    return false;
  }
  if (!createNewFile(m_fullPath->getCStr())) {
    if (!createParentDirectories() || !createNewFile(m_fullPath->getCStr())) {
      return false;
    }
  }
  m_attributesRead = m_statusRead = false;
  if (notify) {
    notifyShellChange(SHCNE_CREATE, m_fullPath->getCStr());
  }
  return true;
}

bool PathWin::createParentDirectories() {
  Pooled<PathWin> parent(newParent());
  return parent->exists() || parent->createDirectory(false);
}

bool PathWin::remove(bool notify, bool orAtRestart) {
  if (isGuarded()) {
    return false;
  }
  if (!exists()) {
    // A dangling symbolic link fails the existence test, yet it is there to delete.
    const uint32_t word = GetFileAttributesW(getLongPath());
    if (word == INVALID_FILE_ATTRIBUTES || (word & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      return true;
    }
    return DeleteFileW(getLongPath()) != FALSE;
  }
  if (!isDirectory() || hasAttribute(FILE_ATTRIBUTE_REPARSE_POINT)) {
    // A file, or a link (to a folder too), which goes itself.
    bool removed = DeleteFileW(getLongPath()) != FALSE;
    if (!removed) {
      const DWORD error = GetLastError();
      removed = error == ERROR_FILE_NOT_FOUND ||
                (error == ERROR_ACCESS_DENIED && makeWritable() && DeleteFileW(getLongPath()));
    }
    m_attributesRead = m_statusRead = false;
    if (removed && notify) {
      notifyShellChange(SHCNE_DELETE, m_fullPath->getCStr());
    }
    return removed;
  }
  bool removed = RemoveDirectoryW(getLongPath()) != FALSE;
  if (!removed) {
    // Empty the folder one level down and try again. Links inside are removed as links: the
    // listing skips them, and a folder holding one could never go otherwise.
    bool emptied = true;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Pooled<PathWin>(newChild(u"*"))->getLongPath(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::u16string_view name(found.cFileName);
        if (name == u"." || name == u"..") {
          continue;
        }
        Pooled<PathWin> child(newChild(found.cFileName));
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
          emptied = DeleteFileW(child->getLongPath()) && emptied;
        } else {
          emptied = child->remove(false, orAtRestart) && emptied;
        }
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
    removed = emptied && RemoveDirectoryW(getLongPath());
  }
  m_attributesRead = m_statusRead = false;
  if (removed && notify) {
    notifyShellChange(SHCNE_RMDIR, m_fullPath->getCStr());
  }
  // Deletion at the next start does not exist here: MoveFileExW refuses to schedule it.
  if (!removed && orAtRestart) {
    MoveFileExW(getLongPath(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  return removed;
}

FileInputStream* PathWin::openInputStream() {
  FileInputStream* stream = FileInputStream::take();
  if (stream != nullptr) {
    stream->open(m_fullPath->getCStr());
  }
  return stream;
}

FileOutputStream* PathWin::openOutputStream(bool append) {
  createParentDirectories();
  FileOutputStream* stream = FileOutputStream::take();
  if (stream != nullptr) {
    stream->open(m_fullPath->getCStr(), append);
  }
  return stream;
}

}  // namespace s::file::win

namespace s::file::win {

namespace {

// The canonical form of a folder for the copy-into-itself test: "." and ".." resolved,
// links followed. Empty when the path cannot be resolved (it does not exist yet).
bool canonicalFolder(const WCHAR* path, StrBuffer* out) {
  HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  WCHAR full[4096];
  const DWORD got = GetFinalPathNameByHandleW(file, full, 4096, 0);
  CloseHandle(file);
  if (got == 0 || got >= 4096) {
    return false;
  }
  out->assign(full);
  return true;
}

}  // namespace

bool PathWin::renameTo(const WCHAR* newPathText) {
  Pooled<PathWin> target(newFromText(newPathText));
  if (target->isGuarded() || isGuarded() || !target->isValid() || target->exists()) {
    return false;
  }
  return MoveFileExW(getLongPath(), target->getLongPath(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool PathWin::scrambleName(int32_t times, StrBuffer* outPath, bool restoreAttributes) {
  if (isGuarded() || m_isStream) {
    return false;
  }
  static const bool s_seeded = [] {
    srand(static_cast<unsigned>(time(nullptr)));
    return true;
  }();
  (void)s_seeded;
  Pooled<StrBuffer> own;
  StrBuffer* current = outPath != nullptr ? outPath : own.get();
  current->assignStr(m_fullPath);
  const uint32_t noted = getAttributes();
  const bool wasDirectory = isDirectory();
  setAttributes(FILE_ATTRIBUTE_NORMAL);
  addAttributes(FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | (wasDirectory ? FILE_ATTRIBUTE_DIRECTORY : 0));
  uint32_t slash = 0;
  bool renamed = false;
  if (current->lastIndexOf(u'\\', &slash) && slash + 1 < current->getLength() && times > 0) {
    const uint32_t start = slash + 1;
    uint32_t end = current->getLength();
    Pooled<StrBuffer> candidate;
    Pooled<PathWin> at;
    for (int32_t pass = 0; pass < times; ++pass) {
      candidate->assignStr(current);
      if (end - start < 3) {
        candidate->append(u"__");
        ++end;
      }
      for (int32_t attempt = 0; attempt < 20; ++attempt) {
        WCHAR* units = candidate->getBuffer();
        for (uint32_t i = start; i < end; ++i) {
          if (units[i] == u'.') {
            continue;
          }
          WCHAR drawn;
          do {
            drawn = static_cast<WCHAR>(rand() & 0xFF);
          } while (!((drawn >= u'1' && drawn <= u'9') || (drawn >= u'A' && drawn <= u'Z') ||
                     (drawn >= u'a' && drawn <= u'z')));
          units[i] = drawn;
        }
        at->setPath(current);
        bool done = at->renameTo(candidate->getCStr());
        if (!done) {
          Sleep(50);
          done = at->renameTo(candidate->getCStr());
        }
        if (done) {
          current->assignStr(candidate.get());
          renamed = true;
          break;
        }
      }
    }
  }
  if (restoreAttributes) {
    Pooled<PathWin> final(newFromText(current->getCStr()));
    final->setAttributes(noted);
  }
  return renamed;
}

bool PathWin::removeOnReboot() {
  if (isGuarded() || !exists()) {
    return false;
  }
  if (isDirectory()) {
    Pooled<col::_array::ArrayP> entries(collectAll(true, false, nullptr));
    for (uint32_t i = 0; i < entries->getCount(); ++i) {
      static_cast<PathWin*>(entries->getItems()[i])->removeOnReboot();
    }
  }
  // MoveFileExW refuses to schedule anything here.
  return MoveFileExW(getLongPath(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool PathWin::moveToRecycleBin(bool confirm, bool notify) {
  if (isGuarded()) {
    return false;
  }
  const bool wasDirectory = notify && isDirectory();
  Pooled<StrBuffer> source;
  source->assignStr(m_fullPath)->appendWChar(0)->appendWChar(0);
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = source->getCStr();
  operation.fFlags = confirm ? FOF_ALLOWUNDO : FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT;
  const bool recycled = SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
  m_attributesRead = m_statusRead = false;
  if (recycled && notify) {
    notifyShellChange(wasDirectory ? SHCNE_RMDIR : SHCNE_DELETE, m_fullPath->getCStr());
  }
  return recycled;
}

bool PathWin::copyTo(const WCHAR* targetText, bool overwrite) {
  if (!exists()) {
    return false;
  }
  Pooled<PathWin> target(newFromText(targetText));
  if (target->isGuarded() || !target->isValid()) {
    return false;
  }
  if (!isDirectory()) {
    if (CopyFileW(getLongPath(), target->getLongPath(), !overwrite)) {
      return true;
    }
    return target->createParentDirectories() &&
           CopyFileW(getLongPath(), target->getLongPath(), !overwrite);
  }
  // A target inside this folder would be copied into itself again and again: compare the
  // canonical forms ("." and ".." resolved, links followed), not the texts as written.
  Pooled<StrBuffer> source;
  Pooled<StrBuffer> destination;
  if (!canonicalFolder(getLongPath(), source.get())) {
    source->assignStr(m_fullPath);
  }
  source->trimRightChars(u"\\", 1);
  source->appendWChar(u'\\');
  {
    // The target may not exist yet: resolve its nearest existing ancestor and add the rest.
    Pooled<StrBuffer> rest;
    Pooled<PathWin> probe(newFromText(target->getFullPath()));
    while (!canonicalFolder(probe->getLongPath(), destination.get())) {
      Pooled<StrBuffer> name;
      probe->copyFileName(name.get(), false)->appendWChar(u'\\')->appendStr(rest.get());
      rest->assignStr(name.get());
      Pooled<PathWin> parent(probe->newParent());
      if (parent->getLength() >= probe->getLength()) {
        destination->assignStr(target->m_fullPath)->appendWChar(u'\\');
        rest->clear();
        break;
      }
      probe = std::move(parent);
    }
    destination->trimRightChars(u"\\", 1);
    destination->appendWChar(u'\\')->appendStr(rest.get());
  }
  if (destination->startsWith(source->getCStr(), static_cast<int32_t>(source->getLength()))) {
    return false;
  }
  if (!target->exists()) {
    if (!target->createDirectory(false)) {
      return false;
    }
  } else if (!overwrite) {
    return false;
  }
  Pooled<col::_array::ArrayP> entries(collectAll(true, false, nullptr));
  Pooled<StrBuffer> entryTarget;
  for (uint32_t i = 0; i < entries->getCount(); ++i) {
    auto* entry = static_cast<PathWin*>(entries->getItems()[i]);
    target->copyFullPathWithSlash(entryTarget.get(), false);
    entry->copyFileName(entryTarget.get(), true);
    if (!entry->copyTo(entryTarget->getCStr(), overwrite)) {
      return false;
    }
  }
  return true;
}

bool PathWin::moveTo(const WCHAR* targetText, bool replace, bool notify) {
  Pooled<PathWin> target(newFromText(targetText));
  if (target->isGuarded() || isGuarded() || !target->isValid()) {
    return false;
  }
  const bool wasDirectory = notify && isDirectory();
  const DWORD flags =
      MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (!MoveFileExW(getLongPath(), target->getLongPath(), flags)) {
    return false;
  }
  m_attributesRead = m_statusRead = false;
  if (notify) {
    notifyShellChange(wasDirectory ? SHCNE_RMDIR : SHCNE_DELETE, m_fullPath->getCStr());
    notifyShellChange(wasDirectory ? SHCNE_MKDIR : SHCNE_CREATE, targetText);
  }
  return true;
}

namespace {

FILETIME fileTimeOf(int64_t seconds) {
  const auto ticks = static_cast<uint64_t>(seconds * 10000000LL + 116444736000000000LL);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

bool PathWin::setFileTimes(int64_t creation, int64_t lastAccess, int64_t lastWrite, bool forNormal,
                           bool forReadOnly, bool forHidden, bool forSystem, bool recursive) {
  if (!m_valid || !exists()) {
    return false;
  }
  const uint32_t noted = getAttributes();
  const bool wanted = (noted & FILE_ATTRIBUTE_SYSTEM) != 0     ? forSystem
                      : (noted & FILE_ATTRIBUTE_HIDDEN) != 0   ? forHidden
                      : (noted & FILE_ATTRIBUTE_READONLY) != 0 ? forReadOnly
                                                               : forNormal;
  if (!wanted) {
    return true;  // nothing was asked for this class
  }
  bool done = true;
  if (recursive && isDirectory()) {
    Pooled<col::_array::ArrayP> entries(collectAll(true, false, nullptr));
    for (uint32_t i = 0; i < entries->getCount(); ++i) {
      done = static_cast<PathWin*>(entries->getItems()[i])
                 ->setFileTimes(creation, lastAccess, lastWrite, forNormal, forReadOnly, forHidden,
                                forSystem, true) &&
             done;
    }
  }
  setAttributes(FILE_ATTRIBUTE_NORMAL | (noted & FILE_ATTRIBUTE_DIRECTORY));
  HANDLE file =
      CreateFileW(getLongPath(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  // The result is whether the times were set, not whether the attributes came back.
  if (file == INVALID_HANDLE_VALUE) {
    done = false;
  } else {
    const FILETIME c = fileTimeOf(creation);
    const FILETIME a = fileTimeOf(lastAccess);
    const FILETIME w = fileTimeOf(lastWrite);
    done = SetFileTime(file, creation < 0 ? nullptr : &c, lastAccess < 0 ? nullptr : &a,
                       lastWrite < 0 ? nullptr : &w) &&
           done;
    CloseHandle(file);
  }
  setAttributes(noted);
  m_statusRead = false;
  return done;
}

bool PathWin::probeExclusiveAccess(int32_t passes, bool restoreAttributes, void* buffer,
                                   uint32_t bufferSize) {
  if (isGuarded() || !exists()) {
    return false;
  }
  if (isFile() && getSize(false, true, nullptr, nullptr, true) == 0) {
    return true;
  }
  void* reserved = nullptr;
  if (buffer == nullptr) {
    // Kept as the probe's contract: a buffer is at hand for its callers, never used for I/O.
    bufferSize = 0xA14000;
    buffer = reserved = VirtualAlloc(nullptr, bufferSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (buffer == nullptr) {
      return false;
    }
  }
  const uint32_t noted = getAttributes();
  setAttributes(FILE_ATTRIBUTE_NORMAL);
  addAttributes(FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | (noted & FILE_ATTRIBUTE_DIRECTORY));
  bool result = true;
  if ((noted & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    Pooled<col::_array::ArrayP> entries(collectAll(true, false, nullptr));
    for (uint32_t i = 0; i < entries->getCount(); ++i) {
      result = static_cast<PathWin*>(entries->getItems()[i])
                   ->probeExclusiveAccess(passes, restoreAttributes, buffer, bufferSize) &&
               result;
    }
  } else if ((noted & (FILE_ATTRIBUTE_ENCRYPTED | FILE_ATTRIBUTE_COMPRESSED |
                       FILE_ATTRIBUTE_SPARSE_FILE)) == 0) {
    HANDLE file =
        CreateFileW(getLongPath(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_NO_BUFFERING | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      result = false;
    } else {
      CloseHandle(file);
    }
  }
  if (restoreAttributes) {
    setAttributes(noted);
  }
  if (reserved != nullptr) {
    VirtualFree(reserved, 0, MEM_RELEASE);
  }
  return result;
}

bool PathWin::readAllInto(col::_array::ArrayU08* bytes) {
  bytes->setCount(0);
  const int64_t size = getSize(false, true, nullptr, nullptr, true);
  bytes->setCapacity(static_cast<uint32_t>(size));
  FileInputStream* in = FileInputStream::take();
  if (in == nullptr) {
    return false;
  }
  const bool opened = in->open(m_fullPath->getCStr());
  unsigned char block[1024];
  uint32_t got = 0;
  while (opened && in->read(block, sizeof block, &got) && got > 0) {
    bytes->add(block, got);
  }
  in->dispose();
  return opened && static_cast<int64_t>(bytes->getCount()) >= size;
}

bool PathWin::writeBytes(const col::_array::ArrayU08* bytes, bool append) {
  createParentDirectories();
  FileOutputStream* out = FileOutputStream::take();
  if (out == nullptr) {
    return false;
  }
  bool ok = out->open(m_fullPath->getCStr(), append);
  uint32_t written = 0;
  ok = ok && (bytes->getCount() == 0 || out->write(bytes->getItems(), bytes->getCount(), &written));
  ok = out->close() && ok;
  out->dispose();
  m_statusRead = m_attributesRead = false;
  return ok;
}

bool PathWin::writeText(const StrBuffer* text, bool append) {
  Pooled<col::_array::ArrayU08> bytes(text->encodeUtf8(nullptr, false));
  return writeBytes(bytes.get(), append);
}

PathWin* newTempFilePath() {
  WCHAR folder[780];
  WCHAR name[780];
  const DWORD length = GetTempPathW(780, folder);
  if (length == 0 || length >= 780 || GetTempFileNameW(folder, u"NEW", 0, name) == 0) {
    return PathWin::take();
  }
  return PathWin::newFromText(name);
}

}  // namespace s::file::win
