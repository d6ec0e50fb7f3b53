// One language of the language pack.
#include "platform/lang/LangPack.h"

#include "core/cleaner/CleanerIObject.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/system/win/OsVersion.h"

namespace s::lang {

using str::strbuffer::StrBuffer;

namespace {

bool isOldSystem() {
  if (!system::win::osQueried.load()) {
    system::win::queryWindowsVersion();
  }
  return !system::win::osAtLeast60;
}

}  // namespace

LangPack::LangPack()
    : m_tagName(StrBuffer::take()),
      m_engName(StrBuffer::take()),
      m_trueName(StrBuffer::take()),
      m_keyTable(&StrBuffer::pool(), cleaner::CleanerIObject::instance(), nullptr, nullptr) {}

LangPack::~LangPack() {
  m_keyTable.clearNodes();
  delete m_tagName;
  delete m_engName;
  delete m_trueName;
}

void LangPack::reset() {
  m_tagName->clear();
  m_engName->clear();
  m_trueName->clear();
  m_ids.clear();
  m_keyTable.clearNodes();
  m_texts.clear();
  m_keys.clear();
  m_keyedTexts.clear();
}

void LangPack::substitute(StrBuffer* text) const {
  if (m_tagName->getLength() == 3 && m_tagName->startsWith(u"vec", 3) && isOldSystem()) {
    text->replaceAll(u"\u019A", u"\u0142");
  }
}

void LangPack::addText(int32_t id, const WCHAR* text) {
  m_ids.add(&id, 1);
  m_texts.addText(text);
  substitute(m_texts.get(m_texts.getCount() - 1));
}

void LangPack::addKeyedText(const WCHAR* key, const WCHAR* text) {
  m_keys.addText(key);
  m_keyedTexts.addText(text);
  StrBuffer* storedKey = m_keys.get(m_keys.getCount() - 1);
  StrBuffer* storedText = m_keyedTexts.get(m_keyedTexts.getCount() - 1);
  substitute(storedText);
  const uint32_t hash =
      m_keyTable.isIgnoreCase() ? storedKey->hashCodeIgnoreCase() : storedKey->hashCode();
  m_keyTable.put(hash, storedKey, storedText);
}

int32_t LangPack::indexOfId(int32_t id) const {
  const int32_t* ids = m_ids.getItems();
  for (uint32_t i = 0, n = m_ids.getCount(); i < n; ++i) {
    if (ids[i] == id) {
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

const WCHAR* LangPack::getText(int32_t id) const {
  const int32_t index = indexOfId(id);
  return index < 0 ? u"" : m_texts.get(static_cast<uint32_t>(index))->getCStr();
}

bool LangPack::hasText(int32_t id) const {
  const int32_t index = indexOfId(id);
  return index >= 0 && m_texts.get(static_cast<uint32_t>(index))->getLength() > 0;
}

bool LangPack::hasKey(const WCHAR* key) const {
  StrBuffer* probe = StrBuffer::take();
  probe->assign(key);
  const uint32_t hash = m_keyTable.isIgnoreCase() ? probe->hashCodeIgnoreCase() : probe->hashCode();
  const bool found = m_keyTable.containsKey(hash, probe);
  probe->release();
  return found;
}

}  // namespace s::lang
