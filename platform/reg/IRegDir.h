// The interface of one registry key.
#pragma once

#include "core/base/IObject.h"

#include <windows.h>
#include <winternl.h>

#include <cstdint>

namespace s::col::_array {
class ArrayP;
class ArrayU08;
}  // namespace s::col::_array
namespace s::str::strarray {
class StrArray;
}
namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::reg {

/// One registry key, addressed by a predefined root and a path below it, with typed values.
/// s::reg::win::RegDir holds the contract; texts are NUL-terminated UTF-16, a null value name is
/// the key's default (unnamed) value, and "status" is a native status (0 for success).
class IRegDir : public base::IObject {
 public:
  virtual const WCHAR* getFullPath() = 0;
  virtual const WCHAR* getNativePath() = 0;
  virtual IRegDir* newParent() const = 0;
  virtual col::_array::ArrayP* listSubKeys() = 0;
  virtual col::_array::ArrayP* listSubKeysMatching(const WCHAR* prefix) = 0;
  virtual HKEY getRootKey() const = 0;
  virtual void setRootKey(HKEY root) = 0;
  virtual const WCHAR* getPath() = 0;
  virtual NTSTATUS openPath(const WCHAR* subPath) = 0;
  virtual str::strbuffer::StrBuffer* getKeyName(str::strbuffer::StrBuffer* out = nullptr,
                                                bool append = false) const = 0;
  virtual NTSTATUS openByFullPath(const WCHAR* text) = 0;
  virtual NTSTATUS open(HKEY root, const WCHAR* subPath) = 0;
  virtual void close() = 0;
  virtual bool reopen() = 0;
  virtual void createKey() = 0;
  virtual void removeKey(bool includeSelf) = 0;
  virtual NTSTATUS rename(const WCHAR* newName) = 0;
  virtual void flush() = 0;
  virtual bool queryValue(const WCHAR* name, DWORD* type, DWORD* size, int32_t wantedType) = 0;
  virtual str::strarray::StrArray* listValueNames() = 0;
  virtual uint64_t getTotalSize(bool recursive, uint32_t* valueCount, uint32_t* keyCount,
                                bool includeValues) = 0;
  virtual uint32_t getValueSize(const WCHAR* name) = 0;

  virtual uint8_t getUInt8(const WCHAR* name, uint8_t defaultValue) = 0;
  virtual uint16_t getUInt16(const WCHAR* name, uint16_t defaultValue) = 0;
  virtual uint32_t getUInt32(const WCHAR* name, uint32_t defaultValue) = 0;
  virtual uint64_t getUInt64(const WCHAR* name, uint64_t defaultValue) = 0;
  virtual int8_t getInt8(const WCHAR* name, int8_t defaultValue) = 0;
  virtual int16_t getInt16(const WCHAR* name, int16_t defaultValue) = 0;
  virtual int32_t getInt32(const WCHAR* name, int32_t defaultValue) = 0;
  virtual int64_t getInt64(const WCHAR* name, int64_t defaultValue) = 0;
  virtual float getFloat(const WCHAR* name, float defaultValue) = 0;
  virtual double getDouble(const WCHAR* name, double defaultValue) = 0;
  virtual bool getBool(const WCHAR* name, bool defaultValue) = 0;
  virtual const WCHAR* getString(const WCHAR* name, const WCHAR* defaultText, bool* isExpandable,
                                 bool expand) = 0;
  virtual str::strarray::StrArray* getMultiString(const WCHAR* name) = 0;
  virtual col::_array::ArrayU08* getBinary(const WCHAR* name, col::_array::ArrayU08* out) = 0;
  virtual NTSTATUS removeValue(const WCHAR* name) = 0;

  virtual void setUInt8(const WCHAR* name, uint8_t value) = 0;
  virtual void setUInt16(const WCHAR* name, uint16_t value) = 0;
  virtual void setUInt32(const WCHAR* name, uint32_t value) = 0;
  virtual void setUInt64(const WCHAR* name, uint64_t value) = 0;
  virtual void setInt8(const WCHAR* name, int8_t value) = 0;
  virtual void setInt16(const WCHAR* name, int16_t value) = 0;
  virtual void setInt32(const WCHAR* name, int32_t value) = 0;
  virtual void setInt64(const WCHAR* name, int64_t value) = 0;
  virtual void setFloat(const WCHAR* name, float value) = 0;
  virtual void setDouble(const WCHAR* name, double value) = 0;
  virtual void setBool(const WCHAR* name, bool value) = 0;
  virtual void setString(const WCHAR* name, const WCHAR* text) = 0;
  virtual void setExpandString(const WCHAR* name, const WCHAR* text) = 0;
  virtual void setMultiString(const WCHAR* name, const str::strarray::StrArray* list) = 0;
  virtual void setBinary(const WCHAR* name, const col::_array::ArrayU08* bytes) = 0;
};

}  // namespace s::reg
