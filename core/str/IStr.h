// The text interface of the library; s::str::strbuffer::StrBuffer is its one implementation.
#pragma once

#include "core/base/IObject.h"

#include <cstdint>

namespace s::col {
class IteratorBase;
}
namespace s::col::_array {
class ArrayU08;
}
namespace s::digest {
class IDigester;
}
namespace s::str::strarray {
class StrArray;
}
namespace s::str::strbuffer {
class StrBuffer;
}
namespace s::system::codepage {
class CodePage;
}

namespace s::str {

/// A growable text of UTF-16 units (see s::str::strbuffer::StrBuffer for the contract).
///
/// Conventions of the operations below:
/// - Lengths, indices and counts are UTF-16 units unless bytes are named; no operation interprets
///   surrogate pairs. Indices into the text are not checked: callers stay within the length.
/// - A count given as -1 means "up to the terminating NUL" of the text it counts.
/// - Searches answer whether they found something and write the index to `*index` (when `index`
///   is not null) only when they did. The backward searches take a limit `before`: 0xFFFFFF
///   (kWhole) or anything past the length means the whole text, a negative limit finds nothing.
/// - Ignore-case operations fold A-Z to a-z and nothing else.
/// - Appends and assigns return the object itself; operations that make a new text, list or
///   array return pooled objects that the caller releases.
class IStr : public base::IObject {
 public:
  /// The backward-search limit that means the whole text.
  static constexpr int32_t kWhole = 0xFFFFFF;

  // Storage.
  /// Writes the NUL behind the text, where the block always has room for it.
  virtual void terminate() = 0;
  virtual void nullTerminate() = 0;
  virtual uint32_t getLength() const = 0;
  /// Sets the length without any check; n must be within the capacity.
  virtual void setLength(uint32_t n) = 0;
  virtual uint32_t getCapacity() const = 0;
  /// Makes the capacity exactly n when it is smaller.
  virtual void reserve(uint32_t n) = 0;
  /// One growth step.
  virtual void grow() = 0;
  /// Growth steps until the capacity holds n.
  virtual void ensureCapacity(uint32_t n) = 0;
  /// Length and stream position 0; the block stays.
  virtual void clear() = 0;
  /// Frees the block: length, capacity and stream position 0.
  virtual void freeBuffer() = 0;
  /// The units, not terminated; null when no block was ever allocated.
  virtual WCHAR* getBuffer() = 0;
  /// The terminated text; a shared constant "" for an empty text. Valid until the text changes.
  virtual const WCHAR* getCStr() = 0;

  // Case, in place (A-Z and a-z only).
  virtual void reverse() = 0;
  virtual void toLowerCase() = 0;
  virtual void toUpperCase() = 0;
  /// Lower case, then the first unit upper case when it is a-z.
  virtual void capitalize() = 0;

  // Units.
  virtual WCHAR getCharAt(uint32_t index) const = 0;
  virtual WCHAR getCharAtLowerCase(uint32_t index) const = 0;
  virtual WCHAR getCharAtUpperCase(uint32_t index) const = 0;

  // Searching units: the first at or after `from`, or the last below the limit `before`. The Any
  // forms look for any of `count` units.
  virtual bool indexOf(WCHAR unit, uint32_t* index, uint32_t from = 0) const = 0;
  virtual bool indexOfIgnoreCase(WCHAR unit, uint32_t* index, uint32_t from = 0) const = 0;
  virtual bool indexOfAny(const WCHAR* units, int32_t count, uint32_t* index,
                          uint32_t from = 0) const = 0;
  virtual bool indexOfAnyIgnoreCase(const WCHAR* units, int32_t count, uint32_t* index,
                                    uint32_t from = 0) const = 0;
  virtual bool lastIndexOf(WCHAR unit, uint32_t* index, int32_t before = kWhole) const = 0;
  virtual bool lastIndexOfIgnoreCase(WCHAR unit, uint32_t* index,
                                     int32_t before = kWhole) const = 0;
  virtual bool lastIndexOfAny(const WCHAR* units, int32_t count, uint32_t* index,
                              int32_t before = kWhole) const = 0;
  virtual bool lastIndexOfAnyIgnoreCase(const WCHAR* units, int32_t count, uint32_t* index,
                                        int32_t before = kWhole) const = 0;

  // Searching a NUL-terminated text. A NUL inside this text ends the searchable part. The
  // backward forms find the last occurrence that lies wholly below the limit.
  virtual bool indexOfStr(const WCHAR* text, uint32_t* index, uint32_t from = 0) const = 0;
  virtual bool indexOfStrIgnoreCase(const WCHAR* text, uint32_t* index,
                                    uint32_t from = 0) const = 0;
  virtual bool lastIndexOfStr(const WCHAR* text, uint32_t* index,
                              int32_t before = kWhole) const = 0;
  virtual bool lastIndexOfStrIgnoreCase(const WCHAR* text, uint32_t* index,
                                        int32_t before = kWhole) const = 0;

  // Region tests.
  /// Whether the n units at `index` equal those of `text` from `textIndex` (a comparison that
  /// stops early at a NUL in both). n = -1 takes the text's length and also requires that this
  /// text ends there: `matchesAt(0, t, 0, -1)` is equality with t.
  virtual bool matchesAt(uint32_t index, const WCHAR* text, uint32_t textIndex,
                         int32_t n) const = 0;
  virtual bool matchesAtIgnoreCase(uint32_t index, const WCHAR* text, uint32_t textIndex,
                                   int32_t n) const = 0;
  /// Whether the text ends / starts with the first n units of `text` (-1: all of it).
  virtual bool endsWith(const WCHAR* text, int32_t n = -1) const = 0;
  virtual bool endsWithIgnoreCase(const WCHAR* text, int32_t n = -1) const = 0;
  virtual bool startsWith(const WCHAR* text, int32_t n = -1) const = 0;
  virtual bool startsWithIgnoreCase(const WCHAR* text, int32_t n = -1) const = 0;

  // Trimming: white space is space, LF, U+3000, TAB and CR (not U+00A0). The Chars forms trim the
  // n given units (-1: up to their NUL); the Keeping forms never go below minLength.
  virtual void trimRight() = 0;
  virtual void trimRightKeeping(uint32_t minLength) = 0;
  virtual void trimRightChars(const WCHAR* units, int32_t n) = 0;
  virtual void trimRightCharsKeeping(const WCHAR* units, uint32_t minLength, int32_t n) = 0;
  virtual void trimLeft() = 0;
  virtual void trimLeftChars(const WCHAR* units, int32_t n) = 0;

  /// Three-way comparison of the rest of the text from `index` with `text` from `textIndex`: with
  /// n = -1 up to and including the first NUL, else at most n units. -1 when `index` is beyond
  /// the length.
  virtual int32_t compareAt(uint32_t index, const WCHAR* text, uint32_t textIndex,
                            int32_t n) const = 0;
  virtual int32_t compareAtIgnoreCase(uint32_t index, const WCHAR* text, uint32_t textIndex,
                                      int32_t n) const = 0;

  // Raw insertion. n = -1: up to the NUL.
  virtual IStr* prepend(const WCHAR* units, int32_t n) = 0;
  /// Each byte becomes one unit (bytes 0x80-0xFF as Latin-1).
  virtual IStr* appendBytes(const char* bytes, int32_t n) = 0;
  virtual IStr* appendChars(const WCHAR* units, int32_t n) = 0;
  virtual IStr* appendChar(int unit) = 0;
  virtual IStr* appendWChar(WCHAR unit) = 0;

  // Arrays in lower-case hex, zero-padded to the element width, without separators: 2 digits per
  // byte, 4 per 16-bit, 8 per 32-bit and float (its bits), 16 per 64-bit element; a double as two
  // 8-digit words in memory order (low word first).
  virtual IStr* appendHexUInt64Array(const uint64_t* values, uint32_t count) = 0;
  virtual IStr* appendHexUInt32Array(const uint32_t* values, uint32_t count) = 0;
  virtual IStr* appendHexUInt16Array(const uint16_t* values, uint32_t count) = 0;
  virtual IStr* appendHexUInt8Array(const uint8_t* values, uint32_t count) = 0;
  virtual IStr* appendHexInt64Array(const int64_t* values, uint32_t count) = 0;
  virtual IStr* appendHexInt32Array(const int32_t* values, uint32_t count) = 0;
  virtual IStr* appendHexInt16Array(const int16_t* values, uint32_t count) = 0;
  virtual IStr* appendHexInt8Array(const int8_t* values, uint32_t count) = 0;
  virtual IStr* appendHexFloatArray(const float* values, uint32_t count) = 0;
  virtual IStr* appendHexDoubleArray(const double* values, uint32_t count) = 0;

  // Replacement and pieces.
  /// Replaces every occurrence, left to right, without overlaps. An empty `find` changes nothing.
  virtual void replaceAll(const WCHAR* find, const WCHAR* replacement) = 0;
  virtual void replaceAllIgnoreCase(const WCHAR* find, const WCHAR* replacement) = 0;
  /// A new text with the same units.
  virtual IStr* clone() const = 0;
  /// Keeps the units from start up to min(end, length), in place.
  virtual void crop(uint32_t start, uint32_t end) = 0;
  /// A new text of the units from start up to min(end, length), end exclusive.
  virtual IStr* getSubstring(uint32_t start, uint32_t end) const = 0;
  /// A new text of everything before the last occurrence below `before` (empty when absent).
  virtual IStr* getBeforeLast(WCHAR unit, int32_t before = kWhole) const = 0;
  virtual IStr* getBeforeLastIgnoreCase(WCHAR unit, int32_t before = kWhole) const = 0;
  virtual IStr* getBeforeLastAny(const WCHAR* units, int32_t count,
                                 int32_t before = kWhole) const = 0;
  virtual IStr* getBeforeLastAnyIgnoreCase(const WCHAR* units, int32_t count,
                                           int32_t before = kWhole) const = 0;
  virtual IStr* getBeforeLastStr(const WCHAR* text, int32_t before = kWhole) const = 0;
  virtual IStr* getBeforeLastStrIgnoreCase(const WCHAR* text, int32_t before = kWhole) const = 0;

  // Digest and encodings. Byte results go into `out` (emptied first unless `append`) or a new
  // pooled array when it is null; they are returned. The Z forms append a zero byte and count it;
  // the others write one zero byte behind the data without counting it. Decoding sets the text
  // (or extends it with `append`) from n bytes (-1: up to the first zero byte, for UTF-16 the
  // first zero unit).
  /// The MD5 (or the given fresh digester's digest) of the UTF-16LE bytes, as lower-case hex.
  virtual strbuffer::StrBuffer* computeDigest(digest::IDigester* digester = nullptr,
                                              strbuffer::StrBuffer* out = nullptr,
                                              bool append = false) const = 0;
  virtual col::_array::ArrayU08* encodeUtf8Z(col::_array::ArrayU08* out = nullptr,
                                             bool append = false) const = 0;
  virtual col::_array::ArrayU08* encodeUtf8(col::_array::ArrayU08* out = nullptr,
                                            bool append = false) const = 0;
  /// Returns the units added; invalid sequences become U+FFFD.
  virtual uint32_t decodeUtf8(const void* bytes, bool append, int32_t n = -1) = 0;
  virtual col::_array::ArrayU08* encodeZ(const system::codepage::CodePage* codePage,
                                         col::_array::ArrayU08* out = nullptr,
                                         bool append = false) const = 0;
  virtual col::_array::ArrayU08* encode(const system::codepage::CodePage* codePage,
                                        col::_array::ArrayU08* out = nullptr,
                                        bool append = false) const = 0;
  virtual void decode(const system::codepage::CodePage* codePage, const void* bytes, bool append,
                      int32_t n = -1) = 0;
  /// The system's OEM code page.
  virtual col::_array::ArrayU08* encodeOemZ(col::_array::ArrayU08* out = nullptr,
                                            bool append = false) const = 0;
  virtual col::_array::ArrayU08* encodeOem(col::_array::ArrayU08* out = nullptr,
                                           bool append = false) const = 0;
  virtual uint32_t decodeOem(const void* bytes, bool append, int32_t n = -1) = 0;

  // Parsing: optional white space and sign, then decimal digits up to the first other unit; no
  // digit gives 0. The 8-, 16- and 32-bit signed forms and the 8- and 16-bit unsigned forms clamp
  // to the 32-bit signed range, toUInt32 and toInt64 to the 64-bit signed range and toUInt64 to
  // the unsigned one (a "-" value negated modulo 2^64); then the result is narrowed to its type.
  virtual uint8_t toUInt8() const = 0;
  virtual uint16_t toUInt16() const = 0;
  virtual uint32_t toUInt32() const = 0;
  virtual uint64_t toUInt64() const = 0;
  virtual int8_t toInt8() const = 0;
  virtual int16_t toInt16() const = 0;
  virtual int32_t toInt32() const = 0;
  virtual int64_t toInt64() const = 0;
  virtual float toFloat() const = 0;
  virtual double toDouble() const = 0;
  /// Not empty and only 0-9, A-F, a-f.
  virtual bool isHex() const = 0;
  /// 0-15 for a hex digit, 0 for any other unit.
  virtual uint32_t getHexDigitAt(uint32_t index) const = 0;
  /// All units as one hex number, 32 bits: only the last eight digits count.
  virtual uint32_t parseHex() const = 0;
  /// Pairs of hex digits as bytes, first digit high; an odd last unit is ignored and any other
  /// unit counts as 0. Into `out` as for the encodings.
  virtual col::_array::ArrayU08* decodeHex(col::_array::ArrayU08* out = nullptr,
                                           bool append = false) const = 0;
  /// Not empty and only 0-9, except a leading "-" when at least one digit follows.
  virtual bool isInteger() const = 0;

  /// A new list of the pieces between separators; empty pieces are skipped.
  virtual strarray::StrArray* split(WCHAR separator) const = 0;
  /// A new list of the distinct words (ignoring case) in order of first appearance. Word units are
  /// A-Z, a-z, 0-9, "%", "+", "-" and everything above U+00FF except CJK punctuation (U+3000-3002,
  /// U+300C, U+300D, U+3010, U+3011, U+FF08, U+FF09); with `dropStopWord` a last word "the", "of"
  /// or "and" is dropped.
  virtual strarray::StrArray* splitWords(bool dropStopWord) const = 0;
  /// The address of the unit at index (not checked).
  virtual WCHAR* getCharPointerAt(uint32_t index) = 0;

  // Appending; numbers as "%u", "%d", "%I64d" (and unsigned 64-bit) or "%f" (six decimals).
  /// A NUL-terminated byte text, each byte one unit.
  virtual IStr* appendAnsi(const char* text) = 0;
  virtual IStr* appendUInt64(uint64_t value) = 0;
  virtual IStr* appendUInt32(uint32_t value) = 0;
  virtual IStr* appendUInt16(uint16_t value) = 0;
  virtual IStr* appendUInt8(uint8_t value) = 0;
  virtual IStr* appendInt64(int64_t value) = 0;
  virtual IStr* appendInt32(int32_t value) = 0;
  virtual IStr* appendInt16(int16_t value) = 0;
  virtual IStr* appendInt8(int8_t value) = 0;
  virtual IStr* appendFloat(float value) = 0;
  virtual IStr* appendDouble(double value) = 0;
  virtual IStr* appendStr(const IStr* other) = 0;
  /// A NUL-terminated text.
  virtual IStr* append(const WCHAR* text) = 0;

  // Assigning: the text is replaced, with an exact fit.
  virtual IStr* assignUInt64(uint64_t value) = 0;
  virtual IStr* assignUInt32(uint32_t value) = 0;
  virtual IStr* assignUInt16(uint16_t value) = 0;
  virtual IStr* assignUInt8(uint8_t value) = 0;
  virtual IStr* assignInt64(int64_t value) = 0;
  virtual IStr* assignInt32(int32_t value) = 0;
  virtual IStr* assignInt16(int16_t value) = 0;
  virtual IStr* assignInt8(int8_t value) = 0;
  virtual IStr* assignFloat(float value) = 0;
  virtual IStr* assignDouble(double value) = 0;
  virtual IStr* assignStr(const IStr* other) = 0;
  virtual IStr* assign(const WCHAR* text) = 0;

  // Iteration over units: pooled iterators (disposed of by the caller) that hand out unit
  // addresses, valid while the text does not change.
  virtual col::IteratorBase* iterator() = 0;
  virtual col::IteratorBase* reverseIterator() = 0;
  /// `next` then yields unit index.
  virtual col::IteratorBase* iteratorFrom(int32_t index) = 0;
  /// `previous` then yields the unit countFromEnd + 1 from the end.
  virtual col::IteratorBase* reverseIteratorFrom(int32_t countFromEnd) = 0;
  /// The address of the unit at index (not checked).
  virtual WCHAR* getPointerAt(uint32_t index) = 0;
};

}  // namespace s::str
