// The settings store over the registry: sections are keys below a base key, settings are values.
#pragma once

#include <mutex>

#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "platform/map/IMappedData.h"
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
/// one at a time (a program's window and main threads share its settings); a text answered stays
/// valid until the store's next call.
class MappedData final : public map::IMappedData, public virtual thread::IPoolable {
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

  uint8_t getUInt8(const WCHAR* section, const WCHAR* key, uint8_t defaultValue) override;
  uint16_t getUInt16(const WCHAR* section, const WCHAR* key, uint16_t defaultValue) override;
  uint32_t getUInt32(const WCHAR* section, const WCHAR* key, uint32_t defaultValue) override;
  uint64_t getUInt64(const WCHAR* section, const WCHAR* key, uint64_t defaultValue) override;
  int8_t getInt8(const WCHAR* section, const WCHAR* key, int8_t defaultValue) override;
  int16_t getInt16(const WCHAR* section, const WCHAR* key, int16_t defaultValue) override;
  int32_t getInt32(const WCHAR* section, const WCHAR* key, int32_t defaultValue) override;
  int64_t getInt64(const WCHAR* section, const WCHAR* key, int64_t defaultValue) override;
  float getFloat(const WCHAR* section, const WCHAR* key, float defaultValue) override;
  double getDouble(const WCHAR* section, const WCHAR* key, double defaultValue) override;
  bool getBool(const WCHAR* section, const WCHAR* key, bool defaultValue) override;
  const WCHAR* getString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultText,
                         bool* isExpandable, bool expand) override;
  str::strarray::StrArray* getMultiString(const WCHAR*, const WCHAR*) override { return nullptr; }
  /// A missing section answers `out` untouched (or a new empty array); a missing value answers
  /// null, and an array the store took for the call goes back to its pool.
  col::_array::ArrayU08* getBinary(const WCHAR* section, const WCHAR* key,
                                   col::_array::ArrayU08* out) override;
  void removeKey(const WCHAR* section, const WCHAR* key) override;

  void setUInt8(const WCHAR* section, const WCHAR* key, uint8_t value) override;
  void setUInt16(const WCHAR* section, const WCHAR* key, uint16_t value) override;
  void setUInt32(const WCHAR* section, const WCHAR* key, uint32_t value) override;
  void setUInt64(const WCHAR* section, const WCHAR* key, uint64_t value) override;
  void setInt8(const WCHAR* section, const WCHAR* key, int8_t value) override;
  void setInt16(const WCHAR* section, const WCHAR* key, int16_t value) override;
  void setInt32(const WCHAR* section, const WCHAR* key, int32_t value) override;
  void setInt64(const WCHAR* section, const WCHAR* key, int64_t value) override;
  void setFloat(const WCHAR* section, const WCHAR* key, float value) override;
  void setDouble(const WCHAR* section, const WCHAR* key, double value) override;
  void setBool(const WCHAR* section, const WCHAR* key, bool value) override;
  void setString(const WCHAR* section, const WCHAR* key, const WCHAR* text) override;
  void setExpandString(const WCHAR* section, const WCHAR* key, const WCHAR* text) override;
  void autoFlush() override {
    if (m_autoFlush) {
      flush();
    }
  }
  void setBinary(const WCHAR* section, const WCHAR* key,
                 const col::_array::ArrayU08* bytes) override;
  bool isAutoFlush() const override { return m_autoFlush; }
  void setAutoFlush(bool on) override { m_autoFlush = on; }

 private:
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
  template <typename Write>
  void write(const WCHAR* section, Write write);

  str::strbuffer::StrBuffer* m_pathWork;
  str::strbuffer::StrBuffer* m_sectionName;
  win::RegDir* m_baseKey = nullptr;
  win::RegDir* m_sectionKey = nullptr;
  bool m_autoFlush = false;
  /// Held through each call: the current section and its key are shared state.
  std::recursive_mutex m_lock;
};

}  // namespace s::reg
