// The growable contiguous array, its stream views and its text forms.
#include "core/col/array/ArrayBase.h"

#include "core/col/CollectionInputStream.h"
#include "core/col/array/Growth.h"
#include "core/col/array/Iterator.h"
#include "core/digest/md5/Md5.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace s::col::_array {

using str::strbuffer::StrBuffer;

ArrayBase::~ArrayBase() { std::free(m_items); }

int32_t ArrayBase::compareTo(const base::IComparable* other,
                             const base::IComparator* comparator) const {
  if (comparator != nullptr) {
    return IComparable::compareTo(other, comparator);
  }
  const auto* that = static_cast<const ArrayBase*>(other);
  if (m_count != that->m_count) {
    return m_count < that->m_count ? -1 : 1;
  }
  const base::IComparator* elements = getDefaultComparator();
  const size_t size = bytes(1);
  for (size_t i = 0, n = bytes(m_count); i < n; i += size) {
    const int32_t c = elements->compare(m_items + i, that->m_items + i);
    if (c != 0) {
      return c;
    }
  }
  return 0;
}

void ArrayBase::copyTo(ArrayBase* dst, uint32_t dstIndex, uint32_t srcIndex, int32_t n) const {
  const uint32_t count = n < 0 ? m_count - srcIndex : static_cast<uint32_t>(n);
  dst->setRange(m_items, count, srcIndex, dstIndex);
}

void ArrayBase::copyFrom(const ArrayBase* src, uint32_t srcIndex, uint32_t dstIndex, int32_t n) {
  src->copyTo(this, dstIndex, srcIndex, n);
}

void ArrayBase::setCount(uint32_t n) {
  setCapacity(n);
  m_count = n;
}

uint32_t ArrayBase::getByteOffset(int32_t index) const {
  return static_cast<uint32_t>(bytes(index < 0 ? m_count : static_cast<uint32_t>(index)));
}

void ArrayBase::getRange(void* dst, uint32_t dstIndex, uint32_t srcIndex, int32_t n) const {
  const uint32_t count = n < 0 ? m_count - srcIndex : static_cast<uint32_t>(n);
  assert(srcIndex + count <= m_count);
  if (count != 0) {
    std::memcpy(static_cast<unsigned char*>(dst) + bytes(dstIndex), m_items + bytes(srcIndex),
                bytes(count));
  }
}

void ArrayBase::setCapacity(uint32_t n) {
  if (n <= m_capacity) {
    return;
  }
  auto* items = static_cast<unsigned char*>(std::realloc(m_items, bytes(n)));
  if (items == nullptr) {
    throw std::bad_alloc();
  }
  m_items = items;
  m_capacity = n;
}

void ArrayBase::ensureCapacity(uint32_t n) {
  if (m_capacity < n) {
    setCapacity(grownCapacityFor(m_capacity, n));
  }
}

void ArrayBase::growOne() {
  if (m_count == UINT32_MAX) {
    throw std::bad_alloc();
  }
  setCapacity(grownCapacity(m_capacity));
}

size_t ArrayBase::offsetInBlock(const void* p) const {
  const auto* q = static_cast<const unsigned char*>(p);
  if (m_items != nullptr && q >= m_items && q < m_items + bytes(m_capacity)) {
    return static_cast<size_t>(q - m_items);
  }
  return kOutside;
}

void ArrayBase::setRange(const void* src, uint32_t n, uint32_t srcIndex, uint32_t dstIndex) {
  if (n == 0) {
    return;
  }
  const uint32_t end = dstIndex + n;
  if (end > m_capacity) {
    // A source inside our own block (an array copied into itself) moves with the block.
    const size_t offset = offsetInBlock(src);
    setCapacity(end);
    if (offset != kOutside) {
      src = m_items + offset;
    }
  }
  std::memmove(m_items + bytes(dstIndex), static_cast<const unsigned char*>(src) + bytes(srcIndex),
               bytes(n));
  if (end > m_count) {
    m_count = end;
  }
}

void ArrayBase::makeRoomFor(uint32_t n) {
  if (m_count + n <= m_capacity) {
    return;
  }
  if (n == 1) {
    growOne();
  } else {
    ensureCapacity(m_count + n);
  }
}

void ArrayBase::add(const void* src, uint32_t n, uint32_t srcIndex) {
  if (n == 0) {
    return;
  }
  const size_t offset = offsetInBlock(src);
  makeRoomFor(n);
  if (offset != kOutside) {
    src = m_items + offset;
  }
  std::memcpy(m_items + bytes(m_count), static_cast<const unsigned char*>(src) + bytes(srcIndex),
              bytes(n));
  m_count += n;
}

void ArrayBase::addFirst(const void* src, uint32_t n, uint32_t srcIndex) {
  insert(0, src, n, srcIndex);
}

void ArrayBase::insert(uint32_t index, const void* src, uint32_t n, uint32_t srcIndex) {
  assert(index <= m_count);
  if (n == 0) {
    return;
  }
  if (index == m_count) {
    add(src, n, srcIndex);
    return;
  }
  const unsigned char* from = static_cast<const unsigned char*>(src) + bytes(srcIndex);
  if (offsetInBlock(from) != kOutside) {
    // Inserting the array's own elements: take them out of the way of the move first.
    std::vector<unsigned char> copy(from, from + bytes(n));
    insert(index, copy.data(), n, 0);
    return;
  }
  makeRoomFor(n);
  unsigned char* at = m_items + bytes(index);
  std::memmove(at + bytes(n), at, bytes(m_count - index));
  std::memcpy(at, from, bytes(n));
  m_count += n;
}

void ArrayBase::removeFirst(uint32_t n) { removeRange(0, n); }

void ArrayBase::removeRange(uint32_t index, uint32_t n) {
  assert(index + n <= m_count);
  if (n == 0) {
    return;
  }
  std::memmove(m_items + bytes(index), m_items + bytes(index + n), bytes(m_count - index - n));
  m_count -= n;
}

void ArrayBase::popLast(void* dst, uint32_t n, uint32_t dstIndex) {
  assert(n <= m_count);
  getRange(dst, dstIndex, m_count - n, static_cast<int32_t>(n));
  m_count -= n;
}

void ArrayBase::popFirst(void* dst, uint32_t n, uint32_t dstIndex) { extract(0, dst, n, dstIndex); }

void ArrayBase::extract(uint32_t index, void* dst, uint32_t n, uint32_t dstIndex) {
  getRange(dst, dstIndex, index, static_cast<int32_t>(n));
  removeRange(index, n);
}

int32_t ArrayBase::compareBytes(uint32_t index, const void* data, uint32_t dataCount,
                                uint32_t dataIndex, int32_t n) const {
  const uint32_t mine = index < m_count ? m_count - index : 0;
  const uint32_t theirs = dataIndex < dataCount ? dataCount - dataIndex : 0;
  const uint32_t shorter = std::min(mine, theirs);
  const uint32_t m = n < 0 ? shorter : std::min(static_cast<uint32_t>(n), shorter);
  if (m != 0) {
    const int c = std::memcmp(m_items + bytes(index),
                              static_cast<const unsigned char*>(data) + bytes(dataIndex), bytes(m));
    if (c != 0) {
      return c < 0 ? -1 : 1;
    }
  }
  const uint32_t asked = n < 0 ? std::max(mine, theirs) : static_cast<uint32_t>(n);
  // Two remainders that end together are equal, however many elements were asked for.
  if (asked > m && mine != theirs) {
    return mine < theirs ? -1 : 1;
  }
  return 0;
}

void ArrayBase::freeAll() {
  std::free(m_items);
  m_items = nullptr;
  m_count = 0;
  m_capacity = 0;
  m_position = 0;
}

void ArrayBase::swap(uint32_t i, uint32_t j) {
  uint64_t temp;
  swapWith(i, j, &temp);
}

void ArrayBase::swapWith(uint32_t i, uint32_t j, void* temp) {
  const size_t size = bytes(1);
  std::memcpy(temp, m_items + bytes(i), size);
  std::memcpy(m_items + bytes(i), m_items + bytes(j), size);
  std::memcpy(m_items + bytes(j), temp, size);
}

namespace {

template <typename T>
void reverseElements(void* items, uint32_t count) {
  T* p = static_cast<T*>(items);
  std::reverse(p, p + count);
}

}  // namespace

void ArrayBase::reverse() {
  switch (m_shift) {
    case 0: reverseElements<uint8_t>(m_items, m_count); break;
    case 1: reverseElements<uint16_t>(m_items, m_count); break;
    case 2: reverseElements<uint32_t>(m_items, m_count); break;
    default: reverseElements<uint64_t>(m_items, m_count); break;
  }
}

StrBuffer* ArrayBase::prepareOut(StrBuffer* out, bool append) {
  if (out == nullptr) {
    return StrBuffer::take();
  }
  if (!append) {
    out->clear();
  }
  return out;
}

StrBuffer* ArrayBase::toString(StrBuffer* out, bool append) const {
  out = prepareOut(out, append);
  out->append(getClassName())->append(u" [");
  const size_t size = bytes(1);
  for (uint32_t i = 0; i < m_count; ++i) {
    if (i != 0) {
      out->appendWChar(u' ');
    }
    appendElementText(out, m_items + i * size);
  }
  out->appendWChar(u']');
  return out;
}

StrBuffer* ArrayBase::toXml(StrBuffer* out, bool append) const {
  out = prepareOut(out, append);
  out->appendWChar(u'<')->append(getClassName())->append(u" length=\"");
  out->appendUInt32(m_count)->append(u"\">");
  appendAllRaw(out, true);
  out->append(u"</")->append(getClassName())->appendWChar(u'>');
  return out;
}

StrBuffer* ArrayBase::computeDigest(digest::IDigester* digester, StrBuffer* out,
                                    bool append) const {
  return digest::md5::Md5::digestToHex(digester, m_items, static_cast<uint32_t>(bytes(m_count)),
                                       out, append);
}

StrBuffer* ArrayBase::appendAllRaw(StrBuffer* out, bool append) const {
  out = prepareOut(out, append);
  const size_t size = bytes(1);
  for (uint32_t i = 0; i < m_count; ++i) {
    appendElementRaw(out, m_items + i * size);
  }
  return out;
}

io::IInputStream* ArrayBase::getInputStream() {
  CollectionInputStream* stream = CollectionInputStream::take();
  if (stream != nullptr) {
    stream->attach(this, static_cast<uint32_t>(bytes(1)));
  }
  return stream;
}

namespace {

Iterator* takeIterator(ArrayBase* array, int64_t index, unsigned char* element) {
  Iterator* it = Iterator::take();
  if (it != nullptr) {
    it->attach(array, static_cast<int32_t>(index), element);
  }
  return it;
}

}  // namespace

IteratorBase* ArrayBase::iterator() { return takeIterator(this, -1, m_items); }

IteratorBase* ArrayBase::reverseIterator() {
  return takeIterator(this, m_count, m_items + bytes(m_count));
}

IteratorBase* ArrayBase::iteratorFrom(int32_t n) {
  return takeIterator(this, static_cast<int64_t>(n) - 1,
                      m_items + (static_cast<intptr_t>(n) << m_shift));
}

IteratorBase* ArrayBase::reverseIteratorFrom(int32_t n) {
  const int64_t index = static_cast<int64_t>(m_count) - n;
  return takeIterator(this, index, m_items + (static_cast<intptr_t>(index) << m_shift));
}

}  // namespace s::col::_array
