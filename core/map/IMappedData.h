// The settings store interface: typed values by section and key.
#pragma once

#include "core/base/IObject.h"

#include <cstdint>

namespace s::col::_array {
class ArrayU08;
}
namespace s::str::strarray {
class StrArray;
}

namespace s::map {

/// Typed settings addressed by a section ("" is the store's top; "A\B" nests) and a key, every
/// read with a default. Implementations: s::reg::MappedData (registry values below a base key)
/// and s::xml::MappedData (attributes of nested elements in an XML file).
///
/// Reads answer the default when the section or the key is missing; writes create the section.
/// A write is followed by `flush` when auto-flush is on. Multi-strings are not stored:
/// `getMultiString` answers null. Section and key are NUL-terminated UTF-16 texts. No failure is
/// reported. A store is used by one thread at a time.
class IMappedData : public base::IObject {
 public:
  /// Makes the writes durable (the XML store saves its file; registry writes already are).
  virtual void flush() = 0;
  /// Selects a section, creating it when missing.
  virtual void selectSection(const WCHAR* section) = 0;
  /// Removes a section with everything below it.
  virtual void removeSection(const WCHAR* section) = 0;
  /// Selects a section without creating it; answers whether it exists.
  virtual bool selectExistingSection(const WCHAR* section) = 0;
  virtual bool hasKey(const WCHAR* section, const WCHAR* key) = 0;

  virtual uint8_t getUInt8(const WCHAR* section, const WCHAR* key, uint8_t defaultValue) = 0;
  virtual uint16_t getUInt16(const WCHAR* section, const WCHAR* key, uint16_t defaultValue) = 0;
  virtual uint32_t getUInt32(const WCHAR* section, const WCHAR* key, uint32_t defaultValue) = 0;
  virtual uint64_t getUInt64(const WCHAR* section, const WCHAR* key, uint64_t defaultValue) = 0;
  virtual int8_t getInt8(const WCHAR* section, const WCHAR* key, int8_t defaultValue) = 0;
  virtual int16_t getInt16(const WCHAR* section, const WCHAR* key, int16_t defaultValue) = 0;
  virtual int32_t getInt32(const WCHAR* section, const WCHAR* key, int32_t defaultValue) = 0;
  virtual int64_t getInt64(const WCHAR* section, const WCHAR* key, int64_t defaultValue) = 0;
  virtual float getFloat(const WCHAR* section, const WCHAR* key, float defaultValue) = 0;
  virtual double getDouble(const WCHAR* section, const WCHAR* key, double defaultValue) = 0;
  virtual bool getBool(const WCHAR* section, const WCHAR* key, bool defaultValue) = 0;
  /// The text, or `defaultText`; valid until the next read of a text or bytes from the store.
  /// `*isExpandable` (when not null) tells a registry REG_EXPAND_SZ value, which `expand`
  /// expands.
  virtual const WCHAR* getString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultText,
                                 bool* isExpandable, bool expand) = 0;
  /// Always null: neither store keeps lists of texts.
  virtual str::strarray::StrArray* getMultiString(const WCHAR* section, const WCHAR* key) = 0;
  /// The bytes into `out` (replaced) or a new pooled array; see each store for a missing value.
  virtual col::_array::ArrayU08* getBinary(const WCHAR* section, const WCHAR* key,
                                           col::_array::ArrayU08* out) = 0;
  virtual void removeKey(const WCHAR* section, const WCHAR* key) = 0;

  virtual void setUInt8(const WCHAR* section, const WCHAR* key, uint8_t value) = 0;
  virtual void setUInt16(const WCHAR* section, const WCHAR* key, uint16_t value) = 0;
  virtual void setUInt32(const WCHAR* section, const WCHAR* key, uint32_t value) = 0;
  virtual void setUInt64(const WCHAR* section, const WCHAR* key, uint64_t value) = 0;
  virtual void setInt8(const WCHAR* section, const WCHAR* key, int8_t value) = 0;
  virtual void setInt16(const WCHAR* section, const WCHAR* key, int16_t value) = 0;
  virtual void setInt32(const WCHAR* section, const WCHAR* key, int32_t value) = 0;
  virtual void setInt64(const WCHAR* section, const WCHAR* key, int64_t value) = 0;
  virtual void setFloat(const WCHAR* section, const WCHAR* key, float value) = 0;
  virtual void setDouble(const WCHAR* section, const WCHAR* key, double value) = 0;
  virtual void setBool(const WCHAR* section, const WCHAR* key, bool value) = 0;
  virtual void setString(const WCHAR* section, const WCHAR* key, const WCHAR* text) = 0;
  virtual void setExpandString(const WCHAR* section, const WCHAR* key, const WCHAR* text) = 0;
  /// `flush` when auto-flush is on.
  virtual void autoFlush() = 0;
  virtual void setBinary(const WCHAR* section, const WCHAR* key,
                         const col::_array::ArrayU08* bytes) = 0;
  virtual bool isAutoFlush() const = 0;
  virtual void setAutoFlush(bool on) = 0;
};

}  // namespace s::map
