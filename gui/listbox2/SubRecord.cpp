// The cells of list rows and their formatters.
#include "gui/listbox2/SubRecord.h"

#include "core/base/IDestructor.h"
#include "core/str/strbuffer/StrBuffer.h"

namespace s::gui::listbox2 {

using str::strbuffer::StrBuffer;

SubRecord::~SubRecord() {
  delete m_cachedObject;
  m_cachedObject = nullptr;
  reset();
}

void SubRecord::reset() {
  if (m_disposer != nullptr && m_value != 0) {
    void* ref = reinterpret_cast<void*>(m_value);
    m_disposer->destruct(ref);
  }
  dropText();
  m_record = nullptr;
  m_column = 0;
  m_value = 0;
  m_disposer = nullptr;
  m_formatter = nullptr;
  m_small1 = 0;
  m_small2 = 0;
  m_small3 = 0;
  m_small4 = 0;
}

void SubRecord::dropText() {
  if (m_text != nullptr) {
    m_text->release();
    m_text = nullptr;
  }
}

void SubRecord::setValue(int64_t value, base::IDestructor* disposer) {
  if (m_disposer != nullptr && m_value != 0 && m_value != value) {
    void* ref = reinterpret_cast<void*>(m_value);
    m_disposer->destruct(ref);
  }
  m_value = value;
  m_disposer = disposer;
  dropText();
}

const WCHAR* SubRecord::getText() {
  if (m_text == nullptr) {
    m_text = StrBuffer::take();
    if (m_text == nullptr) return u"";
    m_text->clear();
    if (m_formatter != nullptr) m_formatter(m_value, m_text);
  }
  return m_text->getCStr();
}

namespace {

SubRecord* takeCell(int64_t value, base::IDestructor* disposer, SubRecord::Formatter formatter) {
  SubRecord* cell = SubRecord::take();
  if (cell == nullptr) return nullptr;
  cell->setValue(value, disposer);
  cell->setFormatter(formatter);
  return cell;
}

}  // namespace

SubRecord* SubRecord::takeText(const WCHAR* text) {
  StrBuffer* copy = StrBuffer::take();
  if (copy == nullptr) return nullptr;
  copy->assign(text != nullptr ? text : u"");
  SubRecord* cell = takeCell(reinterpret_cast<int64_t>(copy), &StrBuffer::pool(), &formatText);
  if (cell == nullptr) copy->release();
  return cell;
}

SubRecord* SubRecord::takeNumber(int64_t value) { return takeCell(value, nullptr, &formatNumber); }

SubRecord* SubRecord::takeDuration(int64_t seconds) {
  return takeCell(seconds, nullptr, &formatDuration);
}

void formatText(int64_t value, StrBuffer* out) {
  out->clear();
  const auto* text = reinterpret_cast<StrBuffer*>(value);
  if (text != nullptr) out->appendChars(const_cast<StrBuffer*>(text)->getCStr(), -1);
}

void formatNumber(int64_t value, StrBuffer* out) { out->assignInt64(value); }

namespace {

void appendTwoDigits(StrBuffer* out, int64_t value) {
  if (value < 10) out->appendWChar(u'0');
  out->appendInt64(value);
}

}  // namespace

void formatDuration(int64_t seconds, StrBuffer* out) {
  out->clear();
  const int64_t h = seconds / 3600 - (seconds / 86400) * 24;
  const int64_t m = seconds / 60 - (seconds / 3600) * 60;
  const int64_t s = seconds % 60;
  if (h <= 0) {
    out->appendInt64(m);
  } else {
    out->appendInt64(h);
    out->appendWChar(u':');
    appendTwoDigits(out, m);
  }
  out->appendWChar(u':');
  appendTwoDigits(out, s);
}

}  // namespace s::gui::listbox2
