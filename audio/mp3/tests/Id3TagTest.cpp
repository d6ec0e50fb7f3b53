// Tag signatures at both ends of a file, and the extent of an ID3v2 tag.
#include "audio/mp3/Id3Tag.h"
#include "audio/mp3/tests/Mp3Builder.h"
#include "core/io/IInputStream.h"

#include <gtest/gtest.h>

using namespace mp3_testing;
using s::col::_array::ArrayU08;
using s::sound::mp3::Id3Tag;

namespace {

s::io::IInputStream* in(ArrayU08* array) { return static_cast<s::io::IInputStream*>(array); }

// What detectTag finds in `bytes` from position `from`.
Id3Tag detect(const Bytes& bytes, bool* found, int64_t from = 0) {
  ArrayU08* file = memoryOf(bytes);
  in(file)->seek(from);
  Id3Tag tag;
  *found = s::sound::mp3::detectTag(in(file), static_cast<int64_t>(bytes.size()), &tag);
  file->release();
  return tag;
}

}  // namespace

TEST(Id3Tag, DetectsTheTagOfEitherEndAndPrefersTheLeadingOne) {
  const Bytes audio(1000, 0x11);
  bool found = false;
  Id3Tag tag = detect(join({id3v2(Bytes(50, 0)), audio}), &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(tag.getKind(), Id3Tag::kId3v2);
  EXPECT_EQ(tag.getPosition(), 0);

  tag = detect(join({audio, id3v1()}), &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(tag.getKind(), Id3Tag::kId3v1);
  EXPECT_EQ(tag.getPosition(), 1000);

  tag = detect(join({id3v2(Bytes(50, 0)), audio, id3v1()}), &found);
  EXPECT_EQ(tag.getKind(), Id3Tag::kId3v2) << "a file with both reports its ID3v2 tag";

  // The leading tag is looked for where the stream stands, not at 0.
  tag = detect(join({Bytes(20, 0), id3v2(Bytes(5, 0)), audio}), &found, 20);
  EXPECT_EQ(tag.getKind(), Id3Tag::kId3v2);
  EXPECT_EQ(tag.getPosition(), 20);

  tag = detect(audio, &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(tag.getKind(), Id3Tag::kNone);
  // A trailing tag needs a file longer than the tag.
  tag = detect(id3v1(), &found);
  EXPECT_FALSE(found);

  ArrayU08* file = memoryOf(join({audio, id3v1()}));
  EXPECT_TRUE(s::sound::mp3::detectTag(in(file), 1128, nullptr)) << "with a tag from the pool";
  file->release();
}

TEST(Id3Tag, TheExtentOfAnId3v2TagComesFromItsSyncsafeSizeAndFooterFlag) {
  struct Case {
    size_t body;
    bool footer;
  };
  for (const Case& c : {Case{0, false}, Case{1000, false}, Case{1000, true}, Case{300000, false}}) {
    const Bytes bytes = join({Bytes(7, 0), id3v2(Bytes(c.body, 0xFF), c.footer), Bytes(10, 0)});
    ArrayU08* file = memoryOf(bytes);
    in(file)->seek(7);
    Id3Tag tag;
    ASSERT_TRUE(s::sound::mp3::readTagSignature(&tag, in(file)));
    EXPECT_EQ(tag.readId3v2End(in(file)),
              static_cast<int64_t>(7 + 10 + c.body + (c.footer ? 10 : 0)));
    file->release();
  }

  // A size byte with its top bit set is no syncsafe size; a version of 0xFF is no tag.
  Bytes broken = id3v2(Bytes(100, 0));
  broken[8] |= 0x80;
  Bytes badVersion = id3v2(Bytes(100, 0));
  badVersion[3] = 0xFF;
  for (const Bytes& bytes : {broken, badVersion}) {
    ArrayU08* file = memoryOf(bytes);
    Id3Tag tag;
    ASSERT_TRUE(s::sound::mp3::readTagSignature(&tag, in(file)));
    EXPECT_EQ(tag.readId3v2End(in(file)), -1);
    file->release();
  }
}
