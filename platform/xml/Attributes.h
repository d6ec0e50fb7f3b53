// The ordered attributes of an XML element, with typed access in fixed text formats.
#pragma once

#include "core/base/NamedClass.h"
#include "core/col/array/ArrayP.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ObjLocker.h"
#include "platform/xml/AttrRecord.h"

#include <cstdint>

namespace s::xml {

/// The attribute records of one element in insertion order; the element's text is the record with
/// the empty name. Records come from and go back to AttrFactory. Values are kept escaped:
/// setters escape (or format) before storing, and the getters of texts decode.
///
/// Names may repeat: every setter appends a record, every reader takes the first record whose
/// name matches ignoring case (A-Z folded); replacing a value means `remove` first.
///
/// Number formats: 64-bit "%I64d" (an unsigned value above 2^63-1 is written negative), 32-bit
/// "%u" or "%d", 8- and 16-bit "%u"/"%d" of the widened value, floats and doubles "%f" (six
/// decimals), arrays as lower-case hex per element without separators (floats as their bits,
/// doubles as two 32-bit words, low first). The getters parse decimal text as the C run-time does
/// (leading white space and a sign, up to the first non-digit; 0 without digits).
///
/// Lives inside its Node (not pooled; `newInstance` answers a plain new object). One thread at a
/// time; the shared formatting text (`getWorkBuffer`) is locked.
class Attributes final : public base::IObject {
  S_NAMED_CLASS(Attributes, u"s_xml_Attributes")

  Attributes();
  ~Attributes() override;
  Attributes(const Attributes&) = delete;
  Attributes& operator=(const Attributes&) = delete;

  uint32_t getCount() const { return m_records.getCount(); }
  AttrRecord* get(uint32_t index) const {
    return static_cast<AttrRecord*>(m_records.getItems()[index]);
  }
  /// Hands every record back to the factory.
  void clear() { m_records.freeAll(); }

  /// Appends a record with copies of `nameLength` units of the name and `valueLength` units of the
  /// value (-1: up to the NUL). The value is stored as given.
  void add(const WCHAR* name, int32_t nameLength, const WCHAR* value, int32_t valueLength);
  /// Appends a record with the whole name and `valueLength` units of the (escaped) value.
  void set(const WCHAR* name, const WCHAR* value, int32_t valueLength);
  /// Reads attributes from `text` (just after the element name) up to the ">" or "/" that ends
  /// them, and answers that position. Values must be double-quoted and hold only well-formed
  /// entity references; anything else, or the end of the text, answers null (the attributes read
  /// so far stay).
  const WCHAR* parse(const WCHAR* text);

  /// The value escaped as attribute text, or as element text for the empty name.
  void setString(const WCHAR* name, const WCHAR* text);
  void setUInt64(const WCHAR* name, uint64_t value);
  void setUInt32(const WCHAR* name, uint32_t value);
  void setUInt16(const WCHAR* name, uint16_t value) { setUInt32(name, value); }
  void setUInt8(const WCHAR* name, uint8_t value) { setUInt32(name, value); }
  void setInt64(const WCHAR* name, int64_t value);
  void setInt32(const WCHAR* name, int32_t value);
  void setInt16(const WCHAR* name, int16_t value) { setInt32(name, value); }
  void setInt8(const WCHAR* name, int8_t value) { setInt32(name, value); }
  void setFloat(const WCHAR* name, float value) { setDouble(name, value); }
  void setDouble(const WCHAR* name, double value);
  void setUInt64Array(const WCHAR* name, const uint64_t* values, uint32_t count);
  void setUInt32Array(const WCHAR* name, const uint32_t* values, uint32_t count);
  void setUInt16Array(const WCHAR* name, const uint16_t* values, uint32_t count);
  void setUInt8Array(const WCHAR* name, const uint8_t* values, uint32_t count);
  void setInt64Array(const WCHAR* name, const int64_t* values, uint32_t count);
  void setInt32Array(const WCHAR* name, const int32_t* values, uint32_t count);
  void setInt16Array(const WCHAR* name, const int16_t* values, uint32_t count);
  void setInt8Array(const WCHAR* name, const int8_t* values, uint32_t count);
  void setFloatArray(const WCHAR* name, const float* values, uint32_t count);
  void setDoubleArray(const WCHAR* name, const double* values, uint32_t count);

  /// The first record named `name` ignoring case, or null.
  AttrRecord* find(const WCHAR* name) const;
  /// The raw (escaped) value, or `defaultText` itself.
  const WCHAR* getText(const WCHAR* name, const WCHAR* defaultText) const;
  /// True when the value begins with "1" or "true".
  bool getBool(const WCHAR* name, bool defaultValue) const;
  int32_t getInt32(const WCHAR* name, int32_t defaultValue) const;
  int64_t getInt64(const WCHAR* name, int64_t defaultValue) const;
  uint32_t getUInt32(const WCHAR* name, uint32_t defaultValue) const;
  float getFloat(const WCHAR* name, float defaultValue) const;
  double getDouble(const WCHAR* name, double defaultValue) const;
  /// The decoded value, or a copy of `defaultText`, into `out` (replaced, or appended to).
  void getString(str::strbuffer::StrBuffer* out, const WCHAR* name, const WCHAR* defaultText,
                 bool append) const;
  /// Removes the first record named `name` ignoring case and hands it back to the factory.
  void remove(const WCHAR* name);
  /// Appends ' name="value"' for every named record, in order, to `out` or a new pooled text.
  str::strbuffer::StrBuffer* appendXml(str::strbuffer::StrBuffer* out) const;

  /// The shared text the formatting setters write into, with its lock; built on first use and
  /// kept for the life of the process.
  static thread::ObjLocker& getWorkBuffer();

 private:
  /// Formats under the work text's lock and appends the record.
  template <typename Format>
  void setFormatted(const WCHAR* name, Format format);

  col::_array::ArrayP m_records;
};

}  // namespace s::xml
