// The save-option panels over their encode settings in a test registry: the texts they accept,
// the captions in English and through a localizer, the choices they start from, their edits by
// clicks, typing, the slider and the colour dialog, and what an apply stores.
#include "gui/image/boxes/BgGroupBox.h"
#include "gui/image/boxes/BmpConfigBox.h"
#include "gui/image/boxes/ColorPicker.h"
#include "gui/image/boxes/GifConfigBox.h"
#include "gui/image/boxes/JpgConfigBox.h"
#include "gui/image/boxes/OptionPanels.h"
#include "gui/image/boxes/PngConfigBox.h"
#include "gui/image/boxes/tests/OptionPanelsFixture.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"
#include "gui/win/tests/TestLanguages.h"

#include "core/col/array/ArrayU08.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/GroupBox.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Slider.h"
#include "gui/win/TextField.h"
#include "imaging/bmp/EncodeSetting.h"
#include "imaging/gif/EncodeSetting.h"
#include "imaging/jpg/EncodeSetting.h"
#include "imaging/png/EncodeSetting.h"
#include "platform/lang/Localizer.h"
#include "platform/reg/MappedData.h"
#include "platform/reg/win/RegDir.h"
#include "platform/xml/Node.h"
#include "testlib/TempDir.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using lumetra::testgui::OptionPanels;
using lumetra::testgui::settle;
using s::gui::win::RadioButton;
using s::image::gui::IEncodeSettingBox;
using s::image::gui::boxes::BgGroupBox;
using s::image::gui::boxes::BmpConfigBox;
using s::image::gui::boxes::ColorPicker;
using s::image::gui::boxes::GifConfigBox;
using s::image::gui::boxes::JpgConfigBox;
using s::image::gui::boxes::PngConfigBox;

std::u16string textOf(RadioButton* radio) { return radio->getText(); }

TEST(OptionPanelTexts, HexColoursAreSixDigitsOfEitherCase) {
  EXPECT_EQ(ColorPicker::parseHex(u"0a0B0c"), 0x0A0B0C);
  EXPECT_EQ(ColorPicker::parseHex(u"FFFFFF"), 0xFFFFFF);
  EXPECT_EQ(ColorPicker::parseHex(u"000000"), 0);
  for (const char16_t* refused : {u"0a0B0", u"0a0B0g", u"0a0B0c0", u"", u" 0a0b0", u"#0a0b0"}) {
    EXPECT_EQ(ColorPicker::parseHex(refused), -1) << std::u16string(refused).size();
  }
  EXPECT_EQ(ColorPicker::parseHex(nullptr), -1);
}

TEST(OptionPanelTexts, QualitiesAreOneToThreeDigitsUpToAHundred) {
  EXPECT_EQ(JpgConfigBox::parseQuality(u"0"), 0);
  EXPECT_EQ(JpgConfigBox::parseQuality(u"7"), 7);
  EXPECT_EQ(JpgConfigBox::parseQuality(u"075"), 75);
  EXPECT_EQ(JpgConfigBox::parseQuality(u"100"), 100);
  for (const char16_t* refused : {u"101", u"1000", u"", u"-5", u"5 ", u"x"}) {
    EXPECT_EQ(JpgConfigBox::parseQuality(refused), -1);
  }
}

TEST_F(OptionPanels, WithoutALocalizerEveryCaptionIsEnglish) {
  auto* setting = bound<s::image::bmp::EncodeSetting>();
  auto* panel = dynamic_cast<BmpConfigBox*>(setting->createPanel());
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(std::u16string(panel->getClassName()), u"s_image_gui_boxes_BmpConfigBox");
  EXPECT_EQ(std::u16string(panel->getName()), u"Bitmap");
  ASSERT_NE(panel->buildPanel(), nullptr);
  BgGroupBox* background = panel->getBackground();
  EXPECT_EQ(textOf(background->getKeepRadio()), u"Keep Transparency");
  EXPECT_EQ(textOf(background->getFillRadio()), u"Fill Color");
  EXPECT_EQ(std::u16string(background->getColorRow()->getButton()->getText()), u" Change Color ");
  EXPECT_EQ(textOf(panel->getChoice(0)), u"32 Bpp (16,777,216 Colors with Transparency)");
  EXPECT_EQ(textOf(panel->getChoice(1)), u"24 Bpp (16,777,216 Colors)");
  EXPECT_EQ(textOf(panel->getChoice(2)), u"8 Bpp (256 Colors)");
  EXPECT_EQ(textOf(panel->getChoice(3)), u"4 Bpp (16 Colors)");
  auto* root = dynamic_cast<s::gui::win::Box*>(panel->getRoot());
  ASSERT_EQ(root->getChildCount(), 2);
  EXPECT_EQ(std::u16string(dynamic_cast<s::gui::win::GroupBox*>(root->getChild(0))->getText()),
            u"Background");
  EXPECT_EQ(std::u16string(dynamic_cast<s::gui::win::GroupBox*>(root->getChild(1))->getText()),
            u"Resolution");
  // Never placed in a window, the root is the test's to give back.
  root->release();
}

TEST_F(OptionPanels, CaptionsComeFromThePackThatHasThemAndStayEnglishOtherwise) {
  std::ifstream in(LUMETRA_LANGPACK_XML, std::ios::binary);
  ASSERT_TRUE(in) << LUMETRA_LANGPACK_XML;
  const std::string built((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto* bytes = s::col::_array::ArrayU08::take();
  for (char c : built) bytes->push(static_cast<uint8_t>(c));
  auto* pack = s::xml::Node::take();
  ASSERT_TRUE(pack->parseBytes(bytes));
  bytes->release();
  m_localizer = s::lang::Localizer::take();
  m_localizer->loadFromXml(pack);
  pack->release();
  m_localizer->selectLanguage(u"German");
  window->setLocalizer(m_localizer);
  auto* png = shown<PngConfigBox>(bound<s::image::png::EncodeSetting>());
  EXPECT_EQ(textOf(png->getBackground()->getKeepRadio()), u"Transparenz beibehalten");
  EXPECT_EQ(std::u16string(png->getInterlaceBox()->getText()), u"Zeilensprung aktivieren");
  EXPECT_EQ(std::u16string(png->getBackground()->getColorRow()->getButton()->getText()),
            u" Farbe ändern ");

  // A pack without the panels' texts leaves them in English rather than blank.
  window->setLocalizer(nullptr);
  m_localizer->release();
  m_localizer = lumetra::testgui::englishAndGerman(
      u"<entry id=\"1001000\"><eng>Drop Box</eng><deu>Ablage</deu></entry>");
  m_localizer->selectLanguage(u"German");
  window->setLocalizer(m_localizer);
  auto* gif = shown<GifConfigBox>(bound<s::image::gif::EncodeSetting>());
  EXPECT_EQ(textOf(gif->getBackground()->getFillRadio()), u"Fill Color");
  EXPECT_EQ(textOf(gif->getEightBitChoice()), u"8 Bpp (256 Colors)");
}

TEST_F(OptionPanels, ABmpDepthOfSixteenShowsNoChoiceAndStaysThroughAnApply) {
  auto* setting = bound<s::image::bmp::EncodeSetting>();
  setting->setKeepTransparency(false);
  setting->setBpp(16);
  auto* panel = shown<BmpConfigBox>(setting);
  for (int i = 0; i < BmpConfigBox::kChoices; ++i) {
    EXPECT_FALSE(panel->getChoice(i)->isChecked()) << i;
    EXPECT_TRUE(panel->getChoice(i)->isEnabled()) << i;
  }
  EXPECT_TRUE(setting->applyPanel());
  EXPECT_EQ(reread<s::image::bmp::EncodeSetting>()->getBpp(), 16);
  EXPECT_FALSE(reread<s::image::bmp::EncodeSetting>()->getKeepTransparency());
}

TEST_F(OptionPanels, KeepingTransparencyDisablesTheSmallDepthsAndMovesTheirChoiceTo32) {
  auto* setting = bound<s::image::bmp::EncodeSetting>();
  setting->setKeepTransparency(true);
  setting->setBpp(8);
  auto* panel = shown<BmpConfigBox>(setting);
  BgGroupBox* background = panel->getBackground();
  EXPECT_TRUE(panel->getChoice(0)->isEnabled());
  for (int i = 1; i < BmpConfigBox::kChoices; ++i) EXPECT_FALSE(panel->getChoice(i)->isEnabled());
  EXPECT_TRUE(panel->getChoice(2)->isChecked()) << "the stored depth is shown as it is";
  EXPECT_FALSE(background->getColorRow()->getTextField()->isEnabled());
  EXPECT_FALSE(background->getColorRow()->getButton()->isEnabled());

  click(background->getFillRadio());
  EXPECT_FALSE(background->getKeepRadio()->isChecked());
  for (int i = 1; i < BmpConfigBox::kChoices; ++i) EXPECT_TRUE(panel->getChoice(i)->isEnabled());
  EXPECT_TRUE(background->getColorRow()->getTextField()->isEnabled());
  EXPECT_TRUE(background->getColorRow()->getButton()->isEnabled());
  click(panel->getChoice(1));
  EXPECT_TRUE(panel->getChoice(1)->isChecked());
  EXPECT_FALSE(panel->getChoice(2)->isChecked());

  click(background->getKeepRadio());
  EXPECT_FALSE(background->getFillRadio()->isChecked()) << "one of the two is checked";
  EXPECT_FALSE(background->getColorRow()->getTextField()->isEnabled());
  EXPECT_TRUE(panel->getChoice(0)->isChecked());
  for (int i = 1; i < BmpConfigBox::kChoices; ++i) {
    EXPECT_FALSE(panel->getChoice(i)->isChecked()) << i;
    EXPECT_FALSE(panel->getChoice(i)->isEnabled()) << i;
  }
  EXPECT_TRUE(setting->applyPanel());
  auto* stored = reread<s::image::bmp::EncodeSetting>();
  EXPECT_EQ(stored->getBpp(), 32);
  EXPECT_TRUE(stored->getKeepTransparency());
}

TEST_F(OptionPanels, TheColourRowTakesSixHexDigitsAndTheDialogsAnswer) {
  auto* setting = bound<s::image::gif::EncodeSetting>();
  setting->setKeepTransparency(false);
  setting->setBgRed(0x12);
  setting->setBgGreen(0x34);
  setting->setBgBlue(0x56);
  setting->setBpp(4);
  auto* panel = shown<GifConfigBox>(setting);
  ColorPicker* row = panel->getBackground()->getColorRow();
  EXPECT_EQ(std::u16string(row->getTextField()->getText()), u"123456");
  EXPECT_EQ(row->getSwatch()->getBackgroundColor(), RGB(0x12, 0x34, 0x56));
  EXPECT_TRUE(panel->getFourBitChoice()->isChecked());
  int told = 0;
  lumetra::testgui::Listener listener([&](int32_t) { ++told; });
  panel->addListener(&listener);

  row->getTextField()->setText(u"0a0B0c", true);
  settle(window->getHandle());
  EXPECT_EQ(row->getColor(), 0x0A0B0C);
  EXPECT_EQ(told, 1);
  for (const char16_t* ignored : {u"0a0b0", u"0a0bGc", u"0A0B0C"}) {
    row->getTextField()->setText(ignored, true);
    settle(window->getHandle());
  }
  EXPECT_EQ(row->getColor(), 0x0A0B0C);
  EXPECT_EQ(told, 1) << "the same colour in capitals tells nobody";

  winapi::HeadlessDriver::current()->scriptColour(RGB(1, 2, 3));
  click(row->getButton());
  EXPECT_EQ(row->getColor(), 0x010203);
  EXPECT_EQ(std::u16string(row->getTextField()->getText()), u"010203");
  EXPECT_EQ(row->getSwatch()->getBackgroundColor(), RGB(1, 2, 3));
  EXPECT_EQ(told, 2);
  winapi::HeadlessDriver::current()->scriptCancel();
  click(row->getButton());
  EXPECT_EQ(row->getColor(), 0x010203) << "Cancel keeps the colour";
  EXPECT_EQ(told, 2);

  click(panel->getEightBitChoice());
  EXPECT_TRUE(setting->applyPanel());
  auto* stored = reread<s::image::gif::EncodeSetting>();
  EXPECT_EQ(stored->getBgRed(), 1);
  EXPECT_EQ(stored->getBgGreen(), 2);
  EXPECT_EQ(stored->getBgBlue(), 3);
  EXPECT_EQ(stored->getBpp(), 8);
  EXPECT_FALSE(stored->getKeepTransparency());
}

TEST_F(OptionPanels, TheJpegFieldAndSliderFollowEachOther) {
  auto* setting = bound<s::image::jpg::EncodeSetting>();
  setting->setQuality(40);
  auto* panel = shown<JpgConfigBox>(setting);
  BgGroupBox* background = panel->getBackground();
  EXPECT_FALSE(background->getKeepRadio()->isEnabled()) << "a JPEG has no transparency";
  EXPECT_FALSE(background->getKeepRadio()->isChecked());
  EXPECT_TRUE(background->getFillRadio()->isChecked());
  EXPECT_TRUE(background->getColorRow()->getTextField()->isEnabled());
  s::gui::win::TextField* field = panel->getQualityField();
  s::gui::win::Slider* slider = panel->getQualitySlider();
  EXPECT_EQ(std::u16string(field->getText()), u"40");
  EXPECT_EQ(slider->getPosition(), 40);

  field->setText(u"55", true);
  settle(window->getHandle());
  EXPECT_EQ(slider->getPosition(), 55);
  for (const char16_t* ignored : {u"101", u"1000", u"", u"abc"}) {
    field->setText(ignored, true);
    settle(window->getHandle());
    EXPECT_EQ(slider->getPosition(), 55) << std::u16string(ignored).size();
  }
  field->setText(u"0", true);
  settle(window->getHandle());
  EXPECT_EQ(slider->getPosition(), 0);

  // A key moves the track bar; the field follows.
  SendMessageW(slider->GetSafeHwnd(), WM_KEYDOWN, VK_RIGHT, 0);
  SendMessageW(slider->GetSafeHwnd(), WM_KEYUP, VK_RIGHT, 0);
  settle(window->getHandle());
  const int32_t moved = slider->getPosition();
  EXPECT_GT(moved, 0);
  const std::string digits = std::to_string(moved);
  EXPECT_EQ(std::u16string(field->getText()), std::u16string(digits.begin(), digits.end()));

  background->getColorRow()->getTextField()->setText(u"ff8000", true);
  settle(window->getHandle());
  EXPECT_TRUE(setting->applyPanel());
  auto* stored = reread<s::image::jpg::EncodeSetting>();
  EXPECT_EQ(stored->getQuality(), moved);
  EXPECT_EQ(stored->getBgRed(), 255);
  EXPECT_EQ(stored->getBgGreen(), 128);
  EXPECT_EQ(stored->getBgBlue(), 0);
}

TEST_F(OptionPanels, ThePngCheckBoxIsTheInterlacing) {
  auto* setting = bound<s::image::png::EncodeSetting>();
  setting->setWithInterlace(true);
  auto* panel = shown<PngConfigBox>(setting);
  EXPECT_TRUE(panel->getInterlaceBox()->isChecked());
  EXPECT_TRUE(panel->getBackground()->getKeepRadio()->isChecked());
  click(panel->getInterlaceBox());
  click(panel->getBackground()->getFillRadio());
  EXPECT_TRUE(setting->applyPanel());
  auto* stored = reread<s::image::png::EncodeSetting>();
  EXPECT_FALSE(stored->getWithInterlace());
  EXPECT_FALSE(stored->getKeepTransparency());
}

TEST_F(OptionPanels, APanelGivenBackStartsAgainFromItsResetValues) {
  auto* setting = bound<s::image::jpg::EncodeSetting>();
  IEncodeSettingBox* first = setting->createPanel();
  first->setName(u"Renamed");
  first->setOwnerWindow(window.window);
  s::gui::win::Box* box = first->buildPanel();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(first->buildPanel(), box) << "built once";
  box->release();
  setting->reset();  // gives the panel back
  auto* again = dynamic_cast<JpgConfigBox*>(bound<s::image::jpg::EncodeSetting>()->createPanel());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(std::u16string(again->getName()), u"Jpeg");
  EXPECT_EQ(again->getRoot(), nullptr);
  EXPECT_EQ(again->getBackground(), nullptr);
  EXPECT_EQ(again->getOwnerWindow(), nullptr);
  EXPECT_EQ(again->getQualityField(), nullptr);
  EXPECT_EQ(again->getColor(), 0xFFFFFF);
  EXPECT_EQ(again->getQuality(), 75);
}

}  // namespace
