// UTF-8 <-> UTF-16 with the Unicode-recommended handling of ill-formed input (one U+FFFD per
// maximal subpart, as current Windows does) and the byte-escaping form used for file names.
#include "winapi/base/utf8.h"

#include "winapi/base/sink.h"

namespace winapi::utf8 {
namespace {

// The accepted range of the first continuation byte after each lead byte; the others are
// always 0x80..0xBF. This rules out overlong forms, surrogates and values above U+10FFFF.
struct Lead {
  int continuations;
  unsigned char low;
  unsigned char high;
};

Lead leadOf(unsigned char b) {
  if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF};
  if (b == 0xE0) return {2, 0xA0, 0xBF};
  if (b == 0xED) return {2, 0x80, 0x9F};
  if (b >= 0xE1 && b <= 0xEF) return {2, 0x80, 0xBF};
  if (b == 0xF0) return {3, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {3, 0x80, 0xBF};
  if (b == 0xF4) return {3, 0x80, 0x8F};
  return {-1, 0, 0};
}

}  // namespace

Result decode(const char* bytes, size_t size, char16_t* out, size_t capacity, Invalid policy) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes);
  Sink<char16_t> sink{out, capacity};
  Result result;
  size_t i = 0;
  while (i < size) {
    unsigned char b = s[i];
    if (b < 0x80) {
      sink.put(b);
      ++i;
      continue;
    }
    Lead lead = leadOf(b);
    size_t j = i + 1;
    bool ok = lead.continuations > 0;
    char32_t cp = ok ? (b & (0x3F >> lead.continuations)) : 0;
    for (int k = 0; ok && k < lead.continuations; ++k, ++j) {
      if (j >= size) {
        ok = false;
        break;
      }
      unsigned char c = s[j];
      unsigned char low = k == 0 ? lead.low : 0x80;
      unsigned char high = k == 0 ? lead.high : 0xBF;
      if (c < low || c > high) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    if (ok) {
      if (cp >= 0x10000) {
        cp -= 0x10000;
        sink.put(static_cast<char16_t>(0xD800 + (cp >> 10)));
        sink.put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
      } else {
        sink.put(static_cast<char16_t>(cp));
      }
      i = j;
      continue;
    }
    // Bytes i..j-1 are a maximal ill-formed subpart (at least the lead byte itself).
    result.hadInvalid = true;
    switch (policy) {
      case Invalid::Fail:
        result.failed = true;
        result.count = sink.count;
        return result;
      case Invalid::Replace: sink.put(u'\xFFFD'); break;
      case Invalid::Escape:
        for (size_t k = i; k < j; ++k) sink.put(static_cast<char16_t>(0xDC00 + s[k]));
        break;
    }
    i = j;
  }
  result.count = sink.count;
  return result;
}

Result encode(const char16_t* units, size_t size, char* out, size_t capacity, Invalid policy) {
  Sink<char> sink{out, capacity};
  Result result;
  auto put = [&](char32_t cp) {
    if (cp < 0x80) {
      sink.put(static_cast<char>(cp));
    } else if (cp < 0x800) {
      sink.put(static_cast<char>(0xC0 | (cp >> 6)));
      sink.put(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      sink.put(static_cast<char>(0xE0 | (cp >> 12)));
      sink.put(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      sink.put(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      sink.put(static_cast<char>(0xF0 | (cp >> 18)));
      sink.put(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      sink.put(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      sink.put(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  };
  for (size_t i = 0; i < size; ++i) {
    char16_t u = units[i];
    if (u < 0xD800 || u > 0xDFFF) {
      put(u);
      continue;
    }
    if (u <= 0xDBFF && i + 1 < size && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      put(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
      continue;
    }
    // A lone surrogate.
    result.hadInvalid = true;
    if (policy == Invalid::Replace) {
      put(0xFFFD);
    } else if (policy == Invalid::Escape && ((u >= 0xDC80 && u <= 0xDCFF) || u == 0xDC00 + '\\')) {
      sink.put(static_cast<char>(u - 0xDC00));
    } else {
      result.failed = true;
      result.count = sink.count;
      return result;
    }
  }
  result.count = sink.count;
  return result;
}

bool toUtf16(std::string_view bytes, std::u16string& out, Invalid policy) {
  Result need = decode(bytes.data(), bytes.size(), nullptr, 0, policy);
  if (need.failed) return false;
  out.resize(need.count);
  decode(bytes.data(), bytes.size(), out.data(), out.size(), policy);
  return true;
}

bool toUtf8(std::u16string_view units, std::string& out, Invalid policy) {
  Result need = encode(units.data(), units.size(), nullptr, 0, policy);
  if (need.failed) return false;
  out.resize(need.count);
  encode(units.data(), units.size(), out.data(), out.size(), policy);
  return true;
}

}  // namespace winapi::utf8
