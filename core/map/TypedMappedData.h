// The typed reads and writes every settings store answers the same way, written once over the
// store's own section object.
#pragma once

#include "core/map/IMappedData.h"

#include <windows.h>

#include <cstdint>
#include <mutex>

namespace s::map {

/// The part of `IMappedData` that is the same in every store `Store`, whose sections hold their
/// values in a `Section` (a registry key, an element's attributes). It declares no operation of
/// its own, so a store keeps the interface's virtual order. The store provides:
/// - `Section* existing(section)`: the section's object for a read, null when the section is
///   missing (the read then answers its default);
/// - `void write(section, key, put)`: runs `put(Section*)` on the section's object, making the
///   section when it is missing, then `autoFlush`;
/// - `static T read(Section*, key, T defaultValue)` and `static void put(Section*, key, T value)`
///   for each of the eleven value types.
///
/// Auto-flush is off after construction; the store's `reset` clears it.
template <class Store, class Section>
class TypedMappedData : public IMappedData {
 public:
  uint8_t getUInt8(const WCHAR* section, const WCHAR* key, uint8_t defaultValue) override {
    return get(section, key, defaultValue);
  }
  uint16_t getUInt16(const WCHAR* section, const WCHAR* key, uint16_t defaultValue) override {
    return get(section, key, defaultValue);
  }
  uint32_t getUInt32(const WCHAR* section, const WCHAR* key, uint32_t defaultValue) override {
    return get(section, key, defaultValue);
  }
  uint64_t getUInt64(const WCHAR* section, const WCHAR* key, uint64_t defaultValue) override {
    return get(section, key, defaultValue);
  }
  int8_t getInt8(const WCHAR* section, const WCHAR* key, int8_t defaultValue) override {
    return get(section, key, defaultValue);
  }
  int16_t getInt16(const WCHAR* section, const WCHAR* key, int16_t defaultValue) override {
    return get(section, key, defaultValue);
  }
  int32_t getInt32(const WCHAR* section, const WCHAR* key, int32_t defaultValue) override {
    return get(section, key, defaultValue);
  }
  int64_t getInt64(const WCHAR* section, const WCHAR* key, int64_t defaultValue) override {
    return get(section, key, defaultValue);
  }
  float getFloat(const WCHAR* section, const WCHAR* key, float defaultValue) override {
    return get(section, key, defaultValue);
  }
  double getDouble(const WCHAR* section, const WCHAR* key, double defaultValue) override {
    return get(section, key, defaultValue);
  }
  bool getBool(const WCHAR* section, const WCHAR* key, bool defaultValue) override {
    return get(section, key, defaultValue);
  }
  /// Neither store keeps lists of texts.
  str::strarray::StrArray* getMultiString(const WCHAR*, const WCHAR*) override { return nullptr; }

  void setUInt8(const WCHAR* section, const WCHAR* key, uint8_t value) override {
    set(section, key, value);
  }
  void setUInt16(const WCHAR* section, const WCHAR* key, uint16_t value) override {
    set(section, key, value);
  }
  void setUInt32(const WCHAR* section, const WCHAR* key, uint32_t value) override {
    set(section, key, value);
  }
  void setUInt64(const WCHAR* section, const WCHAR* key, uint64_t value) override {
    set(section, key, value);
  }
  void setInt8(const WCHAR* section, const WCHAR* key, int8_t value) override {
    set(section, key, value);
  }
  void setInt16(const WCHAR* section, const WCHAR* key, int16_t value) override {
    set(section, key, value);
  }
  void setInt32(const WCHAR* section, const WCHAR* key, int32_t value) override {
    set(section, key, value);
  }
  void setInt64(const WCHAR* section, const WCHAR* key, int64_t value) override {
    set(section, key, value);
  }
  void setFloat(const WCHAR* section, const WCHAR* key, float value) override {
    set(section, key, value);
  }
  void setDouble(const WCHAR* section, const WCHAR* key, double value) override {
    set(section, key, value);
  }
  void setBool(const WCHAR* section, const WCHAR* key, bool value) override {
    set(section, key, value);
  }
  void autoFlush() override {
    if (m_autoFlush) {
      this->flush();
    }
  }
  bool isAutoFlush() const override { return m_autoFlush; }
  void setAutoFlush(bool on) override { m_autoFlush = on; }

 protected:
  TypedMappedData() = default;
  ~TypedMappedData() override = default;

  bool m_autoFlush = false;
  /// Held through every typed read and write; a store whose calls may come from several threads
  /// holds it through its own calls too, so that each call sees the section it selected.
  std::recursive_mutex m_lock;

 private:
  Store& store() { return *static_cast<Store*>(this); }

  template <typename T>
  T get(const WCHAR* section, const WCHAR* key, T defaultValue) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    Section* values = store().existing(section);
    return values == nullptr ? defaultValue : Store::read(values, key, defaultValue);
  }

  template <typename T>
  void set(const WCHAR* section, const WCHAR* key, T value) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    store().write(section, key, [key, value](Section* values) { Store::put(values, key, value); });
  }
};

}  // namespace s::map
