// Language identifiers to the system's language codes and names, and the user's language name.
#include "platform/lang/Language.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

using s::lang::getLanguageCode;
using s::lang::getLanguageName;

namespace {

std::u16string nameOf(LANGID id) { return getLanguageName(getLanguageCode(id)); }

}  // namespace

TEST(Language, IdentifiersGiveCodesAndNames) {
  EXPECT_EQ(nameOf(0x0C0A), u"SPANISH") << "any Spanish by its primary language";
  EXPECT_EQ(nameOf(0x141A), u"SERBIAN");
  EXPECT_EQ(nameOf(0x7C1A), u"SERBIAN");
  EXPECT_EQ(nameOf(0x042E), u"UPPER_SORBIAN");
  EXPECT_EQ(nameOf(0x082E), u"LOWER_SORBIAN");
  EXPECT_EQ(getLanguageCode(0x002E), -1);
  EXPECT_EQ(nameOf(0x002E), u"Unknown");
  EXPECT_EQ(nameOf(0x0004), u"CHINESE_SIMPLIFIED");
  EXPECT_EQ(nameOf(0x7C04), u"CHINESE_TRADITIONAL");
  EXPECT_EQ(nameOf(0x0416), u"PORTUGUESE_BRAZILIAN");
  EXPECT_EQ(nameOf(0x0816), u"PORTUGUESE_PORTUGAL");
  EXPECT_EQ(nameOf(0x181A), u"SERBIAN_LATIN");
  EXPECT_EQ(nameOf(0x1C1A), u"SERBIAN_CYRILLIC");
  EXPECT_EQ(nameOf(0x101A), u"CROATIAN");
  EXPECT_EQ(nameOf(0x201A), u"BOSNIAN");
  EXPECT_EQ(nameOf(0x0429), u"PERSIAN");
  EXPECT_EQ(nameOf(0x048C), u"DARI");
  EXPECT_EQ(getLanguageCode(0x0409), 250 * 65536);
  EXPECT_EQ(getLanguageCode(0x0804), 170 * 65536 + 170);
  EXPECT_EQ(getLanguageName(250 * 65536 + 1), std::u16string(u"Unknown"));
  EXPECT_EQ(getLanguageName(-1), std::u16string(u"Unknown"));
}

TEST(Language, EveryKnownPrimaryLanguageHasANameOfItsOwn) {
  // 116 primary languages (under a sub-language no whole identifier uses), each its own code;
  // with the six variants and the four languages only whole identifiers reach (Croatian,
  // Bosnian, both Sorbian languages), they name all 126 codes.
  std::set<int32_t> codes;
  int named = 0;
  for (int primary = 0; primary < 256; ++primary) {
    const int32_t code = getLanguageCode(static_cast<LANGID>(0x5000 | primary));
    if (code == -1) continue;
    ++named;
    EXPECT_NE(std::u16string(getLanguageName(code)), u"Unknown") << primary;
    codes.insert(code);
  }
  EXPECT_EQ(named, 116);
  for (LANGID whole :
       {0x041A, 0x0804, 0x0404, 0x0416, 0x0816, 0x0C1A, 0x081A, 0x201A, 0x042E, 0x082E}) {
    codes.insert(getLanguageCode(whole));
  }
  EXPECT_EQ(codes.size(), 126u);
}

TEST(Language, UserLanguageNameComesFromTheLocale) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::pair<const char*, const char*> cases[] = {
      {"de_DE.UTF-8", "German"},
      {"zh_CN.GB18030", "Chinese_simplified"},
      {"pt_PT", "Portuguese_portugal"},
      {"sr_RS@latin", "Serbian_latin"},
      {"sr_RS", "Serbian_cyrillic"},
      {"fa_IR", "Persian"},
      {"nb_NO.UTF-8", "Norwegian"},
      {"hr_HR.UTF-8", "Croatian"},
      {"POSIX", "English"},
  };
  for (const auto& [locale, expected] : cases) {
    EXPECT_EXIT(
        {
          setenv("LC_ALL", locale, 1);
          const std::u16string name = s::lang::getSystemLanguageName();
          const std::string narrow(name.begin(), name.end());
          std::fprintf(stderr, "%s", narrow.c_str());
          std::exit(narrow == expected ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), expected)
        << locale;
  }
}
