// The archive over the resources of a program or library file.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "platform/archive/dll/IArchive.h"
#include "platform/archive/dll/win/Entry.h"

#include <windows.h>

#include <cstdint>

namespace s::file::win {
class PathWin;
}
namespace s::col::_array {
class ArrayU08;
}

namespace s::archive::dll::win {

/// The resources of a module file, one entry per resource, read through the platform's resource
/// calls: the module is loaded by `open` and stays loaded until `close`, so entries are read
/// straight from it. On systems before 6.0 every language of a resource is an entry of its own;
/// from 6.0 on each type and name is one entry (language 0), read in the language the platform
/// picks for the user.
///
/// The archive owns its path, its module and its entries (given back to the Entry pool on
/// `close`). Pooled (capacity 1000); `reset` is `close`. One thread at a time.
class Archive final : public dll::IArchive, public virtual thread::IPoolable {
  S_POOLED_CLASS(Archive, u"s_archive_dll_win_Archive")

  Archive();
  ~Archive() override;
  void reset() override { close(); }

  int64_t getFileSize() const override { return m_fileSize; }
  int32_t getCount() const override { return getEntryCount(); }
  int32_t getEntryCount() const override { return static_cast<int32_t>(m_entries.getCount()); }
  Entry* getEntry(int32_t index) const override;
  /// Closes first when open. Fails for a path that does not exist, a file that cannot be loaded,
  /// and a module without resources (the platform reports none to enumerate, or none of those it
  /// lists can be found). Resources that are listed but cannot be found are left out.
  bool open(file::IPath* path) override;
  void close() override;
  /// Writes exactly the entry's size; false for an entry of another archive, or whose size
  /// exceeds the resource.
  bool extractEntry(archive::IEntry* entry, io::IOutputStream* output) override;

  bool findByName(const WCHAR* name, int32_t* index) const override;
  bool findById(uint32_t id, int32_t* index) const override;
  bool findByNameIgnoreCase(const WCHAR* name, int32_t* index) const override;
  bool findNthOfType(int32_t type, int32_t n, int32_t* index) const override;
  bool findByTypeNameAndName(const WCHAR* type, const WCHAR* name, int32_t* index) const override;
  bool findByTypeNameAndId(const WCHAR* type, uint32_t id, int32_t* index) const override;
  bool findByTypeAndName(int32_t type, const WCHAR* name, int32_t* index) const override;
  bool findByTypeAndId(int32_t type, uint32_t id, int32_t* index) const override;
  bool findByTypeNameAndNameIgnoreCase(const WCHAR* type, const WCHAR* name,
                                       int32_t* index) const override;
  bool findByTypeAndNameIgnoreCase(int32_t type, const WCHAR* name, int32_t* index) const override;

  bool extractAll(const WCHAR* folder) override;
  /// False when the entry is no group icon, or none of its images can be read, or writing fails.
  bool exportGroupIcon(int32_t index, io::IOutputStream* output) override;
  bool exportGroupCursor(int32_t index, io::IOutputStream* output) override;
  /// The device-independent bitmap behind a BMP file header; false for a bitmap whose header does
  /// not describe a readable picture.
  bool extractBitmap(int32_t index, io::IOutputStream* output) override;
  /// The five text dumps (TextDumps.h) of the entry at `index`, as UTF-8 without a terminator;
  /// false when the entry cannot be read or the text not written.
  bool exportVersionText(int32_t index, io::IOutputStream* output) override;
  bool exportStringsText(int32_t index, io::IOutputStream* output) override;
  bool exportAcceleratorText(int32_t index, io::IOutputStream* output) override;
  bool exportMenuText(int32_t index, io::IOutputStream* output) override;
  bool exportDialogText(int32_t index, io::IOutputStream* output) override;
  /// A resource not in the module yet gets an entry. Entries whose resource is gone after the
  /// update (written with no data) are dropped. On failure (a closed archive, a file that is
  /// running or cannot be written) the entries stay as they were, the last error says why and
  /// the answer is -1.
  int32_t updateResource(const void* data, uint32_t size, const WCHAR* type, const WCHAR* name,
                         uint16_t language) override;
  void detachModule() override { m_module = nullptr; }

  /// The entry's bytes appended to `out`; false when they cannot be read.
  bool extractEntryBytes(int32_t index, col::_array::ArrayU08* out);
  HMODULE getModule() const { return m_module; }
  file::win::PathWin* getPath() const { return m_path; }

 private:
  // The enumeration's callbacks; `param` is the archive.
  static BOOL CALLBACK onType(HMODULE module, LPWSTR type, LONG_PTR param);
  static BOOL CALLBACK onName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param);
  static BOOL CALLBACK onLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language,
                                  LONG_PTR param);
  /// Adds one enumerated resource; a resource that cannot be found is skipped. False (the
  /// enumeration stops) only when no entry can be taken.
  bool addEnumerated(const WCHAR* type, const WCHAR* name, WORD language);
  template <typename Match>
  bool findFirst(int32_t* index, Match match) const;
  /// Finds every entry's resource again in the (re)loaded module.
  void findEntriesAgain();
  /// Writes one entry of `extractAll` into its file; false when it should have been written and
  /// was not.
  bool extractOne(int32_t index, const WCHAR* folder);

  file::win::PathWin* m_path = nullptr;
  int64_t m_fileSize = 0;
  col::_array::ArrayP m_entries;
  HMODULE m_module = nullptr;
  bool m_perLanguage = false;  // the enumeration in progress makes one entry per language
};

}  // namespace s::archive::dll::win
