// The pooled iterator over an array's elements.
#include "core/col/array/Iterator.h"

#include "core/col/array/ArrayBase.h"

namespace s::col::_array {

void Iterator::attach(ArrayBase* array, int32_t index, void* element) {
  m_array = array;
  place(index, element, static_cast<size_t>(1) << array->getElementShift());
}

uint32_t Iterator::ownerCount() const { return m_array->getCount(); }

}  // namespace s::col::_array
