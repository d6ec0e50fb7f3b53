// The one growable contiguous array design behind the pointer, byte and 32-bit arrays.
#pragma once

#include "core/base/IComparator.h"
#include "core/col/ICollection.h"
#include "core/col/IEnumerable.h"
#include "core/io/IInputStreamable.h"
#include "core/io/MemoryStreams.h"
#include "core/thread/IPoolable.h"

#include <cassert>
#include <cstdint>

namespace s::str::strbuffer {
class StrBuffer;
}
namespace s::digest {
class IDigester;
}

namespace s::col::_array {

/// A growable array of fixed-size elements (1, 4 or 8 bytes), held in one block. The concrete
/// arrays are ArrayP, ArrayU08, ArrayS08, ArrayS32 and ArrayU32; they come from their class pools
/// and go back with `release`, which frees the block (`reset` is `freeAll`).
///
/// Units: indices and counts are elements; positions of the stream views are bytes. A count given
/// as -1 (where the signature takes a signed count) means "up to the end". `src` and `dst` buffers
/// are plain element buffers of the array's type, addressed with their own element index.
///
/// Growth: an append to a full array takes one growth step (core/col/array/Growth.h); appends and
/// inserts of several elements grow by steps to the first capacity that holds them; `setRange`,
/// `setCount` and `setCapacity` allocate exactly. Storage never shrinks except by `freeAll`.
/// An exhausted heap throws std::bad_alloc rather than writing past the block.
///
/// The array is at once an enumerable (pooled iterators), a byte input stream and a byte output
/// stream over its used bytes (s::io::MemoryStreams): both views share one 32-bit position and
/// never release the array.
///
/// Indices and counts are not checked (debug builds assert): callers stay within `getCount()`.
/// An array is used by one thread at a time.
class ArrayBase : public ICollection,
                  public io::IInputStreamable,
                  public virtual thread::IPoolable,
                  public IEnumerable,
                  public io::MemoryStreams {
 public:
  /// Frees the storage (an ArrayP first hands every element to its disposer).
  ~ArrayBase() override;

  /// With a comparator, the comparator decides (it gets the addresses of the two array pointers).
  /// Otherwise arrays of equal counts compare element by element with the default comparator;
  /// of different counts, the shorter one is lower whatever the elements.
  int32_t compareTo(const base::IComparable* other,
                    const base::IComparator* comparator = nullptr) const override;

  const WCHAR* getCollectionName() const override { return getClassName(); }

  /// Writes n elements (-1: all from srcIndex on) of this array into `dst` at dstIndex, by
  /// `dst->setRange`. `dst` may be this array.
  virtual void copyTo(ArrayBase* dst, uint32_t dstIndex, uint32_t srcIndex, int32_t n) const;
  /// The same from `src` into this array.
  virtual void copyFrom(const ArrayBase* src, uint32_t srcIndex, uint32_t dstIndex, int32_t n);
  virtual uint32_t getCount() const { return m_count; }
  /// Makes the capacity at least n (exactly n when it grows) and sets the count; new elements are
  /// not cleared.
  virtual void setCount(uint32_t n);
  /// `index` in bytes; -1 gives the byte length of the used part.
  virtual uint32_t getByteOffset(int32_t index) const;
  /// Copies n elements (-1: to the end) from srcIndex out to dst + dstIndex.
  virtual void getRange(void* dst, uint32_t dstIndex, uint32_t srcIndex, int32_t n) const;
  /// Copies n elements from src + srcIndex over the array at dstIndex, growing the capacity to
  /// exactly dstIndex + n when needed and raising the count to dstIndex + n when that is larger.
  virtual void setRange(const void* src, uint32_t n, uint32_t srcIndex, uint32_t dstIndex);
  /// Appends n elements from src + srcIndex.
  virtual void add(const void* src, uint32_t n, uint32_t srcIndex = 0);
  /// Prepends n elements, moving the others up.
  virtual void addFirst(const void* src, uint32_t n, uint32_t srcIndex = 0);
  /// Inserts n elements at index (the count appends, 0 prepends).
  virtual void insert(uint32_t index, const void* src, uint32_t n, uint32_t srcIndex = 0);
  /// The removals below move elements out or drop them; none of them disposes of elements.
  virtual void removeLast(uint32_t n = 1) {
    assert(n <= m_count);
    m_count -= n;
  }
  virtual void removeFirst(uint32_t n = 1);
  virtual void removeRange(uint32_t index, uint32_t n);
  /// Moves the last n elements out to dst + dstIndex and drops them.
  virtual void popLast(void* dst, uint32_t n = 1, uint32_t dstIndex = 0);
  /// Moves the first n elements out and drops them.
  virtual void popFirst(void* dst, uint32_t n = 1, uint32_t dstIndex = 0);
  /// Moves n elements at index out and drops them.
  virtual void extract(uint32_t index, void* dst, uint32_t n = 1, uint32_t dstIndex = 0);
  /// Compares the bytes of m elements from index with `data` (of `dataCount` elements) from
  /// dataIndex, m being the smallest of n (-1: unlimited) and the two remainders. A byte
  /// difference decides; when the bytes agree but more elements were asked for (n, or for -1 the
  /// longer remainder) the side whose remainder ran out first is lower. -1, 0 or 1.
  virtual int32_t compareBytes(uint32_t index, const void* data, uint32_t dataCount,
                               uint32_t dataIndex, int32_t n) const;
  /// Count and stream position 0; the storage stays and elements are not disposed of.
  virtual void clear() {
    m_count = 0;
    m_position = 0;
  }
  /// Frees the storage: count, capacity and position 0 (an ArrayP first disposes of its elements).
  virtual void freeAll();
  virtual void swap(uint32_t i, uint32_t j);
  virtual void reverse();
  /// 5 for every array.
  virtual int32_t getKind() const { return 5; }
  /// The address of a process-wide element of value zero (for ArrayP, a slot that refers to an
  /// empty ArrayP).
  virtual const void* getDefaultElement() const = 0;
  /// Appends the text of the element at `element` to `out`.
  virtual void appendElementText(str::strbuffer::StrBuffer* out, const void* element) const = 0;
  /// Appends the element at `element` in lower-case hex (ArrayP appends nothing).
  virtual void appendElementRaw(str::strbuffer::StrBuffer* out, const void* element) const = 0;
  /// The class name, " [", the element texts separated by single blanks, "]". Into `out` (cleared
  /// first unless `append`), or a new pooled text when `out` is null; returns the text.
  virtual str::strbuffer::StrBuffer* toString(str::strbuffer::StrBuffer* out = nullptr,
                                              bool append = false) const;
  /// `<ClassName length="count">hex of all elements</ClassName>`, into `out` as for toString.
  virtual str::strbuffer::StrBuffer* toXml(str::strbuffer::StrBuffer* out = nullptr,
                                           bool append = false) const;
  /// Feeds the used bytes to `digester` in one update (a pooled MD5 when it is null), finishes it
  /// and writes its hex text into `out` as for toString. The digester must be fresh or reset.
  virtual str::strbuffer::StrBuffer* computeDigest(digest::IDigester* digester,
                                                   str::strbuffer::StrBuffer* out = nullptr,
                                                   bool append = false) const;
  /// All elements in hex without separators, into `out` as for toString.
  virtual str::strbuffer::StrBuffer* appendAllRaw(str::strbuffer::StrBuffer* out = nullptr,
                                                  bool append = false) const;
  /// The shared comparator of the element type.
  virtual const base::IComparator* getDefaultComparator() const = 0;
  /// Exchanges elements i and j through `temp`, scratch room for one element.
  virtual void swapWith(uint32_t i, uint32_t j, void* temp);

  /// Moves the elements from `from` on one place down, dropping element from - 1.
  void shiftDownFrom(uint32_t from) { removeRange(from - 1, 1); }
  /// Allocates exactly n elements when n exceeds the capacity; never shrinks.
  void setCapacity(uint32_t n);
  /// Grows by steps of the growth rule until the capacity holds n.
  void ensureCapacity(uint32_t n);
  uint32_t getCapacity() const { return m_capacity; }
  /// log2 of the element size in bytes.
  int32_t getElementShift() const { return m_shift; }

  // The input view over the used bytes (an array reads as a byte stream).
  io::IInputStream* getInputStream() override;

  // The enumerable: iterators hand out element addresses.
  IteratorBase* iterator() override;
  IteratorBase* reverseIterator() override;
  IteratorBase* iteratorFrom(int32_t n) override;
  IteratorBase* reverseIteratorFrom(int32_t n) override;
  void* getPointerAt(uint32_t index) override { return m_items + bytes(index); }

  void reset() override { freeAll(); }

 protected:
  explicit ArrayBase(int32_t shift) : MemoryStreams(shift) {}
  ArrayBase(const ArrayBase&) = delete;
  ArrayBase& operator=(const ArrayBase&) = delete;

  size_t bytes(size_t elements) const { return elements << m_shift; }
  /// One growth step, for appends of a single element to a full array.
  void growOne();
  /// `out`, cleared unless `append`, or a new pooled text.
  static str::strbuffer::StrBuffer* prepareOut(str::strbuffer::StrBuffer* out, bool append);
  /// Makes room for n more elements: one growth step for one element, else steps up to the need.
  void makeRoomFor(uint32_t n);
  /// The byte offset of `p` in the block, or kOutside.
  size_t offsetInBlock(const void* p) const;
  static constexpr size_t kOutside = ~static_cast<size_t>(0);

  // The stream views' hooks.
  unsigned char* streamBlock() override { return m_items; }
  uint32_t streamCount() const override { return m_count; }
  void streamEnsure(uint32_t n) override { ensureCapacity(n); }
  void streamSetCount(uint32_t n) override { m_count = n; }

  unsigned char* m_items = nullptr;
  uint32_t m_count = 0;
  uint32_t m_capacity = 0;
};

}  // namespace s::col::_array
