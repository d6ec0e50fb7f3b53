// The stream that reads a file.
#include "core/file/win/FileInputStream.h"

namespace s::file::win {

namespace {

bool isSameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

bool FileInputStream::open(const WCHAR* pathText) {
  resetStream();
  if (!m_file.open(pathText, GENERIC_READ, OPEN_EXISTING,
                   FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL)) {
    return false;
  }
  m_path = pathText;
  if (!GetFileInformationByHandle(m_file.get(), &m_opened)) {
    m_opened = BY_HANDLE_FILE_INFORMATION{};
  }
  return true;
}

bool FileInputStream::isAsOpened() {
  BY_HANDLE_FILE_INFORMATION now{};
  if (!m_file.isOpen() || !GetFileInformationByHandle(m_file.get(), &now)) {
    return false;
  }
  const bool unchanged =
      now.nFileSizeHigh == m_opened.nFileSizeHigh && now.nFileSizeLow == m_opened.nFileSizeLow &&
      now.ftLastWriteTime.dwLowDateTime == m_opened.ftLastWriteTime.dwLowDateTime &&
      now.ftLastWriteTime.dwHighDateTime == m_opened.ftLastWriteTime.dwHighDateTime;
  // The name must still lead to it: a file removed or replaced while it was read is gone for
  // the user, whatever the open handle still reads.
  FileHandle named;
  BY_HANDLE_FILE_INFORMATION found{};
  return unchanged && named.open(m_path.c_str(), 0, OPEN_EXISTING, 0) &&
         GetFileInformationByHandle(named.get(), &found) && isSameFile(found, m_opened);
}

void FileInputStream::resetStream() {
  m_file.close();
  m_file.setPosition(0);
  m_path.clear();
}

}  // namespace s::file::win
