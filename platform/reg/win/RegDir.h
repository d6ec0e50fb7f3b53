// One registry key through the native registry API.
#pragma once

#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "platform/reg/IRegDir.h"

namespace s::reg::win {

/// A registry key: a predefined root (HKEY_CURRENT_USER, ...) and a path below it, opened with
/// every right through the native calls that CNtRegistry binds. It starts closed on
/// HKEY_LOCAL_MACHINE with an empty path. `open` and `openByFullPath` open an existing key; reads
/// open it on demand; writes create it on demand, with every missing parent.
///
/// Values: the getters look at the data size, not the type (a REG_DWORD reads as a float, a
/// REG_QWORD as a 64-bit integer); a missing value or another size answers the default. 8- to
/// 32-bit integers and booleans are written as REG_DWORD, 64-bit integers and doubles as
/// REG_BINARY of 8 bytes, floats as REG_BINARY of 4 bytes.
///
/// Texts answered (`getString`, the paths) point into this object and stay valid until the next
/// call on it. Lists and arrays it makes are new pooled objects that the caller releases; the
/// RegDirs of `listSubKeys` go back to their pool with the list.
///
/// Failures are not reported to the user: reads answer defaults, writes to a key that cannot be
/// created do nothing, enumeration ends at the first failure. When the native API could not be
/// bound, or the root is not one of the five predefined keys, nothing opens. Names and paths too
/// long for a counted string are refused rather than cut.
///
/// Pooled (capacity 1000). One thread at a time uses a RegDir; the shared query and listing
/// buffers are locked.
class RegDir final : public IRegDir, public virtual thread::IPoolable {
  S_POOLED_CLASS(RegDir, u"s_reg_win_RegDir")

  RegDir();
  ~RegDir() override;
  RegDir(const RegDir&) = delete;
  RegDir& operator=(const RegDir&) = delete;

  /// Closes the key, frees the buffers and returns to HKEY_LOCAL_MACHINE with an empty path.
  void reset() override;

  /// rootName + "\" + path, and the native form rootPath + "\" + path.
  const WCHAR* getFullPath() override { return m_fullPath->getCStr(); }
  const WCHAR* getNativePath() override { return m_nativePath->getCStr(); }
  /// A new RegDir opened on the same root and the path up to its last "\" (the root itself when
  /// there is none).
  RegDir* newParent() const override;
  /// One new opened RegDir per sub-key, in the registry's order (sorted ignoring case); the list
  /// disposes of them. Empty when no key is open.
  col::_array::ArrayP* listSubKeys() override;
  /// As `listSubKeys`, only the sub-keys whose name begins with `prefix` ignoring case.
  col::_array::ArrayP* listSubKeysMatching(const WCHAR* prefix) override;
  HKEY getRootKey() const override { return m_root; }
  /// Sets the root; for a value other than the five predefined keys the names stay but nothing
  /// can be opened until a predefined root is set.
  void setRootKey(HKEY root) override;
  const WCHAR* getPath() override { return m_subPath->getCStr(); }
  /// Opens root + `subPath` (trailing "\" removed); a key already open is closed first. Answers
  /// the status; a missing key leaves the RegDir closed.
  NTSTATUS openPath(const WCHAR* subPath) override;
  /// The last piece of the path (all of it without "\"), into `out` (emptied unless `append`) or
  /// a new pooled text.
  str::strbuffer::StrBuffer* getKeyName(str::strbuffer::StrBuffer* out = nullptr,
                                        bool append = false) const override;
  /// Opens "HKEY_...\sub\path" (root names compared ignoring case, followed by one "\" or "/",
  /// after which the sub-path is taken as written; a bare root name opens the root itself); any
  /// other text opens HKEY_CURRENT_USER "InvalidKey".
  NTSTATUS openByFullPath(const WCHAR* text) override;
  NTSTATUS open(HKEY root, const WCHAR* subPath) override;
  void close() override;
  /// Closes and opens the key again (to notice that it was deleted); answers whether a key is
  /// open. With none open it answers false without trying.
  bool reopen() override;
  /// Creates the key and every missing parent; nothing when a key is open.
  void createKey() override;
  /// Deletes every sub-key, recursively, and with `includeSelf` the key itself, which leaves the
  /// RegDir closed.
  void removeKey(bool includeSelf) override;
  /// Renames the key within its parent. Afterwards no key is open and the RegDir still names the
  /// old path.
  NTSTATUS rename(const WCHAR* newName) override;
  /// Makes the key's changes durable (they already are: every write is committed at once).
  void flush() override;
  /// Reads one value into the value buffer. Its type and data size (bytes) go to the outs (0 when
  /// it fails); with `wantedType` other than -1 the answer is also false for another type.
  bool queryValue(const WCHAR* name, DWORD* type, DWORD* size, int32_t wantedType) override;
  /// The value names in enumeration order (creation order), as a new list; empty when no key is
  /// open.
  str::strarray::StrArray* listValueNames() override;
  /// The bytes of value data of this key (with `includeValues`) and, with `recursive`, of every
  /// key below it; the counts grow by the values and sub-keys seen.
  uint64_t getTotalSize(bool recursive, uint32_t* valueCount, uint32_t* keyCount,
                        bool includeValues) override;
  /// The data size in bytes; 0 when the value is missing.
  uint32_t getValueSize(const WCHAR* name) override;

  uint8_t getUInt8(const WCHAR* name, uint8_t defaultValue) override;
  uint16_t getUInt16(const WCHAR* name, uint16_t defaultValue) override;
  uint32_t getUInt32(const WCHAR* name, uint32_t defaultValue) override;
  uint64_t getUInt64(const WCHAR* name, uint64_t defaultValue) override;
  int8_t getInt8(const WCHAR* name, int8_t defaultValue) override;
  int16_t getInt16(const WCHAR* name, int16_t defaultValue) override;
  int32_t getInt32(const WCHAR* name, int32_t defaultValue) override;
  int64_t getInt64(const WCHAR* name, int64_t defaultValue) override;
  float getFloat(const WCHAR* name, float defaultValue) override;
  double getDouble(const WCHAR* name, double defaultValue) override;
  bool getBool(const WCHAR* name, bool defaultValue) override;
  /// A REG_SZ or REG_EXPAND_SZ value (any value of size 0 answers ""), else `defaultText` itself.
  /// `*isExpandable` tells REG_EXPAND_SZ; with `expand` its environment references are expanded.
  const WCHAR* getString(const WCHAR* name, const WCHAR* defaultText, bool* isExpandable,
                         bool expand) override;
  /// A REG_MULTI_SZ value as a new list; empty when missing, of another type or empty.
  str::strarray::StrArray* getMultiString(const WCHAR* name) override;
  /// The value's bytes, whatever its type, into `out` (replaced) or a new pooled array; null when
  /// the value is missing (`out` is then untouched).
  col::_array::ArrayU08* getBinary(const WCHAR* name, col::_array::ArrayU08* out) override;
  /// Deletes the value; STATUS_OBJECT_NAME_NOT_FOUND when there is none.
  NTSTATUS removeValue(const WCHAR* name) override;

  void setUInt8(const WCHAR* name, uint8_t value) override;
  void setUInt16(const WCHAR* name, uint16_t value) override;
  void setUInt32(const WCHAR* name, uint32_t value) override;
  void setUInt64(const WCHAR* name, uint64_t value) override;
  void setInt8(const WCHAR* name, int8_t value) override;
  void setInt16(const WCHAR* name, int16_t value) override;
  void setInt32(const WCHAR* name, int32_t value) override;
  void setInt64(const WCHAR* name, int64_t value) override;
  void setFloat(const WCHAR* name, float value) override;
  void setDouble(const WCHAR* name, double value) override;
  void setBool(const WCHAR* name, bool value) override;
  void setString(const WCHAR* name, const WCHAR* text) override;
  void setExpandString(const WCHAR* name, const WCHAR* text) override;
  void setMultiString(const WCHAR* name, const str::strarray::StrArray* list) override;
  void setBinary(const WCHAR* name, const col::_array::ArrayU08* bytes) override;

  /// Writes one value, creating the key (with its parents) when none is open. Answers the status.
  NTSTATUS setValue(const WCHAR* name, DWORD type, const void* data, DWORD size);
  /// Whether a key is open.
  bool isOpen() const { return m_handle != nullptr; }

 private:
  /// Opens the key when none is open; answers whether one is.
  bool ensureOpen();
  /// Points the name counted string at `name` (null: the default value); false when it is too
  /// long for a counted string.
  bool setName(const WCHAR* name);
  /// The value buffer as a terminated text of whole units.
  const WCHAR* valueText();
  /// The sub-key names, read under the lock of `which` listing buffer.
  str::strarray::StrArray* listSubKeyNames(bool matching, const WCHAR* prefix);
  col::_array::ArrayP* openSubKeys(str::strarray::StrArray* names);
  template <typename T>
  T readSized(const WCHAR* name, T defaultValue);

  col::_array::ArrayU08* m_valueBuffer;
  col::_array::ArrayU08* m_expandBuffer;
  UNICODE_STRING m_nameString{};
  HANDLE m_handle = nullptr;
  HKEY m_root = HKEY_LOCAL_MACHINE;
  str::strbuffer::StrBuffer* m_rootName;
  str::strbuffer::StrBuffer* m_rootPath;
  str::strbuffer::StrBuffer* m_subPath;
  str::strbuffer::StrBuffer* m_fullPath;
  str::strbuffer::StrBuffer* m_nativePath;
  UNICODE_STRING m_objectName{};
  OBJECT_ATTRIBUTES m_objectAttributes{};
  /// The root is a predefined key and the native path fits a counted string.
  bool m_pathUsable = false;
};

}  // namespace s::reg::win
