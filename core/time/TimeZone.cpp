// A pooled record of one time zone.
#include "core/time/TimeZone.h"

#include <cstring>

namespace s::time {

TimeZone::TimeZone() {
  for (auto& text : m_texts) {
    text = str::strbuffer::StrBuffer::take();
  }
  reset();
}

TimeZone::~TimeZone() {
  reset();
  for (auto& text : m_texts) {
    delete text;
  }
}

void TimeZone::reset() {
  m_number = 0;
  m_smallNumber = 0;
  for (auto* text : m_texts) {
    text->freeBuffer();
  }
  std::memset(&m_information, 0, sizeof m_information);
}

}  // namespace s::time
