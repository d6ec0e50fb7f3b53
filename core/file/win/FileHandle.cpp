// The open file under the file streams.
#include "core/file/win/FileHandle.h"

#include "core/file/win/PathWin.h"

namespace s::file::win {

bool FileHandle::open(const WCHAR* pathText, DWORD access, DWORD disposition, DWORD flags) {
  PathWin* path = PathWin::newFromText(pathText);
  HANDLE handle = path->isValid()
                      ? CreateFileW(path->getLongPath(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, disposition, flags, nullptr)
                      : INVALID_HANDLE_VALUE;
  path->release();
  if (handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  m_handle = handle;
  return true;
}

bool FileHandle::close() {
  if (m_handle == nullptr) {
    return true;
  }
  const bool closed = CloseHandle(m_handle) != FALSE;
  m_handle = nullptr;
  return closed;
}

bool FileHandle::read(void* buffer, uint32_t size, uint32_t* got) {
  DWORD done = 0;
  const bool ok =
      m_handle != nullptr && ReadFile(m_handle, buffer, size, &done, nullptr) && done > 0;
  if (ok) {
    m_position += done;
  }
  if (got != nullptr) {
    *got = ok ? done : 0;
  }
  return ok;
}

bool FileHandle::move(int64_t distance, DWORD method) {
  if (m_handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  LARGE_INTEGER to;
  LARGE_INTEGER now;
  to.QuadPart = distance;
  if (!SetFilePointerEx(m_handle, to, &now, method)) {
    return false;
  }
  m_position = now.QuadPart;
  return true;
}

}  // namespace s::file::win
