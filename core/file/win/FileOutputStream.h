// The stream that writes a file through a buffer.
#pragma once

#include "core/base/IObject.h"
#include "core/file/IFileOutputStream.h"
#include "core/file/win/FileHandle.h"
#include "core/io/IInputStream.h"
#include "core/thread/ClassTail.h"

#include <cstdint>
#include <string>

namespace s::file::win {

/// Writes a file through a buffer of 65,536 bytes, which goes to the file only when it is full
/// and more must go in, or on `flush`, a move, or `close`; `getPosition` counts the buffered
/// bytes. It is also an input stream over the same file and position.
///
/// Failures are sticky: once writing the buffer out has failed (a full disk, a short write),
/// every later write, flush and move fails, the position stays where it was, and `close`
/// answers false. So buffered bytes never land at a position they were not written for, and a
/// file that did not get all its bytes is never taken for a written one. `resetStream` (and
/// `open`) start afresh.
///
/// A stream whose `open` failed (or that is closed) fails every read, write and flush. Pooled
/// (capacity 1000): the pool's reset writes out and closes a file still open; `dispose` closes
/// and gives the stream back. One thread at a time.
class FileOutputStream final : public IFileOutputStream,
                               public io::IInputStream,
                               public base::IObject {
  S_POOLED_CLASS(FileOutputStream, u"s_file_win_FileOutputStream")

  /// Bytes of the write buffer.
  static constexpr uint32_t kBufferSize = 0x10000;

  FileOutputStream() = default;
  ~FileOutputStream() override;

  /// Opens the file named by `pathText` for writing (and reading): at its end when `append`,
  /// else emptied; created when missing. False when it cannot be opened.
  bool open(const WCHAR* pathText, bool append);
  /// Opens a new file that is to take the name `pathText` (in the program's path form) once
  /// `publish` succeeds. Until then it has no name in that folder, so no one takes it for a
  /// written file and no way the stream or the process ends leaves it behind. False when it
  /// cannot be made, or when a file of that name exists already.
  bool openNew(const WCHAR* pathText);
  /// Finishes a stream of `openNew`: writes the buffer out, makes the system write the file to
  /// its disk, gives the file its name and closes it, so the name appears on a whole file.
  /// A file already under the name stays, and the call fails, unless `replace`. False (with
  /// the last error set) when any of it failed; the file is gone then. `close` instead
  /// discards a new file: it never takes its name.
  bool publish(bool replace);

  void reset() override { resetStream(); }
  /// Reads from the file at the position, after writing the buffer out (bytes buffered before
  /// the read are in the file when it reads).
  bool read(void* buffer, uint32_t size, uint32_t* got) override;
  /// Takes the bytes into the buffer, writing it out whenever it is full and more must go in.
  /// When a write-out fails, the count is what of this call's bytes reached the file (the
  /// buffered bytes of earlier calls go out ahead of them), as the rest never will.
  bool write(const void* data, uint32_t size, uint32_t* written) override;
  /// Writes the buffer out and makes the system write the file to its disk.
  bool flush() override;
  /// Ends the file at the position (after a flush); nothing after a failure.
  void truncate() override;
  /// Flushes and closes; false when any byte written did not reach the file, and for a new
  /// file that was not published (which is gone).
  bool close() override;
  int64_t getPosition() override { return m_file.getPosition(); }
  bool isSeekable() override { return true; }
  bool rewind() override { return writeOut() && m_file.rewind(); }
  int64_t seekToEnd() override { return writeOut() ? m_file.seekToEnd() : -1; }
  bool seek(int64_t position) override;
  int64_t seekFromEnd(int64_t distance) override {
    return writeOut() ? m_file.seekFromEnd(distance) : -1;
  }
  bool skip(int64_t n) override { return n == 0 || (writeOut() && m_file.skip(n)); }
  bool skipBack(int64_t n) override { return n == 0 || (writeOut() && m_file.skipBack(n)); }
  void resetStream() override;
  void dispose() override;

  /// Whether writing out has failed since the stream was opened.
  bool hasFailed() const { return m_failed; }

 private:
  /// Writes the buffered bytes to the file. False without a handle and after any failure;
  /// `*reached` (when not null) receives how many of them reached the file, all or part.
  bool writeOut(uint32_t* reached = nullptr);

  /// Opens the buffer over a file `m_file` has opened.
  bool startBuffer();
  /// Closes the file (a new one without its name is gone then), after writing it out and to
  /// its disk when `flushFirst`; false when a byte written did not reach it.
  bool closeFile(bool flushFirst);

  FileHandle m_file;
  unsigned char* m_buffer = nullptr;
  uint32_t m_buffered = 0;
  bool m_failed = false;
  /// The name a new file of `openNew` takes when published; empty for every other file.
  std::u16string m_newName;
};

}  // namespace s::file::win
