// The settings store in an XML file.
#include "platform/xml/MappedData.h"

#include "core/col/array/ArrayU08.h"

#include <crtwchar.h>

namespace s::xml {

using col::_array::ArrayU08;
using file::win::PathWin;
using str::strbuffer::StrBuffer;

namespace {

const WCHAR* orEmpty(const WCHAR* text) { return text == nullptr ? u"" : text; }

bool isSeparator(WCHAR unit) { return unit == u'/' || unit == u'\\'; }

}  // namespace

MappedData::MappedData() : m_valueText(StrBuffer::take()), m_sectionName(StrBuffer::take()) {
  reset();
}

MappedData::~MappedData() {
  reset();
  delete m_valueText;
  delete m_sectionName;
}

void MappedData::reset() {
  if (m_filePath != nullptr) {
    m_filePath->release();
    m_filePath = nullptr;
  }
  if (m_root != nullptr) {
    m_root->release();
    m_root = nullptr;
  }
  m_valueText->freeBuffer();
  m_sectionName->freeBuffer();
  m_section = nullptr;
  m_autoFlush = false;
}

// ---- The file ----------------------------------------------------------------------------------

MappedData* MappedData::openFile(const StrBuffer* path) {
  MappedData* store = take();
  if (store->loadFile(path) == nullptr && store->m_root == nullptr) {
    Node* root = Node::take();
    root->setName(u"savedata", -1);
    store->setRoot(root);
  }
  return store;
}

Node* MappedData::loadFile(const StrBuffer* path) {
  if (m_filePath != nullptr) {
    m_filePath->release();
  }
  m_filePath = PathWin::take();
  m_filePath->setPath(path);
  if (!m_filePath->exists()) {
    return nullptr;
  }
  Node* root = Node::take();
  if (!root->load(m_filePath)) {
    root->release();
    // The next flush would replace the file; what it held stays readable beside it.
    PathWin* aside = m_filePath->newWithSuffix(u".damaged");
    PathWin* free = aside->newUniqueSibling();
    MoveFileExW(m_filePath->getLongPath(), free->getLongPath(), 0);
    free->release();
    aside->release();
    return nullptr;
  }
  return setRoot(root);
}

Node* MappedData::setRoot(Node* root) {
  if (m_root != nullptr && m_root != root) {
    m_root->release();
  }
  m_root = root;
  m_sectionName->clear();
  m_section = root;
  return root;
}

bool MappedData::save() {
  return m_filePath != nullptr && m_root != nullptr && m_root->save(m_filePath);
}

// ---- Sections ----------------------------------------------------------------------------------

Node* MappedData::findSection(const WCHAR* section, bool create) const {
  Node* node = m_root;
  for (const WCHAR* p = section; node != nullptr && *p != 0;) {
    const WCHAR* start = p;
    while (*p != 0 && !isSeparator(*p)) {
      ++p;
    }
    const int32_t length = static_cast<int32_t>(p - start);
    if (*p != 0) {
      ++p;
    }
    // An empty piece would make an element without a name, which no reader takes.
    if (length == 0) {
      continue;
    }
    Node* child = node->findChild(start, length);
    node = child != nullptr ? child : create ? node->addChild(start, length) : nullptr;
  }
  return node;
}

void MappedData::selectSection(const WCHAR* section) {
  section = orEmpty(section);
  if (m_section != nullptr && m_sectionName->matchesAtIgnoreCase(0, section, 0, -1)) {
    return;
  }
  m_sectionName->assign(section);
  m_section = findSection(section, true);
}

bool MappedData::selectExistingSection(const WCHAR* section) {
  section = orEmpty(section);
  if (m_section != nullptr && m_sectionName->matchesAtIgnoreCase(0, section, 0, -1)) {
    return true;
  }
  m_sectionName->assign(section);
  m_section = findSection(section, false);
  return m_section != nullptr;
}

void MappedData::removeSection(const WCHAR* section) {
  section = orEmpty(section);
  // Trailing separators name the same section for every other call ("A/B/" is B inside A), so
  // they do here too, rather than making the removal quietly do nothing.
  const WCHAR* end = section + wcslen(section);
  while (end != section && isSeparator(end[-1])) {
    --end;
  }
  const WCHAR* last = section;
  for (const WCHAR* p = section; p != end; ++p) {
    if (isSeparator(*p)) {
      last = p + 1;
    }
  }
  StrBuffer* parent = StrBuffer::take();
  parent->clear();
  if (last != section) {
    parent->appendChars(section, static_cast<int32_t>(last - section - 1));
  }
  StrBuffer* piece = StrBuffer::take();
  piece->clear();
  piece->appendChars(last, static_cast<int32_t>(end - last));
  if (last != end && selectExistingSection(parent->getCStr())) {
    uint32_t index = 0;
    if (m_section->findChildIndex(piece->getCStr(), &index, -1)) {
      m_section->removeChildAt(index);
      autoFlush();
    }
  }
  piece->release();
  parent->release();
}

// ---- Reading -----------------------------------------------------------------------------------

bool MappedData::hasKey(const WCHAR* section, const WCHAR* key) {
  Attributes* attributes = existing(section);
  return attributes != nullptr && attributes->find(key) != nullptr;
}

uint8_t MappedData::read(Attributes* values, const WCHAR* key, uint8_t defaultValue) {
  return static_cast<uint8_t>(values->getUInt32(key, defaultValue));
}
uint16_t MappedData::read(Attributes* values, const WCHAR* key, uint16_t defaultValue) {
  return static_cast<uint16_t>(values->getUInt32(key, defaultValue));
}
uint32_t MappedData::read(Attributes* values, const WCHAR* key, uint32_t defaultValue) {
  return values->getUInt32(key, defaultValue);
}
uint64_t MappedData::read(Attributes* values, const WCHAR* key, uint64_t defaultValue) {
  return static_cast<uint64_t>(values->getInt64(key, static_cast<int64_t>(defaultValue)));
}
int8_t MappedData::read(Attributes* values, const WCHAR* key, int8_t defaultValue) {
  return static_cast<int8_t>(values->getInt32(key, defaultValue));
}
int16_t MappedData::read(Attributes* values, const WCHAR* key, int16_t defaultValue) {
  return static_cast<int16_t>(values->getInt32(key, defaultValue));
}
int32_t MappedData::read(Attributes* values, const WCHAR* key, int32_t defaultValue) {
  return values->getInt32(key, defaultValue);
}
int64_t MappedData::read(Attributes* values, const WCHAR* key, int64_t defaultValue) {
  return values->getInt64(key, defaultValue);
}
float MappedData::read(Attributes* values, const WCHAR* key, float defaultValue) {
  return values->getFloat(key, defaultValue);
}
double MappedData::read(Attributes* values, const WCHAR* key, double defaultValue) {
  return values->getDouble(key, defaultValue);
}
bool MappedData::read(Attributes* values, const WCHAR* key, bool defaultValue) {
  return values->getBool(key, defaultValue);
}

const WCHAR* MappedData::getString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultText,
                                   bool* isExpandable, bool) {
  if (isExpandable != nullptr) {
    *isExpandable = false;
  }
  Attributes* a = existing(section);
  if (a == nullptr) {
    return defaultText;
  }
  a->getString(m_valueText, key, defaultText, false);
  return m_valueText->getCStr();
}

ArrayU08* MappedData::getBinary(const WCHAR* section, const WCHAR* key, ArrayU08* out) {
  if (out == nullptr) {
    out = ArrayU08::take();
    out->clear();
  }
  Attributes* a = existing(section);
  if (a != nullptr) {
    a->getString(m_valueText, key, u"", false);
    m_valueText->decodeHex(out, false);
  }
  return out;
}

namespace {

// A file edited by hand may hold a key twice, in any case; reads take the first, so a write or a
// removal that took away only one would leave the old value to be read.
void removeEvery(Attributes* attributes, const WCHAR* key) {
  while (attributes->find(key) != nullptr) {
    attributes->remove(key);
  }
}

}  // namespace

void MappedData::removeKey(const WCHAR* section, const WCHAR* key) {
  Attributes* a = existing(section);
  if (a != nullptr) {
    removeEvery(a, key);
    autoFlush();
  }
}

// ---- Writing -----------------------------------------------------------------------------------

Attributes* MappedData::attributesToWrite(const WCHAR* section, const WCHAR* key) {
  selectSection(section);
  if (m_section == nullptr) {
    return nullptr;
  }
  Attributes* a = m_section->getAttributes();
  removeEvery(a, key);
  return a;
}

void MappedData::put(Attributes* values, const WCHAR* key, uint8_t value) {
  values->setUInt8(key, value);
}
void MappedData::put(Attributes* values, const WCHAR* key, uint16_t value) {
  values->setUInt16(key, value);
}
void MappedData::put(Attributes* values, const WCHAR* key, uint32_t value) {
  values->setUInt32(key, value);
}
void MappedData::put(Attributes* values, const WCHAR* key, uint64_t value) {
  values->setUInt64(key, value);
}
void MappedData::put(Attributes* values, const WCHAR* key, int8_t value) {
  values->setInt8(key, value);
}
void MappedData::put(Attributes* values, const WCHAR* key, int16_t value) {
  values->setInt16(key, value);
}
void MappedData::put(Attributes* values, const WCHAR* key, int32_t value) {
  values->setInt32(key, value);
}
void MappedData::put(Attributes* values, const WCHAR* key, int64_t value) {
  values->setInt64(key, value);
}
void MappedData::put(Attributes* values, const WCHAR* key, float value) {
  values->setFloat(key, value);
}
void MappedData::put(Attributes* values, const WCHAR* key, double value) {
  values->setDouble(key, value);
}
void MappedData::put(Attributes* values, const WCHAR* key, bool value) {
  values->setInt32(key, value ? 1 : 0);
}
void MappedData::setString(const WCHAR* section, const WCHAR* key, const WCHAR* text) {
  write(section, key, [&](Attributes* a) { a->setString(key, text); });
}
void MappedData::setExpandString(const WCHAR* section, const WCHAR* key, const WCHAR* text) {
  setString(section, key, text);
}
void MappedData::setBinary(const WCHAR* section, const WCHAR* key, const ArrayU08* bytes) {
  write(section, key, [&](Attributes* a) {
    a->setUInt8Array(key, bytes == nullptr ? nullptr : bytes->getItems(),
                     bytes == nullptr ? 0 : bytes->getCount());
  });
}

}  // namespace s::xml
