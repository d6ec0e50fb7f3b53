// The interface of an XML element.
#pragma once

#include "core/base/IObject.h"

#include <cstdint>

namespace s::col::_array {
class ArrayU08;
}
namespace s::file {
class IPath;
}
namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::xml {

class Attributes;
class Node;

/// An XML element with a name, ordered attributes and ordered children; s::xml::Node holds the
/// contract. Texts are UTF-16; a length of -1 means up to the terminating NUL.
class IXml : public base::IObject {
 public:
  virtual uint32_t getChildCount() const = 0;
  virtual void clear() = 0;
  virtual void walkIndented(const WCHAR* indentation) = 0;
  virtual const WCHAR* parse(const WCHAR* text) = 0;
  virtual bool parseBytes(const col::_array::ArrayU08* bytes) = 0;
  virtual const WCHAR* getName() const = 0;
  virtual void setName(const WCHAR* name, int32_t length) = 0;
  virtual bool isNamed(const WCHAR* name, int32_t length) const = 0;
  virtual bool isComment() const = 0;
  virtual Node* getChild(uint32_t index) const = 0;
  virtual Node* addChild(const WCHAR* name, int32_t length) = 0;
  virtual Node* appendChild(Node* child) = 0;
  virtual void removeChildAt(uint32_t index) = 0;
  virtual bool findChildIndex(const WCHAR* name, uint32_t* index, int32_t length) const = 0;
  virtual Node* findChild(const WCHAR* name, int32_t length) const = 0;

  virtual void setUInt64(const WCHAR* name, uint64_t value) = 0;
  virtual void setUInt32(const WCHAR* name, uint32_t value) = 0;
  virtual void setUInt16(const WCHAR* name, uint16_t value) = 0;
  virtual void setUInt8(const WCHAR* name, uint8_t value) = 0;
  virtual void setInt64(const WCHAR* name, int64_t value) = 0;
  virtual void setInt32(const WCHAR* name, int32_t value) = 0;
  virtual void setInt16(const WCHAR* name, int16_t value) = 0;
  virtual void setInt8(const WCHAR* name, int8_t value) = 0;
  virtual void setFloat(const WCHAR* name, float value) = 0;
  virtual void setDouble(const WCHAR* name, double value) = 0;
  virtual void setString(const WCHAR* name, const WCHAR* text) = 0;
  virtual void setUInt64Array(const WCHAR* name, const uint64_t* values, uint32_t count) = 0;
  virtual void setUInt32Array(const WCHAR* name, const uint32_t* values, uint32_t count) = 0;
  virtual void setUInt16Array(const WCHAR* name, const uint16_t* values, uint32_t count) = 0;
  virtual void setUInt8Array(const WCHAR* name, const uint8_t* values, uint32_t count) = 0;
  virtual void setInt64Array(const WCHAR* name, const int64_t* values, uint32_t count) = 0;
  virtual void setInt32Array(const WCHAR* name, const int32_t* values, uint32_t count) = 0;
  virtual void setInt16Array(const WCHAR* name, const int16_t* values, uint32_t count) = 0;
  virtual void setInt8Array(const WCHAR* name, const int8_t* values, uint32_t count) = 0;
  virtual void setFloatArray(const WCHAR* name, const float* values, uint32_t count) = 0;
  virtual void setDoubleArray(const WCHAR* name, const double* values, uint32_t count) = 0;

  virtual const WCHAR* getText(const WCHAR* name, const WCHAR* defaultText) const = 0;
  virtual bool getBool(const WCHAR* name, bool defaultValue) const = 0;
  virtual int8_t getInt8(const WCHAR* name, int8_t defaultValue) const = 0;
  virtual int16_t getInt16(const WCHAR* name, int16_t defaultValue) const = 0;
  virtual int32_t getInt32(const WCHAR* name, int32_t defaultValue) const = 0;
  virtual int64_t getInt64(const WCHAR* name, int64_t defaultValue) const = 0;
  virtual uint8_t getUInt8(const WCHAR* name, uint8_t defaultValue) const = 0;
  virtual uint16_t getUInt16(const WCHAR* name, uint16_t defaultValue) const = 0;
  virtual uint32_t getUInt32(const WCHAR* name, uint32_t defaultValue) const = 0;
  virtual uint64_t getUInt64(const WCHAR* name, uint64_t defaultValue) const = 0;
  virtual void getString(str::strbuffer::StrBuffer* out, const WCHAR* name,
                         const WCHAR* defaultText, bool append) const = 0;
  virtual str::strbuffer::StrBuffer* toXml(str::strbuffer::StrBuffer* out, bool append) const = 0;
  virtual col::_array::ArrayU08* toBytes(col::_array::ArrayU08* out, bool append) const = 0;
  virtual Attributes* getAttributes() = 0;
  virtual bool loadFile(const str::strbuffer::StrBuffer* path) = 0;
  virtual bool load(file::IPath* path) = 0;
  virtual bool saveFile(const str::strbuffer::StrBuffer* path) const = 0;
  virtual bool save(file::IPath* path) const = 0;
};

}  // namespace s::xml
