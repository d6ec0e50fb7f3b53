// Conformance of the code-page conversions: UTF-8 with ill-formed input, the iconv-backed code
// pages with substitution, HZ, buffer rules, and the code pages derived from the locale.
#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::u16string toWide(UINT codePage, const std::string& bytes, DWORD flags = 0) {
  int n = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  if (n > 0) {
    int written = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    EXPECT_EQ(written, n) << "the size query and the conversion disagree";
  }
  return out;
}

std::string toBytes(UINT codePage, const std::u16string& text, DWORD flags = 0, const char* defaultChar = nullptr,
                    BOOL* usedDefault = nullptr) {
  int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, defaultChar,
                              usedDefault);
  std::string out(static_cast<size_t>(n), '\0');
  if (n > 0) {
    int written = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n,
                                      defaultChar, usedDefault);
    EXPECT_EQ(written, n) << "the size query and the conversion disagree";
  }
  return out;
}

}  // namespace

TEST(Utf8, RoundTripsEveryPlane) {
  const std::u16string text = u"A\u00e9\u20ac\U0001F600z";
  std::string bytes = toBytes(CP_UTF8, text);
  EXPECT_EQ(bytes, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(toWide(CP_UTF8, bytes), text);

  // -1 converts up to and including the terminator.
  char16_t wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC3\xA9", -1, wide, 8), 2);
  EXPECT_EQ(wide[0], u'\u00e9');
  EXPECT_EQ(wide[1], 0);
  char narrow[8];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00e9", -1, narrow, 8, nullptr, nullptr), 3);
  EXPECT_STREQ(narrow, "\xC3\xA9");
}

TEST(Utf8, IllFormedInputBecomesOneReplacementPerMaximalSubpart) {
  struct Case {
    std::string bytes;
    std::u16string expected;
  };
  const Case cases[] = {
      {"a\x80z", u"a\uFFFDz"},                            // a stray continuation byte
      {"\xC3", u"\uFFFD"},                                // truncated at the end
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong: C0 never starts a character
      {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
      {"\xF0\x9F\x98", u"\uFFFD"},                        // a four-byte character cut short
      {"\xF0\x9F\x98z", u"\uFFFDz"},                      // ... followed by more text
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xFF\xFE", u"\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(toWide(CP_UTF8, c.bytes), c.expected) << "bytes of length " << c.bytes.size();
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.bytes.data(), static_cast<int>(c.bytes.size()),
                                  nullptr, 0),
              0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  }
}

TEST(Utf8, LoneSurrogatesBecomeTheReplacementCharacter) {
  EXPECT_EQ(toBytes(CP_UTF8, std::u16string(u"a") + char16_t(0xD800) + u"b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(toBytes(CP_UTF8, std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
  // A high surrogate at the very end has no partner either.
  EXPECT_EQ(toBytes(CP_UTF8, std::u16string(u"x") + char16_t(0xDBFF)), "x\xEF\xBF\xBD");
  std::u16string lone(1, char16_t(0xD800));
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.data(), 1, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(Conversions, RefuseBadArgumentsAndShortBuffers) {
  char16_t wide[4];
  char narrow[4];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abcdef", 6, wide, 4), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"abcdef", 6, narrow, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00e9", 1, narrow, 1, nullptr, nullptr), 0)
      << "a character that does not fit whole is a short buffer";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 0, wide, 4), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, 3, wide, 4), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  BOOL used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 4, nullptr, &used), 0) << "UTF-8 has no default character";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 4), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(1200, 0, "a", 1, wide, 4), 0) << "UTF-16 is no multibyte code page";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(50220, MB_PRECOMPOSED, "a", 1, wide, 4), 0) << "stateful code pages take no flags";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
  EXPECT_EQ(MultiByteToWideChar(1252, MB_PRECOMPOSED, "a", 1, wide, 4), 1);
}

TEST(CodePages, ConvertThroughTheSystemConverters) {
  EXPECT_EQ(toBytes(1251, u"\u041f\u0440\u0438"), "\xCF\xF0\xE8");
  EXPECT_EQ(toWide(1251, "\xCF\xF0\xE8"), u"\u041f\u0440\u0438");
  EXPECT_EQ(toBytes(866, u"\u041f"), "\x8F");
  EXPECT_EQ(toBytes(932, u"\u65e5\u672c"), "\x93\xFA\x96\x7B");
  EXPECT_EQ(toWide(932,
                   "a\x93\xFA"
                   "b"),
            u"a\u65e5b");
  EXPECT_EQ(toBytes(936, u"\u4e2d"), "\xD6\xD0");
  EXPECT_EQ(toBytes(54936, u"\U0001F600"), "\x94\x39\xFC\x36");
  EXPECT_EQ(toWide(54936, "\x94\x39\xFC\x36"), u"\U0001F600");
  EXPECT_EQ(toWide(20866, "\xF0"), u"\u041f");
}

TEST(CodePages, LettersThatMarksMayFollowAreNotHeldBackAtTheEnd) {
  // Hebrew and Vietnamese converters wait for marks after each letter; the last one still comes.
  EXPECT_EQ(toWide(1255, "\xF9\xEC\xE5\xED"), u"\u05e9\u05dc\u05d5\u05dd");
  EXPECT_EQ(toWide(1258, "Vi\xD0ng"), u"Vi\u0110ng");
  EXPECT_EQ(toWide(1258, "a"), u"a");
}

TEST(CodePages, SubstituteInsteadOfStopping) {
  BOOL used = FALSE;
  EXPECT_EQ(toBytes(1252, u"a\u041fb\U0001F600c", 0, nullptr, &used), "a?b?c");
  EXPECT_TRUE(used);
  used = TRUE;
  EXPECT_EQ(toBytes(1252, u"plain", 0, nullptr, &used), "plain");
  EXPECT_FALSE(used) << "a clean conversion clears the flag";
  EXPECT_EQ(toBytes(1252, u"x\u4e2dy", 0, "#"), "x#y");
  // A byte that starts no character becomes U+FFFD, and the rest still converts.
  EXPECT_EQ(toWide(932, std::string("a\xA0"
                                    "b\x93",
                                    4)),
            u"a\uFFFDb\uFFFD");
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "a\xA0", 2, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(CodePages, StatefulEncodingsReturnToAsciiAroundSubstitutes) {
  // ISO-2022-JP must shift back to ASCII before the '?' and at the end of the text.
  std::string bytes = toBytes(50220, u"\u65e5\u0100\u65e5");
  EXPECT_EQ(bytes, "\x1B$BF|\x1B(B?\x1B$BF|\x1B(B");
  EXPECT_EQ(toWide(50220, bytes), u"\u65e5?\u65e5");
}

TEST(CodePages, HzHasItsOwnCodec) {
  ASSERT_TRUE(IsValidCodePage(52936));
  EXPECT_EQ(toBytes(52936, u"a\u4e2d\u6587~b"), "a~{VPND~}~~b");
  EXPECT_EQ(toWide(52936, "a~{VPND~}~~b"), u"a\u4e2d\u6587~b");
  EXPECT_EQ(toWide(52936, "x~\ny"), u"xy") << "tilde-newline continues the line";
  BOOL used = FALSE;
  EXPECT_EQ(toBytes(52936, u"\u4e2d\u0e01", 0, nullptr, &used), "~{VP~}?");
  EXPECT_TRUE(used);
}

TEST(CodePages, EnumerationReportsWhatConverts) {
  std::vector<UINT> reported;
  static std::vector<UINT>* sink = nullptr;
  sink = &reported;
  ASSERT_TRUE(EnumSystemCodePagesW(
      [](LPWSTR text) -> BOOL {
        UINT n = 0;
        for (; *text != 0; ++text) n = n * 10 + static_cast<UINT>(*text - u'0');
        sink->push_back(n);
        return TRUE;
      },
      CP_SUPPORTED));
  std::set<UINT> pages(reported.begin(), reported.end());
  EXPECT_EQ(pages.size(), reported.size()) << "no code page twice";
  for (UINT expected : {437u, 850u, 866u, 932u, 936u, 949u, 950u, 1252u, 20127u, 28591u, 52936u, 54936u, 65001u}) {
    EXPECT_TRUE(pages.count(expected)) << expected;
  }
  for (UINT page : reported) EXPECT_TRUE(IsValidCodePage(page)) << page;
  EXPECT_FALSE(IsValidCodePage(1200)) << "UTF-16 is not a code page of these calls";
  EXPECT_FALSE(IsValidCodePage(0));
  EXPECT_FALSE(IsValidCodePage(12345));
  EXPECT_FALSE(EnumSystemCodePagesW(nullptr, CP_SUPPORTED));
}

TEST(CodePages, DerivedFromTheLocaleAsWindowsDoes) {
  struct Case {
    const char* locale;
    UINT ansi;
    UINT oem;
  };
  const Case cases[] = {
      {"ru_RU.UTF-8", 1251, 866}, {"ja_JP.UTF-8", 932, 932},  {"zh_CN.UTF-8", 936, 936},  {"ko_KR.UTF-8", 949, 949},
      {"zh_TW.UTF-8", 950, 950},  {"zh_HK", 950, 950},        {"tr_TR.UTF-8", 1254, 857}, {"pl_PL.UTF-8", 1250, 852},
      {"cs_CZ", 1250, 852},       {"de_DE.UTF-8", 1252, 850}, {"fr_FR@euro", 1252, 850},  {"en_GB.UTF-8", 1252, 850},
      {"en_US.UTF-8", 1252, 437}, {"C", 1252, 437},           {"POSIX", 1252, 437},       {"el_GR.UTF-8", 1253, 737},
      {"sr_RS@latin", 1250, 852}, {"sr_RS", 1251, 855},
  };
  for (const Case& c : cases) {
    UINT ansi = 0, oem = 0;
    winapi::seam::codePagesOfLocale(c.locale, &ansi, &oem);
    EXPECT_EQ(ansi, c.ansi) << c.locale;
    EXPECT_EQ(oem, c.oem) << c.locale;
  }
}

TEST(CodePages, AnsiAndOemFollowTheSystemCodePages) {
  auto previousAcp = winapi::seam::replaceGetACP([]() -> UINT { return 1251; });
  auto previousOem = winapi::seam::replaceGetOEMCP([]() -> UINT { return 866; });
  EXPECT_EQ(GetACP(), 1251u);
  EXPECT_EQ(toBytes(CP_ACP, u"\u041f"), "\xCF");
  EXPECT_EQ(toBytes(CP_OEMCP, u"\u041f"), "\x8F");
  winapi::seam::replaceGetACP(previousAcp);
  winapi::seam::replaceGetOEMCP(previousOem);
  EXPECT_NE(GetACP(), 0u);
}

TEST(Conversions, ABufferOfNoUnitsAsksForTheSizeWhateverThePointer) {
  char16_t wide[4] = {u'x', u'x', u'x', u'x'};
  char narrow[4] = {'x', 'x', 'x', 'x'};
  for (UINT page : {65001u, 1252u, 932u, 52936u}) {
    EXPECT_EQ(MultiByteToWideChar(page, 0, "abc", 3, wide, 0), 3) << page;
    EXPECT_EQ(WideCharToMultiByte(page, 0, u"abc", 3, narrow, 0, nullptr, nullptr), 3) << page;
  }
  EXPECT_EQ(wide[0], u'x') << "a size query writes nothing";
  EXPECT_EQ(narrow[0], 'x');
}

TEST(Conversions, TheTerminatorOfAMinusOneTextIsANulInEveryCodePage) {
  // UTF-7 has no NUL of its own, and in a GB section of HZ a NUL is no half of a pair.
  for (UINT page : {65000u, 52936u, 50220u, 932u, 1252u}) {
    char16_t wide[4] = {1, 1, 1, 1};
    EXPECT_EQ(MultiByteToWideChar(page, 0, "", -1, wide, 4), 1) << page;
    EXPECT_EQ(wide[0], 0) << page;
    char narrow[4] = {1, 1, 1, 1};
    EXPECT_EQ(WideCharToMultiByte(page, 0, u"", -1, narrow, 4, nullptr, nullptr), 1) << page;
    EXPECT_EQ(narrow[0], 0) << page;
  }
  EXPECT_EQ(toWide(52936, std::string("a~{VP\0", 6)), std::u16string(u"a\u4e2d\0", 3));
  EXPECT_EQ(toWide(52936, "~{VP\r\nND"), u"\u4e2d\r\nND") << "a CR before the line break is no GB half";
  char16_t wide[8] = {};
  EXPECT_EQ(MultiByteToWideChar(65000, 0, "a+AGE-", -1, wide, 8), 3) << "a UTF-7 text keeps its terminator";
  EXPECT_EQ(std::u16string(wide), u"aa");
}

TEST(CodePages, TheDefaultCharacterIsOneCharacterNotAString) {
  // Only the byte after a lead byte belongs to it: a single char is never read past.
  const char single = '#';
  EXPECT_EQ(toBytes(1252, u"a\u4e2d", 0, &single), "a#");
  EXPECT_EQ(toBytes(932, u"a\u0100", 0, "#!"), "a#") << "'#' is no lead byte of Shift-JIS";
  EXPECT_EQ(toBytes(932, u"a\u0100", 0, "\x81\x48"), "a\x81\x48") << "a lead byte takes its trail byte";
  EXPECT_EQ(toBytes(1252, u"\u4e2d", 0, "\x81\x48"), "\x81") << "1252 has no lead bytes";
  BOOL used = FALSE;
  EXPECT_EQ(toBytes(950, u"\u0100", 0, "", &used), std::string(1, '\0')) << "a NUL default is a NUL byte";
  EXPECT_TRUE(used);
}
