// The program's own language pack: its forty languages in order under the names the program
// selects them by, a real translation of every text, and the marks, placeholders and kept spaces
// of the English texts in every language; the built pack as the program's XML reader reads it.
#include "tools/langpack/LangSource.h"
#include "tools/langpack/PackWriter.h"

#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/xml/Node.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using s::col::_array::ArrayU08;
using s::str::strbuffer::StrBuffer;
using s::xml::Node;
using tools::langpack::Language;
using tools::langpack::Pack;

// Tag and English name of every language, in menu order. The English names are those the
// program derives from the system's interface language ("Chinese_Simplified" for 0x0804, ...), so
// a user's language is found; Venetian has no system language and is only chosen from the menu.
const std::vector<std::pair<std::string, std::string>> kLanguages = {
    {"eng", "English"},
    {"ara", "Arabic"},
    {"ind", "Indonesian"},
    {"bel", "Belarusian"},
    {"bul", "Bulgarian"},
    {"hrv", "Croatian"},
    {"cze", "Czech"},
    {"zhs", "Chinese_Simplified"},
    {"zht", "Chinese_Traditional"},
    {"dan", "Danish"},
    {"nld", "Dutch"},
    {"est", "Estonian"},
    {"fin", "Finnish"},
    {"deu", "German"},
    {"ell", "Greek"},
    {"spa", "Spanish"},
    {"fra", "French"},
    {"ita", "Italian"},
    {"jpn", "Japanese"},
    {"kor", "Korean"},
    {"hun", "Hungarian"},
    {"nor", "Norwegian"},
    {"per", "Persian"},
    {"pol", "Polish"},
    {"por", "Portuguese"},
    {"bra", "Portuguese_Brazilian"},
    {"rom", "Romanian"},
    {"rus", "Russian"},
    {"cpn", "Serbian_Cyrillic"},
    {"slk", "Slovak"},
    {"swe", "Swedish"},
    {"tha", "Thai"},
    {"tur", "Turkish"},
    {"ukr", "Ukrainian"},
    {"vec", "Venetian"},
    {"vie", "Vietnamese"},
    {"heb", "Hebrew"},
    {"hin", "Hindi"},
    {"srp", "Serbian_Latin"},
    {"slv", "Slovenian"},
};

// Texts that are the same in every language: names, numbers, symbols, and the release date.
const std::set<int32_t> kSameEverywhere = {
    300000,   // product id; it also names the settings key, so it must never change
    500000,   // the program's name
    500010,   // version number
    500020,   // release date
    608121,   // file pattern
    1003000,  // file extensions
    1202020, 1202030, 1202040, 1202060, 1202070, 1202080, 1202090,  // plain level numbers
};

// Translations that are the English word itself, in the languages that use that word.
const std::map<int32_t, std::set<std::string>> kSameWordAllowed = {
    {400010, {"deu"}},                                     // "Version:"
    {400340, {"spa", "ita"}},                              // "No"
    {500050, {"deu", "nld", "ita", "pol", "cze", "slk"}},  // "Freeware"
    {608000, {"ita"}},                                     // "File"
    {608230, {"deu", "ita"}},                              // "Desktop"
    {1202010, {"deu"}},                                    // "1 (Minimum)"
    {1202100, {"deu"}},                                    // "10 (Maximum)"
    {1203300, {"deu", "spa", "por", "bra"}},               // "Normal"
};

Pack loadRealPack() { return tools::langpack::loadPack(LUMETRA_LANG_FOLDER); }

const std::string& textOf(const Language& language, int32_t id) {
  return language.texts.at(id).text;
}

// "&" marks that are keyboard accelerators: not the start of an entity, and not "&&" (a literal
// "&").
int acceleratorCount(const std::string& text) {
  int count = 0;
  for (size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '&' || tools::langpack::isKeptEntity(text, at)) continue;
    if (at + 1 < text.size() && text[at + 1] == '&') {
      ++at;
      continue;
    }
    ++count;
  }
  return count;
}

std::multiset<std::string> placeholders(const std::string& text) {
  static const std::regex kPlaceholder(R"(%(\d+|[-+ #0]*\d*(\.\d+)?(ll|l|h|I64)?[a-zA-Z]))");
  std::multiset<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kPlaceholder);
       it != std::sregex_iterator(); ++it) {
    found.insert(it->str());
  }
  return found;
}

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}
bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

TEST(LanguagePack, ListsTheFortyLanguagesInOrderEachWithAFile) {
  std::vector<std::string> expected;
  for (const auto& language : kLanguages) expected.push_back(language.first);
  Pack pack = loadRealPack();
  EXPECT_EQ(pack.listed, expected);
  std::string missing;
  for (const std::string& tag : pack.missing) missing += " " + tag;
  EXPECT_TRUE(pack.missing.empty()) << "languages without a file:" << missing;
}

TEST(LanguagePack, NamesEachLanguageAsTheSystemDoesAndInItsOwnWords) {
  for (const Language& language : loadRealPack().languages) {
    SCOPED_TRACE(language.file);
    auto expected = std::find_if(kLanguages.begin(), kLanguages.end(), [&](const auto& entry) {
      return entry.first == language.tagName;
    });
    ASSERT_NE(expected, kLanguages.end());
    EXPECT_EQ(language.engName, expected->second);
    if (language.tagName != "eng") {
      EXPECT_NE(language.trueName, language.engName)
          << "trueName is the language's name in its own language";
    }
  }
}

TEST(LanguagePack, TranslatesEveryTextUnlessItIsANameOrNumber) {
  Pack pack = loadRealPack();
  const Language& english = pack.languages.front();
  ASSERT_EQ(english.tagName, "eng");
  for (const Language& language : pack.languages) {
    if (&language == &english) continue;
    for (const auto& [id, source] : english.texts) {
      const std::string& text = textOf(language, id);
      if (source.text.empty()) continue;  // web addresses
      auto sameWord = kSameWordAllowed.find(id);
      bool sameAllowed =
          sameWord != kSameWordAllowed.end() && sameWord->second.count(language.tagName) != 0;
      if (kSameEverywhere.count(id) != 0) {
        EXPECT_EQ(text, source.text) << language.file << ":" << language.texts.at(id).line
                                     << ": id " << id << " is the same in every language";
      } else if (!sameAllowed) {
        EXPECT_NE(text, source.text) << language.file << ":" << language.texts.at(id).line
                                     << ": id " << id << " is still English";
      }
    }
  }
}

TEST(LanguagePack, KeepsAcceleratorsPlaceholdersAndKeptSpaces) {
  Pack pack = loadRealPack();
  const Language& english = pack.languages.front();
  for (const Language& language : pack.languages) {
    for (const auto& [id, source] : english.texts) {
      const std::string& text = textOf(language, id);
      std::string where = language.file + ":" + std::to_string(language.texts.at(id).line) +
                          ": id " + std::to_string(id);
      EXPECT_EQ(acceleratorCount(text), acceleratorCount(source.text))
          << where << ": keyboard accelerators";
      EXPECT_EQ(placeholders(text), placeholders(source.text)) << where << ": placeholders";
      EXPECT_EQ(startsWith(text, "&#160;"), startsWith(source.text, "&#160;"))
          << where << ": leading &#160;";
      EXPECT_EQ(endsWith(text, "&#160;"), endsWith(source.text, "&#160;"))
          << where << ": trailing &#160;";
    }
  }
}

TEST(LanguagePack, OutputFolderEntriesAgreeInEveryLanguage) {
  for (const Language& language : loadRealPack().languages) {
    SCOPED_TRACE(language.file);
    // The sub-folder entries name the folder that text 608225 creates.
    EXPECT_NE(textOf(language, 608220).find(textOf(language, 608225)), std::string::npos);
    EXPECT_NE(textOf(language, 608221).find(textOf(language, 608225)), std::string::npos);
    // The File-menu forms are the custom-folder prefix, then the short form.
    std::string prefix = textOf(language, 608249);
    ASSERT_TRUE(endsWith(prefix, " &#160;")) << prefix;
    prefix.resize(prefix.size() - 7);
    for (const auto& [longForm, shortForm] :
         {std::pair{608211, 608210}, std::pair{608221, 608220}, std::pair{608231, 608230}}) {
      EXPECT_EQ(textOf(language, longForm), prefix + "  " + textOf(language, shortForm))
          << "id " << longForm;
    }
    // The Yes and No buttons keep their padding.
    for (int32_t id : {400330, 400340}) {
      const std::string& text = textOf(language, id);
      EXPECT_TRUE(startsWith(text, "&#160;      ") && endsWith(text, "      &#160;"))
          << "id " << id << ": " << text;
    }
  }
}

// The text the program's XML reader gives for a text as the files write it.
std::u16string decodedText(const std::string& text) {
  static const std::pair<const char*, char> kEntities[] = {{"&amp;", '&'},  {"&lt;", '<'},
                                                           {"&gt;", '>'},   {"&#160;", ' '},
                                                           {"&#10;", '\n'}, {"&#13;", '\r'}};
  std::string plain;
  for (size_t at = 0; at < text.size(); ++at) {
    auto entity = std::find_if(std::begin(kEntities), std::end(kEntities), [&](const auto& e) {
      return text.compare(at, std::char_traits<char>::length(e.first), e.first) == 0;
    });
    if (entity == std::end(kEntities)) {
      plain += text[at];
    } else {
      plain += entity->second;
      at += std::char_traits<char>::length(entity->first) - 1;
    }
  }
  StrBuffer* utf16 = StrBuffer::take();
  utf16->decodeUtf8(plain.data(), false, static_cast<int32_t>(plain.size()));
  std::u16string out(utf16->getCStr());
  utf16->release();
  return out;
}

std::u16string stringOf(const Node* node, const char16_t* name) {
  StrBuffer* text = StrBuffer::take();
  node->getString(text, name, u"", false);
  std::u16string out(text->getCStr());
  text->release();
  return out;
}

TEST(LanguagePack, TheBuiltPackReadsBackThroughTheProgramsXmlReader) {
  std::ifstream in(LUMETRA_LANGPACK_XML, std::ios::binary);
  ASSERT_TRUE(in) << LUMETRA_LANGPACK_XML;
  std::string built((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Pack pack = loadRealPack();
  EXPECT_EQ(built, tools::langpack::writePackXml(pack))
      << "the build's pack is not made from these sources";

  ArrayU08* bytes = ArrayU08::take();
  for (char c : built) bytes->push(static_cast<uint8_t>(c));
  Node* root = Node::take();
  ASSERT_TRUE(root->parseBytes(bytes));
  bytes->release();
  EXPECT_TRUE(root->isNamed(u"lang", -1));

  const Node* languages = root->findChild(u"languages", -1);
  ASSERT_NE(languages, nullptr);
  ASSERT_EQ(languages->getChildCount(), pack.languages.size());
  for (uint32_t i = 0; i < languages->getChildCount(); ++i) {
    const Node* entry = languages->getChild(i);
    const Language& language = pack.languages[i];
    EXPECT_EQ(stringOf(entry, u"tagName"), decodedText(language.tagName));
    EXPECT_EQ(stringOf(entry, u"engName"), decodedText(language.engName));
    EXPECT_EQ(stringOf(entry, u"trueName"), decodedText(language.trueName));
  }

  const Node* entries = root->findChild(u"entries", -1);
  ASSERT_NE(entries, nullptr);
  const Language& english = pack.languages.front();
  ASSERT_EQ(entries->getChildCount(), english.texts.size());
  uint32_t index = 0;
  for (const auto& [id, unused] : english.texts) {
    const Node* entry = entries->getChild(index++);
    EXPECT_EQ(entry->getInt32(u"id", -1), id);
    ASSERT_EQ(entry->getChildCount(), pack.languages.size());
    for (uint32_t i = 0; i < entry->getChildCount(); ++i) {
      const Node* text = entry->getChild(i);
      const Language& language = pack.languages[i];
      EXPECT_EQ(std::u16string(text->getName()), decodedText(language.tagName));
      EXPECT_EQ(stringOf(text, u""), decodedText(textOf(language, id)))
          << language.file << ": id " << id;
    }
  }
  root->release();
}

}  // namespace
