// The text buffer's numbers: decimal and "%f" appends and assigns, hex arrays, and parsing.
#include "core/str/strbuffer/StrBuffer.h"

#include "core/col/array/ArrayU08.h"

#include <crtwchar.h>

#include <cstring>
#include <new>

namespace s::str::strbuffer {

namespace {

// Room for any 64-bit decimal with its sign.
constexpr uint32_t kDecimalRoom = 21;
// Room for any "%f" of a double: 309 integer digits, a sign, a point and six decimals.
constexpr uint32_t kFixedRoom = 320;

// Writes the decimal digits of `value` to end at `end`; returns where they start.
WCHAR* writeDecimal(WCHAR* end, uint64_t value) {
  do {
    *--end = static_cast<WCHAR>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return end;
}

// "%I64d" and "%d": the digits of the magnitude behind a "-" for negative values.
WCHAR* writeSigned(WCHAR* end, int64_t value) {
  const uint64_t magnitude =
      value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  WCHAR* start = writeDecimal(end, magnitude);
  if (value < 0) {
    *--start = u'-';
  }
  return start;
}

// "%f": six decimals, as the C run-time prints them.
uint32_t formatFixed(WCHAR* out, double value) {
  const int n = swprintf(out, kFixedRoom, u"%f", value);
  return n < 0 ? 0 : static_cast<uint32_t>(n);
}

constexpr char16_t kHexDigits[] = u"0123456789abcdef";

}  // namespace

// ---- Numbers ------------------------------------------------------------------------------------

StrBuffer* StrBuffer::appendUInt64(uint64_t value) {
  WCHAR digits[kDecimalRoom];
  WCHAR* end = digits + kDecimalRoom;
  const WCHAR* start = writeDecimal(end, value);
  return appendRange(start, static_cast<uint32_t>(end - start), 0);
}

StrBuffer* StrBuffer::appendUInt32(uint32_t value) { return appendUInt64(value); }

StrBuffer* StrBuffer::appendInt64(int64_t value) {
  WCHAR digits[kDecimalRoom];
  WCHAR* end = digits + kDecimalRoom;
  const WCHAR* start = writeSigned(end, value);
  return appendRange(start, static_cast<uint32_t>(end - start), 0);
}

StrBuffer* StrBuffer::appendInt32(int32_t value) { return appendInt64(value); }

StrBuffer* StrBuffer::appendDouble(double value) {
  WCHAR text[kFixedRoom];
  return appendRange(text, formatFixed(text, value), 0);
}

// A number replaces the text with an exact fit. Each call formats on its own stack, so assigns
// from many threads never wait for one another.
template <typename Format>
StrBuffer* StrBuffer::assignFormatted(Format format) {
  WCHAR text[kFixedRoom];
  const uint32_t n = format(text);
  m_length = 0;
  reserve(n);
  std::memcpy(m_data, text, n * sizeof(WCHAR));
  m_length = n;
  return this;
}

StrBuffer* StrBuffer::assignUInt64(uint64_t value) {
  return assignFormatted([value](WCHAR* out) {
    WCHAR* end = out + kDecimalRoom;
    WCHAR* start = writeDecimal(end, value);
    std::memmove(out, start, static_cast<size_t>(end - start) * sizeof(WCHAR));
    return static_cast<uint32_t>(end - start);
  });
}

StrBuffer* StrBuffer::assignUInt32(uint32_t value) { return assignUInt64(value); }

StrBuffer* StrBuffer::assignInt64(int64_t value) {
  return assignFormatted([value](WCHAR* out) {
    WCHAR* end = out + kDecimalRoom;
    WCHAR* start = writeSigned(end, value);
    std::memmove(out, start, static_cast<size_t>(end - start) * sizeof(WCHAR));
    return static_cast<uint32_t>(end - start);
  });
}

StrBuffer* StrBuffer::assignInt32(int32_t value) { return assignInt64(value); }

StrBuffer* StrBuffer::assignDouble(double value) {
  return assignFormatted([value](WCHAR* out) { return formatFixed(out, value); });
}

// ---- Hex ----------------------------------------------------------------------------------------

template <uint32_t kBytes>
StrBuffer* StrBuffer::appendHex(const void* values, uint32_t count, bool append) {
  constexpr uint32_t kDigits = kBytes * 2;
  const uint64_t units = static_cast<uint64_t>(count) * kDigits;
  if (!append) {
    m_length = 0;
  }
  if (units + m_length > UINT32_MAX) {
    throw std::bad_alloc();
  }
  if (append) {
    ensureCapacity(m_length + static_cast<uint32_t>(units));
  } else {
    reserve(static_cast<uint32_t>(units));
  }
  WCHAR* out = m_data + m_length;
  const auto* in = static_cast<const unsigned char*>(values);
  for (uint32_t i = 0; i < count; ++i, in += kBytes) {
    uint64_t value = 0;
    std::memcpy(&value, in, kBytes);  // the element's value, little-endian as in memory
    for (uint32_t d = kDigits; d != 0; --d) {
      out[d - 1] = kHexDigits[value & 0xF];
      value >>= 4;
    }
    out += kDigits;
  }
  m_length += static_cast<uint32_t>(units);
  return this;
}

StrBuffer* StrBuffer::appendHexUInt64Array(const uint64_t* values, uint32_t count) {
  return appendHex<8>(values, count, true);
}
StrBuffer* StrBuffer::appendHexUInt32Array(const uint32_t* values, uint32_t count) {
  return appendHex<4>(values, count, true);
}
StrBuffer* StrBuffer::appendHexUInt16Array(const uint16_t* values, uint32_t count) {
  return appendHex<2>(values, count, true);
}
StrBuffer* StrBuffer::appendHexUInt8Array(const uint8_t* values, uint32_t count) {
  return appendHex<1>(values, count, true);
}
StrBuffer* StrBuffer::appendHexInt64Array(const int64_t* values, uint32_t count) {
  return appendHex<8>(values, count, true);
}
StrBuffer* StrBuffer::appendHexInt32Array(const int32_t* values, uint32_t count) {
  return appendHex<4>(values, count, true);
}
StrBuffer* StrBuffer::appendHexInt16Array(const int16_t* values, uint32_t count) {
  return appendHex<2>(values, count, true);
}
StrBuffer* StrBuffer::appendHexInt8Array(const int8_t* values, uint32_t count) {
  return appendHex<1>(values, count, true);
}
StrBuffer* StrBuffer::appendHexFloatArray(const float* values, uint32_t count) {
  return appendHex<4>(values, count, true);
}
// A double is two 32-bit words in memory order, the low word first.
StrBuffer* StrBuffer::appendHexDoubleArray(const double* values, uint32_t count) {
  return appendHex<4>(values, count * 2, true);
}
StrBuffer* StrBuffer::setHexBytes(const uint8_t* values, uint32_t count, bool append) {
  return appendHex<1>(values, count, append);
}
StrBuffer* StrBuffer::setHex16(const uint16_t* values, uint32_t count, bool append) {
  return appendHex<2>(values, count, append);
}
StrBuffer* StrBuffer::setHex32(const uint32_t* values, uint32_t count, bool append) {
  return appendHex<4>(values, count, append);
}
StrBuffer* StrBuffer::setHex64(const uint64_t* values, uint32_t count, bool append) {
  return appendHex<8>(values, count, append);
}

// ---- Parsing ------------------------------------------------------------------------------------

// The 32-bit parses go through `long`, which is 32 bits wide in the C run-time these texts come
// from: values clamp to its range before they are narrowed.
uint8_t StrBuffer::toUInt8() const {
  return static_cast<uint8_t>(wcstol(terminated(), nullptr, 10));
}
uint16_t StrBuffer::toUInt16() const {
  return static_cast<uint16_t>(wcstol(terminated(), nullptr, 10));
}
int8_t StrBuffer::toInt8() const { return static_cast<int8_t>(wcstol(terminated(), nullptr, 10)); }
int16_t StrBuffer::toInt16() const {
  return static_cast<int16_t>(wcstol(terminated(), nullptr, 10));
}
int32_t StrBuffer::toInt32() const { return wcstol(terminated(), nullptr, 10); }
uint32_t StrBuffer::toUInt32() const {
  return static_cast<uint32_t>(_wcstoi64(terminated(), nullptr, 10));
}
int64_t StrBuffer::toInt64() const { return _wcstoi64(terminated(), nullptr, 10); }
// Unsigned 64-bit values parse over their whole range (2^63 and above do not clamp).
uint64_t StrBuffer::toUInt64() const { return _wcstoui64(terminated(), nullptr, 10); }
float StrBuffer::toFloat() const { return static_cast<float>(wcstod(terminated(), nullptr)); }
// Full double precision.
double StrBuffer::toDouble() const { return wcstod(terminated(), nullptr); }

namespace {

int hexValue(WCHAR unit) {
  if (unit >= u'0' && unit <= u'9') return unit - u'0';
  if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
  return -1;
}

}  // namespace

bool StrBuffer::isHex() const {
  if (m_length == 0) {
    return false;
  }
  for (uint32_t i = 0; i < m_length; ++i) {
    if (hexValue(m_data[i]) < 0) {
      return false;
    }
  }
  return true;
}

uint32_t StrBuffer::getHexDigitAt(uint32_t index) const {
  const int v = hexValue(m_data[index]);
  return v < 0 ? 0 : static_cast<uint32_t>(v);
}

uint32_t StrBuffer::parseHex() const {
  uint32_t result = 0;
  for (uint32_t i = 0; i < m_length; ++i) {
    result = (result << 4) | getHexDigitAt(i);
  }
  return result;
}

col::_array::ArrayU08* StrBuffer::decodeHex(col::_array::ArrayU08* out, bool append) const {
  if (out == nullptr) {
    out = col::_array::ArrayU08::take();
  } else if (!append) {
    out->setCount(0);
  }
  const uint32_t pairs = m_length / 2;
  const uint32_t count = out->getCount();
  out->setCapacity(count + pairs);
  uint8_t* bytes = out->getItems() + count;
  for (uint32_t i = 0; i < pairs; ++i) {
    bytes[i] = static_cast<uint8_t>(getHexDigitAt(2 * i) * 16 + getHexDigitAt(2 * i + 1));
  }
  out->setCount(count + pairs);
  return out;
}

bool StrBuffer::isInteger() const {
  if (m_length == 0) {
    return false;
  }
  uint32_t i = 0;
  if (m_data[0] == u'-' && m_length >= 2) {
    i = 1;
  }
  for (; i < m_length; ++i) {
    if (m_data[i] < u'0' || m_data[i] > u'9') {
      return false;
    }
  }
  return true;
}

}  // namespace s::str::strbuffer
