// The registry database over SQLite: schema, the fixed roots, and the key and value operations.
// Status: keys (create, open, delete, rename, enumerate), values (set, query, enumerate, delete),
// flush. Left out on purpose: volatile keys, symbolic links, security descriptors and hive files.
#include "winapi/ntdll/registry_store.h"

#include "winapi/base/ascii.h"
#include "winapi/base/debug.h"
#include "winapi/base/filetime.h"
#include "winapi/ntdll/sid.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwctype>

namespace winapi::registry {

namespace {

// Marks the file as ours ("LMRG"); a database of another program is refused, not rewritten.
constexpr int kApplicationId = 0x4C4D5247;
constexpr int kSchemaVersion = 1;
// While the file stays busy, the calls wait this long in all, then go on without it: a start-up
// must not stand still behind another program's long transaction.
constexpr int kBusyBudgetMs = 2000;
constexpr int kBusyStepMs = 5;
// Keys made in the copy take ids this far above the file's, so that no id ever names two keys.
constexpr int64_t kCopyIdOffset = int64_t{1} << 40;

const char kSchema[] =
    "CREATE TABLE keys ("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"  // ids are never reused, so a stale handle finds nothing
    "  parent INTEGER REFERENCES keys(id),"
    "  name BLOB NOT NULL,"    // UTF-16LE as created
    "  folded BLOB NOT NULL,"  // upper-cased UTF-16BE: byte order is the sort order
    "  class BLOB NOT NULL,"
    "  written INTEGER NOT NULL,"
    "  fixed INTEGER NOT NULL DEFAULT 0);"  // hive roots: neither deleted nor renamed
    "CREATE UNIQUE INDEX keys_by_name ON keys(parent, folded);"
    "CREATE TABLE vals ("
    "  key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    "  name BLOB NOT NULL,"
    "  folded BLOB NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  UNIQUE(key, folded));"
    // A key's values in creation order (an index on the key alone is ordered by rowid within it).
    "CREATE INDEX vals_in_order ON vals(key);";

// SQLite binds a null pointer as SQL NULL; an empty name or value must stay an empty blob.
const uint8_t kEmpty[1] = {0};

char16_t upcaseUnit(char16_t c) {
  if (c < 0x80) return winapi::ascii::toUpper(c);
  if (c >= 0xD800 && c <= 0xDFFF) return c;  // surrogates compare as they are
  // The C.UTF-8 locale carries the full Unicode simple case mapping, whatever the user's locale.
  static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (utf8 == static_cast<locale_t>(0)) return c;
  wint_t upper = towupper_l(static_cast<wint_t>(c), utf8);
  return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

std::string foldedBytes(std::u16string_view name) {
  std::string bytes;
  bytes.reserve(name.size() * 2);
  for (char16_t c : name) {
    char16_t u = upcaseUnit(c);
    bytes.push_back(static_cast<char>(u >> 8));
    bytes.push_back(static_cast<char>(u & 0xFF));
  }
  return bytes;
}

int64_t nowAsFileTime() {
  using namespace std::chrono;
  int64_t ticks = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100;
  return ticks + winapi::filetime::kUnixEpoch;
}

bool validComponent(std::u16string_view name) {
  return !name.empty() && name.size() <= kMaxKeyNameUnits && name.find(u'\\') == std::u16string_view::npos;
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  passwd* entry = getpwuid(getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

std::string databasePath() {
  const char* named = std::getenv("LUMETRA_REGISTRY");
  if (named != nullptr && named[0] != 0) return named;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config != nullptr && config[0] == '/') {
    folder = config;
  } else {
    std::string home = homeFolder();
    if (home.empty()) return "";
    folder = home + "/.config";
  }
  return folder + "/lumetra/registry.sqlite3";
}

// Creates the folders above a file, private to the user where we create them.
void createParentFolders(const std::string& file) {
  for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
    std::string folder = file.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return;
  }
}

}  // namespace

std::u16string foldName(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = upcaseUnit(c);
  return folded;
}

// A connection with its prepared statements: the file's, or the copy's in memory.
struct Store::Connection {
  sqlite3* db = nullptr;
  sqlite3_stmt* lookupChild = nullptr;
  sqlite3_stmt* readKey = nullptr;
  sqlite3_stmt* insertKey = nullptr;
  sqlite3_stmt* touchKey = nullptr;
  sqlite3_stmt* countChildren = nullptr;
  sqlite3_stmt* deleteKey = nullptr;
  sqlite3_stmt* renameKey = nullptr;
  sqlite3_stmt* subKeyAt = nullptr;
  sqlite3_stmt* subKeyCounts = nullptr;
  sqlite3_stmt* valueCounts = nullptr;
  sqlite3_stmt* valueByName = nullptr;
  sqlite3_stmt* valueAt = nullptr;
  sqlite3_stmt* upsertValue = nullptr;
  sqlite3_stmt* deleteValue = nullptr;
  sqlite3_stmt* begin = nullptr;
  sqlite3_stmt* beginWrite = nullptr;
  sqlite3_stmt* commit = nullptr;
  sqlite3_stmt* rollback = nullptr;

  ~Connection() {
    for (sqlite3_stmt* s :
         {lookupChild, readKey, insertKey, touchKey, countChildren, deleteKey, renameKey, subKeyAt, subKeyCounts,
          valueCounts, valueByName, valueAt, upsertValue, deleteValue, begin, beginWrite, commit, rollback}) {
      sqlite3_finalize(s);
    }
    sqlite3_close_v2(db);
  }
};

// A write made in the copy, named by the key's full path, so that it can be made again in the
// file whatever ids the keys have there.
struct Store::Change {
  enum class Kind { kCreateKey, kDeleteKey, kRenameKey, kSetValue, kDeleteValue };
  Kind kind;
  std::u16string keyPath;  // "\REGISTRY\..."; for kCreateKey the new key's
  std::u16string text;     // the class, the new name or the value's name
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

namespace {

// How long the calls have waited for the file since it last answered, in all the process's stores.
std::atomic<int> s_waitedMs{0};

// The stores that ever worked on a copy, for the process's end.
std::mutex& divertedLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}
std::vector<std::weak_ptr<Store>>& divertedStores() {
  static auto* stores = new std::vector<std::weak_ptr<Store>>;
  return *stores;
}

void finishAtExit() {
  std::vector<std::shared_ptr<Store>> stores;
  {
    std::lock_guard<std::mutex> guard(divertedLock());
    for (const std::weak_ptr<Store>& weak : divertedStores()) {
      if (std::shared_ptr<Store> store = weak.lock()) stores.push_back(store);
    }
  }
  for (const std::shared_ptr<Store>& store : stores) store->finishWaitingChanges();
}

}  // namespace

// A prepared statement in use: bound on the way in, reset on the way out, so the cached
// statement is ready for the next call whatever path the caller leaves by.
class Store::Statement {
 public:
  explicit Statement(sqlite3_stmt* statement) : m_statement(statement) {}
  ~Statement() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int index, int64_t value) {
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
  }
  Statement& bind(int index, std::string_view bytes) {
    sqlite3_bind_blob(m_statement, index, bytes.empty() ? kEmpty : static_cast<const void*>(bytes.data()),
                      static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& bind(int index, std::u16string_view text) {
    return bind(index, std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * 2));
  }
  Statement& bindData(int index, const void* data, uint32_t size) {
    sqlite3_bind_blob64(m_statement, index, size == 0 ? kEmpty : data, size, SQLITE_STATIC);
    return *this;
  }
  int step() { return sqlite3_step(m_statement); }

  // A row of (name, type, data).
  void value(ValueRecord& out) {
    out.name = text(0);
    out.type = static_cast<uint32_t>(integer(1));
    out.data = bytes(2);
  }

  int64_t integer(int column) { return sqlite3_column_int64(m_statement, column); }
  std::u16string text(int column) {
    const void* bytes = sqlite3_column_blob(m_statement, column);
    int size = sqlite3_column_bytes(m_statement, column);
    std::u16string text(static_cast<size_t>(size) / 2, u'\0');
    if (bytes != nullptr && !text.empty()) std::memcpy(text.data(), bytes, text.size() * 2);
    return text;
  }
  std::vector<uint8_t> bytes(int column) {
    const uint8_t* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(m_statement, column));
    int size = sqlite3_column_bytes(m_statement, column);
    return bytes == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(bytes, bytes + size);
  }

 private:
  sqlite3_stmt* m_statement;
};

// One transaction on the connection in use: BEGIN (IMMEDIATE for writers, so two writers queue
// at the start instead of failing at the first write), COMMIT by commit(), ROLLBACK when left
// without it.
class Store::Transaction {
 public:
  Transaction(Store& store, bool write) : m_store(store), m_connection(*store.m_on) {
    Statement begin(write ? m_connection.beginWrite : m_connection.begin);
    m_rc = begin.step();
    m_open = m_rc == SQLITE_DONE;
  }
  ~Transaction() {
    if (m_open) Statement(m_connection.rollback).step();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  NTSTATUS started() const { return m_open ? STATUS_SUCCESS : m_store.status(m_rc); }
  /// Whether it could not start because another connection held the database.
  bool busy() const { return (m_rc & 0xFF) == SQLITE_BUSY || (m_rc & 0xFF) == SQLITE_LOCKED; }
  NTSTATUS commit() {
    int rc = Statement(m_connection.commit).step();
    if (rc != SQLITE_DONE) return m_store.status(rc);
    m_open = false;
    return STATUS_SUCCESS;
  }

 private:
  Store& m_store;
  Connection& m_connection;
  int m_rc = SQLITE_OK;
  bool m_open = false;
};

template <typename Body>
NTSTATUS Store::attempt(bool write, Body& body, bool* busy) {
  Transaction tx(*this, write);
  NTSTATUS s = tx.started();
  *busy = tx.busy();
  if (!NT_SUCCESS(s)) return s;
  if (m_on == m_file.get()) s_waitedMs = 0;  // the file answers again: the next wait may be whole
  s = body();
  if (write && s == STATUS_SUCCESS) s = tx.commit();
  return s;  // anything else rolls back
}

template <typename Body>
NTSTATUS Store::transact(bool write, Body&& body) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_copy != nullptr) tryToReturn(false);
  bool busy = false;
  NTSTATUS s = attempt(write, body, &busy);
  // The file stays busy past the wait the program can afford: the write goes to the copy and
  // reaches the file later.
  if (busy && write && m_copy == nullptr && NT_SUCCESS(divert())) s = attempt(write, body, &busy);
  return s;
}

NTSTATUS Store::current(std::shared_ptr<Store>& out) {
  static std::mutex lock;
  static std::shared_ptr<Store> cached;
  std::string path = databasePath();
  if (path.empty()) return STATUS_REGISTRY_IO_FAILED;
  std::lock_guard<std::mutex> guard(lock);
  if (cached == nullptr || cached->m_path != path) {
    auto store = std::make_shared<Store>(path);
    NTSTATUS status = store->open();
    if (!NT_SUCCESS(status)) {
      WARN(Ntdll, "the registry database %s does not open: status 0x%08lx", path.c_str(),
           static_cast<unsigned long>(status));
      return status;  // not kept: the next call tries again
    }
    TRACE(Ntdll, "the registry database is %s", path.c_str());
    cached = store;
  }
  out = cached;
  return STATUS_SUCCESS;
}

Store::Store(std::string path) : m_path(std::move(path)) {}

Store::~Store() = default;

NTSTATUS Store::status(int rc) const {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW: return STATUS_SUCCESS;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return STATUS_REGISTRY_CORRUPT;
    case SQLITE_NOMEM:
    case SQLITE_TOOBIG: return STATUS_NO_MEMORY;
    case SQLITE_FULL: return STATUS_DISK_FULL;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return STATUS_ACCESS_DENIED;
    default: return STATUS_REGISTRY_IO_FAILED;
  }
}

int Store::onBusy(void* context, int) {
  auto* store = static_cast<Store*>(context);
  if (store->m_noWait || s_waitedMs.load() >= kBusyBudgetMs) return 0;
  struct timespec step {
    0, kBusyStepMs * 1000000L
  };
  nanosleep(&step, nullptr);
  s_waitedMs += kBusyStepMs;
  return 1;
}

NTSTATUS Store::prepareStatements(Connection& c, bool tables) {
  struct Entry {
    sqlite3_stmt** slot;
    const char* sql;
  };
  const Entry plain[] = {
      {&c.begin, "BEGIN"},
      {&c.beginWrite, "BEGIN IMMEDIATE"},
      {&c.commit, "COMMIT"},
      {&c.rollback, "ROLLBACK"},
  };
  const Entry onTables[] = {
      {&c.lookupChild, "SELECT id FROM keys WHERE parent=?1 AND folded=?2"},
      {&c.readKey, "SELECT name, class, written, fixed, parent FROM keys WHERE id=?1"},
      {&c.insertKey, "INSERT INTO keys(parent, name, folded, class, written, fixed) VALUES(?1, ?2, ?3, ?4, ?5, ?6)"},
      {&c.touchKey, "UPDATE keys SET written=?2 WHERE id=?1"},
      {&c.countChildren, "SELECT count(*) FROM keys WHERE parent=?1"},
      {&c.deleteKey, "DELETE FROM keys WHERE id=?1"},
      {&c.renameKey, "UPDATE keys SET name=?2, folded=?3, written=?4 WHERE id=?1"},
      {&c.subKeyAt, "SELECT name, class, written FROM keys WHERE parent=?1 ORDER BY folded LIMIT 1 OFFSET ?2"},
      {&c.subKeyCounts,
       "SELECT count(*), ifnull(max(length(name)), 0), ifnull(max(length(class)), 0) FROM keys "
       "WHERE parent=?1"},
      {&c.valueCounts,
       "SELECT count(*), ifnull(max(length(name)), 0), ifnull(max(length(data)), 0) FROM vals "
       "WHERE key=?1"},
      {&c.valueByName, "SELECT name, type, data FROM vals WHERE key=?1 AND folded=?2"},
      {&c.valueAt, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY rowid LIMIT 1 OFFSET ?2"},
      {&c.upsertValue,
       "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
       "ON CONFLICT(key, folded) DO UPDATE SET type=excluded.type, data=excluded.data"},
      {&c.deleteValue, "DELETE FROM vals WHERE key=?1 AND folded=?2"},
  };
  auto prepare = [&](const Entry& e) {
    return sqlite3_prepare_v3(c.db, e.sql, -1, SQLITE_PREPARE_PERSISTENT, e.slot, nullptr);
  };
  if (!tables) {
    for (const Entry& e : plain) {
      if (int rc = prepare(e); rc != SQLITE_OK) return status(rc);
    }
    return STATUS_SUCCESS;
  }
  for (const Entry& e : onTables) {
    if (int rc = prepare(e); rc != SQLITE_OK) return status(rc);
  }
  return STATUS_SUCCESS;
}

namespace {

// One integer a statement answers (a pragma, a count); the SQLite code of the failure otherwise.
int readInteger(sqlite3* db, const char* sql, int& out) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
  if (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
    out = sqlite3_column_int(statement, 0);
    rc = SQLITE_OK;
  }
  sqlite3_finalize(statement);
  return rc;
}

}  // namespace

NTSTATUS Store::open() {
  createParentFolders(m_path);
  // Created private to the user before SQLite sees it; its journal files take the same mode.
  int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return errno == EACCES || errno == EROFS ? STATUS_ACCESS_DENIED : STATUS_REGISTRY_IO_FAILED;
  ::close(fd);

  m_file = std::make_unique<Connection>();
  m_on = m_file.get();
  int rc = sqlite3_open_v2(m_path.c_str(), &m_file->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) return status(rc);
  sqlite3_busy_handler(m_file->db, &Store::onBusy, this);
  // WAL: readers never block the writer, and a commit is atomic whenever the process dies.
  // NORMAL synchronisation keeps committed transactions across a crash of the program; a flush
  // makes them durable across a crash of the system.
  rc = sqlite3_exec(m_file->db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;", nullptr,
                    nullptr, nullptr);
  if (rc != SQLITE_OK) return status(rc);
  NTSTATUS s = prepareStatements(*m_file, false);
  if (!NT_SUCCESS(s)) return s;
  // An existing file of ours is only read here, so another program's long write transaction
  // does not hold up a start; a new one gets its schema and roots.
  int applicationId = 0, version = 0;
  rc = readInteger(m_file->db, "PRAGMA application_id", applicationId);
  if (rc != SQLITE_OK) return status(rc);
  if (applicationId != kApplicationId) {
    if (!NT_SUCCESS(s = createSchema())) return s;
  } else if ((rc = readInteger(m_file->db, "PRAGMA user_version", version)) != SQLITE_OK) {
    return status(rc);
  } else if (version != kSchemaVersion) {
    return STATUS_NOT_SUPPORTED;  // a newer program's layout is not ours to read or write
  }
  if (!NT_SUCCESS(s = prepareStatements(*m_file, true))) return s;
  {
    Transaction tx(*this, false);
    if (!NT_SUCCESS(s = tx.started())) return s;
    s = ensureRoots(false);
  }
  if (s != STATUS_OBJECT_NAME_NOT_FOUND) return s;
  Transaction tx(*this, true);
  if (!NT_SUCCESS(s = tx.started()) || !NT_SUCCESS(s = ensureRoots(true))) return s;
  return tx.commit();
}

NTSTATUS Store::createSchema() {
  Transaction tx(*this, true);
  NTSTATUS s = tx.started();
  if (!NT_SUCCESS(s)) return s;
  int applicationId = 0, version = 0, tables = 0;
  int rc = readInteger(m_file->db, "PRAGMA application_id", applicationId);
  if (rc == SQLITE_OK) rc = readInteger(m_file->db, "PRAGMA user_version", version);
  if (rc == SQLITE_OK) rc = readInteger(m_file->db, "SELECT count(*) FROM sqlite_master", tables);
  if (rc != SQLITE_OK) return status(rc);

  if (applicationId == kApplicationId) {
    // Another process made it meanwhile. A newer program's layout is not ours to read or write.
    return version == kSchemaVersion ? STATUS_SUCCESS : STATUS_NOT_SUPPORTED;
  }
  if (applicationId != 0 || tables != 0) return STATUS_REGISTRY_CORRUPT;  // another program's file
  rc = sqlite3_exec(m_file->db, kSchema, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    std::string pragmas = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                          "; PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
    rc = sqlite3_exec(m_file->db, pragmas.c_str(), nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) return status(rc);
  return tx.commit();
}

// Finds, or with `create` makes, one of the fixed keys (inside a transaction); parent 0 stands
// for none. STATUS_OBJECT_NAME_NOT_FOUND for a missing one without `create`.
NTSTATUS Store::ensureKey(KeyId parent, std::u16string_view name, bool fixed, bool create, KeyId& out) {
  if (parent == 0) {
    // "parent = NULL" matches nothing in SQL, so the top key is looked for apart.
    sqlite3_stmt* top = nullptr;
    int rc = sqlite3_prepare_v2(m_on->db, "SELECT id FROM keys WHERE parent IS NULL", -1, &top, nullptr);
    if (rc == SQLITE_OK && (rc = sqlite3_step(top)) == SQLITE_ROW) out = sqlite3_column_int64(top, 0);
    sqlite3_finalize(top);
    if (rc == SQLITE_ROW) return STATUS_SUCCESS;
    if (rc != SQLITE_DONE) return status(rc);
  } else {
    NTSTATUS s = lookupChild(parent, name, out);
    if (s != STATUS_OBJECT_NAME_NOT_FOUND) return s;
  }
  if (!create) return STATUS_OBJECT_NAME_NOT_FOUND;
  Statement insert(m_on->insertKey);
  if (parent != 0) insert.bind(1, parent);
  insert.bind(2, name).bind(3, foldedBytes(name)).bind(4, std::string_view()).bind(5, nowAsFileTime());
  insert.bind(6, fixed ? 1 : 0);
  int rc = insert.step();
  if (rc != SQLITE_DONE) return status(rc);
  out = sqlite3_last_insert_rowid(m_on->db);
  return STATUS_SUCCESS;
}

// The roots of the five predefined keys exist in every database; the hive roots are fixed.
NTSTATUS Store::ensureRoots(bool create) {
  NTSTATUS s = STATUS_SUCCESS;
  KeyId machine = 0, user = 0, sid = 0, key = 0;
  if (!NT_SUCCESS(s = ensureKey(0, u"REGISTRY", true, create, m_top)) ||
      !NT_SUCCESS(s = ensureKey(m_top, u"MACHINE", true, create, machine)) ||
      !NT_SUCCESS(s = ensureKey(m_top, u"USER", true, create, user)) ||
      !NT_SUCCESS(s = ensureKey(user, winapi::currentUserSidText(), true, create, sid)) ||
      !NT_SUCCESS(s = ensureKey(machine, u"SOFTWARE", false, create, key)) ||
      !NT_SUCCESS(s = ensureKey(key, u"Classes", false, create, key)) ||
      !NT_SUCCESS(s = ensureKey(machine, u"SYSTEM", false, create, key)) ||
      !NT_SUCCESS(s = ensureKey(key, u"CurrentControlSet", false, create, key)) ||
      !NT_SUCCESS(s = ensureKey(key, u"Hardware Profiles", false, create, key)) ||
      !NT_SUCCESS(s = ensureKey(key, u"Current", false, create, key))) {
    return s;
  }
  return STATUS_SUCCESS;
}

NTSTATUS Store::lookupChild(KeyId parent, std::u16string_view name, KeyId& out) {
  Statement find(m_on->lookupChild);
  find.bind(1, parent).bind(2, foldedBytes(name));
  int rc = find.step();
  if (rc == SQLITE_ROW) {
    out = find.integer(0);
    return STATUS_SUCCESS;
  }
  return rc == SQLITE_DONE ? STATUS_OBJECT_NAME_NOT_FOUND : status(rc);
}

NTSTATUS Store::readKey(KeyId key, KeyRecord& out, KeyId* parent, bool* fixed) {
  Statement read(m_on->readKey);
  read.bind(1, key);
  int rc = read.step();
  if (rc == SQLITE_DONE) return STATUS_KEY_DELETED;
  if (rc != SQLITE_ROW) return status(rc);
  out.name = read.text(0);
  out.keyClass = read.text(1);
  out.written = read.integer(2);
  if (fixed != nullptr) *fixed = read.integer(3) != 0;
  if (parent != nullptr) *parent = read.integer(4);
  return STATUS_SUCCESS;
}

NTSTATUS Store::requireKey(KeyId key) {
  KeyRecord record;
  return readKey(key, record, nullptr, nullptr);
}

NTSTATUS Store::touch(KeyId key) {
  Statement update(m_on->touchKey);
  update.bind(1, key).bind(2, nowAsFileTime());
  return status(update.step());
}

// Walks the path from a key. With allButLast, stops before the last component and hands it back.
NTSTATUS Store::walk(KeyId from, std::u16string_view path, bool allButLast, KeyId& out, std::u16string_view& last) {
  if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
  NTSTATUS s = requireKey(from);
  if (!NT_SUCCESS(s)) return s;
  KeyId key = from;
  while (!path.empty()) {
    size_t slash = path.find(u'\\');
    std::u16string_view component = path.substr(0, slash);
    if (!validComponent(component)) return STATUS_OBJECT_NAME_INVALID;
    path = slash == std::u16string_view::npos ? std::u16string_view() : path.substr(slash + 1);
    if (slash != std::u16string_view::npos && path.empty()) return STATUS_OBJECT_NAME_INVALID;
    if (allButLast && path.empty()) {
      last = component;
      break;
    }
    if (!NT_SUCCESS(s = lookupChild(key, component, key))) return s;
  }
  out = key;
  return STATUS_SUCCESS;
}

NTSTATUS Store::pathOf(KeyId key, std::u16string& out) {
  out.clear();
  while (key != 0) {
    KeyRecord record;
    KeyId parent = 0;
    NTSTATUS s = readKey(key, record, &parent, nullptr);
    if (!NT_SUCCESS(s)) return s;
    out.insert(0, u"\\" + record.name);
    key = parent;
  }
  return STATUS_SUCCESS;
}

KeyId Store::current(KeyId key) const {
  for (const auto& [copy, file] : m_moved) {
    if (copy == key) return file;
  }
  return key;
}

void Store::note(Change change) {
  if (m_copy != nullptr) m_changes.push_back(std::move(change));
}

NTSTATUS Store::openPath(KeyId from, std::u16string_view path, KeyId& out) {
  return transact(false, [&]() -> NTSTATUS {
    std::u16string_view unused;
    return walk(current(from), path, false, out, unused);
  });
}

NTSTATUS Store::insertKey(KeyId parent, std::u16string_view name, std::u16string_view keyClass, KeyId& out) {
  Statement insert(m_on->insertKey);
  insert.bind(1, parent).bind(2, name).bind(3, foldedBytes(name)).bind(4, keyClass);
  insert.bind(5, nowAsFileTime()).bind(6, 0);
  int rc = insert.step();
  if (rc != SQLITE_DONE) return status(rc);
  out = sqlite3_last_insert_rowid(m_on->db);
  return touch(parent);
}

NTSTATUS Store::createPath(KeyId from, std::u16string_view path, std::u16string_view keyClass, KeyId& out,
                           bool& created) {
  created = false;
  // An existing key needs no writer: opening it must not wait for another program's transaction.
  NTSTATUS s = transact(false, [&]() -> NTSTATUS {
    std::u16string_view unused;
    return walk(current(from), path, false, out, unused);
  });
  if (s != STATUS_OBJECT_NAME_NOT_FOUND) return s;
  return transact(true, [&]() -> NTSTATUS {
    KeyId parent = 0;
    std::u16string_view last;
    NTSTATUS s = walk(current(from), path, true, parent, last);
    if (!NT_SUCCESS(s)) return s;
    if (last.empty()) {  // the path names the starting key itself
      out = parent;
      return STATUS_SUCCESS;
    }
    s = lookupChild(parent, last, out);
    if (s != STATUS_OBJECT_NAME_NOT_FOUND) return s;  // another process made it meanwhile
    if (!NT_SUCCESS(s = insertKey(parent, last, keyClass, out))) return s;
    created = true;
    Change change{Change::Kind::kCreateKey, {}, std::u16string(keyClass), 0, {}};
    if (m_copy != nullptr && !NT_SUCCESS(s = pathOf(out, change.keyPath))) return s;
    note(std::move(change));
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::removeKey(KeyId key) {
  NTSTATUS s = STATUS_SUCCESS;
  KeyRecord record;
  KeyId parent = 0;
  bool fixed = false;
  if (!NT_SUCCESS(s = readKey(key, record, &parent, &fixed))) return s;
  if (fixed) return STATUS_CANNOT_DELETE;
  {
    Statement count(m_on->countChildren);
    count.bind(1, key);
    int rc = count.step();
    if (rc != SQLITE_ROW) return status(rc);
    if (count.integer(0) != 0) return STATUS_CANNOT_DELETE;
  }
  {
    Statement remove(m_on->deleteKey);  // its values go with it (ON DELETE CASCADE)
    remove.bind(1, key);
    int rc = remove.step();
    if (rc != SQLITE_DONE) return status(rc);
  }
  return touch(parent);
}

NTSTATUS Store::deleteKey(KeyId key) {
  return transact(true, [&]() -> NTSTATUS {
    const KeyId id = current(key);
    Change change{Change::Kind::kDeleteKey, {}, {}, 0, {}};
    NTSTATUS s = STATUS_SUCCESS;
    if (m_copy != nullptr && !NT_SUCCESS(s = pathOf(id, change.keyPath))) return s;
    if (!NT_SUCCESS(s = removeKey(id))) return s;
    note(std::move(change));
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::changeKeyName(KeyId key, std::u16string_view newName) {
  NTSTATUS s = STATUS_SUCCESS;
  KeyRecord record;
  KeyId parent = 0;
  bool fixed = false;
  if (!NT_SUCCESS(s = readKey(key, record, &parent, &fixed))) return s;
  if (fixed) return STATUS_ACCESS_DENIED;
  KeyId other = 0;
  s = lookupChild(parent, newName, other);
  if (NT_SUCCESS(s) && other != key) return STATUS_OBJECT_NAME_COLLISION;
  if (!NT_SUCCESS(s) && s != STATUS_OBJECT_NAME_NOT_FOUND) return s;
  Statement rename(m_on->renameKey);
  rename.bind(1, key).bind(2, newName).bind(3, foldedBytes(newName)).bind(4, nowAsFileTime());
  int rc = rename.step();
  return rc == SQLITE_DONE ? STATUS_SUCCESS : status(rc);
}

NTSTATUS Store::renameKey(KeyId key, std::u16string_view newName) {
  if (!validComponent(newName)) return STATUS_OBJECT_NAME_INVALID;
  return transact(true, [&]() -> NTSTATUS {
    const KeyId id = current(key);
    Change change{Change::Kind::kRenameKey, {}, std::u16string(newName), 0, {}};
    NTSTATUS s = STATUS_SUCCESS;
    if (m_copy != nullptr && !NT_SUCCESS(s = pathOf(id, change.keyPath))) return s;
    if (!NT_SUCCESS(s = changeKeyName(id, newName))) return s;
    note(std::move(change));
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::keyRecord(KeyId key, KeyRecord& out, KeyCounts* counts) {
  return transact(false, [&]() -> NTSTATUS {
    const KeyId id = current(key);
    NTSTATUS s = STATUS_SUCCESS;
    if (!NT_SUCCESS(s = readKey(id, out, nullptr, nullptr)) || counts == nullptr) return s;
    // Lengths are stored as UTF-16 bytes, which is what the native records count.
    Statement keys(m_on->subKeyCounts);
    keys.bind(1, id);
    int rc = keys.step();
    if (rc != SQLITE_ROW) return status(rc);
    counts->subKeys = static_cast<uint32_t>(keys.integer(0));
    counts->maxNameBytes = static_cast<uint32_t>(keys.integer(1));
    counts->maxClassBytes = static_cast<uint32_t>(keys.integer(2));
    Statement values(m_on->valueCounts);
    values.bind(1, id);
    rc = values.step();
    if (rc != SQLITE_ROW) return status(rc);
    counts->values = static_cast<uint32_t>(values.integer(0));
    counts->maxValueNameBytes = static_cast<uint32_t>(values.integer(1));
    counts->maxValueDataBytes = static_cast<uint32_t>(values.integer(2));
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::subKeyAt(KeyId key, uint32_t index, KeyRecord& out) {
  return transact(false, [&]() -> NTSTATUS {
    const KeyId id = current(key);
    NTSTATUS s = STATUS_SUCCESS;
    if (!NT_SUCCESS(s = requireKey(id))) return s;
    Statement read(m_on->subKeyAt);
    read.bind(1, id).bind(2, static_cast<int64_t>(index));
    int rc = read.step();
    if (rc == SQLITE_DONE) return STATUS_NO_MORE_ENTRIES;
    if (rc != SQLITE_ROW) return status(rc);
    out.name = read.text(0);
    out.keyClass = read.text(1);
    out.written = read.integer(2);
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::keyPath(KeyId key, std::u16string& out) {
  return transact(false, [&]() -> NTSTATUS { return pathOf(current(key), out); });
}

template <typename Argument>
NTSTATUS Store::readOneValue(KeyId key, sqlite3_stmt* Connection::*query, const Argument& argument, NTSTATUS none,
                             ValueRecord& out) {
  return transact(false, [&]() -> NTSTATUS {
    const KeyId id = current(key);
    NTSTATUS s = requireKey(id);
    if (!NT_SUCCESS(s)) return s;
    Statement read(m_on->*query);
    read.bind(1, id).bind(2, argument);
    int rc = read.step();
    if (rc == SQLITE_DONE) return none;
    if (rc != SQLITE_ROW) return status(rc);
    read.value(out);
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::value(KeyId key, std::u16string_view name, ValueRecord& out) {
  return readOneValue(key, &Connection::valueByName, foldedBytes(name), STATUS_OBJECT_NAME_NOT_FOUND, out);
}

NTSTATUS Store::valueAt(KeyId key, uint32_t index, ValueRecord& out) {
  return readOneValue(key, &Connection::valueAt, static_cast<int64_t>(index), STATUS_NO_MORE_ENTRIES, out);
}

NTSTATUS Store::writeValue(KeyId key, std::u16string_view name, uint32_t type, const void* data, uint32_t size) {
  NTSTATUS s = STATUS_SUCCESS;
  if (!NT_SUCCESS(s = requireKey(key))) return s;
  Statement write(m_on->upsertValue);
  write.bind(1, key).bind(2, name).bind(3, foldedBytes(name)).bind(4, static_cast<int64_t>(type));
  write.bindData(5, data, size);
  int rc = write.step();
  if (rc != SQLITE_DONE) return status(rc);
  return touch(key);
}

NTSTATUS Store::setValue(KeyId key, std::u16string_view name, uint32_t type, const void* data, uint32_t size) {
  if (name.size() > kMaxValueNameUnits) return STATUS_INVALID_PARAMETER;
  return transact(true, [&]() -> NTSTATUS {
    const KeyId id = current(key);
    NTSTATUS s = writeValue(id, name, type, data, size);
    if (!NT_SUCCESS(s) || m_copy == nullptr) return s;
    Change change{Change::Kind::kSetValue, {}, std::u16string(name), type, {}};
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (size != 0) change.data.assign(bytes, bytes + size);
    if (!NT_SUCCESS(s = pathOf(id, change.keyPath))) return s;
    note(std::move(change));
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::removeValue(KeyId key, std::u16string_view name) {
  NTSTATUS s = STATUS_SUCCESS;
  if (!NT_SUCCESS(s = requireKey(key))) return s;
  Statement remove(m_on->deleteValue);
  remove.bind(1, key).bind(2, foldedBytes(name));
  int rc = remove.step();
  if (rc != SQLITE_DONE) return status(rc);
  if (sqlite3_changes(m_on->db) == 0) return STATUS_OBJECT_NAME_NOT_FOUND;
  return touch(key);
}

NTSTATUS Store::deleteValue(KeyId key, std::u16string_view name) {
  return transact(true, [&]() -> NTSTATUS {
    const KeyId id = current(key);
    NTSTATUS s = removeValue(id, name);
    if (!NT_SUCCESS(s) || m_copy == nullptr) return s;
    Change change{Change::Kind::kDeleteValue, {}, std::u16string(name), 0, {}};
    if (!NT_SUCCESS(s = pathOf(id, change.keyPath))) return s;
    note(std::move(change));
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::flush() {
  std::lock_guard<std::mutex> guard(m_lock);
  // Changes still waiting for the file are not on its disk.
  if (m_copy != nullptr && !tryToReturn(false)) return STATUS_REGISTRY_IO_FAILED;
  // A full checkpoint syncs the log and copies it into the database file, waiting (within the
  // busy wait) for other processes' readers; afterwards every committed change is on disk.
  int rc = sqlite3_wal_checkpoint_v2(m_file->db, nullptr, SQLITE_CHECKPOINT_FULL, nullptr, nullptr);
  return status(rc);
}

NTSTATUS Store::divert() {
  auto copy = std::make_unique<Connection>();
  int rc = sqlite3_open_v2(":memory:", &copy->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) return status(rc);
  // Reading the file needs no lock that a writer holds (WAL), so the copy is the file as other
  // processes last committed it.
  sqlite3_backup* backup = sqlite3_backup_init(copy->db, "main", m_file->db, "main");
  if (backup == nullptr) return status(sqlite3_errcode(copy->db));
  rc = sqlite3_backup_step(backup, -1);
  sqlite3_backup_finish(backup);
  if (rc != SQLITE_DONE) return status(rc);
  // Past every id any copy has given before, too: handles may still hold those.
  std::string offset = "PRAGMA foreign_keys=ON; UPDATE sqlite_sequence SET seq=max(seq+" +
                       std::to_string(kCopyIdOffset) + ", " + std::to_string(m_firstCopyId) + ") WHERE name='keys';";
  rc = sqlite3_exec(copy->db, offset.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return status(rc);
  NTSTATUS s = prepareStatements(*copy, false);
  if (NT_SUCCESS(s)) s = prepareStatements(*copy, true);
  if (!NT_SUCCESS(s)) return s;
  sqlite3_stmt* read = nullptr;
  rc = sqlite3_prepare_v2(copy->db, "SELECT seq FROM sqlite_sequence WHERE name='keys'", -1, &read, nullptr);
  if (rc == SQLITE_OK && sqlite3_step(read) == SQLITE_ROW) m_firstCopyId = sqlite3_column_int64(read, 0) + 1;
  sqlite3_finalize(read);
  m_copy = std::move(copy);
  m_on = m_copy.get();
  WARN(Ntdll, "the registry database %s is busy: changes wait in memory until it is free", m_path.c_str());
  static std::once_flag once;
  std::call_once(once, [] { std::atexit(finishAtExit); });
  std::lock_guard<std::mutex> guard(divertedLock());
  divertedStores().push_back(weak_from_this());
  return STATUS_SUCCESS;
}

// The key of a full path ("\REGISTRY\..."), made with its missing parents when `create` (the
// last one with `keyClass`).
NTSTATUS Store::walkCreating(std::u16string_view fullPath, std::u16string_view keyClass, bool create, KeyId& out) {
  constexpr std::u16string_view kTop = u"\\REGISTRY";
  if (fullPath.substr(0, kTop.size()) != kTop) return STATUS_OBJECT_PATH_NOT_FOUND;
  std::u16string_view rest = fullPath.substr(kTop.size());
  KeyId key = m_top;
  while (!rest.empty()) {
    rest.remove_prefix(1);  // the "\"
    size_t slash = rest.find(u'\\');
    std::u16string_view component = rest.substr(0, slash);
    rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash);
    KeyId child = 0;
    NTSTATUS s = lookupChild(key, component, child);
    if (s == STATUS_OBJECT_NAME_NOT_FOUND && create) {
      s = insertKey(key, component, rest.empty() ? keyClass : std::u16string_view(), child);
    }
    if (!NT_SUCCESS(s)) return s;
    key = child;
  }
  out = key;
  return STATUS_SUCCESS;
}

// Makes a change of the copy in the file. One that the file no longer allows (its key deleted
// by another process, a name taken meanwhile) is passed over: a value is still written, under
// its key made again.
void Store::replay(const Change& change) {
  KeyId key = 0;
  switch (change.kind) {
    case Change::Kind::kCreateKey: walkCreating(change.keyPath, change.text, true, key); return;
    case Change::Kind::kSetValue:
      if (NT_SUCCESS(walkCreating(change.keyPath, {}, true, key))) {
        writeValue(key, change.text, change.type, change.data.data(), static_cast<uint32_t>(change.data.size()));
      }
      return;
    case Change::Kind::kDeleteValue:
      if (NT_SUCCESS(walkCreating(change.keyPath, {}, false, key))) removeValue(key, change.text);
      return;
    case Change::Kind::kDeleteKey:
      if (NT_SUCCESS(walkCreating(change.keyPath, {}, false, key))) removeKey(key);
      return;
    case Change::Kind::kRenameKey:
      if (NT_SUCCESS(walkCreating(change.keyPath, {}, false, key))) changeKeyName(key, change.text);
      return;
  }
}

bool Store::tryToReturn(bool patient) {
  // The keys made in the copy, by path, to find their ids in the file afterwards; and the next
  // id a later copy may give.
  std::vector<std::pair<KeyId, std::u16string>> made;
  KeyId nextCopyId = m_firstCopyId;
  {
    sqlite3_stmt* read = nullptr;
    if (sqlite3_prepare_v2(m_copy->db, "SELECT id FROM keys WHERE id>=?1", -1, &read, nullptr) == SQLITE_OK) {
      sqlite3_bind_int64(read, 1, m_firstCopyId);
      while (sqlite3_step(read) == SQLITE_ROW) made.emplace_back(sqlite3_column_int64(read, 0), u"");
    }
    sqlite3_finalize(read);
    if (sqlite3_prepare_v2(m_copy->db, "SELECT seq FROM sqlite_sequence WHERE name='keys'", -1, &read, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(read) == SQLITE_ROW) {
      nextCopyId = std::max<KeyId>(nextCopyId, sqlite3_column_int64(read, 0) + 1);
    }
    sqlite3_finalize(read);
    for (auto& [id, path] : made) pathOf(id, path);
  }
  const size_t movedBefore = m_moved.size();
  m_on = m_file.get();
  m_noWait = !patient;
  if (patient) s_waitedMs = 0;
  bool written = false;
  {
    Transaction tx(*this, true);
    if (NT_SUCCESS(tx.started())) {
      for (const Change& change : m_changes) replay(change);
      for (const auto& [id, path] : made) {
        KeyId inFile = 0;
        if (NT_SUCCESS(walkCreating(path, {}, false, inFile))) m_moved.emplace_back(id, inFile);
      }
      written = NT_SUCCESS(tx.commit());
    }
  }
  m_noWait = false;
  if (!written) {
    m_moved.resize(movedBefore);
    m_on = m_copy.get();
    return false;
  }
  TRACE(Ntdll, "the registry database %s is free again: %zu changes written", m_path.c_str(), m_changes.size());
  m_firstCopyId = nextCopyId;
  m_changes.clear();
  m_copy.reset();
  return true;
}

bool Store::finishWaitingChanges() {
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_copy == nullptr || tryToReturn(true)) return true;
  std::fprintf(stderr, "%s: the registry database %s stayed busy: %zu changes made since are not saved\n",
               program_invocation_short_name, m_path.c_str(), m_changes.size());
  std::fflush(stderr);
  return false;
}

}  // namespace winapi::registry
