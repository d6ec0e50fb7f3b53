// GIF encode settings: their values in both settings stores, and the GIFs they make of a buffer
// or a set, also through the codec's createLike.
#include "imaging/gif/EncodeSetting.h"

#include "core/str/strbuffer/StrBuffer.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/gif/win/Gif.h"
#include "imaging/tests/Pictures.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/BufferedImageSet.h"
#include "platform/reg/MappedData.h"
#include "platform/reg/win/RegDir.h"
#include "platform/xml/MappedData.h"
#include "testlib/ImageGen.h"
#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using lumetra::imaging_test::toImage;
using lumetra::testlib::makeFewColours;
using lumetra::testlib::Picture;
using s::image::gif::EncodeSetting;
using s::image::gif::win::Gif;
using s::image::win::BufferedImage;
using s::image::win::BufferedImageSet;

namespace {

constexpr const char16_t* kSection = u"Software\\Tovi\\Test\\Image";
const std::u16string kGifSection = std::u16string(kSection) + u"\\GifEncodeSetting";

}  // namespace

TEST(GifEncodeSetting, ValuesLiveBelowTheirSubKeyInBothStores) {
  for (const bool registry : {true, false}) {
    lumetra::testlib::TempDir dir;
    s::map::IMappedData* store = nullptr;
    s::reg::MappedData* inRegistry = nullptr;
    s::xml::MappedData* inXml = nullptr;
    if (registry) {
      setenv("LUMETRA_REGISTRY", (dir.path() / "registry.sqlite3").c_str(), 1);
      auto* mapped = s::reg::MappedData::take();
      auto* base = s::reg::win::RegDir::take();
      base->open(HKEY_CURRENT_USER, u"Software\\Tovi");
      mapped->setBaseKey(base);
      store = inRegistry = mapped;
    } else {
      auto* path = s::str::strbuffer::StrBuffer::take();
      path->assign(dir.windowsPath("SaveData.xml").c_str());
      store = inXml = s::xml::MappedData::openFile(path);
      path->release();
    }
    ASSERT_NE(nullptr, store) << registry;
    store->setInt32(kGifSection.c_str(), u"Bpp", 4);
    store->setBool(kGifSection.c_str(), u"WithInterlace", false);
    auto* setting = EncodeSetting::take();
    setting->bind(kSection, store);
    EXPECT_EQ(4, setting->getBpp()) << registry;
    EXPECT_FALSE(setting->getWithInterlace());
    EXPECT_TRUE(setting->getKeepTransparency());
    EXPECT_EQ(255, setting->getBgGreen());
    setting->setKeepTransparency(false);
    setting->setBgRed(12);
    EXPECT_TRUE(setting->save());
    setting->release();
    EXPECT_FALSE(store->getBool(kGifSection.c_str(), u"KeepTransparency", true)) << registry;
    EXPECT_EQ(12, store->getInt32(kGifSection.c_str(), u"BgRed", 0));
    setting = EncodeSetting::take();
    EXPECT_EQ(8, setting->getBpp());  // back from the pool with the defaults
    EXPECT_FALSE(setting->save());    // no store bound
    setting->bind(kSection, store);
    EXPECT_FALSE(setting->getKeepTransparency());
    EXPECT_EQ(12, setting->getBgRed());
    EXPECT_EQ(4, setting->getBpp());
    EXPECT_STREQ(reinterpret_cast<const char*>(u"s_image_gif_EncodeSetting"),
                 reinterpret_cast<const char*>(setting->getClassName()));
    setting->release();
    if (inRegistry != nullptr) inRegistry->release();
    if (inXml != nullptr) inXml->release();
    unsetenv("LUMETRA_REGISTRY");
  }
}

TEST(GifEncodeSetting, MakesFramesAndAnimationsWithItsValues) {
  Picture picture = makeFewColours(12, 8, 40, 9);
  picture.at(0, 0) = 0x00000000u;
  BufferedImage* image = toImage(picture);
  auto* setting = EncodeSetting::take();
  for (const int32_t bpp : {4, 8}) {
    setting->setBpp(bpp);
    auto* gif = static_cast<Gif*>(setting->createEncoded(image));
    ASSERT_NE(nullptr, gif);
    EXPECT_EQ((1 << bpp) - 1, gif->getTransparentIndex(0)) << bpp;
    EXPECT_EQ((1 << bpp) - 1, gif->getFrame(0)->getLine(0)[0]) << bpp;
    // No more than (1 << bpp) - 1 colours are used.
    for (int32_t y = 0; y < 8; ++y) {
      for (int32_t x = 0; x < 12; ++x) EXPECT_LE(gif->getFrame(0)->getLine(y)[x], (1 << bpp) - 1);
    }
    gif->release();
  }
  // Without keep the hole takes the background, clamped into a channel.
  setting->setKeepTransparency(false);
  setting->setBgRed(300);
  setting->setBgGreen(0);
  setting->setBgBlue(0);
  setting->setBpp(8);
  auto* flat = static_cast<Gif*>(setting->createEncoded(image));
  EXPECT_EQ(-1, flat->getTransparentIndex(0));
  BufferedImage* decoded = flat->getImage(0, nullptr);
  EXPECT_EQ(0xFFFF0000u, lumetra::imaging_test::pixelAt(decoded, 0, 0));
  decoded->release();
  flat->release();
  setting->release();

  // One image gives one frame; an animated set an animated GIF with the set's delays.
  setting = EncodeSetting::take();
  BufferedImageSet* set = BufferedImageSet::take();
  set->addImage(image->copy(nullptr), 32, 70, 0);
  auto* single = static_cast<Gif*>(setting->createFromSet(set));
  EXPECT_EQ(1, single->getFrameCount());
  single->release();
  set->addImage(toImage(makeFewColours(12, 8, 40, 10)), 32, 130, 1);
  set->setAnimation(true, 4);
  auto* animated = static_cast<Gif*>(setting->createFromSet(set));
  ASSERT_EQ(2, animated->getFrameCount());
  EXPECT_EQ(70, animated->getFrameDelay(0));
  EXPECT_EQ(130, animated->getFrameDelay(1));
  EXPECT_EQ(4, animated->getLoopCount());
  animated->release();
  setting->release();

  // The codec's own createLike: 8 bits for a GIF never read, its own bit count otherwise.
  auto* codec = Gif::take();
  auto* like = static_cast<Gif*>(codec->createLike(image));
  EXPECT_EQ(255, like->getTransparentIndex(0));
  auto* likeSet = static_cast<Gif*>(codec->createLikeFromSet(set));
  EXPECT_EQ(2, likeSet->getFrameCount());
  likeSet->release();
  like->release();
  codec->release();
  set->release();
  image->release();
}
