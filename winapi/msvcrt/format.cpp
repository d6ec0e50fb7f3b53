// The C run-time's wide formatted output (swprintf and friends) with the Windows run-time's format
// language: wide %s and %c, 32-bit %l, the I64/I32/I length prefixes, %p as 16 hex digits and the
// Windows texts of infinities and NaNs. Numbers are rendered by the C library's narrow formatter in
// the classic locale and widened, so digits and rounding are exact.
// Left out: %n (refused, as the Windows run-time refuses it by default) and positional arguments.
#include <crtwchar.h>

#include "winapi/base/ascii.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Collects output into a caller's buffer, always keeping room for the NUL, and counts every unit
// the full output would have.
class Sink {
 public:
  Sink(WCHAR* buffer, size_t count) : m_buffer(buffer), m_count(count) {}

  void put(WCHAR unit) {
    if (m_written + 1 < m_count) {
      m_buffer[m_written] = unit;
    }
    ++m_written;
  }
  void fill(WCHAR unit, size_t n) {
    while (n-- != 0) {
      put(unit);
    }
  }
  void putNarrow(const char* text, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      put(static_cast<WCHAR>(static_cast<unsigned char>(text[i])));
    }
  }
  int finish() {
    if (m_count != 0) {
      m_buffer[m_written < m_count ? m_written : m_count - 1] = 0;
    }
    if (m_written >= m_count && m_buffer != nullptr) {
      return -1;
    }
    return m_written > static_cast<size_t>(INT_MAX) ? -1 : static_cast<int>(m_written);
  }

 private:
  WCHAR* m_buffer;
  size_t m_count;
  size_t m_written = 0;
};

enum class Length { Default, Char, Short, Long32, Long64, Wide, Narrow };

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zero = false;
  int width = -1;
  int precision = -1;
  Length length = Length::Default;
  WCHAR conversion = 0;
};

// The narrow printf format of `spec` (width and precision as literal numbers) with the given
// length modifier and conversion.
struct NarrowFormat {
  char text[48];
};

NarrowFormat narrowSpec(const Spec& spec, const char* lengthAndConversion) {
  NarrowFormat f;
  char* p = f.text;
  *p++ = '%';
  if (spec.left) *p++ = '-';
  if (spec.plus) *p++ = '+';
  if (spec.space) *p++ = ' ';
  if (spec.alternate) *p++ = '#';
  if (spec.zero) *p++ = '0';
  const char* end = f.text + sizeof f.text;
  if (spec.width >= 0) p += std::snprintf(p, static_cast<size_t>(end - p), "%d", spec.width);
  if (spec.precision >= 0) p += std::snprintf(p, static_cast<size_t>(end - p), ".%d", spec.precision);
  std::snprintf(p, static_cast<size_t>(end - p), "%s", lengthAndConversion);
  return f;
}

// Renders one value through the narrow formatter and widens the result into the sink.
template <typename T>
void emitNarrow(Sink& sink, const NarrowFormat& format, T value) {
  char small[160];
  const int n = std::snprintf(small, sizeof small, format.text, value);
  if (n < 0) {
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    sink.putNarrow(small, static_cast<size_t>(n));
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), format.text, value);
  sink.putNarrow(big.data(), static_cast<size_t>(n));
}

void pad(Sink& sink, const Spec& spec, size_t contentUnits) {
  if (spec.width < 0 || static_cast<size_t>(spec.width) <= contentUnits) {
    return;
  }
  sink.fill(spec.zero && !spec.left ? u'0' : u' ', static_cast<size_t>(spec.width) - contentUnits);
}

void emitWideText(Sink& sink, const Spec& spec, const WCHAR* text) {
  static const WCHAR kNull[] = u"(null)";
  if (text == nullptr) {
    text = kNull;
  }
  size_t n = 0;
  while (text[n] != 0 && (spec.precision < 0 || n < static_cast<size_t>(spec.precision))) {
    ++n;
  }
  if (!spec.left) pad(sink, spec, n);
  for (size_t i = 0; i < n; ++i) {
    sink.put(text[i]);
  }
  if (spec.left) pad(sink, spec, n);
}

void emitNarrowText(Sink& sink, const Spec& spec, const char* text) {
  if (text == nullptr) {
    text = "(null)";
  }
  size_t n = 0;
  while (text[n] != 0 && (spec.precision < 0 || n < static_cast<size_t>(spec.precision))) {
    ++n;
  }
  if (!spec.left) pad(sink, spec, n);
  // Narrow texts widen byte for byte, as the classic locale maps them.
  sink.putNarrow(text, n);
  if (spec.left) pad(sink, spec, n);
}

void emitUnit(Sink& sink, const Spec& spec, WCHAR unit) {
  if (!spec.left) pad(sink, spec, 1);
  sink.put(unit);
  if (spec.left) pad(sink, spec, 1);
}

// Infinities and NaNs in the Windows run-time's words; false for finite values.
bool emitNonFinite(Sink& sink, const Spec& spec, double value) {
  if (std::isfinite(value)) {
    return false;
  }
  const bool upper =
      spec.conversion == u'F' || spec.conversion == u'E' || spec.conversion == u'G' || spec.conversion == u'A';
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  std::string text;
  if (negative) {
    text = "-";
  } else if (spec.plus) {
    text = "+";
  } else if (spec.space) {
    text = " ";
  }
  if (std::isinf(value)) {
    text += "inf";
  } else {
    const uint64_t mantissa = bits & 0x000FFFFFFFFFFFFFull;
    const bool quiet = (mantissa & 0x0008000000000000ull) != 0;
    if (!quiet) {
      text += "nan(snan)";
    } else if (negative && mantissa == 0x0008000000000000ull) {
      // The default NaN of an invalid operation.
      text += "nan(ind)";
    } else {
      text += "nan";
    }
  }
  if (upper) {
    for (char& c : text) c = winapi::ascii::toUpper(c);
  }
  Spec spaces = spec;
  spaces.zero = false;
  if (!spec.left) pad(sink, spaces, text.size());
  sink.putNarrow(text.data(), text.size());
  if (spec.left) pad(sink, spaces, text.size());
  return true;
}

// %c and %s take wide arguments, %C and %S narrow ones; h makes either narrow, l and w wide.
bool isNarrow(const Spec& spec) {
  if (spec.length == Length::Short || spec.length == Length::Char) return true;
  if (spec.length == Length::Long32 || spec.length == Length::Wide) return false;
  return spec.conversion == u'C' || spec.conversion == u'S';
}

int parseNumber(const WCHAR*& p) {
  int value = 0;
  while (*p >= u'0' && *p <= u'9') {
    if (value < INT_MAX / 10) {
      value = value * 10 + (*p - u'0');
    } else {
      value = INT_MAX;
    }
    ++p;
  }
  return value;
}

// Formats into the sink; false for an invalid format.
bool format(Sink& sink, const WCHAR* f, va_list args) {
  while (*f != 0) {
    if (*f != u'%') {
      sink.put(*f++);
      continue;
    }
    ++f;
    if (*f == u'%') {
      sink.put(*f++);
      continue;
    }
    Spec spec;
    for (;; ++f) {
      if (*f == u'-') spec.left = true;
      else if (*f == u'+') spec.plus = true;
      else if (*f == u' ') spec.space = true;
      else if (*f == u'#') spec.alternate = true;
      else if (*f == u'0') spec.zero = true;
      else break;
    }
    if (*f == u'*') {
      spec.width = va_arg(args, int);
      if (spec.width < 0) {
        spec.left = true;
        spec.width = spec.width == INT_MIN ? INT_MAX : -spec.width;
      }
      ++f;
    } else if (*f >= u'0' && *f <= u'9') {
      spec.width = parseNumber(f);
    }
    if (*f == u'.') {
      ++f;
      if (*f == u'*') {
        spec.precision = va_arg(args, int);
        if (spec.precision < 0) spec.precision = -1;
        ++f;
      } else {
        spec.precision = parseNumber(f);
      }
    }
    switch (*f) {
      case u'h':
        ++f;
        spec.length = Length::Short;
        if (*f == u'h') {
          ++f;
          spec.length = Length::Char;
        }
        break;
      case u'l':
        ++f;
        spec.length = Length::Long32;
        if (*f == u'l') {
          ++f;
          spec.length = Length::Long64;
        }
        break;
      case u'w':
        ++f;
        spec.length = Length::Wide;
        break;
      case u'L': ++f; break;
      case u'j':
      case u'z':
      case u't':
        ++f;
        spec.length = Length::Long64;
        break;
      case u'I':
        if (f[1] == u'6' && f[2] == u'4') {
          f += 3;
          spec.length = Length::Long64;
        } else if (f[1] == u'3' && f[2] == u'2') {
          f += 3;
          spec.length = Length::Long32;
        } else {
          ++f;
          spec.length = Length::Long64;  // pointer-sized
        }
        break;
      default: break;
    }
    spec.conversion = *f;
    if (spec.conversion == 0) {
      return false;
    }
    ++f;
    switch (spec.conversion) {
      case u'd':
      case u'i': {
        long long value;
        switch (spec.length) {
          case Length::Char: value = static_cast<signed char>(va_arg(args, int)); break;
          case Length::Short: value = static_cast<short>(va_arg(args, int)); break;
          case Length::Long64: value = va_arg(args, long long); break;
          default: value = va_arg(args, int); break;
        }
        emitNarrow(sink, narrowSpec(spec, "lld"), value);
        break;
      }
      case u'u':
      case u'o':
      case u'x':
      case u'X': {
        unsigned long long value;
        switch (spec.length) {
          case Length::Char: value = static_cast<unsigned char>(va_arg(args, unsigned)); break;
          case Length::Short: value = static_cast<unsigned short>(va_arg(args, unsigned)); break;
          case Length::Long64: value = va_arg(args, unsigned long long); break;
          default: value = va_arg(args, unsigned); break;
        }
        const char conv[] = {'l', 'l', static_cast<char>(spec.conversion), 0};
        emitNarrow(sink, narrowSpec(spec, conv), value);
        break;
      }
      case u'p': {
        Spec p;
        p.left = spec.left;
        p.width = spec.width;
        p.precision = 16;
        const auto value = reinterpret_cast<uintptr_t>(va_arg(args, void*));
        emitNarrow(sink, narrowSpec(p, "llX"), static_cast<unsigned long long>(value));
        break;
      }
      case u'f':
      case u'F':
      case u'e':
      case u'E':
      case u'g':
      case u'G':
      case u'a':
      case u'A': {
        const double value = va_arg(args, double);
        if (!emitNonFinite(sink, spec, value)) {
          const char conv[] = {static_cast<char>(spec.conversion), 0};
          emitNarrow(sink, narrowSpec(spec, conv), value);
        }
        break;
      }
      case u'c':
      case u'C': {
        const bool narrow = isNarrow(spec);
        const int value = va_arg(args, int);
        emitUnit(sink, spec,
                 narrow ? static_cast<WCHAR>(static_cast<unsigned char>(value)) : static_cast<WCHAR>(value));
        break;
      }
      case u's':
      case u'S': {
        if (isNarrow(spec)) {
          emitNarrowText(sink, spec, va_arg(args, const char*));
        } else {
          emitWideText(sink, spec, va_arg(args, const WCHAR*));
        }
        break;
      }
      default:
        // %n and unknown conversions: the Windows run-time treats them as invalid parameters.
        return false;
    }
  }
  return true;
}

}  // namespace

int vswprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) {
  if (buffer == nullptr && count != 0) {
    errno = EINVAL;
    return -1;
  }
  Sink sink(buffer, count);
  va_list copy;
  va_copy(copy, args);
  const bool ok = ::format(sink, format, copy);
  va_end(copy);
  const int result = sink.finish();
  if (!ok) {
    errno = EINVAL;
    return -1;
  }
  return result;
}

int swprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
  va_list args;
  va_start(args, format);
  const int result = vswprintf(buffer, count, format, args);
  va_end(args);
  return result;
}

int _vscwprintf(const WCHAR* format, va_list args) {
  Sink sink(nullptr, 0);
  va_list copy;
  va_copy(copy, args);
  const bool ok = ::format(sink, format, copy);
  va_end(copy);
  if (!ok) {
    errno = EINVAL;
    return -1;
  }
  return sink.finish();
}

int _scwprintf(const WCHAR* format, ...) {
  va_list args;
  va_start(args, format);
  const int result = _vscwprintf(format, args);
  va_end(args);
  return result;
}
