// The interface of an owning list of paths.
#pragma once

#include "core/base/IObject.h"
#include "core/file/IPath.h"

#include <cstdint>

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::file {

/// A list that owns its paths (s::file::win::PathArray is the implementation; its header holds
/// the contract).
class IPathArray : public base::IObject {
 public:
  virtual void clearDirectoryFlags() = 0;
  /// Forgets every entry without releasing it (the entries belong to someone else now).
  virtual void clear() = 0;
  /// Releases every entry.
  virtual void clearWith() = 0;
  virtual int32_t getCount() const = 0;
  virtual void dump() = 0;
  virtual void insertAt(int32_t index, IPath* path) = 0;
  virtual void insertTextAt(int32_t index, const WCHAR* text) = 0;
  virtual IPath* takeAt(int32_t index) = 0;
  virtual void removeAt(int32_t index) = 0;
  virtual void removeLast() = 0;
  virtual str::strbuffer::StrBuffer* copyDoubleNulList(str::strbuffer::StrBuffer* out,
                                                       bool append) = 0;
  virtual const WCHAR* getDoubleNulList() = 0;
  virtual void cacheDirectoryFlags() = 0;
  virtual bool isDirectoryAt(int32_t index) const = 0;
  virtual IPath* getAt(int32_t index) const = 0;
  virtual IPathArray* addText(const WCHAR* text) = 0;
  virtual IPathArray* add(IPath* path) = 0;
};

}  // namespace s::file
