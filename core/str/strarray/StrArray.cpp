// The owning list of texts.
#include "core/str/strarray/StrArray.h"

#include "core/str/strbuffer/StrBuffer.h"

namespace s::str::strarray {

using strbuffer::StrBuffer;

StrArray::StrArray() { m_items.setDisposer(&StrBuffer::pool()); }

StrArray::~StrArray() {
  void** elements = m_items.getItems();
  for (uint32_t i = 0, n = m_items.getCount(); i < n; ++i) {
    delete static_cast<IStr*>(elements[i]);
    elements[i] = nullptr;
  }
  m_items.setCount(0);
}

void StrArray::clear() {
  if (m_items.getCount() != 0) {
    m_items.freeAll();
  }
}

StrArray* StrArray::add(IStr* text) {
  m_items.push(text);
  return this;
}

StrArray* StrArray::addText(const WCHAR* text) {
  StrBuffer* copy = StrBuffer::take();
  copy->assign(text);
  m_items.push(static_cast<IStr*>(copy));
  return this;
}

bool StrArray::indexOfIgnoreCase(const IStr* text, uint32_t* index) const {
  for (uint32_t i = 0, n = m_items.getCount(); i < n; ++i) {
    if (get(i)->equalsIgnoreCase(text)) {
      if (index != nullptr) {
        *index = i;
      }
      return true;
    }
  }
  return false;
}

}  // namespace s::str::strarray
