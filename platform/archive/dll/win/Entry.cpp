// One resource of a module file, as an entry of the module-resource archive.
#include "platform/archive/dll/win/Entry.h"

#include "core/str/strbuffer/StrBuffer.h"
#include "platform/archive/dll/ResourceType.h"

namespace s::archive::dll::win {

using str::strbuffer::StrBuffer;

Entry::Entry() : m_name(StrBuffer::take()), m_typeName(StrBuffer::take()) {}

Entry::~Entry() {
  delete m_name;
  delete m_typeName;
}

void Entry::reset() {
  m_size = 0;
  m_nameIsId = true;
  m_nameId = 0;
  m_name->clear();
  m_typeIsId = true;
  m_typeId = 0;
  m_typeName->clear();
  m_language = 0;
  m_subLanguage = 0;
  m_handle = nullptr;
}

void Entry::setNameId(uint32_t id) {
  m_nameIsId = true;
  m_nameId = id;
  m_name->clear();
}

void Entry::setName(const WCHAR* nameOrId) {
  if (IS_INTRESOURCE(nameOrId)) {
    setNameId(static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(nameOrId)));
    return;
  }
  m_nameIsId = false;
  m_nameId = 0;
  m_name->assign(nameOrId);
}

const WCHAR* Entry::getNameText() const { return m_name->getCStr(); }

void Entry::setTypeId(int32_t internalType) {
  m_typeIsId = true;
  m_typeId = internalType;
  m_typeName->clear();
}

void Entry::setType(const WCHAR* typeOrId) {
  if (IS_INTRESOURCE(typeOrId)) {
    setTypeId(toInternalType(static_cast<int32_t>(reinterpret_cast<ULONG_PTR>(typeOrId))));
    return;
  }
  m_typeIsId = false;
  m_typeId = 0;
  m_typeName->assign(typeOrId);
}

const WCHAR* Entry::getTypeText() const { return m_typeName->getCStr(); }

int32_t Entry::getResourceType() const { return toResourceType(m_typeId); }

const WCHAR* Entry::getTypeArgument() const {
  return m_typeIsId ? MAKEINTRESOURCEW(getResourceType()) : m_typeName->getCStr();
}

const WCHAR* Entry::getNameArgument() const {
  return m_nameIsId ? MAKEINTRESOURCEW(m_nameId) : m_name->getCStr();
}

}  // namespace s::archive::dll::win
