// The record pool: reuse, the kept-record bound, accounting, and disposal.
#include "platform/thread/Factory.h"

#include "core/col/array/ArrayP.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records are ints that count what happens to them.
class CountingFactory final : public s::thread::Factory {
 public:
  ~CountingFactory() override { disposeAll(); }
  void* generate() override {
    ++generated;
    return new int(0);
  }
  void resetObject(void* object) override {
    ++resets;
    *static_cast<int*>(object) = 0;
  }
  void destroyObject(void*& object) override {
    ++destroyed;
    delete static_cast<int*>(object);
    object = nullptr;
  }
  int generated = 0;
  int resets = 0;
  int destroyed = 0;
};

}  // namespace

TEST(PoolerBase, KeepsUpTo1001RecordsAndDestroysTheRest) {
  CountingFactory pool;
  std::vector<void*> records;
  for (int i = 0; i < 1005; ++i) records.push_back(pool.take());
  EXPECT_EQ(pool.generated, 1005);
  for (void* r : records) pool.giveBack(r);
  // The count is tested before the push, so one more than maxCount is kept.
  EXPECT_EQ(pool.getFreeCount(), 1001u);
  EXPECT_EQ(pool.destroyed, 4);
  void* again = pool.take();
  EXPECT_EQ(again, records[1000]) << "the record given back last comes out first";
  EXPECT_EQ(pool.generated, 1005);
  // As a disposer, it takes the record back and clears the reference.
  void* ref = again;
  pool.destruct(ref);
  EXPECT_EQ(ref, nullptr);
  pool.disposeAll();
  EXPECT_EQ(pool.destroyed, 1005);
  pool.giveBack(pool.take());  // still usable: nothing is kept any more
  EXPECT_EQ(pool.destroyed, 1006);
}

TEST(PoolerBase, AccountingBoundsSizeAndBytesHeld) {
  CountingFactory pool;
  pool.setAccounting(true);
  std::vector<void*> records;
  for (int i = 0; i < 102; ++i) records.push_back(pool.take());
  pool.giveBack(records[0], 2000);  // larger than a record may be
  EXPECT_EQ(pool.destroyed, 1);
  // Records of the default size (1024 bytes) are kept until 102,400 bytes are held.
  for (int i = 1; i < 102; ++i) pool.giveBack(records[i]);
  EXPECT_EQ(pool.getFreeCount(), 100u);
  EXPECT_EQ(pool.getBytesHeld(), 102400u);
  EXPECT_EQ(pool.destroyed, 2);
  void* taken = pool.take();
  EXPECT_EQ(pool.getBytesHeld(), 102400u - 1024);
  pool.giveBack(taken);
}
