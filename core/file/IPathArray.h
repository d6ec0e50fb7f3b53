// The interface of an owning list of paths.
#pragma once

#include "core/base/IObject.h"
#include "core/file/IPath.h"

#include <windows.h>

#include <cstdint>

namespace s::str::strbuffer {
class StrBuffer;
}
namespace s::str::strarray {
class StrArray;
}
namespace s::col::_array {
class ArrayP;
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
  virtual void sortByPath() = 0;
  virtual void sortByExtension() = 0;
  virtual col::_array::ArrayP* groupByExtension() = 0;
  virtual col::_array::ArrayP* groupByTitleWords(bool dropStopWord) = 0;
  virtual col::_array::ArrayP* groupByTitleWordsAndExtension(bool dropStopWord) = 0;
  virtual col::_array::ArrayP* groupBySizeBelow() = 0;
  virtual col::_array::ArrayP* groupBySizeAtLeast() = 0;
  virtual bool findIgnoreCase(IPath* path, int32_t* index) = 0;
  virtual bool findTextIgnoreCase(const WCHAR* text, int32_t* index) = 0;
  virtual bool find(IPath* path, int32_t* index) = 0;
  virtual void expandFolders(bool recursive) = 0;
  virtual str::strbuffer::StrBuffer* copyDoubleNulList(str::strbuffer::StrBuffer* out,
                                                       bool append) = 0;
  virtual const WCHAR* getDoubleNulList() = 0;
  virtual void cacheDirectoryFlags() = 0;
  virtual bool isDirectoryAt(int32_t index) const = 0;
  virtual IPathArray* extractDirectories(IPathArray* out) = 0;
  virtual void setTexts(int32_t count, const WCHAR* const* texts) = 0;
  virtual str::strarray::StrArray* getFileNames() = 0;
  virtual IPathArray* rebaseOnto(const WCHAR* folder) = 0;
  virtual IPathArray* rebaseOntoAsShortcuts(const WCHAR* folder) = 0;
  virtual void makeAllUnique() = 0;
  virtual void notifyShellCreated() = 0;
  virtual void notifyShellDeleted() = 0;
  virtual int32_t copyTo(const WCHAR* folder, bool notify, bool perform, HWND owner) = 0;
  virtual int32_t moveTo(const WCHAR* folder, bool notify, bool perform, HWND owner) = 0;
  virtual int32_t createShortcutsIn(const WCHAR* folder, bool overwrite, bool makeUnique,
                                    bool notify, bool listOnly, IPathArray** shortcuts) = 0;
  virtual bool moveToRecycleBin(bool notify, bool confirm, HWND owner) = 0;
  virtual bool showProperties() = 0;
  virtual IPath* getAt(int32_t index) const = 0;
  virtual IPathArray* addText(const WCHAR* text) = 0;
  virtual IPathArray* add(IPath* path) = 0;
};

}  // namespace s::file
