// The registry database: one SQLite file per user that holds the key tree and the values, and
// that several processes use at once. The native key calls (registry.cpp) sit on top of it.
#pragma once

#include <winternl.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace winapi::registry {

using KeyId = int64_t;

/// One key's own record.
struct KeyRecord {
  std::u16string name;      // as created (case kept)
  std::u16string keyClass;  // the class text given at creation, often empty
  int64_t written = 0;      // last write, as a FILETIME count of 100 ns since 1601
};

/// Counts and maxima over a key's sub-keys and values, in bytes as the native records give them.
struct KeyCounts {
  uint32_t subKeys = 0;
  uint32_t maxNameBytes = 0;
  uint32_t maxClassBytes = 0;
  uint32_t values = 0;
  uint32_t maxValueNameBytes = 0;
  uint32_t maxValueDataBytes = 0;
};

struct ValueRecord {
  std::u16string name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

/// The longest key name component and value name, in UTF-16 units, as on Windows.
constexpr size_t kMaxKeyNameUnits = 255;
constexpr size_t kMaxValueNameUnits = 16383;

/// One open database file. Every operation is one SQLite transaction, so it is atomic and survives
/// a crash or kill of the process; another process sees it at once. Writers wait for each other
/// through SQLite's locking (a busy timeout), so two processes never lose a write. Any thread may
/// call; a lock serialises the calls on the one connection. Failures answer an NTSTATUS:
/// STATUS_KEY_DELETED for a key that another handle or process deleted,
/// STATUS_REGISTRY_CORRUPT for a damaged file, STATUS_REGISTRY_IO_FAILED for other database errors.
class Store {
 public:
  /// The store of the file the environment names now: $LUMETRA_REGISTRY, else
  /// $XDG_CONFIG_HOME/lumetra/registry.sqlite3 (~/.config when unset). The same object is answered
  /// while the name stays; a new name opens a new store, and handles keep the store they opened.
  static NTSTATUS current(std::shared_ptr<Store>& out);

  explicit Store(std::string path);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  /// The key "\Registry", the top of every absolute name.
  KeyId top() const { return m_top; }

  /// Resolves a relative path ("A\B", a trailing "\" allowed) from a key.
  NTSTATUS openPath(KeyId from, std::u16string_view path, KeyId& out);
  /// Opens or creates the last key of the path; the keys before it must exist.
  NTSTATUS createPath(KeyId from, std::u16string_view path, std::u16string_view keyClass, KeyId& out, bool& created);
  /// Deletes a key that has no sub-keys, with its values. The hive roots cannot be deleted.
  NTSTATUS deleteKey(KeyId key);
  /// Renames a key within its parent; a sibling of that name (ignoring case) is a collision.
  NTSTATUS renameKey(KeyId key, std::u16string_view newName);

  NTSTATUS keyRecord(KeyId key, KeyRecord& out, KeyCounts* counts);
  /// The sub-key at an index of the order sorted by upper-cased name; STATUS_NO_MORE_ENTRIES past
  /// the end.
  NTSTATUS subKeyAt(KeyId key, uint32_t index, KeyRecord& out);
  /// The full path of a key, "\REGISTRY\...".
  NTSTATUS keyPath(KeyId key, std::u16string& out);

  NTSTATUS value(KeyId key, std::u16string_view name, ValueRecord& out);
  /// The value at an index of the order of creation; STATUS_NO_MORE_ENTRIES past the end.
  NTSTATUS valueAt(KeyId key, uint32_t index, ValueRecord& out);
  /// Writes a value; an existing one keeps its place in the order and its name's case.
  NTSTATUS setValue(KeyId key, std::u16string_view name, uint32_t type, const void* data, uint32_t size);
  NTSTATUS deleteValue(KeyId key, std::u16string_view name);

  /// Makes every committed change durable on disk.
  NTSTATUS flush();

  const std::string& path() const { return m_path; }

 private:
  class Statement;
  class Transaction;

  // Runs the body in one transaction under the lock; a writer's succeeding body commits.
  template <typename Body>
  NTSTATUS transact(bool write, Body&& body);

  NTSTATUS open();
  NTSTATUS createSchema();
  NTSTATUS ensureKey(KeyId parent, std::u16string_view name, bool fixed, KeyId& out);
  NTSTATUS prepare(sqlite3_stmt*& statement, const char* sql);
  NTSTATUS lookupChild(KeyId parent, std::u16string_view name, KeyId& out);
  NTSTATUS requireKey(KeyId key);
  NTSTATUS readKey(KeyId key, KeyRecord& out, KeyId* parent, bool* fixed);
  NTSTATUS walk(KeyId from, std::u16string_view path, bool allButLast, KeyId& out, std::u16string_view& last);
  NTSTATUS touch(KeyId key);
  template <typename Argument>
  NTSTATUS readOneValue(KeyId key, sqlite3_stmt* query, const Argument& argument, NTSTATUS none, ValueRecord& out);
  NTSTATUS status(int rc) const;

  std::string m_path;
  sqlite3* m_db = nullptr;
  KeyId m_top = 0;
  std::mutex m_lock;

  sqlite3_stmt* m_lookupChild = nullptr;
  sqlite3_stmt* m_readKey = nullptr;
  sqlite3_stmt* m_insertKey = nullptr;
  sqlite3_stmt* m_touchKey = nullptr;
  sqlite3_stmt* m_countChildren = nullptr;
  sqlite3_stmt* m_deleteKey = nullptr;
  sqlite3_stmt* m_renameKey = nullptr;
  sqlite3_stmt* m_subKeyAt = nullptr;
  sqlite3_stmt* m_subKeyCounts = nullptr;
  sqlite3_stmt* m_valueCounts = nullptr;
  sqlite3_stmt* m_valueByName = nullptr;
  sqlite3_stmt* m_valueAt = nullptr;
  sqlite3_stmt* m_upsertValue = nullptr;
  sqlite3_stmt* m_deleteValue = nullptr;
  sqlite3_stmt* m_begin = nullptr;
  sqlite3_stmt* m_beginWrite = nullptr;
  sqlite3_stmt* m_commit = nullptr;
  sqlite3_stmt* m_rollback = nullptr;
};

/// The name folded for comparison: each UTF-16 unit upper-cased by its simple Unicode mapping,
/// as the registry compares names.
std::u16string foldName(std::u16string_view name);

}  // namespace winapi::registry
