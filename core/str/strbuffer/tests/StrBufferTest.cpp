// The text buffer: storage and growth, comparison and hashing, searches and their limits, region
// tests, trimming, replacement, splitting, iterators and the stream views.
#include "core/col/IteratorBase.h"
#include "core/str/Case.h"
#include "core/str/strarray/StrArray.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/str/strbuffer/tests/PooledText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

using s::str::strarray::StrArray;
using s::str::strbuffer::StrBuffer;

namespace {

using Text = PooledText;

std::u16string str(StrBuffer* text) {
  return std::u16string(text->getBuffer() == nullptr ? u"" : text->getBuffer(), text->getLength());
}

// The text's content, then the text goes back to its pool.
std::u16string take(StrBuffer* text) {
  std::u16string result = str(text);
  text->release();
  return result;
}

std::vector<std::u16string> items(StrArray* list) {
  std::vector<std::u16string> result;
  for (uint32_t i = 0; i < list->getCount(); ++i) {
    result.push_back(str(list->get(i)));
  }
  list->release();
  return result;
}

}  // namespace

TEST(StrBufferStorage, CapacityFiguresOfReserveGrowthAndAppends) {
  Text t;
  t->ensureCapacity(150);
  EXPECT_EQ(t->getCapacity(), 300u);
  t->freeBuffer();
  t->ensureCapacity(50);
  EXPECT_EQ(t->getCapacity(), 100u);
  t->freeBuffer();
  t->reserve(50);
  EXPECT_EQ(t->getCapacity(), 50u);
  t->freeBuffer();
  t->reserve(120);
  for (int i = 0; i < 120; ++i) {
    t->appendWChar(u'x');
  }
  EXPECT_EQ(t->getCapacity(), 120u);
  t->appendWChar(u'y');
  EXPECT_EQ(t->getCapacity(), 360u);
  t->assign(u"abc");  // an exact fit only when it must grow
  EXPECT_EQ(t->getCapacity(), 360u);
  Text fresh(u"abc");
  EXPECT_EQ(fresh->getCapacity(), 3u);
  fresh->clear();
  EXPECT_EQ(fresh->getCapacity(), 3u);
  fresh->release();  // the pool's reset frees the block
  StrBuffer* again = StrBuffer::take();
  EXPECT_EQ(again->getCapacity(), 0u);
  EXPECT_EQ(again, fresh.get());
  // `fresh` gives the same object back at the end of the scope.
}

TEST(StrBufferStorage, EmptyTextsAreEmptyWhetherOrNotTheyHaveABlock) {
  StrBuffer* t = StrBuffer::take();
  EXPECT_EQ(t->getBuffer(), nullptr);
  ASSERT_NE(t->getCStr(), nullptr);
  EXPECT_EQ(t->getCStr()[0], 0);
  // Never allocated: the region tests and case changes see "".
  EXPECT_EQ(t->compareAt(0, u"", 0, -1), 0);
  EXPECT_EQ(t->compareAt(0, u"a", 0, -1), -1);
  EXPECT_EQ(t->compareAtIgnoreCase(0, u"", 0, 3), 0);
  t->toUpperCase();
  EXPECT_FALSE(t->indexOfStr(u"", nullptr));
  // Emptied: the old units behind the length are not text any more.
  t->assign(u"stale");
  t->clear();
  EXPECT_EQ(t->compareAt(0, u"stale", 0, -1), -1);
  EXPECT_EQ(t->compareAt(0, u"", 0, -1), 0);
  EXPECT_EQ(std::u16string(t->getCStr()), u"");
  EXPECT_EQ(t->getBuffer()[0], 0);  // the NUL is written into the block too
  t->assign(u"abcdef");
  t->setLength(3);
  t->toUpperCase();  // only the text's units change
  EXPECT_EQ(std::u16string(t->getBuffer(), 6), u"ABCdef");
  EXPECT_EQ(t->compareAt(1, u"BC", 0, -1), 0);
  EXPECT_EQ(t->compareAt(4, u"", 0, -1), -1);  // beyond the length
  t->release();
}

TEST(StrBufferCompare, BytewiseOrderLengthsAndIgnoreCase) {
  Text a(u"a");
  Text ab(u"ab");
  EXPECT_LT(a->compareTo(ab.get()), 0);
  EXPECT_GT(ab->compareTo(a.get()), 0);
  Text upper(u"ABC");
  Text lower(u"abd");
  EXPECT_LT(upper->compareToIgnoreCase(lower.get()), 0);
  EXPECT_LT(upper->compareTo(lower.get()), 0);
  // Little-endian bytes: U+0100 (00 01) sorts before U+0001 (01 00) by its low byte.
  Text high(u"\u0100");
  Text low(u"\u0001");
  EXPECT_LT(high->compareTo(low.get()), 0);
  Text same(u"ABC");
  EXPECT_TRUE(upper->equals(same.get()));
  Text mixed(u"aBc");
  EXPECT_FALSE(upper->equals(mixed.get()));
  EXPECT_TRUE(upper->equalsIgnoreCase(mixed.get()));
  Text eAcute(u"\u00C9");
  Text eSmall(u"\u00E9");
  EXPECT_FALSE(eAcute->equalsIgnoreCase(eSmall.get()));  // A-Z only
  EXPECT_EQ(upper->hashCodeIgnoreCase(), mixed->hashCodeIgnoreCase());
  EXPECT_NE(upper->hashCode(), mixed->hashCode());
}

TEST(StrBufferCompare, HashRotatesWithinThirtyOneBits) {
  Text empty;
  EXPECT_EQ(empty->hashCode(), 0u);
  Text ab(u"ab");
  EXPECT_EQ(ab->hashCode(), ((u'a' << 1) ^ u'b'));
  // Bit 30 comes round to bit 0 and bit 31 drops out.
  std::u16string longText(40, u'\u4000');
  Text t(longText.c_str());
  uint32_t h = 0;
  for (char16_t u : longText) {
    h = ((h << 1) | ((h >> 30) & 1)) ^ u;
  }
  EXPECT_EQ(t->hashCode(), h);
}

TEST(StrBufferSearch, UnitSearchesAndTheirLimits) {
  Text t(u"abcabc");
  uint32_t at = 99;
  EXPECT_TRUE(t->indexOf(u'c', &at));
  EXPECT_EQ(at, 2u);
  EXPECT_TRUE(t->indexOf(u'c', &at, 3));
  EXPECT_EQ(at, 5u);
  at = 99;
  EXPECT_FALSE(t->indexOf(u'c', &at, 6));
  EXPECT_EQ(at, 99u);  // untouched on a miss
  EXPECT_TRUE(t->indexOfIgnoreCase(u'B', &at));
  EXPECT_EQ(at, 1u);
  EXPECT_TRUE(t->indexOfAny(u"xc", -1, &at));
  EXPECT_EQ(at, 2u);
  EXPECT_TRUE(t->indexOfAnyIgnoreCase(u"XC", 2, &at, 3));
  EXPECT_EQ(at, 5u);

  EXPECT_TRUE(t->lastIndexOf(u'a', &at, 0xFFFFFF));
  EXPECT_EQ(at, 3u);
  EXPECT_TRUE(t->lastIndexOf(u'a', &at, 3));
  EXPECT_EQ(at, 0u);
  EXPECT_TRUE(t->lastIndexOf(u'a', &at, 1000));  // past the length: whole text
  EXPECT_EQ(at, 3u);
  EXPECT_FALSE(t->lastIndexOf(u'a', &at, -1));
  EXPECT_FALSE(t->lastIndexOf(u'a', &at, 0));
  EXPECT_TRUE(t->lastIndexOfIgnoreCase(u'C', &at));
  EXPECT_EQ(at, 5u);
  EXPECT_TRUE(t->lastIndexOfAny(u"ab", 2, &at, 5));
  EXPECT_EQ(at, 4u);
  EXPECT_TRUE(t->lastIndexOfAnyIgnoreCase(u"A", -1, &at));
  EXPECT_EQ(at, 3u);
  Text empty;
  EXPECT_FALSE(empty->indexOf(u'a', &at));
  EXPECT_FALSE(empty->lastIndexOf(u'a', &at));
}

TEST(StrBufferSearch, TextSearches) {
  Text t(u"one Two one two");
  uint32_t at = 0;
  EXPECT_TRUE(t->indexOfStr(u"one", &at, 1));
  EXPECT_EQ(at, 8u);
  EXPECT_FALSE(t->indexOfStr(u"two!", &at));
  EXPECT_TRUE(t->indexOfStrIgnoreCase(u"TWO", &at));
  EXPECT_EQ(at, 4u);
  EXPECT_FALSE(t->indexOfStrIgnoreCase(u"", &at));
  EXPECT_TRUE(t->lastIndexOfStr(u"one", &at));
  EXPECT_EQ(at, 8u);
  EXPECT_TRUE(t->lastIndexOfStr(u"one", &at, 10));  // must lie wholly below 10
  EXPECT_EQ(at, 0u);
  EXPECT_TRUE(t->lastIndexOfStr(u"one", &at, 11));
  EXPECT_EQ(at, 8u);
  EXPECT_TRUE(t->lastIndexOfStrIgnoreCase(u"TWO", &at, 14));
  EXPECT_EQ(at, 4u);
  EXPECT_FALSE(t->lastIndexOfStr(u"one", &at, -1));
  // An embedded NUL ends what the plain text search sees.
  t->setLength(0);
  t->appendChars(u"ab\0cd", 5);
  EXPECT_FALSE(t->indexOfStr(u"cd", &at));
  EXPECT_TRUE(t->indexOfStrIgnoreCase(u"CD", &at));
  EXPECT_EQ(at, 3u);
}

TEST(StrBufferRegions, MatchesStartsAndEnds) {
  Text t(u"#Color-ff00ff");
  EXPECT_TRUE(t->startsWith(u"#Color-"));  // -1 means the given text's length: a prefix test
  EXPECT_FALSE(t->matchesAt(0, u"#Color-", 0, -1));  // -1 here: the text must end there
  EXPECT_TRUE(t->matchesAt(7, u"ff00ff", 0, -1));
  EXPECT_TRUE(t->matchesAt(1, u"xColor", 1, 5));
  EXPECT_TRUE(t->startsWithIgnoreCase(u"#COLOR"));
  EXPECT_TRUE(t->endsWith(u"00ff"));
  EXPECT_TRUE(t->endsWith(u"FFxx", 0));
  EXPECT_TRUE(t->endsWithIgnoreCase(u"FF"));
  EXPECT_FALSE(t->endsWith(u"longer than the whole text"));
  EXPECT_TRUE(t->matchesAtIgnoreCase(0, u"#color-FF00FF", 0, -1));
  EXPECT_LT(t->compareAt(1, u"Colour", 0, -1), 0);
  EXPECT_EQ(t->compareAt(1, u"Colour", 0, 4), 0);
  EXPECT_GT(t->compareAt(1, u"Cola", 0, -1), 0);
  EXPECT_EQ(t->compareAtIgnoreCase(7, u"FF00FF", 0, -1), 0);
}

TEST(StrBufferTrim, WhiteSpaceIsSpaceLfIdeographicSpaceTabCr) {
  Text t(u" \t\u3000text\r\n\u3000");
  t->trimRight();
  EXPECT_EQ(str(t.get()), u" \t\u3000text");
  t->trimLeft();
  EXPECT_EQ(str(t.get()), u"text");
  t->assign(u"text\u00A0");
  t->trimRight();
  EXPECT_EQ(str(t.get()), u"text\u00A0");  // no-break space stays
  t->assign(u"ab   ");
  t->trimRightKeeping(3);
  EXPECT_EQ(str(t.get()), u"ab ");
  t->assign(u"xxaxx");
  t->trimRightChars(u"x", -1);
  t->trimLeftChars(u"x", 1);
  EXPECT_EQ(str(t.get()), u"a");
  t->assign(u"xxxx");
  t->trimLeftChars(u"x", -1);
  EXPECT_EQ(t->getLength(), 0u);
  t->assign(u"a.b..");
  t->trimRightCharsKeeping(u".", 4, -1);
  EXPECT_EQ(str(t.get()), u"a.b.");
}

TEST(StrBufferReplace, ShorterEqualAndLongerReplacements) {
  Text t(u"abcab");
  t->replaceAll(u"ab", u"x");
  EXPECT_EQ(str(t.get()), u"xcx");
  EXPECT_EQ(t->getLength(), 3u);
  t->assign(u"abcab");
  t->replaceAllIgnoreCase(u"AB", u"x");
  EXPECT_EQ(str(t.get()), u"xcx");
  t->assign(u"banana");
  StrBuffer* before = t.get();
  t->replaceAll(u"a", u"xyz");
  EXPECT_EQ(str(t.get()), u"bxyznxyznxyz");
  EXPECT_EQ(t.get(), before);  // same object, new block
  t->replaceAll(u"xyz", u"abc");
  EXPECT_EQ(str(t.get()), u"babcnabcnabc");
  t->replaceAll(u"", u"q");
  t->replaceAll(u"missing", u"q");
  EXPECT_EQ(str(t.get()), u"babcnabcnabc");
  t->assign(u"aaaa");
  t->replaceAll(u"aa", u"a");  // occurrences do not overlap
  EXPECT_EQ(str(t.get()), u"aa");
  t->assign(u"a&b&&c");
  t->replaceAll(u"&", u"&&");
  EXPECT_EQ(str(t.get()), u"a&&b&&&&c");
  // Search and replacement texts taken from the text itself.
  t->assign(u"abab");
  t->replaceAll(t->getCStr() + 2, t->getCStr() + 3);
  EXPECT_EQ(str(t.get()), u"bb");
}

TEST(StrBufferReplace, RandomReplacementsMatchAStringModel) {
  std::mt19937 random(42);
  const char16_t alphabet[] = u"abAB";
  auto randomText = [&](int maxLength) {
    std::u16string s(random() % (maxLength + 1), u'a');
    for (auto& c : s) c = alphabet[random() % 4];
    return s;
  };
  Text t;
  for (int round = 0; round < 2000; ++round) {
    const std::u16string text = randomText(12);
    std::u16string find = randomText(3);
    if (find.empty()) find = u"a";
    const std::u16string replacement = randomText(4);
    std::u16string expected;
    size_t from = 0;
    for (size_t at; (at = text.find(find, from)) != std::u16string::npos; from = at + find.size()) {
      expected += text.substr(from, at - from) + replacement;
    }
    expected += text.substr(from);
    t->assign(text.c_str());
    t->replaceAll(find.c_str(), replacement.c_str());
    ASSERT_EQ(str(t.get()), expected) << "round " << round;
  }
}

TEST(StrBufferPieces, SubstringsCropAndBeforeLast) {
  Text t(u"dir\\sub\\file.mp3");
  EXPECT_EQ(take(t->getSubstring(4, 7)), u"sub");
  EXPECT_EQ(take(t->getSubstring(4, 1000)), u"sub\\file.mp3");
  EXPECT_EQ(take(t->getSubstring(4, 4)), u"");
  EXPECT_EQ(take(t->clone()), u"dir\\sub\\file.mp3");
  EXPECT_EQ(take(t->getBeforeLast(u'\\')), u"dir\\sub");
  EXPECT_EQ(take(t->getBeforeLast(u'\\', 7)), u"dir");
  EXPECT_EQ(take(t->getBeforeLast(u'?')), u"");
  EXPECT_EQ(take(t->getBeforeLastIgnoreCase(u'S')), u"dir\\");
  EXPECT_EQ(take(t->getBeforeLastAny(u"/\\", -1)), u"dir\\sub");
  EXPECT_EQ(take(t->getBeforeLastAnyIgnoreCase(u"F", 1)), u"dir\\sub\\");
  EXPECT_EQ(take(t->getBeforeLastStr(u".mp3")), u"dir\\sub\\file");
  EXPECT_EQ(take(t->getBeforeLastStrIgnoreCase(u".MP3")), u"dir\\sub\\file");
  t->crop(4, 7);
  EXPECT_EQ(str(t.get()), u"sub");
  t->crop(1, 100);
  EXPECT_EQ(str(t.get()), u"ub");
}

TEST(StrBufferInsertion, PrependAppendAndSelfReferences) {
  Text t(u"mid");
  t->prepend(u"<<", -1)->appendChars(u">>>", 2)->appendChar(u'!')->appendBytes("\xE9x", -1);
  EXPECT_EQ(str(t.get()), u"<<mid>>!\u00E9x");  // bytes widen as Latin-1
  t->assign(u"ab");
  t->appendStr(t.get());
  EXPECT_EQ(str(t.get()), u"abab");
  for (int i = 0; i < 7; ++i) {
    t->appendStr(t.get());  // grows while reading itself
  }
  EXPECT_EQ(t->getLength(), 512u);
  t->assign(u"xyz");
  t->prepend(t->getBuffer() + 1, 2);
  EXPECT_EQ(str(t.get()), u"yzxyz");
  t->assign(t->getCStr() + 2);
  EXPECT_EQ(str(t.get()), u"xyz");
  t->appendAnsi("12")->appendRange(u"0123", 2, 1);
  EXPECT_EQ(str(t.get()), u"xyz1212");
  Text other(u"copy");
  t->assignStr(other.get());
  EXPECT_EQ(str(t.get()), u"copy");
  EXPECT_EQ(t->getCapacity(), 900u);  // an assign keeps a block that is big enough
}

TEST(StrBufferCase, FoldsOnlyAsciiLetters) {
  Text t(u"hELLo \u00E9\u00C9 wORLD");
  t->toLowerCase();
  EXPECT_EQ(str(t.get()), u"hello \u00E9\u00C9 world");
  t->toUpperCase();
  EXPECT_EQ(str(t.get()), u"HELLO \u00E9\u00C9 WORLD");
  t->capitalize();
  EXPECT_EQ(str(t.get()), u"Hello \u00E9\u00C9 world");
  t->reverse();
  EXPECT_EQ(str(t.get()), u"dlrow \u00C9\u00E9 olleH");
  EXPECT_EQ(t->getCharAtUpperCase(0), u'D');
  EXPECT_EQ(t->getCharAtLowerCase(13), u'h');
  EXPECT_EQ(t->getCharAtLowerCase(6), u'\u00C9');
}

TEST(StrBufferSplit, PiecesBetweenSeparators) {
  Text t(u",a,,b,");
  EXPECT_EQ(items(t->split(u',')), (std::vector<std::u16string>{u"a", u"b"}));
  t->assign(u"whole");
  EXPECT_EQ(items(t->split(u',')), (std::vector<std::u16string>{u"whole"}));
  t->clear();
  EXPECT_TRUE(items(t->split(u',')).empty());
}

TEST(StrBufferSplit, WordsAreDistinctAndOnlyALastStopWordIsDropped) {
  Text t(u"Best of the Best");
  EXPECT_EQ(items(t->splitWords(true)), (std::vector<std::u16string>{u"Best", u"of", u"the"}));
  t->assign(u"Best of the");
  EXPECT_EQ(items(t->splitWords(true)), (std::vector<std::u16string>{u"Best", u"of"}));
  EXPECT_EQ(items(t->splitWords(false)), (std::vector<std::u16string>{u"Best", u"of", u"the"}));
  t->assign(u"Caf\u00E9 au lait");
  EXPECT_EQ(items(t->splitWords(true)), (std::vector<std::u16string>{u"Caf", u"au", u"lait"}));
  t->assign(u"100% +5-dB BEST best\u3001\u65E5\u672C\u3002end");
  EXPECT_EQ(items(t->splitWords(true)),
            (std::vector<std::u16string>{u"100%", u"+5-dB", u"BEST", u"\u65E5\u672C", u"end"}));
}

TEST(StrBufferSplit, StopWordsAreReadyForConcurrentFirstUse) {
  std::vector<std::thread> threads;
  std::vector<size_t> counts(8);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([i, &counts] {
      StrBuffer* t = StrBuffer::take();
      t->assign(u"Rise and Fall AND");
      StrArray* words = t->splitWords(true);
      counts[i] = words->getCount();
      words->release();
      t->release();
    });
  }
  for (auto& thread : threads) thread.join();
  for (size_t c : counts) EXPECT_EQ(c, 3u);  // "AND" repeats "and": released, not dropped twice
}

TEST(StrBufferIterator, WalksUnitsBothWays) {
  Text t(u"ab");
  s::col::IteratorBase* it = t->iterator();
  ASSERT_TRUE(it->hasNext());
  EXPECT_EQ(it->next(), t->getPointerAt(0));
  EXPECT_TRUE(it->hasNext());
  EXPECT_EQ(it->next(), t->getPointerAt(1));
  EXPECT_FALSE(it->hasNext());
  EXPECT_EQ(it->previous(), t->getPointerAt(1));
  EXPECT_EQ(std::u16string(it->getClassName()), u"s_str_strbuffer_Iterator");
  it->dispose();
  it = t->reverseIterator();
  EXPECT_EQ(*static_cast<char16_t*>(it->previous()), u'b');
  EXPECT_TRUE(it->hasPrevious());
  EXPECT_EQ(*static_cast<char16_t*>(it->previous()), u'a');
  EXPECT_FALSE(it->hasPrevious());
  it->dispose();
  it = t->iteratorFrom(1);
  EXPECT_EQ(*static_cast<char16_t*>(it->next()), u'b');
  it->dispose();
  it = t->reverseIteratorFrom(1);
  EXPECT_EQ(*static_cast<char16_t*>(it->previous()), u'a');
  it->dispose();
  Text empty;
  it = empty->iterator();
  EXPECT_FALSE(it->hasNext());
  it->dispose();
  it = empty->reverseIterator();
  EXPECT_FALSE(it->hasPrevious());
  it->dispose();
}

TEST(StrBufferStreams, OddByteWritesAndReads) {
  StrBuffer* t = StrBuffer::take();
  const unsigned char bytes[] = {'A', 0, 'B'};
  uint32_t done = 0;
  EXPECT_TRUE(t->write(bytes, 3, &done));
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(t->getLength(), 1u);
  EXPECT_EQ(t->getPosition(), 3);
  t->seek(0);
  unsigned char in[8];
  EXPECT_TRUE(t->read(in, 8, &done));
  EXPECT_EQ(done, 2u);
  EXPECT_FALSE(t->read(in, 8, &done));
  EXPECT_EQ(t->seekToEnd(), 2);
  EXPECT_EQ(t->seekFromEnd(2), 0);
  t->skip(4);
  EXPECT_EQ(t->getPosition(), 4);
  t->close();
  EXPECT_EQ(t->getPosition(), 0);
  EXPECT_EQ(str(t), u"A");
  t->release();
}

// Random appends, prepends, crops and trims against std::u16string.
TEST(StrBufferModel, RandomEditsMatchStdU16String) {
  std::mt19937 random(2024);
  Text t;
  std::u16string model;
  const char16_t pool[] = u"ab \t\u3000Zz";
  for (int step = 0; step < 4000; ++step) {
    std::u16string piece(random() % 5, u'a');
    for (auto& c : piece) c = pool[random() % 7];
    switch (random() % 6) {
      case 0:
        t->append(piece.c_str());
        model += piece;
        break;
      case 1:
        t->prepend(piece.c_str(), -1);
        model.insert(0, piece);
        break;
      case 2: {
        const uint32_t start = static_cast<uint32_t>(random() % (model.size() + 1));
        const uint32_t end = start + static_cast<uint32_t>(random() % 8);
        t->crop(start, end);
        model = model.substr(start, end - start);
        break;
      }
      case 3:
        t->trimRight();
        while (!model.empty() &&
               std::u16string(u" \n\u3000\t\r").find(model.back()) != std::u16string::npos) {
          model.pop_back();
        }
        break;
      case 4:
        t->toUpperCase();
        for (auto& c : model) c = s::str::foldUpper(c);
        break;
      default: {
        uint32_t at = 0;
        const size_t expected = model.find(piece.empty() ? u"" : piece);
        const bool found = t->indexOfStr(piece.c_str(), &at);
        ASSERT_EQ(found, !model.empty() && expected != std::u16string::npos);
        if (found) {
          ASSERT_EQ(at, expected);
        }
        break;
      }
    }
    ASSERT_EQ(str(t.get()), model) << "step " << step;
  }
}
