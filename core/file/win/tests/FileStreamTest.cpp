// The file streams on real temporary files: buffering, moves, truncation, the input view of
// the output stream, and writes that fail half-way (through the layer's WriteFile seam).
#include "core/file/win/FileInputStream.h"
#include "core/file/win/FileOutputStream.h"
#include "core/io/Io.h"

#include "core/file/win/tests/TempFolder.h"

#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using s::file::win::FileInputStream;
using s::file::win::FileOutputStream;

// Counts WriteFile calls and their sizes; from a given byte on, writes stop short and fail,
// as on a full disk.
struct WriteRecorder {
  static inline std::vector<DWORD> sizes;
  static inline uint64_t written = 0;
  static inline uint64_t failFrom = UINT64_MAX;
  static inline winapi::seam::WriteFileFunction real = nullptr;

  static BOOL WINAPI writeFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD done,
                               LPOVERLAPPED overlapped) {
    sizes.push_back(size);
    if (written + size <= failFrom) {
      written += size;
      return real(file, data, size, done, overlapped);
    }
    // Only the bytes below the limit reach the file.
    DWORD part = static_cast<DWORD>(failFrom - written);
    DWORD partDone = 0;
    if (part != 0) real(file, data, part, &partDone, overlapped);
    written += partDone;
    if (done != nullptr) *done = partDone;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
};

class FileStreams : public s::testing::TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    WriteRecorder::sizes.clear();
    WriteRecorder::written = 0;
    WriteRecorder::failFrom = UINT64_MAX;
    WriteRecorder::real = winapi::seam::replaceWriteFile(&WriteRecorder::writeFile);
  }
  void TearDown() override {
    winapi::seam::replaceWriteFile(nullptr);
    TempFolder::TearDown();
  }

  FileOutputStream* openOutput(const std::string& name, bool append) {
    FileOutputStream* out = FileOutputStream::take();
    EXPECT_TRUE(out->open(at(name).c_str(), append));
    return out;
  }
  FileInputStream* openInput(const std::string& name) {
    FileInputStream* in = FileInputStream::take();
    EXPECT_TRUE(in->open(at(name).c_str()));
    return in;
  }
};

std::string pattern(size_t n, char seed = 0) {
  std::string out(n, 0);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(seed + i * 7 + i / 251);
  return out;
}

}  // namespace

TEST_F(FileStreams, WritesGoOutInWholeBuffers) {
  FileOutputStream* out = openOutput("big.bin", false);
  std::string data = pattern(70000);
  uint32_t written = 0;
  ASSERT_TRUE(out->write(data.data(), 70000, &written));
  EXPECT_EQ(written, 70000u);
  EXPECT_EQ(out->getPosition(), 70000);
  EXPECT_EQ(WriteRecorder::sizes, std::vector<DWORD>{65536}) << "one full buffer, 4464 bytes kept";
  EXPECT_TRUE(out->seek(70000)) << "a move to the position is no move";
  EXPECT_EQ(WriteRecorder::sizes.size(), 1u);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(s::io::writeInt32(out, 0x01020304));
  EXPECT_EQ(WriteRecorder::sizes.size(), 1u) << "small writes stay in the buffer";
  EXPECT_TRUE(out->close());
  EXPECT_EQ(WriteRecorder::sizes, (std::vector<DWORD>{65536, 4864}));
  EXPECT_EQ(readFile("big.bin").substr(0, 70000), data);
  EXPECT_EQ(readFile("big.bin").size(), 70400u);
  out->dispose();
}

TEST_F(FileStreams, MovesWriteTheBufferOutFirst) {
  FileOutputStream* out = openOutput("header.bin", false);
  ASSERT_TRUE(s::io::writeFully(out, "RIFF....WAVEdata", 16));
  ASSERT_TRUE(s::io::writeFully(out, "samples", 7));
  ASSERT_TRUE(out->seek(4));
  EXPECT_EQ(out->getPosition(), 4);
  ASSERT_TRUE(s::io::writeInt32(out, 0x44332211));
  EXPECT_EQ(out->seekToEnd(), 23);
  ASSERT_TRUE(s::io::writeInt16(out, 0x1234));
  EXPECT_TRUE(out->skipBack(2));
  EXPECT_TRUE(out->skip(1));
  EXPECT_TRUE(s::io::writeInt8(out, 0xAB));
  EXPECT_EQ(out->seekFromEnd(0), 25);
  EXPECT_TRUE(out->rewind());
  EXPECT_EQ(out->getPosition(), 0);
  EXPECT_TRUE(out->close());
  EXPECT_EQ(readFile("header.bin"), std::string("RIFF\x11\x22\x33\x44WAVEdatasamples\x34\xAB", 25));
  out->release();
}

TEST_F(FileStreams, OpeningForOutputAppendsOrEmpties) {
  writeFile("ten.bin", "0123456789");
  FileOutputStream* out = openOutput("ten.bin", true);
  EXPECT_EQ(out->getPosition(), 10);
  ASSERT_TRUE(s::io::writeFully(out, "ab", 2));
  EXPECT_TRUE(out->close());
  EXPECT_EQ(readFile("ten.bin"), "0123456789ab");
  ASSERT_TRUE(out->open(at("ten.bin").c_str(), false));
  EXPECT_EQ(out->getPosition(), 0);
  EXPECT_TRUE(out->close());
  EXPECT_EQ(readFile("ten.bin"), "");
  EXPECT_TRUE(out->open(at("new/sub.bin").c_str(), false) == false)
      << "missing folders are not made here";
  out->dispose();
}

TEST_F(FileStreams, TruncateEndsTheFileAtThePosition) {
  FileOutputStream* out = openOutput("cut.bin", false);
  std::string data = pattern(100);
  ASSERT_TRUE(s::io::writeFully(out, data.data(), 100));
  ASSERT_TRUE(out->seek(40));
  out->truncate();
  EXPECT_EQ(out->getPosition(), 40);
  ASSERT_TRUE(s::io::writeFully(out, "end", 3));
  EXPECT_TRUE(out->close());
  EXPECT_EQ(readFile("cut.bin"), data.substr(0, 40) + "end");
  out->release();
}

TEST_F(FileStreams, ReadingThroughTheOutputKeepsBufferedBytesInPlace) {
  writeFile("rw.bin", "0123456789");
  FileOutputStream* out = openOutput("rw.bin", true);
  s::io::IInputStream* view = out;
  ASSERT_TRUE(out->rewind());
  char four[4];
  ASSERT_TRUE(s::io::readFully(view, four, 4));
  EXPECT_EQ(std::string(four, 4), "0123");
  ASSERT_TRUE(s::io::writeFully(out, "XY", 2));  // buffered, for offset 4
  char two[2];
  ASSERT_TRUE(s::io::readFully(view, two, 2));
  EXPECT_EQ(std::string(two, 2), "67") << "the read comes after the buffered bytes";
  EXPECT_EQ(out->getPosition(), 8);
  EXPECT_TRUE(out->close());
  EXPECT_EQ(readFile("rw.bin"), "0123XY6789");
  out->release();
}

TEST_F(FileStreams, FailedWriteOutIsStickyAndNeverMovesBytes) {
  // A WAV writer's road: the header, then audio; the disk fills after the first buffer, and the
  // writer seeks back to rewrite the header. The seek must fail, not carry the buffered tail
  // to offset 0.
  FileOutputStream* out = openOutput("song.wav", false);
  std::string header = "RIFF" + std::string(40, 'h');
  std::string audio = pattern(70000, 3);
  ASSERT_TRUE(s::io::writeFully(out, header.data(), 44));
  ASSERT_TRUE(s::io::writeFully(out, audio.data(), 70000));
  WriteRecorder::failFrom = WriteRecorder::written;  // the disk is full now
  EXPECT_FALSE(out->seek(0));
  EXPECT_EQ(out->getPosition(), 70044) << "the position stays";
  EXPECT_TRUE(out->hasFailed());
  EXPECT_FALSE(out->rewind());
  EXPECT_EQ(out->seekToEnd(), -1);
  EXPECT_FALSE(s::io::writeFully(out, "RIFF", 4));
  EXPECT_FALSE(out->flush());
  WriteRecorder::failFrom = UINT64_MAX;  // space again: the stream stays failed all the same
  EXPECT_FALSE(s::io::writeFully(out, "RIFF", 4));
  EXPECT_FALSE(out->close()) << "a file that lost bytes is not written";
  std::string onDisk = readFile("song.wav");
  ASSERT_EQ(onDisk.size(), 65536u);
  EXPECT_EQ(onDisk, (header + audio).substr(0, 65536)) << "the header was not overwritten";
  out->resetStream();
  EXPECT_FALSE(out->hasFailed());
  ASSERT_TRUE(out->open(at("again.bin").c_str(), false));
  EXPECT_TRUE(s::io::writeFully(out, "ok", 2));
  EXPECT_TRUE(out->close());
  out->release();
}

TEST_F(FileStreams, ShortWriteCountsTheCallsBytesThatReachedTheFile) {
  const std::string data = pattern(200000);
  const std::string earlier = pattern(10000, 4);
  struct Case {
    const char* what;
    uint32_t buffered;  // bytes of an earlier call still in the buffer
    uint64_t failFrom;
    uint32_t size;
    uint32_t count;
  };
  const Case cases[] = {
      {"the first write-out stops part-way", 0, 1000, 100000, 1000},
      // 55,536 of this call fill the first buffer behind the earlier 10,000 and go out whole;
      // of the next buffer 10,500 bytes reach the file.
      {"a later write-out stops part-way", 10000, 10000 + 65536 + 500, 200000, 55536 + 10500},
      {"the earlier bytes do not all get out", 10000, 5000, 100000, 0},
  };
  for (const Case& c : cases) {
    WriteRecorder::failFrom = UINT64_MAX;
    WriteRecorder::written = 0;
    FileOutputStream* out = openOutput("half.bin", false);
    ASSERT_TRUE(s::io::writeFully(out, earlier.data(), c.buffered)) << c.what;
    WriteRecorder::failFrom = c.failFrom;
    uint32_t written = 12345;
    EXPECT_FALSE(out->write(data.data(), c.size, &written)) << c.what;
    EXPECT_EQ(written, c.count) << c.what;
    EXPECT_EQ(out->getPosition(), c.buffered) << c.what << ": a failed write does not move";
    EXPECT_FALSE(out->close()) << c.what;
    const std::string expected = earlier.substr(0, c.buffered) + data.substr(0, c.count);
    EXPECT_EQ(readFile("half.bin"), expected.substr(0, c.failFrom)) << c.what;
    out->release();
  }
}

TEST_F(FileStreams, FullDeviceFailsTheWriteWithItsCount) {
  // /dev/full refuses every write with "no space left", as a full file system does.
  FileOutputStream* out = FileOutputStream::take();
  ASSERT_TRUE(out->open(u"Z:\\dev\\full", false));
  const std::string data = pattern(100000);
  uint32_t written = 12345;
  EXPECT_FALSE(out->write(data.data(), 100000, &written));
  EXPECT_EQ(written, 0u) << "none of it reached the device";
  EXPECT_TRUE(out->hasFailed());
  EXPECT_FALSE(out->write(data.data(), 10, &written));
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(out->close());
  out->release();
}

TEST_F(FileStreams, FailedFinalFlushFailsTheClose) {
  FileOutputStream* out = openOutput("tail.bin", false);
  ASSERT_TRUE(s::io::writeFully(out, "buffered only", 13));
  WriteRecorder::failFrom = 0;
  EXPECT_FALSE(out->close());
  EXPECT_EQ(readFile("tail.bin"), "");
  out->release();
}

TEST_F(FileStreams, InputReadsMovesAndEnds) {
  std::string data = pattern(3000, 9);
  writeFile("in.bin", data);
  FileInputStream* in = openInput("in.bin");
  char buffer[4096];
  uint32_t got = 0;
  ASSERT_TRUE(in->read(buffer, 1000, &got));
  EXPECT_EQ(got, 1000u);
  EXPECT_EQ(in->getPosition(), 1000);
  EXPECT_EQ(in->seekToEnd(), 3000);
  EXPECT_FALSE(in->read(buffer, 10, &got)) << "the end";
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(in->seekFromEnd(10), 2990);
  ASSERT_TRUE(in->read(buffer, 4096, &got));
  EXPECT_EQ(std::string(buffer, got), data.substr(2990));
  EXPECT_TRUE(in->skipBack(20));
  EXPECT_TRUE(in->skip(5));
  EXPECT_EQ(in->getPosition(), 2985);
  EXPECT_TRUE(in->seek(7));
  ASSERT_TRUE(s::io::readFully(in, buffer, 3));
  EXPECT_EQ(std::string(buffer, 3), data.substr(7, 3));
  EXPECT_TRUE(in->close());
  EXPECT_EQ(in->getPosition(), 10) << "closing keeps the position";
  EXPECT_FALSE(in->read(buffer, 1, &got));
  in->resetStream();
  EXPECT_EQ(in->getPosition(), 0);
  in->dispose();
}

TEST_F(FileStreams, MissingFileLeavesAUsableClosedStream) {
  FileInputStream* in = FileInputStream::take();
  EXPECT_FALSE(in->open(at("missing.bin").c_str()));
  char byte;
  uint32_t got = 99;
  EXPECT_FALSE(in->read(&byte, 1, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_FALSE(in->seek(5));
  EXPECT_EQ(in->seekToEnd(), -1);
  EXPECT_EQ(in->getPosition(), 0) << "a stream without a file does not move";
  EXPECT_TRUE(in->close());
  in->dispose();

  FileOutputStream* out = FileOutputStream::take();
  EXPECT_FALSE(out->open(u"", false));
  EXPECT_FALSE(out->write("x", 1, nullptr));
  EXPECT_FALSE(out->flush());
  out->release();
}

TEST_F(FileStreams, CopiesBetweenStreams) {
  std::string data = pattern(5000, 1);
  writeFile("source.bin", data);
  writeFile("empty.bin", "");
  FileInputStream* in = openInput("source.bin");
  FileOutputStream* out = openOutput("copy.bin", false);
  ASSERT_TRUE(in->seek(100));
  EXPECT_TRUE(in->copyTo(out));
  EXPECT_TRUE(out->close());
  EXPECT_EQ(readFile("copy.bin"), data.substr(100));

  ASSERT_TRUE(in->open(at("empty.bin").c_str()));
  ASSERT_TRUE(out->open(at("copy2.bin").c_str(), false));
  EXPECT_TRUE(out->copyFrom(in)) << "an empty input copies nothing, successfully";
  EXPECT_EQ(out->getPosition(), 0);
  EXPECT_TRUE(out->close());
  EXPECT_EQ(readFile("copy2.bin"), "");

  ASSERT_TRUE(in->open(at("source.bin").c_str()));
  ASSERT_TRUE(out->open(at("copy3.bin").c_str(), false));
  ASSERT_TRUE(out->close());  // the output can take nothing now
  EXPECT_FALSE(in->copyTo(out));
  in->dispose();
  out->dispose();
}

TEST_F(FileStreams, PoolResetCompletesAnOpenFile) {
  FileOutputStream* out = openOutput("pooled.bin", false);
  ASSERT_TRUE(s::io::writeFully(out, "kept", 4));
  out->release();  // back to the pool, which writes the buffer out and closes
  EXPECT_EQ(readFile("pooled.bin"), "kept");
  FileOutputStream* again = FileOutputStream::take();
  EXPECT_EQ(again->getPosition(), 0);
  EXPECT_FALSE(again->write("x", 1, nullptr)) << "taken closed";
  again->release();
}

TEST_F(FileStreams, NewFilesTakeTheirNameOnlyWhenPublishedWhole) {
  auto names = [&] {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(posix(""))) {
      found.push_back(entry.path().filename());
    }
    return found;
  };
  FileOutputStream* out = FileOutputStream::take();
  ASSERT_TRUE(out->openNew(at("song.wav").c_str()));
  const std::string audio = pattern(100000, 5);
  ASSERT_TRUE(s::io::writeFully(out, audio.data(), 100000));
  ASSERT_TRUE(out->seek(0));
  ASSERT_TRUE(s::io::writeFully(out, "RIFF", 4));
  EXPECT_TRUE(names().empty()) << "nothing under any name while it is written";
  ASSERT_TRUE(out->publish(false));
  EXPECT_EQ(readFile("song.wav"), "RIFF" + audio.substr(4)) << "named with every byte in it";

  // A name taken meanwhile stays the other file's, and the new one is gone.
  ASSERT_TRUE(out->openNew(at("late.wav").c_str()));
  ASSERT_TRUE(s::io::writeFully(out, "new", 3));
  writeFile("late.wav", "theirs");
  EXPECT_FALSE(out->publish(false));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(readFile("late.wav"), "theirs");
  // Asked to, it replaces the file in one step.
  ASSERT_TRUE(out->openNew(at("next.wav").c_str()));
  ASSERT_TRUE(s::io::writeFully(out, "new", 3));
  writeFile("next.wav", "old");
  EXPECT_TRUE(out->publish(true));
  EXPECT_EQ(readFile("next.wav"), "new");
  // Opening again drops the file in hand; an existing name is refused at once.
  ASSERT_TRUE(out->openNew(at("dropped.wav").c_str()));
  EXPECT_TRUE(s::io::writeFully(out, "part", 4));
  EXPECT_FALSE(out->openNew(at("song.wav").c_str()));

  // A failed write-out, or a close instead of a publish, leaves nothing.
  ASSERT_TRUE(out->openNew(at("full.wav").c_str()));
  WriteRecorder::failFrom = WriteRecorder::written + 1000;
  EXPECT_FALSE(s::io::writeFully(out, audio.data(), 100000));
  EXPECT_FALSE(out->publish(false));
  WriteRecorder::failFrom = UINT64_MAX;
  ASSERT_TRUE(out->openNew(at("closed.wav").c_str()));
  ASSERT_TRUE(s::io::writeFully(out, "whole", 5));
  EXPECT_FALSE(out->close()) << "an unpublished file is no written file";
  std::vector<std::string> left = names();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"late.wav", "next.wav", "song.wav"}));
  out->release();
}
