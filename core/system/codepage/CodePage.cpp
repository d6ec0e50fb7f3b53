// One named code page of the code-page list.
#include "core/system/codepage/CodePage.h"

#include "core/str/strbuffer/StrBuffer.h"

namespace s::system::codepage {

CodePage::CodePage() : m_name(str::strbuffer::StrBuffer::take()) {}

CodePage::~CodePage() { delete m_name; }

void CodePage::reset() {
  m_codePage = 0;
  m_name->freeBuffer();
}

CodePage* CodePage::takeNamed(int32_t codePage, const WCHAR* name) {
  CodePage* entry = take();
  if (entry != nullptr) {
    entry->m_codePage = codePage;
    entry->m_name->assign(name);
  }
  return entry;
}

}  // namespace s::system::codepage
