// The MP3 song-information record on files that lame, id3v2 and eyeD3 tag, and on hand-built
// tags: what it reads, and that writing back keeps the audio and refuses what it cannot do safely.
#include "audio/mp3/win/Info.h"

#include "audio/mp3/TagFile.h"
#include "audio/mp3/tests/Mp3Builder.h"
#include "audio/mp3/win/Mp3.h"
#include "core/col/array/ArrayU08.h"
#include "core/file/win/FileInputStream.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/system/codepage/CodePageList.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/WavBuilder.h"

#include <windows.h>
#include <crtfile.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using s::sound::mp3::win::Info;
namespace fs = std::filesystem;
using mp3_testing::readBytes;
using mp3_testing::writeBytes;
using Bytes = std::vector<uint8_t>;

namespace {

uint32_t syncsafe(const Bytes& b, size_t at) {
  return (uint32_t{b[at]} << 21) | (uint32_t{b[at + 1]} << 14) | (uint32_t{b[at + 2]} << 7) |
         b[at + 3];
}

// The bytes between the ID3v2 tag and the ID3v1 tag.
Bytes audioOf(const Bytes& file) {
  size_t start = 0;
  if (file.size() >= 10 && file[0] == 'I' && file[1] == 'D' && file[2] == '3') {
    start = 10 + syncsafe(file, 6);
  }
  size_t end = file.size();
  if (end >= 128 + start && file[end - 128] == 'T' && file[end - 127] == 'A' &&
      file[end - 126] == 'G') {
    end -= 128;
  }
  return Bytes(file.begin() + static_cast<long>(start), file.begin() + static_cast<long>(end));
}

// An ID3v2 tag of `major` version around `body`, without flags.
Bytes id3v2Tag(uint8_t major, const Bytes& body) {
  const uint32_t n = static_cast<uint32_t>(body.size());
  Bytes tag = {'I', 'D', '3', major, 0, 0};
  for (int shift : {21, 14, 7, 0}) tag.push_back(static_cast<uint8_t>((n >> shift) & 0x7F));
  tag.insert(tag.end(), body.begin(), body.end());
  return tag;
}

std::string eyeD3(const fs::path& path) {
  return lumetra::testlib::run({"eyeD3", "--no-color", path.string()}).output;
}

class Mp3Info : public ::testing::Test {
 protected:
  // One second of stereo silence encoded by lame with `options` (tags among them).
  fs::path encode(const std::string& name, const std::vector<std::string>& options) {
    const fs::path wav = m_temp.file("tone.wav");
    if (!fs::exists(wav)) {
      writeBytes(wav, lumetra::testlib::WavBuilder::pcmFile(Bytes(44100 * 4, 0), 2, 44100, 16));
    }
    std::vector<std::string> argv = {"lame", "--quiet"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(wav.string());
    argv.push_back(m_temp.file(name).string());
    EXPECT_EQ(lumetra::testlib::run(argv).exitCode, 0);
    return m_temp.file(name);
  }
  std::u16string at(const std::string& name) const { return m_temp.windowsPath(name); }

  lumetra::testlib::TempDir m_temp;
  Info* m_info = Info::take();
  void TearDown() override { m_info->release(); }
};

const std::vector<std::string> kLameTags = {"--add-id3v2", "--tt",  "Title", "--ta", "Artist",
                                            "--tl",        "Album", "--ty",  "2001", "--tn",
                                            "3",           "--tg",  "Rock",  "--tc", "Note"};

}  // namespace

TEST_F(Mp3Info, ReadsEveryFieldAndTheFormatOfALameFile) {
  encode("a.mp3", kLameTags);
  s::sound::mp3::win::Mp3* mp3 = s::sound::mp3::win::Mp3::take();
  s::file::win::FileInputStream* in = s::file::win::FileInputStream::take();
  ASSERT_TRUE(in->open(at("a.mp3").c_str()));
  mp3->setFileSize(static_cast<int64_t>(fs::file_size(m_temp.file("a.mp3"))));
  mp3->setInputStream(in, true);
  s::sound::IInfo* info = mp3->createInfo(at("a.mp3").c_str());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(std::u16string(info->getClassName()), u"s_sound_mp3_win_Info");
  EXPECT_EQ(std::u16string(info->getTitle()), u"Title");
  EXPECT_EQ(std::u16string(info->getArtist()), u"Artist");
  EXPECT_EQ(std::u16string(info->getAlbum()), u"Album");
  EXPECT_EQ(std::u16string(info->getYear()), u"2001");
  EXPECT_EQ(std::u16string(info->getTrack()), u"3");
  EXPECT_EQ(std::u16string(info->getGenre()), u"Rock") << "the name, not (17)";
  EXPECT_EQ(std::u16string(info->getComment()), u"Note");
  EXPECT_EQ(info->getSampleRate(), 44100);
  EXPECT_TRUE(info->isStereo());
  EXPECT_EQ(info->getBitrate(), 128);
  EXPECT_NEAR(info->getPlayTimeMillis(), 1000, 80);
  s::gui::listbox2::Record* row = info->getListRecord();
  ASSERT_NE(row, nullptr);
  info->release();
  mp3->close();
  mp3->release();
}

TEST_F(Mp3Info, DecodesBytesForDisplayAndCutsThem) {
  encode("a.mp3", {"--add-id3v2", "--tt", "abcdefg"});
  ASSERT_TRUE(m_info->readFromFile(at("a.mp3").c_str()));
  s::str::strbuffer::StrBuffer* cut = m_info->decodeTitleBytes(m_info->getTitleCodePage(), 5);
  EXPECT_EQ(std::u16string(cut->getCStr()), u"abcd...");
  cut->release();
  m_info->setComment(u"a\nb\r\nc");
  EXPECT_EQ(std::u16string(m_info->getComment()), u"a\r\nb\r\nc");
}

TEST_F(Mp3Info, LatinOneFramesDecodeByCodePageAndUnicodeFramesAsThemselves) {
  // id3v2 writes ISO-8859-1 frames of the bytes it is given: "Café" in Latin-1 and "Жук" in 1251.
  encode("b.mp3", {});
  const fs::path file = m_temp.file("b.mp3");
  ASSERT_EQ(
      lumetra::testlib::run({"id3v2", "-2", "-t", "Caf\xE9", "-a", "\xC6\xF3\xEA", file.string()})
          .exitCode,
      0);
  ASSERT_TRUE(m_info->readFromFile(at("b.mp3").c_str()));
  if (s::system::codepage::getOemCodePage() == s::system::codepage::getUtf8CodePage()) {
    EXPECT_EQ(std::u16string(m_info->getTitle()), u"Caf\u00e9") << "not UTF-8: read as Latin-1";
  }
  const s::col::_array::ArrayU08* bytes = m_info->getFieldBytes(1);
  ASSERT_EQ(bytes->getCount(), 4u) << "three bytes and the terminator";
  s::system::codepage::CodePage* cp1251 = nullptr;
  const auto& list = s::system::codepage::getCodePageList();
  for (uint32_t i = 0; i < list.getCount(); ++i) {
    auto* entry = static_cast<s::system::codepage::CodePage*>(list.getItems()[i]);
    if (entry->getCodePage() == 1251) cp1251 = entry;
  }
  ASSERT_NE(cp1251, nullptr);
  m_info->setArtistCodePage(cp1251, false);
  EXPECT_EQ(std::u16string(m_info->getArtist()), u"\u0416\u0443\u043a");

  // UTF-16 frames, written by lame, read as UTF-16 whatever the record's code page.
  encode("c.mp3", {"--add-id3v2", "--id3v2-utf16", "--tt", "\xD0\x96uk"});
  m_info->setCodePage(cp1251, false);
  ASSERT_TRUE(m_info->readFromFile(at("c.mp3").c_str()));
  EXPECT_EQ(std::u16string(m_info->getTitle()), u"\u0416uk");
  EXPECT_EQ(m_info->getTitleCodePage(), s::system::codepage::getUtf16CodePage());
}

TEST_F(Mp3Info, WritingKeepsTheAudioInPlaceOrThroughARewrite) {
  const fs::path file = encode("a.mp3", {"--add-id3v2", "--pad-id3v2-size", "200", "--tt", "Title",
                                         "--ta", "Artist", "--tc", "Note"});
  const Bytes before = readBytes(file);
  ASSERT_TRUE(m_info->readFromFile(at("a.mp3").c_str()));
  m_info->setTitle(u"Short");
  m_info->setArtist(u"");
  m_info->setWriteCodePage(s::system::codepage::getUtf8CodePage());
  ASSERT_TRUE(m_info->writeToFile(at("a.mp3").c_str()));
  m_info->close();
  const Bytes inPlace = readBytes(file);
  EXPECT_EQ(inPlace.size(), before.size()) << "a tag that fits is written in place";
  EXPECT_EQ(audioOf(inPlace), audioOf(before));
  std::string listing = eyeD3(file);
  EXPECT_NE(listing.find("title: Short"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("artist: Artist"), std::string::npos) << "an empty text removes its frame";

  ASSERT_TRUE(m_info->readFromFile(at("a.mp3").c_str()));
  const std::u16string longTitle(1500, u'\u00e9');
  m_info->setTitle(longTitle.c_str());
  ASSERT_TRUE(m_info->writeToFile(at("a.mp3").c_str()));
  m_info->close();
  const Bytes grown = readBytes(file);
  EXPECT_GT(grown.size(), before.size());
  EXPECT_EQ(audioOf(grown), audioOf(before)) << "the audio bytes are unchanged";
  ASSERT_TRUE(m_info->readFromFile(at("a.mp3").c_str()));
  EXPECT_EQ(std::u16string(m_info->getTitle()), longTitle);
  EXPECT_EQ(std::u16string(m_info->getComment()), u"Note");
  for (const auto& entry : fs::directory_iterator(m_temp.path())) {
    EXPECT_NE(entry.path().extension(), ".tmp") << "no temporary file is left";
  }
}

TEST_F(Mp3Info, TagsAreInsertedIntoFilesWithoutOneAndTheIdThreeVersionOneTagIsKept) {
  const fs::path bare = encode("bare.mp3", {});
  const Bytes before = readBytes(bare);
  ASSERT_TRUE(m_info->readFromFile(at("bare.mp3").c_str()));
  m_info->setTitle(u"New");
  ASSERT_TRUE(m_info->writeToFile(at("bare.mp3").c_str()));
  m_info->close();
  const Bytes after = readBytes(bare);
  ASSERT_GE(after.size(), 10u);
  EXPECT_EQ(after.size(), before.size() + 10 + syncsafe(after, 6)) << "grows by the tag";
  EXPECT_EQ(audioOf(after), before);

  const fs::path v1 = encode("v1.mp3", {"--id3v1-only", "--tt", "Old", "--ta", "Someone"});
  const Bytes v1Before = readBytes(v1);
  ASSERT_TRUE(m_info->readFromFile(at("v1.mp3").c_str()));
  EXPECT_EQ(std::u16string(m_info->getTitle()), u"Old");
  m_info->setTitle(u"A title longer than thirty characters in all");
  ASSERT_TRUE(m_info->writeToFile(at("v1.mp3").c_str()));
  m_info->close();
  const Bytes v1After = readBytes(v1);
  EXPECT_EQ(audioOf(v1After), audioOf(v1Before));
  ASSERT_GE(v1After.size(), 128u);
  EXPECT_EQ(std::string(v1After.end() - 128, v1After.end() - 125), "TAG");
  std::string listing = lumetra::testlib::run({"id3v2", "-l", v1.string()}).output;
  EXPECT_NE(listing.find("A title longer than thirty cha"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Someone"), std::string::npos) << listing;
}

TEST_F(Mp3Info, EmptiedTagsAreRemovedAndFilesWithoutTagsStayUntouched) {
  // A tag that holds the title alone (lame adds its own frames).
  const fs::path file = encode("a.mp3", {});
  ASSERT_EQ(lumetra::testlib::run({"id3v2", "-2", "-t", "Title", file.string()}).exitCode, 0);
  const Bytes before = readBytes(file);
  ASSERT_TRUE(m_info->readFromFile(at("a.mp3").c_str()));
  m_info->setTitle(u"");
  ASSERT_TRUE(m_info->writeToFile(at("a.mp3").c_str()));
  m_info->close();
  const Bytes after = readBytes(file);
  EXPECT_EQ(after, audioOf(before)) << "the file holds its audio alone";
  ASSERT_TRUE(m_info->readFromFile(at("a.mp3").c_str()));
  ASSERT_TRUE(m_info->writeToFile(at("a.mp3").c_str()));
  m_info->close();
  EXPECT_EQ(readBytes(file), after);
}

namespace {
int g_failedWrites = 0;
BOOL WINAPI failingWrite(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
  ++g_failedWrites;
  *written = 0;
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}
}  // namespace

TEST_F(Mp3Info, FailedOrRefusedWritesLeaveTheFileAsItWas) {
  const fs::path file = encode("a.mp3", kLameTags);
  const Bytes before = readBytes(file);
  auto names = [&] {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(m_temp.path())) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
  };
  const std::vector<fs::path> namesBefore = names();
  ASSERT_TRUE(m_info->readFromFile(at("a.mp3").c_str()));
  m_info->setTitle(std::u16string(3000, u'x').c_str());
  auto previous = winapi::seam::replaceWriteFile(&failingWrite);
  EXPECT_FALSE(m_info->writeToFile(at("a.mp3").c_str()));
  winapi::seam::replaceWriteFile(previous);
  EXPECT_GT(g_failedWrites, 0);
  m_info->close();
  EXPECT_EQ(readBytes(file), before) << "a full disk changes nothing";
  EXPECT_EQ(names(), namesBefore) << "no temporary file is left";

  fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
  m_info->setTitle(u"y");
  EXPECT_FALSE(m_info->writeToFile(at("a.mp3").c_str())) << "read-only";
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(readBytes(file), before);
}

TEST_F(Mp3Info, UnsafeTagsAreRefusedUnread) {
  Bytes audio = audioOf(readBytes(encode("a.mp3", {})));
  // A tag whose size runs past the end of the file.
  Bytes past = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
  past.insert(past.end(), audio.begin(), audio.end());
  writeBytes(m_temp.file("past.mp3"), past);
  EXPECT_FALSE(m_info->readFromFile(at("past.mp3").c_str()));
  m_info->setTitle(u"x");
  EXPECT_FALSE(m_info->writeToFile(at("past.mp3").c_str()));
  EXPECT_EQ(readBytes(m_temp.file("past.mp3")), past);

  // A v2.4 frame that declares 2 GiB of compressed data.
  Bytes bomb = {'I',  'D',  '3', 4, 0, 0,  0, 0,    0,    24,   'T',  'I',
                'T',  '2',  0,   0, 0, 14, 0, 0x09, 0x7F, 0x7F, 0x7F, 0x7F,
                0x78, 0x9C, 3,   0, 0, 0,  0, 1,    0,    0};
  bomb.resize(10 + 24);
  EXPECT_TRUE(s::sound::mp3::declaresTooMuchCompressedData(bomb.data(), bomb.size()));
  bomb.insert(bomb.end(), audio.begin(), audio.end());
  writeBytes(m_temp.file("bomb.mp3"), bomb);
  EXPECT_FALSE(m_info->readFromFile(at("bomb.mp3").c_str()));
  EXPECT_FALSE(m_info->writeToFile(at("bomb.mp3").c_str()));
  EXPECT_EQ(readBytes(m_temp.file("bomb.mp3")), bomb);
}

TEST_F(Mp3Info, UnicodeWriteCodePagesRoundTripThroughEyeD3) {
  const std::u16string text = u"\u0416\u00e9\U0001F3B5";
  for (auto* cp :
       {s::system::codepage::getUtf16CodePage(), s::system::codepage::getUtf16BigEndianCodePage(),
        s::system::codepage::getUtf8CodePage()}) {
    const fs::path file = encode("u.mp3", {"--add-id3v2", "--tt", "T"});
    ASSERT_TRUE(m_info->readFromFile(at("u.mp3").c_str()));
    m_info->setWriteCodePage(cp);
    m_info->setTitle(text.c_str());
    ASSERT_TRUE(m_info->writeToFile(at("u.mp3").c_str()));
    m_info->close();
    ASSERT_TRUE(m_info->readFromFile(at("u.mp3").c_str()));
    EXPECT_EQ(std::u16string(m_info->getTitle()), text) << cp->getCodePage();
    EXPECT_NE(eyeD3(file).find("title: \xD0\x96\xC3\xA9\xF0\x9F\x8E\xB5"), std::string::npos)
        << cp->getCodePage() << eyeD3(file);
    m_info->close();
  }
}

TEST_F(Mp3Info, ObsoleteFramesAreWrittenBackUnderTheirOwnIdentifiers) {
  Bytes audio = audioOf(readBytes(encode("a.mp3", {})));
  auto frame = [](const std::string& id, const Bytes& data) {
    Bytes out(id.begin(), id.end());
    const uint32_t size = static_cast<uint32_t>(data.size());
    out.insert(out.end(), {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                           static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size), 0, 0});
    out.insert(out.end(), data.begin(), data.end());
    return out;
  };
  const Bytes rvad = {0x03, 0x10, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0};
  Bytes body = frame("TIT2", {0, 'O', 'l', 'd'});
  const Bytes rvadFrame = frame("RVAD", rvad);
  body.insert(body.end(), rvadFrame.begin(), rvadFrame.end());
  const Bytes tsize = frame("TSIZ", {0, '1', '2', '3'});
  body.insert(body.end(), tsize.begin(), tsize.end());
  const Bytes year = frame("TYER", {0, '1', '9', '9', '9'});
  body.insert(body.end(), year.begin(), year.end());
  Bytes file = id3v2Tag(3, body);
  file.insert(file.end(), audio.begin(), audio.end());
  writeBytes(m_temp.file("old.mp3"), file);

  ASSERT_TRUE(m_info->readFromFile(at("old.mp3").c_str()));
  EXPECT_EQ(std::u16string(m_info->getYear()), u"1999") << "TYER is read as the recording time";
  m_info->setTitle(u"A new and longer title");
  ASSERT_TRUE(m_info->writeToFile(at("old.mp3").c_str()));
  m_info->close();
  const Bytes written = readBytes(m_temp.file("old.mp3"));
  const std::string text(written.begin(), written.end());
  const size_t at = text.find("RVAD");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(Bytes(written.begin() + static_cast<long>(at + 10),
                  written.begin() + static_cast<long>(at + 10 + rvad.size())),
            rvad);
  EXPECT_NE(text.find("TSIZ"), std::string::npos);
  EXPECT_EQ(text.find("TYER"), std::string::npos) << "TDRC holds the year";
  EXPECT_NE(text.find("TDRC"), std::string::npos);
  EXPECT_EQ(audioOf(written), audio);
}

TEST_F(Mp3Info, VersionTwoPointTwoPicturesAreWrittenBackWhole) {
  Bytes audio = audioOf(readBytes(encode("a.mp3", {})));
  auto frame = [](const std::string& id, const Bytes& data) {
    Bytes out(id.begin(), id.end());
    const uint32_t size = static_cast<uint32_t>(data.size());
    out.insert(out.end(), {static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 8),
                           static_cast<uint8_t>(size)});
    out.insert(out.end(), data.begin(), data.end());
    return out;
  };
  // A JPEG-like picture whose first bytes the parser would otherwise take for the MIME text.
  Bytes picture = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
  for (int i = 0; i < 300; ++i) picture.push_back(static_cast<uint8_t>(i * 7));
  picture.insert(picture.end(), {0xFF, 0xD9});
  Bytes pic = {0, 'J', 'P', 'G', 3, 'C', 'o', 'v', 'e', 'r', 0};
  pic.insert(pic.end(), picture.begin(), picture.end());
  Bytes body = frame("TT2", {0, 'O', 'l', 'd'});
  const Bytes picFrame = frame("PIC", pic);
  body.insert(body.end(), picFrame.begin(), picFrame.end());
  Bytes file = id3v2Tag(2, body);
  file.insert(file.end(), audio.begin(), audio.end());
  writeBytes(m_temp.file("old.mp3"), file);

  ASSERT_TRUE(m_info->readFromFile(at("old.mp3").c_str()));
  EXPECT_EQ(std::u16string(m_info->getTitle()), u"Old");
  m_info->setTitle(u"A new and longer title");
  ASSERT_TRUE(m_info->writeToFile(at("old.mp3").c_str()));
  m_info->close();
  EXPECT_EQ(audioOf(readBytes(m_temp.file("old.mp3"))), audio);

  const std::string listing = eyeD3(m_temp.file("old.mp3"));
  EXPECT_NE(listing.find("A new and longer title"), std::string::npos) << listing;
  EXPECT_NE(listing.find("FRONT_COVER Image: [Size: " + std::to_string(picture.size()) +
                         " bytes] [Type: image/jpeg]"),
            std::string::npos)
      << listing;
  EXPECT_NE(listing.find("Description: Cover"), std::string::npos) << listing;
  const fs::path images = m_temp.file("images");
  fs::create_directories(images);
  lumetra::testlib::run({"eyeD3", "--no-color", "--write-images=" + images.string(),
                         m_temp.file("old.mp3").string()});
  std::vector<fs::path> written;
  for (const auto& entry : fs::directory_iterator(images)) written.push_back(entry.path());
  ASSERT_EQ(written.size(), 1u) << listing;
  EXPECT_EQ(readBytes(written.front()), picture) << "the picture comes back byte for byte";
}

namespace {

Bytes v23Frame(const std::string& id, const Bytes& data, uint8_t flags2 = 0) {
  Bytes out(id.begin(), id.end());
  const auto n = static_cast<uint32_t>(data.size());
  out.insert(out.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                         static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0, flags2});
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// The CRC-32 (ISO 3309) of `bytes`, as an extended header's CRC holds it of the frames.
uint32_t crc32Of(const Bytes& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

Bytes syncsafeBytes(uint32_t n) {
  Bytes out;
  for (int shift : {21, 14, 7, 0}) out.push_back(static_cast<uint8_t>((n >> shift) & 0x7F));
  return out;
}

// Unsynchronisation: a zero after every FF that a sync or another zero could follow.
Bytes unsynchronised(const Bytes& in) {
  Bytes out;
  for (size_t i = 0; i < in.size(); ++i) {
    out.push_back(in[i]);
    if (in[i] == 0xFF && (i + 1 == in.size() || in[i + 1] >= 0xE0 || in[i + 1] == 0)) {
      out.push_back(0);
    }
  }
  return out;
}

// Built at full length, then filled: growing a one-byte vector trips GCC 12's -Warray-bounds.
Bytes textData(const std::string& text) {
  Bytes data(text.size() + 1, 0);
  std::copy(text.begin(), text.end(), data.begin() + 1);
  return data;
}

// A picture whose bytes hold frame syncs (FF E0 and up) for the unsynchronisation to escape.
Bytes syncfulPicture() {
  Bytes picture = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
  for (int i = 0; i < 200; ++i)
    picture.insert(picture.end(), {0xFF, static_cast<uint8_t>(0xE0 + i % 32), 0x00});
  picture.insert(picture.end(), {0xFF, 0xD9});
  return picture;
}

Bytes apicData(const Bytes& picture) {
  const Bytes head = {0, 'i', 'm', 'a', 'g', 'e', '/', 'j', 'p', 'e', 'g', 0, 3, 0};
  return mp3_testing::join({head, picture});
}

struct HandBuiltTag {
  const char* what;
  Bytes tag;
  const char16_t* title;
  bool hasPicture;
};

std::vector<HandBuiltTag> handBuiltTags() {
  std::vector<HandBuiltTag> tags;
  const Bytes title = v23Frame("TIT2", textData("Hand built"));
  // v2.3 with an extended header, without and with its CRC.
  for (bool crc : {false, true}) {
    Bytes body = {
        0, 0, 0, static_cast<uint8_t>(crc ? 10 : 6), static_cast<uint8_t>(crc ? 0x80 : 0), 0, 0,
        0, 0, 0};
    if (crc) {
      const uint32_t sum = crc32Of(title);
      body.insert(body.end(), {static_cast<uint8_t>(sum >> 24), static_cast<uint8_t>(sum >> 16),
                               static_cast<uint8_t>(sum >> 8), static_cast<uint8_t>(sum)});
    }
    body.insert(body.end(), title.begin(), title.end());
    Bytes tag = id3v2Tag(3, body);
    tag[5] = 0x40;
    tags.push_back(
        {crc ? "an extended header with a CRC" : "an extended header", tag, u"Hand built", false});
  }
  // v2.3 unsynchronised as a whole, a picture full of syncs among its frames.
  {
    Bytes body = title;
    const Bytes apic = v23Frame("APIC", apicData(syncfulPicture()));
    body.insert(body.end(), apic.begin(), apic.end());
    Bytes tag = id3v2Tag(3, unsynchronised(body));
    tag[5] = 0x80;
    tags.push_back({"whole-tag unsynchronisation", tag, u"Hand built", true});
  }
  // v2.4, the picture frame unsynchronised on its own with its data length indicator.
  {
    Bytes body = {'T', 'I', 'T', '2'};
    const Bytes text = textData("Per frame");
    const Bytes size = syncsafeBytes(static_cast<uint32_t>(text.size()));
    body.insert(body.end(), size.begin(), size.end());
    body.insert(body.end(), {0, 0});
    body.insert(body.end(), text.begin(), text.end());
    const Bytes data = apicData(syncfulPicture());
    Bytes escaped = syncsafeBytes(static_cast<uint32_t>(data.size()));
    const Bytes unsynced = unsynchronised(data);
    escaped.insert(escaped.end(), unsynced.begin(), unsynced.end());
    body.insert(body.end(), {'A', 'P', 'I', 'C'});
    const Bytes apicSize = syncsafeBytes(static_cast<uint32_t>(escaped.size()));
    body.insert(body.end(), apicSize.begin(), apicSize.end());
    body.insert(body.end(), {0, 0x03});
    body.insert(body.end(), escaped.begin(), escaped.end());
    tags.push_back({"per-frame unsynchronisation", id3v2Tag(4, body), u"Per frame", true});
  }
  // v2.4 with a footer.
  {
    Bytes body = {'T', 'I', 'T', '2'};
    const Bytes text = textData("Footed");
    const Bytes size = syncsafeBytes(static_cast<uint32_t>(text.size()));
    body.insert(body.end(), size.begin(), size.end());
    body.insert(body.end(), {0, 0});
    body.insert(body.end(), text.begin(), text.end());
    Bytes tag = id3v2Tag(4, body);
    tag[5] = 0x10;
    Bytes footer(tag.begin(), tag.begin() + 10);
    footer[0] = '3', footer[1] = 'D', footer[2] = 'I';
    tag.insert(tag.end(), footer.begin(), footer.end());
    tags.push_back({"a footer", tag, u"Footed", false});
  }
  // v2.3 with a zlib-compressed title: its inflated size, then the stream of "\0Packed title".
  {
    Bytes data = {0,    0,    0,    13,   0x78, 0x9C, 0x63, 0x08, 0x48, 0x4C, 0xCE, 0x4E, 0x4D,
                  0x51, 0x28, 0xC9, 0x2C, 0xC9, 0x49, 0x05, 0x00, 0x1C, 0xBE, 0x04, 0x8B};
    tags.push_back(
        {"a compressed frame", id3v2Tag(3, v23Frame("TIT2", data, 0x80)), u"Packed title", false});
  }
  return tags;
}

}  // namespace

TEST_F(Mp3Info, HandBuiltTagsOfEveryKindAreReadAndWrittenBackWithTheirPictures) {
  const Bytes audio = audioOf(readBytes(encode("a.mp3", {})));
  for (const HandBuiltTag& built : handBuiltTags()) {
    SCOPED_TRACE(built.what);
    writeBytes(m_temp.file("hand.mp3"), mp3_testing::join({built.tag, audio}));
    ASSERT_TRUE(m_info->readFromFile(at("hand.mp3").c_str()));
    EXPECT_EQ(std::u16string(m_info->getTitle()), built.title);
    m_info->setArtist(u"Someone who wrote it later");
    ASSERT_TRUE(m_info->writeToFile(at("hand.mp3").c_str()));
    m_info->close();
    EXPECT_EQ(audioOf(readBytes(m_temp.file("hand.mp3"))), audio);
    const std::string listing = eyeD3(m_temp.file("hand.mp3"));
    EXPECT_NE(listing.find("artist: Someone who wrote it later"), std::string::npos) << listing;
    if (!built.hasPicture) continue;
    const fs::path images = m_temp.file("images");
    fs::remove_all(images);
    fs::create_directories(images);
    lumetra::testlib::run({"eyeD3", "--no-color", "--write-images=" + images.string(),
                           m_temp.file("hand.mp3").string()});
    std::vector<fs::path> written;
    for (const auto& entry : fs::directory_iterator(images)) written.push_back(entry.path());
    ASSERT_EQ(written.size(), 1u) << listing;
    EXPECT_EQ(readBytes(written.front()), syncfulPicture());
  }
}

TEST_F(Mp3Info, TheCommentIsTheOneWithoutADescriptionAndPlayersDataIsLeftAlone) {
  const fs::path file = encode("c.mp3", {"--add-id3v2", "--tt", "T"});
  ASSERT_EQ(
      lumetra::testlib::run({"eyeD3", "--no-color", "--to-v2.3", "--add-comment",
                             "0000 1111 2222:iTunSMPB", "--add-comment", "Mine", file.string()})
          .exitCode,
      0);
  ASSERT_TRUE(m_info->readFromFile(at("c.mp3").c_str()));
  EXPECT_EQ(std::u16string(m_info->getComment()), u"Mine");
  m_info->setComment(u"Changed");
  ASSERT_TRUE(m_info->writeToFile(at("c.mp3").c_str()));
  m_info->close();
  std::string listing = eyeD3(file);
  EXPECT_NE(listing.find("Comment: [Description: ] [Lang: XXX]\nChanged"), std::string::npos)
      << listing;
  EXPECT_NE(listing.find("[Description: iTunSMPB] [Lang: eng]\n0000 1111 2222"), std::string::npos)
      << listing;
  EXPECT_EQ(listing.find("Mine"), std::string::npos) << listing;

  // With only a described comment, it is what reads as the comment, and a write adds one.
  const fs::path only = encode("d.mp3", {"--add-id3v2", "--tt", "T"});
  ASSERT_EQ(lumetra::testlib::run(
                {"eyeD3", "--no-color", "--add-comment", "Player data:iTunNORM", only.string()})
                .exitCode,
            0);
  ASSERT_TRUE(m_info->readFromFile(at("d.mp3").c_str()));
  EXPECT_EQ(std::u16string(m_info->getComment()), u"Player data");
  m_info->setComment(u"Own words");
  ASSERT_TRUE(m_info->writeToFile(at("d.mp3").c_str()));
  m_info->close();
  listing = eyeD3(only);
  EXPECT_NE(listing.find("Own words"), std::string::npos) << listing;
  EXPECT_NE(listing.find("[Description: iTunNORM] [Lang: eng]\nPlayer data"), std::string::npos)
      << listing;
}
