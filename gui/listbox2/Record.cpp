// List rows, the running id and the row-store operations.
#include "gui/listbox2/Record.h"

#include "gui/listbox2/SubRecord.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace s::gui::listbox2 {

namespace {

constexpr int32_t kCellsPerRow = 8;
// Atomic: rows of different data objects may be made on different threads, and two rows with
// one id would be confused by containsRecord.
std::atomic<int32_t> s_nextId{0};

}  // namespace

Record::~Record() { reset(); }

void Record::reset() {
  leaveStore();
  // A child given back on its own leaves its parent, so the parent never releases it twice.
  if (m_parent != nullptr) {
    if (m_parent->m_children != nullptr) m_parent->m_children->removeItem(this);
    m_parent = nullptr;
  }
  if (m_children != nullptr) {
    for (uint32_t i = 0; i < m_children->getCount(); ++i) {
      auto* child = static_cast<Record*>(m_children->getItems()[i]);
      child->m_parent = nullptr;
      child->release();
    }
    m_children->setCount(0);
    m_children->release();
    m_children = nullptr;
  }
  for (int32_t i = 0; i < m_cellCount; ++i) m_cells[i]->release();
  std::free(m_cells);
  m_cells = nullptr;
  m_store = nullptr;
  m_index = 0;
  m_id = 0;
  m_dataObject = nullptr;
  m_cellCapacity = 0;
  m_cellCount = 0;
  m_value1 = 0;
  m_value2 = 0;
  m_removed = false;
  m_marker = -1;
}

SubRecord* Record::getCell(int32_t column) const {
  return column >= 0 && column < m_cellCount ? m_cells[column] : nullptr;
}

bool Record::addCell(SubRecord* cell) {
  if (cell == nullptr) return false;
  if (m_cellCount >= m_cellCapacity) {
    cell->release();
    return false;
  }
  cell->m_record = this;
  cell->m_column = m_cellCount;
  if (cell->m_cachedObject != nullptr) {
    delete cell->m_cachedObject;
    cell->m_cachedObject = nullptr;
  }
  cell->m_small1 = cell->m_small4 = 0;
  cell->m_small2 = cell->m_small3 = 0;
  m_cells[m_cellCount++] = cell;
  return true;
}

bool Record::addChild(Record* child) {
  if (child == nullptr || child->m_parent != nullptr || child->m_store != nullptr) return false;
  for (const Record* up = this; up != nullptr; up = up->m_parent) {
    if (up == child) return false;
  }
  if (m_children == nullptr) {
    m_children = col::_array::ArrayP::take();
    if (m_children == nullptr) return false;
  }
  const uint32_t at = m_store != nullptr && !m_removed ? endOfShownRows(m_store) : 0;
  m_children->push(child);
  child->m_parent = this;
  if (m_store != nullptr && !m_removed) {
    m_store->insertRows(child, at);
    m_store->renumberFrom(at);
  }
  return true;
}

uint32_t Record::endOfShownRows(const RecordStore* store) const {
  uint32_t end = m_store == store && !m_removed ? static_cast<uint32_t>(m_index) + 1 : 0;
  if (m_children != nullptr) {
    for (uint32_t i = 0; i < m_children->getCount(); ++i) {
      end = std::max(end, static_cast<Record*>(m_children->getItems()[i])->endOfShownRows(store));
    }
  }
  return end;
}

void Record::leaveStore() {
  if (m_store == nullptr || m_removed) return;
  if (m_children != nullptr) {
    for (uint32_t i = 0; i < m_children->getCount(); ++i) {
      static_cast<Record*>(m_children->getItems()[i])->leaveStore();
    }
  }
  if (m_store->getListWindow() != nullptr) {
    m_store->getListWindow()->removeRecord(this);
    m_removed = true;
  } else {
    removeRecord(m_store, this, m_id);
  }
}

bool RecordStore::addRecord(Record* record) {
  if (record == nullptr || record->m_store != nullptr || record->m_parent != nullptr) return false;
  const uint32_t at = m_order.getCount();
  insertRows(record, at);
  renumberFrom(at);
  return true;
}

uint32_t RecordStore::insertRows(Record* record, uint32_t at) {
  if (record->m_store != nullptr) return at;
  record->m_store = this;
  record->m_removed = false;
  m_order.insertAt(at++, record);
  m_set.insert(record);
  if (record->m_children != nullptr) {
    for (uint32_t i = 0; i < record->m_children->getCount(); ++i) {
      at = insertRows(static_cast<Record*>(record->m_children->getItems()[i]), at);
    }
  }
  return at;
}

void RecordStore::renumberFrom(uint32_t at) {
  for (uint32_t i = at; i < m_order.getCount(); ++i) {
    static_cast<Record*>(m_order.getItems()[i])->m_index = static_cast<int32_t>(i);
  }
}

Record* makeRecord(void* dataObject) {
  Record* record = Record::take();
  if (record == nullptr) return nullptr;
  record->m_id = s_nextId.fetch_add(1, std::memory_order_relaxed);
  record->m_dataObject = dataObject;
  for (int32_t i = 0; i < record->m_cellCount; ++i) record->m_cells[i]->release();
  std::free(record->m_cells);
  record->m_cells = static_cast<SubRecord**>(std::calloc(kCellsPerRow, sizeof(SubRecord*)));
  record->m_cellCapacity = record->m_cells != nullptr ? kCellsPerRow : 0;
  record->m_cellCount = 0;
  record->m_marker = -1;
  return record;
}

bool containsRecord(RecordStore* store, Record* record, int32_t id) {
  return store != nullptr && record != nullptr && !store->m_set.empty() &&
         store->m_set.count(record) != 0 && record->getId() == id;
}

bool removeRecord(RecordStore* store, Record* record, int32_t id) {
  if (!containsRecord(store, record, id)) return false;
  store->m_set.erase(record);
  const uint32_t at = static_cast<uint32_t>(record->m_index);
  store->m_order.deleteAt(at);
  store->renumberFrom(at);
  record->m_removed = true;
  return true;
}

bool setRecordObject(RecordStore* store, Record* record, int32_t id, int32_t column, int64_t value,
                     base::IDestructor* disposer) {
  if (!containsRecord(store, record, id)) return false;
  SubRecord* cell = record->getCell(column);
  if (cell == nullptr) return false;
  cell->setValue(value, disposer);
  return true;
}

}  // namespace s::gui::listbox2
