// The growable array of pointers.
#include "core/col/array/ArrayP.h"

#include "core/cleaner/CleanerIObject.h"
#include "core/comp/CompP.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <cstdlib>
#include <cstring>

namespace s::col::_array {

ArrayP::~ArrayP() { freeAll(); }

void ArrayP::reset() {
  freeAll();
  m_disposer = nullptr;
}

void ArrayP::insertAt(uint32_t index, void* p) {
  assert(index <= m_count);
  if (index == m_count) {
    push(p);
    return;
  }
  if (m_count == m_capacity) {
    setCapacity(m_count + 1);
  }
  void** items = getItems();
  std::memmove(items + index + 1, items + index, (m_count - index) * sizeof(void*));
  items[index] = p;
  ++m_count;
}

void* ArrayP::removeItem(void* p) {
  void** items = getItems();
  for (uint32_t i = 0; i < m_count; ++i) {
    if (items[i] == p) {
      removeRange(i, 1);
      return p;
    }
  }
  return nullptr;
}

void ArrayP::deleteAt(uint32_t index) {
  void* element = getItems()[index];
  removeRange(index, 1);
  if (m_disposer != nullptr) {
    m_disposer->destruct(element);
  }
}

void ArrayP::freeAll() {
  // The array is emptied before the elements are disposed of, so a disposer that reaches back
  // into this array (an object leaving a listener list) finds it in a consistent state.
  void** items = getItems();
  const uint32_t count = m_count;
  m_items = nullptr;
  m_count = 0;
  m_capacity = 0;
  m_position = 0;
  if (m_disposer != nullptr) {
    for (uint32_t i = 0; i < count; ++i) {
      m_disposer->destruct(items[i]);
    }
  }
  std::free(items);
}

const void* ArrayP::getDefaultElement() const {
  static ArrayP* const s_defaults = [] {
    auto* defaults = new ArrayP();
    defaults->setDisposer(cleaner::CleanerIObject::instance());
    for (int i = 0; i < 5; ++i) {
      defaults->push(static_cast<base::IObject*>(new ArrayP()));
    }
    return defaults;
  }();
  return s_defaults->getItems();
}

void ArrayP::appendElementText(str::strbuffer::StrBuffer* out, const void* element) const {
  const auto* object = *static_cast<const base::IObject* const*>(element);
  if (object == nullptr) {
    out->append(u"null");
    return;
  }
  out->append(object->getClassName())->appendWChar(u'(');
  out->appendInt64(static_cast<int64_t>(reinterpret_cast<intptr_t>(object)))->appendWChar(u')');
}

str::strbuffer::StrBuffer* ArrayP::appendAllRaw(str::strbuffer::StrBuffer* out, bool append) const {
  return prepareOut(out, append);
}

const base::IComparator* ArrayP::getDefaultComparator() const { return comp::CompP::instance(); }

}  // namespace s::col::_array
