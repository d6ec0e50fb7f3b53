// The owning list of texts.
#include "core/str/strarray/StrArray.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <gtest/gtest.h>

#include <string>

using s::str::strarray::StrArray;
using s::str::strbuffer::StrBuffer;

TEST(StrArray, ReleaseGivesEveryTextBackToTheTextPool) {
  StrArray* list = StrArray::take();
  list->addText(u"one")->addText(u"two");
  StrBuffer* own = StrBuffer::take();
  own->assign(u"three");
  list->add(own);
  ASSERT_EQ(list->getCount(), 3u);
  StrBuffer* second = list->get(1);
  const uint32_t freeBefore = StrBuffer::pool().getFreeCount();
  list->release();
  EXPECT_EQ(StrBuffer::pool().getFreeCount(), freeBefore + 3);
  EXPECT_EQ(list->getCount(), 0u);       // left empty in its pool
  EXPECT_EQ(second->getCapacity(), 0u);  // reset on the way into the pool
  EXPECT_EQ(StrBuffer::take(), own);     // the last one disposed of comes out first
  own->release();
}

TEST(StrArray, ElementsAreTheTextsThemselves) {
  // The list and the text pool pass texts around as their IStr address; it must be the object's.
  StrBuffer* text = StrBuffer::take();
  EXPECT_EQ(static_cast<void*>(static_cast<s::str::IStr*>(text)), static_cast<void*>(text));
  text->release();
}

TEST(StrArray, FindsIgnoringCaseAndSupportsDirectArrayWork) {
  StrArray* list = StrArray::take();
  list->addText(u"Alpha")->addText(u"beta")->addText(u"BETA");
  StrBuffer* probe = StrBuffer::take();
  probe->assign(u"Beta");
  uint32_t at = 99;
  EXPECT_TRUE(list->indexOfIgnoreCase(probe, &at));
  EXPECT_EQ(at, 1u);
  probe->assign(u"gamma");
  EXPECT_FALSE(list->indexOfIgnoreCase(probe, &at));
  EXPECT_EQ(at, 1u);
  // Removal that moves a text out hands it to the caller; deleteAt disposes of it.
  void* moved = nullptr;
  list->getItems().popLast(&moved);
  static_cast<StrBuffer*>(static_cast<s::str::IStr*>(moved))->release();
  list->getItems().deleteAt(0);
  ASSERT_EQ(list->getCount(), 1u);
  EXPECT_EQ(std::u16string(list->get(0)->getCStr()), u"beta");
  EXPECT_EQ(std::u16string(list->getClassName()), u"s_str_strarray_StrArray");
  s::base::IObject* twin = list->newInstance();
  EXPECT_NE(twin, static_cast<s::base::IObject*>(list));
  static_cast<StrArray*>(twin)->release();
  list->clear();
  EXPECT_EQ(list->getItems().getCapacity(), 0u);
  probe->release();
  list->release();
}
