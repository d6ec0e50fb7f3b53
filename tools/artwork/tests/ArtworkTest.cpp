// The generated pictures: icon images in their icon-file form (masks that match the alpha, one
// record per size) read back through the icon archive, and the skin pictures' size.
#include "tools/artwork/Artwork.h"
#include "tools/artwork/IconFile.h"

#include "core/file/win/PathWin.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/PlatformHooks.h"
#include "platform/archive/icon/Archive.h"
#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using s::image::win::BufferedImage;

std::vector<uint8_t> encoded(const lumetra::testlib::TempDir& dir, int32_t size, bool png) {
  BufferedImage* image = tools::artwork::drawIcon(size);
  EXPECT_NE(image, nullptr);
  const std::string name = "icon" + std::to_string(size) + (png ? ".png" : ".bmp");
  const std::u16string path = dir.windowsPath(name);
  const bool ok = png ? image->saveAsPngFile(path.c_str(), false, true, 0, 0, 0)
                      : image->saveAsBmpFile(path.c_str(), 32, true, 0, 0, 0);
  EXPECT_TRUE(ok);
  image->release();
  std::ifstream in(dir.file(name), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t get32(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<uint32_t>(bytes[at + 3]) << 24;
}

}  // namespace

TEST(IconFile, BitmapEntryCarriesAMaskThatMatchesTheAlpha) {
  lumetra::testlib::TempDir dir;
  std::vector<uint8_t> entry;
  ASSERT_TRUE(tools::artwork::iconBitmapFromBmp(encoded(dir, 16, false), &entry));
  ASSERT_EQ(entry.size(), 40u + 16 * 16 * 4 + 16 * 4) << "header, pixels, mask rows of 4 bytes";
  EXPECT_EQ(get32(entry, 4), 16u);
  EXPECT_EQ(get32(entry, 8), 32u) << "colour rows and mask rows";
  EXPECT_EQ(get32(entry, 20), 16u * 16 * 4 + 16 * 4);
  const size_t mask = 40 + 16 * 16 * 4;
  // Row 0 of a bottom-up bitmap is the bottom row: its corner pixel is outside the rounded
  // square, its middle inside.
  EXPECT_EQ(entry[40 + 3], 0) << "transparent corner";
  EXPECT_EQ(entry[mask] & 0x80, 0x80) << "and its mask bit set";
  const size_t middle = 40 + (8 * 16 + 8) * 4;
  EXPECT_EQ(entry[middle + 3], 0xFF);
  EXPECT_EQ(entry[mask + 8 * 4 + 1] & 0x80, 0) << "an opaque pixel keeps its mask bit clear";

  std::vector<uint8_t> refused;
  EXPECT_FALSE(tools::artwork::iconBitmapFromBmp({'B', 'M', 0, 0}, &refused)) << "too short";
  std::vector<uint8_t> png = encoded(dir, 16, true);
  EXPECT_FALSE(tools::artwork::iconBitmapFromBmp(png, &refused)) << "not a bitmap";
  BufferedImage* opaque = tools::artwork::drawIcon(16);
  ASSERT_TRUE(opaque->saveAsBmpFile(dir.windowsPath("24.bmp").c_str(), 24, false, 0, 0, 0));
  opaque->release();
  std::ifstream in(dir.file("24.bmp"), std::ios::binary);
  std::vector<uint8_t> bmp24(std::istreambuf_iterator<char>(in), {});
  EXPECT_FALSE(tools::artwork::iconBitmapFromBmp(bmp24, &refused)) << "24 bits per pixel";
}

TEST(IconFile, EverySizeReadsBackThroughTheIconArchive) {
  s::image::installPlatformHooks();
  lumetra::testlib::TempDir dir;
  std::vector<tools::artwork::IconImage> images;
  for (int32_t size : tools::artwork::kIconSizes) {
    tools::artwork::IconImage image{size, encoded(dir, size, size >= 256)};
    if (size < 256) {
      std::vector<uint8_t> entry;
      ASSERT_TRUE(tools::artwork::iconBitmapFromBmp(image.bytes, &entry));
      image.bytes = entry;
    }
    images.push_back(image);
  }
  std::vector<uint8_t> ico = tools::artwork::makeIconFile(images);
  std::ofstream(dir.file("app.ico"), std::ios::binary)
      .write(reinterpret_cast<const char*>(ico.data()), static_cast<std::streamsize>(ico.size()));

  auto* path = s::file::win::PathWin::newFromText(dir.windowsPath("app.ico").c_str());
  auto* archive = s::archive::icon::Archive::take();
  ASSERT_TRUE(archive->open(path));
  ASSERT_EQ(archive->getEntryCount(), 6);
  for (int32_t size : tools::artwork::kIconSizes) {
    int32_t index = -1;
    ASSERT_TRUE(archive->findBestEntry(size, size, &index));
    EXPECT_EQ(archive->getEntry(index)->getWidth(), size);
    EXPECT_EQ(archive->getEntry(index)->getBitCount(), 32);
    BufferedImage* image = archive->getEntryImage(index);
    ASSERT_NE(image, nullptr) << size;
    EXPECT_EQ(image->getWidth(), size);
    EXPECT_EQ(image->getLine(0)[3], 0) << "transparent corner at " << size;
    EXPECT_EQ(image->getLine(size / 2)[size / 2 * 4 + 3], 0xFF) << size;
    image->release();
  }
  archive->release();
  path->release();
}

TEST(SkinPictures, AreOpaqueAndOfTheAboutWindowsWidth) {
  for (int which : {1, 2}) {
    BufferedImage* picture = tools::artwork::drawSkinPicture(which);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->getWidth(), 336);
    EXPECT_EQ(picture->getHeight(), 112);
    EXPECT_FALSE(picture->hasAlpha());
    picture->release();
  }
}
