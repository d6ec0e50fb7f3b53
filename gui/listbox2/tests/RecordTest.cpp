// List rows and cells: the play-time text, the running id, the store operations with removed and
// reused rows, child rows, and the disposal of cell values.
#include "gui/listbox2/Record.h"

#include "core/base/IDestructor.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "gui/listbox2/SubRecord.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

using s::gui::listbox2::IListWindow;
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

// Keeps every object it is asked to dispose of, in order.
class CountingDisposer final : public s::base::IDestructor {
 public:
  void destruct(void*& ref) override {
    if (ref != nullptr) disposed.push_back(ref);
    ref = nullptr;
  }
  std::vector<void*> disposed;
};

// A list window that logs the rows it is asked to take out and takes them out of its store.
class RemovalLog final : public IListWindow {
 public:
  explicit RemovalLog(RecordStore* store) : m_store(store) {}
  void removeRecord(Record* record) override {
    removed.push_back(record);
    s::gui::listbox2::removeRecord(m_store, record, record->getId());
  }
  void setRecordObject(Record*, int32_t, int64_t, s::base::IDestructor*) override {}
  std::vector<Record*> removed;

 private:
  RecordStore* m_store;
};

std::vector<Record*> shownRows(const RecordStore& store) {
  std::vector<Record*> rows;
  for (uint32_t i = 0; i < store.getCount(); ++i) {
    rows.push_back(store.getAt(i));
    EXPECT_EQ(store.getAt(i)->getIndex(), static_cast<int32_t>(i)) << "row " << i;
  }
  return rows;
}

SubRecord* objectCell(void* object, s::base::IDestructor* disposer) {
  SubRecord* cell = SubRecord::take();
  cell->setValue(reinterpret_cast<int64_t>(object), disposer);
  cell->setFormatter(&s::gui::listbox2::formatNumber);
  return cell;
}

}  // namespace

TEST(ListRecord, DurationsDropWholeDaysAndPadOnlyBehindAColon) {
  EXPECT_EQ(&s::gui::listbox2::formatPlayTime, &s::gui::listbox2::formatDuration)
      << "the song rows' play-time formatter is the same function";
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
  EXPECT_FALSE(store.addRecord(rows[0])) << "a removed row is not shown again";

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

TEST(ListRecord, RemovingTheLastRowMovesNothing) {
  RecordStore store;
  int data = 0;
  Record* rows[3];
  for (Record*& row : rows) {
    row = s::gui::listbox2::makeRecord(&data);
    ASSERT_TRUE(store.addRecord(row));
  }
  EXPECT_TRUE(s::gui::listbox2::removeRecord(&store, rows[2], rows[2]->getId()));
  EXPECT_EQ(shownRows(store), (std::vector<Record*>{rows[0], rows[1]}));
  EXPECT_TRUE(s::gui::listbox2::removeRecord(&store, rows[1], rows[1]->getId()));
  EXPECT_TRUE(s::gui::listbox2::removeRecord(&store, rows[0], rows[0]->getId()));
  EXPECT_EQ(store.getCount(), 0u);
  EXPECT_FALSE(s::gui::listbox2::removeRecord(&store, rows[0], rows[0]->getId()))
      << "an empty store holds nothing";
  for (Record* row : rows) row->release();
}

TEST(ListRecord, ChildRowsShowUnderTheirParentAndLeaveTheStoreFirst) {
  RecordStore store;
  int data = 0;
  Record* first = s::gui::listbox2::makeRecord(&data);
  Record* parent = s::gui::listbox2::makeRecord(&data);
  Record* child1 = s::gui::listbox2::makeRecord(&data);
  Record* grandchild = s::gui::listbox2::makeRecord(&data);
  Record* child2 = s::gui::listbox2::makeRecord(&data);
  Record* last = s::gui::listbox2::makeRecord(&data);
  ASSERT_TRUE(parent->addChild(child1));
  ASSERT_TRUE(child1->addChild(grandchild));
  EXPECT_EQ(grandchild->getParent(), child1);
  ASSERT_TRUE(store.addRecord(first));
  ASSERT_TRUE(store.addRecord(parent));
  ASSERT_TRUE(store.addRecord(last));
  EXPECT_EQ(shownRows(store), (std::vector<Record*>{first, parent, child1, grandchild, last}));

  // A child added to a shown row goes behind the rows already under it; the rest move down.
  ASSERT_TRUE(parent->addChild(child2));
  EXPECT_EQ(child2->getStore(), &store);
  EXPECT_EQ(shownRows(store),
            (std::vector<Record*>{first, parent, child1, grandchild, child2, last}));
  ASSERT_EQ(parent->getChildren()->getCount(), 2u);

  // Refused: a row under another one, a row in a store, a row under itself.
  EXPECT_FALSE(store.addRecord(child1));
  EXPECT_FALSE(first->addChild(child1));
  EXPECT_FALSE(parent->addChild(last));
  EXPECT_FALSE(parent->addChild(parent));
  Record* loose = s::gui::listbox2::makeRecord(&data);
  Record* under = s::gui::listbox2::makeRecord(&data);
  ASSERT_TRUE(loose->addChild(under));
  EXPECT_FALSE(under->addChild(loose)) << "a row cannot hold the row it is shown under";
  EXPECT_EQ(loose->getChildren()->getCount(), 1u);
  EXPECT_EQ(under->getChildren(), nullptr);

  // Giving the parent back takes its rows out first, depth first in order, through the window.
  RemovalLog window(&store);
  store.setListWindow(&window);
  const uint32_t freeBefore = Record::pool().getFreeCount();
  parent->release();
  EXPECT_EQ(window.removed, (std::vector<Record*>{grandchild, child1, child2, parent}));
  EXPECT_EQ(shownRows(store), (std::vector<Record*>{first, last}));
  EXPECT_EQ(Record::pool().getFreeCount(), freeBefore + 4) << "the parent gave its rows back";

  // Without a window the store operations take the rows out, children again first.
  store.setListWindow(nullptr);
  Record* top = s::gui::listbox2::makeRecord(&data);
  Record* sub = s::gui::listbox2::makeRecord(&data);
  ASSERT_TRUE(top->addChild(sub));
  ASSERT_TRUE(store.addRecord(top));
  EXPECT_EQ(shownRows(store), (std::vector<Record*>{first, last, top, sub}));
  top->release();
  EXPECT_EQ(shownRows(store), (std::vector<Record*>{first, last}));

  // A child given back on its own leaves its parent, which then does not give it back again.
  under->release();
  EXPECT_EQ(loose->getChildren()->getCount(), 0u);
  const uint32_t freeAfter = Record::pool().getFreeCount();
  loose->release();
  EXPECT_EQ(Record::pool().getFreeCount(), freeAfter + 1);
  first->release();
  last->release();
}

TEST(ListRecord, EachReplacedValueIsDisposedOfOnceAndTheLastOnReset) {
  RecordStore store;
  CountingDisposer disposer;
  int objects[3] = {};
  int data = 0;
  Record* row = s::gui::listbox2::makeRecord(&data);
  ASSERT_TRUE(row->addCell(objectCell(&objects[0], &disposer)));
  ASSERT_TRUE(row->addCell(SubRecord::takeNumber(5)));
  ASSERT_TRUE(store.addRecord(row));
  const int32_t id = row->getId();

  EXPECT_TRUE(s::gui::listbox2::setRecordObject(&store, row, id, 0,
                                                reinterpret_cast<int64_t>(&objects[1]), &disposer));
  EXPECT_EQ(disposer.disposed, (std::vector<void*>{&objects[0]}));
  EXPECT_TRUE(s::gui::listbox2::setRecordObject(&store, row, id, 0,
                                                reinterpret_cast<int64_t>(&objects[1]), &disposer));
  EXPECT_EQ(disposer.disposed.size(), 1u) << "storing the same object again keeps it";
  EXPECT_FALSE(s::gui::listbox2::setRecordObject(
      &store, row, id + 1, 0, reinterpret_cast<int64_t>(&objects[2]), &disposer));
  EXPECT_FALSE(s::gui::listbox2::setRecordObject(&store, row, id, 2,
                                                 reinterpret_cast<int64_t>(&objects[2]), &disposer))
      << "no such cell";
  EXPECT_EQ(disposer.disposed.size(), 1u) << "refused changes dispose of nothing";
  EXPECT_TRUE(s::gui::listbox2::setRecordObject(&store, row, id, 1, 9, nullptr));
  EXPECT_EQ(disposer.disposed.size(), 1u) << "a number has nothing to dispose of";

  EXPECT_TRUE(s::gui::listbox2::removeRecord(&store, row, id));
  EXPECT_EQ(disposer.disposed.size(), 1u) << "a removed row keeps its values";
  row->release();
  EXPECT_EQ(disposer.disposed, (std::vector<void*>{&objects[0], &objects[1]}));

  // The cells went back to their pool empty: taking and returning them disposes of nothing.
  SubRecord* again[2] = {SubRecord::take(), SubRecord::take()};
  for (SubRecord* cell : again) {
    EXPECT_EQ(cell->getValue(), 0);
    cell->release();
  }
  EXPECT_EQ(disposer.disposed.size(), 2u);

  // A text cell gives its text back to the text pool, once.
  Record* texts = s::gui::listbox2::makeRecord(&data);
  ASSERT_TRUE(texts->addCell(SubRecord::takeText(u"old")));
  const uint32_t freeTexts = StrBuffer::pool().getFreeCount();
  texts->release();
  EXPECT_EQ(StrBuffer::pool().getFreeCount(), freeTexts + 1);
}
