// UTF-8 and UTF-16 conversions for the layer's own use at the POSIX boundary (environment,
// file names, locale names).
#pragma once

#include <string>
#include <string_view>

namespace winapi {

/// Decodes UTF-8; each malformed sequence becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);
/// Encodes UTF-16; each unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace winapi
