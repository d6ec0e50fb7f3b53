// The C run-time's wide text-to-number conversions with the Windows run-time's ranges: `long` is
// 32 bits there, so wcstol and wcstoul clamp at the 32-bit limits on this 64-bit system too.
// Left out: digits outside ASCII (the Windows run-time also reads some other scripts' digits).
#include <crtwchar.h>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {

bool isSpace(WCHAR unit) { return unit == u' ' || (unit >= 0x09 && unit <= 0x0D); }

int digitValue(WCHAR unit) {
  if (unit >= u'0' && unit <= u'9') return unit - u'0';
  if (unit >= u'a' && unit <= u'z') return unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'Z') return unit - u'A' + 10;
  return 99;
}

struct Parsed {
  uint64_t magnitude = 0;
  bool negative = false;
  bool overflow = false;  // the magnitude exceeded 64 bits
  bool valid = false;     // at least one digit was read
};

Parsed parseInteger(const WCHAR* text, WCHAR** end, int base) {
  Parsed r;
  if (end != nullptr) {
    *end = const_cast<WCHAR*>(text);
  }
  if (base < 0 || base == 1 || base > 36) {
    errno = EINVAL;
    return r;
  }
  const WCHAR* p = text;
  while (isSpace(*p)) ++p;
  if (*p == u'-' || *p == u'+') {
    r.negative = *p == u'-';
    ++p;
  }
  // A "0x" without a hex digit behind it is the number 0 followed by an "x".
  const bool hexPrefix = p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && digitValue(p[2]) < 16;
  if (base == 0) {
    base = hexPrefix ? 16 : (p[0] == u'0' ? 8 : 10);
  }
  if (base == 16 && hexPrefix) {
    p += 2;
  }
  const uint64_t limit = UINT64_MAX / static_cast<unsigned>(base);
  for (int d; (d = digitValue(*p)) < base; ++p) {
    r.valid = true;
    if (r.magnitude > limit || r.magnitude * base > UINT64_MAX - static_cast<unsigned>(d)) {
      r.overflow = true;
    } else {
      r.magnitude = r.magnitude * base + static_cast<unsigned>(d);
    }
  }
  if (r.valid && end != nullptr) {
    *end = const_cast<WCHAR*>(p);
  }
  if (!r.valid) {
    r.negative = false;
  }
  return r;
}

// Signed results: clamp to [-(max + 1), max].
int64_t toSigned(const Parsed& r, uint64_t max) {
  if (r.negative) {
    if (r.overflow || r.magnitude > max + 1) {
      errno = ERANGE;
      return -static_cast<int64_t>(max) - 1;
    }
    return static_cast<int64_t>(0 - r.magnitude);
  }
  if (r.overflow || r.magnitude > max) {
    errno = ERANGE;
    return static_cast<int64_t>(max);
  }
  return static_cast<int64_t>(r.magnitude);
}

// Unsigned results: clamp to max, then negate a "-" value modulo the range.
uint64_t toUnsigned(const Parsed& r, uint64_t max) {
  if (r.overflow || r.magnitude > max) {
    errno = ERANGE;
    return max;
  }
  return r.negative ? (0 - r.magnitude) & max : r.magnitude;
}

}  // namespace

LONG wcstol(const WCHAR* text, WCHAR** end, int base) {
  return static_cast<LONG>(toSigned(parseInteger(text, end, base), INT32_MAX));
}

ULONG wcstoul(const WCHAR* text, WCHAR** end, int base) {
  return static_cast<ULONG>(toUnsigned(parseInteger(text, end, base), UINT32_MAX));
}

LONGLONG _wcstoi64(const WCHAR* text, WCHAR** end, int base) {
  return toSigned(parseInteger(text, end, base), INT64_MAX);
}

ULONGLONG _wcstoui64(const WCHAR* text, WCHAR** end, int base) {
  return toUnsigned(parseInteger(text, end, base), UINT64_MAX);
}

double wcstod(const WCHAR* text, WCHAR** end) {
  const WCHAR* p = text;
  while (isSpace(*p)) ++p;
  // Only these units can belong to a number ("1e5", "0x1p3", "inf", "nan(abc)"); copying stops at
  // the first other one, so a long text behind the number is not copied.
  std::string narrow;
  for (const WCHAR* q = p; *q != 0; ++q) {
    const WCHAR u = *q;
    const bool possible = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') ||
                          u == u'.' || u == u'+' || u == u'-' || u == u'(' || u == u')' || u == u'_';
    if (!possible) break;
    narrow += static_cast<char>(u);
  }
  // The decimal point is "." whatever the process locale says.
  static const locale_t classic = newlocale(LC_ALL_MASK, "C", nullptr);
  char* narrowEnd = nullptr;
  const double value = strtod_l(narrow.c_str(), &narrowEnd, classic);
  const size_t used = static_cast<size_t>(narrowEnd - narrow.c_str());
  if (end != nullptr) {
    *end = const_cast<WCHAR*>(used == 0 ? text : p + used);
  }
  return value;
}
