// A pooled text for tests: taken and assigned on construction, given back at the end of its scope.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"

class PooledText {
 public:
  explicit PooledText(const char16_t* value = u"")
      : m_text(s::str::strbuffer::StrBuffer::take()) {
    m_text->assign(value);
  }
  ~PooledText() { m_text->release(); }
  PooledText(const PooledText&) = delete;
  PooledText& operator=(const PooledText&) = delete;
  s::str::strbuffer::StrBuffer* operator->() const { return m_text; }
  s::str::strbuffer::StrBuffer* get() const { return m_text; }

 private:
  s::str::strbuffer::StrBuffer* m_text;
};
