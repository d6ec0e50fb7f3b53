// The chained hash table that s::map::Map and s::map::MapTable share: prime bucket counts,
// growth at half load, nodes from a pool of their own kind.
#pragma once

#include "core/base/IDestructor.h"
#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/thread/EasyPooler.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace s::map {

/// The bucket counts, smallest first; a table starts at the first and stops growing at the last.
inline constexpr uint32_t kBucketSizes[] = {
    211,    431,    863,    1733,    3467,    6947,    13901,    27803,    55609,    111227,
    222461, 444929, 889871, 1779761, 3559537, 7119103, 14238221, 28476473, 56952947, 113905901};
inline constexpr int32_t kLargestSizeIndex = 19;

/// Chains of `Node`s in buckets. A Node has `hash`, `next` and `key()` (the object that equality
/// asks). Keys compare by the stored key's `equals` (or `equalsIgnoreCase`) against the probe;
/// a new node goes to the end of its chain. The table grows to the next size when it holds half
/// as many entries as buckets (checked before looking for a duplicate) and never shrinks. Nodes
/// come from one pool per node kind (up to 10000 free nodes kept), which any thread may use;
/// the table itself is used by one thread at a time.
template <typename Node>
class HashChains {
 public:
  /// The node pool of this node kind, built on first use and kept for the life of the process.
  static thread::EasyPooler& nodePool() {
    static thread::EasyPooler* const s_pool = new thread::EasyPooler(
        10000, []() -> void* { return new (std::nothrow) Node{}; },
        [](void* node) { delete static_cast<Node*>(node); },
        [](void* node) { *static_cast<Node*>(node) = Node{}; });
    return *s_pool;
  }

  uint32_t getCount() const { return m_count; }
  /// Buckets in use; 0 until the first entry.
  uint32_t getBucketCount() const { return m_buckets.getCount(); }
  bool isIgnoreCase() const { return m_ignoreCase; }
  void setIgnoreCase(bool ignoreCase) { m_ignoreCase = ignoreCase; }

  /// Grows to the bucket count of `index` (at most the largest); never shrinks.
  void rehash(int32_t index) {
    const int32_t target = index < kLargestSizeIndex ? index : kLargestSizeIndex;
    if (m_buckets.getCount() == 0) {
      allocate(target);
      return;
    }
    if (m_sizeIndex >= target) {
      return;
    }
    col::_array::ArrayP* nodes = collectNodes();
    allocate(target);
    void** all = nodes->getItems();
    for (uint32_t i = 0, n = nodes->getCount(); i < n; ++i) {
      Node* node = static_cast<Node*>(all[i]);
      node->next = nullptr;
      Node** link = heads() + node->hash % kBucketSizes[m_sizeIndex];
      while (*link != nullptr) {
        link = &(*link)->next;
      }
      *link = node;
    }
    nodes->setCount(0);
    nodes->release();
  }

  /// Every node, bucket by bucket and in chain order, in a pooled array the caller releases.
  col::_array::ArrayP* collectNodes() const {
    col::_array::ArrayP* out = col::_array::ArrayP::take();
    out->setCapacity(m_count);
    forEachNode([&](Node* node) { out->push(node); });
    return out;
  }

 protected:
  HashChains() = default;
  ~HashChains() = default;

  Node** heads() const { return reinterpret_cast<Node**>(m_buckets.getItems()); }

  /// The link that points at the node whose key equals `key`, or the link at the end of the
  /// chain where such a node would go. Needs buckets.
  Node** findLink(uint32_t hash, const base::IComparable* key) const {
    Node** link = heads() + hash % kBucketSizes[m_sizeIndex];
    for (Node* node = *link; node != nullptr; link = &node->next, node = *link) {
      if (node->hash == hash &&
          (m_ignoreCase ? node->key()->equalsIgnoreCase(key) : node->key()->equals(key))) {
        return link;
      }
    }
    return link;
  }

  /// The node whose key equals `key`, or null (also without buckets).
  Node* findNode(uint32_t hash, const base::IComparable* key) const {
    return m_buckets.getCount() == 0 ? nullptr : *findLink(hash, key);
  }

  /// Where a new entry for `key` goes: buckets are made or grown first. Null when an equal key
  /// is present.
  Node** linkForInsert(uint32_t hash, const base::IComparable* key) {
    if (m_buckets.getCount() == 0) {
      allocate(m_sizeIndex);
    } else if (m_count >= kBucketSizes[m_sizeIndex] / 2) {
      rehash(m_sizeIndex + 1);
    }
    Node** link = findLink(hash, key);
    return *link == nullptr ? link : nullptr;
  }

  /// A pooled node stored at `link`; null when no node can be had.
  Node* insertAt(Node** link, uint32_t hash) {
    Node* node = static_cast<Node*>(nodePool().take());
    if (node == nullptr) {
      return nullptr;
    }
    node->hash = hash;
    node->next = nullptr;
    *link = node;
    ++m_count;
    return node;
  }

  /// Unlinks the node at `link` and gives it back to the pool.
  void unlink(Node** link) {
    Node* node = *link;
    *link = node->next;
    --m_count;
    nodePool().giveBack(node);
  }

  /// Calls f(node) for every node; f may dispose of the node's objects (not unlink it).
  template <typename F>
  void forEachNode(F f) const {
    Node** all = heads();
    for (uint32_t b = 0, n = m_buckets.getCount(); b < n; ++b) {
      for (Node* node = all[b]; node != nullptr;) {
        Node* next = node->next;
        f(node);
        node = next;
      }
    }
  }

  /// Empties every chain: each node goes back to the pool (`toPool`) or is deleted, after
  /// f(node). The buckets keep their count.
  template <typename F>
  void dropNodes(bool toPool, F f) {
    forEachNode([&](Node* node) {
      f(node);
      if (toPool) {
        nodePool().giveBack(node);
      } else {
        delete node;
      }
    });
    if (m_buckets.getCount() != 0) {
      std::memset(m_buckets.getItems(), 0, m_buckets.getCount() * sizeof(void*));
    }
    m_count = 0;
  }

  /// Hands `object` (when not null) to `disposer` (when not null) by its IObject address.
  static void dispose(base::IDestructor* disposer, base::IObject* object) {
    if (disposer != nullptr && object != nullptr) {
      void* ref = object;
      disposer->destruct(ref);
    }
  }

  /// Back to no buckets at the first size, case-sensitive.
  void forgetBuckets() {
    m_buckets.freeAll();
    m_sizeIndex = 0;
    m_count = 0;
    m_ignoreCase = false;
  }

 private:
  void allocate(int32_t index) {
    m_sizeIndex = index;
    m_buckets.setCount(0);
    m_buckets.setCount(kBucketSizes[index]);
    std::memset(m_buckets.getItems(), 0, kBucketSizes[index] * sizeof(void*));
  }

  col::_array::ArrayP m_buckets;
  int32_t m_sizeIndex = 0;
  uint32_t m_count = 0;
  bool m_ignoreCase = false;
};

}  // namespace s::map
