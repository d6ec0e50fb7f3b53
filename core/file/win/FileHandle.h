// An open platform file and the byte position the file streams keep over it.
#pragma once

#include <windows.h>

#include <cstdint>

namespace s::file::win {

/// The handle of an open file (null when closed) and the stream position. Reads and the
/// pointer moves that both file streams share live here. A move that the platform refuses
/// leaves the position as it was; the moves that answer a position then answer -1.
/// Not locked: one thread at a time.
class FileHandle {
 public:
  FileHandle() = default;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { close(); }

  /// Opens `pathText` through its working form (the long form of long paths); false when the
  /// platform refuses, with the handle left null.
  bool open(const WCHAR* pathText, DWORD access, DWORD disposition, DWORD flags);
  /// Closes the handle when one is open (the position is kept); false when closing failed.
  bool close();
  bool isOpen() const { return m_handle != nullptr; }
  HANDLE get() const { return m_handle; }

  int64_t getPosition() const { return m_position; }
  void setPosition(int64_t position) { m_position = position; }
  /// Moves the position over bytes that went somewhere else (into a write buffer).
  void advance(uint32_t n) { m_position += n; }

  /// At most `size` bytes; true when at least one was read. The end of the file and errors
  /// give false with a count of 0.
  bool read(void* buffer, uint32_t size, uint32_t* got);
  bool rewind() { return move(0, FILE_BEGIN); }
  int64_t seekToEnd() { return move(0, FILE_END) ? m_position : -1; }
  /// Nothing (and true) when `position` is the position already.
  bool seek(int64_t position) { return position == m_position || move(position, FILE_BEGIN); }
  int64_t seekFromEnd(int64_t distance) { return move(-distance, FILE_END) ? m_position : -1; }
  /// Nothing (and true) for n = 0.
  bool skip(int64_t n) { return n == 0 || move(n, FILE_CURRENT); }
  bool skipBack(int64_t n) { return n == 0 || move(-n, FILE_CURRENT); }

 private:
  /// Moves the file pointer; on success the position is the new pointer.
  bool move(int64_t distance, DWORD method);

  HANDLE m_handle = nullptr;
  int64_t m_position = 0;
};

}  // namespace s::file::win
