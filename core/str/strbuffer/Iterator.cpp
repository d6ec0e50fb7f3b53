// The pooled iterator over a text's units.
#include "core/str/strbuffer/Iterator.h"

#include "core/str/strbuffer/StrBuffer.h"

namespace s::str::strbuffer {

void Iterator::attach(StrBuffer* text, int32_t index, WCHAR* current) {
  m_text = text;
  place(index, current, sizeof(WCHAR));
}

uint32_t Iterator::ownerCount() const { return m_text->getLength(); }

}  // namespace s::str::strbuffer
