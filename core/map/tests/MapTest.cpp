// The hash set and the key/value table: random operations against std::unordered_set, prime
// growth, chain order, disposers, ignore-case keys and node reuse.
#include "core/map/Map.h"
#include "core/map/MapTable.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <unordered_set>
#include <vector>

namespace {

using s::map::Map;
using s::map::MapNode;
using s::map::MapTable;

// A key with a value; equal values are equal keys. Its hash collides often on purpose.
class Key final : public s::base::IObject {
  S_NAMED_CLASS(Key, u"Key")
  Key() = default;
  explicit Key(int v) : value(v) {}
  bool equals(const IComparable* other, const s::base::IComparator* = nullptr) const override {
    const auto* that = dynamic_cast<const Key*>(other);
    return that != nullptr && that->value == value;
  }
  uint32_t hashCode() const override { return static_cast<uint32_t>(value) % 97; }
  int value = 0;
};

class CountingDisposer final : public s::base::IDestructor {
 public:
  void destruct(void*& ref) override {
    if (ref == nullptr) return;
    seen.push_back(static_cast<s::base::IObject*>(ref));
    ref = nullptr;
  }
  std::vector<s::base::IObject*> seen;
};

std::vector<int> valuesOf(const Map& map) {
  std::vector<int> out;
  s::col::_array::ArrayP* nodes = map.toArray();
  for (uint32_t i = 0; i < nodes->getCount(); ++i) {
    out.push_back(static_cast<Key*>(static_cast<MapNode*>(nodes->getItems()[i])->entry)->value);
  }
  nodes->setCount(0);
  nodes->release();
  return out;
}

}  // namespace

TEST(HashMap, RandomOperationsAgreeWithTheStandardSet) {
  std::vector<std::unique_ptr<Key>> keys;
  for (int v = 0; v < 3000; ++v) keys.push_back(std::make_unique<Key>(v));
  Map map;
  std::unordered_set<int> oracle;
  std::mt19937 random(20240611);
  for (int step = 0; step < 60000; ++step) {
    int v = static_cast<int>(random() % keys.size());
    Key probe(v);
    switch (random() % 3) {
      case 0:
        ASSERT_EQ(map.add(probe.hashCode(), keys[v].get()), oracle.insert(v).second) << "add " << v;
        break;
      case 1:
        ASSERT_EQ(map.remove(probe.hashCode(), &probe), oracle.erase(v) == 1) << "remove " << v;
        break;
      default: {
        s::base::IObject* found = map.find(probe.hashCode(), &probe);
        ASSERT_EQ(found != nullptr, oracle.count(v) == 1) << "find " << v;
        if (found != nullptr) {
          ASSERT_EQ(found, keys[v].get()) << "the stored entry comes back";
        }
      }
    }
    ASSERT_EQ(map.getCount(), oracle.size());
  }
  std::vector<int> stored = valuesOf(map);
  EXPECT_EQ(std::unordered_set<int>(stored.begin(), stored.end()), oracle);
  EXPECT_EQ(stored.size(), oracle.size());
  map.clear(nullptr);
}

TEST(HashMap, GrowsThroughThePrimesAtHalfLoad) {
  std::vector<std::unique_ptr<Key>> keys;
  Map map;
  EXPECT_EQ(map.getBucketCount(), 0u);
  for (int v = 0; v < 105; ++v) {
    keys.push_back(std::make_unique<Key>(v));
    ASSERT_TRUE(map.add(static_cast<uint32_t>(v), keys.back().get()));
  }
  EXPECT_EQ(map.getBucketCount(), 211u) << "105 entries still fit 211 buckets";
  keys.push_back(std::make_unique<Key>(105));
  ASSERT_TRUE(map.add(105, keys.back().get()));
  EXPECT_EQ(map.getBucketCount(), 431u) << "the 106th add grows first";
  EXPECT_FALSE(map.add(0, keys[0].get())) << "a duplicate";
  EXPECT_EQ(map.getCount(), 106u);

  std::vector<uint32_t> sizes{map.getBucketCount()};
  for (int v = 106; v < 30000; ++v) {
    keys.push_back(std::make_unique<Key>(v));
    map.add(static_cast<uint32_t>(v) * 2654435761u, keys.back().get());
    if (map.getBucketCount() != sizes.back()) sizes.push_back(map.getBucketCount());
  }
  EXPECT_EQ(sizes,
            (std::vector<uint32_t>{431, 863, 1733, 3467, 6947, 13901, 27803, 55609, 111227}));
  for (int v = 0; v < 30000; v += 997) {
    Key probe(v);
    uint32_t hash = v < 106 ? static_cast<uint32_t>(v) : static_cast<uint32_t>(v) * 2654435761u;
    EXPECT_EQ(map.find(hash, &probe), keys[v].get()) << "found after every growth: " << v;
  }
  map.clear(nullptr);
  EXPECT_EQ(map.getBucketCount(), 111227u) << "clearing keeps the buckets";
  map.rehash(3);
  EXPECT_EQ(map.getBucketCount(), 111227u) << "never shrinks";
}

TEST(HashMap, EqualHashesChainInInsertionOrder) {
  Key a(1), b(2), c(3), d(4);
  Map map;
  for (Key* k : {&a, &b, &c}) ASSERT_TRUE(map.add(7, k));
  ASSERT_TRUE(map.add(8, &d));
  EXPECT_EQ(valuesOf(map), (std::vector<int>{1, 2, 3, 4}));
  ASSERT_TRUE(map.remove(7, &b));
  EXPECT_EQ(valuesOf(map), (std::vector<int>{1, 3, 4}));
  map.rehash(5);
  EXPECT_EQ(valuesOf(map), (std::vector<int>{1, 3, 4})) << "a rehash keeps the chain order";
  Key other(1);
  EXPECT_FALSE(map.remove(8, &other)) << "an equal key under another hash is another entry";
  map.clear(nullptr);
}

TEST(HashMap, RemovalFromAFreshMapAllocatesNothing) {
  Map* map = Map::take();
  Key probe(1);
  EXPECT_FALSE(map->remove(probe.hashCode(), &probe));
  EXPECT_EQ(map->find(probe.hashCode(), &probe), nullptr);
  EXPECT_EQ(map->getBucketCount(), 0u);
  map->release();
}

TEST(HashMap, IgnoreCaseKeysAreOneKey) {
  using s::str::strbuffer::StrBuffer;
  StrBuffer* stored = StrBuffer::take();
  stored->assign(u"Vocal Boost");
  StrBuffer* probe = StrBuffer::take();
  probe->assign(u"VOCAL boost");
  Map map;
  ASSERT_TRUE(map.add(stored->hashCodeIgnoreCase(), stored));
  EXPECT_EQ(map.find(probe->hashCodeIgnoreCase(), probe), nullptr) << "case counts by default";
  map.setIgnoreCase(true);
  EXPECT_EQ(map.find(probe->hashCodeIgnoreCase(), probe), stored);
  EXPECT_FALSE(map.add(probe->hashCodeIgnoreCase(), probe));
  EXPECT_TRUE(map.remove(probe->hashCodeIgnoreCase(), probe));
  EXPECT_EQ(map.getCount(), 0u);
  stored->release();
  probe->release();
}

TEST(HashMap, DisposersReceiveWhatTheMapLetsGo) {
  Key a(1), b(2), c(3);
  CountingDisposer entries;
  CountingDisposer destroyed;
  {
    Map map(&entries, &destroyed);
    map.add(1, &a);
    map.add(2, &b);
    map.add(3, &c);
    ASSERT_TRUE(map.remove(2, &b));
    EXPECT_EQ(entries.seen, std::vector<s::base::IObject*>{&b});
    map.clear(nullptr);
    EXPECT_EQ(entries.seen.size(), 1u) << "a clear without a disposer keeps the entries";
    map.add(1, &a);
    map.add(3, &c);
  }
  EXPECT_EQ(destroyed.seen.size(), 2u) << "destruction hands over the rest";

  Map* pooled = Map::take();
  pooled->setEntryDisposer(&entries);
  pooled->setIgnoreCase(true);
  pooled->add(1, &a);
  pooled->release();
  EXPECT_EQ(entries.seen.back(), &a) << "giving the map back disposes of its entries";
  Map* again = Map::take();
  EXPECT_FALSE(again->isIgnoreCase());
  EXPECT_EQ(again->getBucketCount(), 0u);
  again->release();
}

TEST(HashMap, NodesAreReusedFromTheirPool) {
  std::vector<std::unique_ptr<Key>> keys;
  for (int v = 0; v < 500; ++v) keys.push_back(std::make_unique<Key>(v));
  Map map;
  for (auto& k : keys) map.add(k->hashCode(), k.get());
  map.clear(nullptr);
  uint32_t free = Map::nodePool().getFreeCount();
  EXPECT_GE(free, 500u);
  for (auto& k : keys) map.add(k->hashCode(), k.get());
  EXPECT_EQ(Map::nodePool().getFreeCount(), free - 500) << "refilling takes the freed nodes";
  map.clear(nullptr);
}

TEST(HashTable, PairsByKey) {
  using s::str::strbuffer::StrBuffer;
  std::vector<StrBuffer*> texts;
  auto text = [&](const char16_t* value) {
    StrBuffer* t = StrBuffer::take();
    t->assign(value);
    texts.push_back(t);
    return t;
  };
  CountingDisposer keysOnReset, valuesOnReset, keysOnDestroy, valuesOnDestroy;
  {
    MapTable table(&keysOnReset, &keysOnDestroy, &valuesOnReset, &valuesOnDestroy);
    StrBuffer* key = text(u"Title");
    StrBuffer* value = text(u"Lumetra");
    ASSERT_TRUE(table.put(key->hashCode(), key, value));
    StrBuffer* probe = text(u"Title");
    EXPECT_TRUE(table.containsKey(probe->hashCode(), probe));
    EXPECT_EQ(table.get(probe->hashCode(), probe), value);
    EXPECT_FALSE(table.put(probe->hashCode(), probe, key)) << "a key already present is kept";
    StrBuffer* other = text(u"title");
    EXPECT_FALSE(table.containsKey(other->hashCode(), other));
    table.clearNodes();
    EXPECT_EQ(table.getCount(), 0u);
    EXPECT_TRUE(keysOnReset.seen.empty() && keysOnDestroy.seen.empty())
        << "clearNodes touches nothing";
    table.put(key->hashCode(), key, value);
    table.clearAndDispose(&keysOnReset, nullptr);
    EXPECT_EQ(keysOnReset.seen, std::vector<s::base::IObject*>{key});
    table.put(key->hashCode(), key, value);
  }
  EXPECT_EQ(keysOnDestroy.seen.size(), 1u);
  EXPECT_EQ(valuesOnDestroy.seen.size(), 1u);
  for (StrBuffer* t : texts) t->release();
}
