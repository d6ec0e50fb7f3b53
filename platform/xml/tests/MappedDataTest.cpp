// The XML settings store: sections as nested elements, settings as attributes, the file it
// saves, and the deliberate mix of a case-blind section cache with case-exact lookups.
#include "platform/xml/MappedData.h"

#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/xml/tests/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

using s::col::_array::ArrayU08;
using s::str::strbuffer::StrBuffer;
using s::xml::MappedData;
using s::xml::Node;

namespace {

class XmlStore : public TempFolder {
 protected:
  MappedData* open(const std::string& file = "savedata/SaveData.xml") {
    StrBuffer* path = pathText(file);
    MappedData* store = MappedData::openFile(path);
    path->release();
    return store;
  }
  static std::u16string xmlOf(const Node* node) {
    StrBuffer* text = node->toXml(nullptr, false);
    std::u16string out(text->getCStr());
    text->release();
    return out;
  }
};

std::u16string text(const char16_t* t) { return t == nullptr ? u"(null)" : std::u16string(t); }

}  // namespace

TEST_F(XmlStore, ANewStoreWritesItsFileOnTheFirstFlush) {
  MappedData* store = open();
  EXPECT_TRUE(store->getRoot()->isNamed(u"savedata", -1));
  EXPECT_FALSE(std::filesystem::exists(m_root / "savedata"));
  store->setString(u"", u"Language", u"English");
  EXPECT_FALSE(std::filesystem::exists(m_root / "savedata")) << "only flush writes";
  store->flush();
  EXPECT_EQ(read("savedata/SaveData.xml"), "<savedata Language=\"English\"></savedata>");
  store->release();

  MappedData* again = open();
  EXPECT_EQ(text(again->getString(u"", u"language", u"", nullptr, false)), u"English");
  again->setAutoFlush(true);
  again->setInt32(u"Main", u"Volume", 3);
  EXPECT_EQ(read("savedata/SaveData.xml"),
            "<savedata Language=\"English\"><Main Volume=\"3\"></Main></savedata>");
  again->release();
}

TEST_F(XmlStore, AWriteReplacesTheKeyWhateverItsCase) {
  MappedData* store = open();
  store->setInt32(u"Main", u"Volume", 5);
  store->setInt32(u"Main", u"volume", 7);
  EXPECT_EQ(xmlOf(store->getRoot()), u"<savedata><Main volume=\"7\"></Main></savedata>");
  EXPECT_TRUE(store->hasKey(u"Main", u"VOLUME"));
  store->removeKey(u"Main", u"Volume");
  EXPECT_FALSE(store->hasKey(u"Main", u"volume"));
  store->release();
}

TEST_F(XmlStore, AWriteOrRemovalTakesEveryCopyOfAKeyAFileHolds) {
  // Found by fuzzing: a file with a key twice read the old second copy after a write.
  std::filesystem::create_directories(m_root / "savedata");
  write("savedata/SaveData.xml",
        "<savedata><Main Volume=\"5\" volume=\"6\" VOLUME=\"7\" Level=\"1\" level=\"2\"></Main>"
        "</savedata>");
  MappedData* store = open();
  store->setInt32(u"Main", u"Volume", 9);
  EXPECT_EQ(store->getInt32(u"Main", u"volume", 0), 9);
  store->removeKey(u"Main", u"LEVEL");
  EXPECT_FALSE(store->hasKey(u"Main", u"level"));
  store->flush();
  store->release();
  EXPECT_EQ(read("savedata/SaveData.xml"), "<savedata><Main Volume=\"9\"></Main></savedata>");
}

TEST_F(XmlStore, ALoneSurrogateIsSavedAsTheReplacementCharacterAndTheFileLoads) {
  // The file is UTF-8, which has no form for half a pair; the rest of the store must survive it.
  MappedData* store = open();
  store->setString(u"", u"Path",
                   u"a\xD83D"
                   u"b");
  store->setString(u"Main", u"Pair", u"\xD83D\xDE00");
  EXPECT_EQ(text(store->getString(u"", u"Path", u"", nullptr, false)),
            u"a\xD83D"
            u"b")
      << "kept in memory";
  store->flush();
  store->release();
  MappedData* again = open();
  EXPECT_EQ(text(again->getString(u"", u"Path", u"", nullptr, false)),
            u"a\xFFFD"
            u"b");
  EXPECT_EQ(text(again->getString(u"Main", u"Pair", u"", nullptr, false)), u"\xD83D\xDE00");
  again->release();
}

TEST_F(XmlStore, SectionLookupIsExactWhileTheCacheIgnoresCase) {
  MappedData* store = open();
  store->selectSection(u"Skin/Colors");
  store->selectSection(u"Skin/Colors");
  EXPECT_EQ(xmlOf(store->getRoot()), u"<savedata><Skin><Colors></Colors></Skin></savedata>");
  store->setInt32(u"skin/colors", u"a", 1);  // the cached section, whatever the case
  EXPECT_EQ(xmlOf(store->getRoot()),
            u"<savedata><Skin><Colors a=\"1\"></Colors></Skin></savedata>");
  store->selectSection(u"Other");
  store->setInt32(u"skin", u"b", 2);  // a fresh lookup is exact: a second element
  EXPECT_EQ(xmlOf(store->getRoot()),
            u"<savedata><Skin><Colors a=\"1\"></Colors></Skin><Other></Other><skin b=\"2\"></skin>"
            u"</savedata>");
  // Both separators nest; empty pieces are skipped rather than made into nameless elements.
  store->setInt32(u"\\Skin\\\\Colors/", u"c", 3);
  EXPECT_EQ(store->getInt32(u"Skin/Colors", u"c", 0), 3);
  EXPECT_FALSE(store->selectExistingSection(u"Skin/Missing"));
  EXPECT_FALSE(store->selectExistingSection(u"Skin/Missing"));
  EXPECT_EQ(store->getInt32(u"Skin/Missing", u"c", -1), -1);
  store->release();
}

TEST_F(XmlStore, RemovingASectionTakesItsSubtreeAndSelectsItsParent) {
  MappedData* store = open();
  store->setInt32(u"Main", u"x", 1);
  store->setInt32(u"A\\B\\C", u"x", 2);
  store->setInt32(u"A", u"y", 3);
  store->removeSection(u"main");  // the child is found ignoring case
  store->removeSection(u"A\\B");
  EXPECT_EQ(xmlOf(store->getRoot()), u"<savedata><A y=\"3\"></A></savedata>");
  store->removeSection(u"Nowhere\\B");
  store->removeSection(u"");  // the root itself is never removed
  store->removeSection(u"//");
  EXPECT_EQ(store->getInt32(u"A", u"y", 0), 3);
  // A trailing separator names the same section as for a write.
  store->setInt32(u"A/D/", u"z", 4);
  store->setInt32(u"A/DE", u"z", 5);
  store->removeSection(u"A\\D\\");
  EXPECT_EQ(xmlOf(store->getRoot()), u"<savedata><A y=\"3\"><DE z=\"5\"></DE></A></savedata>");
  store->release();
}

TEST_F(XmlStore, ValuesAreTextWithTheirFormats) {
  MappedData* store = open();
  store->setUInt64(u"T", u"u64", UINT64_MAX);
  store->setInt64(u"T", u"s64", -9);
  store->setUInt8(u"T", u"u8", 255);
  store->setInt16(u"T", u"s16", -300);
  store->setFloat(u"T", u"f", 0.1234567f);
  store->setDouble(u"T", u"d", 2.0 / 3);
  store->setBool(u"T", u"b", true);
  store->setExpandString(u"T", u"e", u"%HOME% \"quoted\"");
  ArrayU08* bytes = ArrayU08::take();
  bytes->clear();
  bytes->push(0x00);
  bytes->push(0x7F);
  store->setBinary(u"T", u"bin", bytes);
  Node* t = store->getRoot()->findChild(u"T", 1);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(text(t->getText(u"u64", u"")), u"-1");
  EXPECT_EQ(text(t->getText(u"f", u"")), u"0.123457");
  EXPECT_EQ(text(t->getText(u"b", u"")), u"1");
  EXPECT_EQ(text(t->getText(u"bin", u"")), u"007f");

  EXPECT_EQ(store->getUInt64(u"T", u"u64", 0), UINT64_MAX);
  EXPECT_EQ(store->getInt64(u"T", u"s64", 0), -9);
  EXPECT_EQ(store->getUInt8(u"T", u"u8", 0), 255);
  EXPECT_EQ(store->getInt16(u"T", u"s16", 0), -300);
  EXPECT_EQ(store->getDouble(u"T", u"d", 0), 0.666667);  // six decimals: precision is lost
  EXPECT_TRUE(store->getBool(u"T", u"b", false));
  bool expandable = true;
  EXPECT_EQ(text(store->getString(u"T", u"e", u"", &expandable, true)), u"%HOME% \"quoted\"");
  EXPECT_FALSE(expandable);
  ArrayU08* back = store->getBinary(u"T", u"bin", nullptr);
  ASSERT_EQ(back->getCount(), 2u);
  EXPECT_EQ(back->getItems()[0], 0x00);
  EXPECT_EQ(back->getItems()[1], 0x7F);
  store->getBinary(u"T", u"missing", back);
  EXPECT_EQ(back->getCount(), 0u);
  back->release();
  bytes->release();

  const char16_t* fallback = u"fallback";
  EXPECT_EQ(text(store->getString(u"T", u"missing", fallback, nullptr, false)), u"fallback");
  EXPECT_EQ(store->getString(u"Nowhere", u"missing", fallback, nullptr, false), fallback);
  EXPECT_EQ(store->getMultiString(u"T", u"e"), nullptr);
  EXPECT_EQ(store->getInt32(u"T", u"e", 5), 0) << "a present attribute is always converted";
  store->release();
}

TEST_F(XmlStore, ADamagedFileIsKeptAsideAndTheStoreStartsEmpty) {
  std::filesystem::create_directories(m_root / "savedata");
  write("savedata/SaveData.xml", "<savedata Language=\"English\"><Main");
  MappedData* store = open();
  EXPECT_TRUE(store->getRoot()->isNamed(u"savedata", -1));
  EXPECT_EQ(store->getRoot()->getAttributes()->getCount(), 0u);
  store->setInt32(u"Main", u"x", 1);
  store->flush();
  EXPECT_EQ(read("savedata/SaveData.xml"), "<savedata><Main x=\"1\"></Main></savedata>");
  EXPECT_EQ(read("savedata/SaveData.damaged.xml"), "<savedata Language=\"English\"><Main");
  store->release();
  // A second damaged file does not overwrite the first one kept.
  write("savedata/SaveData.xml", "<");
  open()->release();
  std::vector<std::string> kept = names("savedata");
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<std::string>{"SaveData.damaged (1).xml", "SaveData.damaged.xml"}));
}

TEST_F(XmlStore, AStoreWithoutATreeAnswersDefaultsAndWritesNothing) {
  MappedData* bare = MappedData::take();
  bare->setInt32(u"Main", u"x", 1);
  EXPECT_EQ(bare->getInt32(u"Main", u"x", 9), 9);
  EXPECT_FALSE(bare->selectExistingSection(u""));
  bare->removeSection(u"Main");
  bare->flush();
  EXPECT_EQ(std::u16string(bare->getClassName()), u"s_xml_MappedData");
  bare->release();
}
