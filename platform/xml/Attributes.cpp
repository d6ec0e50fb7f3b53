// The ordered attributes of an XML element.
#include "platform/xml/Attributes.h"

#include "platform/xml/AttrFactory.h"
#include "platform/xml/Escape.h"
#include "platform/xml/Syntax.h"

#include <crtwchar.h>

#include <mutex>

namespace s::xml {

using str::strbuffer::StrBuffer;

namespace {

// Room for any formatted number: "%f" of the largest double has 309 digits before the point.
constexpr uint32_t kNumberUnits = 400;

const WCHAR* orEmpty(const WCHAR* text) { return text == nullptr ? u"" : text; }

}  // namespace

Attributes::Attributes() { m_records.setDisposer(AttrFactory::instance()); }

Attributes::~Attributes() { m_records.freeAll(); }

thread::ObjLocker& Attributes::getWorkBuffer() {
  static thread::ObjLocker* const s_work =
      new thread::ObjLocker(StrBuffer::create(), nullptr, nullptr);
  return *s_work;
}

void Attributes::add(const WCHAR* name, int32_t nameLength, const WCHAR* value,
                     int32_t valueLength) {
  AttrRecord* record = newAttribute(name, nameLength);
  try {
    setAttributeValue(record, value, valueLength);
  } catch (...) {
    void* dropped = record;
    AttrFactory::instance()->destroyObject(dropped);
    throw;
  }
  m_records.push(record);
}

void Attributes::set(const WCHAR* name, const WCHAR* value, int32_t valueLength) {
  add(orEmpty(name), -1, value, valueLength);
}

const WCHAR* Attributes::parse(const WCHAR* text) {
  const WCHAR* p = text;
  for (;;) {
    p = syntax::skipWhite(p);
    if (*p == 0) {
      return nullptr;
    }
    if (*p == u'>' || *p == u'/') {
      return p;
    }
    const WCHAR* name = p;
    while (*p != 0 && *p != u'=' && *p != u'>' && !syntax::isWhite(*p)) {
      ++p;
    }
    const WCHAR* nameEnd = p;
    if (nameEnd == name) {
      return nullptr;  // a value without a name would pass for the element's text
    }
    p = syntax::skipWhite(p);
    if (*p != u'=') {
      return nullptr;  // an attribute without a value
    }
    p = syntax::skipWhite(p + 1);
    if (*p != u'"') {
      return nullptr;  // values are double-quoted
    }
    const WCHAR* value = ++p;
    while (*p != 0 && *p != u'"') {
      ++p;
    }
    if (*p == 0 || !syntax::referencesAreWellFormed(value, p)) {
      return nullptr;
    }
    add(name, static_cast<int32_t>(nameEnd - name), value, static_cast<int32_t>(p - value));
    ++p;
  }
}

void Attributes::setString(const WCHAR* name, const WCHAR* text) {
  name = orEmpty(name);
  StrBuffer* escaped = StrBuffer::take();
  if (*name == 0) {
    escapeText(escaped, orEmpty(text));
  } else {
    escapeAttribute(escaped, orEmpty(text));
  }
  set(name, escaped->getCStr(), static_cast<int32_t>(escaped->getLength()));
  escaped->release();
}

template <typename Format>
void Attributes::setFormatted(const WCHAR* name, Format format) {
  thread::ObjLocker& locker = getWorkBuffer();
  std::lock_guard<thread::ObjLocker> guard(locker);
  auto* work = static_cast<StrBuffer*>(locker.getObject());
  work->clear();
  format(work);
  set(name, work->getCStr(), static_cast<int32_t>(work->getLength()));
}

namespace {

// Formats one number into the work text.
template <typename Value>
auto number(const WCHAR* format, Value value) {
  return [format, value](StrBuffer* work) {
    work->reserve(kNumberUnits);
    const int written = swprintf(work->getBuffer(), kNumberUnits + 1, format, value);
    work->setLength(written < 0 ? 0 : static_cast<uint32_t>(written));
  };
}

}  // namespace

void Attributes::setUInt64(const WCHAR* name, uint64_t value) {
  setFormatted(name, number(u"%I64d", static_cast<int64_t>(value)));
}
void Attributes::setInt64(const WCHAR* name, int64_t value) {
  setFormatted(name, number(u"%I64d", value));
}
void Attributes::setUInt32(const WCHAR* name, uint32_t value) {
  setFormatted(name, number(u"%u", value));
}
void Attributes::setInt32(const WCHAR* name, int32_t value) {
  setFormatted(name, number(u"%d", value));
}
void Attributes::setDouble(const WCHAR* name, double value) {
  setFormatted(name, number(u"%f", value));
}

void Attributes::setUInt64Array(const WCHAR* name, const uint64_t* values, uint32_t count) {
  setFormatted(name, [=](StrBuffer* w) { w->appendHexUInt64Array(values, count); });
}
void Attributes::setUInt32Array(const WCHAR* name, const uint32_t* values, uint32_t count) {
  setFormatted(name, [=](StrBuffer* w) { w->appendHexUInt32Array(values, count); });
}
void Attributes::setUInt16Array(const WCHAR* name, const uint16_t* values, uint32_t count) {
  setFormatted(name, [=](StrBuffer* w) { w->appendHexUInt16Array(values, count); });
}
void Attributes::setUInt8Array(const WCHAR* name, const uint8_t* values, uint32_t count) {
  setFormatted(name, [=](StrBuffer* w) { w->appendHexUInt8Array(values, count); });
}
void Attributes::setInt64Array(const WCHAR* name, const int64_t* values, uint32_t count) {
  setFormatted(name, [=](StrBuffer* w) { w->appendHexInt64Array(values, count); });
}
void Attributes::setInt32Array(const WCHAR* name, const int32_t* values, uint32_t count) {
  setFormatted(name, [=](StrBuffer* w) { w->appendHexInt32Array(values, count); });
}
void Attributes::setInt16Array(const WCHAR* name, const int16_t* values, uint32_t count) {
  setFormatted(name, [=](StrBuffer* w) { w->appendHexInt16Array(values, count); });
}
void Attributes::setInt8Array(const WCHAR* name, const int8_t* values, uint32_t count) {
  setFormatted(name, [=](StrBuffer* w) { w->appendHexInt8Array(values, count); });
}
void Attributes::setFloatArray(const WCHAR* name, const float* values, uint32_t count) {
  setFormatted(name, [=](StrBuffer* w) { w->appendHexFloatArray(values, count); });
}
void Attributes::setDoubleArray(const WCHAR* name, const double* values, uint32_t count) {
  setFormatted(name, [=](StrBuffer* w) { w->appendHexDoubleArray(values, count); });
}

AttrRecord* Attributes::find(const WCHAR* name) const {
  name = orEmpty(name);
  for (uint32_t i = 0, n = getCount(); i < n; ++i) {
    AttrRecord* record = get(i);
    if (_wcsicmp(record->name, name) == 0) {
      return record;
    }
  }
  return nullptr;
}

const WCHAR* Attributes::getText(const WCHAR* name, const WCHAR* defaultText) const {
  const AttrRecord* record = find(name);
  return record == nullptr ? defaultText : orEmpty(record->value);
}

bool Attributes::getBool(const WCHAR* name, bool defaultValue) const {
  const AttrRecord* record = find(name);
  if (record == nullptr) {
    return defaultValue;
  }
  const WCHAR* value = orEmpty(record->value);
  return value[0] == u'1' || wcsncmp(value, u"true", 4) == 0;
}

int32_t Attributes::getInt32(const WCHAR* name, int32_t defaultValue) const {
  const AttrRecord* record = find(name);
  return record == nullptr ? defaultValue : wcstol(orEmpty(record->value), nullptr, 10);
}

int64_t Attributes::getInt64(const WCHAR* name, int64_t defaultValue) const {
  const AttrRecord* record = find(name);
  return record == nullptr ? defaultValue : _wcstoi64(orEmpty(record->value), nullptr, 10);
}

uint32_t Attributes::getUInt32(const WCHAR* name, uint32_t defaultValue) const {
  const AttrRecord* record = find(name);
  return record == nullptr ? defaultValue : wcstoul(orEmpty(record->value), nullptr, 10);
}

float Attributes::getFloat(const WCHAR* name, float defaultValue) const {
  const AttrRecord* record = find(name);
  return record == nullptr ? defaultValue
                           : static_cast<float>(wcstod(orEmpty(record->value), nullptr));
}

double Attributes::getDouble(const WCHAR* name, double defaultValue) const {
  const AttrRecord* record = find(name);
  return record == nullptr ? defaultValue : wcstod(orEmpty(record->value), nullptr);
}

void Attributes::getString(StrBuffer* out, const WCHAR* name, const WCHAR* defaultText,
                           bool append) const {
  const AttrRecord* record = find(name);
  if (record == nullptr) {
    if (!append) {
      out->clear();
    }
    out->append(orEmpty(defaultText));
  } else if (record->nameLength != 0) {
    unescapeAttribute(out, orEmpty(record->value), append, record->valueLength);
  } else {
    unescapeText(out, orEmpty(record->value), append, record->valueLength);
  }
}

void Attributes::remove(const WCHAR* name) {
  AttrRecord* record = find(name);
  if (record != nullptr) {
    void* item = m_records.removeItem(record);
    AttrFactory::instance()->destruct(item);
  }
}

StrBuffer* Attributes::appendXml(StrBuffer* out) const {
  if (out == nullptr) {
    out = StrBuffer::take();
    out->clear();
  }
  for (uint32_t i = 0, n = getCount(); i < n; ++i) {
    const AttrRecord* record = get(i);
    if (record->nameLength == 0) {
      continue;
    }
    out->appendWChar(u' ')->appendChars(record->name, record->nameLength);
    out->append(u"=\"");
    if (record->valueLength != 0) {
      out->appendChars(record->value, record->valueLength);
    }
    out->appendWChar(u'"');
  }
  return out;
}

}  // namespace s::xml
