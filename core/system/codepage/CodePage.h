// One named code page of the code-page list.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::system::codepage {

/// A code page by its Windows number and display name. The entry owns its name text; `reset`
/// sets the number to 0 and frees the name's memory. Texts convert through an entry by its number:
/// 1200 is UTF-16 and 1201 UTF-16BE, converted by the text itself; any other number goes to the
/// platform's converter.
class CodePage final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(CodePage, u"s_system_codepage_CodePage")

  CodePage();
  ~CodePage() override;
  void reset() override;

  /// An entry from the pool with that number and name.
  static CodePage* takeNamed(int32_t codePage, const WCHAR* name);

  int32_t getCodePage() const { return m_codePage; }
  void setCodePage(int32_t codePage) { m_codePage = codePage; }
  str::strbuffer::StrBuffer* getName() const { return m_name; }

  static constexpr int32_t kUtf16 = 1200;
  static constexpr int32_t kUtf16BigEndian = 1201;

 private:
  int32_t m_codePage = 0;
  str::strbuffer::StrBuffer* m_name;
};

}  // namespace s::system::codepage
