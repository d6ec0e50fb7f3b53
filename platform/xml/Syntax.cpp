// Small pieces of XML syntax.
#include "platform/xml/Syntax.h"

namespace s::xml::syntax {

namespace {

bool isDigit(WCHAR u) { return u >= u'0' && u <= u'9'; }
bool isHexDigit(WCHAR u) {
  return isDigit(u) || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}
bool isNameStart(WCHAR u) {
  return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || u == u'_' || u == u':';
}
bool isNameUnit(WCHAR u) { return isNameStart(u) || isDigit(u) || u == u'-' || u == u'.'; }

// The end of the reference that starts at `p` (an "&"), or null when it is not one.
const WCHAR* referenceEnd(const WCHAR* p, const WCHAR* to) {
  ++p;
  const WCHAR* start;
  if (p < to && *p == u'#') {
    ++p;
    const bool hex = p < to && (*p == u'x');
    if (hex) {
      ++p;
    }
    start = p;
    while (p < to && (hex ? isHexDigit(*p) : isDigit(*p))) {
      ++p;
    }
  } else {
    start = p;
    if (p < to && isNameStart(*p)) {
      ++p;
      while (p < to && isNameUnit(*p)) {
        ++p;
      }
    }
  }
  return p != start && p < to && *p == u';' ? p + 1 : nullptr;
}

}  // namespace

bool referencesAreWellFormed(const WCHAR* from, const WCHAR* to) {
  for (const WCHAR* p = from; p < to;) {
    if (*p != u'&') {
      ++p;
      continue;
    }
    p = referenceEnd(p, to);
    if (p == nullptr) {
      return false;
    }
  }
  return true;
}

}  // namespace s::xml::syntax
