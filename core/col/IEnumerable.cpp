// The iterator-based defaults of enumerable collections.
#include "core/col/IEnumerable.h"

#include "core/col/IteratorBase.h"

namespace s::col {

IteratorBase* IEnumerable::iteratorFrom(int32_t n) {
  IteratorBase* it = iterator();
  if (it != nullptr) {
    it->skip(n);
  }
  return it;
}

IteratorBase* IEnumerable::reverseIteratorFrom(int32_t n) {
  IteratorBase* it = reverseIterator();
  if (it != nullptr) {
    it->skipBack(n);
  }
  return it;
}

void* IEnumerable::getPointerAt(uint32_t index) {
  IteratorBase* it = iteratorFrom(static_cast<int32_t>(index));
  if (it == nullptr) {
    return nullptr;
  }
  void* element = it->next();
  it->dispose();
  return element;
}

}  // namespace s::col
