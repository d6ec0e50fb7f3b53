// Class pools, the class tail and the lock holder.
#include "core/base/IDestructor.h"
#include "core/thread/ClassTail.h"
#include "core/thread/EasyPooler.h"
#include "core/thread/IPoolable.h"
#include "core/thread/ObjLocker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// A pooled element that counts what happens to it.
struct Counts {
  std::atomic<int> created{0};
  std::atomic<int> resets{0};
  std::atomic<int> destroyed{0};
};
Counts g_counts;

class Counted final : public s::base::IObject, public virtual s::thread::IPoolable {
  S_POOLED_CLASS(Counted, u"s_test_Counted", 3)

  Counted() { ++g_counts.created; }
  ~Counted() override { ++g_counts.destroyed; }
  void reset() override {
    ++g_counts.resets;
    value = 0;
  }
  int value = 0;
};

// A local pool of Counted objects with the given capacity (the class pool lives for the process).
s::thread::EasyPooler* makePool(int32_t capacity) {
  return new s::thread::EasyPooler(
      capacity, []() -> void* { return new Counted(); },
      [](void* p) { delete static_cast<Counted*>(p); },
      [](void* p) { static_cast<Counted*>(p)->reset(); });
}

class EasyPoolerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_counts.created = 0;
    g_counts.resets = 0;
    g_counts.destroyed = 0;
  }
};

}  // namespace

TEST_F(EasyPoolerTest, TakeCreatesOnEmptyAndReusesLastGivenBackFirst) {
  s::thread::EasyPooler* pool = makePool(1000);
  void* first = pool->take();
  EXPECT_EQ(g_counts.created, 1);
  static_cast<Counted*>(first)->value = 7;
  pool->giveBack(first);
  EXPECT_EQ(g_counts.resets, 1);  // reset on the way in, not on the way out
  void* again = pool->take();
  EXPECT_EQ(again, first);
  EXPECT_EQ(static_cast<Counted*>(again)->value, 0);
  EXPECT_EQ(g_counts.created, 1);

  void* a = again;
  void* b = pool->take();
  pool->giveBack(a);
  pool->giveBack(b);
  EXPECT_EQ(pool->take(), b);
  EXPECT_EQ(pool->take(), a);
  pool->giveBack(a);
  pool->giveBack(b);
  delete pool;
  EXPECT_EQ(g_counts.destroyed, 2);  // the destructor destroys the free objects
}

TEST_F(EasyPoolerTest, CapacityZeroDestroysWithoutReset) {
  s::thread::EasyPooler* pool = makePool(0);
  pool->giveBack(pool->take());
  EXPECT_EQ(g_counts.resets, 0);
  EXPECT_EQ(g_counts.destroyed, 1);
  EXPECT_EQ(pool->getFreeCount(), 0u);
  delete pool;
}

TEST_F(EasyPoolerTest, AFullPoolDestroysTheExtraObject) {
  s::thread::EasyPooler* pool = makePool(1000);
  std::vector<void*> taken;
  for (int i = 0; i < 1001; ++i) {
    taken.push_back(pool->take());
  }
  for (void* p : taken) {
    pool->giveBack(p);
  }
  EXPECT_EQ(pool->getFreeCount(), 1000u);
  EXPECT_EQ(g_counts.resets, 1000);
  EXPECT_EQ(g_counts.destroyed, 1);
  EXPECT_EQ(pool->take(), taken[999]);  // the last one kept
  pool->giveBack(taken[999]);
  delete pool;
  EXPECT_EQ(g_counts.destroyed, 1001);
}

TEST_F(EasyPoolerTest, DestructGivesBackAndClearsAndIgnoresNull) {
  s::thread::EasyPooler* pool = makePool(10);
  void* ref = nullptr;
  pool->destruct(ref);
  pool->giveBack(nullptr);
  EXPECT_EQ(pool->getFreeCount(), 0u);
  ref = pool->take();
  void* object = ref;
  pool->destruct(ref);
  EXPECT_EQ(ref, nullptr);
  EXPECT_EQ(pool->getFreeCount(), 1u);
  EXPECT_EQ(pool->generate(), object);
  pool->giveBack(object);

  s::base::IObject* twin = pool->newInstance();
  auto* other = static_cast<s::thread::EasyPooler*>(twin);
  EXPECT_EQ(other->getCapacity(), 10);
  EXPECT_EQ(other->getFreeCount(), 0u);
  EXPECT_EQ(std::u16string(other->getClassName()), u"s_thread_EasyPooler");
  delete other;
  delete pool;
}

TEST_F(EasyPoolerTest, ConcurrentTakeAndReleaseKeepEveryObjectAccountedFor) {
  s::thread::EasyPooler* pool = makePool(16);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([pool] {
      void* held[4];
      for (int round = 0; round < 2000; ++round) {
        for (void*& p : held) {
          p = pool->take();
          static_cast<Counted*>(p)->value = round + 1;
        }
        for (void* p : held) {
          pool->giveBack(p);
        }
      }
    });
  }
  for (auto& t : threads) {
    t.join();
  }
  EXPECT_LE(pool->getFreeCount(), 16u);
  EXPECT_EQ(g_counts.created - g_counts.destroyed, static_cast<int>(pool->getFreeCount()));
  delete pool;
  EXPECT_EQ(g_counts.created, g_counts.destroyed);
}

TEST(ClassTail, GivesEveryPooledClassItsPoolTakeReleaseAndName) {
  Counted* a = Counted::take();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Counted::pool().getCapacity(), 3);
  EXPECT_EQ(std::u16string(a->getClassName()), u"s_test_Counted");
  a->value = 5;
  a->release();
  Counted* again = Counted::take();
  EXPECT_EQ(again, a);
  EXPECT_EQ(again->value, 0);
  s::base::IObject* fresh = again->newInstance();  // from the pool, which is empty now
  EXPECT_NE(fresh, static_cast<s::base::IObject*>(again));
  static_cast<Counted*>(fresh)->release();
  again->release();
  Counted* c = Counted::create();
  EXPECT_NE(c, nullptr);
  delete c;
  EXPECT_EQ(&Counted::pool(), &Counted::pool());
}

TEST(ObjLocker, DisposesOfItsObjectTheWayItWasGiven) {
  static int s_functionCalls;
  s_functionCalls = 0;
  struct CountingDestructor final : s::base::IDestructor {
    void destruct(void*& ref) override {
      ++calls;
      std::free(ref);
      ref = nullptr;
    }
    int calls = 0;
  } destructor;

  {
    s::thread::ObjLocker byFunction(
        std::malloc(8),
        [](void* p) {
          ++s_functionCalls;
          std::free(p);
        },
        &destructor);
  }
  EXPECT_EQ(s_functionCalls, 1);  // the function wins over the object
  EXPECT_EQ(destructor.calls, 0);
  { s::thread::ObjLocker byObject(std::malloc(8), nullptr, &destructor); }
  EXPECT_EQ(destructor.calls, 1);
  { s::thread::ObjLocker byFree(std::malloc(8), nullptr, nullptr); }  // ASan checks the free
  { s::thread::ObjLocker empty; }
}

TEST(ObjLocker, IsARecursiveLock) {
  s::thread::ObjLocker lock;
  std::lock_guard<s::thread::ObjLocker> outer(lock);
  std::lock_guard<s::thread::ObjLocker> inner(lock);
  bool otherGotIt = true;
  std::thread([&] { otherGotIt = lock.tryLock(); }).join();
  EXPECT_FALSE(otherGotIt);
  EXPECT_EQ(std::u16string(lock.getClassName()), u"s_thread_ObjLocker");
}

namespace {

// Two pools whose objects hold one of the other's, given back by their resets: giving back on
// two threads at once must not order the pools' locks both ways.
struct Holder {
  s::thread::EasyPooler* other = nullptr;
  void* held = nullptr;
};
s::thread::EasyPooler* g_first = nullptr;
s::thread::EasyPooler* g_second = nullptr;

s::thread::EasyPooler* makeHolderPool() {
  return new s::thread::EasyPooler(
      1000, []() -> void* { return new Holder(); }, [](void* p) { delete static_cast<Holder*>(p); },
      [](void* p) {
        auto* holder = static_cast<Holder*>(p);
        if (holder->other != nullptr) holder->other->giveBack(holder->held);
        holder->other = nullptr;
        holder->held = nullptr;
      });
}

}  // namespace

TEST(EasyPoolerResets, ResetsThatGiveBackToAnotherPoolRunOutsideTheLock) {
  g_first = makeHolderPool();
  g_second = makeHolderPool();
  auto run = [](s::thread::EasyPooler* mine, s::thread::EasyPooler* theirs) {
    for (int i = 0; i < 2000; ++i) {
      auto* holder = static_cast<Holder*>(mine->take());
      holder->other = theirs;
      holder->held = theirs->take();
      mine->giveBack(holder);
    }
  };
  std::thread one(run, g_first, g_second);
  std::thread two(run, g_second, g_first);
  one.join();
  two.join();
  EXPECT_LE(g_first->getFreeCount(), 1000u);
  EXPECT_GE(g_first->getFreeCount(), 1u);
  delete g_first;
  delete g_second;
}
