// The weight table of one resampling pass.
#include "imaging/filters/scale/Contribution.h"

#include "core/col/array/ArrayU08.h"

namespace s::image::filters::scale {

Contribution::Contribution() { reset(); }

Contribution::~Contribution() {
  if (m_records != nullptr) {
    m_records->release();
  }
}

void Contribution::reset() {
  m_count = 0;
  m_windowSize = 0;
  m_recordSize = 0;
  if (m_records != nullptr) {
    m_records->freeAll();
  }
}

const int32_t* Contribution::getRecord(int32_t i) const {
  return reinterpret_cast<const int32_t*>(m_records->getItems() +
                                          static_cast<size_t>(i) * m_recordSize);
}

int32_t* Contribution::getRecord(int32_t i) {
  return reinterpret_cast<int32_t*>(m_records->getItems() + static_cast<size_t>(i) * m_recordSize);
}

bool Contribution::prepare(int32_t count, int32_t r) {
  if (m_records == nullptr) {
    m_records = col::_array::ArrayU08::take();
    if (m_records == nullptr) {
      return false;
    }
  }
  const int64_t recordSize = 8 * int64_t{r} + 12;
  const int64_t bytes = recordSize * count;
  if (bytes > INT32_MAX) {
    return false;
  }
  m_count = count;
  m_windowSize = 2 * r + 1;
  m_recordSize = static_cast<int32_t>(recordSize);
  m_records->setCount(0);
  m_records->ensureCapacity(static_cast<uint32_t>(bytes));
  return true;
}

}  // namespace s::image::filters::scale
