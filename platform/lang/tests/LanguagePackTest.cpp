// The localizer over the program's own language pack, as the build packs it into a program.
#include "platform/lang/Localizer.h"

#include "core/file/win/PathWin.h"
#include "gui/events/IEventListener.h"
#include "platform/archive/dll/win/Archive.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using s::archive::dll::win::Archive;
using s::lang::Localizer;

namespace {

constexpr uint32_t kProgramPack = 130;

// The program's pack read from this program file the way the application reads it.
class ProgramPack {
 public:
  ProgramPack() : m_archive(Archive::take()) {
    char16_t text[MAX_PATH];
    GetModuleFileNameW(nullptr, text, MAX_PATH);
    auto* path = s::file::win::PathWin::newFromText(text);
    EXPECT_TRUE(m_archive->open(path));
    path->release();
    m_localizer = Localizer::createFromResource(m_archive, u"IDR_XML", kProgramPack);
  }
  ~ProgramPack() {
    m_localizer->release();
    m_archive->release();
  }
  Localizer* operator->() const { return m_localizer; }

 private:
  Archive* m_archive;
  Localizer* m_localizer;
};

std::string narrow(const char16_t* text) {
  std::string out;
  for (; *text != 0; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
  return out;
}

}  // namespace

TEST(LanguagePack, HoldsTheFortyLanguagesInMenuOrderWithEveryText) {
  ProgramPack pack;
  const std::vector<std::string> tags = {"eng", "ara", "ind", "bel", "bul", "hrv", "cze", "zhs",
                                         "zht", "dan", "nld", "est", "fin", "deu", "ell", "spa",
                                         "fra", "ita", "jpn", "kor", "hun", "nor", "per", "pol",
                                         "por", "bra", "rom", "rus", "cpn", "slk", "swe", "tha",
                                         "tur", "ukr", "vec", "vie", "heb", "hin", "srp", "slv"};
  ASSERT_EQ(pack->getPackCount(), 40);
  const s::lang::LangPack* english = pack->getPack(0);
  for (int32_t i = 0; i < 40; ++i) {
    const s::lang::LangPack* language = pack->getPack(i);
    EXPECT_EQ(narrow(language->getTagName()->getCStr()), tags[static_cast<size_t>(i)]);
    EXPECT_GT(language->getTrueName()->getLength(), 0u);
    // Every language has a text of its own for every id (none came from the English fallback
    // for lack of an element): the same count of texts as English.
    EXPECT_EQ(language->getTextCount(), english->getTextCount()) << tags[static_cast<size_t>(i)];
  }
  EXPECT_GT(english->getTextCount(), 100u) << "a pack cut short";
  EXPECT_EQ(std::u16string(english->getText(608000)), u"File");
  EXPECT_EQ(std::u16string(english->getText(1004000)), u"Convert to: ");
  EXPECT_EQ(std::u16string(english->getText(300000)), u"Tovi Lumetra");
}

namespace {

class Counter : public s::gui::events::IEventListener {
 public:
  void onEvent(s::base::IObject*, int32_t) override { ++told; }
  int told = 0;
};

}  // namespace

TEST(LanguagePack, SwitchingLanguagesChangesEveryTextAndTellsListeners) {
  ProgramPack pack;
  Counter window;
  pack->addListener(&window);
  pack->selectLanguage(u"English");
  const int before = window.told;
  pack->selectLanguage(u"German");
  EXPECT_EQ(window.told, before + 1);
  EXPECT_EQ(std::u16string(pack->getText(608000)), u"Datei");
  pack->selectLanguage(u"Japanese");
  EXPECT_NE(std::u16string(pack->getText(608000)), u"File");
  pack->selectLanguage(u"Tlingit");  // no such pack: English
  EXPECT_EQ(std::u16string(pack->getText(608000)), u"File");
  EXPECT_EQ(pack->getCurrentIndex(), 0);
  EXPECT_EQ(window.told, before + 3);
  pack->removeListener(&window);
  pack->selectLanguage(u"German");
  EXPECT_EQ(window.told, before + 3);
}

TEST(LanguagePack, StartsInTheLanguageOfEveryLocaleItHas) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The locales of the pack's languages; Venetian has no language identifier of the platform, so
  // its users start in English and pick Venetian from the menu.
  const std::pair<const char*, const char*> cases[] = {
      {"en_US.UTF-8", "eng"}, {"ar_EG.UTF-8", "ara"}, {"id_ID.UTF-8", "ind"},
      {"be_BY.UTF-8", "bel"}, {"bg_BG.UTF-8", "bul"}, {"hr_HR.UTF-8", "hrv"},
      {"cs_CZ.UTF-8", "cze"}, {"zh_CN.UTF-8", "zhs"}, {"zh_TW.UTF-8", "zht"},
      {"zh_HK.UTF-8", "zht"}, {"da_DK.UTF-8", "dan"}, {"nl_NL.UTF-8", "nld"},
      {"et_EE.UTF-8", "est"}, {"fi_FI.UTF-8", "fin"}, {"de_AT.UTF-8", "deu"},
      {"el_GR.UTF-8", "ell"}, {"es_MX.UTF-8", "spa"}, {"fr_CA.UTF-8", "fra"},
      {"it_IT.UTF-8", "ita"}, {"ja_JP.UTF-8", "jpn"}, {"ko_KR.UTF-8", "kor"},
      {"hu_HU.UTF-8", "hun"}, {"nb_NO.UTF-8", "nor"}, {"fa_IR.UTF-8", "per"},
      {"pl_PL.UTF-8", "pol"}, {"pt_PT.UTF-8", "por"}, {"pt_BR.UTF-8", "bra"},
      {"ro_RO.UTF-8", "rom"}, {"ru_RU.UTF-8", "rus"}, {"sr_RS.UTF-8", "cpn"},
      {"sk_SK.UTF-8", "slk"}, {"sv_SE.UTF-8", "swe"}, {"th_TH.UTF-8", "tha"},
      {"tr_TR.UTF-8", "tur"}, {"uk_UA.UTF-8", "ukr"}, {"vec_IT.UTF-8", "eng"},
      {"vi_VN.UTF-8", "vie"}, {"he_IL.UTF-8", "heb"}, {"hi_IN.UTF-8", "hin"},
      {"sr_RS@latin", "srp"}, {"sl_SI.UTF-8", "slv"}, {"C", "eng"},
  };
  for (const auto& [locale, tag] : cases) {
    EXPECT_EXIT(
        {
          setenv("LC_ALL", locale, 1);
          ProgramPack pack;
          const std::string chosen = narrow(pack->getCurrentPack()->getTagName()->getCStr());
          std::fprintf(stderr, "%s", chosen.c_str());
          std::exit(chosen == tag ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), tag)
        << locale;
  }
}
