// The escaped forms of attribute values and element text.
#include "platform/xml/Escape.h"

#include <crtwchar.h>

namespace s::xml {

using str::strbuffer::StrBuffer;

namespace {

struct Entity {
  const WCHAR* text;
  uint32_t length;
  WCHAR unit;
  bool keepsWhiteSpace;  // decoded white space that trimming must not take away
};

constexpr Entity kAttributeEntities[] = {{u"&amp;", 5, u'&', false},
                                         {u"&lt;", 4, u'<', false},
                                         {u"&quot;", 6, u'"', false},
                                         {u"&#13;", 5, u'\r', false},
                                         {u"&#10;", 5, u'\n', false}};
constexpr Entity kTextEntities[] = {{u"&amp;", 5, u'&', false}, {u"&lt;", 4, u'<', false},
                                    {u"&gt;", 4, u'>', false},  {u"&#160;", 6, u' ', true},
                                    {u"&#13;", 5, u'\r', true}, {u"&#10;", 5, u'\n', true}};

bool isWhite(WCHAR unit) { return unit == u'\t' || unit == u'\n' || unit == u'\r' || unit == u' '; }

// Prepares `out` and answers its length before decoding.
uint32_t prepare(StrBuffer* out, const WCHAR* text, bool append, int32_t length) {
  const uint32_t units =
      length < 0 ? static_cast<uint32_t>(wcslen(text)) : static_cast<uint32_t>(length);
  if (append) {
    out->ensureCapacity(out->getLength() + units);
  } else {
    out->clear();
    out->reserve(units);
  }
  return out->getLength();
}

// Decodes from `text` to its NUL; answers the length right after the last entity that keeps its
// white space (or `keep` when none did).
template <size_t kCount>
uint32_t decode(StrBuffer* out, const WCHAR* text, const Entity (&entities)[kCount],
                uint32_t keep) {
  for (const WCHAR* p = text; *p != 0;) {
    if (*p == u'&') {
      const Entity* found = nullptr;
      for (const Entity& e : entities) {
        if (wcsncmp(p, e.text, e.length) == 0) {
          found = &e;
          break;
        }
      }
      if (found != nullptr) {
        out->appendWChar(found->unit);
        if (found->keepsWhiteSpace) {
          keep = out->getLength();
        }
        p += found->length;
        continue;
      }
    }
    out->appendWChar(*p++);
  }
  return keep;
}

}  // namespace

void escapeAttribute(StrBuffer* out, const WCHAR* text) {
  out->clear();
  for (const WCHAR* p = text; *p != 0; ++p) {
    switch (*p) {
      case u'\n': out->append(u"&#10;"); break;
      case u'\r': out->append(u"&#13;"); break;
      case u'"': out->append(u"&quot;"); break;
      case u'&': out->append(u"&amp;"); break;
      case u'<': out->append(u"&lt;"); break;
      default: out->appendWChar(*p);
    }
  }
}

void escapeText(StrBuffer* out, const WCHAR* text) {
  out->clear();
  for (const WCHAR* p = text; *p != 0; ++p) {
    switch (*p) {
      case u'\n': out->append(u"&#10;"); break;
      case u'\r': out->append(u"&#13;"); break;
      case u' ': out->append(u"&#160;"); break;
      case u'&': out->append(u"&amp;"); break;
      case u'<': out->append(u"&lt;"); break;
      case u'>': out->append(u"&gt;"); break;
      default: out->appendWChar(*p);
    }
  }
}

void unescapeAttribute(StrBuffer* out, const WCHAR* text, bool append, int32_t length) {
  const uint32_t start = prepare(out, text, append, length);
  decode(out, text, kAttributeEntities, start);
}

void unescapeText(StrBuffer* out, const WCHAR* text, bool append, int32_t length) {
  // What was in `out` before is never trimmed.
  const uint32_t start = prepare(out, text, append, length);
  while (isWhite(*text)) {
    ++text;
  }
  out->trimRightKeeping(decode(out, text, kTextEntities, start));
}

}  // namespace s::xml
