// The song information's records in the settings stores, as song_info exports them: both kinds
// of record keep their texts, tag bytes, code pages and paths through the XML store and the
// registry store. Audio and platform stand side by side, so their meeting is tested here.
#include "audio/mp3/tests/Mp3Builder.h"
#include "audio/mp3/win/Info.h"
#include "audio/wav/Info.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/reg/MappedData.h"
#include "platform/reg/win/RegDir.h"
#include "platform/xml/MappedData.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/WavBuilder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Mp3Info = s::sound::mp3::win::Info;
using WavInfo = s::sound::wav::Info;
using Bytes = std::vector<uint8_t>;

class StoredRecords : public ::testing::Test {
 protected:
  // One second of stereo silence encoded by lame with a tag of every field.
  void encode(const std::string& name) {
    const std::filesystem::path wav = m_temp.file("tone.wav");
    mp3_testing::writeBytes(
        wav, lumetra::testlib::WavBuilder::pcmFile(Bytes(44100 * 4, 0), 2, 44100, 16));
    EXPECT_EQ(
        lumetra::testlib::run({"lame", "--quiet", "--add-id3v2", "--tt", "Title", "--ta", "Artist",
                               "--tl", "Album", "--ty", "2001", "--tn", "3", "--tg", "Rock", "--tc",
                               "Note", wav.string(), m_temp.file(name).string()})
            .exitCode,
        0);
  }
  std::u16string at(const std::string& name) const { return m_temp.windowsPath(name); }
  s::xml::MappedData* openStore(const std::string& name) {
    s::str::strbuffer::StrBuffer* file = s::str::strbuffer::StrBuffer::take();
    file->assign(at(name).c_str());
    s::xml::MappedData* store = s::xml::MappedData::openFile(file);
    file->release();
    return store;
  }
  void TearDown() override { m_info->release(); }

  lumetra::testlib::TempDir m_temp;
  Mp3Info* m_info = Mp3Info::take();
};

TEST_F(StoredRecords, Mp3RoundTripKeepsTextsBytesAndCodePages) {
  encode("a.mp3");
  ASSERT_TRUE(m_info->readFromFile(at("a.mp3").c_str()));
  m_info->setBitrate(160);
  m_info->setSongNumber(7);

  s::xml::MappedData* xml = openStore("SaveData.xml");
  setenv("LUMETRA_REGISTRY", m_temp.file("registry.sqlite3").c_str(), 1);
  s::reg::win::RegDir* base = s::reg::win::RegDir::take();
  ASSERT_TRUE(base->open(HKEY_CURRENT_USER, u"Software\\Lumetra\\Test\\SaveData"));
  s::reg::MappedData* registry = s::reg::MappedData::take();
  registry->setBaseKey(base);

  for (s::map::IMappedData* store :
       {static_cast<s::map::IMappedData*>(xml), static_cast<s::map::IMappedData*>(registry)}) {
    SCOPED_TRACE(store == static_cast<s::map::IMappedData*>(xml) ? "the XML store"
                                                                 : "the registry store");
    m_info->exportToXml(store, u"S", nullptr);
    EXPECT_FALSE(store->hasKey(u"S", u"titleCodePageForced"));
    EXPECT_TRUE(store->hasKey(u"S", u"titleBytes"));
    Mp3Info* back = Mp3Info::take();
    back->importFromXml(store, u"S", nullptr, nullptr);
    EXPECT_EQ(std::u16string(back->getFilePath()), at("a.mp3"));
    EXPECT_EQ(back->getBitrate(), 160);
    EXPECT_EQ(back->getSongNumber(), 7);
    EXPECT_EQ(back->getPlayTimeMillis(), m_info->getPlayTimeMillis());
    EXPECT_EQ(back->isStereo(), m_info->isStereo());
    EXPECT_EQ(back->getSampleRate(), m_info->getSampleRate());
    EXPECT_EQ(std::u16string(back->getTitle()), u"Title");
    EXPECT_EQ(std::u16string(back->getArtist()), u"Artist");
    EXPECT_EQ(std::u16string(back->getAlbum()), u"Album");
    EXPECT_EQ(std::u16string(back->getYear()), u"2001");
    EXPECT_EQ(std::u16string(back->getTrack()), u"3");
    EXPECT_EQ(std::u16string(back->getGenre()), u"Rock");
    EXPECT_EQ(std::u16string(back->getComment()), u"Note");
    EXPECT_EQ(back->getTitleCodePage(), m_info->getTitleCodePage());
    for (int field = 0; field < 7; ++field) {
      EXPECT_EQ(back->getFieldBytes(field)->getCount(), m_info->getFieldBytes(field)->getCount())
          << "field " << field;
    }
    back->release();
  }
  registry->release();
  unsetenv("LUMETRA_REGISTRY");
  xml->release();
}

TEST_F(StoredRecords, WavRoundTripWithRelativePaths) {
  lumetra::testlib::TempDir& temp = m_temp;
  std::filesystem::create_directories(temp.file("music"));
  std::filesystem::create_directories(temp.file("preferred"));
  mp3_testing::writeBytes(temp.file("preferred/a.wav"), {1});
  s::xml::MappedData* store = openStore("SaveData.xml");
  ASSERT_NE(store, nullptr);
  WavInfo* info = WavInfo::take();
  info->setFilePath(temp.windowsPath("music/a.wav").c_str());
  info->setSongNumber(2);
  info->setPlayTimeMillis(4000);
  info->setStereo(false);
  info->setSampleRate(8000);
  info->setVolumeBoost(12);
  const std::u16string music = temp.windowsPath("music");
  info->exportToXml(store, u"Songs\\0", music.c_str());
  EXPECT_EQ(std::u16string(store->getString(u"Songs\\0", u"filePath", u"?", nullptr, false)),
            u"a.wav");

  WavInfo* back = WavInfo::take();
  back->importFromXml(store, u"Songs\\0", music.c_str(), nullptr);
  EXPECT_EQ(std::u16string(back->getFilePath()), temp.windowsPath("music/a.wav"));
  EXPECT_EQ(back->getSongNumber(), 2);
  EXPECT_EQ(back->getPlayTimeMillis(), 4000);
  EXPECT_FALSE(back->isStereo());
  EXPECT_EQ(back->getSampleRate(), 8000);
  EXPECT_EQ(back->getVolumeBoost(), 12);
  const std::u16string preferred = temp.windowsPath("preferred");
  back->importFromXml(store, u"Songs\\0", music.c_str(), preferred.c_str());
  EXPECT_EQ(std::u16string(back->getFilePath()), temp.windowsPath("preferred/a.wav"))
      << "the preferred folder first when the file is there";

  store->setString(u"Songs\\1", u"filePath", u"C:\\x\\b.wav");
  back->importFromXml(store, u"Songs\\1", music.c_str(), preferred.c_str());
  EXPECT_EQ(std::u16string(back->getFilePath()), u"C:\\x\\b.wav") << "a drive path stands";
  EXPECT_FALSE(back->hasSongNumber());
  EXPECT_EQ(back->getSampleRate(), 44100);
  EXPECT_TRUE(back->isStereo());

  info->setVolumeBoost(0);
  info->setSongNumber(-1);
  info->exportToXml(store, u"Songs\\2", nullptr);
  EXPECT_FALSE(store->hasKey(u"Songs\\2", u"individualVolumeBoost"));
  EXPECT_FALSE(store->hasKey(u"Songs\\2", u"songNumber"));
  EXPECT_EQ(std::u16string(store->getString(u"Songs\\2", u"filePath", u"?", nullptr, false)),
            temp.windowsPath("music/a.wav"));
  info->release();
  back->release();
  store->release();
}

}  // namespace
