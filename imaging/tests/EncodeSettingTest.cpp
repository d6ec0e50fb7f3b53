// Encode settings: their values in both settings stores under their sub-keys, the images they
// make (through the codecs' createLike too), the single-image sets, and the glue to the option
// panels through the toolkit's hooks.
#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "imaging/bmp/EncodeSetting.h"
#include "imaging/bmp/win/Bitmap.h"
#include "imaging/filters/sharpness/Sharpness.h"
#include "imaging/gui/EncodeSettingPanels.h"
#include "imaging/gui/IEncodeSettingBox.h"
#include "imaging/jpg/EncodeSetting.h"
#include "imaging/jpg/win/Jpeg.h"
#include "imaging/png/EncodeSetting.h"
#include "imaging/png/win/Png.h"
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
#include <memory>
#include <string>

using lumetra::imaging_test::pixelAt;
using lumetra::imaging_test::toImage;
using lumetra::imaging_test::toPicture;
using lumetra::testlib::makeAlphaRamp;
using lumetra::testlib::makeGradient;
using lumetra::testlib::makeNoise;
using lumetra::testlib::Picture;
using s::col::_array::ArrayU08;
using s::image::IEncodedImage;
using s::image::gui::IEncodeSettingBox;
using s::image::win::BufferedImage;
using s::image::win::BufferedImageSet;
using s::map::IMappedData;

namespace {

constexpr const char16_t* kSection = u"Software\\Tovi\\Test\\Image";

/// A settings store of either kind in a temporary folder of its own.
class Stores : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      setenv("LUMETRA_REGISTRY", (m_dir.path() / "registry.sqlite3").c_str(), 1);
      auto* store = s::reg::MappedData::take();
      auto* base = s::reg::win::RegDir::take();
      base->open(HKEY_CURRENT_USER, u"Software\\Tovi");
      store->setBaseKey(base);
      m_registry = store;
      m_store = store;
    } else {
      auto* path = s::str::strbuffer::StrBuffer::take();
      path->assign(m_dir.windowsPath("SaveData.xml").c_str());
      m_xml = s::xml::MappedData::openFile(path);
      m_store = m_xml;
      path->release();
    }
    ASSERT_NE(nullptr, m_store);
  }
  void TearDown() override {
    if (m_registry != nullptr) m_registry->release();
    if (m_xml != nullptr) m_xml->release();
    unsetenv("LUMETRA_REGISTRY");
  }
  static std::u16string section(const char16_t* subKey) {
    return std::u16string(kSection) + subKey;
  }

  lumetra::testlib::TempDir m_dir;
  IMappedData* m_store = nullptr;
  s::reg::MappedData* m_registry = nullptr;
  s::xml::MappedData* m_xml = nullptr;
};

std::string storeName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "Registry" : "Xml";
}

/// Encodes, writes and reads back through the format's own reader.
template <class Codec>
Picture writtenAndRead(IEncodedImage* encoded, bool* hasAlpha = nullptr) {
  ArrayU08* bytes = ArrayU08::take();
  EXPECT_TRUE(encoded->write(bytes));
  bytes->rewind();
  Codec* again = Codec::take();
  EXPECT_TRUE(again->read(bytes));
  BufferedImage* image = again->getImage(0, nullptr);
  Picture p = toPicture(image);
  if (hasAlpha != nullptr) *hasAlpha = image->hasAlpha();
  image->release();
  again->release();
  bytes->release();
  return p;
}

/// A panel the tests stand in for the toolkit's: it remembers its setting and what was asked.
class TestPanel final : public IEncodeSettingBox {
 public:
  const WCHAR* getClassName() const override { return u"TestPanel"; }
  s::base::IObject* newInstance() const override { return nullptr; }
  void setOwnerWindow(s::gui::win::Window*) override {}
  s::gui::win::Box* buildPanel() override { return nullptr; }
  const WCHAR* getName() override { return u"Test"; }
  void setName(const WCHAR*) override {}

  s::image::gui::PanelFormat format{};
  s::image::IEncodeSetting* setting = nullptr;
  int applied = 0;
  bool givenBack = false;
};

class TestPanels final : public s::image::gui::IEncodeSettingPanels {
 public:
  IEncodeSettingBox* takePanel(s::image::gui::PanelFormat format,
                               s::image::IEncodeSetting* setting) override {
    auto* panel = new TestPanel();
    panel->format = format;
    panel->setting = setting;
    panels.emplace_back(panel);
    return panel;
  }
  bool applyPanel(IEncodeSettingBox* box) override {
    auto* panel = static_cast<TestPanel*>(box);
    ++panel->applied;
    // What the BMP and PNG panels do: their values into the setting, then its save.
    if (auto* bmp = dynamic_cast<s::image::bmp::EncodeSetting*>(panel->setting)) {
      bmp->setBpp(8);
      bmp->setBgGreen(7);
      bmp->save();
    } else if (auto* png = dynamic_cast<s::image::png::EncodeSetting*>(panel->setting)) {
      png->setWithInterlace(false);
      png->setKeepTransparency(false);
      png->save();
    }
    return true;
  }
  int32_t getPanelColor(IEncodeSettingBox*) override { return 0x123456; }
  int32_t getPanelQuality(IEncodeSettingBox*) override { return 33; }
  void givePanelBack(IEncodeSettingBox* box) override {
    static_cast<TestPanel*>(box)->givenBack = true;
  }

  std::vector<std::unique_ptr<TestPanel>> panels;
};

}  // namespace

TEST_P(Stores, ValuesLoadFromTheirSubKeys) {
  // A stored quality of 90 under "\JpgEncodeSetting" loads; the rest keep their defaults.
  m_store->setInt32(section(u"\\JpgEncodeSetting").c_str(), u"Quality", 90);
  auto* jpeg = s::image::jpg::EncodeSetting::take();
  jpeg->bind(kSection, m_store);
  EXPECT_TRUE(jpeg->hasStore());
  EXPECT_EQ(m_store, jpeg->getStore());
  EXPECT_EQ(90, jpeg->getQuality());
  EXPECT_EQ(255, jpeg->getBgRed());
  jpeg->release();
  // Without the value the quality stays 75.
  jpeg = s::image::jpg::EncodeSetting::take();
  jpeg->bind(u"Software\\Tovi\\Elsewhere", m_store);
  EXPECT_EQ(75, jpeg->getQuality());
  jpeg->release();

  m_store->setBool(section(u"\\PngEncodeSetting").c_str(), u"WithInterlace", false);
  m_store->setInt32(section(u"\\BmpEncodeSetting").c_str(), u"Bpp", 7);
  m_store->setInt32(section(u"\\BmpEncodeSetting").c_str(), u"BgRed", 300);
  auto* png = s::image::png::EncodeSetting::take();
  png->bind(kSection, m_store);
  EXPECT_FALSE(png->getWithInterlace());
  EXPECT_TRUE(png->getKeepTransparency());
  auto* bmp = s::image::bmp::EncodeSetting::take();
  bmp->bind(kSection, m_store);
  // Stored values come as they are; they are checked where they are used.
  EXPECT_EQ(7, bmp->getBpp());
  EXPECT_EQ(300, bmp->getBgRed());
  png->release();
  bmp->release();
}

TEST_P(Stores, SavedValuesComeBackInAFreshBinding) {
  auto* bmp = s::image::bmp::EncodeSetting::take();
  bmp->bind(kSection, m_store);
  bmp->setKeepTransparency(false);
  bmp->setBgRed(1);
  bmp->setBgGreen(2);
  bmp->setBgBlue(3);
  bmp->setBpp(4);
  EXPECT_TRUE(bmp->save());
  bmp->release();
  auto* png = s::image::png::EncodeSetting::take();
  png->bind(kSection, m_store);
  png->setWithInterlace(false);
  png->setBgBlue(9);
  EXPECT_TRUE(png->save());
  png->release();
  auto* jpeg = s::image::jpg::EncodeSetting::take();
  jpeg->bind(kSection, m_store);
  jpeg->setQuality(42);
  jpeg->setBgGreen(0);
  EXPECT_TRUE(jpeg->save());
  jpeg->release();
  m_store->flush();

  // The names of the table, read from the store itself.
  EXPECT_FALSE(m_store->getBool(section(u"\\BmpEncodeSetting").c_str(), u"KeepTransparency", true));
  EXPECT_EQ(4, m_store->getInt32(section(u"\\BmpEncodeSetting").c_str(), u"Bpp", 0));
  EXPECT_EQ(3, m_store->getInt32(section(u"\\BmpEncodeSetting").c_str(), u"BgBlue", 0));
  EXPECT_FALSE(m_store->getBool(section(u"\\PngEncodeSetting").c_str(), u"WithInterlace", true));
  EXPECT_TRUE(m_store->getBool(section(u"\\PngEncodeSetting").c_str(), u"KeepTransparency", false));
  EXPECT_EQ(42, m_store->getInt32(section(u"\\JpgEncodeSetting").c_str(), u"Quality", 0));

  bmp = s::image::bmp::EncodeSetting::take();
  EXPECT_EQ(24, bmp->getBpp());  // a pooled setting comes back with the defaults
  bmp->bind(kSection, m_store);
  EXPECT_FALSE(bmp->getKeepTransparency());
  EXPECT_EQ(1, bmp->getBgRed());
  EXPECT_EQ(2, bmp->getBgGreen());
  EXPECT_EQ(3, bmp->getBgBlue());
  EXPECT_EQ(4, bmp->getBpp());
  bmp->release();
  png = s::image::png::EncodeSetting::take();
  png->bind(kSection, m_store);
  EXPECT_FALSE(png->getWithInterlace());
  EXPECT_EQ(9, png->getBgBlue());
  png->release();
  jpeg = s::image::jpg::EncodeSetting::take();
  jpeg->bind(kSection, m_store);
  EXPECT_EQ(42, jpeg->getQuality());
  EXPECT_EQ(0, jpeg->getBgGreen());
  jpeg->release();
}

INSTANTIATE_TEST_SUITE_P(EncodeSetting, Stores, ::testing::Values(true, false), storeName);

TEST(EncodeSetting, WithoutAStoreNothingLoadsOrSaves) {
  auto* png = s::image::png::EncodeSetting::take();
  EXPECT_FALSE(png->hasStore());
  png->setBgRed(10);
  EXPECT_FALSE(png->load());
  EXPECT_FALSE(png->save());
  EXPECT_EQ(10, png->getBgRed());
  EXPECT_STREQ(reinterpret_cast<const char*>(u"s_image_png_EncodeSetting"),
               reinterpret_cast<const char*>(png->getClassName()));
  png->release();
}

TEST(EncodeSetting, BmpImagesFollowTheirValues) {
  const Picture ramp = makeAlphaRamp(24, 10);
  BufferedImage* image = toImage(ramp);
  auto* bmp = s::image::bmp::EncodeSetting::take();
  for (int32_t bpp : {4, 8, 16, 24, 32}) {
    for (bool keep : {true, false}) {
      bmp->setBpp(bpp);
      bmp->setKeepTransparency(keep);
      auto* made = static_cast<s::image::bmp::win::Bitmap*>(bmp->createEncoded(image));
      ASSERT_NE(nullptr, made);
      EXPECT_EQ(bpp, made->getBitCount());
      bool alpha = false;
      const Picture back = writtenAndRead<s::image::bmp::win::Bitmap>(made, &alpha);
      EXPECT_EQ(ramp.width, back.width);
      // Only 32 bits with keep hold the alpha.
      EXPECT_EQ(bpp == 32 && keep, alpha) << bpp << keep;
      made->release();
    }
  }
  // A colour outside 0 to 255 is clamped; a depth no codec makes gives an image that fails to
  // write rather than a broken file.
  bmp->setBpp(24);
  bmp->setKeepTransparency(false);
  bmp->setBgRed(300);
  bmp->setBgGreen(-5);
  bmp->setBgBlue(128);
  Picture clear(4, 4, 0x00000000u);
  BufferedImage* transparent = toImage(clear);
  IEncodedImage* flat = bmp->createEncoded(transparent);
  EXPECT_EQ(0xFFFF0080u, writtenAndRead<s::image::bmp::win::Bitmap>(flat).at(1, 1));
  flat->release();
  for (int32_t bpp : {7, 1, 0}) {
    bmp->setBpp(bpp);
    IEncodedImage* broken = bmp->createEncoded(image);
    ASSERT_NE(nullptr, broken);
    ArrayU08* bytes = ArrayU08::take();
    EXPECT_FALSE(broken->write(bytes)) << bpp;
    bytes->release();
    broken->release();
  }
  transparent->release();
  bmp->release();
  image->release();
}

TEST(EncodeSetting, JpegAndPngImagesFollowTheirValues) {
  BufferedImage* image = toImage(makeAlphaRamp(16, 8));
  auto* jpeg = s::image::jpg::EncodeSetting::take();
  jpeg->setQuality(140);
  auto* madeJpeg = static_cast<s::image::jpg::win::Jpeg*>(jpeg->createEncoded(image));
  EXPECT_EQ(100, madeJpeg->getQuality());
  EXPECT_EQ(24, madeJpeg->getBitCount());
  madeJpeg->release();
  jpeg->release();

  auto* png = s::image::png::EncodeSetting::take();
  auto* interlaced = static_cast<s::image::png::win::Png*>(png->createEncoded(image));
  EXPECT_TRUE(interlaced->getInterlace());
  bool alpha = false;
  EXPECT_EQ(makeAlphaRamp(16, 8).pixels,
            writtenAndRead<s::image::png::win::Png>(interlaced, &alpha).pixels);
  EXPECT_TRUE(alpha);
  interlaced->release();
  png->setWithInterlace(false);
  png->setKeepTransparency(false);
  png->setBgRed(0);
  auto* flat = static_cast<s::image::png::win::Png*>(png->createEncoded(image));
  EXPECT_FALSE(flat->getInterlace());
  writtenAndRead<s::image::png::win::Png>(flat, &alpha);
  EXPECT_FALSE(alpha);
  flat->release();
  png->release();
  image->release();
}

TEST(EncodeSetting, ImagesAreMadeOfTheFilteredResult) {
  const Picture noise = makeNoise(20, 12, 6);
  BufferedImage* image = toImage(noise);
  image->addFilter(s::image::filters::sharpness::Sharpness::takeLevel(80));
  auto* png = s::image::png::EncodeSetting::take();
  IEncodedImage* made = png->createEncoded(image);
  const Picture expected = toPicture(image->getFiltered());
  EXPECT_NE(noise.pixels, expected.pixels);
  EXPECT_EQ(expected.pixels, writtenAndRead<s::image::png::win::Png>(made).pixels);
  made->release();
  png->release();
  image->release();
}

TEST(EncodeSetting, SetsGiveTheirBestImage) {
  BufferedImageSet* set = BufferedImageSet::take();
  set->addImage(toImage(makeGradient(8, 8)), 32, 0, 0);
  set->addImage(toImage(makeNoise(20, 10, 1)), 32, 0, 0);
  set->addImage(toImage(makeGradient(4, 4)), 32, 0, 0);
  auto* png = s::image::png::EncodeSetting::take();
  IEncodedImage* made = png->createFromSet(set);
  EXPECT_EQ(makeNoise(20, 10, 1).pixels, writtenAndRead<s::image::png::win::Png>(made).pixels);
  made->release();
  BufferedImageSet* empty = BufferedImageSet::take();
  EXPECT_EQ(nullptr, png->createFromSet(empty));
  png->release();
  // The codecs' createLikeFromSet go the same way, with the format's defaults.
  auto* jpeg = s::image::jpg::win::Jpeg::take();
  IEncodedImage* likeJpeg = jpeg->createLikeFromSet(set);
  EXPECT_EQ(20, likeJpeg->getWidth());
  EXPECT_EQ(75, static_cast<s::image::jpg::win::Jpeg*>(likeJpeg)->getQuality());
  likeJpeg->release();
  auto* bitmap = s::image::bmp::win::Bitmap::take();
  bitmap->createDib(2, 2, 8);
  IEncodedImage* likeBmp = bitmap->createLikeFromSet(set);
  EXPECT_EQ(8, static_cast<s::image::bmp::win::Bitmap*>(likeBmp)->getBitCount());
  EXPECT_EQ(20, likeBmp->getWidth());
  likeBmp->release();
  bitmap->release();
  jpeg->release();
  empty->release();
  set->release();
}

TEST(EncodeSetting, CodecsLikeImagesAndSingleImageSets) {
  const Picture ramp = makeAlphaRamp(12, 6);
  BufferedImage* image = toImage(ramp);
  auto* png = s::image::png::win::Png::take();
  auto* like = static_cast<s::image::png::win::Png*>(png->createLike(image));
  EXPECT_TRUE(like->getInterlace());
  EXPECT_EQ(ramp.pixels, writtenAndRead<s::image::png::win::Png>(like).pixels);
  // Each single-image format's set holds its one image keyed by its bit count.
  auto* set = static_cast<BufferedImageSet*>(like->getImageSet());
  ASSERT_EQ(1, set->getImageCount());
  EXPECT_EQ(32, set->getKey(0));
  EXPECT_EQ(ramp.pixels, toPicture(set->getImage(0)).pixels);
  EXPECT_TRUE(set->getImage(0)->hasAlpha());
  set->release();
  auto* jpegCodec = s::image::jpg::win::Jpeg::take();
  auto* jpeg = static_cast<s::image::jpg::win::Jpeg*>(jpegCodec->createLike(image));
  set = static_cast<BufferedImageSet*>(jpeg->getImageSet());
  EXPECT_EQ(24, set->getKey(0));
  set->release();
  auto* bitmap = s::image::bmp::win::Bitmap::take();
  bitmap->createDib(1, 1, 4);
  auto* bmp = static_cast<s::image::bmp::win::Bitmap*>(bitmap->createLike(image));
  EXPECT_EQ(4, bmp->getBitCount());
  set = static_cast<BufferedImageSet*>(bmp->getImageSet());
  EXPECT_EQ(4, set->getKey(0));
  EXPECT_EQ(12, set->getImage(0)->getWidth());
  set->release();
  bmp->release();
  bitmap->release();
  jpeg->release();
  jpegCodec->release();
  like->release();
  png->release();
  image->release();
}

TEST_P(Stores, PanelsThroughTheToolkitsHooks) {
  // No panels installed: none is made, and applying answers true with nothing saved.
  auto* bmp = s::image::bmp::EncodeSetting::take();
  bmp->bind(kSection, m_store);
  EXPECT_EQ(nullptr, bmp->createPanel());
  bmp->setBpp(32);
  EXPECT_TRUE(bmp->applyPanel());
  EXPECT_FALSE(m_store->hasKey(section(u"\\BmpEncodeSetting").c_str(), u"Bpp"));

  TestPanels panels;
  s::image::gui::setEncodeSettingPanels(&panels);
  // Linked both ways; BMP and PNG apply through their panels, which save.
  auto* box = static_cast<TestPanel*>(bmp->createPanel());
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(box, bmp->getPanel());
  EXPECT_EQ(bmp, box->setting);
  EXPECT_EQ(s::image::gui::PanelFormat::Bmp, box->format);
  EXPECT_TRUE(bmp->applyPanel());
  EXPECT_EQ(1, box->applied);
  EXPECT_EQ(8, m_store->getInt32(section(u"\\BmpEncodeSetting").c_str(), u"Bpp", 0));
  EXPECT_EQ(7, m_store->getInt32(section(u"\\BmpEncodeSetting").c_str(), u"BgGreen", 0));

  auto* png = s::image::png::EncodeSetting::take();
  png->bind(kSection, m_store);
  auto* pngBox = static_cast<TestPanel*>(png->createPanel());
  EXPECT_EQ(s::image::gui::PanelFormat::Png, pngBox->format);
  EXPECT_TRUE(png->applyPanel());
  EXPECT_FALSE(m_store->getBool(section(u"\\PngEncodeSetting").c_str(), u"WithInterlace", true));

  // JPEG reads the colour row (0x00RRGGBB) and the slider itself, and saves.
  auto* jpeg = s::image::jpg::EncodeSetting::take();
  jpeg->bind(kSection, m_store);
  auto* jpegBox = static_cast<TestPanel*>(jpeg->createPanel());
  EXPECT_EQ(s::image::gui::PanelFormat::Jpg, jpegBox->format);
  EXPECT_TRUE(jpeg->applyPanel());
  EXPECT_EQ(0, jpegBox->applied);
  EXPECT_EQ(0x12, jpeg->getBgRed());
  EXPECT_EQ(0x34, jpeg->getBgGreen());
  EXPECT_EQ(0x56, jpeg->getBgBlue());
  EXPECT_EQ(33, jpeg->getQuality());
  EXPECT_EQ(33, m_store->getInt32(section(u"\\JpgEncodeSetting").c_str(), u"Quality", 0));
  EXPECT_EQ(0x56, m_store->getInt32(section(u"\\JpgEncodeSetting").c_str(), u"BgBlue", 0));

  // A setting going back to its pool gives its panel back.
  bmp->release();
  png->release();
  jpeg->release();
  EXPECT_TRUE(box->givenBack);
  EXPECT_TRUE(pngBox->givenBack);
  EXPECT_TRUE(jpegBox->givenBack);
  s::image::gui::setEncodeSettingPanels(nullptr);
}
