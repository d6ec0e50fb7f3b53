// Internal to the code-page conversions: the converters behind MultiByteToWideChar and
// WideCharToMultiByte for the code pages that are not UTF-8.
#pragma once

#include <windows.h>

#include "winapi/base/sink.h"

#include <cstddef>
#include <string_view>

namespace winapi::nls {

using WideSink = Sink<char16_t>;
using ByteSink = Sink<char>;

/// Each converter returns ERROR_SUCCESS or the Windows error code of its failure.
/// `strict`: ill-formed input fails with ERROR_NO_UNICODE_TRANSLATION instead of becoming U+FFFD.
DWORD iconvDecode(const char* iconvName, const char* in, size_t size, WideSink& sink, bool strict);
/// Characters the code page lacks become `defaultChar` (and set *usedDefault).
DWORD iconvEncode(const char* iconvName, const char16_t* in, size_t units, ByteSink& sink, std::string_view defaultChar,
                  bool* usedDefault);
/// Whether iconv can open the named character set on this system (answered once per thread).
bool iconvAvailable(const char* iconvName);

/// HZ (RFC 1843): GB2312 in 7-bit form between "~{" and "~}", over the EUC-CN converter.
DWORD hzDecode(const char* in, size_t size, WideSink& sink, bool strict);
DWORD hzEncode(const char16_t* in, size_t units, ByteSink& sink, std::string_view defaultChar, bool* usedDefault);
inline constexpr const char* kHzBaseCharset = "EUC-CN";

}  // namespace winapi::nls
