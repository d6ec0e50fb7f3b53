// A pooled record of one time zone.
#pragma once

#include "core/base/IObject.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

#include <cstdint>

namespace s::time {

/// A time zone: a number, three texts, a small number and the platform's time-zone record.
/// The record owns its three texts (taken at construction, deleted with it); `reset` zeroes
/// everything and frees the texts' memory. Pooled (capacity 1000); one thread at a time.
class TimeZone final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(TimeZone, u"s_time_TimeZone")

  /// Texts of the record.
  static constexpr int kTextCount = 3;

  TimeZone();
  ~TimeZone() override;
  TimeZone(const TimeZone&) = delete;
  TimeZone& operator=(const TimeZone&) = delete;

  void reset() override;

  int32_t getNumber() const { return m_number; }
  void setNumber(int32_t number) { m_number = number; }
  /// Text 0, 1 or 2, owned by the record.
  str::strbuffer::StrBuffer* getText(int index) const { return m_texts[index]; }
  int16_t getSmallNumber() const { return m_smallNumber; }
  void setSmallNumber(int16_t number) { m_smallNumber = number; }
  TIME_ZONE_INFORMATION& getInformation() { return m_information; }

 private:
  int32_t m_number = 0;
  str::strbuffer::StrBuffer* m_texts[kTextCount];
  int16_t m_smallNumber = 0;
  TIME_ZONE_INFORMATION m_information;
};

}  // namespace s::time
