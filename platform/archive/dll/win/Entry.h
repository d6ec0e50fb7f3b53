// One resource of a module file, as an entry of the module-resource archive.
#pragma once

#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "platform/archive/dll/IEntry.h"

#include <windows.h>

#include <cstdint>

namespace s::archive::dll::win {

/// A module resource found in a loaded module: type, name, language and size as the archive's
/// enumeration found them, and the resource handle to read it through while the module stays
/// loaded. Owns its two texts. Pooled (capacity 1000); its archive gives it back on `close`.
class Entry final : public IEntry, public virtual thread::IPoolable {
  S_POOLED_CLASS(Entry, u"s_archive_dll_win_Entry")

  Entry();
  ~Entry() override;
  /// Numeric name and type 0, size, languages and handle 0, both texts empty.
  void reset() override;

  uint64_t getSize() const override { return m_size; }
  void setSize(uint64_t bytes) override { m_size = bytes; }
  void setNameId(uint32_t id) override;
  void setName(const WCHAR* nameOrId) override;
  bool isNameId() const override { return m_nameIsId; }
  bool isNameText() const override { return !m_nameIsId; }
  uint32_t getNameId() const override { return m_nameId; }
  const WCHAR* getNameText() const override;
  str::strbuffer::StrBuffer* getNameString() const override { return m_name; }
  void setTypeId(int32_t internalType) override;
  void setType(const WCHAR* typeOrId) override;
  bool isTypeId() const override { return m_typeIsId; }
  bool isTypeText() const override { return !m_typeIsId; }
  int32_t getTypeId() const override { return m_typeId; }
  const WCHAR* getTypeText() const override;
  str::strbuffer::StrBuffer* getTypeString() const override { return m_typeName; }
  int32_t getResourceType() const override;
  void setLanguage(uint16_t language) override { m_language = language; }
  uint16_t getLanguage() const override { return m_language; }
  void setSubLanguage(uint16_t subLanguage) override { m_subLanguage = subLanguage; }
  uint16_t getSubLanguage() const override { return m_subLanguage; }

  /// The resource handle in the archive's module (null when the resource was not found).
  HRSRC getHandle() const { return m_handle; }
  void setHandle(HRSRC handle) { m_handle = handle; }
  /// The LANGID of the language and sub-language.
  LANGID getLangId() const { return static_cast<LANGID>(m_subLanguage << 10 | m_language); }
  /// The type and the name as the platform's resource calls take them: a number, or the text.
  const WCHAR* getTypeArgument() const;
  const WCHAR* getNameArgument() const;

 private:
  uint64_t m_size = 0;
  bool m_nameIsId = true;
  uint32_t m_nameId = 0;
  str::strbuffer::StrBuffer* m_name;
  bool m_typeIsId = true;
  int32_t m_typeId = 0;
  str::strbuffer::StrBuffer* m_typeName;
  uint16_t m_language = 0;
  uint16_t m_subLanguage = 0;
  HRSRC m_handle = nullptr;
};

}  // namespace s::archive::dll::win
