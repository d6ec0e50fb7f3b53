// The path's file operations: creating, removing, copying, moving and renaming, file times, and
// the streams and whole-file calls on a path.
#include "core/file/win/PathWin.h"

#include "core/thread/Pooled.h"

#include <windows.h>
#include <crtfile.h>
#include <shlobj.h>

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
