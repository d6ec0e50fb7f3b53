// Case of single UTF-16 units as the library folds it: A-Z and a-z only, never any other letter.
#pragma once

#include <winnt.h>

namespace s::str {

inline WCHAR foldLower(WCHAR unit) {
  return (unit >= u'A' && unit <= u'Z') ? static_cast<WCHAR>(unit + (u'a' - u'A')) : unit;
}

inline WCHAR foldUpper(WCHAR unit) {
  return (unit >= u'a' && unit <= u'z') ? static_cast<WCHAR>(unit - (u'a' - u'A')) : unit;
}

}  // namespace s::str
