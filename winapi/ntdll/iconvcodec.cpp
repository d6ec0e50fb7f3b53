// Conversions between UTF-16 and the code pages that iconv knows. Unlike iconv, Windows never
// stops at a bad byte or an unmappable character: it substitutes U+FFFD or the default
// character and goes on, and so do these loops.
#include "winapi/ntdll/nls.h"

#include <cerrno>
#include <iconv.h>

#include <vector>

namespace winapi::nls {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
const size_t kIconvFailed = static_cast<size_t>(-1);

// iconv descriptors keep conversion state, so each thread keeps its own, opened on first use
// and closed when the thread ends. Failed opens are remembered too.
class ConverterCache {
 public:
  ConverterCache() = default;
  ConverterCache(const ConverterCache&) = delete;
  ConverterCache& operator=(const ConverterCache&) = delete;
  ~ConverterCache() {
    for (Entry& e : m_entries) {
      if (e.cd != kNoConverter) iconv_close(e.cd);
    }
  }

  // Names come from the layer's static tables, so the pointer identifies the character set.
  iconv_t get(const char* name, bool encode) {
    for (Entry& e : m_entries) {
      if (e.name == name && e.encode == encode) {
        iconv(e.cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
        return e.cd;
      }
    }
    iconv_t cd = encode ? iconv_open(name, "UTF-16LE") : iconv_open("UTF-16LE", name);
    m_entries.push_back({name, encode, cd});
    return cd;
  }

 private:
  struct Entry {
    const char* name;
    bool encode;
    iconv_t cd;
  };
  std::vector<Entry> m_entries;
};

thread_local ConverterCache t_converters;

bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

bool iconvAvailable(const char* iconvName) { return t_converters.get(iconvName, false) != kNoConverter; }

DWORD iconvDecode(const char* iconvName, const char* in, size_t size, WideSink& sink, bool strict) {
  iconv_t cd = t_converters.get(iconvName, false);
  if (cd == kNoConverter) return ERROR_INVALID_PARAMETER;
  char* input = const_cast<char*>(in);
  size_t inputLeft = size;
  char16_t chunk[512];
  while (inputLeft > 0) {
    char* output = reinterpret_cast<char*>(chunk);
    size_t outputLeft = sizeof chunk;
    size_t r = iconv(cd, &input, &inputLeft, &output, &outputLeft);
    int error = errno;
    for (char16_t* p = chunk; p < reinterpret_cast<char16_t*>(output); ++p) sink.put(*p);
    if (r != kIconvFailed || error == E2BIG) continue;
    if (error != EILSEQ && error != EINVAL) return ERROR_INVALID_PARAMETER;
    if (strict) return ERROR_NO_UNICODE_TRANSLATION;
    // One replacement per byte that cannot start a character; an incomplete character at
    // the end of the input is one replacement.
    sink.put(u'\xFFFD');
    if (error == EINVAL) break;
    ++input;
    --inputLeft;
  }
  // Converters that combine a base letter with the marks after it (Hebrew, Vietnamese) hold the
  // last letter back until they are told the input has ended.
  char* output = reinterpret_cast<char*>(chunk);
  size_t outputLeft = sizeof chunk;
  iconv(cd, nullptr, nullptr, &output, &outputLeft);
  for (char16_t* p = chunk; p < reinterpret_cast<char16_t*>(output); ++p) sink.put(*p);
  return ERROR_SUCCESS;
}

DWORD iconvEncode(const char* iconvName, const char16_t* in, size_t units, ByteSink& sink, std::string_view defaultChar,
                  bool* usedDefault) {
  iconv_t cd = t_converters.get(iconvName, true);
  if (cd == kNoConverter) return ERROR_INVALID_PARAMETER;
  char chunk[1024];
  auto drain = [&](const char* end) {
    for (const char* p = chunk; p < end; ++p) sink.put(*p);
  };
  // Stateful encodings (ISO-2022) must return to their initial state before a plain default
  // character, and at the end of the text.
  auto returnToInitialState = [&] {
    char* output = chunk;
    size_t outputLeft = sizeof chunk;
    iconv(cd, nullptr, nullptr, &output, &outputLeft);
    drain(output);
  };
  char* input = reinterpret_cast<char*>(const_cast<char16_t*>(in));
  size_t inputLeft = units * sizeof(char16_t);
  while (inputLeft > 0) {
    char* output = chunk;
    size_t outputLeft = sizeof chunk;
    size_t r = iconv(cd, &input, &inputLeft, &output, &outputLeft);
    int error = errno;
    drain(output);
    if (r != kIconvFailed || error == E2BIG) continue;
    if (error != EILSEQ && error != EINVAL) return ERROR_INVALID_PARAMETER;
    returnToInitialState();
    for (char c : defaultChar) sink.put(c);
    *usedDefault = true;
    // Skip the character: a surrogate pair as a whole, anything else one unit.
    const auto* at = reinterpret_cast<const char16_t*>(input);
    size_t skip = sizeof(char16_t);
    if (inputLeft >= 2 * sizeof(char16_t) && isHighSurrogate(at[0]) && isLowSurrogate(at[1])) {
      skip = 2 * sizeof(char16_t);
    }
    if (skip > inputLeft) skip = inputLeft;
    input += skip;
    inputLeft -= skip;
  }
  returnToInitialState();
  return ERROR_SUCCESS;
}

DWORD hzDecode(const char* in, size_t size, WideSink& sink, bool strict) {
  const auto* s = reinterpret_cast<const unsigned char*>(in);
  bool gb = false;
  std::vector<char> run;  // GB2312 pairs of the current "~{" section, in EUC-CN form
  auto flushRun = [&]() -> DWORD {
    DWORD error = run.empty() ? ERROR_SUCCESS : iconvDecode(kHzBaseCharset, run.data(), run.size(), sink, strict);
    run.clear();
    return error;
  };
  auto invalid = [&]() -> DWORD {
    if (strict) return ERROR_NO_UNICODE_TRANSLATION;
    sink.put(u'\xFFFD');
    return ERROR_SUCCESS;
  };
  size_t i = 0;
  while (i < size) {
    unsigned char b = s[i];
    if (b == '~' && i + 1 < size) {
      unsigned char next = s[i + 1];
      if (next == '{' || next == '}') {
        if (DWORD e = flushRun()) return e;
        gb = next == '{';
        i += 2;
        continue;
      }
      if (!gb && next == '~') {
        sink.put(u'~');
        i += 2;
        continue;
      }
      if (!gb && next == '\n') {  // a line continuation
        i += 2;
        continue;
      }
    }
    if (gb && b == '\n') {  // a line break ends a GB section
      if (DWORD e = flushRun()) return e;
      gb = false;
    }
    if (gb) {
      if (i + 1 < size && b >= 0x21 && b <= 0x7E && s[i + 1] >= 0x21 && s[i + 1] <= 0x7E) {
        run.push_back(static_cast<char>(b | 0x80));
        run.push_back(static_cast<char>(s[i + 1] | 0x80));
        i += 2;
        continue;
      }
      if (DWORD e = flushRun()) return e;
      // Control characters and the space are no GB halves: they stand for themselves, so a
      // terminating NUL stays the terminator.
      if (b < 0x21) {
        sink.put(b);
      } else if (DWORD e = invalid()) {
        return e;
      }
      ++i;
      continue;
    }
    if (b >= 0x80 || b == '~') {
      if (DWORD e = invalid()) return e;
    } else {
      sink.put(b);
    }
    ++i;
  }
  return flushRun();
}

DWORD hzEncode(const char16_t* in, size_t units, ByteSink& sink, std::string_view defaultChar, bool* usedDefault) {
  bool gb = false;
  auto leaveGb = [&] {
    if (gb) {
      sink.put('~');
      sink.put('}');
      gb = false;
    }
  };
  for (size_t i = 0; i < units; ++i) {
    char16_t u = in[i];
    if (u < 0x80) {
      leaveGb();
      sink.put(static_cast<char>(u));
      if (u == u'~') sink.put('~');
      continue;
    }
    size_t length = 1;
    if (isHighSurrogate(u) && i + 1 < units && isLowSurrogate(in[i + 1])) length = 2;
    char bytes[8];
    ByteSink one{bytes, sizeof bytes};
    bool unmappable = false;
    if (DWORD e = iconvEncode(kHzBaseCharset, in + i, length, one, {}, &unmappable)) return e;
    auto* b = reinterpret_cast<unsigned char*>(bytes);
    if (!unmappable && one.count == 2 && b[0] >= 0xA1 && b[1] >= 0xA1) {
      if (!gb) {
        sink.put('~');
        sink.put('{');
        gb = true;
      }
      sink.put(static_cast<char>(b[0] & 0x7F));
      sink.put(static_cast<char>(b[1] & 0x7F));
    } else {
      leaveGb();
      for (char c : defaultChar) sink.put(c);
      *usedDefault = true;
    }
    i += length - 1;
  }
  leaveGb();
  return ERROR_SUCCESS;
}

}  // namespace winapi::nls
