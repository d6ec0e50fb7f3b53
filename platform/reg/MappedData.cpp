// The settings store over the registry.
#include "platform/reg/MappedData.h"

#include "core/col/array/ArrayU08.h"

namespace s::reg {

using col::_array::ArrayU08;
using str::strbuffer::StrBuffer;
using win::RegDir;

namespace {

const WCHAR* orEmpty(const WCHAR* text) { return text == nullptr ? u"" : text; }

}  // namespace

MappedData::MappedData() : m_pathWork(StrBuffer::take()), m_sectionName(StrBuffer::take()) {
  reset();
}

MappedData::~MappedData() {
  reset();
  delete m_pathWork;
  delete m_sectionName;
}

void MappedData::reset() {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_pathWork->freeBuffer();
  m_sectionName->freeBuffer();
  if (m_baseKey != nullptr) {
    m_baseKey->release();
    m_baseKey = nullptr;
  }
  if (m_sectionKey != nullptr) {
    m_sectionKey->release();
    m_sectionKey = nullptr;
  }
  m_autoFlush = false;
}

void MappedData::setBaseKey(RegDir* base) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_baseKey != nullptr && m_baseKey != base) {
    m_baseKey->release();
  }
  if (m_sectionKey != nullptr) {
    m_sectionKey->release();
    m_sectionKey = nullptr;
  }
  m_sectionName->clear();
  m_baseKey = base;
  if (base != nullptr) {
    m_sectionKey = RegDir::take();
    m_sectionKey->open(base->getRootKey(), base->getPath());
  }
}

void MappedData::openSectionKey(const WCHAR* section) {
  if (m_sectionKey != nullptr) {
    m_sectionKey->release();
  }
  m_pathWork->assign(m_baseKey->getPath());
  if (*section != 0) {
    m_pathWork->appendWChar(u'\\')->append(section);
  }
  m_sectionKey = RegDir::take();
  m_sectionKey->open(m_baseKey->getRootKey(), m_pathWork->getCStr());
}

void MappedData::selectSection(const WCHAR* section) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_baseKey == nullptr) {
    return;
  }
  section = orEmpty(section);
  if (m_sectionKey != nullptr && m_sectionName->matchesAtIgnoreCase(0, section, 0, -1)) {
    // Reopening notices a section that was deleted since it was selected.
    if (m_sectionKey->reopen()) {
      return;
    }
  } else {
    m_sectionName->assign(section);
    openSectionKey(section);
    if (m_sectionKey->isOpen()) {
      return;
    }
  }
  m_sectionKey->createKey();
  autoFlush();
}

bool MappedData::selectExistingSection(const WCHAR* section) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_baseKey == nullptr) {
    return false;
  }
  section = orEmpty(section);
  if (m_sectionKey != nullptr && m_sectionName->matchesAtIgnoreCase(0, section, 0, -1)) {
    // The key may have been deleted, or made by another store, since it was last asked.
    return m_sectionKey->reopen() || m_sectionKey->openPath(m_sectionKey->getPath()) == 0;
  }
  m_sectionName->assign(section);
  openSectionKey(section);
  return m_sectionKey->isOpen();
}

void MappedData::removeSection(const WCHAR* section) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_baseKey == nullptr) {
    return;
  }
  section = orEmpty(section);
  m_sectionName->assign(section);
  openSectionKey(section);
  if (m_sectionKey->isOpen()) {
    m_sectionKey->removeKey(true);
    m_sectionKey->release();
    m_sectionKey = nullptr;
    autoFlush();
  }
}

bool MappedData::hasKey(const WCHAR* section, const WCHAR* key) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  RegDir* dir = existing(section);
  return dir != nullptr && dir->queryValue(key, nullptr, nullptr, -1);
}

uint8_t MappedData::read(RegDir* values, const WCHAR* key, uint8_t defaultValue) {
  return values->getUInt8(key, defaultValue);
}
uint16_t MappedData::read(RegDir* values, const WCHAR* key, uint16_t defaultValue) {
  return values->getUInt16(key, defaultValue);
}
uint32_t MappedData::read(RegDir* values, const WCHAR* key, uint32_t defaultValue) {
  return values->getUInt32(key, defaultValue);
}
uint64_t MappedData::read(RegDir* values, const WCHAR* key, uint64_t defaultValue) {
  return values->getUInt64(key, defaultValue);
}
int8_t MappedData::read(RegDir* values, const WCHAR* key, int8_t defaultValue) {
  return values->getInt8(key, defaultValue);
}
int16_t MappedData::read(RegDir* values, const WCHAR* key, int16_t defaultValue) {
  return values->getInt16(key, defaultValue);
}
int32_t MappedData::read(RegDir* values, const WCHAR* key, int32_t defaultValue) {
  return values->getInt32(key, defaultValue);
}
int64_t MappedData::read(RegDir* values, const WCHAR* key, int64_t defaultValue) {
  return values->getInt64(key, defaultValue);
}
float MappedData::read(RegDir* values, const WCHAR* key, float defaultValue) {
  return values->getFloat(key, defaultValue);
}
double MappedData::read(RegDir* values, const WCHAR* key, double defaultValue) {
  return values->getDouble(key, defaultValue);
}
bool MappedData::read(RegDir* values, const WCHAR* key, bool defaultValue) {
  return values->getBool(key, defaultValue);
}

const WCHAR* MappedData::getString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultText,
                                   bool* isExpandable, bool expand) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (isExpandable != nullptr) {
    *isExpandable = false;
  }
  RegDir* dir = existing(section);
  return dir == nullptr ? defaultText : dir->getString(key, defaultText, isExpandable, expand);
}

ArrayU08* MappedData::getBinary(const WCHAR* section, const WCHAR* key, ArrayU08* out) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  ArrayU08* taken = nullptr;
  if (out == nullptr) {
    out = taken = ArrayU08::take();
    out->clear();
  }
  RegDir* dir = existing(section);
  if (dir == nullptr) {
    return out;
  }
  ArrayU08* answer = dir->getBinary(key, out);
  if (answer == nullptr && taken != nullptr) {
    taken->release();
  }
  return answer;
}

void MappedData::removeKey(const WCHAR* section, const WCHAR* key) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  RegDir* dir = existing(section);
  if (dir != nullptr) {
    dir->removeValue(key);
    autoFlush();
  }
}

void MappedData::put(RegDir* values, const WCHAR* key, uint8_t value) {
  values->setUInt8(key, value);
}
void MappedData::put(RegDir* values, const WCHAR* key, uint16_t value) {
  values->setUInt16(key, value);
}
void MappedData::put(RegDir* values, const WCHAR* key, uint32_t value) {
  values->setUInt32(key, value);
}
void MappedData::put(RegDir* values, const WCHAR* key, uint64_t value) {
  values->setUInt64(key, value);
}
void MappedData::put(RegDir* values, const WCHAR* key, int8_t value) {
  values->setInt8(key, value);
}
void MappedData::put(RegDir* values, const WCHAR* key, int16_t value) {
  values->setInt16(key, value);
}
void MappedData::put(RegDir* values, const WCHAR* key, int32_t value) {
  values->setInt32(key, value);
}
void MappedData::put(RegDir* values, const WCHAR* key, int64_t value) {
  values->setInt64(key, value);
}
void MappedData::put(RegDir* values, const WCHAR* key, float value) {
  values->setFloat(key, value);
}
void MappedData::put(RegDir* values, const WCHAR* key, double value) {
  values->setDouble(key, value);
}
void MappedData::put(RegDir* values, const WCHAR* key, bool value) { values->setBool(key, value); }
void MappedData::setString(const WCHAR* section, const WCHAR* key, const WCHAR* text) {
  write(section, key, [&](RegDir* dir) { dir->setString(key, text); });
}
void MappedData::setExpandString(const WCHAR* section, const WCHAR* key, const WCHAR* text) {
  write(section, key, [&](RegDir* dir) { dir->setExpandString(key, text); });
}
void MappedData::setBinary(const WCHAR* section, const WCHAR* key, const ArrayU08* bytes) {
  write(section, key, [&](RegDir* dir) { dir->setBinary(key, bytes); });
}

}  // namespace s::reg
