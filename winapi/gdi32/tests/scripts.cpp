// Text in every script: characters the dialog face lacks come from installed fallback faces,
// right-to-left texts read in FriBidi's order with HarfBuzz's glyphs (the libraries are the
// oracle here), measuring agrees with drawing, and ellipses and forced breaks keep characters
// whole.
#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include "winapi/gdi32/Font.h"
#include "winapi/testsupport/PaintCheck.h"

#include <fribidi.h>
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <set>
#include <thread>
#include <string>
#include <vector>

namespace {

LOGFONTW dialogFont(LONG height = -13, const char16_t* face = u"MS Shell Dlg 2") {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  std::u16string name = face;
  std::copy(name.begin(), name.end(), lf.lfFaceName);
  return lf;
}

std::shared_ptr<winapi::RealizedFont> realize() { return winapi::RealizedFont::forLogFont(dialogFont()); }

std::vector<winapi::seam::TextRunDrawn> g_runs;
std::vector<std::u16string> g_texts;

void recordRun(const winapi::seam::TextRunDrawn& run) {
  g_runs.push_back(run);
  g_texts.emplace_back(run.text, static_cast<size_t>(run.count));
}

class Scripts : public ::testing::Test {
 protected:
  Scripts() : canvas(400, 120) {}
  void SetUp() override {
    canvas.fill(0xFFFFFFFF);
    LOGFONTW lf = dialogFont();
    font = CreateFontIndirectW(&lf);
    old = SelectObject(canvas.dc(), font);
    SetBkMode(canvas.dc(), TRANSPARENT);
    g_runs.clear();
    g_texts.clear();
    previous = winapi::seam::replaceTextRunObserver(recordRun);
  }
  void TearDown() override {
    winapi::seam::replaceTextRunObserver(previous);
    SelectObject(canvas.dc(), old);
    DeleteObject(font);
  }
  // The first and last columns with ink in the canvas.
  std::pair<int, int> ink() {
    int first = -1, last = -1;
    for (int x = 0; x < canvas.width(); ++x) {
      for (int y = 0; y < canvas.height(); ++y) {
        if ((canvas.at(x, y) & 0xFF) < 160) {
          if (first < 0) first = x;
          last = x;
          break;
        }
      }
    }
    return {first, last};
  }
  Canvas canvas;
  HFONT font = nullptr;
  HGDIOBJ old = nullptr;
  winapi::seam::TextRunObserver previous = nullptr;
};

std::vector<uint32_t> codePoints(const std::u16string& text) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      out.push_back(0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// FriBidi's visual order of a left-to-right paragraph, as the logical indices of its characters.
std::vector<int> fribidiVisualOrder(const std::u16string& text) {
  std::vector<uint32_t> cps = codePoints(text);
  int n = static_cast<int>(cps.size());
  std::vector<FriBidiCharType> types(cps.size());
  std::vector<FriBidiBracketType> brackets(cps.size());
  std::vector<FriBidiLevel> levels(cps.size());
  std::vector<FriBidiStrIndex> map(cps.size());
  fribidi_get_bidi_types(cps.data(), n, types.data());
  fribidi_get_bracket_types(cps.data(), n, types.data(), brackets.data());
  FriBidiParType base = FRIBIDI_PAR_LTR;
  EXPECT_NE(fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &base, levels.data()), 0);
  for (int i = 0; i < n; ++i) map[static_cast<size_t>(i)] = i;
  EXPECT_NE(fribidi_reorder_line(FRIBIDI_FLAGS_DEFAULT, types.data(), n, 0, base, levels.data(), nullptr, map.data()),
            0);
  return std::vector<int>(map.begin(), map.end());
}

// HarfBuzz's glyphs for a text of one script in a face, in visual order.
std::vector<uint32_t> harfbuzzGlyphs(const std::string& file, int index, const std::u16string& text) {
  FT_Library library = nullptr;
  FT_Init_FreeType(&library);
  FT_Face face = nullptr;
  std::vector<uint32_t> glyphs;
  if (FT_New_Face(library, file.c_str(), index, &face) == 0) {
    FT_Set_Pixel_Sizes(face, 0, 13);
    hb_font_t* font = hb_ft_font_create_referenced(face);
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.data()), static_cast<int>(text.size()), 0,
                        static_cast<int>(text.size()));
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font, buffer, nullptr, 0);
    unsigned count = 0;
    hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    for (unsigned i = 0; i < count; ++i) glyphs.push_back(infos[i].codepoint);
    hb_buffer_destroy(buffer);
    hb_font_destroy(font);
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return glyphs;
}

std::string utf8(const std::u16string& s) {
  std::string out(s.size() * 3, '\0');
  int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(static_cast<size_t>(std::max(n, 0)));
  return out;
}

}  // namespace

TEST_F(Scripts, RightToLeftTextsTakeFriBidisOrderAndHarfBuzzsGlyphs) {
  auto font = realize();
  ASSERT_TRUE(font);
  // Words of one script: HarfBuzz's glyphs for the whole word, in the face the layer chose.
  const std::u16string words[] = {u"קובץ",   u"מוכן",  u"שלום עולם",     u"العربية", u"تحويل إلى",
                                  u"لا إله", u"فارسی", u"تبدیل به پوشه", u"گزارش"};
  for (const std::u16string& word : words) {
    std::vector<winapi::LaidOutGlyph> laid = font->layOut(word.data(), static_cast<int>(word.size()));
    ASSERT_FALSE(laid.empty()) << utf8(word);
    std::vector<uint32_t> glyphs;
    for (const auto& g : laid) {
      EXPECT_EQ(g.file, laid.front().file) << utf8(word) << ": one word, one face";
      glyphs.push_back(g.glyph);
    }
    EXPECT_EQ(glyphs, harfbuzzGlyphs(laid.front().file, laid.front().faceIndex, word)) << utf8(word);
    EXPECT_TRUE(font->missingUnits(word.data(), static_cast<int>(word.size())).empty()) << utf8(word);
  }
  // Mixed directions: the clusters stand in FriBidi's visual order.
  const std::u16string mixed[] = {u"Lumetra 2 - עברית (גרסה 3)", u"ملف MP3 جديد", u"אבג 123 דה", u"«فارسی» v1.0",
                                  u"שם: \"קובץ.mp3\" ok"};
  for (const std::u16string& text : mixed) {
    std::vector<winapi::LaidOutGlyph> laid = font->layOut(text.data(), static_cast<int>(text.size()));
    std::set<int> starts;
    std::vector<int> layerOrder;
    for (const auto& g : laid) {
      starts.insert(g.cluster);
      if (layerOrder.empty() || layerOrder.back() != g.cluster) layerOrder.push_back(g.cluster);
    }
    std::vector<int> expected;
    for (int logical : fribidiVisualOrder(text)) {
      int cluster = *std::prev(starts.upper_bound(logical));
      if (expected.empty() || expected.back() != cluster) expected.push_back(cluster);
    }
    EXPECT_EQ(layerOrder, expected) << utf8(text);
  }
}

TEST_F(Scripts, AHebrewWordsFirstLetterIsDrawnRightmost) {
  RECT r{10, 10, 390, 40};
  DrawTextW(canvas.dc(), u"שלום", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
  std::pair<int, int> word = ink();
  ASSERT_GE(word.first, 10);
  canvas.fill(0xFFFFFFFF);
  // Without its first letter the word keeps its left end and loses its right one.
  DrawTextW(canvas.dc(), u"לום", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
  std::pair<int, int> rest = ink();
  EXPECT_NEAR(rest.first, word.first, 1);
  EXPECT_LT(rest.second, word.second - 3);
  canvas.fill(0xFFFFFFFF);
  DrawTextW(canvas.dc(), u"ש", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
  std::pair<int, int> first = ink();
  EXPECT_LT(first.second - first.first, word.second - word.first);
}

TEST_F(Scripts, EveryScriptOfThePackHasItsGlyphsAndMeasuresAsItDraws) {
  auto font = realize();
  ASSERT_TRUE(font);
  const std::u16string texts[] = {u"ファイルをここにドロップしてください",
                                  u"音频文件拖放到这里",
                                  u"請將音訊檔案拖放到這裡",
                                  u"여기에 오디오 파일을 놓으십시오",
                                  u"กรุณาลากไฟล์เสียงมาวางที่นี่",
                                  u"कृपया ऑडियो फ़ाइलें यहाँ छोड़ें",
                                  u"Переключить язык",
                                  u"Ελληνικά",
                                  u"Tiếng Việt: Chuyển đổi",
                                  u"Vèneto: ƚa łengua",
                                  u"עברית",
                                  u"العربية",
                                  u"فارسی"};
  for (const std::u16string& text : texts) {
    int n = static_cast<int>(text.size());
    std::vector<int> missing = font->missingUnits(text.data(), n);
    EXPECT_TRUE(missing.empty()) << utf8(text) << ": U+" << std::hex << (missing.empty() ? 0 : text[missing[0]]);
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.dc(), text.data(), n, &extent));
    std::vector<int> dx(static_cast<size_t>(n));
    SIZE again{};
    GetTextExtentExPointW(canvas.dc(), text.data(), n, 0, nullptr, dx.data(), &again);
    EXPECT_EQ(dx.back(), extent.cx) << utf8(text);
    RECT calc{0, 0, 1000, 0};
    DrawTextW(canvas.dc(), text.data(), n, &calc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(calc.right, extent.cx) << utf8(text);
    g_runs.clear();
    RECT r{0, 0, 400, 40};
    DrawTextW(canvas.dc(), text.data(), n, &r, DT_SINGLELINE | DT_NOPREFIX);
    ASSERT_EQ(g_runs.size(), 1u);
    EXPECT_EQ(g_runs[0].box.right - g_runs[0].box.left, extent.cx) << utf8(text) << ": drawn as measured";
    EXPECT_EQ(g_runs[0].missingUnit, -1) << utf8(text);
  }
  // A character no installed face has is reported where it is drawn as the missing-glyph box.
  const std::u16string unknown = u"ab\U000F0000";
  EXPECT_EQ(font->missingUnits(unknown.data(), 4), std::vector<int>{2});
}

TEST_F(Scripts, HanIdeographsTakeTheFormOfTheirTextsLanguage) {
  auto font = realize();
  // The same ideograph in a Japanese text (it has kana) and a Korean one (it has hangul) comes
  // from the face made for each language.
  const std::u16string japanese = u"直すこと", korean = u"直 한국어";
  std::vector<winapi::LaidOutGlyph> ja = font->layOut(japanese.data(), static_cast<int>(japanese.size()));
  std::vector<winapi::LaidOutGlyph> ko = font->layOut(korean.data(), static_cast<int>(korean.size()));
  ASSERT_FALSE(ja.empty());
  ASSERT_FALSE(ko.empty());
  EXPECT_TRUE(ja[0].file != ko[0].file || ja[0].faceIndex != ko[0].faceIndex)
      << ja[0].file << " " << ja[0].faceIndex << " / " << ko[0].file << " " << ko[0].faceIndex;
}

TEST_F(Scripts, EllipsesAndForcedBreaksKeepCharactersWhole) {
  // Letters with combining accents: the cut never parts a letter from its accent.
  const std::u16string accented = u"e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301";
  SIZE full{};
  GetTextExtentPoint32W(canvas.dc(), accented.data(), static_cast<int>(accented.size()), &full);
  SIZE dots{};
  GetTextExtentPoint32W(canvas.dc(), u"...", 3, &dots);
  for (int width = dots.cx; width < full.cx; width += 3) {
    g_texts.clear();
    RECT r{0, 0, width, 30};
    DrawTextW(canvas.dc(), accented.data(), -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    ASSERT_EQ(g_texts.size(), 1u);
    const std::u16string& drawn = g_texts[0];
    ASSERT_GE(drawn.size(), 3u);
    EXPECT_EQ(drawn.substr(drawn.size() - 3), u"...") << width;
    std::u16string kept = drawn.substr(0, drawn.size() - 3);
    EXPECT_EQ(kept.size() % 2, 0u) << "width " << width << ": " << utf8(kept);
    EXPECT_LE(g_runs[0].box.right - g_runs[0].box.left, width);
  }
  // A word longer than an edit-control line breaks inside, into lines that fit and that join
  // to the word again.
  const std::u16string path = u"/home/ann/Music/a-very-long-folder-name/another-one/song-title.wav";
  g_texts.clear();
  g_runs.clear();
  RECT r{0, 0, 120, 400};
  DrawTextW(canvas.dc(), path.data(), -1, &r, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  ASSERT_GT(g_texts.size(), 2u);
  std::u16string joined;
  for (size_t i = 0; i < g_texts.size(); ++i) {
    joined += g_texts[i];
    EXPECT_LE(g_runs[i].box.right - g_runs[i].box.left, 120) << utf8(g_texts[i]);
  }
  EXPECT_EQ(joined, path);
  // Without DT_EDITCONTROL the word stands whole on its line, as before.
  g_texts.clear();
  DrawTextW(canvas.dc(), path.data(), -1, &r, DT_WORDBREAK | DT_NOPREFIX);
  ASSERT_EQ(g_texts.size(), 1u);
}

TEST(ScriptsThreads, WindowsOnTwoThreadsShareAFontsFallbacksAndShapedTexts) {
  // Each window runs on a UI thread of its own, and fonts of one description are shared: two
  // threads lay out and draw right-to-left, CJK and Thai texts at once, each as it would alone.
  const std::u16string texts[] = {u"שלום עולם", u"العربية", u"日本語のテキスト", u"กรุณาลากไฟล์", u"Latin"};
  auto paint = [&](std::vector<uint64_t>* hashes, int rounds) {
    Canvas canvas(300, 30);
    // A size no other test uses: the threads find the font's caches cold.
    LOGFONTW lf = dialogFont(-15);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(canvas.dc(), font);
    for (int round = 0; round < rounds; ++round) {
      for (const std::u16string& text : texts) {
        canvas.fill(0xFFFFFFFF);
        RECT r{0, 0, 300, 30};
        DrawTextW(canvas.dc(), text.data(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_NOPREFIX);
        if (round == rounds - 1) hashes->push_back(canvas.hash());
      }
    }
    SelectObject(canvas.dc(), old);
    DeleteObject(font);
  };
  std::vector<uint64_t> alone, first, second;
  std::thread a(paint, &first, 50), b(paint, &second, 50);
  a.join();
  b.join();
  paint(&alone, 1);
  EXPECT_EQ(first, alone);
  EXPECT_EQ(second, alone);
}
