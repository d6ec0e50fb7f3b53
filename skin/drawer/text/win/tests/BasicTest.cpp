// The basic text drawer on a 32-bit canvas with the pinned face: every text effect's passes and
// colours (hashes), the line handling of each font mode and of line mode 1, the measurements and
// what effects add to them, fonts taking over the drawer's settings, texts from the string table,
// and empty rectangles.
#include "skin/drawer/text/win/Basic.h"

#include "gui/win/Font.h"
#include "gui/win/FontSetting.h"
#include "testlib/TempDir.h"
#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using s::gui::drawer::text::win::Basic;
using s::gui::win::Font;

constexpr uint32_t kPaper = 0xFFFFFFFF;

/// A white canvas with a framework DC over it.
class Page {
 public:
  Page(int width, int height) : canvas(width, height) {
    canvas.fill(kPaper);
    dc.Attach(canvas.dc());
  }
  ~Page() { dc.Detach(); }

  /// The smallest rectangle holding every pixel that is not paper; empty when there is none.
  RECT inked() const {
    RECT box{canvas.width(), canvas.height(), 0, 0};
    for (int y = 0; y < canvas.height(); ++y) {
      for (int x = 0; x < canvas.width(); ++x) {
        if (canvas.at(x, y) != kPaper) {
          box.left = std::min<LONG>(box.left, x);
          box.top = std::min<LONG>(box.top, y);
          box.right = std::max<LONG>(box.right, x + 1);
          box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
      }
    }
    return box.right == 0 ? RECT{0, 0, 0, 0} : box;
  }
  bool has(uint32_t rgb) const { return count(rgb) > 0; }
  int count(uint32_t rgb) const {
    int n = 0;
    for (int y = 0; y < canvas.height(); ++y) {
      for (int x = 0; x < canvas.width(); ++x) {
        n += (canvas.at(x, y) & 0xFFFFFF) == rgb ? 1 : 0;
      }
    }
    return n;
  }

  Canvas canvas;
  CDC dc;
};

class TextDrawer : public testing::Test {
 protected:
  void SetUp() override { drawer = Basic::take(); }
  void TearDown() override { drawer->release(); }
  Basic* drawer = nullptr;
};

TEST_F(TextDrawer, EveryEffectPaintsItsPassesInTheirColours) {
  // Hashes of "Effects" in red with the effect colours blue and green, one per effect code.
  const uint64_t hashes[8] = {
      0x24cb2670584ee94cull, 0xd03a493473415924ull, 0x57598616451d6870ull, 0xe3243bf0c21601e3ull,
      0x139f52ac96f861a4ull, 0xf23c7047261b55ceull, 0x7678d4472707c9bfull, 0x1a69599179d6e6dbull,
  };
  for (int effect = 0; effect < 8; ++effect) {
    Page page(80, 24);
    Font font;
    font.setTextColor(200, 0, 0);
    font.setEffectColor1(0, 0, 255);
    font.setEffectColor2(0, 160, 0);
    font.setTextEffect(effect);
    // Large enough for the shadow's stems to show in its full colour beside the text's.
    font.setHeight(-17);
    drawer->paint(&page.dc, 2, 2, 78, 22, u"Effects", &font);
    EXPECT_PAINTED(page.canvas, hashes[effect], "text_effect_" + std::to_string(effect));
    EXPECT_EQ(page.has(0x0000FF), effect == 1) << "outline in the first effect colour, " << effect;
    EXPECT_EQ(page.has(0x00A000), effect == 7) << "outline in the second effect colour, " << effect;
    // The shadow shows in its own colour along the stems; a blend elsewhere may hit it by chance.
    EXPECT_EQ(page.count(0x777777) >= 8, effect == 2)
        << "a grey shadow under coloured text, " << effect << ": " << page.count(0x777777);
    EXPECT_EQ(GetBkMode(page.dc.m_hDC), OPAQUE) << "the background mode is restored";
    EXPECT_EQ(GetTextColor(page.dc.m_hDC), RGB(0, 0, 0)) << "the text colour is restored";
  }
  Page page(80, 24);
  Font font;
  font.setTextEffect(9);
  drawer->paint(&page.dc, 0, 0, 80, 24, u"Effects", &font);
  EXPECT_EQ(page.inked().right, 0) << "an unknown effect draws nothing";
}

TEST_F(TextDrawer, BlackTextCastsALightShadow) {
  Page page(80, 24);
  Font font;
  font.setTextEffect(2);
  drawer->paint(&page.dc, 2, 2, 78, 22, u"Shadow", &font);
  EXPECT_TRUE(page.has(0xEEEEEE));
  EXPECT_FALSE(page.has(0x777777));
}

TEST_F(TextDrawer, EmptyRectanglesAndMissingStringsPaintNothing) {
  Page page(60, 20);
  Font font;
  drawer->paint(&page.dc, 10, 0, 10, 20, u"Nothing", &font);
  drawer->paint(&page.dc, 0, 12, 60, 5, u"Nothing", &font);
  drawer->paint(&page.dc, 0, 0, 60, 20, nullptr, &font);
  drawer->paint(&page.dc, 0, 0, 60, 20, reinterpret_cast<const WCHAR*>(uintptr_t{4000}), &font);
  EXPECT_EQ(page.inked().right, 0);
}

TEST_F(TextDrawer, FontModesChooseTheLineHandling) {
  const char16_t* text = u"one two three four five six";
  Font plain;
  Page single(60, 60);
  drawer->paint(&single.dc, 0, 0, 60, 60, text, &plain);
  RECT one = single.inked();
  EXPECT_LT(one.bottom, 20) << "one line, ending at the right edge";

  Font wrapping;
  wrapping.setWordWrap(true);
  Page wrapped(60, 60);
  drawer->paint(&wrapped.dc, 0, 0, 60, 60, text, &wrapping);
  EXPECT_GT(wrapped.inked().bottom, 30) << "words go on to further lines";

  Font ellipsis;
  ellipsis.setEndEllipsis(true);
  Page cut(60, 60);
  drawer->paint(&cut.dc, 0, 0, 60, 60, text, &ellipsis);
  // A plain line too ends in an ellipsis at a whole character rather than in a cut letter.
  EXPECT_EQ(cut.canvas.hash(), single.canvas.hash()) << "the line ends in an ellipsis";
  EXPECT_LT(cut.inked().bottom, 20);

  // Line mode 1: one line centred both ways, with an ellipsis whatever the font says.
  drawer->setLineMode(1);
  Page centred(200, 40);
  drawer->paint(&centred.dc, 0, 0, 200, 40, u"Mid", &wrapping);
  RECT box = centred.inked();
  EXPECT_NEAR(box.left + box.right, 200, 3) << "centred across";
  EXPECT_NEAR(box.top + box.bottom, 40, 6) << "centred down";
  Page narrow(60, 40);
  drawer->paint(&narrow.dc, 0, 0, 60, 40, text, &wrapping);
  RECT narrowBox = narrow.inked();
  EXPECT_LT(narrowBox.bottom - narrowBox.top, 16) << "one line only";
  EXPECT_LE(narrowBox.right, 60);
}

TEST_F(TextDrawer, MeasurementsGrowWithTheEffect) {
  Page page(10, 10);
  Font font;
  int32_t w0 = 0, h0 = 0;
  EXPECT_EQ(drawer->measureText(&page.dc, 0, 0, 500, 100, u"Measure", &font, w0, h0), h0);
  EXPECT_GT(w0, 0);
  EXPECT_EQ(h0, font.getTextHeight());
  const int32_t widthAdded[8] = {0, 2, 1, 2, 0, 2, 0, 2};
  for (int effect = 1; effect < 8; ++effect) {
    font.setTextEffect(effect);
    int32_t w = 0, h = 0;
    drawer->measureText(&page.dc, 0, 0, 500, 100, u"Measure", &font, w, h);
    EXPECT_EQ(w, w0 + widthAdded[effect]) << "effect " << effect;
    EXPECT_EQ(h, h0 + 1) << "effect " << effect;
  }
  EXPECT_EQ(GetCurrentObject(page.dc.m_hDC, OBJ_FONT), GetStockObject(SYSTEM_FONT))
      << "the previous font is selected again";
}

TEST_F(TextDrawer, MeasureLinesOfPlainEllipsisAndWrappingFonts) {
  Page page(10, 10);
  const char16_t* text = u"a few words to wrap";
  Font plain;
  int32_t oneW = 0, oneH = 0;
  drawer->measureText(&page.dc, 0, 0, 1000, 100, text, &plain, oneW, oneH);

  int32_t minW = -1, minH = -1, prefW = -1, prefH = -1;
  drawer->measureLines(&page.dc, text, &plain, minW, minH, prefW, prefH);
  EXPECT_EQ(minW, oneW);
  EXPECT_EQ(minH, oneH);
  EXPECT_EQ(prefW, oneW);
  EXPECT_EQ(prefH, oneH);

  Font ellipsis;
  ellipsis.setEndEllipsis(true);
  ellipsis.setTextEffect(1);
  drawer->measureLines(&page.dc, text, &ellipsis, minW, minH, prefW, prefH);
  EXPECT_EQ(minW, 1 + 2) << "an ellipsis line may shrink to nothing, plus the outline";
  EXPECT_EQ(minH, oneH + 1);
  EXPECT_EQ(prefW, oneW + 2);
  EXPECT_EQ(prefH, oneH + 1);

  Font wrapping;
  wrapping.setWordWrap(true);
  drawer->measureLines(&page.dc, text, &wrapping, minW, minH, prefW, prefH);
  EXPECT_EQ(prefW, oneW);
  EXPECT_EQ(minH, oneH);
  EXPECT_EQ(minW, oneW) << "wrapped within the one-line rectangle";
  EXPECT_EQ(prefH, 0);
}

TEST_F(TextDrawer, FontsTakeOverTheUnmarkedPartsOfTheSettings) {
  drawer->getFontSetting()->setTextColor(1, 2, 3);
  drawer->getFontSetting()->setFaceName(u"DejaVu Serif");
  drawer->getDisabledFontSetting()->setItalic(true);
  Font normal;
  normal.setStyleCode(100);
  Font marked;
  marked.setTextColor(9, 9, 9);
  marked.setItalic(false);
  drawer->applyToFonts(&normal, &marked, nullptr, nullptr, nullptr);
  EXPECT_EQ(normal.getTextColor(), RGB(1, 2, 3));
  EXPECT_EQ(std::u16string(normal.getFaceName()), u"DejaVu Serif");
  EXPECT_EQ(drawer->getFontSetting()->getStyleCode(), 100) << "the setting took the font's code";
  EXPECT_TRUE(normal.isBold()) << "and so the code's weight came back";
  EXPECT_EQ(normal.getHeight(), -19);
  EXPECT_EQ(marked.getTextColor(), RGB(9, 9, 9)) << "a marked colour stays";
  EXPECT_FALSE(marked.isItalic()) << "a marked style stays";

  s::gui::win::FontSetting link;
  drawer->applyToFontSettings(nullptr, nullptr, &link, nullptr, nullptr);
  EXPECT_EQ(link.getTextColor(), RGB(0, 170, 0));
  EXPECT_TRUE(link.isUnderline());
}

TEST_F(TextDrawer, ResetRecoloursTheSettings) {
  drawer->getDisabledFontSetting()->setTextColor(5, 5, 5);
  drawer->getLinkFontSetting()->setUnderline(false);
  drawer->setLineMode(1);
  drawer->reset();
  EXPECT_EQ(drawer->getFontSetting()->getTextColor(), RGB(0, 0, 0));
  EXPECT_EQ(drawer->getDisabledFontSetting()->getTextColor(), RGB(161, 161, 146));
  EXPECT_EQ(drawer->getLinkFontSetting()->getTextColor(), RGB(0, 170, 0));
  EXPECT_EQ(drawer->getLinkHoverFontSetting()->getTextColor(), RGB(170, 170, 0));
  EXPECT_EQ(drawer->getLinkPressedFontSetting()->getTextColor(), RGB(170, 170, 0));
  EXPECT_TRUE(drawer->getLinkFontSetting()->isUnderline());
  EXPECT_TRUE(drawer->getLinkPressedFontSetting()->isUnderline());
  EXPECT_FALSE(drawer->getFontSetting()->isUnderline());
  EXPECT_EQ(drawer->getLineMode(), 0);
}

TEST_F(TextDrawer, SmallTextArgumentsComeFromTheStringTable) {
  namespace fs = std::filesystem;
  lumetra::testlib::TempDir temp;
  const fs::path file = temp.path() / "texts";
  std::ofstream(file, std::ios::binary) << "module";
  std::u16string path = u"Z:";
  for (char c : file.string()) path.push_back(c == '/' ? u'\\' : static_cast<char16_t>(c));
  // Block 7 holds ids 96 to 111; id 100 is "Table".
  std::vector<BYTE> block;
  for (int i = 0; i < 16; ++i) {
    const std::u16string text = i == 4 ? u"Table" : u"";
    block.push_back(static_cast<BYTE>(text.size()));
    block.push_back(0);
    for (char16_t c : text) {
      block.push_back(static_cast<BYTE>(c));
      block.push_back(0);
    }
  }
  HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(UpdateResourceW(update, RT_STRING, MAKEINTRESOURCEW(7), 0, block.data(),
                              static_cast<DWORD>(block.size())));
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  AfxSetResourceHandle(module);

  Font font;
  Page fromTable(60, 20);
  drawer->paint(&fromTable.dc, 0, 0, 60, 20, reinterpret_cast<const WCHAR*>(uintptr_t{100}), &font);
  Page literal(60, 20);
  drawer->paint(&literal.dc, 0, 0, 60, 20, u"Table", &font);
  EXPECT_NE(fromTable.inked().right, 0);
  EXPECT_EQ(fromTable.canvas.hash(), literal.canvas.hash());
  Page missing(60, 20);
  drawer->paint(&missing.dc, 0, 0, 60, 20, reinterpret_cast<const WCHAR*>(uintptr_t{101}), &font);
  EXPECT_EQ(missing.inked().right, 0);
  int32_t w = 0, h = 0;
  drawer->measureText(&literal.dc, 0, 0, 200, 50, reinterpret_cast<const WCHAR*>(uintptr_t{100}),
                      &font, w, h);
  int32_t lw = 0, lh = 0;
  drawer->measureText(&literal.dc, 0, 0, 200, 50, u"Table", &font, lw, lh);
  EXPECT_EQ(w, lw);

  AfxSetResourceHandle(nullptr);
  FreeLibrary(module);
}

}  // namespace
