// The layer's own UTF-8 codec, shared by the code-page conversions and by every place where a
// UTF-16 text meets the POSIX side (file names, argv, environment).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace winapi::utf8 {

/// What happens to input that is not well-formed.
enum class Invalid {
  Replace,  // one U+FFFD per maximal ill-formed subpart (decoding) or per lone surrogate (encoding)
  Fail,     // the conversion stops and reports failure
  Escape,   // file names: each undecodable byte becomes the lone surrogate U+DC00 + byte, and
            // U+DC80..U+DCFF become that byte again, as does U+DC5C, the path conversion's
            // escape of a "\" inside a POSIX name (paths::toWindows); any other lone surrogate
            // fails
};

/// Result of a conversion: the units or bytes the whole input needs, whether the input was
/// well-formed, and whether the escape policy met a surrogate it cannot map back.
struct Result {
  size_t count = 0;
  bool hadInvalid = false;
  bool failed = false;
};

/// Decodes `size` bytes into at most `capacity` UTF-16 units at `out` (null: only count).
/// The count is always that of the whole input; units beyond the capacity are not written.
Result decode(const char* bytes, size_t size, char16_t* out, size_t capacity, Invalid policy);

/// Encodes `size` UTF-16 units into at most `capacity` bytes at `out` (null: only count).
Result encode(const char16_t* units, size_t size, char* out, size_t capacity, Invalid policy);

/// Convenience forms for whole strings; false when the policy made the conversion fail.
bool toUtf16(std::string_view bytes, std::u16string& out, Invalid policy = Invalid::Replace);
bool toUtf8(std::u16string_view units, std::string& out, Invalid policy = Invalid::Replace);

}  // namespace winapi::utf8
