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
