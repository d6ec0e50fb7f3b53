// The stream that writes a file through a buffer.
#include "core/file/win/FileOutputStream.h"

#include "core/file/win/PathWin.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

namespace s::file::win {

FileOutputStream::~FileOutputStream() { resetStream(); }

bool FileOutputStream::open(const WCHAR* pathText, bool append) {
  resetStream();
  if (!m_file.open(pathText, GENERIC_READ | GENERIC_WRITE, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                   FILE_ATTRIBUTE_NORMAL)) {
    return false;
  }
  if (!startBuffer() || (append && m_file.seekToEnd() < 0)) {
    resetStream();
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  return true;
}

bool FileOutputStream::openNew(const WCHAR* pathText) {
  resetStream();
  PathWin* path = PathWin::newFromText(pathText);
  const bool valid = path != nullptr && path->isValid();
  if (valid) {
    m_newName = path->getLongPath();
  }
  if (path != nullptr) {
    path->release();
  }
  // A temporary file to be deleted on close has no name until it is given one, and goes with
  // the handle, or with the process, until then.
  if (!valid || !m_file.open(m_newName.c_str(), GENERIC_READ | GENERIC_WRITE, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE)) {
    m_newName.clear();
    return false;
  }
  if (!startBuffer()) {
    resetStream();
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  return true;
}

bool FileOutputStream::startBuffer() {
  m_buffer = new (std::nothrow) unsigned char[kBufferSize];
  return m_buffer != nullptr;
}

bool FileOutputStream::publish(bool replace) {
  if (m_newName.empty() || !m_file.isOpen()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  bool named = flush();
  if (named) {
    const size_t bytes = m_newName.size() * sizeof(WCHAR);
    std::vector<unsigned char> record(offsetof(FILE_RENAME_INFO, FileName) + bytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(record.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(bytes);
    std::memcpy(rename->FileName, m_newName.data(), bytes);
    named = SetFileInformationByHandle(m_file.get(), FileRenameInfo, rename,
                                       static_cast<DWORD>(record.size())) != FALSE;
  }
  const DWORD error = GetLastError();
  // Written out and on the disk already; a handle closed without a name takes the file along.
  const bool closed = closeFile(false);
  SetLastError(error);
  return named && closed;
}

bool FileOutputStream::writeOut(uint32_t* reached) {
  if (reached != nullptr) {
    *reached = 0;
  }
  if (!m_file.isOpen() || m_failed) {
    return false;
  }
  if (m_buffered == 0) {
    return true;
  }
  DWORD done = 0;
  const bool whole =
      WriteFile(m_file.get(), m_buffer, m_buffered, &done, nullptr) && done == m_buffered;
  if (reached != nullptr) {
    *reached = std::min<uint32_t>(done, m_buffered);
  }
  if (!whole) {
    // Part of the buffer may be in the file now: writing it again, or anywhere else, would
    // put bytes where they do not belong. The stream stays failed.
    m_failed = true;
    return false;
  }
  m_buffered = 0;
  return true;
}

bool FileOutputStream::write(const void* data, uint32_t size, uint32_t* written) {
  if (!m_file.isOpen() || m_failed) {
    if (written != nullptr) {
      *written = 0;
    }
    return false;
  }
  const auto* bytes = static_cast<const unsigned char*>(data);
  uint32_t left = size;
  // The buffered bytes of earlier calls, which go out ahead of this call's, and this call's
  // bytes that are in the file.
  uint32_t earlier = m_buffered;
  uint32_t stored = 0;
  while (left != 0) {
    const uint32_t room = kBufferSize - m_buffered;
    const uint32_t n = left < room ? left : room;
    std::memcpy(m_buffer + m_buffered, bytes, n);
    m_buffered += n;
    bytes += n;
    left -= n;
    if (left != 0) {
      const uint32_t buffered = m_buffered;
      uint32_t reached = 0;
      if (!writeOut(&reached)) {
        // The stream has failed for good, so what stays in the buffer never reaches the file:
        // only this call's bytes that did are written.
        if (written != nullptr) {
          *written = stored + (reached > earlier ? reached - earlier : 0);
        }
        return false;
      }
      stored += buffered - earlier;
      earlier = 0;
    }
  }
  m_file.advance(size);
  if (written != nullptr) {
    *written = size;
  }
  return true;
}

bool FileOutputStream::read(void* buffer, uint32_t size, uint32_t* got) {
  // Reading first moves the file pointer: bytes still buffered would land behind the read.
  if (!writeOut()) {
    if (got != nullptr) {
      *got = 0;
    }
    return false;
  }
  return m_file.read(buffer, size, got);
}

bool FileOutputStream::flush() { return writeOut() && FlushFileBuffers(m_file.get()); }

void FileOutputStream::truncate() {
  if (m_file.isOpen() && flush()) {
    SetEndOfFile(m_file.get());
  }
}

bool FileOutputStream::seek(int64_t position) {
  return position == m_file.getPosition() || (writeOut() && m_file.seek(position));
}

bool FileOutputStream::close() {
  // A new file that was not published was not written: closing its handle removes it, and
  // none of it needs to reach the disk.
  const bool discarded = !m_newName.empty();
  return closeFile(!discarded) && !discarded;
}

bool FileOutputStream::closeFile(bool flushFirst) {
  m_newName.clear();
  bool complete = !m_failed;
  if (m_file.isOpen()) {
    if (flushFirst) {
      // A failed final flush is an error: a truncated file is not a written file.
      complete = flush();
    }
    complete = m_file.close() && complete;
  }
  delete[] m_buffer;
  m_buffer = nullptr;
  m_buffered = 0;
  return complete;
}

void FileOutputStream::resetStream() {
  close();
  m_file.setPosition(0);
  m_failed = false;
}

void FileOutputStream::dispose() {
  close();
  release();
}

}  // namespace s::file::win
