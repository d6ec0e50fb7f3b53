// MD5 against the test suite of its definition, and across block boundaries.
#include "core/col/array/ArrayS32.h"
#include "core/col/array/ArrayU08.h"
#include "core/digest/md5/Md5.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using s::digest::md5::Md5;

namespace {

std::u16string md5Hex(const std::string& message, uint32_t pieceSize) {
  Md5* md5 = Md5::take();
  for (size_t at = 0; at < message.size(); at += pieceSize) {
    const size_t n = std::min<size_t>(pieceSize, message.size() - at);
    md5->update(message.data() + at, static_cast<uint32_t>(n));
  }
  md5->finish(nullptr);
  auto* text = md5->toHexString();
  std::u16string result(text->getCStr());
  text->release();
  md5->release();  // reset: ready for the next message
  return result;
}

}  // namespace

TEST(Md5, DefinitionTestSuite) {
  EXPECT_EQ(md5Hex("", 1), u"d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5Hex("a", 1), u"0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(md5Hex("abc", 1), u"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5Hex("message digest", 5), u"f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(md5Hex("abcdefghijklmnopqrstuvwxyz", 26), u"c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", 13),
            u"d174ab98d277d9f5a5611c2c9f419d9f");
  const std::string digits =
      "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
  EXPECT_EQ(md5Hex(digits, 80), u"57edf4a22be3c955ac49da2e2107b67a");
  // The same message fed in pieces that straddle the 64-byte blocks.
  EXPECT_EQ(md5Hex(digits, 7), u"57edf4a22be3c955ac49da2e2107b67a");
  EXPECT_EQ(md5Hex(digits, 64), u"57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, DigestBytesLengthAndName) {
  Md5* md5 = Md5::take();
  EXPECT_EQ(md5->getDigestLength(), 16u);
  md5->update("abc", 3);
  uint8_t out[16];
  md5->finish(out);
  EXPECT_EQ(out[0], 0x90);
  EXPECT_EQ(out[15], 0x72);
  EXPECT_EQ(md5->getDigest().getCount(), 16u);
  EXPECT_EQ(std::memcmp(md5->getDigest().getItems(), out, 16), 0);
  auto* text = md5->toHexString();
  EXPECT_EQ(text->getLength(), 32u);
  text->append(u"+");
  md5->toHexString(text, true);
  EXPECT_EQ(text->getLength(), 65u);
  text->release();
  EXPECT_EQ(std::u16string(md5->getClassName()), u"s_digest_md5_Md5");
  md5->release();
}

TEST(Md5, MillionBytesInUnevenPieces) {
  // Many blocks, and a length that needs the high bits of the byte count's low word.
  EXPECT_EQ(md5Hex(std::string(1000000, 'a'), 4093), u"7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5, ArraysDigestTheirUsedBytesOnly) {
  auto* ints = s::col::_array::ArrayS32::take();
  ints->ensureCapacity(50);  // spare room must not be digested
  const int32_t values[] = {1, -2, 300000};
  ints->add(values, 3);
  auto* hex = ints->computeDigest(nullptr);
  EXPECT_EQ(std::u16string(hex->getCStr()), u"eefdf5d8434e4518df56775b644dd18d");  // little-endian
  auto* bytes = s::col::_array::ArrayU08::take();
  const uint8_t raw[] = {0, 1, 2, 255};
  bytes->add(raw, 4);
  Md5* md5 = Md5::take();
  hex->assign(u"x=");
  bytes->computeDigest(md5, hex, true);
  EXPECT_EQ(std::u16string(hex->getCStr()), u"x=0416dab819887333af831f8c765ac2ae");
  bytes->clear();
  md5->init();
  bytes->computeDigest(md5, hex, false);
  EXPECT_EQ(std::u16string(hex->getCStr()), u"d41d8cd98f00b204e9800998ecf8427e");
  md5->release();
  hex->release();
  bytes->release();
  ints->release();
}
