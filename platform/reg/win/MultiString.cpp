// The REG_MULTI_SZ form of a list of texts.
#include "platform/reg/win/MultiString.h"

#include <cstring>

namespace s::reg::win {

using col::_array::ArrayU08;
using str::strbuffer::StrBuffer;

void splitMultiString(str::strarray::StrArray* list, const ArrayU08* bytes) {
  list->clear();
  const uint32_t count = bytes->getCount() / 2;
  if (count < 2) {
    return;
  }
  // The units are copied out: the bytes need not be aligned for 16-bit reads.
  auto unitAt = [bytes](uint32_t i) {
    WCHAR unit;
    std::memcpy(&unit, bytes->getItems() + 2 * i, sizeof(unit));
    return unit;
  };
  uint32_t last = count - 1;  // the first unit of the last NUL pair
  while (last != 0 && !(unitAt(last - 1) == 0 && unitAt(last) == 0)) {
    --last;
  }
  if (last == 0) {
    return;
  }
  --last;
  for (uint32_t start = 0; start <= last;) {
    uint32_t end = start;
    while (unitAt(end) != 0) {
      ++end;
    }
    if (end == start && list->getCount() != 0) {
      break;
    }
    StrBuffer* text = StrBuffer::take();
    text->clear();
    for (uint32_t i = start; i < end; ++i) {
      text->appendWChar(unitAt(i));
    }
    list->add(text);
    start = end + 1;
  }
}

ArrayU08* joinMultiString(const str::strarray::StrArray* list, ArrayU08* out) {
  if (out == nullptr) {
    out = ArrayU08::take();
  }
  out->clear();
  static const uint8_t kZero[4] = {0, 0, 0, 0};
  const uint32_t n = list->getCount();
  if (n == 0) {
    out->add(kZero, 4);
    return out;
  }
  uint32_t total = 2;
  for (uint32_t i = 0; i < n; ++i) {
    total += list->get(i)->getLength() * 2 + 2;
  }
  out->ensureCapacity(total);
  for (uint32_t i = 0; i < n; ++i) {
    StrBuffer* text = list->get(i);
    if (text->getLength() != 0) {
      out->add(text->getBuffer(), text->getLength() * 2);
    }
    out->add(kZero, 2);
  }
  out->add(kZero, 2);
  return out;
}

}  // namespace s::reg::win
