// Icon and cursor files as archives: directories read and refused, the best entry for a size,
// one-image extracts, whole files written back byte for byte, entries decoded through the icon
// image codec, icon groups of a module, and files ImageMagick writes.
#include "platform/archive/icon/Archive.h"

#include "core/col/array/ArrayU08.h"
#include "core/file/win/PathWin.h"
#include "imaging/ico/IIconImage.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/PlatformHooks.h"
#include "platform/archive/cur/Archive.h"
#include "platform/archive/dll/win/Archive.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using s::archive::icon::Archive;
using s::col::_array::ArrayU08;
using s::file::win::PathWin;
using Bytes = std::vector<uint8_t>;
namespace cur = s::archive::cur;

Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

void put16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(Bytes& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

struct Image {
  uint8_t width, height, colours;
  uint16_t planesOrX, bitsOrY;
  Bytes bytes;
};

// A file of these images, laid out as writers do: header, records, images in order.
Bytes fileOf(uint16_t type, const std::vector<Image>& images) {
  Bytes out;
  put16(out, 0);
  put16(out, type);
  put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (const Image& i : images) {
    out.insert(out.end(), {i.width, i.height, i.colours, 0});
    put16(out, i.planesOrX);
    put16(out, i.bitsOrY);
    put32(out, static_cast<uint32_t>(i.bytes.size()));
    put32(out, offset);
    offset += static_cast<uint32_t>(i.bytes.size());
  }
  for (const Image& i : images) out.insert(out.end(), i.bytes.begin(), i.bytes.end());
  return out;
}

Bytes filler(size_t size, uint8_t seed) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

template <typename A>
bool openOn(A* archive, const std::filesystem::path& file) {
  const std::u16string text = u"Z:" + std::filesystem::path(file).u16string();
  std::u16string windows = text;
  for (auto& c : windows) c = c == u'/' ? u'\\' : c;
  PathWin* path = PathWin::newFromText(windows.c_str());
  const bool ok = archive->open(path);
  path->release();
  return ok;
}

template <typename Write>
Bytes written(Write write) {
  ArrayU08* out = ArrayU08::take();
  Bytes bytes;
  if (write(out)) bytes.assign(out->getItems(), out->getItems() + out->getCount());
  out->release();
  return bytes;
}

class IconArchive : public ::testing::Test {
 protected:
  void SetUp() override { s::image::installPlatformHooks(); }
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
  EXPECT_EQ(archive->getEntryImage(1), nullptr);
  EXPECT_EQ(archive->getEntryImage(2), nullptr);
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

// The DIB entry of an icon image: 2 x 2 at 32 bits, one transparent pixel.
Bytes smallEntry() {
  Bytes e;
  for (uint32_t v : {40u, 2u, 4u}) put32(e, v);
  put16(e, 1);
  put16(e, 32);
  for (int i = 0; i < 6; ++i) put32(e, 0);
  for (uint32_t p : {0xFF0000FFu, 0x00000000u, 0xFF00FF00u, 0x80FF0000u}) put32(e, p);
  for (int i = 0; i < 8; ++i) e.push_back(0);
  return e;
}

TEST_F(IconArchive, EntriesDecodeThroughTheIconImageCodec) {
  Archive* archive = Archive::take();
  ASSERT_TRUE(openOn(archive, save("small.ico", fileOf(1, {{2, 2, 0, 1, 32, smallEntry()}}))));
  s::image::win::BufferedImage* image = archive->getEntryImage(0);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->getWidth(), 2);
  EXPECT_TRUE(image->hasAlpha());
  // Rows are stored bottom-up: the first two pixels are the lower row.
  EXPECT_EQ(*reinterpret_cast<const uint32_t*>(image->getLine(1)), 0xFF0000FFu);
  EXPECT_EQ(reinterpret_cast<const uint32_t*>(image->getLine(0))[1], 0x80FF0000u);
  image->release();
  s::image::ico::IIconImage* icon = archive->getEntry(0)->createIconImage();
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->getWidth(), 2);
  EXPECT_EQ(std::u16string(icon->getClassName()), u"s_image_ico_win_IconImage");
  icon->release();
  archive->release();
}

TEST_F(IconArchive, GroupOfTheProgramWritesBackItsSourceFile) {
  char16_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  auto* module = s::archive::dll::win::Archive::take();
  PathWin* path = PathWin::newFromText(std::u16string(self, n).c_str());
  ASSERT_TRUE(module->open(path));
  path->release();
  Archive* archive = Archive::take();
  EXPECT_FALSE(archive->loadFromGroupIconId(module, 999));
  EXPECT_FALSE(archive->loadFromGroupIconName(module, u"NONE"));
  ASSERT_TRUE(archive->loadFromGroupIconId(module, 128));
  EXPECT_FALSE(archive->isOpenedFromFile());
  EXPECT_EQ(archive->getEntryCount(), 3);
  const Bytes source =
      readFile(std::filesystem::path(LUMETRA_ICON_TEST_DATA) / "../../../tests/data/app.ico");
  EXPECT_EQ(written([&](ArrayU08* out) { return archive->writeIco(out); }), source);
  int32_t index = -1;
  EXPECT_TRUE(archive->findBestEntry(32, 32, &index));
  s::image::win::BufferedImage* image = archive->getEntryImage(index);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->getWidth(), archive->getEntry(index)->getWidth());
  image->release();
  archive->release();
  module->release();
}

bool haveImageMagick() { return std::system("convert -version > /dev/null 2>&1") == 0; }

int run(const std::string& command) { return std::system(command.c_str()); }

TEST_F(IconArchive, ImageMagickIconsComeBackByteForByteAndDecodeToItsPixels) {
  if (!haveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const std::string dir = temp.path().string();
  ASSERT_EQ(run("convert -size 64x64 radial-gradient:'rgba(255,0,0,1)-rgba(0,0,255,0)' " + dir +
                "/pic.png"),
            0);
  ASSERT_EQ(
      run("convert " + dir + "/pic.png -define icon:auto-resize=256,48,32,16 " + dir + "/auto.ico"),
      0);
  ASSERT_EQ(
      run("convert " + dir + "/pic.png -alpha off -colors 200 -define icon:auto-resize=32 " + dir +
          "/c8.png && convert " + dir + "/pic.png -alpha off -colors 12 -resize 16x16 " + dir +
          "/c4.png && convert " + dir + "/c8.png " + dir + "/c4.png " + dir + "/pal.ico"),
      0);
  for (const char* name : {"auto.ico", "pal.ico"}) {
    Archive* archive = Archive::take();
    ASSERT_TRUE(openOn(archive, temp.file(name))) << name;
    EXPECT_EQ(written([&](ArrayU08* out) { return archive->writeIco(out); }),
              readFile(temp.file(name)))
        << name;
    for (int32_t i = 0; i < archive->getEntryCount(); ++i) {
      const std::string one = dir + "/one" + std::to_string(i) + ".ico";
      writeFile(one, written([&](ArrayU08* out) {
                  return archive->extractEntry(archive->getEntry(i), out);
                }));
      const std::string size = std::to_string(archive->getEntry(i)->getWidth()) + "x" +
                               std::to_string(archive->getEntry(i)->getHeight());
      EXPECT_EQ(run("identify " + one + " | grep -q ' " + size + " '"), 0) << name << " " << i;
      // The entry decoded by ImageMagick and by us, as RGBA bytes.
      const std::string rgba = dir + "/im" + std::to_string(i) + ".rgba";
      ASSERT_EQ(run("convert " + one + " -depth 8 rgba:" + rgba), 0);
      const Bytes theirs = readFile(rgba);
      s::image::win::BufferedImage* image = archive->getEntryImage(i);
      ASSERT_NE(image, nullptr) << name << " " << i;
      Bytes ours;
      for (int32_t y = 0; y < image->getHeight(); ++y) {
        const uint8_t* row = image->getLine(y);
        for (int32_t x = 0; x < image->getWidth(); ++x) {
          const uint8_t* p = row + 4 * x;
          // Fully transparent pixels carry no colour to compare.
          if (p[3] == 0) {
            ours.insert(ours.end(), {0, 0, 0, 0});
          } else {
            ours.insert(ours.end(), {p[2], p[1], p[0], p[3]});
          }
        }
      }
      Bytes cleared = theirs;
      for (size_t k = 0; k + 3 < cleared.size(); k += 4) {
        if (cleared[k + 3] == 0) cleared[k] = cleared[k + 1] = cleared[k + 2] = 0;
      }
      EXPECT_EQ(ours, cleared) << name << " entry " << i;
      image->release();
    }
    int32_t best = -1;
    if (std::string(name) == "auto.ico") {
      EXPECT_TRUE(archive->findBestEntry(256, 256, &best));
      EXPECT_EQ(archive->getEntry(best)->getWidth(), 256);
    }
    archive->release();
  }
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
