// The library's list of paths: an owning list of PathWin objects with the operations a file
// manager needs on a selection.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/col/array/ArrayS32.h"
#include "core/file/IPathArray.h"
#include "core/file/win/PathWin.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::file::win {

/// Owns its paths, which come from and go back to the PathWin pool: `add`, `insertAt`,
/// `addText` and `insertTextAt` hand a path to the list; `takeAt` hands one out unreleased;
/// `removeAt`, `removeLast` and `clearWith` release; `clear` forgets without releasing (for
/// entries handed to another owner). Directory flags (one per entry) exist only after
/// `cacheDirectoryFlags` and are dropped by every clear.
///
/// Indexes are not checked: they must be below the count (the count itself for an insertion
/// at the end). Comparison and hashing are those of objects (identity). Pooled (capacity 1000);
/// the pool's reset releases the entries. One thread at a time.
class PathArray final : public IPathArray, public virtual thread::IPoolable {
  S_POOLED_CLASS(PathArray, u"s_file_win_PathArray")

  PathArray();
  ~PathArray() override;
  PathArray(const PathArray&) = delete;
  PathArray& operator=(const PathArray&) = delete;

  void reset() override;

  void clearDirectoryFlags() override;
  void clear() override;
  void clearWith() override;
  int32_t getCount() const override { return static_cast<int32_t>(m_entries.getCount()); }
  void dump() override {}
  void insertAt(int32_t index, IPath* path) override;
  void insertTextAt(int32_t index, const WCHAR* text) override;
  PathWin* takeAt(int32_t index) override;
  void removeAt(int32_t index) override;
  void removeLast() override;
  /// The full paths, each followed by one NUL; the text's own terminator makes the final double
  /// NUL that shell file operations need. An empty list gives one NUL.
  str::strbuffer::StrBuffer* copyDoubleNulList(str::strbuffer::StrBuffer* out,
                                               bool append) override;
  const WCHAR* getDoubleNulList() override;
  void cacheDirectoryFlags() override;
  bool isDirectoryAt(int32_t index) const override;
  PathWin* getAt(int32_t index) const override {
    return static_cast<PathWin*>(m_entries.getItems()[index]);
  }
  PathArray* addText(const WCHAR* text) override;
  /// Takes a PathWin (another IPath is not taken); returns the list.
  PathArray* add(IPath* path) override;

  /// The entries as the array holds them (PathWin pointers), for the listings that fill the list.
  col::_array::ArrayP& getEntries() { return m_entries; }

 private:
  col::_array::ArrayP m_entries;
  col::_array::ArrayS32* m_directoryFlags = nullptr;
  str::strbuffer::StrBuffer* m_work;
};

}  // namespace s::file::win
