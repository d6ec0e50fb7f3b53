// The stream that reads a file.
#pragma once

#include "core/base/IObject.h"
#include "core/file/IFileInputStream.h"
#include "core/file/win/FileHandle.h"
#include "core/thread/ClassTail.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace s::file::win {

/// Reads a file without a buffer of its own: callers read in blocks. Opened for sequential
/// reading, sharing reads and writes with other openers.
///
/// A stream whose `open` failed (or that is closed) fails every read with a count of 0, and its
/// moves fail and leave the position alone. `close` keeps the position; `resetStream` also sets
/// it to 0. Pooled (capacity 1000): the pool's reset closes a file still open; `dispose` gives
/// the stream back. One thread at a time.
class FileInputStream final : public IFileInputStream, public base::IObject {
  S_POOLED_CLASS(FileInputStream, u"s_file_win_FileInputStream")

  FileInputStream() = default;
  ~FileInputStream() override = default;

  /// Opens the file named by `pathText` (the program's path form); false when it cannot be
  /// opened for reading.
  bool open(const WCHAR* pathText);
  /// Whether the file is still as it was opened: its path names this very file, of the size
  /// and last write time it had then. False for a file that shrank, grew or was written to,
  /// removed or replaced since, and for a stream that is not open. A reader that met its end
  /// early cannot tell a cut file from one cut while it read; this can.
  bool isAsOpened();

  void reset() override { resetStream(); }
  bool read(void* buffer, uint32_t size, uint32_t* got) override {
    return m_file.read(buffer, size, got);
  }
  bool close() override { return m_file.close(); }
  int64_t getPosition() override { return m_file.getPosition(); }
  bool isSeekable() override { return true; }
  bool rewind() override { return m_file.rewind(); }
  int64_t seekToEnd() override { return m_file.seekToEnd(); }
  bool seek(int64_t position) override { return m_file.seek(position); }
  int64_t seekFromEnd(int64_t distance) override { return m_file.seekFromEnd(distance); }
  bool skip(int64_t n) override { return m_file.skip(n); }
  bool skipBack(int64_t n) override { return m_file.skipBack(n); }
  void resetStream() override;
  void dispose() override { release(); }

 private:
  FileHandle m_file;
  /// What the file was when opened; the path in its working form.
  std::u16string m_path;
  BY_HANDLE_FILE_INFORMATION m_opened{};
};

}  // namespace s::file::win
