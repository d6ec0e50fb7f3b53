// One cell of a list row: a value and the way to show it as text.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::base {
class IDestructor;
}
namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::gui::listbox2 {

class Record;

/// A cell of a `Record`, at the index of its column. The value is a number or an object address;
/// an object value is disposed of through the value disposer when it is replaced or the cell is
/// reset (for a text value, the text pool). The formatter writes the value into a text, which the
/// cell keeps as its cached text until the value changes.
///
/// Pooled (capacity 1000); the row owns its cells and releases them. One thread at a time.
class SubRecord final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(SubRecord, u"s_gui_listbox2_SubRecord")

  /// Writes `value` as text into `out` (which it replaces).
  using Formatter = void (*)(int64_t value, str::strbuffer::StrBuffer* out);

  SubRecord() = default;
  ~SubRecord() override;
  SubRecord(const SubRecord&) = delete;
  SubRecord& operator=(const SubRecord&) = delete;
  void reset() override;

  Record* getRecord() const { return m_record; }
  int32_t getColumn() const { return m_column; }
  int64_t getValue() const { return m_value; }
  base::IDestructor* getDisposer() const { return m_disposer; }
  Formatter getFormatter() const { return m_formatter; }
  /// Disposes of the old value (through its disposer, when it has one) and keeps `value`, with
  /// `disposer` for it from now on; the cached text is dropped.
  void setValue(int64_t value, base::IDestructor* disposer);
  void setFormatter(Formatter formatter) { m_formatter = formatter; }
  /// The value as text through the formatter, kept until the value changes; the empty text
  /// without a formatter. Valid while the cell keeps its value.
  const WCHAR* getText();
  /// The cached text, null when the value has not been formatted since it changed.
  str::strbuffer::StrBuffer* peekText() const { return m_text; }

  /// A cell for a text value (a copy of `text`, given back to the text pool with the cell) or a
  /// number shown in decimal, or a play time in seconds shown by formatDuration.
  static SubRecord* takeText(const WCHAR* text);
  static SubRecord* takeNumber(int64_t value);
  static SubRecord* takeDuration(int64_t seconds);

 private:
  friend class Record;
  void dropText();

  Record* m_record = nullptr;
  int32_t m_column = 0;
  str::strbuffer::StrBuffer* m_text = nullptr;
  int64_t m_value = 0;
  base::IDestructor* m_disposer = nullptr;
  Formatter m_formatter = nullptr;
  base::IObject* m_cachedObject = nullptr;
  int32_t m_small1 = 0;
  int16_t m_small2 = 0;
  int16_t m_small3 = 0;
  int32_t m_small4 = 0;
};

/// Formatters of the cells the callers add: a text value (the address of a StrBuffer) copied as it
/// stands, and a number in decimal.
void formatText(int64_t value, str::strbuffer::StrBuffer* out);
void formatNumber(int64_t value, str::strbuffer::StrBuffer* out);
/// A play time: "m:ss" below an hour, else "h:mm:ss" with the hours taken within the day (whole
/// days are dropped); minutes are not padded without an hour part.
void formatDuration(int64_t seconds, str::strbuffer::StrBuffer* out);
/// The song rows' name for the same play-time formatter: one function under two names.
inline constexpr auto& formatPlayTime = formatDuration;

}  // namespace s::gui::listbox2
