// The registry database over SQLite: schema, the fixed roots, and the key and value operations.
// Status: keys (create, open, delete, rename, enumerate), values (set, query, enumerate, delete),
// flush. Left out on purpose: volatile keys, symbolic links, security descriptors and hive files.
#include "winapi/ntdll/registry_store.h"

#include "winapi/advapi32/sid.h"
#include "winapi/kernel32/ascii.h"
#include "winapi/kernel32/debug.h"
#include "winapi/kernel32/filetime.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwctype>

namespace winapi::registry {

namespace {

// Marks the file as ours ("LMRG"); a database of another program is refused, not rewritten.
constexpr int kApplicationId = 0x4C4D5247;
constexpr int kSchemaVersion = 1;
// Writers queue behind each other; a writer that waits this long reports an I/O failure rather
// than hang the program.
constexpr int kBusyTimeoutMs = 10000;

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

// One transaction: BEGIN (IMMEDIATE for writers, so two writers queue at the start instead of
// failing at the first write), COMMIT by commit(), ROLLBACK when left without it.
class Store::Transaction {
 public:
  Transaction(Store& store, bool write) : m_store(store) {
    Statement begin(write ? store.m_beginWrite : store.m_begin);
    m_rc = begin.step();
    m_open = m_rc == SQLITE_DONE;
  }
  ~Transaction() {
    if (m_open) Statement(m_store.m_rollback).step();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  NTSTATUS started() const { return m_open ? STATUS_SUCCESS : m_store.status(m_rc); }
  NTSTATUS commit() {
    int rc = Statement(m_store.m_commit).step();
    if (rc != SQLITE_DONE) return m_store.status(rc);
    m_open = false;
    return STATUS_SUCCESS;
  }

 private:
  Store& m_store;
  int m_rc = SQLITE_OK;
  bool m_open = false;
};

template <typename Body>
NTSTATUS Store::transact(bool write, Body&& body) {
  std::lock_guard<std::mutex> guard(m_lock);
  Transaction tx(*this, write);
  NTSTATUS s = tx.started();
  if (NT_SUCCESS(s)) s = body();
  if (write && s == STATUS_SUCCESS) s = tx.commit();
  return s;  // anything else rolls back
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

Store::~Store() {
  for (sqlite3_stmt* s : {m_lookupChild, m_readKey, m_insertKey, m_touchKey, m_countChildren, m_deleteKey, m_renameKey,
                          m_subKeyAt, m_subKeyCounts, m_valueCounts, m_valueByName, m_valueAt, m_upsertValue,
                          m_deleteValue, m_begin, m_beginWrite, m_commit, m_rollback}) {
    sqlite3_finalize(s);
  }
  sqlite3_close_v2(m_db);
}

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

NTSTATUS Store::prepare(sqlite3_stmt*& statement, const char* sql) {
  return status(sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr));
}

NTSTATUS Store::open() {
  createParentFolders(m_path);
  // Created private to the user before SQLite sees it; its journal files take the same mode.
  int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return errno == EACCES || errno == EROFS ? STATUS_ACCESS_DENIED : STATUS_REGISTRY_IO_FAILED;
  ::close(fd);

  int rc = sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) return status(rc);
  sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
  // WAL: readers never block the writer, and a commit is atomic whenever the process dies.
  // NORMAL synchronisation keeps committed transactions across a crash of the program; a flush
  // makes them durable across a crash of the system.
  rc = sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;", nullptr,
                    nullptr, nullptr);
  if (rc != SQLITE_OK) return status(rc);

  NTSTATUS s = STATUS_SUCCESS;
  struct {
    sqlite3_stmt** slot;
    const char* sql;
  } const plain[] = {
      {&m_begin, "BEGIN"},
      {&m_beginWrite, "BEGIN IMMEDIATE"},
      {&m_commit, "COMMIT"},
      {&m_rollback, "ROLLBACK"},
  };
  for (const auto& p : plain) {
    if (!NT_SUCCESS(s = prepare(*p.slot, p.sql))) return s;
  }
  if (!NT_SUCCESS(s = createSchema())) return s;

  struct {
    sqlite3_stmt** slot;
    const char* sql;
  } const table[] = {
      {&m_lookupChild, "SELECT id FROM keys WHERE parent=?1 AND folded=?2"},
      {&m_readKey, "SELECT name, class, written, fixed, parent FROM keys WHERE id=?1"},
      {&m_insertKey, "INSERT INTO keys(parent, name, folded, class, written, fixed) VALUES(?1, ?2, ?3, ?4, ?5, ?6)"},
      {&m_touchKey, "UPDATE keys SET written=?2 WHERE id=?1"},
      {&m_countChildren, "SELECT count(*) FROM keys WHERE parent=?1"},
      {&m_deleteKey, "DELETE FROM keys WHERE id=?1"},
      {&m_renameKey, "UPDATE keys SET name=?2, folded=?3, written=?4 WHERE id=?1"},
      {&m_subKeyAt, "SELECT name, class, written FROM keys WHERE parent=?1 ORDER BY folded LIMIT 1 OFFSET ?2"},
      {&m_subKeyCounts,
       "SELECT count(*), ifnull(max(length(name)), 0), ifnull(max(length(class)), 0) FROM keys "
       "WHERE parent=?1"},
      {&m_valueCounts,
       "SELECT count(*), ifnull(max(length(name)), 0), ifnull(max(length(data)), 0) FROM vals "
       "WHERE key=?1"},
      {&m_valueByName, "SELECT name, type, data FROM vals WHERE key=?1 AND folded=?2"},
      {&m_valueAt, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY rowid LIMIT 1 OFFSET ?2"},
      {&m_upsertValue,
       "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
       "ON CONFLICT(key, folded) DO UPDATE SET type=excluded.type, data=excluded.data"},
      {&m_deleteValue, "DELETE FROM vals WHERE key=?1 AND folded=?2"},
  };
  for (const auto& p : table) {
    if (!NT_SUCCESS(s = prepare(*p.slot, p.sql))) return s;
  }

  // The roots of the five predefined keys exist in every database. The hive roots are fixed.
  Transaction tx(*this, true);
  if (!NT_SUCCESS(s = tx.started())) return s;
  KeyId machine = 0, user = 0, sid = 0, key = 0;
  if (!NT_SUCCESS(s = ensureKey(0, u"REGISTRY", true, m_top)) ||
      !NT_SUCCESS(s = ensureKey(m_top, u"MACHINE", true, machine)) ||
      !NT_SUCCESS(s = ensureKey(m_top, u"USER", true, user)) ||
      !NT_SUCCESS(s = ensureKey(user, winapi::currentUserSidText(), true, sid)) ||
      !NT_SUCCESS(s = ensureKey(machine, u"SOFTWARE", false, key)) ||
      !NT_SUCCESS(s = ensureKey(key, u"Classes", false, key)) ||
      !NT_SUCCESS(s = ensureKey(machine, u"SYSTEM", false, key)) ||
      !NT_SUCCESS(s = ensureKey(key, u"CurrentControlSet", false, key)) ||
      !NT_SUCCESS(s = ensureKey(key, u"Hardware Profiles", false, key)) ||
      !NT_SUCCESS(s = ensureKey(key, u"Current", false, key))) {
    return s;
  }
  return tx.commit();
}

NTSTATUS Store::createSchema() {
  Transaction tx(*this, true);
  NTSTATUS s = tx.started();
  if (!NT_SUCCESS(s)) return s;
  int applicationId = 0, version = 0, tables = 0;
  auto readInt = [this](const char* sql, int& out) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr);
    if (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
      out = sqlite3_column_int(statement, 0);
      rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return rc;
  };
  int rc = readInt("PRAGMA application_id", applicationId);
  if (rc == SQLITE_OK) rc = readInt("PRAGMA user_version", version);
  if (rc == SQLITE_OK) rc = readInt("SELECT count(*) FROM sqlite_master", tables);
  if (rc != SQLITE_OK) return status(rc);

  if (applicationId == kApplicationId) {
    // A newer program's layout is not ours to read or write.
    return version == kSchemaVersion ? STATUS_SUCCESS : STATUS_NOT_SUPPORTED;
  }
  if (applicationId != 0 || tables != 0) return STATUS_REGISTRY_CORRUPT;  // another program's file
  rc = sqlite3_exec(m_db, kSchema, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    std::string pragmas = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                          "; PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
    rc = sqlite3_exec(m_db, pragmas.c_str(), nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) return status(rc);
  return tx.commit();
}

// Finds or makes one of the fixed keys while the database opens (inside its transaction);
// parent 0 stands for none.
NTSTATUS Store::ensureKey(KeyId parent, std::u16string_view name, bool fixed, KeyId& out) {
  if (parent == 0) {
    // "parent = NULL" matches nothing in SQL, so the top key is looked for apart.
    sqlite3_stmt* top = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "SELECT id FROM keys WHERE parent IS NULL", -1, &top, nullptr);
    if (rc == SQLITE_OK && (rc = sqlite3_step(top)) == SQLITE_ROW) out = sqlite3_column_int64(top, 0);
    sqlite3_finalize(top);
    if (rc == SQLITE_ROW) return STATUS_SUCCESS;
    if (rc != SQLITE_DONE) return status(rc);
  } else {
    NTSTATUS s = lookupChild(parent, name, out);
    if (s != STATUS_OBJECT_NAME_NOT_FOUND) return s;
  }
  Statement insert(m_insertKey);
  if (parent != 0) insert.bind(1, parent);
  insert.bind(2, name).bind(3, foldedBytes(name)).bind(4, std::string_view()).bind(5, nowAsFileTime());
  insert.bind(6, fixed ? 1 : 0);
  int rc = insert.step();
  if (rc != SQLITE_DONE) return status(rc);
  out = sqlite3_last_insert_rowid(m_db);
  return STATUS_SUCCESS;
}

NTSTATUS Store::lookupChild(KeyId parent, std::u16string_view name, KeyId& out) {
  Statement find(m_lookupChild);
  find.bind(1, parent).bind(2, foldedBytes(name));
  int rc = find.step();
  if (rc == SQLITE_ROW) {
    out = find.integer(0);
    return STATUS_SUCCESS;
  }
  return rc == SQLITE_DONE ? STATUS_OBJECT_NAME_NOT_FOUND : status(rc);
}

NTSTATUS Store::readKey(KeyId key, KeyRecord& out, KeyId* parent, bool* fixed) {
  Statement read(m_readKey);
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
  Statement update(m_touchKey);
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

NTSTATUS Store::openPath(KeyId from, std::u16string_view path, KeyId& out) {
  return transact(false, [&]() -> NTSTATUS {
    std::u16string_view unused;
    return walk(from, path, false, out, unused);
  });
}

NTSTATUS Store::createPath(KeyId from, std::u16string_view path, std::u16string_view keyClass, KeyId& out,
                           bool& created) {
  return transact(true, [&]() -> NTSTATUS {
    NTSTATUS s = STATUS_SUCCESS;
    KeyId parent = 0;
    std::u16string_view last;
    if (!NT_SUCCESS(s = walk(from, path, true, parent, last))) return s;
    created = false;
    if (last.empty()) {  // the path names the starting key itself
      out = parent;
      return STATUS_SUCCESS;
    }
    s = lookupChild(parent, last, out);
    if (s == STATUS_OBJECT_NAME_NOT_FOUND) {
      Statement insert(m_insertKey);
      insert.bind(1, parent).bind(2, last).bind(3, foldedBytes(last)).bind(4, keyClass);
      insert.bind(5, nowAsFileTime()).bind(6, 0);
      int rc = insert.step();
      if (rc != SQLITE_DONE) return status(rc);
      out = sqlite3_last_insert_rowid(m_db);
      created = true;
      if (!NT_SUCCESS(s = touch(parent))) return s;
    } else if (!NT_SUCCESS(s)) {
      return s;
    }
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::deleteKey(KeyId key) {
  return transact(true, [&]() -> NTSTATUS {
    NTSTATUS s = STATUS_SUCCESS;
    KeyRecord record;
    KeyId parent = 0;
    bool fixed = false;
    if (!NT_SUCCESS(s = readKey(key, record, &parent, &fixed))) return s;
    if (fixed) return STATUS_CANNOT_DELETE;
    {
      Statement count(m_countChildren);
      count.bind(1, key);
      int rc = count.step();
      if (rc != SQLITE_ROW) return status(rc);
      if (count.integer(0) != 0) return STATUS_CANNOT_DELETE;
    }
    {
      Statement remove(m_deleteKey);  // its values go with it (ON DELETE CASCADE)
      remove.bind(1, key);
      int rc = remove.step();
      if (rc != SQLITE_DONE) return status(rc);
    }
    if (!NT_SUCCESS(s = touch(parent))) return s;
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::renameKey(KeyId key, std::u16string_view newName) {
  if (!validComponent(newName)) return STATUS_OBJECT_NAME_INVALID;
  return transact(true, [&]() -> NTSTATUS {
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
    Statement rename(m_renameKey);
    rename.bind(1, key).bind(2, newName).bind(3, foldedBytes(newName)).bind(4, nowAsFileTime());
    int rc = rename.step();
    if (rc != SQLITE_DONE) return status(rc);
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::keyRecord(KeyId key, KeyRecord& out, KeyCounts* counts) {
  return transact(false, [&]() -> NTSTATUS {
    NTSTATUS s = STATUS_SUCCESS;
    if (!NT_SUCCESS(s = readKey(key, out, nullptr, nullptr)) || counts == nullptr) return s;
    // Lengths are stored as UTF-16 bytes, which is what the native records count.
    Statement keys(m_subKeyCounts);
    keys.bind(1, key);
    int rc = keys.step();
    if (rc != SQLITE_ROW) return status(rc);
    counts->subKeys = static_cast<uint32_t>(keys.integer(0));
    counts->maxNameBytes = static_cast<uint32_t>(keys.integer(1));
    counts->maxClassBytes = static_cast<uint32_t>(keys.integer(2));
    Statement values(m_valueCounts);
    values.bind(1, key);
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
    NTSTATUS s = STATUS_SUCCESS;
    if (!NT_SUCCESS(s = requireKey(key))) return s;
    Statement read(m_subKeyAt);
    read.bind(1, key).bind(2, static_cast<int64_t>(index));
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
  return transact(false, [&]() -> NTSTATUS {
    NTSTATUS s = STATUS_SUCCESS;
    out.clear();
    while (key != 0) {
      KeyRecord record;
      KeyId parent = 0;
      if (!NT_SUCCESS(s = readKey(key, record, &parent, nullptr))) return s;
      out.insert(0, u"\\" + record.name);
      key = parent;
    }
    return STATUS_SUCCESS;
  });
}

template <typename Argument>
NTSTATUS Store::readOneValue(KeyId key, sqlite3_stmt* query, const Argument& argument, NTSTATUS none,
                             ValueRecord& out) {
  return transact(false, [&]() -> NTSTATUS {
    NTSTATUS s = requireKey(key);
    if (!NT_SUCCESS(s)) return s;
    Statement read(query);
    read.bind(1, key).bind(2, argument);
    int rc = read.step();
    if (rc == SQLITE_DONE) return none;
    if (rc != SQLITE_ROW) return status(rc);
    read.value(out);
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::value(KeyId key, std::u16string_view name, ValueRecord& out) {
  return readOneValue(key, m_valueByName, foldedBytes(name), STATUS_OBJECT_NAME_NOT_FOUND, out);
}

NTSTATUS Store::valueAt(KeyId key, uint32_t index, ValueRecord& out) {
  return readOneValue(key, m_valueAt, static_cast<int64_t>(index), STATUS_NO_MORE_ENTRIES, out);
}

NTSTATUS Store::setValue(KeyId key, std::u16string_view name, uint32_t type, const void* data, uint32_t size) {
  if (name.size() > kMaxValueNameUnits) return STATUS_INVALID_PARAMETER;
  return transact(true, [&]() -> NTSTATUS {
    NTSTATUS s = STATUS_SUCCESS;
    if (!NT_SUCCESS(s = requireKey(key))) return s;
    Statement write(m_upsertValue);
    write.bind(1, key).bind(2, name).bind(3, foldedBytes(name)).bind(4, static_cast<int64_t>(type));
    write.bindData(5, data, size);
    int rc = write.step();
    if (rc != SQLITE_DONE) return status(rc);
    if (!NT_SUCCESS(s = touch(key))) return s;
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::deleteValue(KeyId key, std::u16string_view name) {
  return transact(true, [&]() -> NTSTATUS {
    NTSTATUS s = STATUS_SUCCESS;
    if (!NT_SUCCESS(s = requireKey(key))) return s;
    Statement remove(m_deleteValue);
    remove.bind(1, key).bind(2, foldedBytes(name));
    int rc = remove.step();
    if (rc != SQLITE_DONE) return status(rc);
    if (sqlite3_changes(m_db) == 0) return STATUS_OBJECT_NAME_NOT_FOUND;
    if (!NT_SUCCESS(s = touch(key))) return s;
    return STATUS_SUCCESS;
  });
}

NTSTATUS Store::flush() {
  std::lock_guard<std::mutex> guard(m_lock);
  // A full checkpoint syncs the log and copies it into the database file, waiting (within the
  // busy timeout) for other processes' readers; afterwards every committed change is on disk.
  int rc = sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_FULL, nullptr, nullptr);
  return status(rc);
}

}  // namespace winapi::registry
