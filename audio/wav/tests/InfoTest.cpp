// The WAV song-information record: what a file gives it and its row. Its storage in the settings
// stores, which stand beside audio, is tested with song_info (tools/songinfo/tests).
#include "audio/wav/Info.h"

#include "audio/wav/Wave.h"
#include "core/file/win/FileInputStream.h"
#include "gui/listbox2/Record.h"
#include "gui/listbox2/SubRecord.h"
#include "testlib/TempDir.h"
#include "testlib/WavBuilder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using s::sound::wav::Info;
using s::sound::wav::Wave;

namespace {

void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

TEST(WavInfo, CreateInfoCarriesPathRateChannelsAndPlayTime) {
  lumetra::testlib::TempDir temp;
  // 1.5 s of 22050 Hz mono 16-bit PCM.
  writeBytes(temp.file("tone.wav"),
             lumetra::testlib::WavBuilder::pcmFile(std::vector<uint8_t>(66150, 0), 1, 22050, 16));
  Wave* wave = Wave::take();
  s::file::win::FileInputStream* in = s::file::win::FileInputStream::take();
  ASSERT_TRUE(in->open(temp.windowsPath("tone.wav").c_str()));
  wave->setInputStream(in, true);
  s::sound::IInfo* info = wave->createInfo(temp.windowsPath("tone.wav").c_str());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(std::u16string(info->getClassName()), u"s_sound_wav_Info");
  EXPECT_EQ(info->getSampleRate(), 22050);
  EXPECT_FALSE(info->isStereo());
  EXPECT_EQ(info->getPlayTimeMillis(), 1500);
  EXPECT_EQ(std::u16string(info->getFileName()), u"tone.wav");
  EXPECT_EQ(std::u16string(info->getFileTitle()), u"tone");
  EXPECT_TRUE(info->readFromFile(temp.windowsPath("tone.wav").c_str()));
  EXPECT_FALSE(info->readFromFile(temp.windowsPath("").c_str())) << "a folder is no file";
  EXPECT_FALSE(info->readFromFile(temp.windowsPath("none.wav").c_str()));
  info->release();
  wave->close();
  wave->release();
}

TEST(WavInfo, TagsAreEmptyAndTheirSettersDoNothing) {
  Info* info = Info::take();
  info->setTitle(u"x");
  EXPECT_FALSE(info->hasTitle());
  EXPECT_EQ(std::u16string(info->getComment()), u"");
  EXPECT_FALSE(info->supportsArtist());
  EXPECT_FALSE(info->supportsBitrate());
  EXPECT_EQ(std::u16string(info->getFilePath()), u"") << "no path";
  EXPECT_EQ(std::u16string(info->getExtension()), u"wav");
  info->setVolumeBoost(0);
  EXPECT_FALSE(info->hasVolumeBoost());
  EXPECT_EQ(info->getVolumeBoost(), -1000);
  info->release();
}

TEST(WavInfo, RowHoldsNumberTitleSecondsEmptyTagsNameAndPath) {
  lumetra::testlib::TempDir temp;
  Info* info = Info::take();
  info->setFilePath(temp.windowsPath("song.wav").c_str());
  info->setSongNumber(3);
  info->setPlayTimeMillis(125999);
  s::gui::listbox2::Record* row = info->getListRecord();
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(info->getListRecord(), row);
  ASSERT_EQ(row->getCellCount(), 8);
  const std::u16string expected[8] = {u"3", u"song", u"2:05",     u"",
                                      u"",  u"",     u"song.wav", temp.windowsPath("song.wav")};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(std::u16string(row->getCell(i)->getText()), expected[i]) << i;

  info->setSongNumber(4);
  info->updateListRecord();
  EXPECT_EQ(std::u16string(row->getCell(0)->getText()), u"3") << "a row in no store is left alone";
  s::gui::listbox2::RecordStore store;
  store.addRecord(row);
  info->updateListRecord();
  EXPECT_EQ(std::u16string(row->getCell(0)->getText()), u"4");
  s::gui::listbox2::removeRecord(&store, row, row->getId());
  info->setSongNumber(5);
  info->updateListRecord();
  EXPECT_EQ(std::u16string(row->getCell(0)->getText()), u"4") << "a removed row is left alone";
  info->release();
}
