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
/// at the end). Insertions and removals keep cached flags beside their entries. Comparison and
/// hashing are those of objects (identity). Pooled (capacity 1000); the pool's reset releases
/// the entries. One thread at a time.
///
/// Grouping answers a new array of s::file::Extension groups whose element disposer is the
/// Extension pool: releasing it releases the groups, whose paths stay this list's. Lists made
/// here (`extractDirectories` without `out`, the rebases, the shortcut list) are the caller's.
/// The batch shell operations answer 0 (nothing done), 1 (done, but part was skipped or
/// aborted) or 2 (all done).
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
  /// Stable ascending sorts by compareByFullPath and compareByExtension.
  void sortByPath() override;
  void sortByExtension() override;
  /// Sorts this list by extension and groups it: one group per extension ignoring case, keyed
  /// as its first member spells it (with the dot; empty for none), in sorted order.
  col::_array::ArrayP* groupByExtension() override;
  /// One group per distinct word of the titles (ignoring case), largest first; groups of fewer
  /// than two paths are dropped. The variant also counts an extension of more than the dot as
  /// a word.
  col::_array::ArrayP* groupByTitleWords(bool dropStopWord) override;
  col::_array::ArrayP* groupByTitleWordsAndExtension(bool dropStopWord) override;
  /// Cumulative size classes keyed "1024", "10240", ... "1073741824": every path smaller than
  /// the key (Below; 1 GiB and larger in none) or at least the key (AtLeast; under 1 KiB in
  /// none). Only classes with paths of their own have groups; largest key first.
  col::_array::ArrayP* groupBySizeBelow() override;
  col::_array::ArrayP* groupBySizeAtLeast() override;
  /// The first entry with the same full path (ignoring case, or exactly); its index goes to
  /// `index` when given.
  bool findIgnoreCase(IPath* path, int32_t* index) override;
  bool findTextIgnoreCase(const WCHAR* text, int32_t* index) override;
  bool find(IPath* path, int32_t* index) override;
  /// Appends the entries of every folder entry (hidden ones too), each folder's after the
  /// entries already listed; `recursive` expands the sub-folders too.
  void expandFolders(bool recursive) override;
  /// The full paths, each followed by one NUL; the text's own terminator makes the final double
  /// NUL that shell file operations need. An empty list gives one NUL.
  str::strbuffer::StrBuffer* copyDoubleNulList(str::strbuffer::StrBuffer* out,
                                               bool append) override;
  const WCHAR* getDoubleNulList() override;
  void cacheDirectoryFlags() override;
  bool isDirectoryAt(int32_t index) const override;
  /// Moves the folder entries to `out` (a new list when null), last first; returns `out`.
  PathArray* extractDirectories(IPathArray* out) override;
  /// Replaces the entries with paths of the texts.
  void setTexts(int32_t count, const WCHAR* const* texts) override;
  /// A new list of each entry's file name.
  str::strarray::StrArray* getFileNames() override;
  /// A new list of folder + "\" + each file name, with the flags copied when cached.
  PathArray* rebaseOnto(const WCHAR* folder) override;
  /// A new list of folder + "\" + each file name (a drive's letter) + ".lnk", flagged as files.
  PathArray* rebaseOntoAsShortcuts(const WCHAR* folder) override;
  /// Replaces each entry that exists with its first free sibling name.
  void makeAllUnique() override;
  /// Tells the shell what was made (entries that exist) or removed (entries that no longer
  /// exist), by the cached flags; without them nothing is said.
  void notifyShellCreated() override;
  void notifyShellDeleted() override;
  /// Copies or moves every entry into `folder` (a folder shortcut's target) through the shell,
  /// asking before replacing; `notify` caches the flags and tells the shell afterwards; nothing
  /// happens unless `perform`.
  int32_t copyTo(const WCHAR* folder, bool notify, bool perform, HWND owner) override;
  int32_t moveTo(const WCHAR* folder, bool notify, bool perform, HWND owner) override;
  /// Makes a shortcut in `folder` for every entry (`listOnly`: only plans them); the planned
  /// list goes to `shortcuts` when given (the caller releases it).
  int32_t createShortcutsIn(const WCHAR* folder, bool overwrite, bool makeUnique, bool notify,
                            bool listOnly, IPathArray** shortcuts) override;
  /// Sends every entry to the Recycle Bin (the Trash), asking first when `confirm`; true when
  /// all went. The flags for `notify` must have been cached before.
  bool moveToRecycleBin(bool notify, bool confirm, HWND owner) override;
  /// The shell's Properties sheet of the entries; false for an empty list.
  bool showProperties() override;
  PathWin* getAt(int32_t index) const override {
    return static_cast<PathWin*>(m_entries.getItems()[index]);
  }
  PathArray* addText(const WCHAR* text) override;
  /// Takes a PathWin (another IPath is not taken); returns the list.
  PathArray* add(IPath* path) override;

  /// The entries as the array holds them (PathWin pointers), for the listings that fill the list.
  col::_array::ArrayP& getEntries() { return m_entries; }

 private:
  int32_t shellTransfer(const WCHAR* folder, bool move, bool notify, bool perform, HWND owner);
  col::_array::ArrayP* groupByTitleWords(bool dropStopWord, bool withExtension);
  col::_array::ArrayP* groupBySize(bool below);

  col::_array::ArrayP m_entries;
  col::_array::ArrayS32* m_directoryFlags = nullptr;
  str::strbuffer::StrBuffer* m_work;
};

}  // namespace s::file::win
