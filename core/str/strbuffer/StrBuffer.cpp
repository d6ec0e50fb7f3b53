// The text buffer: storage, comparison, case, searches, region tests, trimming, insertion,
// pieces, replacement, splitting, iterators and the stream views. Numbers and hex live in
// StrBufferFormat.cpp, encodings and digests in StrBufferEncode.cpp.
#include "core/str/strbuffer/StrBuffer.h"

#include "core/base/IComparator.h"
#include "core/col/array/Growth.h"
#include "core/str/Case.h"
#include "core/str/strarray/StrArray.h"
#include "core/str/strbuffer/Iterator.h"
#include "core/thread/Pooled.h"

#include <crtwchar.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace s::str::strbuffer {

namespace {

// The white space that trimming removes, in this order: space, LF, ideographic space, TAB, CR.
// U+00A0 (no-break space) is deliberately not white space.
constexpr WCHAR kWhiteSpace[] = {u' ', u'\n', u'\u3000', u'\t', u'\r', 0};
constexpr int32_t kWhiteSpaceCount = 5;

uint32_t countOf(const WCHAR* units, int32_t n) {
  return n < 0 ? static_cast<uint32_t>(wcslen(units)) : static_cast<uint32_t>(n);
}

bool isIn(WCHAR unit, const WCHAR* units, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    if (units[i] == unit) {
      return true;
    }
  }
  return false;
}

template <bool kIgnoreCase>
bool isInSet(WCHAR unit, const WCHAR* units, uint32_t n) {
  if constexpr (kIgnoreCase) {
    const WCHAR folded = foldLower(unit);
    for (uint32_t i = 0; i < n; ++i) {
      if (foldLower(units[i]) == folded) {
        return true;
      }
    }
    return false;
  } else {
    return isIn(unit, units, n);
  }
}

// The searches' limit: the whole text for 0xFFFFFF or anything past the length, nothing for a
// negative value.
int64_t searchLimit(int32_t before, uint32_t length) {
  if (before == IStr::kWhole || (before > 0 && static_cast<uint32_t>(before) > length)) {
    return length;
  }
  return before;
}

template <bool kIgnoreCase>
bool unitsMatch(WCHAR a, WCHAR b) {
  if constexpr (kIgnoreCase) {
    return foldLower(a) == foldLower(b);
  } else {
    return a == b;
  }
}

template <bool kIgnoreCase>
bool findUnitForward(const WCHAR* data, uint32_t length, const WCHAR* units, uint32_t count,
                     uint32_t* index, uint32_t from) {
  if (length == 0 || from >= length) {
    return false;
  }
  for (uint32_t i = from; i < length; ++i) {
    if (isInSet<kIgnoreCase>(data[i], units, count)) {
      if (index != nullptr) {
        *index = i;
      }
      return true;
    }
  }
  return false;
}

template <bool kIgnoreCase>
bool findUnitBackward(const WCHAR* data, uint32_t length, const WCHAR* units, uint32_t count,
                      uint32_t* index, int32_t before) {
  const int64_t limit = searchLimit(before, length);
  if (length == 0 || limit <= 0) {
    return false;
  }
  for (int64_t i = limit - 1; i >= 0; --i) {
    if (isInSet<kIgnoreCase>(data[i], units, count)) {
      if (index != nullptr) {
        *index = static_cast<uint32_t>(i);
      }
      return true;
    }
  }
  return false;
}

}  // namespace

StrBuffer::~StrBuffer() { std::free(m_data); }

// ---- Storage ------------------------------------------------------------------------------------

void StrBuffer::reallocate(uint32_t capacity) {
  auto* data = static_cast<WCHAR*>(
      std::realloc(m_data, (static_cast<size_t>(capacity) + 1) * sizeof(WCHAR)));
  if (data == nullptr) {
    throw std::bad_alloc();
  }
  m_data = data;
  m_capacity = capacity;
}

void StrBuffer::reserve(uint32_t n) {
  if (m_capacity < n) {
    reallocate(n);
  }
}

void StrBuffer::growBuffer() {
  if (m_capacity == UINT32_MAX) {
    throw std::bad_alloc();
  }
  reallocate(col::_array::grownCapacity(m_capacity));
}

void StrBuffer::growBufferTo(uint32_t n) {
  if (m_capacity < n) {
    reallocate(col::_array::grownCapacityFor(m_capacity, n));
  }
}

void StrBuffer::makeRoomFor(uint32_t n) {
  const uint64_t needed = static_cast<uint64_t>(m_length) + n;
  if (needed > UINT32_MAX) {
    throw std::bad_alloc();
  }
  if (needed <= m_capacity) {
    return;
  }
  if (n == 1) {
    growBuffer();
  } else {
    growBufferTo(static_cast<uint32_t>(needed));
  }
}

WCHAR* StrBuffer::appendRoom(uint32_t units) {
  makeRoomFor(units);
  return m_data + m_length;
}

void StrBuffer::freeBuffer() {
  std::free(m_data);
  m_data = nullptr;
  m_length = 0;
  m_capacity = 0;
  m_position = 0;
}

const WCHAR* StrBuffer::getCStr() {
  if (m_length == 0) {
    // Also writes the NUL into an emptied block, so its old units never read as text.
    terminate();
    return u"";
  }
  m_data[m_length] = 0;
  return m_data;
}

const WCHAR* StrBuffer::terminated() const {
  if (m_data == nullptr) {
    return u"";
  }
  // The block always has room for the NUL behind the text; writing it does not change the text.
  const_cast<WCHAR*>(m_data)[m_length] = 0;
  return m_data;
}

uint32_t StrBuffer::searchableLength() const {
  const WCHAR* end = std::find(m_data, m_data + m_length, u'\0');
  return static_cast<uint32_t>(end - m_data);
}

// ---- Object -------------------------------------------------------------------------------------

int32_t StrBuffer::compareTo(const base::IComparable* other, const base::IComparator*) const {
  const auto* that = static_cast<const StrBuffer*>(other);
  const uint32_t common = std::min(m_length, that->m_length);
  if (common != 0) {
    // Bytewise over the little-endian units: for ASCII this is the unit order.
    const int c = std::memcmp(m_data, that->m_data, common * sizeof(WCHAR));
    if (c != 0) {
      return c < 0 ? -1 : 1;
    }
  }
  return m_length == that->m_length ? 0 : (m_length < that->m_length ? -1 : 1);
}

int32_t StrBuffer::compareToIgnoreCase(const base::IComparable* other,
                                       const base::IComparator*) const {
  const auto* that = static_cast<const StrBuffer*>(other);
  const uint32_t common = std::min(m_length, that->m_length);
  for (uint32_t i = 0; i < common; ++i) {
    const WCHAR a = foldLower(m_data[i]);
    const WCHAR b = foldLower(that->m_data[i]);
    if (a != b) {
      return a < b ? -1 : 1;
    }
  }
  return m_length == that->m_length ? 0 : (m_length < that->m_length ? -1 : 1);
}

bool StrBuffer::equals(const base::IComparable* other, const base::IComparator* comparator) const {
  if (comparator != nullptr) {
    return IComparable::equals(other, comparator);
  }
  const auto* that = static_cast<const StrBuffer*>(other);
  return m_length == that->m_length &&
         (m_length == 0 || std::memcmp(m_data, that->m_data, m_length * sizeof(WCHAR)) == 0);
}

bool StrBuffer::equalsIgnoreCase(const base::IComparable* other,
                                 const base::IComparator* comparator) const {
  if (comparator != nullptr) {
    return IComparable::equalsIgnoreCase(other, comparator);
  }
  const auto* that = static_cast<const StrBuffer*>(other);
  return m_length == that->m_length && compareToIgnoreCase(that) == 0;
}

namespace {

template <bool kIgnoreCase>
uint32_t hashUnits(const WCHAR* data, uint32_t length) {
  uint32_t h = 0;
  for (uint32_t i = 0; i < length; ++i) {
    // Shift left by one; bit 30 also comes round to bit 0 and the old bit 31 drops out.
    h = ((h << 1) | ((h >> 30) & 1)) ^ (kIgnoreCase ? foldLower(data[i]) : data[i]);
  }
  return h;
}

}  // namespace

uint32_t StrBuffer::hashCode() const { return hashUnits<false>(m_data, m_length); }

uint32_t StrBuffer::hashCodeIgnoreCase() const { return hashUnits<true>(m_data, m_length); }

// ---- Case ---------------------------------------------------------------------------------------

void StrBuffer::reverse() { std::reverse(m_data, m_data + m_length); }

// Case changes work on exactly the text's units, whatever lies behind it in the block.
void StrBuffer::toLowerCase() {
  for (uint32_t i = 0; i < m_length; ++i) {
    m_data[i] = foldLower(m_data[i]);
  }
}

void StrBuffer::toUpperCase() {
  for (uint32_t i = 0; i < m_length; ++i) {
    m_data[i] = foldUpper(m_data[i]);
  }
}

void StrBuffer::capitalize() {
  toLowerCase();
  if (m_length != 0) {
    m_data[0] = foldUpper(m_data[0]);
  }
}

WCHAR StrBuffer::getCharAtLowerCase(uint32_t index) const { return foldLower(m_data[index]); }

WCHAR StrBuffer::getCharAtUpperCase(uint32_t index) const { return foldUpper(m_data[index]); }

// ---- Searching units ----------------------------------------------------------------------------

bool StrBuffer::indexOf(WCHAR unit, uint32_t* index, uint32_t from) const {
  if (from >= m_length) {
    return false;
  }
  const WCHAR* end = m_data + m_length;
  const WCHAR* p = std::find(static_cast<const WCHAR*>(m_data) + from, end, unit);
  if (p == end) {
    return false;
  }
  if (index != nullptr) {
    *index = static_cast<uint32_t>(p - m_data);
  }
  return true;
}

bool StrBuffer::indexOfIgnoreCase(WCHAR unit, uint32_t* index, uint32_t from) const {
  return findUnitForward<true>(m_data, m_length, &unit, 1, index, from);
}

bool StrBuffer::indexOfAny(const WCHAR* units, int32_t count, uint32_t* index,
                           uint32_t from) const {
  return findUnitForward<false>(m_data, m_length, units, countOf(units, count), index, from);
}

bool StrBuffer::indexOfAnyIgnoreCase(const WCHAR* units, int32_t count, uint32_t* index,
                                     uint32_t from) const {
  return findUnitForward<true>(m_data, m_length, units, countOf(units, count), index, from);
}

bool StrBuffer::lastIndexOf(WCHAR unit, uint32_t* index, int32_t before) const {
  return findUnitBackward<false>(m_data, m_length, &unit, 1, index, before);
}

bool StrBuffer::lastIndexOfIgnoreCase(WCHAR unit, uint32_t* index, int32_t before) const {
  return findUnitBackward<true>(m_data, m_length, &unit, 1, index, before);
}

bool StrBuffer::lastIndexOfAny(const WCHAR* units, int32_t count, uint32_t* index,
                               int32_t before) const {
  return findUnitBackward<false>(m_data, m_length, units, countOf(units, count), index, before);
}

bool StrBuffer::lastIndexOfAnyIgnoreCase(const WCHAR* units, int32_t count, uint32_t* index,
                                         int32_t before) const {
  return findUnitBackward<true>(m_data, m_length, units, countOf(units, count), index, before);
}

// ---- Searching texts ----------------------------------------------------------------------------

template <bool kIgnoreCase>
bool StrBuffer::findStr(const WCHAR* text, uint32_t* index, uint32_t from) const {
  if (m_length == 0) {
    return false;
  }
  const uint32_t n = static_cast<uint32_t>(wcslen(text));
  uint32_t end = m_length;
  if constexpr (!kIgnoreCase) {
    // The plain search sees the text as a NUL-terminated one: an embedded NUL ends it, and an
    // empty search text is found where the search starts.
    end = searchableLength();
    if (from > end) {
      return false;
    }
    if (n == 0) {
      if (index != nullptr) {
        *index = from;
      }
      return true;
    }
  } else if (n == 0) {
    return false;
  }
  if (n > end) {
    return false;
  }
  for (uint32_t i = from; i <= end - n; ++i) {
    if (!unitsMatch<kIgnoreCase>(m_data[i], text[0])) {
      continue;
    }
    uint32_t k = 1;
    while (k < n && unitsMatch<kIgnoreCase>(m_data[i + k], text[k])) {
      ++k;
    }
    if (k == n) {
      if (index != nullptr) {
        *index = i;
      }
      return true;
    }
  }
  return false;
}

template <bool kIgnoreCase>
bool StrBuffer::findLastStr(const WCHAR* text, uint32_t* index, int32_t before) const {
  const int64_t n = static_cast<int64_t>(wcslen(text));
  const int64_t limit = searchLimit(before, m_length);
  if (m_length == 0 || n == 0 || limit - n < 0) {
    return false;
  }
  // The last occurrence starting at or before limit - n lies wholly below the limit.
  for (int64_t i = limit - n; i >= 0; --i) {
    if (matches<kIgnoreCase>(static_cast<uint32_t>(i), text, 0, static_cast<int32_t>(n))) {
      if (index != nullptr) {
        *index = static_cast<uint32_t>(i);
      }
      return true;
    }
  }
  return false;
}

bool StrBuffer::indexOfStr(const WCHAR* text, uint32_t* index, uint32_t from) const {
  return findStr<false>(text, index, from);
}

bool StrBuffer::indexOfStrIgnoreCase(const WCHAR* text, uint32_t* index, uint32_t from) const {
  return findStr<true>(text, index, from);
}

bool StrBuffer::lastIndexOfStr(const WCHAR* text, uint32_t* index, int32_t before) const {
  return findLastStr<false>(text, index, before);
}

bool StrBuffer::lastIndexOfStrIgnoreCase(const WCHAR* text, uint32_t* index, int32_t before) const {
  return findLastStr<true>(text, index, before);
}

// ---- Region tests -------------------------------------------------------------------------------

template <bool kIgnoreCase>
bool StrBuffer::matches(uint32_t index, const WCHAR* text, uint32_t textIndex, int32_t n) const {
  text += textIndex;
  uint64_t count;
  if (n < 0) {
    count = wcslen(text);
    // -1: the text must also end exactly here.
    if (index + count != m_length) {
      return false;
    }
  } else {
    count = static_cast<uint32_t>(n);
  }
  if (m_length < index + count) {
    return false;
  }
  const WCHAR* p = m_data + index;
  for (uint64_t i = 0; i < count; ++i) {
    if (!unitsMatch<kIgnoreCase>(p[i], text[i])) {
      return false;
    }
    if (text[i] == 0) {
      break;  // both end here
    }
  }
  return true;
}

bool StrBuffer::matchesAt(uint32_t index, const WCHAR* text, uint32_t textIndex, int32_t n) const {
  return matches<false>(index, text, textIndex, n);
}

bool StrBuffer::matchesAtIgnoreCase(uint32_t index, const WCHAR* text, uint32_t textIndex,
                                    int32_t n) const {
  return matches<true>(index, text, textIndex, n);
}

bool StrBuffer::endsWith(const WCHAR* text, int32_t n) const {
  const uint32_t count = countOf(text, n);
  return m_length >= count &&
         matches<false>(m_length - count, text, 0, static_cast<int32_t>(count));
}

bool StrBuffer::endsWithIgnoreCase(const WCHAR* text, int32_t n) const {
  const uint32_t count = countOf(text, n);
  return m_length >= count && matches<true>(m_length - count, text, 0, static_cast<int32_t>(count));
}

// -1 is resolved to the text's length first, so this stays a prefix test.
bool StrBuffer::startsWith(const WCHAR* text, int32_t n) const {
  const uint32_t count = countOf(text, n);
  return m_length >= count && matches<false>(0, text, 0, static_cast<int32_t>(count));
}

bool StrBuffer::startsWithIgnoreCase(const WCHAR* text, int32_t n) const {
  const uint32_t count = countOf(text, n);
  return m_length >= count && matches<true>(0, text, 0, static_cast<int32_t>(count));
}

template <bool kIgnoreCase>
int32_t StrBuffer::compareRest(uint32_t index, const WCHAR* text, uint32_t textIndex,
                               int32_t n) const {
  if (index > m_length) {
    return -1;
  }
  text += textIndex;
  // Units at and past the length read as the NUL that ends the text, so an emptied or unallocated
  // text compares as "".
  const uint64_t limit = n < 0 ? UINT64_MAX : static_cast<uint32_t>(n);
  for (uint64_t i = 0; i < limit; ++i) {
    const WCHAR mine = index + i < m_length ? m_data[index + i] : 0;
    const WCHAR a = kIgnoreCase ? foldLower(mine) : mine;
    const WCHAR b = kIgnoreCase ? foldLower(text[i]) : text[i];
    if (a != b) {
      return a < b ? -1 : 1;
    }
    if (a == 0) {
      break;
    }
  }
  return 0;
}

int32_t StrBuffer::compareAt(uint32_t index, const WCHAR* text, uint32_t textIndex,
                             int32_t n) const {
  return compareRest<false>(index, text, textIndex, n);
}

int32_t StrBuffer::compareAtIgnoreCase(uint32_t index, const WCHAR* text, uint32_t textIndex,
                                       int32_t n) const {
  return compareRest<true>(index, text, textIndex, n);
}

// ---- Trimming -----------------------------------------------------------------------------------

void StrBuffer::trimRight() { trimRightChars(kWhiteSpace, kWhiteSpaceCount); }

void StrBuffer::trimRightKeeping(uint32_t minLength) {
  trimRightCharsKeeping(kWhiteSpace, minLength, kWhiteSpaceCount);
}

void StrBuffer::trimRightChars(const WCHAR* units, int32_t n) {
  trimRightCharsKeeping(units, 0, n);
}

void StrBuffer::trimRightCharsKeeping(const WCHAR* units, uint32_t minLength, int32_t n) {
  const uint32_t count = countOf(units, n);
  while (m_length > minLength && isIn(m_data[m_length - 1], units, count)) {
    --m_length;
  }
}

void StrBuffer::trimLeft() { trimLeftChars(kWhiteSpace, kWhiteSpaceCount); }

void StrBuffer::trimLeftChars(const WCHAR* units, int32_t n) {
  const uint32_t count = countOf(units, n);
  uint32_t k = 0;
  while (k < m_length && isIn(m_data[k], units, count)) {
    ++k;
  }
  if (k != 0) {
    std::memmove(m_data, m_data + k, (m_length - k) * sizeof(WCHAR));
    m_length -= k;
  }
}

// ---- Insertion ----------------------------------------------------------------------------------

StrBuffer* StrBuffer::appendGrowing(const WCHAR* units, uint32_t n) {
  if (n == 0) {
    return this;
  }
  if (isInBlock(units)) {
    // Our own units (a text appended to itself) would move with a growing block.
    const std::u16string copy(units, n);
    return appendGrowing(copy.data(), n);
  }
  std::memcpy(appendRoom(n), units, n * sizeof(WCHAR));
  m_length += n;
  return this;
}

StrBuffer* StrBuffer::appendChars(const WCHAR* units, int32_t n) {
  if (n == 1) {
    return appendWChar(*units);
  }
  return appendRange(units, countOf(units, n), 0);
}

StrBuffer* StrBuffer::appendStr(const IStr* other) {
  const auto* that = static_cast<const StrBuffer*>(other);
  return appendRange(that->m_data, that->m_length, 0);
}

StrBuffer* StrBuffer::prepend(const WCHAR* units, int32_t n) {
  const uint32_t count = countOf(units, n);
  if (count == 0) {
    return this;
  }
  if (isInBlock(units)) {
    const std::u16string copy(units, count);
    return prepend(copy.data(), static_cast<int32_t>(count));
  }
  makeRoomFor(count);
  std::memmove(m_data + count, m_data, m_length * sizeof(WCHAR));
  std::memcpy(m_data, units, count * sizeof(WCHAR));
  m_length += count;
  return this;
}

StrBuffer* StrBuffer::appendBytes(const char* bytes, int32_t n) {
  const uint32_t count =
      n < 0 ? static_cast<uint32_t>(std::strlen(bytes)) : static_cast<uint32_t>(n);
  WCHAR* out = appendRoom(count);
  for (uint32_t i = 0; i < count; ++i) {
    // Bytes widen as Latin-1.
    out[i] = static_cast<unsigned char>(bytes[i]);
  }
  m_length += count;
  return this;
}

StrBuffer* StrBuffer::appendAnsi(const char* text) { return appendBytes(text, -1); }

StrBuffer* StrBuffer::assign(const WCHAR* text) {
  const uint32_t n = static_cast<uint32_t>(wcslen(text));
  if (n != 0 && isInBlock(text)) {
    // A piece of our own text: it fits the block, so it only moves to the front.
    std::memmove(m_data, text, n * sizeof(WCHAR));
    m_length = n;
    return this;
  }
  m_length = 0;
  if (n != 0) {
    reserve(n);
    std::memcpy(m_data, text, n * sizeof(WCHAR));
    m_length = n;
  }
  return this;
}

StrBuffer* StrBuffer::assignStr(const IStr* other) {
  const auto* that = static_cast<const StrBuffer*>(other);
  if (that == this) {
    return this;
  }
  m_length = 0;
  if (that->m_length != 0) {
    reserve(that->m_length);
    std::memcpy(m_data, that->m_data, that->m_length * sizeof(WCHAR));
    m_length = that->m_length;
  }
  return this;
}

// ---- Pieces -------------------------------------------------------------------------------------

StrBuffer* StrBuffer::clone() const { return getSubstring(0, m_length); }

StrBuffer* StrBuffer::getSubstring(uint32_t start, uint32_t end) const {
  StrBuffer* piece = take();
  end = std::min(end, m_length);
  if (piece != nullptr && start < end) {
    piece->reserve(end - start);
    std::memcpy(piece->m_data, m_data + start, (end - start) * sizeof(WCHAR));
    piece->m_length = end - start;
  }
  return piece;
}

void StrBuffer::crop(uint32_t start, uint32_t end) {
  end = std::min(end, m_length);
  if (start >= end) {
    m_length = 0;
    return;
  }
  if (start != 0) {
    std::memmove(m_data, m_data + start, (end - start) * sizeof(WCHAR));
  }
  m_length = end - start;
}

namespace {

// The piece before a found index, or an empty text.
StrBuffer* before(const StrBuffer* text, bool found, uint32_t index) {
  return found ? text->getSubstring(0, index) : StrBuffer::take();
}

}  // namespace

StrBuffer* StrBuffer::getBeforeLast(WCHAR unit, int32_t limit) const {
  uint32_t index = 0;
  const bool found = lastIndexOf(unit, &index, limit);
  return before(this, found, index);
}

StrBuffer* StrBuffer::getBeforeLastIgnoreCase(WCHAR unit, int32_t limit) const {
  uint32_t index = 0;
  const bool found = lastIndexOfIgnoreCase(unit, &index, limit);
  return before(this, found, index);
}

StrBuffer* StrBuffer::getBeforeLastAny(const WCHAR* units, int32_t count, int32_t limit) const {
  uint32_t index = 0;
  const bool found = lastIndexOfAny(units, count, &index, limit);
  return before(this, found, index);
}

StrBuffer* StrBuffer::getBeforeLastAnyIgnoreCase(const WCHAR* units, int32_t count,
                                                 int32_t limit) const {
  uint32_t index = 0;
  const bool found = lastIndexOfAnyIgnoreCase(units, count, &index, limit);
  return before(this, found, index);
}

StrBuffer* StrBuffer::getBeforeLastStr(const WCHAR* text, int32_t limit) const {
  uint32_t index = 0;
  const bool found = lastIndexOfStr(text, &index, limit);
  return before(this, found, index);
}

StrBuffer* StrBuffer::getBeforeLastStrIgnoreCase(const WCHAR* text, int32_t limit) const {
  uint32_t index = 0;
  const bool found = lastIndexOfStrIgnoreCase(text, &index, limit);
  return before(this, found, index);
}

// ---- Replacement --------------------------------------------------------------------------------

void StrBuffer::swapBlocks(StrBuffer* other) {
  std::swap(m_data, other->m_data);
  std::swap(m_length, other->m_length);
  std::swap(m_capacity, other->m_capacity);
}

template <bool kIgnoreCase>
void StrBuffer::replace(const WCHAR* find, const WCHAR* replacement) {
  const uint32_t nf = static_cast<uint32_t>(wcslen(find));
  const uint32_t nr = static_cast<uint32_t>(wcslen(replacement));
  if (nf == 0 || m_length < nf) {
    return;
  }
  if (isInBlock(find) || isInBlock(replacement)) {
    // Search and replacement texts taken from this very text would change under our hands.
    const std::u16string f(find, nf);
    const std::u16string r(replacement, nr);
    replace<kIgnoreCase>(f.c_str(), r.c_str());
    return;
  }
  uint32_t at = 0;
  if (!findStr<kIgnoreCase>(find, &at, 0)) {
    return;
  }
  if (nr <= nf) {
    // In place: the text only moves down, behind the part still to be searched.
    uint32_t read = 0;
    uint32_t write = 0;
    do {
      if (write != read) {
        std::memmove(m_data + write, m_data + read, (at - read) * sizeof(WCHAR));
      }
      write += at - read;
      std::memcpy(m_data + write, replacement, nr * sizeof(WCHAR));
      write += nr;
      read = at + nf;
    } while (m_length - read >= nf && findStr<kIgnoreCase>(find, &at, read));
    if (write != read) {
      std::memmove(m_data + write, m_data + read, (m_length - read) * sizeof(WCHAR));
    }
    m_length = write + (m_length - read);
    return;
  }
  // Longer replacements assemble a new text, whose block this object then takes over.
  // Given back on every way out, also when the heap is exhausted half-way.
  thread::Pooled<StrBuffer> result;
  uint32_t read = 0;
  do {
    result->appendRange(m_data, at - read, read);
    result->appendRange(replacement, nr, 0);
    read = at + nf;
  } while (m_length - read >= nf && findStr<kIgnoreCase>(find, &at, read));
  result->appendRange(m_data, m_length - read, read);
  swapBlocks(result.get());
}

void StrBuffer::replaceAll(const WCHAR* find, const WCHAR* replacement) {
  replace<false>(find, replacement);
}

void StrBuffer::replaceAllIgnoreCase(const WCHAR* find, const WCHAR* replacement) {
  replace<true>(find, replacement);
}

// ---- Splitting ----------------------------------------------------------------------------------

strarray::StrArray* StrBuffer::split(WCHAR separator) const {
  strarray::StrArray* list = strarray::StrArray::take();
  uint32_t start = 0;
  for (uint32_t i = 0; i <= m_length; ++i) {
    if (i == m_length || m_data[i] == separator) {
      if (i > start) {
        list->add(getSubstring(start, i));
      }
      start = i + 1;
    }
  }
  return list;
}

namespace {

bool isWordUnit(WCHAR u) {
  if (u > 0xFF) {
    switch (u) {
      case 0x3000:
      case 0x3001:
      case 0x3002:
      case 0x300C:
      case 0x300D:
      case 0x3010:
      case 0x3011:
      case 0xFF08:
      case 0xFF09: return false;
      default: return true;
    }
  }
  return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') ||
         u == u'%' || u == u'+' || u == u'-';
}

// The words a title may end with that say nothing on their own.
const strarray::StrArray& stopWords() {
  // Filled inside the one-time initialiser, so threads that call it first at the same time
  // cannot fill it twice.
  static const strarray::StrArray* const s_words = [] {
    strarray::StrArray* words = strarray::StrArray::take();
    words->addText(u"the");
    words->addText(u"of");
    words->addText(u"and");
    return words;
  }();
  return *s_words;
}

}  // namespace

strarray::StrArray* StrBuffer::splitWords(bool dropStopWord) const {
  strarray::StrArray* list = strarray::StrArray::take();
  uint32_t i = 0;
  while (i < m_length) {
    while (i < m_length && !isWordUnit(m_data[i])) {
      ++i;
    }
    const uint32_t start = i;
    while (i < m_length && isWordUnit(m_data[i])) {
      ++i;
    }
    if (i == start) {
      break;
    }
    StrBuffer* word = getSubstring(start, i);
    uint32_t unused = 0;
    bool drop = list->indexOfIgnoreCase(word, &unused);
    if (!drop && dropStopWord && i == m_length) {
      drop = stopWords().indexOfIgnoreCase(word, &unused);
    }
    if (drop) {
      word->release();
    } else {
      list->add(word);
    }
  }
  return list;
}

// ---- Iterators ----------------------------------------------------------------------------------

namespace {

Iterator* takeIterator(StrBuffer* text, int64_t index, WCHAR* current) {
  Iterator* it = Iterator::take();
  if (it != nullptr) {
    it->attach(text, static_cast<int32_t>(index), current);
  }
  return it;
}

}  // namespace

col::IteratorBase* StrBuffer::iterator() { return takeIterator(this, -1, m_data); }

col::IteratorBase* StrBuffer::reverseIterator() {
  return takeIterator(this, m_length, m_data + m_length);
}

col::IteratorBase* StrBuffer::iteratorFrom(int32_t index) {
  return takeIterator(this, static_cast<int64_t>(index) - 1, m_data + index);
}

col::IteratorBase* StrBuffer::reverseIteratorFrom(int32_t countFromEnd) {
  const int64_t index = static_cast<int64_t>(m_length) - countFromEnd;
  return takeIterator(this, index, m_data + index);
}

}  // namespace s::str::strbuffer
