// The text buffer's numbers, hex, parsing, encodings and digest.
#include "core/col/array/ArrayU08.h"
#include "core/digest/md5/Md5.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/str/strbuffer/tests/PooledText.h"
#include "core/system/codepage/CodePage.h"

#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

using s::col::_array::ArrayU08;
using s::str::strbuffer::StrBuffer;
using s::system::codepage::CodePage;

namespace {

using Text = PooledText;

std::u16string str(StrBuffer* text) { return std::u16string(text->getCStr()); }

std::vector<uint8_t> bytesOf(ArrayU08* bytes) {
  std::vector<uint8_t> result(bytes->getItems(), bytes->getItems() + bytes->getCount());
  return result;
}

// The bytes, then the array goes back to its pool.
std::vector<uint8_t> take(ArrayU08* bytes) {
  std::vector<uint8_t> result = bytesOf(bytes);
  bytes->release();
  return result;
}

}  // namespace

TEST(StrBufferNumbers, AppendsInTheirFormats) {
  Text t;
  t->appendInt8(static_cast<int8_t>(0xFF))->appendWChar(u' ')->appendUInt8(0xFF);
  t->appendWChar(u' ')->appendUInt64(9223372036854775808ull);
  t->appendWChar(u' ')->appendInt64(INT64_MIN)->appendWChar(u' ')->appendInt32(INT32_MIN);
  t->appendWChar(u' ')->appendUInt32(UINT32_MAX)->appendWChar(u' ')->appendInt16(-32768);
  t->appendWChar(u' ')->appendUInt16(65535)->appendWChar(u' ')->appendUInt64(0);
  EXPECT_EQ(
      str(t.get()),
      u"-1 255 9223372036854775808 -9223372036854775808 -2147483648 4294967295 -32768 65535 0");
  t->clear();
  t->appendDouble(0.5)->appendWChar(u' ')->appendFloat(0.1f)->appendWChar(u' ')->appendDouble(
      -2.0000005);
  EXPECT_EQ(str(t.get()), u"0.500000 0.100000 -2.000001");
  t->clear();
  t->appendDouble(1e300);  // longer than 256 units: written whole
  EXPECT_EQ(t->getLength(), 308u);
  EXPECT_EQ(str(t.get()),
            u"1000000000000000052504760255204420248704468581108159154915854115511802457988908195786"
            u"3713750804478640437044438328838781769425232353604305756447921847867069828483872009265"
            u"7580373783023379478809005936895323497079994508111903896764088007465274278014249457925"
            u"8788820056842838115669472196386865459400540160.000000");
  t->clear();
  t->appendDouble(std::numeric_limits<double>::infinity());
  EXPECT_EQ(str(t.get()), u"inf");
}

TEST(StrBufferNumbers, AssignsReplaceWithAnExactFit) {
  Text t(u"old text");
  t->assignInt32(-42);
  EXPECT_EQ(str(t.get()), u"-42");
  EXPECT_EQ(t->getCapacity(), 8u);  // the block was big enough
  Text fresh;
  fresh->assignUInt64(18446744073709551615ull);
  EXPECT_EQ(str(fresh.get()), u"18446744073709551615");
  EXPECT_EQ(fresh->getCapacity(), 20u);
  fresh->assignDouble(3.25);
  EXPECT_EQ(str(fresh.get()), u"3.250000");
  fresh->assignFloat(1.5f)->assignInt8(-1)->append(u"|");
  fresh->assignUInt8(200)->append(u"|")->assignInt64(-7);
  EXPECT_EQ(str(fresh.get()), u"-7");
  fresh->assignUInt16(7)->appendWChar(u'.')->assignInt16(-3);
  EXPECT_EQ(str(fresh.get()), u"-3");
  fresh->assignUInt32(123);
  EXPECT_EQ(str(fresh.get()), u"123");
}

TEST(StrBufferNumbers, AssignsFromManyThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<bool> ok(8, true);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([i, &ok] {
      StrBuffer* t = StrBuffer::take();
      for (int n = 0; n < 5000; ++n) {
        const int64_t value = static_cast<int64_t>(i) * 1000000 + n;
        t->assignInt64(value);
        if (t->toInt64() != value) ok[i] = false;
      }
      t->release();
    });
  }
  for (auto& thread : threads) thread.join();
  for (bool b : ok) EXPECT_TRUE(b);
}

TEST(StrBufferNumbers, RandomIntegersRoundTripAgainstStdToString) {
  std::mt19937_64 random(99);
  Text t;
  for (int i = 0; i < 2000; ++i) {
    const int64_t value = static_cast<int64_t>(random());
    t->assignInt64(value);
    const std::string expected = std::to_string(value);
    ASSERT_EQ(str(t.get()), std::u16string(expected.begin(), expected.end()));
    ASSERT_EQ(t->toInt64(), value);
    const uint64_t unsignedValue = random();
    t->assignUInt64(unsignedValue);
    ASSERT_EQ(t->toUInt64(), unsignedValue);
  }
}

TEST(StrBufferHex, ArraysInLowerCaseFixedWidths) {
  Text t;
  const uint16_t words[] = {1, 0xABCD};
  t->appendHexUInt16Array(words, 2);
  EXPECT_EQ(str(t.get()), u"0001abcd");
  t->clear();
  const double one = 1.0;
  t->appendHexDoubleArray(&one, 1);
  EXPECT_EQ(str(t.get()), u"000000003ff00000");  // low word first
  t->clear();
  const int8_t minus[] = {-1, 16};
  const int16_t minus16 = -2;
  const int32_t minus32 = -3;
  const int64_t minus64 = -4;
  const float half = 0.5f;
  const uint64_t big = 0x0123456789ABCDEFull;
  const uint32_t u32 = 0xDEADBEEF;
  t->appendHexInt8Array(minus, 2)
      ->appendHexInt16Array(&minus16, 1)
      ->appendHexInt32Array(&minus32, 1);
  t->appendHexInt64Array(&minus64, 1)->appendHexFloatArray(&half, 1)->appendHexUInt64Array(&big, 1);
  t->appendHexUInt32Array(&u32, 1)->appendHexUInt8Array(reinterpret_cast<const uint8_t*>(minus), 1);
  EXPECT_EQ(str(t.get()), u"ff10fffefffffffdfffffffffffffffc3f0000000123456789abcdefdeadbeefff");
  const uint8_t digest[] = {0xd4, 0x1d};
  t->setHexBytes(digest, 2, false);
  EXPECT_EQ(str(t.get()), u"d41d");
  t->setHex16(words, 1, true);
  t->setHex32(&u32, 1, true);
  t->setHex64(&big, 1, true);
  EXPECT_EQ(str(t.get()), u"d41d0001deadbeef0123456789abcdef");
  t->setHex32(&u32, 0, false);
  EXPECT_EQ(t->getLength(), 0u);
}

TEST(StrBufferParse, ClampsAndNarrowsAsTheCRunTimeDoes) {
  EXPECT_EQ(Text(u"2147483648")->toInt32(), 2147483647);
  EXPECT_EQ(Text(u"-2147483649")->toInt32(), INT32_MIN);
  EXPECT_EQ(Text(u"4294967295")->toUInt32(), 4294967295u);
  EXPECT_EQ(Text(u"  -12xyz")->toInt32(), -12);
  EXPECT_EQ(Text(u"abc")->toInt32(), 0);
  EXPECT_EQ(Text(u"")->toInt64(), 0);
  EXPECT_EQ(Text(u"255")->toInt8(), -1);                // narrowed
  EXPECT_EQ(Text(u"300")->toUInt8(), 44);               // narrowed
  EXPECT_EQ(Text(u"99999999999")->toUInt16(), 0xFFFF);  // clamped to 2^31 - 1, then narrowed
  EXPECT_EQ(Text(u"-1")->toInt16(), -1);
  EXPECT_EQ(Text(u"9223372036854775808")->toInt64(), INT64_MAX);
  // Unsigned 64-bit texts keep their whole range.
  EXPECT_EQ(Text(u"9223372036854775808")->toUInt64(), 9223372036854775808ull);
  EXPECT_EQ(Text(u"18446744073709551615")->toUInt64(), UINT64_MAX);
  EXPECT_EQ(Text(u"-1")->toUInt64(), UINT64_MAX);
  // Full double precision.
  EXPECT_EQ(Text(u"0.1")->toDouble(), 0.1);
  EXPECT_EQ(Text(u"0.1")->toFloat(), 0.1f);
  EXPECT_EQ(Text(u"1e400")->toDouble(), std::numeric_limits<double>::infinity());
  // Only the text counts, not what lies behind it in its block.
  Text t(u"12345");
  t->setLength(2);
  EXPECT_EQ(t->toInt32(), 12);
}

TEST(StrBufferParse, HexAndIntegers) {
  EXPECT_EQ(Text(u"1ff")->parseHex(), 511u);
  EXPECT_EQ(Text(u"123456789")->parseHex(), 0x23456789u);
  EXPECT_EQ(Text(u"FFzz")->parseHex(), 0xFF00u);
  EXPECT_TRUE(Text(u"0aF9")->isHex());
  EXPECT_FALSE(Text(u"0x1")->isHex());
  EXPECT_FALSE(Text(u"")->isHex());
  EXPECT_EQ(Text(u"a")->getHexDigitAt(0), 10u);
  EXPECT_EQ(Text(u"g")->getHexDigitAt(0), 0u);
  EXPECT_EQ(take(Text(u"4a3")->decodeHex()), (std::vector<uint8_t>{0x4A}));
  EXPECT_EQ(take(Text(u"zz")->decodeHex()), (std::vector<uint8_t>{0x00}));
  ArrayU08* out = ArrayU08::take();
  out->push(7);
  Text(u"0102")->decodeHex(out, true);
  EXPECT_EQ(bytesOf(out), (std::vector<uint8_t>{7, 1, 2}));
  Text(u"ff")->decodeHex(out, false);
  EXPECT_EQ(take(out), (std::vector<uint8_t>{0xFF}));
  EXPECT_TRUE(Text(u"-5")->isInteger());
  EXPECT_TRUE(Text(u"42")->isInteger());
  EXPECT_FALSE(Text(u"-")->isInteger());
  EXPECT_FALSE(Text(u"4-2")->isInteger());
  EXPECT_FALSE(Text(u"")->isInteger());
}

TEST(StrBufferEncoding, Utf8WithAndWithoutTheCountedZero) {
  Text t(u"\u00E9");
  ArrayU08* z = t->encodeUtf8Z();
  EXPECT_EQ(bytesOf(z), (std::vector<uint8_t>{0xC3, 0xA9, 0x00}));
  z->release();
  ArrayU08* plain = t->encodeUtf8();
  EXPECT_EQ(bytesOf(plain), (std::vector<uint8_t>{0xC3, 0xA9}));
  EXPECT_EQ(plain->getItems()[2], 0);   // written behind, not counted
  EXPECT_EQ(plain->getCapacity(), 5u);  // 3 x length + 2
  t->assign(u"A\U0001F600");
  t->encodeUtf8(plain, true);
  EXPECT_EQ(take(plain), (std::vector<uint8_t>{0xC3, 0xA9, 'A', 0xF0, 0x9F, 0x98, 0x80}));
  t->clear();
  EXPECT_EQ(take(t->encodeUtf8Z()), (std::vector<uint8_t>{0}));
  EXPECT_TRUE(take(t->encodeUtf8()).empty());
}

TEST(StrBufferEncoding, DecodesUtf8AndGrowsForAppends) {
  Text t(u"keep");
  const char* bytes = "\xC3\xA9t\xC3\xA9";
  EXPECT_EQ(t->decodeUtf8(bytes, false), 3u);
  EXPECT_EQ(str(t.get()), u"\u00E9t\u00E9");
  std::u16string big(5000, u'x');
  t->assign(big.c_str());
  EXPECT_EQ(t->decodeUtf8("abc", true, 2), 2u);
  EXPECT_EQ(t->getLength(), 5002u);
  EXPECT_TRUE(t->endsWith(u"xab"));
  EXPECT_EQ(t->decodeUtf8("\xFFz", false), 2u);  // an invalid byte becomes U+FFFD
  EXPECT_EQ(str(t.get()), u"\uFFFDz");
  EXPECT_EQ(t->decodeUtf8("", false), 0u);
  EXPECT_EQ(t->getLength(), 0u);
}

TEST(StrBufferEncoding, Utf8RoundTripsRandomTexts) {
  std::mt19937 random(5);
  Text t;
  Text back;
  for (int round = 0; round < 300; ++round) {
    std::u16string text;
    for (int i = random() % 40; i > 0; --i) {
      char16_t unit = static_cast<char16_t>(1 + random() % 0xD7FF);
      text += unit;
      if (random() % 8 == 0) {
        text += u"\U00010437";  // a valid surrogate pair
      }
    }
    t->assign(text.c_str());
    ArrayU08* bytes = t->encodeUtf8Z();
    back->decodeUtf8(bytes->getItems(), false);
    bytes->release();
    ASSERT_EQ(str(back.get()), text);
  }
}

TEST(StrBufferEncoding, Utf16EntriesAreConvertedByHand) {
  CodePage* le = CodePage::takeNamed(CodePage::kUtf16, u"UTF-16");
  CodePage* be = CodePage::takeNamed(CodePage::kUtf16BigEndian, u"UTF-16BE");
  Text t(u"A");
  EXPECT_EQ(take(t->encodeZ(be)), (std::vector<uint8_t>{0x00, 0x41, 0x00}));
  t->assign(u"A\u20AC");
  EXPECT_EQ(take(t->encode(le)), (std::vector<uint8_t>{0x41, 0x00, 0xAC, 0x20}));
  const uint8_t bigEndian[] = {0x00, 0x48, 0x20, 0xAC, 0x00, 0x00, 0x00, 0x49};
  t->decode(be, bigEndian, false);  // up to the zero unit
  EXPECT_EQ(str(t.get()), u"H\u20AC");
  t->decode(be, bigEndian, true, 8);
  EXPECT_EQ(t->getLength(), 6u);
  const uint8_t littleEndian[] = {0x48, 0x00, 0x69, 0x00, 0x00, 0x00};
  t->decode(le, littleEndian, false, -1);
  EXPECT_EQ(str(t.get()), u"Hi");
  EXPECT_EQ(std::u16string(le->getName()->getCStr()), u"UTF-16");
  le->release();
  be->release();
}

TEST(StrBufferEncoding, CodePagesGetAllTheRoomTheyNeed) {
  // GB18030 writes four bytes for many BMP units: more than three bytes a unit of room.
  CodePage* gb = CodePage::takeNamed(54936, u"Chinese Simplified (GB18030)");
  if (!IsValidCodePage(54936)) {
    gb->release();
    GTEST_SKIP() << "no GB18030 converter on this system";
  }
  std::u16string text(64, u'\u00C0');
  Text t(text.c_str());
  ArrayU08* bytes = t->encodeZ(gb);
  EXPECT_EQ(bytes->getCount(), 64u * 4 + 1);
  Text back;
  back->decode(gb, bytes->getItems(), false);
  EXPECT_EQ(str(back.get()), text);
  bytes->release();
  gb->release();
}

TEST(StrBufferEncoding, CodePageAndOemConversions) {
  CodePage* cyrillic = CodePage::takeNamed(1251, u"Cyrillic (Windows-1251)");
  Text t(u"\u041F\u0440\u0438\u0432\u0435\u0442");
  ArrayU08* bytes = t->encode(cyrillic);
  EXPECT_EQ(bytesOf(bytes), (std::vector<uint8_t>{0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2}));
  Text back;
  back->decode(cyrillic, bytes->getItems(), false, static_cast<int32_t>(bytes->getCount()));
  EXPECT_EQ(str(back.get()), str(t.get()));
  bytes->release();
  cyrillic->release();

  auto previous = winapi::seam::replaceGetOEMCP([]() -> UINT { return 866; });
  ArrayU08* oem = t->encodeOemZ();
  EXPECT_EQ(bytesOf(oem), (std::vector<uint8_t>{0x8F, 0xE0, 0xA8, 0xA2, 0xA5, 0xE2, 0x00}));
  EXPECT_EQ(back->decodeOem(oem->getItems(), false), 6u);
  EXPECT_EQ(str(back.get()), str(t.get()));
  oem->release();
  Text unmappable(u"a\u4E2D");
  EXPECT_EQ(take(unmappable->encodeOem()),
            (std::vector<uint8_t>{'a', '?'}));  // nothing is lost silently
  winapi::seam::replaceGetOEMCP(previous);
}

TEST(StrBufferDigest, Md5OfTheUtf16LittleEndianBytes) {
  Text abc(u"abc");
  StrBuffer* hex = abc->computeDigest();
  // MD5 of 61 00 62 00 63 00.
  EXPECT_EQ(str(hex), u"ce1473cf80c6b3fda8e3dfc006adc315");
  s::digest::md5::Md5* md5 = s::digest::md5::Md5::take();
  Text out(u"md5:");
  abc->computeDigest(md5, out.get(), true);
  EXPECT_EQ(str(out.get()), u"md5:ce1473cf80c6b3fda8e3dfc006adc315");
  md5->release();
  Text empty;
  empty->computeDigest(nullptr, hex, false);
  EXPECT_EQ(str(hex), u"d41d8cd98f00b204e9800998ecf8427e");
  hex->release();
}
