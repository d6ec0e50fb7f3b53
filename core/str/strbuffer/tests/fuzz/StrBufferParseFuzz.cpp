// Fuzz target of the text buffer's numbers, hex and UTF-8 (libFuzzer). Any bytes must be handled
// without a crash, a read past the text or a leak, and every answer must keep these promises
// (a broken one aborts, so a wrong answer is found as well as a crash):
//   - numbers: a formatted integer of every width parses back to itself; "%f" of a finite
//     double parses back within half a unit of its sixth decimal; the 8-, 16- and 32-bit parses
//     are the 64-bit parse clamped to 32 bits and then narrowed; a text made of optional blanks,
//     an optional sign, digits and a stop unit parses to the clamped value of those digits;
//   - hex: `isHex` says every unit is a hex digit; `parseHex` keeps the last eight digits;
//     `decodeHex` makes one byte per pair; bytes written as hex decode back to themselves, and
//     the hex arrays write each element in its width, lower case;
//   - UTF-8: encoding a text and decoding the bytes gives the text back, each lone surrogate
//     as U+FFFD, and the count of units added is the text's length in UTF-16 units; the zero
//     byte is counted by the Z form only and written behind the bytes by the plain form;
//     decoding any bytes gives a text that survives another encode and decode unchanged.
#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/Pooled.h"
#include "testlib/FuzzContract.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using s::col::_array::ArrayU08;
using s::str::strbuffer::StrBuffer;
using s::thread::Pooled;

namespace {

std::u16string textOf(StrBuffer* text) {
  return std::u16string(text->getCStr(), text->getLength());
}

void assign(StrBuffer* text, const std::u16string& units) {
  text->clear();
  text->appendRange(units.data(), static_cast<uint32_t>(units.size()), 0);
}

// Every integer width through assign and append, and the parses back.
void checkIntegers(uint64_t bits) {
  Pooled<StrBuffer> text;
  FUZZ_CHECK(text->assignUInt64(bits)->toUInt64() == bits);
  FUZZ_CHECK(text->assignInt64(static_cast<int64_t>(bits))->toInt64() ==
             static_cast<int64_t>(bits));
  FUZZ_CHECK(text->assignUInt32(static_cast<uint32_t>(bits))->toUInt32() ==
             static_cast<uint32_t>(bits));
  FUZZ_CHECK(text->assignInt32(static_cast<int32_t>(bits))->toInt32() ==
             static_cast<int32_t>(bits));
  FUZZ_CHECK(text->assignUInt16(static_cast<uint16_t>(bits))->toUInt16() ==
             static_cast<uint16_t>(bits));
  FUZZ_CHECK(text->assignInt16(static_cast<int16_t>(bits))->toInt16() ==
             static_cast<int16_t>(bits));
  FUZZ_CHECK(text->assignUInt8(static_cast<uint8_t>(bits))->toUInt8() ==
             static_cast<uint8_t>(bits));
  FUZZ_CHECK(text->assignInt8(static_cast<int8_t>(bits))->toInt8() == static_cast<int8_t>(bits));
  // An append writes the same digits behind what the text holds.
  Pooled<StrBuffer> alone;
  alone->assignInt64(static_cast<int64_t>(bits));
  text->assign(u"n=")->appendInt64(static_cast<int64_t>(bits));
  FUZZ_CHECK(textOf(text.get()) == u"n=" + textOf(alone.get()));
  alone->assignUInt64(bits);
  text->assign(u"n=")->appendUInt64(bits);
  FUZZ_CHECK(textOf(text.get()) == u"n=" + textOf(alone.get()));
}

void checkDouble(uint64_t bits) {
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  Pooled<StrBuffer> text;
  text->assignDouble(value);
  if (std::isnan(value)) {
    FUZZ_CHECK(std::isnan(text->toDouble()));
    return;
  }
  if (std::isinf(value)) {
    FUZZ_CHECK(text->toDouble() == value);
    return;
  }
  // Six decimals, rounded: the parse is within half a unit of the last decimal (and the double's
  // own rounding of the printed digits).
  const uint32_t point = [&] {
    uint32_t at = 0;
    return text->indexOf(u'.', &at) ? at : text->getLength();
  }();
  FUZZ_CHECK(point + 7 == text->getLength());
  const double back = text->toDouble();
  FUZZ_CHECK(std::fabs(back - value) <= 0.5e-6 + std::fabs(value) * 0x1p-52);
  text->assignFloat(static_cast<float>(value));
  const double floatBack = text->toDouble();
  const double widened = static_cast<double>(static_cast<float>(value));
  FUZZ_CHECK(std::isinf(widened)
                 ? floatBack == widened
                 : std::fabs(floatBack - widened) <= 0.5e-6 + std::fabs(widened) * 0x1p-52);
}

bool isBlank(char16_t unit) { return unit == u' ' || (unit >= u'\t' && unit <= u'\r'); }

// The documented decimal parse: blanks, a sign, digits up to the first other unit, 0 without a
// digit, clamped to [min, max].
int64_t decimalOracle(const std::u16string& units, int64_t min, int64_t max) {
  size_t i = 0;
  while (i < units.size() && isBlank(units[i])) ++i;
  bool negative = false;
  if (i < units.size() && (units[i] == u'-' || units[i] == u'+')) {
    negative = units[i] == u'-';
    ++i;
  }
  // The magnitude saturates just above both limits.
  const uint64_t cap = static_cast<uint64_t>(max) + 2;
  uint64_t magnitude = 0;
  for (; i < units.size() && units[i] >= u'0' && units[i] <= u'9'; ++i) {
    magnitude = magnitude > cap / 10
                    ? cap
                    : std::min(cap, magnitude * 10 + static_cast<uint64_t>(units[i] - u'0'));
  }
  if (negative) {
    return magnitude > static_cast<uint64_t>(max) ? min : -static_cast<int64_t>(magnitude);
  }
  return magnitude > static_cast<uint64_t>(max) ? max : static_cast<int64_t>(magnitude);
}

// Texts of number-like units: the parses against the oracle and against each other.
void checkParses(const std::vector<uint8_t>& bytes) {
  static constexpr char16_t kAlphabet[] =
      u"0123456789012345678901234567890123456789  \t\n-+-+xX.e,a";
  std::u16string units;
  for (uint8_t b : bytes)
    units.push_back(kAlphabet[b % (sizeof kAlphabet / sizeof kAlphabet[0] - 1)]);
  Pooled<StrBuffer> text;
  assign(text.get(), units);
  const int64_t wide = text->toInt64();
  FUZZ_CHECK(wide == decimalOracle(units, std::numeric_limits<int64_t>::min(),
                                   std::numeric_limits<int64_t>::max()));
  const int64_t narrow = decimalOracle(units, INT32_MIN, INT32_MAX);
  FUZZ_CHECK(text->toInt32() == narrow);
  FUZZ_CHECK(text->toInt16() == static_cast<int16_t>(narrow));
  FUZZ_CHECK(text->toInt8() == static_cast<int8_t>(narrow));
  FUZZ_CHECK(text->toUInt16() == static_cast<uint16_t>(narrow));
  FUZZ_CHECK(text->toUInt8() == static_cast<uint8_t>(narrow));
  FUZZ_CHECK(text->toUInt32() == static_cast<uint32_t>(wide));
  if (wide >= 0 && wide < std::numeric_limits<int64_t>::max()) {
    FUZZ_CHECK(text->toUInt64() == static_cast<uint64_t>(wide));
  }
  // An integer text without leading zeros is the text of its own value.
  if (text->isInteger() && units.size() <= 18 && !(units[0] == u'-' && units[1] == u'0') &&
      !(units[0] == u'0' && units.size() > 1)) {
    Pooled<StrBuffer> again;
    FUZZ_CHECK(textOf(again->assignInt64(wide)) == units);
  }
  text->toFloat();
  text->toDouble();
}

int hexOracle(char16_t unit) {
  if (unit >= u'0' && unit <= u'9') return unit - u'0';
  if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
  return -1;
}

void checkHex(const std::vector<uint8_t>& bytes) {
  // Mostly hex digits, some other units.
  static constexpr char16_t kAlphabet[] =
      u"0123456789abcdefABCDEF0123456789abcdefABCDEFgG zZ-\u00e9";
  std::u16string units;
  for (uint8_t b : bytes)
    units.push_back(kAlphabet[b % (sizeof kAlphabet / sizeof kAlphabet[0] - 1)]);
  Pooled<StrBuffer> text;
  assign(text.get(), units);
  bool allHex = !units.empty();
  uint32_t folded = 0;
  for (char16_t unit : units) {
    const int v = hexOracle(unit);
    allHex = allHex && v >= 0;
    folded = (folded << 4) | static_cast<uint32_t>(v < 0 ? 0 : v);
  }
  FUZZ_CHECK(text->isHex() == allHex);
  FUZZ_CHECK(text->parseHex() == folded);
  Pooled<ArrayU08> decoded(text->decodeHex());
  FUZZ_CHECK(decoded->getCount() == units.size() / 2);
  for (size_t i = 0; i < units.size() / 2; ++i) {
    const int hi = hexOracle(units[2 * i]);
    const int lo = hexOracle(units[2 * i + 1]);
    FUZZ_CHECK(decoded->getItems()[i] ==
               static_cast<uint8_t>((hi < 0 ? 0 : hi) * 16 + (lo < 0 ? 0 : lo)));
  }
  // Appending keeps what the array held.
  Pooled<ArrayU08> appended;
  appended->push(0x5A);
  text->decodeHex(appended.get(), true);
  FUZZ_CHECK(appended->getCount() == decoded->getCount() + 1 && appended->getItems()[0] == 0x5A);
  FUZZ_CHECK(decoded->getCount() == 0 ||
             std::memcmp(appended->getItems() + 1, decoded->getItems(), decoded->getCount()) == 0);

  // Raw bytes to hex and back, and the element widths.
  Pooled<StrBuffer> hex;
  hex->setHexBytes(bytes.data(), static_cast<uint32_t>(bytes.size()), false);
  FUZZ_CHECK(hex->getLength() == 2 * bytes.size());
  for (uint32_t i = 0; i < hex->getLength(); ++i) {
    const char16_t unit = hex->getCharAt(i);
    FUZZ_CHECK((unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'f'));
  }
  Pooled<ArrayU08> back(hex->decodeHex());
  FUZZ_CHECK(back->getCount() == bytes.size());
  FUZZ_CHECK(bytes.empty() || std::memcmp(back->getItems(), bytes.data(), bytes.size()) == 0);
  std::vector<uint16_t> words(bytes.size() / 2);
  if (!words.empty()) std::memcpy(words.data(), bytes.data(), words.size() * 2);
  hex->assign(u"#")->appendHexUInt16Array(words.data(), static_cast<uint32_t>(words.size()));
  FUZZ_CHECK(hex->getLength() == 1 + 4 * words.size());
  Pooled<StrBuffer> piece;
  for (size_t i = 0; i < words.size(); ++i) {
    piece->clear();
    piece->appendRange(hex->getBuffer(), 4, static_cast<uint32_t>(1 + 4 * i));
    FUZZ_CHECK(piece->parseHex() == words[i]);
  }
  std::vector<uint32_t> longs(bytes.size() / 4);
  if (!longs.empty()) std::memcpy(longs.data(), bytes.data(), longs.size() * 4);
  hex->clear();
  hex->appendHexUInt32Array(longs.data(), static_cast<uint32_t>(longs.size()));
  FUZZ_CHECK(hex->getLength() == 8 * longs.size());
  for (size_t i = 0; i < longs.size(); ++i) {
    piece->clear();
    piece->appendRange(hex->getBuffer(), 8, static_cast<uint32_t>(8 * i));
    FUZZ_CHECK(piece->parseHex() == longs[i]);
  }
}

// The text's units with every lone surrogate as U+FFFD: what a round trip through UTF-8 keeps.
std::u16string wellFormed(const std::u16string& units) {
  std::u16string out;
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      out.push_back(u);
      out.push_back(units[++i]);
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out.push_back(0xFFFD);
    } else {
      out.push_back(u);
    }
  }
  return out;
}

size_t utf8Length(const std::u16string& wellFormedUnits) {
  size_t n = 0;
  for (size_t i = 0; i < wellFormedUnits.size(); ++i) {
    const char16_t u = wellFormedUnits[i];
    if (u < 0x80) n += 1;
    else if (u < 0x800) n += 2;
    else if (u >= 0xD800 && u <= 0xDBFF) n += 4, ++i;
    else n += 3;
  }
  return n;
}

void checkUtf8(const std::vector<uint8_t>& bytes) {
  // The bytes as UTF-16 units, mostly in the ranges that need one to four UTF-8 bytes.
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const uint16_t raw = static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8);
    switch (bytes[i] & 3) {
      case 0: units.push_back(static_cast<char16_t>(raw & 0x7F)); break;
      case 1: units.push_back(static_cast<char16_t>(0xD800 + (raw & 0x7FF))); break;  // surrogates
      default: units.push_back(static_cast<char16_t>(raw)); break;
    }
  }
  const std::u16string expected = wellFormed(units);
  Pooled<StrBuffer> text;
  assign(text.get(), units);
  Pooled<ArrayU08> utf8(text->encodeUtf8());
  const uint32_t count = utf8->getCount();
  FUZZ_CHECK(count == utf8Length(expected));
  FUZZ_CHECK(count == 0 || utf8->getItems()[count] == 0);
  Pooled<ArrayU08> utf8z(text->encodeUtf8Z());
  FUZZ_CHECK(utf8z->getCount() == count + 1 && utf8z->getItems()[count] == 0);
  FUZZ_CHECK(count == 0 || std::memcmp(utf8z->getItems(), utf8->getItems(), count) == 0);

  Pooled<StrBuffer> decoded;
  decoded->assign(u"old");
  FUZZ_CHECK(decoded->decodeUtf8(utf8->getItems(), false, static_cast<int32_t>(count)) ==
             expected.size());
  FUZZ_CHECK(textOf(decoded.get()) == expected);
  decoded->assign(u"ab");
  FUZZ_CHECK(decoded->decodeUtf8(utf8->getItems(), true, static_cast<int32_t>(count)) ==
             expected.size());
  FUZZ_CHECK(textOf(decoded.get()) == u"ab" + expected);
  if (expected.find(u'\0') == std::u16string::npos) {
    // Up to the zero byte: the same text.
    FUZZ_CHECK(decoded->decodeUtf8(utf8z->getItems(), false) == expected.size());
    FUZZ_CHECK(textOf(decoded.get()) == expected);
  }

  // Any bytes decode to a well-formed text, which then survives another round trip.
  Pooled<StrBuffer> any;
  const uint32_t added = any->decodeUtf8(bytes.data(), false, static_cast<int32_t>(bytes.size()));
  FUZZ_CHECK(added == any->getLength() && added <= bytes.size());
  const std::u16string first = textOf(any.get());
  FUZZ_CHECK(wellFormed(first) == first);
  Pooled<ArrayU08> again(any->encodeUtf8());
  any->decodeUtf8(again->getItems(), false, static_cast<int32_t>(again->getCount()));
  FUZZ_CHECK(textOf(any.get()) == first);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) {
    return 0;
  }
  FuzzedDataProvider input(data, size);
  const uint64_t bits = input.ConsumeIntegral<uint64_t>();
  const uint64_t doubleBits = input.ConsumeIntegral<uint64_t>();
  const std::vector<uint8_t> rest = input.ConsumeRemainingBytes<uint8_t>();
  checkIntegers(bits);
  checkDouble(doubleBits);
  checkParses(rest);
  checkHex(rest);
  checkUtf8(rest);
  return 0;
}
