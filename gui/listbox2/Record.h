// One row of a list box, bound to a data object, and the row-store operations it relies on.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>
#include <unordered_set>

namespace s::gui::listbox2 {

class Record;
class SubRecord;

/// The list window of a record store, when the store has one: it takes removals and cell changes
/// itself (and redraws), in place of the store operations below.
class IListWindow {
 public:
  virtual ~IListWindow() = default;
  virtual void removeRecord(Record* record) = 0;
  virtual void setRecordObject(Record* record, int32_t column, int64_t value,
                               base::IDestructor* disposer) = 0;
};

/// The model of a list box: the set of its rows, the rows in display order, and an optional
/// list window. The store does not own its rows; a row leaves its store when it is reset.
class RecordStore {
 public:
  RecordStore() = default;
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  /// Appends `record` at the end of the display order, followed by the rows under it (each behind
  /// its parent and that parent's earlier children). False, with nothing changed, for null, a row
  /// already in a store (a removed one included) or a row under another one, which is shown with
  /// its parent.
  bool addRecord(Record* record);
  uint32_t getCount() const { return m_order.getCount(); }
  Record* getAt(uint32_t index) const { return static_cast<Record*>(m_order.getItems()[index]); }
  IListWindow* getListWindow() const { return m_window; }
  void setListWindow(IListWindow* window) { m_window = window; }

 private:
  friend bool containsRecord(RecordStore*, Record*, int32_t);
  friend bool removeRecord(RecordStore*, Record*, int32_t);
  friend class Record;
  // Puts `record` and the rows under it that are in no store at `at`; answers the position
  // behind the last of them. The caller renumbers.
  uint32_t insertRows(Record* record, uint32_t at);
  void renumberFrom(uint32_t at);

  std::unordered_set<Record*> m_set;
  col::_array::ArrayP m_order;
  IListWindow* m_window = nullptr;
};

/// A row: a process-wide running id, the data object it shows (not owned), its cells (owned) in
/// column order, the store that holds it (none while it is not shown) and optional child rows.
///
/// Pooled (capacity 1000); made by `makeRecord`, given back by the data object's owner with
/// `release`, which takes it out of its store first. One thread at a time.
class Record final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Record, u"s_gui_listbox2_Record")

  Record() = default;
  ~Record() override;
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;
  void reset() override;

  RecordStore* getStore() const { return m_store; }
  int32_t getIndex() const { return m_index; }
  int32_t getId() const { return m_id; }
  void* getDataObject() const { return m_dataObject; }
  int32_t getCellCapacity() const { return m_cellCapacity; }
  int32_t getCellCount() const { return m_cellCount; }
  /// The cell of `column`, null outside the cells in use.
  SubRecord* getCell(int32_t column) const;
  /// Appends `cell` as the next column (the row owns it). A full row refuses it: false, and the
  /// cell goes back to its pool.
  bool addCell(SubRecord* cell);
  bool isRemoved() const { return m_removed; }
  /// Child rows shown under this one (owned), null when it has none.
  col::_array::ArrayP* getChildren() const { return m_children; }
  /// The row this one is shown under, which owns it; null for a top-level row.
  Record* getParent() const { return m_parent; }
  /// Appends `child` as the last row shown under this one; this row owns it from now on and gives
  /// it back with itself. When this row is shown in a store, the child and the rows under it are
  /// shown there too, behind this row's earlier descendants, and the rows after them are
  /// renumbered. False, with nothing changed, for null, a row in a store, a row already under
  /// another one, and this row or a row it is shown under (a row cannot hold itself).
  bool addChild(Record* child);
  /// Takes the row out of its store: its children first, then itself, through the store's list
  /// window when it has one. Nothing for a row without a store or one already removed.
  void leaveStore();

 private:
  friend Record* makeRecord(void*);
  friend class RecordStore;
  friend bool removeRecord(RecordStore*, Record*, int32_t);
  // The position in `store` behind this row and the rows under it that the store shows.
  uint32_t endOfShownRows(const RecordStore* store) const;

  RecordStore* m_store = nullptr;
  int32_t m_index = 0;
  int32_t m_id = 0;
  void* m_dataObject = nullptr;
  int32_t m_cellCapacity = 0;
  int32_t m_cellCount = 0;
  SubRecord** m_cells = nullptr;
  int32_t m_value1 = 0;
  int32_t m_value2 = 0;
  bool m_removed = false;
  int32_t m_marker = -1;
  col::_array::ArrayP* m_children = nullptr;
  Record* m_parent = nullptr;
};

/// A row from the pool for `dataObject` with the next running id (0 first; an atomic counter, so
/// rows made on several threads never share an id) and an empty array for 8 cells.
Record* makeRecord(void* dataObject);

/// Whether `store` holds `record` and the row still has `id` (a row reused from the pool for
/// another object has another id).
bool containsRecord(RecordStore* store, Record* record, int32_t id);
/// Takes the row out of the set and the display order; the rows behind it move up and get their
/// new indices. False unless containsRecord.
bool removeRecord(RecordStore* store, Record* record, int32_t id);
/// Replaces the value of cell `column` (its old value disposed of; its cached text dropped).
/// False unless containsRecord and the cell exists.
bool setRecordObject(RecordStore* store, Record* record, int32_t id, int32_t column, int64_t value,
                     base::IDestructor* disposer);

}  // namespace s::gui::listbox2
