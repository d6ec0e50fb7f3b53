// One registry key through the native registry API.
#include "platform/reg/win/RegDir.h"

#include "core/col/array/ArrayP.h"
#include "core/str/strarray/StrArray.h"
#include "core/thread/ObjLocker.h"
#include "platform/reg/win/CNtRegistry.h"
#include "platform/reg/win/MultiString.h"

#include <crtwchar.h>

#include <cstddef>
#include <cstring>
#include <mutex>

namespace s::reg::win {

using col::_array::ArrayP;
using col::_array::ArrayU08;
using str::strarray::StrArray;
using str::strbuffer::StrBuffer;

namespace {

// A counted string holds at most 0xFFFE bytes; the last unit is kept for the terminator, as the
// native string helpers do. Longer names and paths are refused: cut, they would name another
// value or key.
constexpr uint32_t kMaxCountedUnits = 0x7FFE;

// Expansion of REG_EXPAND_SZ texts starts with room for this many units and grows when the
// expanded text needs more.
constexpr DWORD kExpandUnits = 520;

// The process-wide buffers of the native calls, each with its own lock. The query buffer starts
// at 16 KB, the listing buffers at 1 KB; both grow when a call reports that it needs more.
thread::ObjLocker& sharedBuffer(int which) {
  static thread::ObjLocker* const s_buffers[4] = {
      new thread::ObjLocker(ArrayU08::create(), nullptr, nullptr),
      new thread::ObjLocker(ArrayU08::create(), nullptr, nullptr),
      new thread::ObjLocker(ArrayU08::create(), nullptr, nullptr),
      new thread::ObjLocker(ArrayU08::create(), nullptr, nullptr)};
  return *s_buffers[which];
}
enum SharedBuffer { kSubKeys = 0, kMatchingSubKeys = 1, kValueQuery = 2, kValueNames = 3 };
constexpr uint32_t kQueryBytes = 16384;
constexpr uint32_t kListingBytes = 1024;

ArrayU08* bufferOf(thread::ObjLocker& locker, uint32_t minimum) {
  auto* bytes = static_cast<ArrayU08*>(locker.getObject());
  bytes->ensureCapacity(minimum);
  return bytes;
}

bool isTooSmall(NTSTATUS status) {
  return status == STATUS_BUFFER_OVERFLOW || status == STATUS_BUFFER_TOO_SMALL;
}

const CNtRegistry::Functions& nt() { return CNtRegistry::functions(); }

const WCHAR* orEmpty(const WCHAR* text) { return text == nullptr ? u"" : text; }

// Runs one enumeration call per index until it answers anything but success, growing `bytes`
// when an entry does not fit, and hands each record to `take`.
template <typename Call, typename Take>
void enumerate(ArrayU08* bytes, Call call, Take take) {
  for (ULONG index = 0;; ++index) {
    ULONG length = 0;
    NTSTATUS status = call(index, bytes->getItems(), bytes->getCapacity(), &length);
    if (isTooSmall(status) && length > bytes->getCapacity()) {
      bytes->ensureCapacity(length);
      status = call(index, bytes->getItems(), bytes->getCapacity(), &length);
    }
    if (status != STATUS_SUCCESS) {
      return;
    }
    take(bytes->getItems());
  }
}

}  // namespace

RegDir::RegDir()
    : m_valueBuffer(ArrayU08::take()),
      m_expandBuffer(ArrayU08::take()),
      m_rootName(StrBuffer::take()),
      m_rootPath(StrBuffer::take()),
      m_subPath(StrBuffer::take()),
      m_fullPath(StrBuffer::take()),
      m_nativePath(StrBuffer::take()) {
  CNtRegistry::ensureLoaded();
  reset();
}

RegDir::~RegDir() {
  reset();
  delete m_valueBuffer;
  delete m_expandBuffer;
  delete m_rootName;
  delete m_rootPath;
  delete m_subPath;
  delete m_fullPath;
  delete m_nativePath;
}

void RegDir::reset() {
  m_valueBuffer->freeAll();
  m_expandBuffer->freeAll();
  close();
  m_root = HKEY_LOCAL_MACHINE;
  m_rootName->assign(CNtRegistry::getRootName(HKEY_LOCAL_MACHINE));
  m_rootPath->assign(CNtRegistry::getRootPath(HKEY_LOCAL_MACHINE));
  m_subPath->freeBuffer();
  m_fullPath->freeBuffer();
  m_nativePath->freeBuffer();
  m_nameString = {};
  m_objectName = {};
  m_objectAttributes = {};
  m_pathUsable = false;
}

// ---- Paths
// ---------------------------------------------------------------------------------------

void RegDir::setRootKey(HKEY root) {
  m_root = root;
  const WCHAR* name = CNtRegistry::getRootName(root);
  if (name != nullptr) {
    m_rootName->assign(name);
    m_rootPath->assign(CNtRegistry::getRootPath(root));
  }
}

NTSTATUS RegDir::openPath(const WCHAR* subPath) {
  m_subPath->assign(orEmpty(subPath));
  while (m_subPath->getLength() != 0 && m_subPath->getCharAt(m_subPath->getLength() - 1) == u'\\') {
    m_subPath->setLength(m_subPath->getLength() - 1);
  }
  m_fullPath->assignStr(m_rootName)->appendWChar(u'\\')->appendStr(m_subPath);
  m_nativePath->assignStr(m_rootPath)->appendWChar(u'\\')->appendStr(m_subPath);
  close();
  m_pathUsable = CNtRegistry::isLoaded() && CNtRegistry::getRootName(m_root) != nullptr &&
                 m_nativePath->getLength() <= kMaxCountedUnits;
  if (!m_pathUsable) {
    m_objectName = {};
    m_objectAttributes = {};
    return CNtRegistry::isLoaded() ? STATUS_OBJECT_NAME_INVALID : STATUS_NOT_IMPLEMENTED;
  }
  nt().initUnicodeString(&m_objectName, m_nativePath->getCStr());
  InitializeObjectAttributes(&m_objectAttributes, &m_objectName, OBJ_CASE_INSENSITIVE, nullptr,
                             nullptr);
  HANDLE handle = nullptr;
  const NTSTATUS status = nt().openKey(&handle, KEY_ALL_ACCESS, &m_objectAttributes);
  m_handle = status == STATUS_SUCCESS ? handle : nullptr;
  return status;
}

NTSTATUS RegDir::open(HKEY root, const WCHAR* subPath) {
  setRootKey(root);
  return openPath(subPath);
}

NTSTATUS RegDir::openByFullPath(const WCHAR* text) {
  static const HKEY kOrder[] = {HKEY_USERS, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
                                HKEY_CURRENT_CONFIG, HKEY_CLASSES_ROOT};
  text = orEmpty(text);
  for (HKEY root : kOrder) {
    const WCHAR* name = CNtRegistry::getRootName(root);
    const size_t length = wcslen(name);
    // The root name must end there: "HKEY_USERSX" is no root. Either separator of the program's
    // paths may follow it ("HKEY_CURRENT_USER/Software" opens Software); what comes after it is
    // the sub-path as written, since a key name may itself hold a "/".
    // The unit after the name is read only once the name matched: a shorter text ends before it.
    if (_wcsnicmp(text, name, length) != 0) {
      continue;
    }
    const WCHAR after = text[length];
    if (after == 0 || after == u'\\' || after == u'/') {
      return open(root, after == 0 ? text + length : text + length + 1);
    }
  }
  return open(HKEY_CURRENT_USER, u"InvalidKey");
}

StrBuffer* RegDir::getKeyName(StrBuffer* out, bool append) const {
  if (out == nullptr) {
    out = StrBuffer::take();
    out->clear();
  } else if (!append) {
    out->clear();
  }
  uint32_t at = 0;
  const uint32_t start = m_subPath->lastIndexOf(u'\\', &at) ? at + 1 : 0;
  if (m_subPath->getLength() > start) {
    out->appendChars(m_subPath->getBuffer() + start,
                     static_cast<int32_t>(m_subPath->getLength() - start));
  }
  return out;
}

RegDir* RegDir::newParent() const {
  RegDir* parent = take();
  parent->setRootKey(m_root);
  uint32_t at = 0;
  if (m_subPath->lastIndexOf(u'\\', &at)) {
    StrBuffer* path = m_subPath->getSubstring(0, at);
    parent->openPath(path->getCStr());
    path->release();
  } else {
    parent->openPath(u"");
  }
  return parent;
}

// ---- Keys
// ------------------------------------------------------------------------------------------

void RegDir::close() {
  if (m_handle != nullptr) {
    nt().close(m_handle);
    m_handle = nullptr;
  }
}

bool RegDir::ensureOpen() {
  if (m_handle == nullptr && m_pathUsable) {
    HANDLE handle = nullptr;
    if (nt().openKey(&handle, KEY_ALL_ACCESS, &m_objectAttributes) == STATUS_SUCCESS) {
      m_handle = handle;
    }
  }
  return m_handle != nullptr;
}

bool RegDir::reopen() {
  if (m_handle == nullptr) {
    return false;
  }
  close();
  return ensureOpen();
}

void RegDir::createKey() {
  if (m_handle != nullptr || !m_pathUsable) {
    return;
  }
  auto tryCreate = [this] {
    HANDLE handle = nullptr;
    ULONG disposition = 0;
    if (nt().createKey(&handle, KEY_ALL_ACCESS, &m_objectAttributes, 0, nullptr, 0, &disposition) ==
        STATUS_SUCCESS) {
      m_handle = handle;
    }
  };
  tryCreate();
  uint32_t at = 0;
  if (m_handle == nullptr && m_subPath->lastIndexOf(u'\\', &at)) {
    RegDir* parent = newParent();
    parent->createKey();
    parent->release();
    tryCreate();
  }
}

void RegDir::removeKey(bool includeSelf) {
  if (!ensureOpen()) {
    return;
  }
  ArrayP* subKeys = listSubKeys();
  for (uint32_t i = 0, n = subKeys->getCount(); i < n; ++i) {
    static_cast<RegDir*>(static_cast<base::IObject*>(subKeys->getItems()[i]))->removeKey(true);
  }
  subKeys->release();
  if (includeSelf) {
    nt().deleteKey(m_handle);
    close();
  }
}

NTSTATUS RegDir::rename(const WCHAR* newName) {
  if (!ensureOpen()) {
    return m_pathUsable ? STATUS_OBJECT_NAME_NOT_FOUND : STATUS_OBJECT_NAME_INVALID;
  }
  NTSTATUS status = STATUS_OBJECT_NAME_INVALID;
  if (setName(newName)) {
    status = nt().renameKey(m_handle, &m_nameString);
  }
  close();
  return status;
}

void RegDir::flush() {
  if (m_handle != nullptr) {
    nt().flushKey(m_handle);
  }
}

// ---- Listings
// --------------------------------------------------------------------------------------

StrArray* RegDir::listSubKeyNames(bool matching, const WCHAR* prefix) {
  StrArray* names = StrArray::take();
  if (!ensureOpen()) {
    return names;
  }
  const size_t prefixLength = matching ? wcslen(orEmpty(prefix)) : 0;
  thread::ObjLocker& locker = sharedBuffer(matching ? kMatchingSubKeys : kSubKeys);
  std::lock_guard<thread::ObjLocker> guard(locker);
  HANDLE handle = m_handle;
  enumerate(
      bufferOf(locker, kListingBytes),
      [handle](ULONG index, void* record, ULONG size, ULONG* length) {
        return nt().enumerateKey(handle, index, KeyBasicInformation, record, size, length);
      },
      [&](const void* record) {
        const auto* info = static_cast<const KEY_BASIC_INFORMATION*>(record);
        const uint32_t units = info->NameLength / sizeof(WCHAR);
        if (matching &&
            (units < prefixLength || _wcsnicmp(info->Name, prefix, prefixLength) != 0)) {
          return;
        }
        StrBuffer* name = StrBuffer::take();
        name->clear();
        if (units != 0) {
          name->appendChars(info->Name, static_cast<int32_t>(units));
        }
        names->add(name);
      });
  return names;
}

ArrayP* RegDir::openSubKeys(StrArray* names) {
  ArrayP* keys = ArrayP::take();
  keys->setDisposer(&pool());
  StrBuffer* path = StrBuffer::take();
  for (uint32_t i = 0, n = names->getCount(); i < n; ++i) {
    path->assignStr(m_subPath);
    if (path->getLength() != 0) {
      path->appendWChar(u'\\');
    }
    path->appendStr(names->get(i));
    RegDir* key = take();
    key->open(m_root, path->getCStr());
    keys->push(static_cast<base::IObject*>(key));
  }
  path->release();
  names->release();
  return keys;
}

ArrayP* RegDir::listSubKeys() { return openSubKeys(listSubKeyNames(false, nullptr)); }

ArrayP* RegDir::listSubKeysMatching(const WCHAR* prefix) {
  return openSubKeys(listSubKeyNames(true, prefix));
}

StrArray* RegDir::listValueNames() {
  StrArray* names = StrArray::take();
  if (m_handle == nullptr) {
    return names;
  }
  thread::ObjLocker& locker = sharedBuffer(kValueNames);
  std::lock_guard<thread::ObjLocker> guard(locker);
  HANDLE handle = m_handle;
  enumerate(
      bufferOf(locker, kListingBytes),
      [handle](ULONG index, void* record, ULONG size, ULONG* length) {
        return nt().enumerateValueKey(handle, index, KeyValueBasicInformation, record, size,
                                      length);
      },
      [names](const void* record) {
        const auto* info = static_cast<const KEY_VALUE_BASIC_INFORMATION*>(record);
        StrBuffer* name = StrBuffer::take();
        name->clear();
        if (info->NameLength != 0) {
          name->appendChars(info->Name, static_cast<int32_t>(info->NameLength / sizeof(WCHAR)));
        }
        names->add(name);
      });
  return names;
}

uint64_t RegDir::getTotalSize(bool recursive, uint32_t* valueCount, uint32_t* keyCount,
                              bool includeValues) {
  uint64_t total = 0;
  if (!ensureOpen()) {
    return 0;
  }
  if (recursive) {
    ArrayP* subKeys = listSubKeys();
    if (keyCount != nullptr) {
      *keyCount += subKeys->getCount();
    }
    for (uint32_t i = 0, n = subKeys->getCount(); i < n; ++i) {
      total += static_cast<RegDir*>(static_cast<base::IObject*>(subKeys->getItems()[i]))
                   ->getTotalSize(true, valueCount, keyCount, true);
    }
    subKeys->release();
  }
  if (includeValues) {
    StrArray* names = listValueNames();
    if (valueCount != nullptr) {
      *valueCount += names->getCount();
    }
    for (uint32_t i = 0, n = names->getCount(); i < n; ++i) {
      total += getValueSize(names->get(i)->getCStr());
    }
    names->release();
  }
  return total;
}

// ---- Reading values
// --------------------------------------------------------------------------------

bool RegDir::setName(const WCHAR* name) {
  name = orEmpty(name);
  if (wcslen(name) > kMaxCountedUnits) {
    m_nameString = {};
    return false;
  }
  nt().initUnicodeString(&m_nameString, name);
  return true;
}

bool RegDir::queryValue(const WCHAR* name, DWORD* type, DWORD* size, int32_t wantedType) {
  if (type != nullptr) *type = 0;
  if (size != nullptr) *size = 0;
  if (!ensureOpen() || !setName(name)) {
    return false;
  }
  thread::ObjLocker& locker = sharedBuffer(kValueQuery);
  std::lock_guard<thread::ObjLocker> guard(locker);
  ArrayU08* bytes = bufferOf(locker, kQueryBytes);
  ULONG length = 0;
  NTSTATUS status = STATUS_SUCCESS;
  // A value that another process keeps growing could outrun us forever; a few rounds suffice
  // for any value that holds still.
  for (int round = 0; round < 8; ++round) {
    status = nt().queryValueKey(m_handle, &m_nameString, KeyValueFullInformation, bytes->getItems(),
                                bytes->getCapacity(), &length);
    if (!isTooSmall(status)) {
      break;
    }
    bytes->ensureCapacity(length + 1026);
  }
  if (status != STATUS_SUCCESS) {
    return false;
  }
  const auto* info = reinterpret_cast<const KEY_VALUE_FULL_INFORMATION*>(bytes->getItems());
  if (static_cast<uint64_t>(info->DataOffset) + info->DataLength > length) {
    return false;
  }
  if (type != nullptr) *type = info->Type;
  if (size != nullptr) *size = info->DataLength;
  if (wantedType != -1 && info->Type != static_cast<DWORD>(wantedType)) {
    return false;
  }
  m_valueBuffer->clear();
  m_valueBuffer->add(bytes->getItems() + info->DataOffset, info->DataLength);
  return true;
}

uint32_t RegDir::getValueSize(const WCHAR* name) {
  DWORD size = 0;
  return queryValue(name, nullptr, &size, -1) ? size : 0;
}

template <typename T>
T RegDir::readSized(const WCHAR* name, T defaultValue) {
  DWORD size = 0;
  if (!queryValue(name, nullptr, &size, -1) || size != sizeof(T)) {
    return defaultValue;
  }
  T value;
  std::memcpy(&value, m_valueBuffer->getItems(), sizeof(T));
  return value;
}

uint8_t RegDir::getUInt8(const WCHAR* name, uint8_t defaultValue) {
  return static_cast<uint8_t>(readSized<uint32_t>(name, defaultValue));
}
uint16_t RegDir::getUInt16(const WCHAR* name, uint16_t defaultValue) {
  return static_cast<uint16_t>(readSized<uint32_t>(name, defaultValue));
}
uint32_t RegDir::getUInt32(const WCHAR* name, uint32_t defaultValue) {
  return readSized<uint32_t>(name, defaultValue);
}
uint64_t RegDir::getUInt64(const WCHAR* name, uint64_t defaultValue) {
  return readSized<uint64_t>(name, defaultValue);
}
int8_t RegDir::getInt8(const WCHAR* name, int8_t defaultValue) {
  return static_cast<int8_t>(getUInt8(name, static_cast<uint8_t>(defaultValue)));
}
int16_t RegDir::getInt16(const WCHAR* name, int16_t defaultValue) {
  return static_cast<int16_t>(getUInt16(name, static_cast<uint16_t>(defaultValue)));
}
int32_t RegDir::getInt32(const WCHAR* name, int32_t defaultValue) {
  return static_cast<int32_t>(getUInt32(name, static_cast<uint32_t>(defaultValue)));
}
int64_t RegDir::getInt64(const WCHAR* name, int64_t defaultValue) {
  return static_cast<int64_t>(getUInt64(name, static_cast<uint64_t>(defaultValue)));
}
float RegDir::getFloat(const WCHAR* name, float defaultValue) {
  return readSized<float>(name, defaultValue);
}
double RegDir::getDouble(const WCHAR* name, double defaultValue) {
  return readSized<double>(name, defaultValue);
}
bool RegDir::getBool(const WCHAR* name, bool defaultValue) {
  DWORD size = 0;
  if (!queryValue(name, nullptr, &size, -1) || size != 4) {
    return defaultValue;
  }
  uint32_t value;
  std::memcpy(&value, m_valueBuffer->getItems(), 4);
  return value != 0;
}

const WCHAR* RegDir::valueText() {
  // Whole units only, and a terminator even when the stored text has none.
  m_valueBuffer->setCount(m_valueBuffer->getCount() & ~1u);
  m_valueBuffer->push(0);
  m_valueBuffer->push(0);
  return reinterpret_cast<const WCHAR*>(m_valueBuffer->getItems());
}

const WCHAR* RegDir::getString(const WCHAR* name, const WCHAR* defaultText, bool* isExpandable,
                               bool expand) {
  if (isExpandable != nullptr) {
    *isExpandable = false;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (!queryValue(name, &type, &size, -1)) {
    return defaultText;
  }
  if (size == 0) {
    return u"";
  }
  if (type == REG_SZ) {
    return valueText();
  }
  if (type != REG_EXPAND_SZ) {
    return defaultText;
  }
  if (isExpandable != nullptr) {
    *isExpandable = true;
  }
  const WCHAR* raw = valueText();
  if (!expand) {
    return raw;
  }
  // An expansion longer than the first room is expanded again into the room it reported, so the
  // answer is never cut.
  DWORD room = kExpandUnits;
  for (int round = 0; round < 4; ++round) {
    m_expandBuffer->ensureCapacity(room * sizeof(WCHAR));
    auto* out = reinterpret_cast<WCHAR*>(m_expandBuffer->getItems());
    const DWORD needed = ExpandEnvironmentStringsW(raw, out, room);
    if (needed == 0) {
      return raw;
    }
    if (needed <= room) {
      return out;
    }
    room = needed;
  }
  return raw;
}

StrArray* RegDir::getMultiString(const WCHAR* name) {
  StrArray* list = StrArray::take();
  DWORD size = 0;
  if (!queryValue(name, nullptr, &size, REG_MULTI_SZ) || size <= 3) {
    return list;
  }
  splitMultiString(list, m_valueBuffer);
  if (list->getCount() == 1 && list->get(0)->getLength() == 0) {
    list->clear();
  }
  return list;
}

ArrayU08* RegDir::getBinary(const WCHAR* name, ArrayU08* out) {
  if (!queryValue(name, nullptr, nullptr, -1)) {
    return nullptr;
  }
  if (out == nullptr) {
    out = ArrayU08::take();
  }
  out->clear();
  out->add(m_valueBuffer->getItems(), m_valueBuffer->getCount());
  return out;
}

NTSTATUS RegDir::removeValue(const WCHAR* name) {
  if (!queryValue(name, nullptr, nullptr, -1)) {
    return STATUS_OBJECT_NAME_NOT_FOUND;
  }
  return nt().deleteValueKey(m_handle, &m_nameString);
}

// ---- Writing values
// --------------------------------------------------------------------------------

NTSTATUS RegDir::setValue(const WCHAR* name, DWORD type, const void* data, DWORD size) {
  if (m_handle == nullptr) {
    createKey();
  }
  if (m_handle == nullptr) {
    return m_pathUsable ? STATUS_OBJECT_NAME_NOT_FOUND : STATUS_OBJECT_NAME_INVALID;
  }
  if (!setName(name)) {
    return STATUS_OBJECT_NAME_INVALID;
  }
  return nt().setValueKey(m_handle, &m_nameString, 0, type, const_cast<void*>(data), size);
}

void RegDir::setUInt8(const WCHAR* name, uint8_t value) { setUInt32(name, value); }
void RegDir::setUInt16(const WCHAR* name, uint16_t value) { setUInt32(name, value); }
void RegDir::setUInt32(const WCHAR* name, uint32_t value) {
  setValue(name, REG_DWORD, &value, sizeof(value));
}
void RegDir::setUInt64(const WCHAR* name, uint64_t value) {
  setValue(name, REG_BINARY, &value, sizeof(value));
}
void RegDir::setInt8(const WCHAR* name, int8_t value) {
  setUInt32(name, static_cast<uint32_t>(static_cast<int32_t>(value)));
}
void RegDir::setInt16(const WCHAR* name, int16_t value) {
  setUInt32(name, static_cast<uint32_t>(static_cast<int32_t>(value)));
}
void RegDir::setInt32(const WCHAR* name, int32_t value) {
  setUInt32(name, static_cast<uint32_t>(value));
}
void RegDir::setInt64(const WCHAR* name, int64_t value) {
  setUInt64(name, static_cast<uint64_t>(value));
}
void RegDir::setFloat(const WCHAR* name, float value) {
  setValue(name, REG_BINARY, &value, sizeof(value));
}
void RegDir::setDouble(const WCHAR* name, double value) {
  setValue(name, REG_BINARY, &value, sizeof(value));
}
void RegDir::setBool(const WCHAR* name, bool value) { setUInt32(name, value ? 1 : 0); }

void RegDir::setString(const WCHAR* name, const WCHAR* text) {
  text = orEmpty(text);
  setValue(name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(WCHAR)));
}

void RegDir::setExpandString(const WCHAR* name, const WCHAR* text) {
  text = orEmpty(text);
  setValue(name, REG_EXPAND_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(WCHAR)));
}

void RegDir::setMultiString(const WCHAR* name, const StrArray* list) {
  joinMultiString(list, m_valueBuffer);
  setValue(name, REG_MULTI_SZ, m_valueBuffer->getItems(), m_valueBuffer->getCount());
}

void RegDir::setBinary(const WCHAR* name, const ArrayU08* bytes) {
  setValue(name, REG_BINARY, bytes == nullptr ? nullptr : bytes->getItems(),
           bytes == nullptr ? 0 : bytes->getCount());
}

}  // namespace s::reg::win
