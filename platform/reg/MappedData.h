// The settings store over the registry: sections are keys below a base key, settings are values.
#pragma once

#include "core/map/TypedMappedData.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "platform/reg/win/RegDir.h"

namespace s::reg {

/// The registry settings store (see s::map::IMappedData). The section "" is the base key itself,
/// "A\B" the key A\B below it, and "A/B" one key of that name. Values are written with the
/// RegDir encodings, so a getter reads a value of the size it takes and answers the default for
/// any other.
///
/// Usable once `setBaseKey` has run; before that reads answer defaults and writes do nothing.
/// Every write reaches the registry database at once, so `flush` has nothing to do.
///
/// The current section is kept by name (compared ignoring case) with its open key, which is
/// reopened on each use so that a section deleted meanwhile is noticed.
///
/// Pooled (capacity 1000); owns its base and section keys. Calls from several threads are taken
/// one at a time (a program's window and main threads share its settings): each holds `m_lock`.
/// A text answered stays valid until the store's next call.
class MappedData final : public map::TypedMappedData<MappedData, win::RegDir>,
                         public virtual thread::IPoolable {
  S_POOLED_CLASS(MappedData, u"s_reg_MappedData")

  MappedData();
  ~MappedData() override;
  MappedData(const MappedData&) = delete;
  MappedData& operator=(const MappedData&) = delete;

  /// Gives back the keys and clears auto-flush.
  void reset() override;

  /// The store's base key; the store owns it from now on (the old keys are given back).
  void setBaseKey(win::RegDir* base);
  win::RegDir* getBaseKey() const { return m_baseKey; }

  void flush() override {}
  void selectSection(const WCHAR* section) override;
  /// Deletes the section's key with every key below it; the section "" deletes the base key.
  void removeSection(const WCHAR* section) override;
  bool selectExistingSection(const WCHAR* section) override;
  bool hasKey(const WCHAR* section, const WCHAR* key) override;

  const WCHAR* getString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultText,
                         bool* isExpandable, bool expand) override;
  /// A missing section answers `out` untouched (or a new empty array); a missing value answers
  /// null, and an array the store took for the call goes back to its pool.
  col::_array::ArrayU08* getBinary(const WCHAR* section, const WCHAR* key,
                                   col::_array::ArrayU08* out) override;
  void removeKey(const WCHAR* section, const WCHAR* key) override;

  void setString(const WCHAR* section, const WCHAR* key, const WCHAR* text) override;
  void setExpandString(const WCHAR* section, const WCHAR* key, const WCHAR* text) override;
  void setBinary(const WCHAR* section, const WCHAR* key,
                 const col::_array::ArrayU08* bytes) override;

 private:
  friend class map::TypedMappedData<MappedData, win::RegDir>;

  /// One value of each type, read and written in the RegDir encodings.
  static uint8_t read(win::RegDir* values, const WCHAR* key, uint8_t defaultValue);
  static uint16_t read(win::RegDir* values, const WCHAR* key, uint16_t defaultValue);
  static uint32_t read(win::RegDir* values, const WCHAR* key, uint32_t defaultValue);
  static uint64_t read(win::RegDir* values, const WCHAR* key, uint64_t defaultValue);
  static int8_t read(win::RegDir* values, const WCHAR* key, int8_t defaultValue);
  static int16_t read(win::RegDir* values, const WCHAR* key, int16_t defaultValue);
  static int32_t read(win::RegDir* values, const WCHAR* key, int32_t defaultValue);
  static int64_t read(win::RegDir* values, const WCHAR* key, int64_t defaultValue);
  static float read(win::RegDir* values, const WCHAR* key, float defaultValue);
  static double read(win::RegDir* values, const WCHAR* key, double defaultValue);
  static bool read(win::RegDir* values, const WCHAR* key, bool defaultValue);
  static void put(win::RegDir* values, const WCHAR* key, uint8_t value);
  static void put(win::RegDir* values, const WCHAR* key, uint16_t value);
  static void put(win::RegDir* values, const WCHAR* key, uint32_t value);
  static void put(win::RegDir* values, const WCHAR* key, uint64_t value);
  static void put(win::RegDir* values, const WCHAR* key, int8_t value);
  static void put(win::RegDir* values, const WCHAR* key, int16_t value);
  static void put(win::RegDir* values, const WCHAR* key, int32_t value);
  static void put(win::RegDir* values, const WCHAR* key, int64_t value);
  static void put(win::RegDir* values, const WCHAR* key, float value);
  static void put(win::RegDir* values, const WCHAR* key, double value);
  static void put(win::RegDir* values, const WCHAR* key, bool value);
  /// Replaces the section key by a new one opened on the base path + "\" + section.
  void openSectionKey(const WCHAR* section);
  /// The section's key after `selectExistingSection`, or null.
  win::RegDir* existing(const WCHAR* section) {
    return selectExistingSection(section) ? m_sectionKey : nullptr;
  }
  /// The section's key after `selectSection`, or null without a base key.
  win::RegDir* selected(const WCHAR* section) {
    selectSection(section);
    return m_sectionKey;
  }
  /// Runs `write` on the section's key (made when missing; nothing without a base key), then
  /// `autoFlush`. A registry value is replaced whole, so `key` needs no care of its own here.
  template <typename Write>
  void write(const WCHAR* section, const WCHAR* /*key*/, Write write) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    win::RegDir* dir = selected(section);
    if (dir != nullptr) {
      write(dir);
      autoFlush();
    }
  }

  str::strbuffer::StrBuffer* m_pathWork;
  str::strbuffer::StrBuffer* m_sectionName;
  win::RegDir* m_baseKey = nullptr;
  win::RegDir* m_sectionKey = nullptr;
};

}  // namespace s::reg
