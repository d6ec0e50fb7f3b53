// Global atoms: the process's table of counted names.
// Left out: sharing the table with other processes (each process keeps its own); the local atom
// calls.
#include <windows.h>

#include "winapi/base/ascii.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Windows refuses atom names longer than 255 units.
constexpr size_t kMaxAtomName = 255;

struct Entry {
  std::u16string name;  // empty: a free slot
  unsigned references = 0;
};

struct AtomTable {
  std::mutex lock;
  std::vector<Entry> entries;  // entry i is the atom MAXINTATOM + i
};

AtomTable& table() {
  static AtomTable* t = new AtomTable;
  return *t;
}

bool sameName(const std::u16string& a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (winapi::ascii::toUpper(a[i]) != winapi::ascii::toUpper(b[i])) return false;
  }
  return true;
}

bool isIntegerAtom(LPCWSTR name) { return reinterpret_cast<ULONG_PTR>(name) < MAXINTATOM; }

// "#123" names the integer atom 123; answers 0 (not one) for other names, and sets *bad for a
// number out of range.
ATOM integerName(std::u16string_view name, bool* bad) {
  *bad = false;
  if (name.size() < 2 || name[0] != u'#') return 0;
  unsigned long value = 0;
  for (size_t i = 1; i < name.size(); ++i) {
    if (name[i] < u'0' || name[i] > u'9') return 0;
    value = value * 10 + (name[i] - u'0');
    if (value >= MAXINTATOM) break;
  }
  if (value == 0 || value >= MAXINTATOM) {
    *bad = true;
    return 0;
  }
  return static_cast<ATOM>(value);
}

// Shared by add and find: the atom of an integer form, or 0 with *handled false for a string.
ATOM integerAtom(LPCWSTR name, bool* handled) {
  *handled = true;
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (isIntegerAtom(name)) return static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
  bool bad = false;
  ATOM atom = integerName(name, &bad);
  if (atom != 0) return atom;
  if (bad) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  *handled = false;
  return 0;
}

}  // namespace

extern "C" ATOM WINAPI GlobalAddAtomW(LPCWSTR name) {
  bool handled = false;
  ATOM atom = integerAtom(name, &handled);
  if (handled) return atom;
  std::u16string_view text(name);
  if (text.empty() || text.size() > kMaxAtomName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  AtomTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  size_t freeSlot = t.entries.size();
  for (size_t i = 0; i < t.entries.size(); ++i) {
    Entry& e = t.entries[i];
    if (e.references > 0 && sameName(e.name, text)) {
      ++e.references;
      return static_cast<ATOM>(MAXINTATOM + i);
    }
    if (e.references == 0 && freeSlot == t.entries.size()) freeSlot = i;
  }
  if (freeSlot == t.entries.size()) {
    if (t.entries.size() >= 0x10000 - MAXINTATOM) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    t.entries.emplace_back();
  }
  t.entries[freeSlot] = Entry{std::u16string(text), 1};
  return static_cast<ATOM>(MAXINTATOM + freeSlot);
}

extern "C" ATOM WINAPI GlobalFindAtomW(LPCWSTR name) {
  bool handled = false;
  ATOM atom = integerAtom(name, &handled);
  if (handled) return atom;
  std::u16string_view text(name);
  AtomTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  for (size_t i = 0; i < t.entries.size(); ++i) {
    if (t.entries[i].references > 0 && sameName(t.entries[i].name, text)) return static_cast<ATOM>(MAXINTATOM + i);
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return 0;
}

extern "C" ATOM WINAPI GlobalDeleteAtom(ATOM atom) {
  // Integer atoms hold no entry: deleting one always succeeds.
  if (atom < MAXINTATOM) return 0;
  AtomTable& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  size_t i = atom - MAXINTATOM;
  if (i >= t.entries.size() || t.entries[i].references == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return atom;
  }
  if (--t.entries[i].references == 0) t.entries[i].name.clear();
  return 0;
}

extern "C" UINT WINAPI GlobalGetAtomNameW(ATOM atom, LPWSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string name;
  if (atom == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (atom < MAXINTATOM) {
    // "#" and the decimal number, written back to front into a fixed buffer.
    char16_t digits[8];
    size_t at = sizeof digits / sizeof digits[0];
    for (unsigned value = atom; value != 0; value /= 10) digits[--at] = static_cast<char16_t>(u'0' + value % 10);
    digits[--at] = u'#';
    name.assign(digits + at, digits + sizeof digits / sizeof digits[0]);
  } else {
    AtomTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    size_t i = atom - MAXINTATOM;
    if (i >= t.entries.size() || t.entries[i].references == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    name = t.entries[i].name;
  }
  // The name is cut to the buffer, as Windows does, and the count says what was copied.
  size_t n = std::min(name.size(), static_cast<size_t>(size - 1));
  name.copy(buffer, n);
  buffer[n] = 0;
  return static_cast<UINT>(n);
}
