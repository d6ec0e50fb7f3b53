// List rows and cells: the play-time text, the running id, and the store operations with
// removed and reused rows.
#include "gui/listbox2/Record.h"

#include "core/str/strbuffer/StrBuffer.h"
#include "gui/listbox2/SubRecord.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

using s::gui::listbox2::Record;
using s::gui::listbox2::RecordStore;
using s::gui::listbox2::SubRecord;
using s::str::strbuffer::StrBuffer;

namespace {

std::u16string duration(int64_t seconds) {
  StrBuffer* out = StrBuffer::take();
  s::gui::listbox2::formatDuration(seconds, out);
  std::u16string text = out->getCStr();
  out->release();
  return text;
}

Record* rowWithCells(void* data) {
  Record* row = s::gui::listbox2::makeRecord(data);
  row->addCell(SubRecord::takeNumber(7));
  row->addCell(SubRecord::takeText(u"title"));
  row->addCell(SubRecord::takeDuration(185));
  return row;
}

}  // namespace

TEST(ListRecord, DurationsDropWholeDaysAndPadOnlyBehindAColon) {
  EXPECT_EQ(duration(59), u"0:59");
  EXPECT_EQ(duration(61), u"1:01");
  EXPECT_EQ(duration(600), u"10:00");
  EXPECT_EQ(duration(3600), u"1:00:00");
  EXPECT_EQ(duration(3661), u"1:01:01");
  EXPECT_EQ(duration(86401), u"0:01") << "the day is dropped";
}

TEST(ListRecord, RowsHoldEightCellsInColumnOrderWithRunningIds) {
  int data = 0;
  Record* a = rowWithCells(&data);
  Record* b = s::gui::listbox2::makeRecord(&data);
  EXPECT_EQ(b->getId(), a->getId() + 1);
  EXPECT_EQ(a->getCellCapacity(), 8);
  EXPECT_EQ(a->getDataObject(), &data);
  ASSERT_EQ(a->getCellCount(), 3);
  EXPECT_EQ(std::u16string(a->getCell(0)->getText()), u"7");
  EXPECT_EQ(std::u16string(a->getCell(1)->getText()), u"title");
  EXPECT_EQ(std::u16string(a->getCell(2)->getText()), u"3:05");
  EXPECT_EQ(a->getCell(2)->getColumn(), 2);
  EXPECT_EQ(a->getCell(3), nullptr);
  for (int i = 0; i < 8; ++i) b->addCell(SubRecord::takeNumber(i));
  SubRecord* extra = SubRecord::takeNumber(9);
  const uint32_t freeBefore = SubRecord::pool().getFreeCount();
  EXPECT_FALSE(b->addCell(extra)) << "a row holds at most its capacity";
  EXPECT_EQ(SubRecord::pool().getFreeCount(), freeBefore + 1) << "the refused cell went back";
  EXPECT_EQ(b->getCellCount(), 8);
  a->release();
  b->release();
}

TEST(ListRecord, StoreRemovalRenumbersAndStaleIdsChangeNothing) {
  RecordStore store;
  int data = 0;
  Record* rows[3];
  for (Record*& row : rows) {
    row = rowWithCells(&data);
    store.addRecord(row);
  }
  EXPECT_TRUE(s::gui::listbox2::setRecordObject(&store, rows[1], rows[1]->getId(), 0, 42, nullptr));
  EXPECT_EQ(rows[1]->getCell(0)->peekText(), nullptr) << "the cached text is dropped";
  EXPECT_EQ(std::u16string(rows[1]->getCell(0)->getText()), u"42");
  EXPECT_FALSE(
      s::gui::listbox2::setRecordObject(&store, rows[1], rows[1]->getId() + 100, 0, 1, nullptr));
  EXPECT_EQ(rows[1]->getCell(0)->getValue(), 42);

  EXPECT_TRUE(s::gui::listbox2::removeRecord(&store, rows[0], rows[0]->getId()));
  EXPECT_TRUE(rows[0]->isRemoved());
  ASSERT_EQ(store.getCount(), 2u);
  EXPECT_EQ(rows[1]->getIndex(), 0);
  EXPECT_EQ(rows[2]->getIndex(), 1);
  EXPECT_FALSE(s::gui::listbox2::removeRecord(&store, rows[0], rows[0]->getId()));
  EXPECT_EQ(rows[0]->getCellCount(), 3) << "a removed row keeps its cells";

  rows[2]->release();  // giving a row back takes it out of its store
  EXPECT_EQ(store.getCount(), 1u);
  rows[0]->release();
  rows[1]->release();
  EXPECT_EQ(store.getCount(), 0u);
}

TEST(ListRecord, RowsMadeOnFourThreadsAllGetDifferentIds) {
  constexpr int kPerThread = 10000;
  std::vector<std::vector<int32_t>> ids(4);
  std::vector<std::thread> threads;
  for (auto& list : ids) {
    threads.emplace_back([&list] {
      int data = 0;
      for (int i = 0; i < kPerThread; ++i) {
        Record* row = s::gui::listbox2::makeRecord(&data);
        list.push_back(row->getId());
        row->release();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<int32_t> all;
  for (const auto& list : ids) all.insert(list.begin(), list.end());
  EXPECT_EQ(all.size(), 4u * kPerThread);
}
