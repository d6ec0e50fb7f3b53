// The text buffer: the library's one text type.
#pragma once

#include "core/io/MemoryStreams.h"
#include "core/str/IStr.h"
#include "core/thread/ClassTail.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace s::str::strbuffer {

/// A growable text of UTF-16 units (the operations are documented on s::str::IStr).
///
/// Memory: a block of capacity + 1 units, so the NUL always fits behind the text; null until the
/// first allocation. The text is not kept terminated: `getCStr` and `terminate` write the NUL on
/// demand. A text without a block behaves as "" everywhere. Growth follows the array rule (minimum
/// 100 units, then x3, x2, x1.5, x1.2 above 10, 50 and 100 million); `assign` and `reserve` fit
/// exactly. The block only grows while the text is in use; `freeBuffer` gives it back. An
/// exhausted heap throws std::bad_alloc rather than writing past the block.
///
/// Ownership: texts come from the class pool (`take`) and go back with `release`, whose `reset`
/// frees the block, so pooled texts keep no memory. Operations that make new texts, lists or
/// arrays take them from their pools; the caller releases them.
///
/// Comparison: `compareTo` compares the units' little-endian bytes (for ASCII the unit order) and
/// then the lengths; `compareToIgnoreCase` folds A-Z; the other object must be a StrBuffer. The
/// hash rotates left by one within 31 bits and XORs each unit in.
///
/// Streams: the text is also an input and an output byte stream over its units' little-endian
/// bytes (s::io::MemoryStreams), with one shared byte position; writes count only whole units.
///
/// One thread at a time uses a text; the pool and the shared number scratch are locked.
class StrBuffer final : public IStr, public io::MemoryStreams {
  S_POOLED_CLASS(StrBuffer, u"s_str_strbuffer_StrBuffer")

  StrBuffer() : MemoryStreams(1) {}
  ~StrBuffer() override;
  StrBuffer(const StrBuffer&) = delete;
  StrBuffer& operator=(const StrBuffer&) = delete;

  /// The pool's reset: `freeBuffer`.
  void reset() override { freeBuffer(); }

  // Object.
  int32_t compareTo(const base::IComparable* other,
                    const base::IComparator* comparator = nullptr) const override;
  int32_t compareToIgnoreCase(const base::IComparable* other,
                              const base::IComparator* comparator = nullptr) const override;
  bool equals(const base::IComparable* other,
              const base::IComparator* comparator = nullptr) const override;
  bool equalsIgnoreCase(const base::IComparable* other,
                        const base::IComparator* comparator = nullptr) const override;
  uint32_t hashCode() const override;
  uint32_t hashCodeIgnoreCase() const override;

  // Storage.
  void terminate() override {
    if (m_data != nullptr) {
      m_data[m_length] = 0;
    }
  }
  void nullTerminate() override { terminate(); }
  uint32_t getLength() const override { return m_length; }
  void setLength(uint32_t n) override { m_length = n; }
  uint32_t getCapacity() const override { return m_capacity; }
  void reserve(uint32_t n) override;
  void grow() override { growBuffer(); }
  void ensureCapacity(uint32_t n) override {
    if (m_capacity < n) {
      growBufferTo(n);
    }
  }
  void clear() override {
    m_length = 0;
    m_position = 0;
  }
  void freeBuffer() override;
  WCHAR* getBuffer() override { return m_data; }
  const WCHAR* getCStr() override;

  // Case.
  void reverse() override;
  void toLowerCase() override;
  void toUpperCase() override;
  void capitalize() override;

  // Units.
  WCHAR getCharAt(uint32_t index) const override { return m_data[index]; }
  WCHAR getCharAtLowerCase(uint32_t index) const override;
  WCHAR getCharAtUpperCase(uint32_t index) const override;

  // Searches.
  bool indexOf(WCHAR unit, uint32_t* index, uint32_t from = 0) const override;
  bool indexOfIgnoreCase(WCHAR unit, uint32_t* index, uint32_t from = 0) const override;
  bool indexOfAny(const WCHAR* units, int32_t count, uint32_t* index,
                  uint32_t from = 0) const override;
  bool indexOfAnyIgnoreCase(const WCHAR* units, int32_t count, uint32_t* index,
                            uint32_t from = 0) const override;
  bool lastIndexOf(WCHAR unit, uint32_t* index, int32_t before = kWhole) const override;
  bool lastIndexOfIgnoreCase(WCHAR unit, uint32_t* index, int32_t before = kWhole) const override;
  bool lastIndexOfAny(const WCHAR* units, int32_t count, uint32_t* index,
                      int32_t before = kWhole) const override;
  bool lastIndexOfAnyIgnoreCase(const WCHAR* units, int32_t count, uint32_t* index,
                                int32_t before = kWhole) const override;
  bool indexOfStr(const WCHAR* text, uint32_t* index, uint32_t from = 0) const override;
  bool indexOfStrIgnoreCase(const WCHAR* text, uint32_t* index, uint32_t from = 0) const override;
  bool lastIndexOfStr(const WCHAR* text, uint32_t* index, int32_t before = kWhole) const override;
  bool lastIndexOfStrIgnoreCase(const WCHAR* text, uint32_t* index,
                                int32_t before = kWhole) const override;

  // Region tests.
  bool matchesAt(uint32_t index, const WCHAR* text, uint32_t textIndex, int32_t n) const override;
  bool matchesAtIgnoreCase(uint32_t index, const WCHAR* text, uint32_t textIndex,
                           int32_t n) const override;
  bool endsWith(const WCHAR* text, int32_t n = -1) const override;
  bool endsWithIgnoreCase(const WCHAR* text, int32_t n = -1) const override;
  bool startsWith(const WCHAR* text, int32_t n = -1) const override;
  bool startsWithIgnoreCase(const WCHAR* text, int32_t n = -1) const override;

  // Trimming.
  void trimRight() override;
  void trimRightKeeping(uint32_t minLength) override;
  void trimRightChars(const WCHAR* units, int32_t n) override;
  void trimRightCharsKeeping(const WCHAR* units, uint32_t minLength, int32_t n) override;
  void trimLeft() override;
  void trimLeftChars(const WCHAR* units, int32_t n) override;

  int32_t compareAt(uint32_t index, const WCHAR* text, uint32_t textIndex,
                    int32_t n) const override;
  int32_t compareAtIgnoreCase(uint32_t index, const WCHAR* text, uint32_t textIndex,
                              int32_t n) const override;

  // Raw insertion.
  StrBuffer* prepend(const WCHAR* units, int32_t n) override;
  StrBuffer* appendBytes(const char* bytes, int32_t n) override;
  StrBuffer* appendChars(const WCHAR* units, int32_t n) override;
  StrBuffer* appendChar(int unit) override { return appendWChar(static_cast<WCHAR>(unit)); }
  StrBuffer* appendWChar(WCHAR unit) override {
    if (m_length == m_capacity) {
      growBuffer();
    }
    m_data[m_length++] = unit;
    return this;
  }

  // Hex arrays.
  StrBuffer* appendHexUInt64Array(const uint64_t* values, uint32_t count) override;
  StrBuffer* appendHexUInt32Array(const uint32_t* values, uint32_t count) override;
  StrBuffer* appendHexUInt16Array(const uint16_t* values, uint32_t count) override;
  StrBuffer* appendHexUInt8Array(const uint8_t* values, uint32_t count) override;
  StrBuffer* appendHexInt64Array(const int64_t* values, uint32_t count) override;
  StrBuffer* appendHexInt32Array(const int32_t* values, uint32_t count) override;
  StrBuffer* appendHexInt16Array(const int16_t* values, uint32_t count) override;
  StrBuffer* appendHexInt8Array(const int8_t* values, uint32_t count) override;
  StrBuffer* appendHexFloatArray(const float* values, uint32_t count) override;
  StrBuffer* appendHexDoubleArray(const double* values, uint32_t count) override;

  // Replacement and pieces.
  void replaceAll(const WCHAR* find, const WCHAR* replacement) override;
  void replaceAllIgnoreCase(const WCHAR* find, const WCHAR* replacement) override;
  StrBuffer* clone() const override;
  void crop(uint32_t start, uint32_t end) override;
  StrBuffer* getSubstring(uint32_t start, uint32_t end) const override;
  StrBuffer* getBeforeLast(WCHAR unit, int32_t before = kWhole) const override;
  StrBuffer* getBeforeLastIgnoreCase(WCHAR unit, int32_t before = kWhole) const override;
  StrBuffer* getBeforeLastAny(const WCHAR* units, int32_t count,
                              int32_t before = kWhole) const override;
  StrBuffer* getBeforeLastAnyIgnoreCase(const WCHAR* units, int32_t count,
                                        int32_t before = kWhole) const override;
  StrBuffer* getBeforeLastStr(const WCHAR* text, int32_t before = kWhole) const override;
  StrBuffer* getBeforeLastStrIgnoreCase(const WCHAR* text, int32_t before = kWhole) const override;

  // Digest and encodings.
  StrBuffer* computeDigest(digest::IDigester* digester = nullptr, StrBuffer* out = nullptr,
                           bool append = false) const override;
  col::_array::ArrayU08* encodeUtf8Z(col::_array::ArrayU08* out = nullptr,
                                     bool append = false) const override;
  col::_array::ArrayU08* encodeUtf8(col::_array::ArrayU08* out = nullptr,
                                    bool append = false) const override;
  uint32_t decodeUtf8(const void* bytes, bool append, int32_t n = -1) override;
  col::_array::ArrayU08* encodeZ(const system::codepage::CodePage* codePage,
                                 col::_array::ArrayU08* out = nullptr,
                                 bool append = false) const override;
  col::_array::ArrayU08* encode(const system::codepage::CodePage* codePage,
                                col::_array::ArrayU08* out = nullptr,
                                bool append = false) const override;
  void decode(const system::codepage::CodePage* codePage, const void* bytes, bool append,
              int32_t n = -1) override;
  col::_array::ArrayU08* encodeOemZ(col::_array::ArrayU08* out = nullptr,
                                    bool append = false) const override;
  col::_array::ArrayU08* encodeOem(col::_array::ArrayU08* out = nullptr,
                                   bool append = false) const override;
  uint32_t decodeOem(const void* bytes, bool append, int32_t n = -1) override;

  // Parsing.
  uint8_t toUInt8() const override;
  uint16_t toUInt16() const override;
  uint32_t toUInt32() const override;
  uint64_t toUInt64() const override;
  int8_t toInt8() const override;
  int16_t toInt16() const override;
  int32_t toInt32() const override;
  int64_t toInt64() const override;
  float toFloat() const override;
  double toDouble() const override;
  bool isHex() const override;
  uint32_t getHexDigitAt(uint32_t index) const override;
  uint32_t parseHex() const override;
  col::_array::ArrayU08* decodeHex(col::_array::ArrayU08* out = nullptr,
                                   bool append = false) const override;
  bool isInteger() const override;

  strarray::StrArray* split(WCHAR separator) const override;
  strarray::StrArray* splitWords(bool dropStopWord) const override;
  WCHAR* getCharPointerAt(uint32_t index) override { return m_data + index; }

  // Appending.
  StrBuffer* appendAnsi(const char* text) override;
  StrBuffer* appendUInt64(uint64_t value) override;
  StrBuffer* appendUInt32(uint32_t value) override;
  StrBuffer* appendUInt16(uint16_t value) override { return appendUInt32(value); }
  StrBuffer* appendUInt8(uint8_t value) override { return appendUInt32(value); }
  StrBuffer* appendInt64(int64_t value) override;
  StrBuffer* appendInt32(int32_t value) override;
  StrBuffer* appendInt16(int16_t value) override { return appendInt32(value); }
  StrBuffer* appendInt8(int8_t value) override { return appendInt32(value); }
  StrBuffer* appendFloat(float value) override { return appendDouble(value); }
  StrBuffer* appendDouble(double value) override;
  StrBuffer* appendStr(const IStr* other) override;
  StrBuffer* append(const WCHAR* text) override {
    return appendRange(text, static_cast<uint32_t>(std::char_traits<char16_t>::length(text)), 0);
  }

  // Assigning.
  StrBuffer* assignUInt64(uint64_t value) override;
  StrBuffer* assignUInt32(uint32_t value) override;
  StrBuffer* assignUInt16(uint16_t value) override { return assignUInt32(value); }
  StrBuffer* assignUInt8(uint8_t value) override { return assignUInt32(value); }
  StrBuffer* assignInt64(int64_t value) override;
  StrBuffer* assignInt32(int32_t value) override;
  StrBuffer* assignInt16(int16_t value) override { return assignInt32(value); }
  StrBuffer* assignInt8(int8_t value) override { return assignInt32(value); }
  StrBuffer* assignFloat(float value) override { return assignDouble(value); }
  StrBuffer* assignDouble(double value) override;
  StrBuffer* assignStr(const IStr* other) override;
  StrBuffer* assign(const WCHAR* text) override;

  // Iteration.
  col::IteratorBase* iterator() override;
  col::IteratorBase* reverseIterator() override;
  col::IteratorBase* iteratorFrom(int32_t index) override;
  col::IteratorBase* reverseIteratorFrom(int32_t countFromEnd) override;
  WCHAR* getPointerAt(uint32_t index) override { return m_data + index; }

  // Not part of the interface.
  /// One growth step.
  void growBuffer();
  /// Growth steps until the capacity holds n.
  void growBufferTo(uint32_t n);
  /// Appends n units of `units` starting at fromIndex.
  StrBuffer* appendRange(const WCHAR* units, uint32_t n, uint32_t fromIndex) {
    units += fromIndex;
    if (n != 0 && n <= m_capacity - m_length && !isInBlock(units)) {
      std::memcpy(m_data + m_length, units, n * sizeof(WCHAR));
      m_length += n;
      return this;
    }
    return appendGrowing(units, n);
  }
  /// Hex of bytes / 16-, 32-, 64-bit values, replacing the text unless `append`.
  StrBuffer* setHexBytes(const uint8_t* values, uint32_t count, bool append);
  StrBuffer* setHex16(const uint16_t* values, uint32_t count, bool append);
  StrBuffer* setHex32(const uint32_t* values, uint32_t count, bool append);
  StrBuffer* setHex64(const uint64_t* values, uint32_t count, bool append);

 private:
  /// Allocates a block of capacity + 1 units holding the text (or fails with std::bad_alloc).
  void reallocate(uint32_t capacity);
  /// Makes room for n more units: one growth step for a single unit, else steps up to the need.
  void makeRoomFor(uint32_t n);
  /// Room for `units` more, then returns the address where they go.
  WCHAR* appendRoom(uint32_t units);
  /// Formats a number in the shared scratch text and assigns it.
  template <typename Format>
  StrBuffer* assignFormatted(Format format);
  /// Appends `count` values of kBytes bytes each as hex (or replaces the text).
  template <uint32_t kBytes>
  StrBuffer* appendHex(const void* values, uint32_t count, bool append);
  /// Whether `p` points into the block (at most one past the terminator's unit).
  bool isInBlock(const WCHAR* p) const {
    return m_data != nullptr && p >= m_data && p <= m_data + m_capacity;
  }
  /// appendRange when the units do not simply fit.
  StrBuffer* appendGrowing(const WCHAR* units, uint32_t n);
  /// Exchanges blocks, lengths and capacities with `other`.
  void swapBlocks(StrBuffer* other);
  /// The units before the first NUL, or the whole text when it holds none.
  uint32_t searchableLength() const;
  /// The text with its NUL written behind it ("" when there is no block); the NUL is outside the
  /// text, so this does not change it.
  const WCHAR* terminated() const;
  template <bool kIgnoreCase>
  bool findStr(const WCHAR* text, uint32_t* index, uint32_t from) const;
  template <bool kIgnoreCase>
  bool findLastStr(const WCHAR* text, uint32_t* index, int32_t before) const;
  template <bool kIgnoreCase>
  void replace(const WCHAR* find, const WCHAR* replacement);
  template <bool kIgnoreCase>
  bool matches(uint32_t index, const WCHAR* text, uint32_t textIndex, int32_t n) const;
  template <bool kIgnoreCase>
  int32_t compareRest(uint32_t index, const WCHAR* text, uint32_t textIndex, int32_t n) const;
  col::_array::ArrayU08* encodeWith(uint32_t codePage, col::_array::ArrayU08* out, bool append,
                                    bool countZero) const;
  uint32_t decodeWith(uint32_t codePage, const void* bytes, bool append, int32_t n);

  // The stream views' hooks.
  unsigned char* streamBlock() override { return reinterpret_cast<unsigned char*>(m_data); }
  uint32_t streamCount() const override { return m_length; }
  void streamEnsure(uint32_t n) override { ensureCapacity(n); }
  void streamSetCount(uint32_t n) override { m_length = n; }

  WCHAR* m_data = nullptr;
  uint32_t m_length = 0;
  uint32_t m_capacity = 0;
};

}  // namespace s::str::strbuffer
