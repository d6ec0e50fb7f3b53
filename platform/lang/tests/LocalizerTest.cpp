// The localizer over language packs read from this test's own program file: loading, the
// English fallback, choosing a pack by name, telling listeners, and listeners that leave.
#include "platform/lang/Localizer.h"

#include "core/file/win/PathWin.h"
#include "gui/events/IEventListener.h"
#include "platform/archive/dll/win/Archive.h"
#include "platform/lang/Language.h"
#include "platform/lang/ResourceReader.h"
#include "platform/system/win/OsVersion.h"
#include "platform/xml/Node.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using s::archive::dll::win::Archive;
using s::lang::LangPack;
using s::lang::Localizer;

namespace {

constexpr uint32_t kSmallPack = 140;
constexpr uint32_t kDamagedPack = 141;

Archive* ownArchive() {
  char16_t text[MAX_PATH];
  GetModuleFileNameW(nullptr, text, MAX_PATH);
  auto* path = s::file::win::PathWin::newFromText(text);
  Archive* archive = Archive::take();
  EXPECT_TRUE(archive->open(path));
  path->release();
  return archive;
}

// A localizer loaded from one of this program's packs, given back at the end of the scope.
class Loaded {
 public:
  explicit Loaded(uint32_t pack) : m_archive(ownArchive()), m_localizer(Localizer::take()) {
    s::xml::Node* root = s::lang::readXmlResource(m_archive, u"IDR_XML", pack);
    EXPECT_NE(root, nullptr);
    m_localizer->loadFromXml(root);
    root->release();
  }
  ~Loaded() {
    m_localizer->release();
    m_archive->release();
  }
  Localizer* operator->() const { return m_localizer; }
  Localizer* get() const { return m_localizer; }

 private:
  Archive* m_archive;
  Localizer* m_localizer;
};

std::u16string text(const char16_t* t) { return std::u16string(t); }

std::u16string packText(Localizer* localizer, const char16_t* tag, int32_t id) {
  LangPack* pack = localizer->findPackByTag(tag);
  return pack != nullptr ? text(pack->getText(id)) : u"(no pack)";
}

std::u16string currentName(Localizer* localizer) {
  LangPack* pack = localizer->getCurrentPack();
  return pack != nullptr ? text(pack->getEngName()->getCStr()) : u"(none)";
}

// Records what it is told; may make a listener leave when it is told.
class Recorder : public s::gui::events::IEventListener {
 public:
  void onEvent(s::base::IObject* source, int32_t eventId) override {
    sources.push_back(source);
    ids.push_back(eventId);
    if (leaving != nullptr) localizer->removeListener(leaving);
  }
  std::vector<s::base::IObject*> sources;
  std::vector<int32_t> ids;
  Localizer* localizer = nullptr;
  s::gui::events::IEventListener* leaving = nullptr;
};

}  // namespace

TEST(Localizer, LoadsEveryLanguageWithTheFirstTextWhereOneIsMissing) {
  Loaded l(kSmallPack);
  ASSERT_EQ(l->getPackCount(), 8) << "children of languages that are no entry are skipped";
  EXPECT_EQ(text(l->getPack(2)->getTagName()->getCStr()), u"zht");
  EXPECT_EQ(text(l->getPack(2)->getTrueName()->getCStr()), u"\u7e41\u9ad4\u4e2d\u6587");
  EXPECT_EQ(text(l->getPack(6)->getTrueName()->getCStr()), u"Српски");

  EXPECT_EQ(packText(l.get(), u"deu", 608000), u"Datei")
      << "language elements match tags ignoring case";
  EXPECT_EQ(packText(l.get(), u"cpn", 608000), u"Датотека");
  EXPECT_EQ(packText(l.get(), u"zhs", 608000), u"文件");
  // Missing languages take the entry's first text; spaces written as &#160; survive.
  EXPECT_EQ(packText(l.get(), u"deu", 1004000), u"Konvertieren in: ");
  EXPECT_EQ(packText(l.get(), u"bra", 1004000), u"Convert to: ");
  // "12ab" is the numeric id 12; an id no entry defines is empty, never null.
  EXPECT_EQ(packText(l.get(), u"vec", 12), u"twelve");
  EXPECT_EQ(packText(l.get(), u"eng", 424242), u"");
  // An entry whose first element names no language: the languages it lacks get nothing, and a
  // language given twice finds its first text.
  EXPECT_EQ(packText(l.get(), u"eng", 700000), u"");
  EXPECT_EQ(packText(l.get(), u"deu", 700000), u"Sprache");
  EXPECT_FALSE(l->findPackByTag(u"eng")->hasText(700000));
  EXPECT_TRUE(l->findPackByTag(u"eng")->holdsId(700000));
  EXPECT_FALSE(l->findPackByTag(u"eng")->hasText(500003)) << "an empty text is no text";
  EXPECT_TRUE(l->findPackByTag(u"deu")->hasText(608000));
  // String keys: every pack has the key, case-sensitively.
  EXPECT_TRUE(l->findPackByTag(u"zht")->hasKey(u"x1"));
  EXPECT_FALSE(l->findPackByTag(u"zht")->hasKey(u"X1"));
  EXPECT_FALSE(l->findPackByTag(u"zht")->holdsId(0)) << "a key is no numeric id";
}

TEST(Localizer, VenetianLetterIsReplacedOnlyOnSystemsBeforeSix) {
  s::system::win::queryWindowsVersion();
  {
    Loaded l(kSmallPack);
    EXPECT_EQ(packText(l.get(), u"vec", 608000), u"Fi\u019Ae");
  }
  s::system::win::osAtLeast60 = false;
  {
    Loaded l(kSmallPack);
    EXPECT_EQ(packText(l.get(), u"vec", 608000), u"Fi\u0142e");
    EXPECT_EQ(packText(l.get(), u"deu", 608000), u"Datei");
  }
  s::system::win::osAtLeast60 = true;
}

TEST(Localizer, FindsPacksByNameWithTheVariantRules) {
  Loaded l(kSmallPack);
  auto engName = [&](const char16_t* name) {
    LangPack* pack = l->findPackByName(name);
    return pack != nullptr ? text(pack->getEngName()->getCStr()) : u"(none)";
  };
  EXPECT_EQ(engName(u"german"), u"German");
  EXPECT_EQ(engName(u"chinese"), u"Chinese_Simplified") << "simplified before traditional";
  EXPECT_EQ(engName(u"Chinese_traditional"), u"Chinese_Traditional");
  EXPECT_EQ(engName(u"Portuguese"), u"Portuguese") << "an exact name wins";
  EXPECT_EQ(engName(u"Portuguese_brazilian"), u"Portuguese_Brazilian");
  EXPECT_EQ(engName(u"Portuguese_portugal"), u"Portuguese") << "the language before another region";
  EXPECT_EQ(engName(u"Serbian_latin"), u"Serbian_Cyrillic") << "the only Serbian there is";
  EXPECT_EQ(engName(u"Klingon"), u"(none)");
  EXPECT_EQ(engName(u"Chin"), u"(none)");
}

TEST(Localizer, SelectingTellsListenersOnlyWhenTheLanguageChanges) {
  Loaded l(kSmallPack);
  Recorder first, second;
  EXPECT_TRUE(l->addListener(&first));
  EXPECT_FALSE(l->addListener(&first)) << "a listener joins once";
  EXPECT_FALSE(l->addListener(nullptr));
  EXPECT_TRUE(l->addListener(&second));
  EXPECT_EQ(l->getListenerCount(), 2);

  l->selectLanguage(u"German");
  EXPECT_EQ(currentName(l.get()), u"German");
  EXPECT_EQ(text(l->getText(608000)), u"Datei");
  EXPECT_EQ(l->getCurrentIndex(), 1);
  ASSERT_EQ(first.ids, std::vector<int32_t>{0});
  EXPECT_EQ(first.sources[0], static_cast<s::base::IObject*>(l.get()));
  EXPECT_EQ(second.ids.size(), 1u);

  l->selectLanguage(u"GERMAN");  // the current language in another case
  l->selectLanguageAt(1);
  EXPECT_EQ(first.ids.size(), 1u);

  l->selectLanguage(u"Klingon");  // unknown: English
  EXPECT_EQ(currentName(l.get()), u"English");
  l->selectLanguageAt(6);
  EXPECT_EQ(text(l->getText(608000)), u"Датотека");
  l->selectLanguageAt(8);  // out of range: nothing
  l->selectLanguageAt(-1);
  EXPECT_EQ(l->getCurrentIndex(), 6);
  EXPECT_EQ(first.ids.size(), 3u);
  EXPECT_EQ(second.ids.size(), 3u);

  EXPECT_TRUE(l->removeListener(&first));
  EXPECT_FALSE(l->removeListener(&first));
  l->selectLanguage(u"English");
  EXPECT_EQ(first.ids.size(), 3u) << "a listener that left is not told";
  EXPECT_EQ(second.ids.size(), 4u);
  l->removeListener(&second);
}

TEST(Localizer, ListenersThatLeaveWhileBeingToldAreNotCalledAgain) {
  Loaded l(kSmallPack);
  Recorder closer, closed, self;
  closer.localizer = self.localizer = l.get();
  closer.leaving = &closed;  // a window whose language change closes another one
  self.leaving = &self;      // and one that leaves on its own
  l->addListener(&closer);
  l->addListener(&closed);
  l->addListener(&self);
  l->selectLanguage(u"German");
  EXPECT_EQ(closer.ids.size(), 1u);
  EXPECT_TRUE(closed.ids.empty());
  EXPECT_EQ(self.ids.size(), 1u);
  EXPECT_EQ(l->getListenerCount(), 1);
  l->selectLanguage(u"English");
  EXPECT_EQ(closer.ids.size(), 2u);
  EXPECT_EQ(self.ids.size(), 1u);
  l->removeListener(&closer);
}

TEST(Localizer, MissingOrDamagedPackLeavesEveryTextEmpty) {
  Archive* archive = ownArchive();
  EXPECT_EQ(s::lang::readXmlResource(archive, u"IDR_XML", kDamagedPack), nullptr);
  EXPECT_EQ(s::lang::readResourceBytes(archive, u"IDR_XML", 999), nullptr);
  EXPECT_EQ(s::lang::readResourceBytes(archive, u"idr_xml", kSmallPack), nullptr)
      << "type texts are exact";
  for (uint32_t name : {kDamagedPack, 999u}) {
    Localizer* localizer = Localizer::createFromResource(archive, u"IDR_XML", name);
    ASSERT_NE(localizer, nullptr);
    EXPECT_EQ(localizer->getPackCount(), 0);
    EXPECT_EQ(localizer->getCurrentPack(), nullptr);
    EXPECT_EQ(localizer->getCurrentIndex(), -1);
    EXPECT_EQ(text(localizer->getText(608000)), u"");
    EXPECT_FALSE(localizer->hasText(608000));
    localizer->selectLanguage(u"German");
    localizer->selectLanguageAt(0);
    localizer->release();
  }
  Localizer* none = Localizer::createFromResource(nullptr, u"IDR_XML", kSmallPack);
  EXPECT_EQ(none->getPackCount(), 0);
  none->release();
  archive->release();
}

namespace {

// The language the user's locale selects, in a process of its own: the system language is
// read once per process.
std::string chosenFor(const char* locale) {
  setenv("LC_ALL", locale, 1);
  Archive* archive = ownArchive();
  Localizer* localizer = Localizer::createFromResource(archive, u"IDR_XML", kSmallPack);
  std::u16string name = currentName(localizer);
  localizer->release();
  archive->release();
  return std::string(name.begin(), name.end());
}

}  // namespace

TEST(Localizer, StartsInTheLanguageOfTheUsersLocale) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::pair<const char*, const char*> cases[] = {
      {"de_DE.UTF-8", "German"},        {"zh_CN.UTF-8", "Chinese_Simplified"},
      {"zh_TW", "Chinese_Traditional"}, {"pt_BR.UTF-8", "Portuguese_Brazilian"},
      {"pt_PT.UTF-8", "Portuguese"},    {"sr_RS@latin", "Serbian_Cyrillic"},
      {"fr_FR.UTF-8", "English"},       {"C", "English"},
  };
  for (const auto& [locale, expected] : cases) {
    EXPECT_EXIT(
        {
          const std::string chosen = chosenFor(locale);
          std::fprintf(stderr, "%s", chosen.c_str());
          std::exit(chosen == expected ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), expected)
        << locale;
  }
}
