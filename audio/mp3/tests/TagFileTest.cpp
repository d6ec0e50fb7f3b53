// The write-back beneath the song information: placing a tag of another length into a file
// through a temporary file, on files of every layout, keeping the audio, the ID3v1 tag, the file's
// permissions and a symbolic link that names it.
#include "audio/mp3/TagFile.h"

#include "audio/mp3/tests/Mp3Builder.h"
#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using mp3_testing::Bytes;
using s::sound::mp3::TagFile;
namespace fs = std::filesystem;
using mp3_testing::readBytes;
using mp3_testing::writeBytes;

namespace {

// A parseable ID3v2.4 tag of exactly `length` bytes: a title frame and padding.
Bytes tagOfLength(size_t length, char title = 'T') {
  Bytes body = {'T', 'I', 'T', '2', 0, 0, 0, 2, 0, 0, 0, static_cast<uint8_t>(title)};
  body.resize(length - 10, 0);
  return mp3_testing::id3v2(body);
}

// Audio of `length` bytes: 128 kbps frames, the last one cut, so no byte pattern repeats at the
// 102,400-byte copy buffer's edges by accident.
Bytes audioOfLength(size_t length) {
  Bytes audio = mp3_testing::frames(mp3_testing::Header{}, 417, length / 417 + 1);
  for (size_t i = 0; i < audio.size(); ++i) {
    if (audio[i] == 0) audio[i] = static_cast<uint8_t>(i * 13 + 1);
  }
  audio.resize(length);
  return audio;
}

class TagFileWrite : public ::testing::Test {
 protected:
  fs::path put(const std::string& name, const Bytes& bytes) {
    writeBytes(m_temp.file(name), bytes);
    return m_temp.file(name);
  }
  bool open(const std::string& name) { return m_file.open(m_temp.windowsPath(name).c_str(), true); }
  bool noTemporaryFileLeft() const {
    for (const auto& entry : fs::directory_iterator(m_temp.path())) {
      if (entry.path().extension() == ".tmp") return false;
    }
    return true;
  }

  lumetra::testlib::TempDir m_temp;
  TagFile m_file;
};

}  // namespace

TEST_F(TagFileWrite, ATagIsInsertedAtTheStartWhateverTheAudioLength) {
  // Shorter than the copy buffer, an exact multiple of it, and neither.
  for (size_t audioLength : {50000u, 204800u, 300001u}) {
    for (size_t tagLength : {1024u, 2048u, 3072u}) {
      SCOPED_TRACE(testing::Message() << audioLength << " bytes of audio, a tag of " << tagLength);
      const Bytes audio = audioOfLength(audioLength);
      const fs::path path = put("a.mp3", audio);
      ASSERT_TRUE(open("a.mp3"));
      EXPECT_FALSE(m_file.hasId3v2());
      const Bytes tag = tagOfLength(tagLength);
      ASSERT_EQ(
          s::sound::mp3::rewriteId3v2Tag(&m_file, tag.data(), static_cast<int64_t>(tag.size())), 0);
      EXPECT_TRUE(m_file.hasId3v2()) << "the tags are searched again";
      EXPECT_EQ(m_file.getId3v2Area().length, static_cast<int64_t>(tagLength));
      m_file.close();
      EXPECT_EQ(readBytes(path), mp3_testing::join({tag, audio}));
      EXPECT_TRUE(noTemporaryFileLeft());
    }
  }
}

TEST_F(TagFileWrite, AnIdThreeVersionOneOnlyFileTakesATagOfAnyLengthAndKeepsItsTagAtTheEnd) {
  const Bytes audio = audioOfLength(120000);
  for (size_t tagLength : {128u, 1024u}) {
    const fs::path path = put("v1.mp3", mp3_testing::join({audio, mp3_testing::id3v1()}));
    ASSERT_TRUE(open("v1.mp3"));
    ASSERT_TRUE(m_file.hasId3v1());
    const Bytes tag = tagOfLength(tagLength);
    EXPECT_EQ(s::sound::mp3::rewriteId3v2Tag(&m_file, tag.data(), static_cast<int64_t>(tag.size())),
              0)
        << "a tag of " << tagLength << " bytes";
    EXPECT_TRUE(m_file.hasId3v1());
    m_file.close();
    const Bytes written = readBytes(path);
    ASSERT_EQ(written.size(), tagLength + audio.size() + 128);
    EXPECT_EQ(Bytes(written.begin(), written.begin() + static_cast<long>(tagLength)), tag);
    EXPECT_EQ(Bytes(written.begin() + static_cast<long>(tagLength), written.end() - 128), audio);
    EXPECT_EQ(std::string(written.end() - 128, written.end() - 125), "TAG");
  }
}

TEST_F(TagFileWrite, ATagAreaGrowsInPlaceOfTheOldTagAndNeverShrinks) {
  const Bytes audio = audioOfLength(102400);
  const Bytes old = tagOfLength(1024, 'O');
  const fs::path path = put("both.mp3", mp3_testing::join({old, audio, mp3_testing::id3v1()}));
  const Bytes before = readBytes(path);
  ASSERT_TRUE(open("both.mp3"));
  const Bytes same = tagOfLength(1024, 'S');
  const Bytes smaller = tagOfLength(512, 'M');
  EXPECT_EQ(s::sound::mp3::resizeTagArea(&m_file, same.data(), 1024, 0, 1024), -1);
  EXPECT_EQ(s::sound::mp3::resizeTagArea(&m_file, smaller.data(), 512, 0, 1024), -1);
  EXPECT_EQ(s::sound::mp3::rewriteId3v2Tag(&m_file, same.data(), 1024), -1)
      << "an equal length is written in place, not here";
  EXPECT_EQ(readBytes(path), before);

  const Bytes grown = tagOfLength(3072, 'G');
  ASSERT_EQ(s::sound::mp3::rewriteId3v2Tag(&m_file, grown.data(), 3072), 0);
  EXPECT_EQ(m_file.getId3v2Area().length, 3072);
  m_file.close();
  const Bytes written = readBytes(path);
  ASSERT_EQ(written.size(), before.size() + 2048) << "the file grows by exactly the difference";
  EXPECT_EQ(Bytes(written.begin(), written.begin() + 3072), grown);
  EXPECT_EQ(Bytes(written.begin() + 3072, written.end() - 128), audio);
  EXPECT_EQ(std::string(written.end() - 128, written.end() - 125), "TAG");
}

TEST_F(TagFileWrite, TheReplacedFileKeepsItsPermissionsAndALinkStaysALink) {
  const Bytes audio = audioOfLength(60000);
  const fs::path real = put("real.mp3", audio);
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(real, m_temp.file("link.mp3"));
  ASSERT_TRUE(open("link.mp3"));
  const Bytes tag = tagOfLength(1024);
  ASSERT_EQ(s::sound::mp3::rewriteId3v2Tag(&m_file, tag.data(), 1024), 0);
  m_file.close();
  EXPECT_TRUE(fs::is_symlink(m_temp.file("link.mp3")));
  EXPECT_EQ(readBytes(real), mp3_testing::join({tag, audio})) << "the link's target is rewritten";
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(TagFileWrite, AFolderWhereNoFileCanBeMadeRefusesAGrowingTagUnchanged) {
  const fs::path folder = m_temp.file("locked");
  fs::create_directory(folder);
  const fs::path path = folder / "a.mp3";
  const Bytes original = mp3_testing::join({tagOfLength(1024), audioOfLength(5000)});
  writeBytes(path, original);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  {
    std::ofstream probe(folder / "probe");
    if (probe) {
      fs::permissions(folder, fs::perms::owner_all);
      GTEST_SKIP() << "this user can write into a read-only folder (root)";
    }
  }
  ASSERT_TRUE(m_file.open(m_temp.windowsPath("locked/a.mp3").c_str(), true));
  const Bytes grown = tagOfLength(2048);
  EXPECT_EQ(s::sound::mp3::rewriteId3v2Tag(&m_file, grown.data(), 2048), -1);
  m_file.close();
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_EQ(readBytes(path), original);
}
