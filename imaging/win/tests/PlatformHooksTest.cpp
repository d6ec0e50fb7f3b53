// Imaging's calls in platform's table, which platform's icon archive and screen capture make:
// icon entries decode through the icon codec (those of files, of ImageMagick and of the program's
// own icon group), a cut entry decodes to none, and captures come back as opaque image buffers.
#include "imaging/win/PlatformHooks.h"

#include "imaging/ico/IIconImage.h"
#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "platform/archive/icon/Archive.h"
#include "platform/archive/icon/tests/IconFiles.h"
#include "platform/system/monitor/win/Monitor.h"
#include "testlib/TempDir.h"
#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/PaintedWindow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace {

using lumetra::imaging_test::pixelAt;
using s::archive::icon::Archive;
using s::col::_array::ArrayU08;
using s::image::win::BufferedImage;
using winapi::testsupport::paintedWindow;
using namespace icon_testing;
namespace monitor = s::system::monitor::win;

class IconEntries : public ::testing::Test {
 protected:
  void SetUp() override { s::image::installPlatformHooks(); }
  std::filesystem::path save(const std::string& name, const Bytes& bytes) {
    writeFile(temp.file(name), bytes);
    return temp.file(name);
  }
  lumetra::testlib::TempDir temp;
};

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

TEST_F(IconEntries, DecodeThroughTheIconImageCodec) {
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

TEST_F(IconEntries, ACutEntryDecodesToNone) {
  const Bytes good =
      fileOf(1, {{16, 16, 0, 1, 32, filler(50, 1)}, {32, 32, 0, 1, 32, filler(60, 2)}});
  Archive* archive = Archive::take();
  ASSERT_TRUE(openOn(archive, save("cut.ico", Bytes(good.begin(), good.end() - 1))));
  EXPECT_EQ(archive->getEntryImage(1), nullptr);
  EXPECT_EQ(archive->getEntryImage(2), nullptr) << "no such entry";
  archive->release();
}

TEST_F(IconEntries, TheProgramsIconGroupDecodes) {
  auto* module = openOwnProgram();
  ASSERT_NE(module, nullptr);
  Archive* archive = Archive::take();
  ASSERT_TRUE(archive->loadFromGroupIconId(module, 128));
  int32_t index = -1;
  EXPECT_TRUE(archive->findBestEntry(32, 32, &index));
  BufferedImage* image = archive->getEntryImage(index);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->getWidth(), archive->getEntry(index)->getWidth());
  image->release();
  archive->release();
  module->release();
}

TEST_F(IconEntries, ImageMagickIconsComeBackByteForByteAndDecodeToItsPixels) {
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

void twoMonitors() {
  winapi::HeadlessDriver::current()->setMonitors(
      {winapi::Monitor{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}, true},
       winapi::Monitor{RECT{-1280, 0, 0, 1024}, RECT{-1280, 0, 0, 1000}, false}});
}

TEST(ScreenCapture, ARectangleIsCutToTheVirtualScreenAndNothingLeftIsNoImage) {
  twoMonitors();
  s::image::installPlatformHooks();
  // Wholly left of the virtual screen (which starts at -1280).
  EXPECT_EQ(monitor::captureScreenRect(-2000, 0, 500, 100), nullptr);
  EXPECT_EQ(monitor::captureScreenRect(0, 1080, 100, 100), nullptr);
  EXPECT_EQ(monitor::captureScreenRect(10, 10, 0, 10), nullptr);
  // Straddling its left and bottom edges: the visible part only.
  BufferedImage* image = monitor::captureScreenRect(-1300, 1000, 100, 200);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->getWidth(), 80);
  EXPECT_EQ(image->getHeight(), 80);
  EXPECT_FALSE(image->hasAlpha());
  EXPECT_EQ(pixelAt(image, 0, 0), 0xFF000000u) << "no window there: opaque black";
  image->release();
}

TEST(ScreenCapture, AWindowIsCapturedWithItsPixelsOpaque) {
  s::image::installPlatformHooks();
  const RECT r{100, 100, 300, 180};
  HWND hwnd = paintedWindow(u"CaptureTestGreen", RGB(10, 200, 30), r);
  // What lies beside the window on the screen comes too.
  HWND below = paintedWindow(u"CaptureTestRed", RGB(250, 0, 0), RECT{0, 0, 50, 50});
  BufferedImage* image = monitor::captureWindow(hwnd);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->getWidth(), 200);
  EXPECT_EQ(image->getHeight(), 80);
  int wrong = 0;
  for (int32_t y = 0; y < 80; ++y) {
    for (int32_t x = 0; x < 200; ++x) wrong += pixelAt(image, x, y) != 0xFF0AC81Eu;
  }
  EXPECT_EQ(wrong, 0);
  image->release();
  BufferedImage* corner = monitor::captureScreenRect(40, 40, 20, 20);
  ASSERT_NE(corner, nullptr);
  EXPECT_EQ(pixelAt(corner, 0, 0), 0xFFFA0000u);
  EXPECT_EQ(pixelAt(corner, 15, 15), 0xFF000000u);
  corner->release();
  DestroyWindow(below);
  DestroyWindow(hwnd);
  EXPECT_EQ(monitor::captureWindow(hwnd), nullptr) << "not a window any more";
}

}  // namespace
