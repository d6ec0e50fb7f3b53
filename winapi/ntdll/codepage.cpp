// MultiByteToWideChar, WideCharToMultiByte, IsValidCodePage and EnumSystemCodePagesW.
// UTF-8 and HZ have codecs of their own; the other code pages go through iconv under the
// names below. A code page counts as installed when this system's iconv can open it.
// Left out: best-fit mappings (the default character is used instead), MB_COMPOSITE and the
// WC_COMPOSITECHECK family (refused with ERROR_INVALID_FLAGS), the symbol code page 42, and
// 20000 (CNS) and 720 (Arabic DOS), for which iconv has no matching converter.
#include <windows.h>
#include <winseam.h>

#include "winapi/base/utf8.h"
#include "winapi/ntdll/nls.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <string>

namespace {

struct CodePageInfo {
  UINT number;
  const char* iconvName;  // null for the code pages with a codec of their own
};

constexpr UINT kHz = 52936;

// Ordered by number, the order in which EnumSystemCodePagesW reports them.
// clang-format off
constexpr CodePageInfo kCodePages[] = {
    {437, "IBM437"},         {737, "CP737"},          {775, "IBM775"},       {850, "IBM850"},
    {852, "IBM852"},         {855, "IBM855"},         {857, "IBM857"},       {862, "IBM862"},
    {866, "IBM866"},         {874, "WINDOWS-874"},    {932, "CP932"},        {936, "CP936"},
    {949, "CP949"},          {950, "CP950"},          {1250, "CP1250"},      {1251, "CP1251"},
    {1252, "CP1252"},        {1253, "CP1253"},        {1254, "CP1254"},      {1255, "CP1255"},
    {1256, "CP1256"},        {1257, "CP1257"},        {1258, "CP1258"},      {1361, "JOHAB"},
    {10000, "MACINTOSH"},    {20127, "US-ASCII"},     {20866, "KOI8-R"},     {20932, "EUC-JP"},
    {20936, "EUC-CN"},       {21866, "KOI8-U"},       {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},   {28594, "ISO-8859-4"},   {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},   {28598, "ISO-8859-8"},   {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"},  {50220, "ISO-2022-JP"},  {50225, "ISO-2022-KR"},
    {50227, "ISO-2022-CN"},
    // Windows gives 50229 to ISO-2022 Traditional Chinese, which no Windows converts; the
    // program offers it as Big5-HKSCS, so that is what it converts.
    {50229, "BIG5-HKSCS"},   {51949, "EUC-KR"},       {kHz, nullptr},        {54936, "GB18030"},
    {CP_UTF7, "UTF-7"},      {CP_UTF8, nullptr},
};
// clang-format on

const CodePageInfo* findCodePage(UINT number) {
  for (const CodePageInfo& info : kCodePages) {
    if (info.number == number) return &info;
  }
  return nullptr;
}

UINT resolve(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case CP_THREAD_ACP: return GetACP();
    case CP_OEMCP: return GetOEMCP();
    case CP_MACCP: return 10000;
    default: return codePage;
  }
}

bool isAvailable(const CodePageInfo& info) {
  if (info.number == CP_UTF8) return true;
  return winapi::nls::iconvAvailable(info.number == kHz ? winapi::nls::kHzBaseCharset : info.iconvName);
}

// The stateful and the 7-bit code pages take no flags, as on Windows; GB18030 takes only the
// strictness flags.
bool takesNoFlags(UINT number) {
  return number == 50220 || number == 50225 || number == 50227 || number == 50229 || number == kHz || number == CP_UTF7;
}

DWORD allowedToWideFlags(UINT number) {
  if (number == CP_UTF8 || number == 54936) return MB_ERR_INVALID_CHARS;
  return takesNoFlags(number) ? 0 : MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;
}

DWORD allowedToBytesFlags(UINT number) {
  if (number == CP_UTF8) return WC_ERR_INVALID_CHARS;
  return takesNoFlags(number) || number == 54936 ? 0 : WC_NO_BEST_FIT_CHARS;
}

// Whether `b` starts a two-byte character in a double-byte code page: a default character that
// starts with one takes the byte after it too, and any other takes only itself.
bool isLeadByte(UINT number, unsigned char b) {
  switch (number) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
    case 50229:
    case 54936: return b >= 0x81 && b <= 0xFE;
    case 1361: return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    case 20932: return b == 0x8E || (b >= 0xA1 && b <= 0xFE);
    case 20936:
    case 51949: return b >= 0xA1 && b <= 0xFE;
    default: return false;
  }
}

// The default character as the caller gave it. It is one character, not a string: only the byte
// after a lead byte is read, so a single char without a terminator is never read past.
std::string defaultCharOf(UINT number, const char* defaultChar) {
  if (defaultChar == nullptr) return "?";
  // A NUL is a character too: the unmappable character becomes a NUL byte, as on Windows, and
  // does not vanish (a text of unmappable characters would otherwise convert to nothing, and a
  // count of 0 is a failure).
  if (defaultChar[0] == 0) return std::string(1, '\0');
  if (isLeadByte(number, static_cast<unsigned char>(defaultChar[0])) && defaultChar[1] != 0) {
    return std::string(defaultChar, 2);
  }
  return std::string(defaultChar, 1);
}

int fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// The size the caller receives, or the failure Windows reports for a result that does not fit.
int finish(size_t needed, bool hasDestination, int capacity) {
  if (needed > static_cast<size_t>(INT_MAX)) return fail(ERROR_INSUFFICIENT_BUFFER);
  if (hasDestination && needed > static_cast<size_t>(capacity)) return fail(ERROR_INSUFFICIENT_BUFFER);
  return static_cast<int>(needed);
}

BOOL WINAPI realEnumSystemCodePagesW(CODEPAGE_ENUMPROCW callback, DWORD flags) {
  if (callback == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (flags != CP_INSTALLED && flags != CP_SUPPORTED) {
    SetLastError(ERROR_INVALID_FLAGS);
    return FALSE;
  }
  for (const CodePageInfo& info : kCodePages) {
    if (!isAvailable(info)) continue;
    std::string digits = std::to_string(info.number);
    char16_t text[16] = {};
    for (size_t i = 0; i < digits.size(); ++i) text[i] = static_cast<char16_t>(digits[i]);
    if (!callback(text)) break;
  }
  return TRUE;
}

std::atomic<winapi::seam::EnumSystemCodePagesFunction> s_enumSystemCodePages{&realEnumSystemCodePagesW};

}  // namespace

namespace winapi::seam {
EnumSystemCodePagesFunction replaceEnumSystemCodePagesW(EnumSystemCodePagesFunction replacement) {
  return s_enumSystemCodePages.exchange(replacement != nullptr ? replacement : &realEnumSystemCodePagesW);
}
}  // namespace winapi::seam

extern "C" BOOL WINAPI IsValidCodePage(UINT codePage) {
  const CodePageInfo* info = findCodePage(codePage);
  return info != nullptr && isAvailable(*info) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI EnumSystemCodePagesW(CODEPAGE_ENUMPROCW callback, DWORD flags) {
  return s_enumSystemCodePages.load()(callback, flags);
}

extern "C" int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes,
                                          LPWSTR destination, int destinationUnits) {
  // A buffer of no units asks for the size, whatever the pointer, as on Windows.
  if (destinationUnits == 0) destination = nullptr;
  if (source == nullptr || sourceBytes == 0 || sourceBytes < -1 || destinationUnits < 0 ||
      (destination == nullptr && destinationUnits != 0) ||
      (destination != nullptr && static_cast<const void*>(destination) == static_cast<const void*>(source))) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  size_t size = sourceBytes == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceBytes);
  UINT number = resolve(codePage);
  const CodePageInfo* info = findCodePage(number);
  if (info == nullptr) return fail(ERROR_INVALID_PARAMETER);
  bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  if ((flags & ~allowedToWideFlags(number)) != 0) return fail(ERROR_INVALID_FLAGS);

  winapi::nls::WideSink sink{destination, static_cast<size_t>(destinationUnits)};
  if (number == CP_UTF8) {
    auto policy = strict ? winapi::utf8::Invalid::Fail : winapi::utf8::Invalid::Replace;
    winapi::utf8::Result r = winapi::utf8::decode(source, size, destination, sink.capacity, policy);
    if (r.failed) return fail(ERROR_NO_UNICODE_TRANSLATION);
    return finish(r.count, destination != nullptr, destinationUnits);
  }
  // The terminator of a -1 text is U+0000 in every code page, also where the converter has no
  // NUL of its own (UTF-7), so it is added here rather than converted.
  size_t text = sourceBytes == -1 ? size - 1 : size;
  DWORD error = number == kHz ? winapi::nls::hzDecode(source, text, sink, strict)
                              : winapi::nls::iconvDecode(info->iconvName, source, text, sink, strict);
  if (error != ERROR_SUCCESS) return fail(error);
  if (sourceBytes == -1) sink.put(u'\0');
  return finish(sink.count, destination != nullptr, destinationUnits);
}

extern "C" int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceUnits,
                                          LPSTR destination, int destinationBytes, LPCSTR defaultChar,
                                          LPBOOL usedDefaultChar) {
  if (destinationBytes == 0) destination = nullptr;
  if (source == nullptr || sourceUnits == 0 || sourceUnits < -1 || destinationBytes < 0 ||
      (destination == nullptr && destinationBytes != 0) ||
      (destination != nullptr && static_cast<const void*>(destination) == static_cast<const void*>(source))) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  size_t units = static_cast<size_t>(sourceUnits);
  if (sourceUnits == -1) {
    units = 0;
    while (source[units] != 0) ++units;
    ++units;  // the terminator is converted too
  }
  UINT number = resolve(codePage);
  const CodePageInfo* info = findCodePage(number);
  if (info == nullptr) return fail(ERROR_INVALID_PARAMETER);
  bool unicode = number == CP_UTF8 || number == CP_UTF7;
  if (unicode && (defaultChar != nullptr || usedDefaultChar != nullptr)) return fail(ERROR_INVALID_PARAMETER);
  if ((flags & ~allowedToBytesFlags(number)) != 0) return fail(ERROR_INVALID_FLAGS);
  if (usedDefaultChar != nullptr) *usedDefaultChar = FALSE;

  winapi::nls::ByteSink sink{destination, static_cast<size_t>(destinationBytes)};
  if (number == CP_UTF8) {
    auto policy = (flags & WC_ERR_INVALID_CHARS) != 0 ? winapi::utf8::Invalid::Fail : winapi::utf8::Invalid::Replace;
    winapi::utf8::Result r = winapi::utf8::encode(source, units, destination, sink.capacity, policy);
    if (r.failed) return fail(ERROR_NO_UNICODE_TRANSLATION);
    return finish(r.count, destination != nullptr, destinationBytes);
  }
  std::string substitute = defaultCharOf(number, defaultChar);
  bool usedDefault = false;
  // As above, the terminator is a NUL byte after the text has returned to its initial state.
  size_t text = sourceUnits == -1 ? units - 1 : units;
  DWORD error = number == kHz ? winapi::nls::hzEncode(source, text, sink, substitute, &usedDefault)
                              : winapi::nls::iconvEncode(info->iconvName, source, text, sink, substitute, &usedDefault);
  if (error != ERROR_SUCCESS) return fail(error);
  if (sourceUnits == -1) sink.put('\0');
  if (usedDefaultChar != nullptr && usedDefault) *usedDefaultChar = TRUE;
  return finish(sink.count, destination != nullptr, destinationBytes);
}
