// The hash set of objects keyed by a hash the caller supplies.
#pragma once

#include "core/base/IDestructor.h"
#include "core/base/IObject.h"
#include "core/map/HashChains.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "core/thread/ObjLocker.h"

#include <cstdint>

namespace s::map {

/// One entry of a Map: the hash it was added with, the entry, the next node of its chain.
struct MapNode {
  uint32_t hash = 0;
  base::IObject* entry = nullptr;
  MapNode* next = nullptr;
  const base::IObject* key() const { return entry; }
};

/// A set of objects. The caller passes each entry's hash (its `hashCode`, or its
/// `hashCodeIgnoreCase` when the map ignores case); an entry is present when a stored entry with
/// that hash `equals` it (`equalsIgnoreCase` with the ignore-case flag). Without overrides that is
/// identity. The table design is s::map::HashChains: 211 buckets on the first add, growth to the
/// next prime size at half load, up to 113,905,901 buckets.
///
/// Ownership: the map holds entries without owning them, except that its disposers receive
/// them: the entry disposer each entry that `remove` takes out and every entry at `reset` (its
/// return to the pool), the destroy disposer every entry when the map is destroyed. An owner
/// that keeps the entries clears the map with a null disposer first.
///
/// Not locked: one thread at a time; owners that share a map use its lock (`getLock`), which
/// the map's own operations do not take. Pooled (capacity 1000).
class Map final : public base::IObject,
                  public virtual thread::IPoolable,
                  public HashChains<MapNode> {
  S_POOLED_CLASS(Map, u"s_map_Map")

  Map() : Map(nullptr, nullptr) {}
  Map(base::IDestructor* entryDisposer, base::IDestructor* destroyDisposer);
  /// Hands every entry to the destroy disposer and frees the nodes.
  ~Map() override;
  Map(const Map&) = delete;
  Map& operator=(const Map&) = delete;

  /// `clear` with the entry disposer, no buckets, no disposers, case-sensitive.
  void reset() override;

  /// False when an equal entry is present already (the map may have grown all the same).
  bool add(uint32_t hash, base::IObject* entry);
  /// Takes out the entry equal to `key` and hands it to the entry disposer; false when absent.
  bool remove(uint32_t hash, const base::IObject* key);
  /// The stored entry equal to `key`, or null.
  base::IObject* find(uint32_t hash, const base::IObject* key) const;
  /// Hands every entry to `disposer` (when not null) and empties the map; the buckets stay.
  void clear(base::IDestructor* disposer);
  /// Every node (MapNode pointers, not the entries), bucket by bucket, in a pooled array that
  /// the caller releases.
  col::_array::ArrayP* toArray() const { return collectNodes(); }

  thread::ObjLocker& getLock() { return m_lock; }
  void setEntryDisposer(base::IDestructor* disposer) { m_entryDisposer = disposer; }
  void setDestroyDisposer(base::IDestructor* disposer) { m_destroyDisposer = disposer; }

 private:
  thread::ObjLocker m_lock;
  base::IDestructor* m_entryDisposer;
  base::IDestructor* m_destroyDisposer;
};

}  // namespace s::map
