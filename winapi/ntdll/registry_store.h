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
/// through SQLite's locking, so two processes never lose a write. Any thread may call; a lock
/// serialises the calls on the one connection. Failures answer an NTSTATUS: STATUS_KEY_DELETED
/// for a key that another handle or process deleted, STATUS_REGISTRY_CORRUPT for a damaged file,
/// STATUS_REGISTRY_IO_FAILED for other database errors.
///
/// A busy file never holds the program up for long: the calls wait at most 2 s in all while it
/// stays busy (a read that still cannot go on fails, and its caller takes its default). A write
/// that cannot go on is made in a private copy of the database in memory, which every call then
/// uses, and each of those writes is made again in the file as soon as it is free (tried again
/// with the calls that follow, at the latest when the process ends; what still cannot be written
/// then is reported on standard error). Opening an existing file writes nothing.
class Store : public std::enable_shared_from_this<Store> {
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

  /// Makes every committed change durable on disk; fails while changes wait for a busy file.
  NTSTATUS flush();

  const std::string& path() const { return m_path; }

  /// Makes the changes that wait for a busy file, waiting for it as long as the calls may; false
  /// (after a line on standard error) when they still cannot be written. The process's end
  /// calls it for every store.
  bool finishWaitingChanges();

 private:
  class Statement;
  class Transaction;
  struct Connection;
  struct Change;

  // Runs the body in one transaction under the lock; a writer's succeeding body commits. A
  // writer that finds the file busy past the wait moves the store to its copy in memory.
  template <typename Body>
  NTSTATUS transact(bool write, Body&& body);
  template <typename Body>
  NTSTATUS attempt(bool write, Body& body, bool* busy);

  NTSTATUS open();
  NTSTATUS createSchema();
  NTSTATUS ensureRoots(bool create);
  NTSTATUS ensureKey(KeyId parent, std::u16string_view name, bool fixed, bool create, KeyId& out);
  /// The transaction statements, or with `tables` those on the keys and values.
  NTSTATUS prepareStatements(Connection& connection, bool tables);
  NTSTATUS lookupChild(KeyId parent, std::u16string_view name, KeyId& out);
  NTSTATUS requireKey(KeyId key);
  NTSTATUS readKey(KeyId key, KeyRecord& out, KeyId* parent, bool* fixed);
  NTSTATUS walk(KeyId from, std::u16string_view path, bool allButLast, KeyId& out, std::u16string_view& last);
  NTSTATUS touch(KeyId key);
  NTSTATUS pathOf(KeyId key, std::u16string& out);
  template <typename Argument>
  NTSTATUS readOneValue(KeyId key, sqlite3_stmt* Connection::*query, const Argument& argument, NTSTATUS none,
                        ValueRecord& out);
  NTSTATUS status(int rc) const;

  // The writes themselves, inside a transaction.
  NTSTATUS insertKey(KeyId parent, std::u16string_view name, std::u16string_view keyClass, KeyId& out);
  NTSTATUS removeKey(KeyId key);
  NTSTATUS changeKeyName(KeyId key, std::u16string_view newName);
  NTSTATUS writeValue(KeyId key, std::u16string_view name, uint32_t type, const void* data, uint32_t size);
  NTSTATUS removeValue(KeyId key, std::u16string_view name);

  // The copy in memory while the file is busy.
  /// The id a key has now: keys made in the copy have other ids in the file once it is written.
  KeyId current(KeyId key) const;
  /// Notes a change made in the copy, to be made again in the file.
  void note(Change change);
  NTSTATUS divert();
  /// Writes the copy's changes into the file and goes back to it; false while the file is busy.
  /// Without `patient` it does not wait (a lock that is taken costs a few system calls).
  bool tryToReturn(bool patient);
  void replay(const Change& change);
  NTSTATUS walkCreating(std::u16string_view fullPath, std::u16string_view keyClass, bool create, KeyId& out);
  static int onBusy(void* store, int count);

  std::string m_path;
  KeyId m_top = 0;
  std::mutex m_lock;
  std::unique_ptr<Connection> m_file;
  std::unique_ptr<Connection> m_copy;
  Connection* m_on = nullptr;  // the file's connection, or the copy's while the file is busy
  std::vector<Change> m_changes;
  std::vector<std::pair<KeyId, KeyId>> m_moved;  // (id in the copy, id in the file)
  KeyId m_firstCopyId = 0;                       // the first id the copy gives, and the least the next copy may
  bool m_noWait = false;
};

/// The name folded for comparison: each UTF-16 unit upper-cased by its simple Unicode mapping,
/// as the registry compares names.
std::u16string foldName(std::u16string_view name);

}  // namespace winapi::registry
