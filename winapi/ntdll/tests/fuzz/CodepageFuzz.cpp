// Fuzz target of the code-page conversions (libFuzzer). The first bytes of the input choose the
// code page (from those the layer enumerates), the direction, the flags, the default character
// and a short buffer; the rest is the text. Contract, checked on every input (abort on a break):
// - a size query and the conversion into a buffer of exactly that size agree: both fail with
//   the same error, or both return the same count, and the count is what was written (a text
//   that converts to nothing, such as HZ made of mode switches only, answers 0 and no error);
// - nothing is written past the given buffer size (guard units behind every buffer), and a
//   buffer one short fails with ERROR_INSUFFICIENT_BUFFER;
// - MB_ERR_INVALID_CHARS fails (with ERROR_NO_UNICODE_TRANSLATION) exactly when the page says
//   the input is invalid: the lenient conversion then shows a U+FFFD, and a strict conversion
//   that succeeds gives the lenient result; for UTF-8, exactly when the bytes are ill-formed;
// - UTF-16 without lone surrogates round-trips through UTF-8, and WC_ERR_INVALID_CHARS refuses
//   exactly the texts with lone surrogates;
// - text encoded without a default character decodes strictly where the page takes the flag.
#include "testlib/FuzzContract.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr char16_t kGuardUnit = 0xA55A;
constexpr char kGuardByte = '\x5A';
constexpr size_t kGuards = 8;

std::vector<UINT> g_pages;

BOOL CALLBACK addPage(LPWSTR digits) {
  UINT n = 0;
  for (const char16_t* p = digits; *p != 0; ++p) n = n * 10 + static_cast<UINT>(*p - u'0');
  g_pages.push_back(n);
  return TRUE;
}

const std::vector<UINT>& codePages() {
  if (g_pages.empty()) {
    EnumSystemCodePagesW(addPage, CP_SUPPORTED);
    // The pseudo code pages resolve to real ones; 1200 and 42 are refused.
    const UINT extras[] = {CP_ACP, CP_OEMCP, CP_MACCP, CP_THREAD_ACP, 1200, 42};
    for (UINT extra : extras) g_pages.push_back(extra);
  }
  return g_pages;
}

// An independent check of UTF-8 well-formedness (Unicode table 3-7).
bool wellFormedUtf8(const unsigned char* s, size_t n) {
  size_t i = 0;
  while (i < n) {
    unsigned char b = s[i];
    int more;
    unsigned char low = 0x80, high = 0xBF;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      more = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      more = 2;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      more = 3;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + static_cast<size_t>(more) >= n) return false;
    for (int k = 1; k <= more; ++k) {
      unsigned char c = s[i + static_cast<size_t>(k)];
      if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return false;
    }
    i += static_cast<size_t>(more) + 1;
  }
  return true;
}

bool hasLoneSurrogate(const char16_t* u, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (u[i] >= 0xD800 && u[i] <= 0xDBFF) {
      if (i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return true;
    }
    if (u[i] >= 0xDC00 && u[i] <= 0xDFFF) return true;
  }
  return false;
}

struct Outcome {
  int count;
  DWORD error;  // 0 when the call succeeded
  std::vector<char16_t> wide;
  std::string bytes;
  BOOL usedDefault = FALSE;
};

// A call with a buffer of `capacity` units (none for a size query) followed by guard units.
Outcome toWide(UINT page, DWORD flags, const char* source, int length, int capacity, bool query) {
  std::vector<char16_t> buffer(static_cast<size_t>(capacity) + kGuards, kGuardUnit);
  SetLastError(0);
  int n = MultiByteToWideChar(page, flags, source, length, query ? nullptr : buffer.data(), query ? 0 : capacity);
  Outcome o{n, n == 0 ? GetLastError() : 0, {}, {}};
  for (size_t i = static_cast<size_t>(capacity); i < buffer.size(); ++i) FUZZ_CHECK(buffer[i] == kGuardUnit);
  if (!query && n > 0 && capacity > 0) {
    FUZZ_CHECK(n <= capacity);
    o.wide.assign(buffer.begin(), buffer.begin() + n);
  }
  return o;
}

Outcome toBytes(UINT page, DWORD flags, const char16_t* source, int length, int capacity, bool query,
                const char* defaultChar, bool askUsed) {
  std::vector<char> buffer(static_cast<size_t>(capacity) + kGuards, kGuardByte);
  BOOL used = 2;
  SetLastError(0);
  int n = WideCharToMultiByte(page, flags, source, length, query ? nullptr : buffer.data(), query ? 0 : capacity,
                              defaultChar, askUsed ? &used : nullptr);
  Outcome o{n, n == 0 ? GetLastError() : 0, {}, {}};
  for (size_t i = static_cast<size_t>(capacity); i < buffer.size(); ++i) FUZZ_CHECK(buffer[i] == kGuardByte);
  if (!query && n > 0 && capacity > 0) {
    FUZZ_CHECK(n <= capacity);
    o.bytes.assign(buffer.begin(), buffer.begin() + n);
  }
  if (n > 0 && askUsed) FUZZ_CHECK(used == TRUE || used == FALSE);
  o.usedDefault = used == TRUE;
  return o;
}

bool contains(const std::vector<char16_t>& text, char16_t unit) {
  for (char16_t u : text) {
    if (u == unit) return true;
  }
  return false;
}

void fuzzToWide(UINT page, DWORD flags, const std::string& text, bool terminated, unsigned shortBy) {
  const char* source = text.c_str();
  int length = terminated ? -1 : static_cast<int>(text.size());
  if (!terminated && text.empty()) return;
  Outcome size = toWide(page, flags, source, length, 0, true);
  if (size.count == 0) {
    Outcome again = toWide(page, flags, source, length, 64, false);
    FUZZ_CHECK(again.count == 0 && again.error == size.error);
    return;
  }
  Outcome full = toWide(page, flags, source, length, size.count, false);
  FUZZ_CHECK(full.count == size.count);
  if (terminated) FUZZ_CHECK(full.wide.back() == 0);
  int shorter = size.count - 1 - static_cast<int>(shortBy % static_cast<unsigned>(size.count));
  Outcome cut = toWide(page, flags, source, length, shorter, false);
  // A buffer of no units is a size query, whatever the pointer.
  FUZZ_CHECK(shorter == 0 ? cut.count == size.count : cut.count == 0 && cut.error == ERROR_INSUFFICIENT_BUFFER);

  if ((flags & MB_ERR_INVALID_CHARS) == 0) {
    Outcome strict = toWide(page, flags | MB_ERR_INVALID_CHARS, source, length, size.count, false);
    if (strict.error == ERROR_INVALID_FLAGS) return;  // the page takes no flags
    if (strict.count > 0) {
      FUZZ_CHECK(strict.wide == full.wide);
    } else {
      FUZZ_CHECK(strict.error == ERROR_NO_UNICODE_TRANSLATION);
      FUZZ_CHECK(contains(full.wide, u'\xFFFD'));
    }
    if (page == CP_UTF8) {
      size_t n = terminated ? text.size() + 1 : text.size();
      FUZZ_CHECK((strict.count > 0) == wellFormedUtf8(reinterpret_cast<const unsigned char*>(source), n));
    }
  }
}

void fuzzToBytes(UINT page, DWORD flags, const std::u16string& text, bool terminated, unsigned shortBy,
                 const char* defaultChar, bool askUsed) {
  const char16_t* source = text.c_str();
  int length = terminated ? -1 : static_cast<int>(text.size());
  if (!terminated && text.empty()) return;
  Outcome size = toBytes(page, flags, source, length, 0, true, defaultChar, askUsed);
  if (size.count == 0) {
    Outcome again = toBytes(page, flags, source, length, 256, false, defaultChar, askUsed);
    FUZZ_CHECK(again.count == 0 && again.error == size.error);
    return;
  }
  Outcome full = toBytes(page, flags, source, length, size.count, false, defaultChar, askUsed);
  FUZZ_CHECK(full.count == size.count);
  FUZZ_CHECK(full.usedDefault == size.usedDefault);
  int shorter = size.count - 1 - static_cast<int>(shortBy % static_cast<unsigned>(size.count));
  Outcome cut = toBytes(page, flags, source, length, shorter, false, defaultChar, askUsed);
  FUZZ_CHECK(shorter == 0 ? cut.count == size.count : cut.count == 0 && cut.error == ERROR_INSUFFICIENT_BUFFER);

  size_t units = terminated ? text.size() + 1 : text.size();
  if (page == CP_UTF8) {
    Outcome strict =
        toBytes(CP_UTF8, WC_ERR_INVALID_CHARS, source, length, 4 * static_cast<int>(units), false, nullptr, false);
    if (hasLoneSurrogate(source, units)) {
      FUZZ_CHECK(strict.count == 0 && strict.error == ERROR_NO_UNICODE_TRANSLATION);
      return;
    }
    FUZZ_CHECK(strict.count > 0 && strict.bytes == full.bytes);
    Outcome back = toWide(CP_UTF8, MB_ERR_INVALID_CHARS, strict.bytes.data(), static_cast<int>(strict.bytes.size()),
                          static_cast<int>(units), false);
    FUZZ_CHECK(back.count == static_cast<int>(units));
    FUZZ_CHECK(std::memcmp(back.wide.data(), source, units * sizeof(char16_t)) == 0);
    return;
  }
  // What was encoded without a substitute is valid text of the page.
  if (askUsed && !full.usedDefault) {
    Outcome back = toWide(page, MB_ERR_INVALID_CHARS, full.bytes.data(), static_cast<int>(full.bytes.size()),
                          4 * static_cast<int>(full.bytes.size()) + 4, false);
    FUZZ_CHECK(back.count > 0 || back.error == ERROR_INVALID_FLAGS);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4 || size > 4096) return 0;
  const std::vector<UINT>& pages = codePages();
  UINT page = pages[data[0] % pages.size()];
  uint8_t mode = data[1];
  uint8_t flagBits = data[2];
  unsigned shortBy = data[3];
  const uint8_t* text = data + 4;
  size_t length = size - 4;
  bool terminated = (mode & 2) != 0;
  if ((mode & 1) == 0) {
    static const DWORD kFlags[] = {
        0, MB_PRECOMPOSED, MB_ERR_INVALID_CHARS, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS, MB_USEGLYPHCHARS, MB_COMPOSITE};
    std::string bytes(reinterpret_cast<const char*>(text), length);
    if (terminated) bytes = bytes.substr(0, std::strlen(bytes.c_str()));
    fuzzToWide(page, kFlags[flagBits % 6], bytes, terminated, shortBy);
  } else {
    static const DWORD kFlags[] = {0, WC_NO_BEST_FIT_CHARS, WC_ERR_INVALID_CHARS, WC_COMPOSITECHECK};
    std::u16string units(length / 2, u'\0');
    std::memcpy(units.data(), text, units.size() * sizeof(char16_t));
    if (terminated) units = units.substr(0, std::char_traits<char16_t>::length(units.c_str()));
    // The default character lives in a buffer of exactly its own size, without a terminator, so
    // a read of a byte more than the character shows: one ASCII byte (which no page takes for a
    // lead byte), or any two bytes.
    size_t defaultLength = (mode >> 2) & 3;  // 0: none
    std::unique_ptr<char[]> defaultChar;
    if (defaultLength == 1 || defaultLength == 3) {
      defaultChar.reset(new char[1]);
      defaultChar[0] = static_cast<char>(flagBits >> 4 == 0 ? '#' : (flagBits & 0x7F));
    } else if (defaultLength == 2) {
      defaultChar.reset(new char[2]);
      defaultChar[0] = static_cast<char>(0x80 | (flagBits & 0x7F));
      defaultChar[1] = static_cast<char>(0x40 + (shortBy & 0x3F));
    }
    fuzzToBytes(page, kFlags[flagBits % 4], units, terminated, shortBy, defaultChar.get(), (mode & 16) != 0);
  }
  return 0;
}
