// An SQLite database held busy by another program, and read by another program.
#include "testlib/BusyDatabase.h"

#include "testlib/Wait.h"

#include <cctype>
#include <cstdio>
#include <fstream>

namespace lumetra::testlib {

BusyDatabase::BusyDatabase(const std::filesystem::path& database,
                           const std::filesystem::path& folder)
    : m_held(folder / "held"),
      m_release(folder / "release"),
      m_holder({"sqlite3", database.string(), "BEGIN EXCLUSIVE",
                ".shell touch '" + m_held.string() + "'; while [ ! -e '" + m_release.string() +
                    "' ]; do sleep 0.02; done",
                "COMMIT"}) {}

BusyDatabase::~BusyDatabase() { release(); }

bool BusyDatabase::held() {
  waitUntil([&] { return std::filesystem::exists(m_held) || !m_holder.running(); });
  return std::filesystem::exists(m_held) && m_holder.running();
}

void BusyDatabase::release() {
  std::ofstream(m_release).put('x');
  m_holder.wait(20000);
}

std::string queryDatabase(const std::filesystem::path& database, const std::string& sql) {
  std::string out = run({"sqlite3", "-cmd", ".timeout 5000", database.string(), sql}).output;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::string foldedRegistryName(const std::string& name) {
  std::string hex;
  char unit[8];
  for (char c : name) {
    std::snprintf(unit, sizeof unit, "00%02X", std::toupper(static_cast<unsigned char>(c)));
    hex += unit;
  }
  return hex;
}

}  // namespace lumetra::testlib
