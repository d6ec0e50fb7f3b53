// Conformance of the C run-time's wide routines: Windows formats, 32-bit `long` parsing, A-Z folding.
#include <windows.h>
#include <crtwchar.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

std::u16string fmt(const WCHAR* format, auto... args) {
  WCHAR buffer[512];
  const int n = swprintf(buffer, 512, format, args...);
  EXPECT_GE(n, 0) << "format failed";
  return std::u16string(buffer, n < 0 ? 0 : static_cast<size_t>(n));
}

int sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

TEST(WideStrings, LengthAndComparisonsTreatUnitsAsUnsigned16Bit) {
  EXPECT_EQ(wcslen(u""), 0u);
  EXPECT_EQ(wcslen(u"h\u00E9llo"), 5u);
  EXPECT_EQ(sign(wcscmp(u"abc", u"abc")), 0);
  EXPECT_EQ(sign(wcscmp(u"ab", u"abc")), -1);
  EXPECT_EQ(sign(wcscmp(u"\uFFFF", u"a")), 1);  // unsigned, not signed 16-bit
  EXPECT_EQ(sign(wcsncmp(u"abcX", u"abcY", 3)), 0);
  EXPECT_EQ(sign(wcsncmp(u"ab", u"abc", 5)), -1);
  EXPECT_EQ(wcsncmp(u"a\0x", u"a\0y", 3), 0);  // stops at the NUL
}

TEST(WideStrings, IgnoreCaseFoldsOnlyAsciiLettersToLowerCase) {
  EXPECT_EQ(_wcsicmp(u"HeLLo", u"hello"), 0);
  EXPECT_NE(_wcsicmp(u"\u00C9", u"\u00E9"), 0);  // Latin-1 letters are not folded
  // Folding goes to lower case: '_' (0x5F) sorts before 'a' but after 'A'.
  EXPECT_LT(_wcsicmp(u"_", u"A"), 0);
  EXPECT_EQ(_wcsnicmp(u"ABCd", u"abcE", 3), 0);
  EXPECT_LT(_wcsnicmp(u"AB", u"abc", 3), 0);
  EXPECT_EQ(towlower(u'Q'), u'q');
  EXPECT_EQ(towupper(u'q'), u'Q');
  EXPECT_EQ(towlower(u'\u00C9'), u'\u00C9');
  EXPECT_EQ(towupper(u'\u00FF'), u'\u00FF');
}

TEST(WideStrings, SubstringSearch) {
  const WCHAR* text = u"banana";
  EXPECT_EQ(wcsstr(text, u"nan"), text + 2);
  EXPECT_EQ(wcsstr(text, u""), text);
  EXPECT_EQ(wcsstr(text, u"nab"), nullptr);
  EXPECT_EQ(wcsstr(text, u"anas"), nullptr);
  EXPECT_EQ(wcsstr(u"", u"a"), nullptr);
}

TEST(WideFormat, IntegersInWindowsFormats) {
  EXPECT_EQ(fmt(u"%d|%u|%i", -5, 4294967295u, 42), u"-5|4294967295|42");
  EXPECT_EQ(fmt(u"%I64d", INT64_MIN), u"-9223372036854775808");
  EXPECT_EQ(fmt(u"%I64u", UINT64_MAX), u"18446744073709551615");
  EXPECT_EQ(fmt(u"%016I64x", 0x1234abcdULL), u"000000001234abcd");
  EXPECT_EQ(fmt(u"%02x%04x%08x", 10u, 0xabcdu, 0xdeadbeefu), u"0aabcddeadbeef");
  EXPECT_EQ(fmt(u"%8X|%-5d|%+d|% d|%#x|%.3d", 0xABu, 7, 3, 3, 255u, 5), u"      AB|7    |+3| 3|0xff|005");
  EXPECT_EQ(fmt(u"%hd %hu %hhd", 70000, 70000, 255), u"4464 4464 -1");
  // %l is 32 bits wide, as `long` is on Windows.
  EXPECT_EQ(fmt(u"S-%lu-%ld", 1u, -2), u"S-1--2");
  EXPECT_EQ(fmt(u"%*d|%-*d|%.*d", 4, 1, 3, 2, 2, 3), u"   1|2  |03");
  EXPECT_EQ(fmt(u"%p", reinterpret_cast<void*>(0x12FF7CULL)), u"000000000012FF7C");
}

TEST(WideFormat, TextsAndUnitsAreWideUnlessMarkedNarrow) {
  EXPECT_EQ(fmt(u"[%s]", u"w\u00E9de"), u"[w\u00E9de]");
  EXPECT_EQ(fmt(u"[%hs|%S]", "nar", "row"), u"[nar|row]");
  EXPECT_EQ(fmt(u"[%ls|%ws]", u"a", u"b"), u"[a|b]");
  EXPECT_EQ(fmt(u"%c%hc%C", u'\u3042', 'x', 'y'), u"\u3042xy");
  EXPECT_EQ(fmt(u"[%5s|%-4s|%.2s]", u"ab", u"c", u"xyz"), u"[   ab|c   |xy]");
  EXPECT_EQ(fmt(u"%s", static_cast<const WCHAR*>(nullptr)), u"(null)");
  EXPECT_EQ(fmt(u"100%%"), u"100%");
}

TEST(WideFormat, FloatingPoint) {
  EXPECT_EQ(fmt(u"%f", 0.5), u"0.500000");
  EXPECT_EQ(fmt(u"%f", static_cast<double>(0.1f)), u"0.100000");
  EXPECT_EQ(fmt(u"%.2f|%e|%g|%G", 2.345, 12345.678, 0.0001, 1e20), u"2.35|1.234568e+04|0.0001|1E+20");
  EXPECT_EQ(fmt(u"%08.3f", -1.5), u"-001.500");
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(fmt(u"%f|%f|%F", inf, -inf, inf), u"inf|-inf|INF");
  EXPECT_EQ(fmt(u"%f", std::numeric_limits<double>::quiet_NaN()), u"nan");
  volatile double zero = 0.0;
  EXPECT_EQ(fmt(u"%f", zero / zero), u"-nan(ind)");
  // A very large value prints all its digits.
  WCHAR big[400];
  EXPECT_EQ(swprintf(big, 400, u"%f", 1e300), 308);
  EXPECT_EQ(std::u16string(big, 4), u"1000");
}

TEST(WideFormat, TruncationAndInvalidFormatsReportMinusOne) {
  WCHAR buffer[6] = {u'x', u'x', u'x', u'x', u'x', u'x'};
  EXPECT_EQ(swprintf(buffer, 6, u"%d", 12345), 5);
  EXPECT_EQ(std::u16string(buffer), u"12345");
  EXPECT_EQ(swprintf(buffer, 6, u"%d", 123456), -1);
  EXPECT_EQ(std::u16string(buffer), u"12345");  // as much as fitted, terminated
  EXPECT_EQ(_scwprintf(u"%d-%s", 123456, u"ab"), 9);
  errno = 0;
  int n = 0;
  EXPECT_EQ(swprintf(buffer, 6, u"%n", &n), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(swprintf(buffer, 6, u"%y", 1), -1);
  EXPECT_EQ(swprintf(buffer, 6, u"abc%"), -1);
}

TEST(WideParse, LongIsClampedTo32BitsAsOnWindows) {
  errno = 0;
  EXPECT_EQ(wcstol(u"2147483647", nullptr, 10), 2147483647);
  EXPECT_EQ(errno, 0);
  EXPECT_EQ(wcstol(u"2147483648", nullptr, 10), 2147483647);
  EXPECT_EQ(errno, ERANGE);
  EXPECT_EQ(wcstol(u"-2147483648", nullptr, 10), INT32_MIN);
  EXPECT_EQ(wcstol(u"-99999999999999999999999", nullptr, 10), INT32_MIN);
  EXPECT_EQ(wcstoul(u"4294967295", nullptr, 10), 4294967295u);
  EXPECT_EQ(wcstoul(u"4294967296", nullptr, 10), 4294967295u);
  EXPECT_EQ(wcstoul(u"-1", nullptr, 10), 4294967295u);  // negated modulo 2^32
  EXPECT_EQ(_wcstoi64(u"9223372036854775808", nullptr, 10), INT64_MAX);
  EXPECT_EQ(_wcstoi64(u"-9223372036854775808", nullptr, 10), INT64_MIN);
  EXPECT_EQ(_wcstoui64(u"18446744073709551615", nullptr, 10), UINT64_MAX);
  EXPECT_EQ(_wcstoui64(u"18446744073709551616", nullptr, 10), UINT64_MAX);
  EXPECT_EQ(_wcstoui64(u"-2", nullptr, 10), UINT64_MAX - 1);
}

TEST(WideParse, WhiteSpaceSignsBasesAndEndPointers) {
  WCHAR* end = nullptr;
  const WCHAR* text = u" \t\n+42abc";
  EXPECT_EQ(wcstol(text, &end, 10), 42);
  EXPECT_EQ(end, text + 6);
  const WCHAR* none = u"  -x";
  EXPECT_EQ(wcstol(none, &end, 10), 0);
  EXPECT_EQ(end, none);  // no digits: the end is the start
  EXPECT_EQ(wcstol(u"0x1F", nullptr, 0), 31);
  EXPECT_EQ(wcstol(u"0x1F", nullptr, 16), 31);
  EXPECT_EQ(wcstol(u"017", nullptr, 0), 15);
  EXPECT_EQ(wcstol(u"zz", nullptr, 36), 36 * 35 + 35);
  const WCHAR* hexless = u"0xg";
  EXPECT_EQ(wcstol(hexless, &end, 0), 0);
  EXPECT_EQ(end, hexless + 1);
  EXPECT_EQ(wcstol(u"\u00A012", nullptr, 10), 0);  // no-break space is not white space here
  EXPECT_EQ(wcstol(u"\uFF11", nullptr, 10), 0);    // only ASCII digits
}

TEST(WideParse, DoublesParseFullPrecisionInTheClassicLocale) {
  WCHAR* end = nullptr;
  const WCHAR* text = u"  3.14159265358979323846xyz";
  EXPECT_EQ(wcstod(text, &end), 3.14159265358979323846);
  EXPECT_EQ(end, text + 24);
  EXPECT_EQ(wcstod(u"-1e-3", nullptr), -0.001);
  EXPECT_EQ(wcstod(u"0x1p4", nullptr), 16.0);
  EXPECT_TRUE(std::isinf(wcstod(u"INF", nullptr)));
  EXPECT_TRUE(std::isnan(wcstod(u"nan", nullptr)));
  const WCHAR* none = u"abc";
  EXPECT_EQ(wcstod(none, &end), 0.0);
  EXPECT_EQ(end, none);
  EXPECT_EQ(wcstod(u"1,5", nullptr), 1.0);
}
