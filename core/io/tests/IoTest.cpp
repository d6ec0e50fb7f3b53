// Whole-buffer reads and writes, little-endian integers and stream copies, over a stream that
// moves only a few bytes per call.
#include "core/io/Io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// A memory stream that reads and writes at most `chunk` bytes per call and counts the calls;
// writes fail once `capacity` bytes are held.
class TrickleStream final : public s::io::IInputStream, public s::io::IOutputStream {
 public:
  explicit TrickleStream(uint32_t chunk, std::string data = {}, size_t capacity = SIZE_MAX)
      : m_chunk(chunk), m_capacity(capacity), m_data(std::move(data)) {}

  bool read(void* buffer, uint32_t size, uint32_t* got) override {
    ++reads;
    uint32_t n =
        static_cast<uint32_t>(std::min<size_t>({size, m_chunk, m_data.size() - m_position}));
    std::memcpy(buffer, m_data.data() + m_position, n);
    m_position += n;
    if (got != nullptr) *got = n;
    return n > 0;
  }
  bool write(const void* data, uint32_t size, uint32_t* written) override {
    ++writes;
    uint32_t n = std::min(size, m_chunk);
    if (m_data.size() + n > m_capacity) return false;
    m_data.append(static_cast<const char*>(data), n);
    if (written != nullptr) *written = n;
    return true;
  }
  bool flush() override { return true; }
  void truncate() override {}
  bool close() override { return true; }
  int64_t getPosition() override { return static_cast<int64_t>(m_position); }
  bool isSeekable() override { return false; }
  bool rewind() override { return false; }
  int64_t seekToEnd() override { return -1; }
  bool seek(int64_t) override { return false; }
  int64_t seekFromEnd(int64_t) override { return -1; }
  bool skip(int64_t) override { return false; }
  bool skipBack(int64_t) override { return false; }
  void resetStream() override {}
  void dispose() override {}
  void release() override {}
  void reset() override {}

  const std::string& data() const { return m_data; }
  int reads = 0;
  int writes = 0;

 private:
  uint32_t m_chunk;
  size_t m_capacity;
  std::string m_data;
  size_t m_position = 0;
};

}  // namespace

TEST(StreamIo, FullReadsAndWritesLoopOverShortCalls) {
  TrickleStream in(3, "abcdefghij");
  char buffer[8];
  EXPECT_TRUE(s::io::readFully(&in, buffer, 0));
  EXPECT_EQ(in.reads, 0) << "nothing to read, no call";
  ASSERT_TRUE(s::io::readFully(&in, buffer, 8));
  EXPECT_EQ(std::string(buffer, 8), "abcdefgh");
  EXPECT_EQ(in.reads, 3);
  EXPECT_FALSE(s::io::readFully(&in, buffer, 4)) << "only two bytes are left";

  TrickleStream out(2);
  ASSERT_TRUE(s::io::writeFully(&out, "12345", 5));
  EXPECT_EQ(out.writes, 3);
  TrickleStream full(4, "", 6);
  EXPECT_FALSE(s::io::writeFully(&full, "12345678", 8));
}

TEST(StreamIo, IntegersAreLittleEndian) {
  TrickleStream out(1);
  ASSERT_TRUE(s::io::writeInt8(&out, 0x1FF));
  ASSERT_TRUE(s::io::writeInt16(&out, 0x1234));
  ASSERT_TRUE(s::io::writeInt32(&out, 0xA1B2C3D4));
  EXPECT_EQ(out.data(), std::string("\xFF\x34\x12\xD4\xC3\xB2\xA1", 7));
}

TEST(StreamIo, CopiesRunToTheEndOfTheInput) {
  std::string data(5000, 0);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31);
  TrickleStream in(700, data);
  TrickleStream out(300);
  EXPECT_TRUE(in.copyTo(&out));
  EXPECT_EQ(out.data(), data);

  TrickleStream empty(10);
  TrickleStream target(10);
  EXPECT_TRUE(target.copyFrom(&empty));
  EXPECT_EQ(target.writes, 0);

  TrickleStream source(10, data);
  TrickleStream small(10, "", 100);
  EXPECT_FALSE(source.copyTo(&small)) << "a write that fails ends the copy";
  EXPECT_EQ(small.data(), data.substr(0, 100));
}
