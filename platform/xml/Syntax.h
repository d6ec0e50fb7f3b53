// Small pieces of XML syntax shared by the element and attribute parsers.
#pragma once

#include <winnt.h>

namespace s::xml::syntax {

/// TAB, LF, CR and space.
inline bool isWhite(WCHAR unit) {
  return unit == u'\t' || unit == u'\n' || unit == u'\r' || unit == u' ';
}

inline const WCHAR* skipWhite(const WCHAR* p) {
  while (isWhite(*p)) {
    ++p;
  }
  return p;
}

/// Whether every "&" in [from, to) starts a well-formed reference: "&name;", "&#digits;" or
/// "&#xhex;". Which references the decoders know is their business; a bare "&" is not XML.
bool referencesAreWellFormed(const WCHAR* from, const WCHAR* to);

}  // namespace s::xml::syntax
