// The scope holder of a pooled object: given back once on the way out, never when handed on.
#include "core/thread/Pooled.h"

#include "core/str/strbuffer/StrBuffer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

namespace {

using s::str::strbuffer::StrBuffer;
using s::thread::Pooled;

// The pool hands out the object given back last, so a take tells what went back.
StrBuffer* takeAndGiveBack() {
  StrBuffer* next = StrBuffer::take();
  next->release();
  return next;
}

}  // namespace

TEST(Pooled, GivesTheObjectBackOnEveryWayOut) {
  StrBuffer* held = nullptr;
  {
    Pooled<StrBuffer> text;
    ASSERT_NE(text.get(), nullptr);
    text->assign(u"scratch");
    held = text.get();
  }
  EXPECT_EQ(takeAndGiveBack(), held) << "back in the pool at the end of the scope";
  try {
    Pooled<StrBuffer> text;
    held = text.get();
    throw std::runtime_error("leaving early");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(takeAndGiveBack(), held) << "and when an exception leaves the scope";
  EXPECT_EQ(takeAndGiveBack()->getLength(), 0u) << "reset by the pool";
}

TEST(Pooled, HandsOnWithoutGivingBackTwice) {
  Pooled<StrBuffer> first;
  StrBuffer* object = first.get();
  Pooled<StrBuffer> second(std::move(first));
  EXPECT_EQ(first.get(), nullptr);
  EXPECT_EQ(second.get(), object);
  StrBuffer* detached = second.detach();
  EXPECT_EQ(detached, object);
  EXPECT_FALSE(second);
  EXPECT_NE(takeAndGiveBack(), object) << "a detached object stays with its new owner";
  detached->release();
  Pooled<StrBuffer> none(nullptr);  // a null object is never released
  EXPECT_FALSE(none);
}
