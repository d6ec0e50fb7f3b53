// The process-wide pool of attribute records, and the record helpers.
#include "platform/xml/AttrFactory.h"

#include <crtwchar.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace s::xml {

namespace {

// A NUL-terminated copy of `length` units. An exhausted heap throws, as the library's texts do.
WCHAR* copyText(const WCHAR* text, int32_t length) {
  const size_t units = length < 0 ? wcslen(text) : static_cast<size_t>(length);
  auto* copy = static_cast<WCHAR*>(std::malloc((units + 1) * sizeof(WCHAR)));
  if (copy == nullptr) {
    throw std::bad_alloc();
  }
  if (units != 0) {
    std::memcpy(copy, text, units * sizeof(WCHAR));
  }
  copy[units] = 0;
  return copy;
}

int32_t lengthOf(const WCHAR* text, int32_t length) {
  return length < 0 ? static_cast<int32_t>(wcslen(text)) : length;
}

}  // namespace

AttrFactory* AttrFactory::instance() {
  static AttrFactory* const s_instance = new AttrFactory();
  return s_instance;
}

void AttrFactory::resetObject(void* object) {
  auto* record = static_cast<AttrRecord*>(object);
  std::free(record->name);
  std::free(record->value);
  *record = AttrRecord{};
}

void AttrFactory::destroyObject(void*& object) {
  auto* record = static_cast<AttrRecord*>(object);
  if (record != nullptr) {
    std::free(record->name);
    std::free(record->value);
    std::free(record);
    object = nullptr;
  }
}

void* AttrFactory::generate() { return std::calloc(1, sizeof(AttrRecord)); }

AttrRecord* newAttribute(const WCHAR* name, int32_t length) {
  AttrRecord* record = AttrFactory::instance()->takeRecord();
  if (record == nullptr) {
    throw std::bad_alloc();
  }
  record->nameLength = lengthOf(name, length);
  record->name = copyText(name, record->nameLength);
  return record;
}

void setAttributeValue(AttrRecord* record, const WCHAR* value, int32_t length) {
  std::free(record->value);
  record->valueLength = lengthOf(value, length);
  record->value = copyText(value, record->valueLength);
}

}  // namespace s::xml
