// Conformance of the size texts.
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

namespace {
std::u16string sizeText(LONGLONG bytes, UINT room = 64) {
  WCHAR buffer[64];
  return StrFormatByteSizeW(bytes, buffer, room);
}
}  // namespace

TEST(ByteSize, ShowsThreeDigitsCutNotRounded) {
  EXPECT_EQ(sizeText(0), u"0 bytes");
  EXPECT_EQ(sizeText(532), u"532 bytes");
  EXPECT_EQ(sizeText(1023), u"1023 bytes");
  EXPECT_EQ(sizeText(1024), u"1.00 KB");
  EXPECT_EQ(sizeText(1536), u"1.50 KB");
  EXPECT_EQ(sizeText(1024 * 1024 * 3 / 2), u"1.50 MB");
  EXPECT_EQ(sizeText(15555), u"15.1 KB") << "15.2 would be rounded up";
  EXPECT_EQ(sizeText(155648), u"152 KB");
  EXPECT_EQ(sizeText(1048575), u"1023 KB") << "just below a megabyte stays in KB";
  EXPECT_EQ(sizeText(5LL << 30), u"5.00 GB");
  EXPECT_EQ(sizeText(0x7FFFFFFFFFFFFFFFLL), u"7.99 EB");
}

TEST(ByteSize, CutsToTheBuffer) {
  EXPECT_EQ(sizeText(1536, 4), u"1.5");
  WCHAR one[1];
  EXPECT_EQ(StrFormatByteSizeW(5, one, 1), one);
  EXPECT_EQ(one[0], 0);
  EXPECT_EQ(StrFormatByteSizeW(5, nullptr, 8), nullptr);
}

namespace {
std::u16string shown(const char16_t* path) {
  WCHAR buffer[128];
  const DWORD length = PathDisplayFormW(path, buffer, 128);
  EXPECT_LT(length, 128u) << "fits";
  return std::u16string(buffer, length);
}
}  // namespace

TEST(DisplayForm, ShowsPathsOfThisSystemAsItsUsersKnowThem) {
  EXPECT_EQ(shown(u"Z:\\home\\ann\\Music"), u"/home/ann/Music");
  EXPECT_EQ(shown(u"z:\\"), u"/");
  EXPECT_EQ(shown(u"Z:\\home\\ann\\Music\\"), u"/home/ann/Music/") << "a folder's separator stays";
  EXPECT_EQ(shown(u"\\\\?\\Z:\\tmp\\a b.mp3"), u"/tmp/a b.mp3");
  EXPECT_EQ(shown(u"\\home\\ann"), u"/home/ann") << "the root of the current drive";
  EXPECT_EQ(shown(u"Music\\a.wav"), u"Music/a.wav") << "a relative path stays relative";
  EXPECT_EQ(shown(u"Z:/home/ann/../bob"), u"/home/ann/../bob") << "shown, not resolved";
  EXPECT_EQ(shown(u"Z:\\home\\\u65e5\u672c\\\u00e9.mp3"), u"/home/\u65e5\u672c/\u00e9.mp3");
  // A byte that is no UTF-8 (carried as U+DC00 + byte) shows as the replacement character, and
  // so does a lone surrogate of the text itself.
  const char16_t escaped[] = {u'Z', u':', u'\\', u'c', u'a', u'f', 0xDCE9, u'.', u't', u'x', u't', 0};
  EXPECT_EQ(shown(escaped), u"/caf\uFFFD.txt");
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ(shown(lone), u"a\uFFFDb");
}

TEST(DisplayForm, LeavesPathsOfOtherSystemsAsTheyAre) {
  EXPECT_EQ(shown(u"C:\\Windows"), u"C:\\Windows");
  EXPECT_EQ(shown(u"\\\\server\\share\\a.mp3"), u"\\\\server\\share\\a.mp3");
  EXPECT_EQ(shown(u"\\\\?\\UNC\\server\\share"), u"\\\\?\\UNC\\server\\share");
  EXPECT_EQ(shown(u""), u"");
}

TEST(DisplayForm, AnswersTheRoomItNeedsAsGetFullPathNameWDoes) {
  WCHAR small[5] = {u'x', u'x', u'x', u'x', u'x'};
  EXPECT_EQ(PathDisplayFormW(u"Z:\\home\\ann", small, 5), 10u) << "units with the NUL";
  EXPECT_EQ(small[0], u'x') << "nothing written";
  EXPECT_EQ(PathDisplayFormW(u"Z:\\home\\ann", nullptr, 0), 10u);
  WCHAR exact[10];
  EXPECT_EQ(PathDisplayFormW(u"Z:\\home\\ann", exact, 10), 9u);
  EXPECT_EQ(std::u16string(exact), u"/home/ann");
  SetLastError(0);
  EXPECT_EQ(PathDisplayFormW(nullptr, exact, 10), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
