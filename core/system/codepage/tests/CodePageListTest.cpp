// The code-page list on a system that reports a chosen set of code pages, and texts of every
// script the list names converted through its numbers on this system.
#include "core/system/codepage/CodePageList.h"

#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using s::str::strbuffer::StrBuffer;
using s::system::codepage::CodePage;
namespace cp = s::system::codepage;

namespace {

UINT s_oem = 437;

// The system of these tests reports a Western and the UTF-8 code page, an OEM code page the list
// does not know, and texts that are no numbers.
BOOL WINAPI reportChosenCodePages(CODEPAGE_ENUMPROCW callback, DWORD) {
  for (const char16_t* text : {u"437", u"1252", u"x12", u"", u"65001", u"99999999999"}) {
    std::u16string copy(text);
    if (!callback(copy.data())) break;
  }
  return TRUE;
}

UINT WINAPI chosenOem() { return s_oem; }

// Installed before any test runs, so that the one load of the process sees this system.
class ChosenSystem : public ::testing::Environment {
 public:
  void SetUp() override {
    winapi::seam::replaceEnumSystemCodePagesW(&reportChosenCodePages);
    winapi::seam::replaceGetOEMCP(&chosenOem);
  }
  void TearDown() override {
    winapi::seam::replaceEnumSystemCodePagesW(nullptr);
    winapi::seam::replaceGetOEMCP(nullptr);
  }
};

const auto* const s_environment = ::testing::AddGlobalTestEnvironment(new ChosenSystem);

std::u16string nameAt(uint32_t index) { return cp::getCodePageAt(index)->getName()->getCStr(); }

}  // namespace

TEST(CodePageList, FirstLoadFromManyThreadsBuildsOneList) {
  std::vector<const void*> lists(8);
  std::vector<uint32_t> counts(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < lists.size(); ++i) {
    threads.emplace_back([&, i] {
      lists[i] = &cp::getCodePageList();
      counts[i] = cp::getCodePageList().getCount();
    });
  }
  for (auto& t : threads) t.join();
  for (size_t i = 0; i < lists.size(); ++i) {
    EXPECT_EQ(lists[i], lists[0]);
    EXPECT_EQ(counts[i], 4u);
  }
}

TEST(CodePageList, HoldsKnownReportedPagesAndBothUtf16SortedByName) {
  cp::loadCodePageList();
  cp::loadCodePageList();  // a second load adds nothing
  ASSERT_EQ(cp::getCodePageList().getCount(), 4u);
  EXPECT_EQ(nameAt(0), u"UTF-16");
  EXPECT_EQ(nameAt(1), u"UTF-16BE");
  EXPECT_EQ(nameAt(2), u"UTF-8");
  EXPECT_EQ(nameAt(3), u"Western (Windows-1252)");
  EXPECT_EQ(cp::getCodePageAt(3)->getCodePage(), 1252);

  ASSERT_NE(cp::getUtf8CodePage(), nullptr);
  EXPECT_EQ(cp::getUtf8CodePage()->getCodePage(), 65001);
  EXPECT_EQ(cp::getUtf16CodePage(), cp::getCodePageAt(0));
  EXPECT_EQ(cp::getUtf16BigEndianCodePage(), cp::getCodePageAt(1));
  EXPECT_EQ(cp::getUtf16BigEndianCodePage()->getCodePage(), 1201);
  EXPECT_EQ(cp::indexOfUtf8(), 2);
}

TEST(CodePageList, OemEntryIsTheOemPageOrElseUtf8) {
  s_oem = 437;  // reported, but not a page the list shows
  EXPECT_EQ(cp::getOemCodePage(), cp::getUtf8CodePage());
  s_oem = 1252;
  EXPECT_EQ(cp::getOemCodePage()->getCodePage(), 1252);
  s_oem = 437;
}

TEST(CodePageList, DisplayNamesAreTheListsOwnTexts) {
  EXPECT_EQ(std::u16string(cp::getCodePageDisplayName(1258)), u"Vietnamese (Windows-1258)");
  EXPECT_EQ(std::u16string(cp::getCodePageDisplayName(866)), u"Russian (CP-866)");
  EXPECT_EQ(cp::getCodePageDisplayName(437), nullptr);
  EXPECT_EQ(cp::getCodePageDisplayName(0), nullptr);
  CodePage* entry = CodePage::takeNamed(1250, cp::getCodePageDisplayName(1250));
  EXPECT_EQ(std::u16string(entry->getClassName()), u"s_system_codepage_CodePage");
  entry->release();  // reset: number 0, name freed
  CodePage* again = CodePage::take();
  EXPECT_EQ(again->getCodePage(), 0);
  EXPECT_EQ(again->getName()->getLength(), 0u);
  again->release();
}

namespace {

struct Sample {
  int32_t codePage;
  const char16_t* text;
  std::vector<uint8_t> start;  // the first bytes the text encodes to, where they pin the mapping
};

std::vector<uint8_t> encode(CodePage* entry, const char16_t* text) {
  StrBuffer* t = StrBuffer::take();
  t->assign(text);
  s::col::_array::ArrayU08* bytes = t->encode(entry);
  std::vector<uint8_t> result(bytes->getItems(), bytes->getItems() + bytes->getCount());
  bytes->release();
  t->release();
  return result;
}

std::u16string decode(CodePage* entry, const std::vector<uint8_t>& bytes) {
  StrBuffer* t = StrBuffer::take();
  t->decode(entry, bytes.data(), false, static_cast<int32_t>(bytes.size()));
  std::u16string result(t->getCStr());
  t->release();
  return result;
}

}  // namespace

// Every number the list knows converts a text in the script its name promises and back, on this
// system; the first bytes pin the mapping where a wrong converter would still round-trip.
TEST(CodePageConversion, EveryNamedPageRoundTripsATextOfItsScript) {
  const std::vector<Sample> samples = {
      {850, u"Café déjà vu", {'C', 'a', 'f', 0x82}},
      {852, u"Łódź Žluťoučký", {0x9D, 0xA2}},
      {855, u"Привет", {}},
      {857, u"İstanbul ğüşöç", {0x98}},
      {866, u"Жизнь", {0x86}},
      {874, u"สวัสดี", {0xCA}},
      {932, u"日本語テキスト", {0x93, 0xFA, 0x96, 0x7B}},
      {936, u"简体中文", {0xBC, 0xF2}},
      {949, u"한국어", {0xC7, 0xD1}},
      {950, u"繁體中文", {0xC1, 0x63}},
      {1200, u"A€", {0x41, 0x00, 0xAC, 0x20}},
      {1201, u"A€", {0x00, 0x41, 0x20, 0xAC}},
      {1250, u"Łódź Žluťoučký", {0xA3, 0xF3}},
      {1251, u"Привет", {0xCF}},
      {1252, u"€uro Œuvre", {0x80}},
      {1253, u"Ελληνικά", {0xC5}},
      {1254, u"İstanbul ğüşöç", {0xDD}},
      {1255, u"שלום", {0xF9}},
      {1256, u"مرحبا", {0xE3}},
      {1257, u"Ąžuolas Ėglė", {0xC0}},
      {1258, u"Đông Ương", {0xD0}},
      {1361, u"한국어", {}},
      {20000, u"繁體中文", {}},
      {20127, u"Hello, world", {'H'}},
      {20866, u"Жизнь", {0xF6}},
      {20932, u"日本語テキスト", {0xC6, 0xFC}},
      {20936, u"简体中文", {0xBC, 0xF2}},
      {21866, u"Привіт", {0xF0}},
      {28591, u"Café", {'C', 'a', 'f', 0xE9}},
      {28592, u"Łódź Žluťoučký", {0xA3, 0xF3}},
      {28594, u"Ąžuolas Ėglė", {0xA1}},
      {28595, u"Привет", {0xBF}},
      {28597, u"Ελληνικά", {0xC5}},
      {28599, u"İstanbul ğüşöç", {0xDD}},
      {28605, u"€uro Œuvre", {0xA4}},
      {50220, u"日本語テキスト", {0x1B, '$', 'B'}},
      {50225, u"한국어", {}},
      {50227, u"简体中文", {}},
      {50229, u"繁體中文", {}},
      {51949, u"한국어", {0xC7, 0xD1}},
      {52936, u"简体中文", {'~', '{'}},
      {54936, u"简体中文", {0xBC, 0xF2}},
      {65001, u"Grüße 日本", {'G', 'r', 0xC3, 0xBC}},
  };
  int converted = 0;
  for (const Sample& sample : samples) {
    SCOPED_TRACE(sample.codePage);
    ASSERT_NE(cp::getCodePageDisplayName(sample.codePage), nullptr);
    const bool utf16 = sample.codePage == 1200 || sample.codePage == 1201;
    if (!utf16 && !IsValidCodePage(static_cast<UINT>(sample.codePage))) {
      continue;  // not on this system, so never in its list
    }
    CodePage* entry =
        CodePage::takeNamed(sample.codePage, cp::getCodePageDisplayName(sample.codePage));
    const std::vector<uint8_t> bytes = encode(entry, sample.text);
    ASSERT_GE(bytes.size(), sample.start.size());
    EXPECT_EQ(
        std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(sample.start.size())),
        sample.start);
    EXPECT_EQ(decode(entry, bytes), sample.text);
    entry->release();
    ++converted;
  }
  // Every page of the table but the one the platform's converters lack (CNS) exists here.
  EXPECT_GE(converted, 42);
}
