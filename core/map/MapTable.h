// The hash table of key and value objects keyed by a hash the caller supplies.
#pragma once

#include "core/base/IDestructor.h"
#include "core/base/IObject.h"
#include "core/map/HashChains.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "core/thread/ObjLocker.h"

#include <cstdint>

namespace s::map {

/// One pair of a MapTable.
struct MapTableNode {
  uint32_t hash = 0;
  base::IObject* keyObject = nullptr;
  base::IObject* value = nullptr;
  MapTableNode* next = nullptr;
  const base::IObject* key() const { return keyObject; }
};

/// Key and value pairs, keyed as s::map::Map keys its entries (the caller passes the key's
/// `hashCode`, or `hashCodeIgnoreCase` when the table ignores case; keys compare by the stored
/// key's `equals` or `equalsIgnoreCase`).
///
/// Ownership: four disposers, each may be null: keys and values go to the reset disposers when
/// the table is reset (its return to the pool) and to the destruction disposers when it is
/// destroyed. `clearNodes` forgets every pair without touching keys and values.
///
/// Not locked: one thread at a time (`getLock` is for owners). Pooled (capacity 1000).
class MapTable final : public base::IObject,
                       public virtual thread::IPoolable,
                       public HashChains<MapTableNode> {
  S_POOLED_CLASS(MapTable, u"s_map_MapTable")

  MapTable() : MapTable(nullptr, nullptr, nullptr, nullptr) {}
  MapTable(base::IDestructor* keyResetDisposer, base::IDestructor* keyDestroyDisposer,
           base::IDestructor* valueResetDisposer, base::IDestructor* valueDestroyDisposer);
  /// `freeAll`: every key and value to the destruction disposers, the nodes freed.
  ~MapTable() override;
  MapTable(const MapTable&) = delete;
  MapTable& operator=(const MapTable&) = delete;

  /// `clearAndDispose` with the reset disposers, no buckets, no disposers, case-sensitive.
  void reset() override;

  /// False when an equal key is present already (the table may have grown all the same).
  bool put(uint32_t hash, base::IObject* key, base::IObject* value);
  /// Whether a key equal to `key` is present.
  bool containsKey(uint32_t hash, const base::IObject* key) const {
    return findNode(hash, key) != nullptr;
  }
  /// The value stored with the key equal to `key`, or null.
  base::IObject* get(uint32_t hash, const base::IObject* key) const;
  /// Hands every key and value to the given disposers (when not null) and empties the table;
  /// the buckets stay.
  void clearAndDispose(base::IDestructor* keyDisposer, base::IDestructor* valueDisposer);
  /// Empties the table without touching keys and values.
  void clearNodes() { clearAndDispose(nullptr, nullptr); }
  /// Every node (MapTableNode pointers), in a pooled array that the caller releases.
  col::_array::ArrayP* toArray() const { return collectNodes(); }

  thread::ObjLocker& getLock() { return m_lock; }

 private:
  /// As clearAndDispose, freeing the nodes instead of pooling them (destruction).
  void freeAll(base::IDestructor* keyDisposer, base::IDestructor* valueDisposer);

  thread::ObjLocker m_lock;
  base::IDestructor* m_keyResetDisposer;
  base::IDestructor* m_keyDestroyDisposer;
  base::IDestructor* m_valueResetDisposer;
  base::IDestructor* m_valueDestroyDisposer;
};

}  // namespace s::map
