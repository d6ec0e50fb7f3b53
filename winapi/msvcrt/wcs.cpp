// The C run-time's wide-string routines over 16-bit WCHAR: length, comparisons, substring search
// and the case of one unit in the classic locale.
// Left out: locale-dependent case rules (the program runs in the classic locale, which folds A-Z only).
#include <crtwchar.h>

#include "winapi/base/ascii.h"

size_t wcslen(const WCHAR* text) {
  const WCHAR* p = text;
  while (*p != 0) {
    ++p;
  }
  return static_cast<size_t>(p - text);
}

int wcscmp(const WCHAR* a, const WCHAR* b) {
  while (*a != 0 && *a == *b) {
    ++a;
    ++b;
  }
  return static_cast<int>(*a) - static_cast<int>(*b);
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n) {
  for (; n != 0; --n, ++a, ++b) {
    if (*a != *b) {
      return static_cast<int>(*a) - static_cast<int>(*b);
    }
    if (*a == 0) {
      break;
    }
  }
  return 0;
}

int _wcsicmp(const WCHAR* a, const WCHAR* b) {
  for (;; ++a, ++b) {
    const unsigned ca = winapi::ascii::toLower(*a);
    const unsigned cb = winapi::ascii::toLower(*b);
    if (ca != cb || ca == 0) {
      return static_cast<int>(ca) - static_cast<int>(cb);
    }
  }
}

int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n) {
  for (; n != 0; --n, ++a, ++b) {
    const unsigned ca = winapi::ascii::toLower(*a);
    const unsigned cb = winapi::ascii::toLower(*b);
    if (ca != cb) {
      return static_cast<int>(ca) - static_cast<int>(cb);
    }
    if (ca == 0) {
      break;
    }
  }
  return 0;
}

const WCHAR* wcsstr(const WCHAR* text, const WCHAR* find) {
  const WCHAR first = *find;
  if (first == 0) {
    return text;
  }
  for (; *text != 0; ++text) {
    if (*text != first) {
      continue;
    }
    const WCHAR* t = text + 1;
    const WCHAR* f = find + 1;
    while (*f != 0 && *t == *f) {
      ++t;
      ++f;
    }
    if (*f == 0) {
      return text;
    }
    if (*t == 0) {
      // The rest of the text is shorter than `find`: no later start can match either.
      return nullptr;
    }
  }
  return nullptr;
}

WCHAR* wcsstr(WCHAR* text, const WCHAR* find) {
  return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(text), find));
}

WCHAR towlower(WCHAR unit) { return winapi::ascii::toLower(unit); }

WCHAR towupper(WCHAR unit) { return winapi::ascii::toUpper(unit); }
