// The hash table of key and value objects.
#include "core/map/MapTable.h"

namespace s::map {

MapTable::MapTable(base::IDestructor* keyResetDisposer, base::IDestructor* keyDestroyDisposer,
                   base::IDestructor* valueResetDisposer, base::IDestructor* valueDestroyDisposer)
    : m_keyResetDisposer(keyResetDisposer),
      m_keyDestroyDisposer(keyDestroyDisposer),
      m_valueResetDisposer(valueResetDisposer),
      m_valueDestroyDisposer(valueDestroyDisposer) {}

MapTable::~MapTable() { freeAll(m_keyDestroyDisposer, m_valueDestroyDisposer); }

void MapTable::reset() {
  clearAndDispose(m_keyResetDisposer, m_valueResetDisposer);
  forgetBuckets();
  m_keyResetDisposer = m_keyDestroyDisposer = m_valueResetDisposer = m_valueDestroyDisposer =
      nullptr;
}

bool MapTable::put(uint32_t hash, base::IObject* key, base::IObject* value) {
  MapTableNode** link = linkForInsert(hash, key);
  if (link == nullptr) {
    return false;
  }
  MapTableNode* node = insertAt(link, hash);
  if (node == nullptr) {
    return false;
  }
  node->keyObject = key;
  node->value = value;
  return true;
}

base::IObject* MapTable::get(uint32_t hash, const base::IObject* key) const {
  const MapTableNode* node = findNode(hash, key);
  return node == nullptr ? nullptr : node->value;
}

void MapTable::clearAndDispose(base::IDestructor* keyDisposer, base::IDestructor* valueDisposer) {
  dropNodes(true, [&](MapTableNode* node) {
    dispose(keyDisposer, node->keyObject);
    dispose(valueDisposer, node->value);
  });
}

void MapTable::freeAll(base::IDestructor* keyDisposer, base::IDestructor* valueDisposer) {
  dropNodes(false, [&](MapTableNode* node) {
    dispose(keyDisposer, node->keyObject);
    dispose(valueDisposer, node->value);
  });
}

}  // namespace s::map
