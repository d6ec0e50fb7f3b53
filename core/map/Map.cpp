// The hash set of objects.
#include "core/map/Map.h"

namespace s::map {

Map::Map(base::IDestructor* entryDisposer, base::IDestructor* destroyDisposer)
    : m_entryDisposer(entryDisposer), m_destroyDisposer(destroyDisposer) {}

Map::~Map() {
  dropNodes(false, [&](MapNode* node) { dispose(m_destroyDisposer, node->entry); });
}

void Map::reset() {
  clear(m_entryDisposer);
  forgetBuckets();
  m_entryDisposer = nullptr;
  m_destroyDisposer = nullptr;
}

bool Map::add(uint32_t hash, base::IObject* entry) {
  MapNode** link = linkForInsert(hash, entry);
  if (link == nullptr) {
    return false;
  }
  MapNode* node = insertAt(link, hash);
  if (node == nullptr) {
    return false;
  }
  node->entry = entry;
  return true;
}

bool Map::remove(uint32_t hash, const base::IObject* key) {
  if (getBucketCount() == 0) {
    return false;
  }
  MapNode** link = findLink(hash, key);
  if (*link == nullptr) {
    return false;
  }
  base::IObject* entry = (*link)->entry;
  unlink(link);
  dispose(m_entryDisposer, entry);
  return true;
}

base::IObject* Map::find(uint32_t hash, const base::IObject* key) const {
  const MapNode* node = findNode(hash, key);
  return node == nullptr ? nullptr : node->entry;
}

void Map::clear(base::IDestructor* disposer) {
  dropNodes(true, [&](MapNode* node) { dispose(disposer, node->entry); });
}

}  // namespace s::map
