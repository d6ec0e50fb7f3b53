// Fonts and font settings: the height rule at every display scale, style codes with and without
// marked properties, inheritance, settings made into fonts, point sizes, the native font kept in
// step with every change, and the measured height of the pinned face.
#include "gui/win/Font.h"

#include "gui/app/AppHooks.h"
#include "gui/drawer/ThemeFont.h"
#include "gui/win/FontSetting.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using s::gui::win::Font;
using s::gui::win::FontDescription;
using s::gui::win::FontSetting;

class ScaleHooks : public s::app::IAppHooks {
 public:
  explicit ScaleHooks(uint32_t scale) : m_scale(scale) {}
  uint32_t getDisplayScale() override { return m_scale; }

 private:
  uint32_t m_scale;
};

/// Installs a display scale for the test's lifetime.
class AtScale {
 public:
  explicit AtScale(uint32_t scale) : m_hooks(scale) { s::app::setAppHooks(&m_hooks); }
  ~AtScale() { s::app::setAppHooks(nullptr); }

 private:
  ScaleHooks m_hooks;
};

std::u16string face(s::gui::IFont* font) { return font->getFaceName(); }

TEST(FontHeight, EveryDisplaySizeAtEveryScale) {
  const int32_t sizes[] = {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20};
  const int32_t expected[3][11] = {
      {-8, -9, -11, -12, -13, -15, -16, -19, -21, -24, -27},
      {-16, -19, -21, -24, -27, -29, -32, -37, -43, -48, -53},
      {-32, -37, -43, -48, -53, -59, -64, -75, -85, -96, -107},
  };
  const uint32_t scales[] = {1, 2, 4};
  for (int s = 0; s < 3; ++s) {
    for (int i = 0; i < 11; ++i) {
      EXPECT_EQ(FontDescription::heightForSize(sizes[i], scales[s]), expected[s][i])
          << "size " << sizes[i] << " at scale " << scales[s];
    }
  }
  EXPECT_EQ(FontDescription::heightForSize(1, 1), -1) << "a scaled size of exactly 1";
  EXPECT_EQ(FontDescription::heightForSize(25, 4), -(100 + 98 / 3) - 1) << "100 is still sized";
  EXPECT_EQ(FontDescription::heightForSize(26, 4), -13) << "past 100 falls back";
  EXPECT_EQ(FontDescription::heightForSize(51, 2), -13);
  EXPECT_EQ(FontDescription::heightForSize(50, 2), -133);
}

TEST(Font, AFreshFontFollowsTheDisplayScaleAndTheDefaultFace) {
  const int32_t heights[] = {-13, -27, -53};
  const uint32_t scales[] = {1, 2, 4};
  for (int i = 0; i < 3; ++i) {
    AtScale scale(scales[i]);
    Font font;
    FontSetting setting;
    EXPECT_EQ(font.getHeight(), heights[i]);
    EXPECT_EQ(setting.getHeight(), heights[i]);
    EXPECT_EQ(face(&font), u"MS Shell Dlg 2");
    const LOGFONTW* lf = font.getLogFont();
    EXPECT_EQ(lf->lfWeight, 400);
    EXPECT_EQ(lf->lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf->lfOutPrecision, OUT_STRING_PRECIS);
    EXPECT_EQ(lf->lfClipPrecision, CLIP_STROKE_PRECIS);
    EXPECT_EQ(lf->lfQuality, CLEARTYPE_QUALITY);
    EXPECT_EQ(lf->lfPitchAndFamily, VARIABLE_PITCH);
    EXPECT_EQ(font.getEffectColor1(), 0xEEEEEEu);
    EXPECT_FALSE(font.hasExplicitProperties());
  }
}

bool themeFont(LOGFONTW* font) {
  *font = LOGFONTW{};
  font->lfHeight = -40;
  font->lfWeight = 700;
  const char16_t name[] = u"Segoe UI";
  std::copy(std::begin(name), std::end(name), font->lfFaceName);
  return true;
}

bool noThemeFont(LOGFONTW*) { return false; }

TEST(Font, OnlyTheThemeFontsFaceIsTaken) {
  s::gui::drawer::setThemeFontLookup(&themeFont);
  Font themed;
  s::gui::drawer::setThemeFontLookup(&noThemeFont);
  Font plain;
  s::gui::drawer::setThemeFontLookup(nullptr);
  EXPECT_EQ(face(&themed), u"Segoe UI");
  EXPECT_EQ(themed.getHeight(), -13) << "the size follows the rule, not the theme";
  EXPECT_EQ(themed.getWeight(), 400);
  EXPECT_FALSE(themed.hasExplicitProperties());
  EXPECT_EQ(face(&plain), u"MS Shell Dlg 2") << "a lookup that answers false keeps the default";
}

struct StyleCase {
  int32_t code;
  int32_t weight;
  int32_t height[3];  // at scales 1, 2, 4
};

TEST(FontStyleCode, WeightAndSizeAtEveryScale) {
  const StyleCase cases[] = {
      {-2, 400, {-11, -21, -43}},  {0, 400, {-13, -27, -53}},      {100, 700, {-19, -37, -75}},
      {102, 700, {-21, -43, -85}}, {100001, 400, {-11, -21, -43}},
  };
  const uint32_t scales[] = {1, 2, 4};
  for (int s = 0; s < 3; ++s) {
    AtScale scale(scales[s]);
    for (const StyleCase& c : cases) {
      Font font;
      font.setStyleCode(c.code);
      EXPECT_EQ(font.getStyleCode(), c.code);
      EXPECT_EQ(font.getWeight(), c.weight) << "code " << c.code;
      EXPECT_EQ(font.getHeight(), c.height[s]) << "code " << c.code << " at scale " << scales[s];
      EXPECT_FALSE(font.hasExplicitProperties()) << "style codes mark nothing";
      FontSetting setting;
      setting.setStyleCode(c.code);
      EXPECT_EQ(setting.getWeight(), c.weight);
      EXPECT_EQ(setting.getHeight(), c.height[s]);
    }
  }
}

TEST(FontStyleCode, MarkedBoldAndSizeStayAndOtherCodesChangeOnlyTheCode) {
  Font bold;
  bold.setBold(true);
  bold.setStyleCode(0);
  EXPECT_EQ(bold.getWeight(), 700) << "bold is marked";
  EXPECT_EQ(bold.getHeight(), -13);

  Font light;
  light.setBold(false);
  light.setStyleCode(100);
  EXPECT_EQ(light.getWeight(), 400) << "a marked normal weight survives a bold code";
  EXPECT_EQ(light.getHeight(), -19);

  Font sized;
  sized.setHeight(-30);
  sized.setStyleCode(102);
  EXPECT_EQ(sized.getHeight(), -30) << "the size is marked";
  EXPECT_EQ(sized.getWeight(), 700);

  Font other;
  other.setStyleCode(100);
  other.setStyleCode(5000);
  EXPECT_EQ(other.getStyleCode(), 5000);
  EXPECT_EQ(other.getWeight(), 700) << "5000 leaves the previous weight";
  EXPECT_EQ(other.getHeight(), -19) << "and the previous size";
}

TEST(FontInheritance, UnmarkedPropertiesComeFromTheSourceInOrder) {
  Font source;
  source.setFaceName(u"DejaVu Sans Mono");
  source.setTextColor(10, 20, 30);
  source.setEffectColor1(1, 2, 3);
  source.setEffectColor2(4, 5, 6);
  source.setWeight(600);
  source.setHeight(-20);
  source.setWidth(7);
  source.setItalic(true);
  source.setUnderline(true);
  source.setStrikeOut(true);
  source.setClearType(false);
  source.setWordWrap(true);
  source.setEndEllipsis(true);
  source.setTextEffect(3);
  source.setStyleCode(5000);

  Font target;
  target.setFaceName(u"Kept");
  target.setHeight(-9);
  target.inheritFromFont(&source);
  EXPECT_EQ(face(&target), u"Kept") << "a marked face stays";
  EXPECT_EQ(target.getHeight(), -9) << "a marked size stays";
  EXPECT_EQ(target.getWidth(), 0);
  EXPECT_EQ(target.getTextColor(), RGB(10, 20, 30));
  EXPECT_EQ(target.getEffectColor1(), RGB(1, 2, 3));
  EXPECT_EQ(target.getEffectColor2(), RGB(4, 5, 6));
  EXPECT_EQ(target.getWeight(), 700) << "a bold source gives 700 whatever its own weight";
  EXPECT_TRUE(target.isItalic());
  EXPECT_TRUE(target.isUnderline());
  EXPECT_TRUE(target.isStrikeOut());
  EXPECT_FALSE(target.isClearType());
  EXPECT_EQ(target.getLogFont()->lfQuality, NONANTIALIASED_QUALITY);
  EXPECT_FALSE(target.isWordWrap()) << "line handling is never inherited";
  EXPECT_FALSE(target.isEndEllipsis());
  EXPECT_EQ(target.getTextEffect(), 0);
  EXPECT_EQ(target.getStyleCode(), 0);
  EXPECT_EQ(target.getMarkers(), s::gui::win::kFaceMarker | s::gui::win::kSizeMarker)
      << "inheritance marks nothing";

  FontSetting sourceSetting;
  sourceSetting.setFaceName(u"DejaVu Sans Mono");
  sourceSetting.setWeight(600);
  sourceSetting.setHeight(-20);
  sourceSetting.setWidth(7);
  FontSetting setting;
  setting.inheritFrom(nullptr);
  setting.setBold(false);
  setting.inheritFrom(&sourceSetting);
  EXPECT_EQ(setting.getWeight(), 400) << "the setting's bold marker holds";
  EXPECT_EQ(std::u16string(setting.getFaceName()), u"DejaVu Sans Mono");
  EXPECT_EQ(setting.getHeight(), -20);
  EXPECT_EQ(setting.getWidth(), 7);

  Font fromSetting;
  fromSetting.inheritFromSetting(&setting);
  EXPECT_EQ(fromSetting.getWeight(), 400) << "a normal setting gives 400";
  EXPECT_EQ(fromSetting.getHeight(), -20);
}

TEST(FontSetting, CreateFontCarriesTheWholeDescriptionWithItsMarkers) {
  FontSetting setting;
  setting.setFaceName(u"DejaVu Serif");
  setting.setTextColor(300, 20, 5);
  setting.setEffectColor1(7, 8, 9);
  setting.setEffectColor2(1, 1, 1);
  setting.setHeight(-17);
  setting.setBold(true);
  setting.setItalic(true);
  setting.setUnderline(false);
  setting.setStrikeOut(false);
  setting.setWeight(800);
  setting.setClearType(true);
  setting.setWordWrap(true);
  setting.setEndEllipsis(true);
  setting.setTextEffect(2);
  setting.setStyleCode(5000);
  EXPECT_EQ(setting.getTextColorRed(), 44) << "colours keep the low 8 bits";
  EXPECT_EQ(setting.getMarkers(), 0x7FF) << "all eleven markers";

  std::unique_ptr<s::gui::IFont, void (*)(s::gui::IFont*)> made(
      setting.createFont(), [](s::gui::IFont* f) { f->release(); });
  ASSERT_NE(made, nullptr);
  auto* font = static_cast<Font*>(made.get());
  EXPECT_EQ(font->getMarkers(), 0x7FF);
  EXPECT_EQ(face(font), u"DejaVu Serif");
  EXPECT_EQ(font->getTextColor(), RGB(44, 20, 5));
  EXPECT_EQ(font->getWeight(), 800);
  EXPECT_TRUE(font->isWordWrap());
  EXPECT_TRUE(font->isEndEllipsis());
  EXPECT_EQ(font->getTextEffect(), 2);
  EXPECT_EQ(font->getStyleCode(), 5000);
  LOGFONTW native{};
  ASSERT_EQ(GetObjectW(font->getHandle(), sizeof native, &native), static_cast<int>(sizeof native));
  EXPECT_EQ(native.lfHeight, -17) << "the native font is built from the description";

  Font plain;
  font->inheritFromFont(&plain);
  EXPECT_EQ(face(font), u"DejaVu Serif") << "every marked property survives inheritance";
  EXPECT_EQ(font->getHeight(), -17);
  EXPECT_EQ(font->getWeight(), 800) << "bold is marked: the weight is not inherited";
}

TEST(Font, PointSizesAreMeasuredAt96DotsPerInch) {
  AtScale scale(2);
  Font font;
  font.setPointSize(9);
  EXPECT_EQ(font.getHeight(), -12) << "9 points at 96 dpi, not scaled by the display";
  EXPECT_EQ(font.getWidth(), 0);
  font.setStyleCode(0);
  EXPECT_EQ(font.getHeight(), -12) << "a point size marks the size";
  FontSetting setting;
  setting.setPointSize(12);
  EXPECT_EQ(setting.getHeight(), -16);
}

TEST(Font, EveryChangeOfTheNativeRecordRebuildsTheNativeFont) {
  Font font;
  HFONT before = font.getHandle();
  ASSERT_NE(before, nullptr);
  font.setItalic(true);
  HFONT after = font.getHandle();
  EXPECT_NE(after, before);
  LOGFONTW lf{};
  EXPECT_EQ(GetObjectW(before, sizeof lf, &lf), 0) << "the old native font is deleted";
  ASSERT_EQ(GetObjectW(after, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfItalic, 1);

  font.setTextColor(1, 2, 3);
  font.setWordWrap(true);
  EXPECT_EQ(font.getHandle(), after) << "colours and line handling are not native";
  font.setStyleCode(100);
  EXPECT_NE(font.getHandle(), after);
}

TEST(Font, AnAttachedContextTakesEveryNewTextColour) {
  CDC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
  Font font;
  font.setAttachedDc(&dc);
  font.setTextColor(200, 100, 50);
  EXPECT_EQ(GetTextColor(dc.m_hDC), RGB(200, 100, 50));
  Font source;
  source.setTextColor(1, 2, 3);
  Font inheriting;
  inheriting.setAttachedDc(&dc);
  inheriting.inheritFromFont(&source);
  EXPECT_EQ(GetTextColor(dc.m_hDC), RGB(1, 2, 3)) << "an inherited colour too";
}

TEST(Font, LongFacesAreCutAndMarked) {
  Font font;
  font.setFaceName(u"An extremely long face name that no font has");
  EXPECT_EQ(face(&font).size(), 31u);
  EXPECT_EQ(face(&font),
            std::u16string(u"An extremely long face name that no font has").substr(0, 31));
  EXPECT_TRUE(font.hasExplicitProperties());
  font.setFaceName(nullptr);
  EXPECT_EQ(face(&font), u"");
}

TEST(Font, TheTextHeightOfThePinnedFace) {
  Font normal;
  EXPECT_EQ(normal.getTextHeight(), 15) << "DejaVu Sans at -13";
  Font large;
  large.setStyleCode(100);
  EXPECT_GT(large.getTextHeight(), normal.getTextHeight());
}

}  // namespace
