// The arrays: growth, element operations against std::vector, disposers, stream views, iterators,
// text forms, comparison and the pointer sort.
#include "core/base/IDestructor.h"
#include "core/col/CollectionInputStream.h"
#include "core/col/IteratorBase.h"
#include "core/col/array/ArrayP.h"
#include "core/col/array/ArrayS08.h"
#include "core/col/array/ArrayS32.h"
#include "core/col/array/ArrayU08.h"
#include "core/col/array/ArrayU32.h"
#include "core/col/array/Growth.h"
#include "core/col/array/Sort.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

using s::col::_array::ArrayP;
using s::col::_array::ArrayS08;
using s::col::_array::ArrayS32;
using s::col::_array::ArrayU08;
using s::col::_array::ArrayU32;
using s::str::strbuffer::StrBuffer;

namespace {

std::u16string textOf(StrBuffer* text) {
  std::u16string result(text->getCStr());
  text->release();
  return result;
}

std::vector<int32_t> contents(const ArrayS32* a) {
  return std::vector<int32_t>(a->getItems(), a->getItems() + a->getCount());
}

// Records every element handed to it.
struct RecordingDisposer final : s::base::IDestructor {
  void destruct(void*& ref) override {
    if (ref != nullptr) {
      disposed.push_back(ref);
      ref = nullptr;
    }
  }
  std::vector<void*> disposed;
};

void* ptr(uintptr_t v) { return reinterpret_cast<void*>(v); }

}  // namespace

TEST(ArrayGrowth, FollowsTheStepsAndTheirThresholds) {
  using s::col::_array::grownCapacity;
  EXPECT_EQ(grownCapacity(0), 100u);
  EXPECT_EQ(grownCapacity(99), 100u);
  EXPECT_EQ(grownCapacity(100), 300u);
  EXPECT_EQ(grownCapacity(9999999), 29999997u);
  EXPECT_EQ(grownCapacity(10000000), 20000000u);
  EXPECT_EQ(grownCapacity(49999999), 99999998u);
  EXPECT_EQ(grownCapacity(60000000), 90000000u);
  EXPECT_EQ(grownCapacity(99999999), 149999998u);  // 1.5 x, truncated
  EXPECT_EQ(grownCapacity(100000000), 120000000u);
  EXPECT_EQ(grownCapacity(4000000000u), UINT32_MAX);  // saturates instead of wrapping
}

TEST(ArrayGrowth, AppendsStepAndExplicitSizesAreExact) {
  ArrayS32* a = ArrayS32::take();
  const int32_t v = 1;
  a->add(&v, 1);
  EXPECT_EQ(a->getCapacity(), 100u);
  a->setCount(100);
  a->add(&v, 1);
  EXPECT_EQ(a->getCapacity(), 300u);
  std::vector<int32_t> many(400, 3);
  a->add(many.data(), 400);  // 101 + 400 needs 501: 300 -> 900
  EXPECT_EQ(a->getCapacity(), 900u);
  a->setCapacity(901);
  EXPECT_EQ(a->getCapacity(), 901u);
  a->setCapacity(5);  // never shrinks
  EXPECT_EQ(a->getCapacity(), 901u);
  a->setRange(many.data(), 10, 0, 1000);
  EXPECT_EQ(a->getCapacity(), 1010u);  // exactly what setRange needs
  EXPECT_EQ(a->getCount(), 1010u);
  a->release();
}

TEST(ArrayGrowth, ClearKeepsStorageFreeAllReleasesIt) {
  ArrayU08* a = ArrayU08::take();
  a->push(1);
  a->clear();
  EXPECT_EQ(a->getCount(), 0u);
  EXPECT_EQ(a->getCapacity(), 100u);
  a->push(2);
  a->freeAll();
  EXPECT_EQ(a->getCapacity(), 0u);
  EXPECT_EQ(a->getItems(), nullptr);
  a->release();
}

TEST(ArrayP, InsertAtInTheMiddleOfAFullArrayGrowsByOne) {
  ArrayP* a = ArrayP::take();
  for (uintptr_t i = 1; i <= 100; ++i) {
    a->push(ptr(i));
  }
  ASSERT_EQ(a->getCapacity(), 100u);
  a->insertAt(50, ptr(999));
  EXPECT_EQ(a->getCapacity(), 101u);
  EXPECT_EQ(a->getItems()[50], ptr(999));
  EXPECT_EQ(a->getItems()[51], ptr(51));
  a->insertAt(a->getCount(), ptr(1000));  // at the end: a growth step
  EXPECT_EQ(a->getCapacity(), 303u);
  EXPECT_EQ(a->removeItem(ptr(999)), ptr(999));
  EXPECT_EQ(a->removeItem(ptr(999)), nullptr);
  EXPECT_EQ(a->getCount(), 101u);
  a->release();
}

TEST(ArrayP, OnlyFreeAllResetAndDeleteAtDisposeOfElements) {
  RecordingDisposer disposer;
  ArrayP* a = ArrayP::take();
  a->setDisposer(&disposer);
  for (uintptr_t i = 1; i <= 8; ++i) {
    a->push(ptr(i));
  }
  void* out[3];
  a->removeLast(1);       // drops 8
  a->popLast(out, 1);     // moves 7 out
  a->extract(0, out, 1);  // moves 1 out
  EXPECT_EQ(a->removeItem(ptr(2)), ptr(2));
  a->removeFirst(1);  // drops 3
  EXPECT_TRUE(disposer.disposed.empty());
  a->deleteAt(0);  // disposes 4
  EXPECT_EQ(disposer.disposed, std::vector<void*>{ptr(4)});
  a->freeAll();  // disposes 5 and 6
  EXPECT_EQ(disposer.disposed, (std::vector<void*>{ptr(4), ptr(5), ptr(6)}));
  a->push(ptr(9));
  a->release();  // reset disposes 9 and forgets the disposer
  EXPECT_EQ(disposer.disposed.back(), ptr(9));
  EXPECT_EQ(a->getDisposer(), nullptr);
}

TEST(ArrayP, DefaultElementRefersToAnEmptyArrayP) {
  ArrayP* a = ArrayP::take();
  auto* element = *static_cast<ArrayP* const*>(a->getDefaultElement());
  ASSERT_NE(element, nullptr);
  EXPECT_EQ(element->getCount(), 0u);
  EXPECT_EQ(std::u16string(element->getClassName()), u"s_col__array_ArrayP");
  EXPECT_EQ(a->getDefaultElement(), a->getDefaultElement());
  a->release();
}

// Random operations on an array and a std::vector side by side, with a fixed seed.
TEST(ArrayOperations, RandomOperationsMatchStdVector) {
  std::mt19937 random(20240611);
  ArrayS32* a = ArrayS32::take();
  std::vector<int32_t> oracle;
  auto pick = [&](uint32_t bound) { return static_cast<uint32_t>(random() % (bound + 1)); };
  for (int step = 0; step < 5000; ++step) {
    std::vector<int32_t> chunk(pick(5));
    for (auto& v : chunk) v = static_cast<int32_t>(random());
    const uint32_t n = static_cast<uint32_t>(chunk.size());
    const uint32_t count = static_cast<uint32_t>(oracle.size());
    switch (random() % 9) {
      case 0:
        a->add(chunk.data(), n);
        oracle.insert(oracle.end(), chunk.begin(), chunk.end());
        break;
      case 1:
        a->addFirst(chunk.data(), n);
        oracle.insert(oracle.begin(), chunk.begin(), chunk.end());
        break;
      case 2: {
        const uint32_t at = pick(count);
        a->insert(at, chunk.data(), n);
        oracle.insert(oracle.begin() + at, chunk.begin(), chunk.end());
        break;
      }
      case 3: {
        const uint32_t k = std::min(n, count);
        const uint32_t at = pick(count - k);
        a->removeRange(at, k);
        oracle.erase(oracle.begin() + at, oracle.begin() + at + k);
        break;
      }
      case 4: {
        const uint32_t k = std::min(n, count);
        std::vector<int32_t> out(k + 1);
        a->popFirst(out.data(), k, 1);
        EXPECT_TRUE(std::equal(out.begin() + 1, out.end(), oracle.begin()));
        oracle.erase(oracle.begin(), oracle.begin() + k);
        break;
      }
      case 5: {
        const uint32_t k = std::min(n, count);
        std::vector<int32_t> out(k);
        a->popLast(out.data(), k);
        EXPECT_TRUE(std::equal(out.begin(), out.end(), oracle.end() - k));
        oracle.resize(count - k);
        break;
      }
      case 6:
        if (count >= 2) {
          const uint32_t i = pick(count - 1);
          const uint32_t j = pick(count - 1);
          a->swap(i, j);
          std::swap(oracle[i], oracle[j]);
        }
        break;
      case 7:
        a->reverse();
        std::reverse(oracle.begin(), oracle.end());
        break;
      default: {
        // An array's own elements inserted into itself.
        const uint32_t k = std::min(n, count);
        const uint32_t from = pick(count - k);
        const uint32_t at = pick(count);
        std::vector<int32_t> copy(oracle.begin() + from, oracle.begin() + from + k);
        a->insert(at, a->getItems(), k, from);
        oracle.insert(oracle.begin() + at, copy.begin(), copy.end());
        break;
      }
    }
    ASSERT_EQ(contents(a), oracle) << "after step " << step;
  }
  a->release();
}

TEST(ArrayOperations, CopiesBetweenArraysAndOntoThemselves) {
  ArrayS32* a = ArrayS32::take();
  ArrayS32* b = ArrayS32::take();
  const int32_t values[] = {1, 2, 3, 4};
  a->add(values, 4);
  a->copyTo(b, 0, 1, -1);
  EXPECT_EQ(contents(b), (std::vector<int32_t>{2, 3, 4}));
  b->copyFrom(a, 0, 3, 2);
  EXPECT_EQ(contents(b), (std::vector<int32_t>{2, 3, 4, 1, 2}));
  a->copyTo(a, 4, 0, -1);  // appends a copy of itself, growing the block it reads from
  EXPECT_EQ(contents(a), (std::vector<int32_t>{1, 2, 3, 4, 1, 2, 3, 4}));
  int32_t out[3] = {};
  a->getRange(out, 1, 6, -1);
  EXPECT_EQ(out[1], 3);
  EXPECT_EQ(out[2], 4);
  EXPECT_EQ(a->getByteOffset(3), 12u);
  EXPECT_EQ(a->getByteOffset(-1), 32u);
  a->shiftDownFrom(1);  // drops element 0
  EXPECT_EQ(a->getItems()[0], 2);
  a->release();
  b->release();
}

TEST(ArrayStreams, WritesCountWholeElementsAndShareThePosition) {
  ArrayS32* a = ArrayS32::take();
  const unsigned char bytes[] = {1, 0, 0, 0, 2};
  uint32_t done = 0;
  EXPECT_TRUE(a->write(bytes, 3, &done));
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(a->getCount(), 0u);
  EXPECT_EQ(a->getCapacity(), 100u);
  a->seek(0);
  EXPECT_TRUE(a->write(bytes, 5, &done));
  EXPECT_EQ(a->getCount(), 1u);
  EXPECT_EQ(a->getItems()[0], 1);
  EXPECT_EQ(a->getPosition(), 5);

  a->rewind();
  unsigned char in[8] = {};
  uint32_t got = 9;
  EXPECT_TRUE(a->read(in, 0, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(a->read(in, 8, &got));
  EXPECT_EQ(got, 4u);  // only the used bytes
  EXPECT_FALSE(a->read(in, 8, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(a->seekFromEnd(1), 3);
  EXPECT_EQ(a->seekToEnd(), 4);
  a->skipBack(2);
  EXPECT_EQ(a->getPosition(), 2);
  a->dispose();  // the view's dispose only rewinds: the array stays alive
  EXPECT_EQ(a->getPosition(), 0);
  EXPECT_EQ(a->getCount(), 1u);
  a->release();
}

TEST(ArrayIterators, WalkForwardBackwardAndFromAnIndex) {
  ArrayU32* a = ArrayU32::take();
  const uint32_t values[] = {10, 11, 12};
  a->add(values, 3);
  std::vector<uint32_t> seen;
  s::col::IteratorBase* it = a->iterator();
  while (it->hasNext()) {
    seen.push_back(*static_cast<uint32_t*>(it->next()));
  }
  seen.push_back(*static_cast<uint32_t*>(it->previous()));
  EXPECT_EQ(seen, (std::vector<uint32_t>{10, 11, 12, 12}));
  it->dispose();

  seen.clear();
  it = a->reverseIterator();
  while (it->hasPrevious()) {
    seen.push_back(*static_cast<uint32_t*>(it->previous()));
  }
  EXPECT_EQ(seen, (std::vector<uint32_t>{12, 11, 10}));
  EXPECT_EQ(it->getIndex(), 0);
  it->dispose();

  it = a->iteratorFrom(1);
  EXPECT_EQ(*static_cast<uint32_t*>(it->next()), 11u);
  it->dispose();
  it = a->reverseIteratorFrom(0);
  EXPECT_EQ(*static_cast<uint32_t*>(it->previous()), 12u);
  it->dispose();
  EXPECT_EQ(*static_cast<uint32_t*>(a->getPointerAt(2)), 12u);
  a->freeAll();
  it = a->iterator();
  EXPECT_FALSE(it->hasNext());  // signed: an empty array has no next
  EXPECT_EQ(std::u16string(it->getClassName()), u"s_col_array_Iterator");
  it->dispose();
  a->release();
}

TEST(ArrayText, ToStringToXmlAndHex) {
  ArrayU08* bytes = ArrayU08::take();
  EXPECT_EQ(textOf(bytes->toString()), u"s_col__array_ArrayU08 []");
  bytes->push(0x0A);
  bytes->push(0xFF);
  EXPECT_EQ(textOf(bytes->toXml()),
            u"<s_col__array_ArrayU08 length=\"2\">0aff</s_col__array_ArrayU08>");
  EXPECT_EQ(textOf(bytes->toString()), u"s_col__array_ArrayU08 [10 255]");

  ArrayS08* signedBytes = ArrayS08::take();
  const int8_t minusOne = -1;
  signedBytes->add(&minusOne, 1);
  EXPECT_EQ(textOf(signedBytes->toString()), u"s_col__array_ArrayS08 [-1]");
  EXPECT_EQ(textOf(signedBytes->appendAllRaw()), u"ff");

  ArrayS32* ints = ArrayS32::take();
  const int32_t values[] = {1, -2, 3};
  ints->add(values, 3);
  StrBuffer* out = StrBuffer::take();
  out->assign(u"x:");
  ints->toString(out, true);
  EXPECT_EQ(textOf(out), u"x:s_col__array_ArrayS32 [1 -2 3]");
  EXPECT_EQ(textOf(ints->appendAllRaw()), u"00000001fffffffe00000003");

  ArrayP* pointers = ArrayP::take();
  pointers->push(nullptr);
  pointers->push(static_cast<s::base::IObject*>(ints));
  const std::u16string expected = u"s_col__array_ArrayP [null s_col__array_ArrayS32(" + [&] {
    StrBuffer* t = StrBuffer::take();
    t->appendInt64(reinterpret_cast<intptr_t>(ints));
    return textOf(t);
  }() + u")]";
  EXPECT_EQ(textOf(pointers->toString()), expected);
  EXPECT_EQ(textOf(pointers->toXml()), u"<s_col__array_ArrayP length=\"2\"></s_col__array_ArrayP>");
  pointers->release();
  ints->release();
  signedBytes->release();
  bytes->release();
}

TEST(ArrayCompare, CountsFirstThenElementsThenBytes) {
  ArrayS32* a = ArrayS32::take();
  ArrayS32* b = ArrayS32::take();
  const int32_t x[] = {1, 2, 3};
  const int32_t y[] = {9, 9};
  a->add(x, 3);
  b->add(x, 3);
  EXPECT_EQ(a->compareTo(b), 0);
  EXPECT_TRUE(a->equals(b));
  b->clear();
  b->add(y, 2);
  EXPECT_EQ(b->compareTo(a), -1);  // fewer elements, whatever they hold
  EXPECT_EQ(a->compareTo(b), 1);
  b->add(x, 1);
  EXPECT_EQ(a->compareTo(b), -1);  // 1 < 9 at the first element
  const int32_t minus[] = {-1, 2, 3};
  b->clear();
  b->add(minus, 3);
  EXPECT_EQ(a->compareTo(b), 1);  // signed element order

  EXPECT_EQ(a->compareBytes(0, x, 3, 0, -1), 0);
  EXPECT_EQ(a->compareBytes(0, x, 2, 0, -1), 1);  // the data ran out first
  EXPECT_EQ(a->compareBytes(1, x, 3, 0, -1), 1);  // 2 > 1 in the bytes
  EXPECT_EQ(a->compareBytes(0, x, 2, 0, 3), 1);   // three asked, the data had two
  EXPECT_EQ(a->compareBytes(1, x, 3, 1, 2), 0);
  EXPECT_EQ(a->compareBytes(0, x + 1, 2, 1, 1), -1);  // 1 < 3
  EXPECT_EQ(a->compareBytes(2, x, 3, 2, 4), 0);       // both remainders end together
  a->release();
  b->release();
}

TEST(PointerSort, IsStableInBothDirections) {
  // Pairs (key, serial); the sort looks at the key only.
  using Item = std::pair<int, int>;
  std::mt19937 random(7);
  std::vector<std::pair<int, int>> items(500);
  for (int i = 0; i < 500; ++i) {
    items[i] = {static_cast<int>(random() % 20), i};
  }
  std::vector<void*> buffer;
  for (auto& item : items) {
    buffer.push_back(&item);
  }
  auto byKey = [](const void* a, const void* b, void* user) -> int32_t {
    EXPECT_EQ(user, nullptr);
    return static_cast<const std::pair<int, int>*>(a)->first -
           static_cast<const std::pair<int, int>*>(b)->first;
  };
  s::col::_array::sortPointersAscending(buffer.data(), 500, byKey);
  auto expected = items;
  std::stable_sort(expected.begin(), expected.end(),
                   [](auto& a, auto& b) { return a.first < b.first; });
  for (size_t i = 0; i < 500; ++i) {
    ASSERT_EQ(static_cast<Item*>(buffer[i])->second, expected[i].second) << i;
  }
  s::col::_array::sortPointersDescending(buffer.data(), 500, byKey);
  std::stable_sort(expected.begin(), expected.end(),
                   [](auto& a, auto& b) { return a.first > b.first; });
  for (size_t i = 0; i < 500; ++i) {
    ASSERT_EQ(static_cast<Item*>(buffer[i])->second, expected[i].second) << i;
  }
  // Short ranges go through insertion sort.
  std::pair<int, int> few[] = {{2, 0}, {1, 1}, {2, 2}, {1, 3}};
  void* small[] = {&few[0], &few[1], &few[2], &few[3]};
  s::col::_array::sortPointersDescending(small, 4, byKey);
  EXPECT_EQ(small[0], &few[0]);
  EXPECT_EQ(small[1], &few[2]);
  EXPECT_EQ(small[2], &few[1]);
  EXPECT_EQ(small[3], &few[3]);
}

TEST(CollectionInputStream, DeliversAtMost64BytesOfWholeElements) {
  ArrayU32* a = ArrayU32::take();
  for (uint32_t i = 0; i < 20; ++i) {
    a->add(&i, 1);
  }
  s::io::IInputStream* stream = a->getInputStream();
  uint8_t buffer[100];
  uint32_t got = 0;
  EXPECT_TRUE(stream->read(buffer, 100, &got));
  EXPECT_EQ(got, 64u);
  EXPECT_EQ(buffer[60], 15);
  EXPECT_TRUE(stream->read(buffer, 100, &got));
  EXPECT_EQ(got, 16u);
  EXPECT_EQ(buffer[0], 16);
  EXPECT_FALSE(stream->read(buffer, 100, &got));
  EXPECT_EQ(got, 0u);
  stream->close();  // the next read starts again
  EXPECT_TRUE(stream->read(buffer, 6, &got));
  EXPECT_EQ(got, 4u);  // whole elements only
  EXPECT_FALSE(stream->isSeekable());
  stream->dispose();
  a->release();
}
