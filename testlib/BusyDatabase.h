// An SQLite database held busy by another program, as a user's sqlite3 holds it, and what the
// file holds as another program reads it.
#pragma once

#include "testlib/Process.h"

#include <filesystem>
#include <string>

namespace lumetra::testlib {

/// Another process (the sqlite3 program) that holds a write transaction on `database` from
/// construction until release() or destruction. `folder` takes its two marker files.
class BusyDatabase {
 public:
  BusyDatabase(const std::filesystem::path& database, const std::filesystem::path& folder);
  ~BusyDatabase();
  BusyDatabase(const BusyDatabase&) = delete;
  BusyDatabase& operator=(const BusyDatabase&) = delete;

  /// Waits (at most 20 s) until the transaction holds; false when it did not come.
  bool held();
  /// Ends the transaction and the process.
  void release();

 private:
  std::filesystem::path m_held;
  std::filesystem::path m_release;
  ChildProcess m_holder;
};

/// What the sqlite3 program answers to `sql` on `database` (waiting up to 5 s for a lock), its
/// final line break removed.
std::string queryDatabase(const std::filesystem::path& database, const std::string& sql);

/// The hex of a registry name as the database compares it: upper-case ASCII `name` in UTF-16BE.
std::string foldedRegistryName(const std::string& name);

}  // namespace lumetra::testlib
