// Icon and cursor files as archives: directories read and refused, the best entry for a size,
// one-image extracts, whole files written back byte for byte, icon groups of a module, and cursors
// ImageMagick writes. Entries decoded through imaging's icon codec are imaging's tests
// (imaging/win/tests/PlatformHooksTest.cpp), as imaging stands above platform.
#include "platform/archive/icon/Archive.h"

#include "core/col/array/ArrayU08.h"
#include "platform/archive/cur/Archive.h"
#include "platform/archive/icon/tests/IconFiles.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using s::archive::icon::Archive;
using s::col::_array::ArrayU08;
namespace cur = s::archive::cur;
using namespace icon_testing;

class IconArchive : public ::testing::Test {
 protected:
  std::filesystem::path save(const std::string& name, const Bytes& bytes) {
    writeFile(temp.file(name), bytes);
    return temp.file(name);
  }
  lumetra::testlib::TempDir temp;
};

TEST_F(IconArchive, BestEntryIsExactAt32BitsElseTheNearestArea) {
  Archive* archive = Archive::take();
  EXPECT_EQ(std::u16string(archive->getClassName()), u"s_archive_icon_Archive");
  int32_t index = 9;
  EXPECT_FALSE(archive->findBestEntry(32, 32, &index));
  EXPECT_EQ(index, 0);
  ASSERT_TRUE(openOn(archive, save("three.ico", fileOf(1, {{16, 16, 0, 1, 32, filler(10, 1)},
                                                           {32, 32, 0, 1, 8, filler(10, 2)},
                                                           {32, 32, 0, 1, 32, filler(10, 3)}}))));
  EXPECT_EQ(archive->getEntryCount(), 3);
  EXPECT_TRUE(archive->findBestEntry(32, 32, &index));
  EXPECT_EQ(index, 2);
  EXPECT_TRUE(archive->findBestEntry(24, 24, &index));
  EXPECT_EQ(index, 0) << "area difference 320 against 448";
  // Equal differences: the bit count nearer 32 wins.
  ASSERT_TRUE(openOn(archive, save("tie.ico", fileOf(1, {{8, 8, 0, 1, 8, filler(4, 1)},
                                                         {8, 8, 0, 1, 24, filler(4, 2)}}))));
  EXPECT_TRUE(archive->findBestEntry(8, 8, &index));
  EXPECT_EQ(index, 1);
  // A size byte of 0 is 256 pixels.
  ASSERT_TRUE(openOn(archive, save("big.ico", fileOf(1, {{48, 48, 0, 1, 32, filler(4, 1)},
                                                         {0, 0, 0, 1, 32, filler(4, 2)}}))));
  EXPECT_EQ(archive->getEntry(1)->getWidth(), 256);
  EXPECT_TRUE(archive->findBestEntry(256, 256, &index));
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(archive->findBestEntry(200, 200, &index));
  EXPECT_EQ(index, 1);
  archive->release();
}

TEST_F(IconArchive, ExtractsOneImageFilesAndWritesWholeFilesBack) {
  const Bytes file = fileOf(1, {{16, 16, 16, 1, 4, filler(100, 1)},
                                {32, 32, 0, 1, 8, filler(200, 2)},
                                {48, 48, 0, 1, 32, filler(300, 3)}});
  Archive* archive = Archive::take();
  ASSERT_TRUE(openOn(archive, save("a.ico", file)));
  EXPECT_TRUE(archive->isOpenedFromFile());
  EXPECT_EQ(archive->getFileSize(), static_cast<int64_t>(file.size()));
  const Bytes whole = written([&](ArrayU08* out) { return archive->writeIco(out); });
  EXPECT_EQ(whole, file);
  ASSERT_GE(whole.size(), 54u);
  EXPECT_EQ(whole[18], 54);
  EXPECT_EQ(whole[34] | whole[35] << 8, 154);
  EXPECT_EQ(whole[50] | whole[51] << 8, 354);
  const Bytes one =
      written([&](ArrayU08* out) { return archive->extractEntry(archive->getEntry(1), out); });
  Bytes expected = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 8, 0};
  put32(expected, 200);
  put32(expected, 22);
  const Bytes image = filler(200, 2);
  expected.insert(expected.end(), image.begin(), image.end());
  EXPECT_EQ(one, expected);
  archive->close();
  EXPECT_EQ(archive->getEntryCount(), 0);
  EXPECT_FALSE(archive->isOpenedFromFile());
  archive->release();

  // Cursors: a height byte of 0 takes the width; the hot spot stands where icons keep planes.
  cur::Archive* cursors = cur::Archive::take();
  EXPECT_EQ(std::u16string(cursors->getClassName()), u"s_archive_cur_Archive");
  ASSERT_TRUE(openOn(cursors, save("a.cur", fileOf(2, {{32, 0, 0, 5, 7, filler(40, 9)}}))));
  EXPECT_EQ(cursors->getEntry(0)->getHeight(), 32);
  EXPECT_EQ(cursors->getEntry(0)->getHotspotX(), 5);
  EXPECT_EQ(cursors->getEntry(0)->getHotspotY(), 7);
  const Bytes extracted =
      written([&](ArrayU08* out) { return cursors->extractEntry(cursors->getEntry(0), out); });
  ASSERT_GE(extracted.size(), 22u);
  EXPECT_EQ(Bytes(extracted.begin(), extracted.begin() + 12),
            (Bytes{0, 0, 2, 0, 1, 0, 32, 32, 0, 0, 5, 0}));
  EXPECT_EQ(extracted[18], 22);
  EXPECT_EQ(written([&](ArrayU08* out) { return cursors->writeCur(out); }),
            fileOf(2, {{32, 32, 0, 5, 7, filler(40, 9)}}));
  cursors->release();
}

TEST_F(IconArchive, MalformedFilesFailWithoutReadingPastTheirEnd) {
  Archive* archive = Archive::take();
  const Bytes good =
      fileOf(1, {{16, 16, 0, 1, 32, filler(50, 1)}, {32, 32, 0, 1, 32, filler(60, 2)}});
  // Short headers and directories that do not fit.
  for (size_t size : {0, 3, 5, 6 + 16, 6 + 31}) {
    EXPECT_FALSE(
        openOn(archive,
               save("short.ico", Bytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(size)))))
        << size;
    EXPECT_EQ(archive->getEntryCount(), 0);
  }
  EXPECT_FALSE(openOn(archive, temp.file("missing.ico")));
  EXPECT_FALSE(openOn(archive, temp.path()));
  // The second image is cut short: its own load fails, the first still works.
  ASSERT_TRUE(openOn(archive, save("cut.ico", Bytes(good.begin(), good.end() - 1))));
  ArrayU08* out = ArrayU08::take();
  EXPECT_TRUE(archive->extractEntry(archive->getEntry(0), out));
  EXPECT_FALSE(archive->extractEntry(archive->getEntry(1), out));
  out->setCount(0);
  out->rewind();
  EXPECT_FALSE(archive->writeIco(out));
  out->release();
  // An offset of 4 GiB - 1 with a large count is outside any file.
  Bytes far = good;
  far[6 + 12] = far[6 + 13] = far[6 + 14] = far[6 + 15] = 0xFF;
  far[6 + 8] = far[6 + 9] = far[6 + 10] = far[6 + 11] = 0xFF;
  ASSERT_TRUE(openOn(archive, save("far.ico", far)));
  EXPECT_FALSE(archive->extractEntry(archive->getEntry(0), nullptr));
  EXPECT_TRUE(archive->getEntry(0) != nullptr && !archive->getEntry(0)->isLoaded());
  archive->release();
}

TEST_F(IconArchive, ReadOnlyFilesOpenAndClosingGivesTheFileBack) {
  const auto file = save("ro.ico", fileOf(1, {{16, 16, 0, 1, 32, filler(50, 1)}}));
  std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  Archive* archive = Archive::take();
  ASSERT_TRUE(openOn(archive, file));
  const auto descriptors = [] {
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
      n += e.exists() ? 1 : 0;
    return n;
  };
  archive->close();
  const size_t before = descriptors();
  for (int i = 0; i < 10000; ++i) {
    ASSERT_TRUE(openOn(archive, file));
    archive->close();
  }
  EXPECT_EQ(descriptors(), before);
  archive->release();
}

TEST_F(IconArchive, GroupOfTheProgramWritesBackItsSourceFile) {
  auto* module = openOwnProgram();
  ASSERT_NE(module, nullptr);
  Archive* archive = Archive::take();
  EXPECT_FALSE(archive->loadFromGroupIconId(module, 999));
  EXPECT_FALSE(archive->loadFromGroupIconName(module, u"NONE"));
  ASSERT_TRUE(archive->loadFromGroupIconId(module, 128));
  EXPECT_FALSE(archive->isOpenedFromFile());
  EXPECT_EQ(archive->getEntryCount(), 3);
  const Bytes source =
      readFile(std::filesystem::path(LUMETRA_ICON_TEST_DATA) / "../../../tests/data/app.ico");
  EXPECT_EQ(written([&](ArrayU08* out) { return archive->writeIco(out); }), source);
  archive->release();
  module->release();
}

TEST_F(IconArchive, ImageMagickCursorsReadAsStored) {
  if (!haveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const std::string dir = temp.path().string();
  ASSERT_EQ(run("convert -size 32x32 xc:red " + dir + "/arrow.cur"), 0);
  const Bytes file = readFile(temp.file("arrow.cur"));
  ASSERT_GE(file.size(), 22u);
  cur::Archive* cursors = cur::Archive::take();
  ASSERT_TRUE(openOn(cursors, temp.file("arrow.cur")));
  ASSERT_EQ(cursors->getEntryCount(), 1);
  // What stands where the hot spot goes is read as it is.
  EXPECT_EQ(cursors->getEntry(0)->getHotspotX(), file[10] | file[11] << 8);
  EXPECT_EQ(cursors->getEntry(0)->getHotspotY(), file[12] | file[13] << 8);
  EXPECT_EQ(written([&](ArrayU08* out) { return cursors->writeCur(out); }).size(), file.size());
  cursors->release();
}

}  // namespace
