// What the byte and 32-bit arrays share: typed access, their text and hex forms, their default
// element and comparator.
#pragma once

#include "core/col/array/ArrayBase.h"
#include "core/comp/CompS08.h"
#include "core/comp/CompS32.h"
#include "core/comp/CompU08.h"
#include "core/comp/CompU32.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <cstdint>
#include <type_traits>

namespace s::col::_array {

/// An array of integers of type T (int8_t, uint8_t, int32_t or uint32_t). Elements print as
/// decimals ("%d" signed, "%u" unsigned) and in hex as "%02x" (bytes) or "%08x" (32-bit).
template <typename T>
class ValueArray : public ArrayBase {
  static_assert(sizeof(T) == 1 || sizeof(T) == 4, "byte or 32-bit elements");

 public:
  T* getItems() const { return reinterpret_cast<T*>(m_items); }

  const void* getDefaultElement() const override {
    static const uint64_t kZero = 0;
    return &kZero;
  }
  void appendElementText(str::strbuffer::StrBuffer* out, const void* element) const override {
    const T value = *static_cast<const T*>(element);
    if constexpr (std::is_signed_v<T>) {
      out->appendInt32(value);
    } else {
      out->appendUInt32(value);
    }
  }
  void appendElementRaw(str::strbuffer::StrBuffer* out, const void* element) const override {
    appendHex(out, static_cast<const T*>(element), 1);
  }
  str::strbuffer::StrBuffer* appendAllRaw(str::strbuffer::StrBuffer* out = nullptr,
                                          bool append = false) const override {
    out = prepareOut(out, append);
    appendHex(out, getItems(), m_count);
    return out;
  }
  const base::IComparator* getDefaultComparator() const override {
    if constexpr (std::is_same_v<T, int8_t>) return comp::CompS08::instance();
    else if constexpr (std::is_same_v<T, uint8_t>) return comp::CompU08::instance();
    else if constexpr (std::is_same_v<T, int32_t>) return comp::CompS32::instance();
    else return comp::CompU32::instance();
  }

 protected:
  ValueArray() : ArrayBase(sizeof(T) == 1 ? 0 : 2) {}

 private:
  static void appendHex(str::strbuffer::StrBuffer* out, const T* values, uint32_t count) {
    if constexpr (sizeof(T) == 1) {
      out->appendHexUInt8Array(reinterpret_cast<const uint8_t*>(values), count);
    } else {
      out->appendHexUInt32Array(reinterpret_cast<const uint32_t*>(values), count);
    }
  }
};

}  // namespace s::col::_array
