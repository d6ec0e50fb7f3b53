// The stream that reads a file.
#include "core/file/win/FileInputStream.h"

namespace s::file::win {

bool FileInputStream::open(const WCHAR* pathText) {
  resetStream();
  return m_file.open(pathText, GENERIC_READ, OPEN_EXISTING,
                     FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL);
}

void FileInputStream::resetStream() {
  m_file.close();
  m_file.setPosition(0);
}

}  // namespace s::file::win
