// The program's words on the screen in every language: every text of the language pack and of
// the window system's dialogs has a glyph for each character in the fonts the bootstrap
// installs, and the report of files not converted shows whole in the language whose reasons
// are longest.
#include "app/dialogs/effect/ConversionTask.h"
#include "app/dialogs/effect/tests/PackedTexts.h"
#include "app/tests/TextRuns.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "gui/win/Font.h"
#include "platform/lang/LangPack.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using lumetra::apptest::DrawnText;
using lumetra::apptest::TextRuns;
using lumetra::apptest::utf8Of;

struct SourceText {
  std::string language;
  long id;
  std::u16string text;
};

std::u16string fromUtf8(const std::string& s) {
  int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

// The texts of a folder of language files: "id<TAB>text" lines, and the language's own name
// (id 0), with the pack's character references resolved.
std::vector<SourceText> readLanguageFiles(const std::string& folder) {
  std::vector<SourceText> texts;
  std::ifstream list(LUMETRA_SOURCE_DIR "/app/res/lang/languages.list");
  std::string tag;
  while (std::getline(list, tag)) {
    if (tag.empty() || tag[0] == '#') {
      continue;
    }
    std::ifstream file(folder + "/" + tag + ".txt");
    EXPECT_TRUE(file.good()) << folder << "/" << tag;
    std::string line;
    while (std::getline(file, line)) {
      const size_t tab = line.find('\t');
      if (line.empty() || line[0] == '#' || tab == std::string::npos) {
        continue;
      }
      const std::string key = line.substr(0, tab);
      std::string value = line.substr(tab + 1);
      for (const auto& [ref, ch] :
           std::vector<std::pair<std::string, std::string>>{{"&#160;", "\xC2\xA0"},
                                                            {"&#10;", "\n"},
                                                            {"&gt;", ">"},
                                                            {"&lt;", "<"},
                                                            {"&amp;", "&"}}) {
        for (size_t at = value.find(ref); at != std::string::npos; at = value.find(ref, at)) {
          value.replace(at, ref.size(), ch);
        }
      }
      if (key == "trueName") {
        texts.push_back(SourceText{tag, 0, fromUtf8(value)});
      } else if (key[0] >= '0' && key[0] <= '9') {
        texts.push_back(SourceText{tag, std::atol(key.c_str()), fromUtf8(value)});
      }
    }
  }
  return texts;
}

/// A 32-bit memory surface to draw texts into, with a font of the toolkit selected.
class Surface {
 public:
  Surface() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 2000;
    info.bmiHeader.biHeight = -40;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    m_dc = ::CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_old = ::SelectObject(m_dc, m_bitmap);
  }
  ~Surface() {
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
  }
  HDC dc() const { return m_dc; }

 private:
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
};

}  // namespace

TEST(ProgramTexts, EveryTextOfEveryLanguageHasItsGlyphs) {
  std::vector<SourceText> texts = readLanguageFiles(LUMETRA_SOURCE_DIR "/app/res/lang");
  const std::vector<SourceText> layer = readLanguageFiles(LUMETRA_SOURCE_DIR "/winapi/res/lang");
  texts.insert(texts.end(), layer.begin(), layer.end());
  ASSERT_GT(texts.size(), 40u * 150u) << "the program's and the layer's texts in 40 languages";

  Surface surface;
  for (bool bold : {false, true}) {
    s::gui::win::Font font;
    font.setBold(bold);
    HGDIOBJ old = ::SelectObject(surface.dc(), font.getHandle());
    int failures = 0;
    for (const SourceText& t : texts) {
      TextRuns runs;
      RECT r{0, 0, 2000, 40};
      ::DrawTextW(surface.dc(), t.text.c_str(), static_cast<int>(t.text.size()), &r,
                  DT_NOPREFIX | DT_NOCLIP);
      for (const DrawnText& run : runs.taken()) {
        if (run.missingUnit >= 0 && failures++ < 20) {
          char code[16];
          std::snprintf(code, sizeof code, "U+%04X",
                        static_cast<unsigned>(run.text[run.missingUnit]));
          ADD_FAILURE() << t.language << (t.id == 0 ? " name" : " text " + std::to_string(t.id))
                        << (bold ? " (bold)" : "") << ": " << code << " has no glyph in \""
                        << utf8Of(run.text) << "\"";
        }
      }
    }
    EXPECT_EQ(failures, 0);
    ::SelectObject(surface.dc(), old);
  }
}

namespace {

using s::sound::gui::dialogs::effect::ConversionResults;
using s::sound::gui::dialogs::effect::EntryResult;

std::u16string g_reportCaption;
std::vector<DrawnText> g_boxRuns;
RECT g_boxClient{};
RECT g_work{};

// Reads what the box that is up drew, then closes it.
void CALLBACK readReportBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = ::FindWindowW(u"#32770", g_reportCaption.c_str());
  if (box == nullptr || !::IsWindowVisible(box)) {
    return;
  }
  ::KillTimer(nullptr, id);
  HWND text = ::GetDlgItem(box, 0xFFFF);
  ::InvalidateRect(text, nullptr, TRUE);
  TextRuns runs;
  ::UpdateWindow(text);
  g_boxRuns = runs.taken();
  ::GetWindowRect(box, &g_boxClient);
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace

TEST(ProgramTexts, TheReportWithTheLongestReasonsShowsWholeInTheLongestLanguage) {
  lumetra::apptest::Texts packed;
  s::lang::Localizer* localizer = packed.get();
  const EntryResult reasons[] = {EntryResult::kNotFound, EntryResult::kNotAudioFile,
                                 EntryResult::kUnreadable, EntryResult::kUndecodable,
                                 EntryResult::kUnwritable};
  ConversionResults results;
  for (EntryResult reason : reasons) {
    results.add(u"A song with a rather long name, recorded live at the old hall (2019 edition).mp3",
                reason);
  }
  // The language whose report is widest in the dialog face.
  Surface surface;
  s::gui::win::Font font;
  HGDIOBJ old = ::SelectObject(surface.dc(), font.getHandle());
  int32_t longest = 0;
  LONG widest = 0;
  for (int32_t i = 0; i < localizer->getPackCount(); ++i) {
    localizer->selectLanguageAt(i);
    s::str::strbuffer::StrBuffer* report =
        s::sound::gui::dialogs::effect::newNotConvertedReport(results, localizer);
    RECT r{0, 0, 100000, 0};
    ::DrawTextW(surface.dc(), report->getCStr(), static_cast<int>(report->getLength()), &r,
                DT_CALCRECT | DT_NOPREFIX);
    if (r.right > widest) {
      widest = r.right;
      longest = i;
    }
    report->release();
  }
  ::SelectObject(surface.dc(), old);
  localizer->selectLanguageAt(longest);
  s::str::strbuffer::StrBuffer* report =
      s::sound::gui::dialogs::effect::newNotConvertedReport(results, localizer);
  const std::u16string text(report->getCStr(), report->getLength());
  report->release();
  const std::string language = utf8Of(localizer->getCurrentPack()->getEngName()->getCStr());

  g_reportCaption = u"Report";
  g_boxRuns.clear();
  winapi::HeadlessDriver::current()->scriptRun();
  UINT_PTR timer = ::SetTimer(nullptr, 0, 1, readReportBox);
  EXPECT_EQ(::MessageBoxW(nullptr, text.c_str(), g_reportCaption.c_str(), MB_OK | MB_ICONWARNING),
            IDOK);
  ::KillTimer(nullptr, timer);
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &g_work, 0);

  ASSERT_FALSE(g_boxRuns.empty()) << language;
  std::u16string drawn;
  for (const DrawnText& run : g_boxRuns) {
    EXPECT_TRUE(TextRuns::whole(run))
        << language << ": \"" << utf8Of(run.text) << "\" from " << run.box.left << " to "
        << run.box.right << ", shown to " << run.clip.right;
    drawn += run.text;
  }
  // Every character shows: the lines together hold the whole text but its breaks.
  std::u16string expected;
  for (char16_t c : text) {
    if (c != u'\n' && c != u' ') {
      expected += c;
    }
  }
  std::u16string shown;
  for (char16_t c : drawn) {
    if (c != u' ') {
      shown += c;
    }
  }
  EXPECT_EQ(utf8Of(shown), utf8Of(expected)) << language;
  EXPECT_LE(g_boxClient.right - g_boxClient.left, g_work.right - g_work.left) << language;
}
