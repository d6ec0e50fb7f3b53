// The ASCII case mapping of the layer: Windows folds only A-Z in the names it compares without
// case (window classes, modules, environment variables, resource names, file extensions), so
// every such comparison here maps those letters and leaves every other unit as it is.
#pragma once

#include <string_view>

namespace winapi::ascii {

/// a-z to A-Z; any other unit (char, char16_t, or a wider code) unchanged.
template <typename Char>
constexpr Char toUpper(Char c) {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - (Char('a') - Char('A'))) : c;
}

/// A-Z to a-z; any other unit unchanged.
template <typename Char>
constexpr Char toLower(Char c) {
  return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c + (Char('a') - Char('A'))) : c;
}

/// Equal texts with A-Z folded.
inline bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (toUpper(a[i]) != toUpper(b[i])) return false;
  }
  return true;
}

}  // namespace winapi::ascii
