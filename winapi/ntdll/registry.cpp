// The native registry calls over the registry database: key handles, name resolution, access
// rights and the information records with the native buffer-size rules.
// Status: NtCreateKey, NtOpenKey, NtClose (any kernel handle), NtDeleteKey, NtFlushKey, NtRenameKey,
// NtQueryKey and NtEnumerateKey (basic, node and full records; NtQueryKey also the name record),
// NtQueryValueKey and NtEnumerateValueKey (basic, full and partial records), NtSetValueKey,
// NtDeleteValueKey. Left out on purpose: change notification, NtSetInformationKey,
// NtQueryMultipleValueKey, volatile keys and links; they answer their failure.
#include <windows.h>
#include <winternl.h>

#include "winapi/base/ascii.h"
#include "winapi/base/debug.h"
#include "winapi/base/handle.h"
#include "winapi/ntdll/registry_store.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

namespace {

using winapi::registry::KeyCounts;
using winapi::registry::KeyId;
using winapi::registry::KeyRecord;
using winapi::registry::Store;
using winapi::registry::ValueRecord;

// An open key: the database it lives in, its row, and the rights it was opened with. Key handles
// are kernel handles, so NtClose and CloseHandle both close them.
class KeyObject : public winapi::KernelObject {
 public:
  KeyObject(std::shared_ptr<Store> store, KeyId id, ACCESS_MASK access)
      : store(std::move(store)), id(id), access(access) {}
  const std::shared_ptr<Store> store;
  const KeyId id;
  const ACCESS_MASK access;
};

std::shared_ptr<KeyObject> findKey(HANDLE handle) {
  DWORD lastError = GetLastError();  // the native calls report through their status only
  std::shared_ptr<KeyObject> key = winapi::lookupHandleAs<KeyObject>(handle);
  SetLastError(lastError);
  return key;
}

ACCESS_MASK mapGenericRights(ACCESS_MASK access) {
  ACCESS_MASK mapped = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED |
                                  KEY_WOW64_32KEY | KEY_WOW64_64KEY);
  if (access & GENERIC_READ) mapped |= KEY_READ;
  if (access & GENERIC_WRITE) mapped |= KEY_WRITE;
  if (access & GENERIC_EXECUTE) mapped |= KEY_EXECUTE;
  if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) mapped |= KEY_ALL_ACCESS;
  return mapped;
}

// The key behind a handle, checked for the rights the call needs.
NTSTATUS keyFor(HANDLE handle, ACCESS_MASK needed, std::shared_ptr<KeyObject>& out) {
  out = findKey(handle);
  if (out == nullptr) return STATUS_INVALID_HANDLE;
  if ((out->access & needed) != needed) return STATUS_ACCESS_DENIED;
  return STATUS_SUCCESS;
}

// The text of a counted string; a null pointer is an error, a null buffer of length 0 is "".
NTSTATUS textOf(const UNICODE_STRING* s, std::u16string_view& out) {
  if (s == nullptr) return STATUS_ACCESS_VIOLATION;
  if ((s->Length & 1) != 0 || (s->Buffer == nullptr && s->Length != 0)) return STATUS_INVALID_PARAMETER;
  out = s->Length == 0 ? std::u16string_view() : std::u16string_view(s->Buffer, s->Length / 2);
  return STATUS_SUCCESS;
}

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (winapi::ascii::toUpper(text[i]) != winapi::ascii::toUpper(prefix[i])) return false;
  }
  return true;
}

// Where an object name starts: the key of the root handle with a relative name, or the top key
// "\Registry" of the current database with an absolute one.
NTSTATUS resolveStart(const OBJECT_ATTRIBUTES* attributes, std::shared_ptr<Store>& store, KeyId& start,
                      std::u16string_view& rest) {
  if (attributes == nullptr) return STATUS_ACCESS_VIOLATION;
  if (attributes->ObjectName == nullptr) return STATUS_OBJECT_NAME_INVALID;
  NTSTATUS s = textOf(attributes->ObjectName, rest);
  if (!NT_SUCCESS(s)) return s;
  if (attributes->RootDirectory != nullptr) {
    std::shared_ptr<KeyObject> root = findKey(attributes->RootDirectory);
    if (root == nullptr) return STATUS_INVALID_HANDLE;
    if (!rest.empty() && rest.front() == u'\\') return STATUS_OBJECT_PATH_SYNTAX_BAD;
    store = root->store;
    start = root->id;
    return STATUS_SUCCESS;
  }
  if (rest.empty() || rest.front() != u'\\') return STATUS_OBJECT_PATH_SYNTAX_BAD;
  constexpr std::u16string_view kTop = u"\\Registry";
  if (!startsWithIgnoringCase(rest, kTop) || (rest.size() > kTop.size() && rest[kTop.size()] != u'\\')) {
    return STATUS_OBJECT_PATH_NOT_FOUND;  // outside the registry's part of the object namespace
  }
  rest.remove_prefix(std::min(rest.size(), kTop.size() + 1));
  if (!NT_SUCCESS(s = Store::current(store))) return s;
  start = store->top();
  return STATUS_SUCCESS;
}

// An information record built whole, then handed over by the native size rules: a buffer smaller
// than the fixed part gets nothing (STATUS_BUFFER_TOO_SMALL); one smaller than the whole record
// gets what fits (STATUS_BUFFER_OVERFLOW); the needed size is reported either way.
class Record {
 public:
  explicit Record(size_t fixedSize) : m_fixed(fixedSize), m_bytes(fixedSize, 0) {}

  // The fixed part lives in the byte array, which appends may move: take it after them.
  template <typename T>
  T* fixed() {
    return reinterpret_cast<T*>(m_bytes.data());
  }
  // Appends bytes (optionally aligned first) and answers their offset in the record.
  ULONG append(const void* data, size_t size, size_t alignment = 1) {
    m_bytes.resize((m_bytes.size() + alignment - 1) / alignment * alignment, 0);
    ULONG offset = static_cast<ULONG>(m_bytes.size());
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (size != 0) m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    return offset;
  }
  ULONG appendText(const std::u16string& text) { return append(text.data(), text.size() * 2); }

  NTSTATUS deliver(void* info, ULONG length, PULONG resultLength) const {
    if (m_bytes.size() > 0xFFFFFFFFu) return STATUS_NO_MEMORY;
    if (resultLength != nullptr) *resultLength = static_cast<ULONG>(m_bytes.size());
    if (length < m_fixed) return STATUS_BUFFER_TOO_SMALL;
    if (info == nullptr) return STATUS_ACCESS_VIOLATION;
    std::memcpy(info, m_bytes.data(), std::min<size_t>(length, m_bytes.size()));
    return length < m_bytes.size() ? STATUS_BUFFER_OVERFLOW : STATUS_SUCCESS;
  }

 private:
  size_t m_fixed;
  std::vector<uint8_t> m_bytes;
};

ULONG byteLength(const std::u16string& text) { return static_cast<ULONG>(text.size() * 2); }

LARGE_INTEGER fileTime(int64_t value) {
  LARGE_INTEGER time;
  time.QuadPart = value;
  return time;
}

// A key's record of one class. The name record carries the full path, the others the name.
NTSTATUS keyInformation(Store& store, KeyId id, const KeyRecord& key, KEY_INFORMATION_CLASS infoClass, void* info,
                        ULONG length, PULONG resultLength) {
  switch (infoClass) {
    case KeyBasicInformation: {
      Record record(offsetof(KEY_BASIC_INFORMATION, Name));
      record.appendText(key.name);
      auto* r = record.fixed<KEY_BASIC_INFORMATION>();
      r->LastWriteTime = fileTime(key.written);
      r->NameLength = byteLength(key.name);
      return record.deliver(info, length, resultLength);
    }
    case KeyNodeInformation: {
      Record record(offsetof(KEY_NODE_INFORMATION, Name));
      record.appendText(key.name);
      ULONG classOffset = record.appendText(key.keyClass);
      auto* r = record.fixed<KEY_NODE_INFORMATION>();
      r->LastWriteTime = fileTime(key.written);
      r->ClassOffset = key.keyClass.empty() ? 0xFFFFFFFF : classOffset;
      r->ClassLength = byteLength(key.keyClass);
      r->NameLength = byteLength(key.name);
      return record.deliver(info, length, resultLength);
    }
    case KeyFullInformation: {
      KeyRecord unused;
      KeyCounts counts;
      NTSTATUS s = store.keyRecord(id, unused, &counts);
      if (!NT_SUCCESS(s)) return s;
      Record record(offsetof(KEY_FULL_INFORMATION, Class));
      ULONG classOffset = record.appendText(key.keyClass);
      auto* r = record.fixed<KEY_FULL_INFORMATION>();
      r->LastWriteTime = fileTime(key.written);
      r->ClassOffset = key.keyClass.empty() ? 0xFFFFFFFF : classOffset;
      r->ClassLength = byteLength(key.keyClass);
      r->SubKeys = counts.subKeys;
      r->MaxNameLen = counts.maxNameBytes;
      r->MaxClassLen = counts.maxClassBytes;
      r->Values = counts.values;
      r->MaxValueNameLen = counts.maxValueNameBytes;
      r->MaxValueDataLen = counts.maxValueDataBytes;
      return record.deliver(info, length, resultLength);
    }
    case KeyNameInformation: {
      std::u16string path;
      NTSTATUS s = store.keyPath(id, path);
      if (!NT_SUCCESS(s)) return s;
      Record record(offsetof(KEY_NAME_INFORMATION, Name));
      record.appendText(path);
      record.fixed<KEY_NAME_INFORMATION>()->NameLength = byteLength(path);
      return record.deliver(info, length, resultLength);
    }
    default: return STATUS_INVALID_INFO_CLASS;
  }
}

// A value's record of one class. Data start at an 8-byte boundary, so a QWORD reads in place.
NTSTATUS valueInformation(const ValueRecord& value, KEY_VALUE_INFORMATION_CLASS infoClass, void* info, ULONG length,
                          PULONG resultLength) {
  ULONG dataLength = static_cast<ULONG>(value.data.size());
  switch (infoClass) {
    case KeyValueBasicInformation: {
      Record record(offsetof(KEY_VALUE_BASIC_INFORMATION, Name));
      record.appendText(value.name);
      auto* r = record.fixed<KEY_VALUE_BASIC_INFORMATION>();
      r->Type = value.type;
      r->NameLength = byteLength(value.name);
      return record.deliver(info, length, resultLength);
    }
    case KeyValueFullInformation:
    case KeyValueFullInformationAlign64: {
      Record record(offsetof(KEY_VALUE_FULL_INFORMATION, Name));
      record.appendText(value.name);
      ULONG dataOffset = record.append(value.data.data(), value.data.size(), 8);
      auto* r = record.fixed<KEY_VALUE_FULL_INFORMATION>();
      r->Type = value.type;
      r->DataOffset = dataOffset;
      r->DataLength = dataLength;
      r->NameLength = byteLength(value.name);
      return record.deliver(info, length, resultLength);
    }
    case KeyValuePartialInformation:
    case KeyValuePartialInformationAlign64: {
      Record record(offsetof(KEY_VALUE_PARTIAL_INFORMATION, Data));
      record.append(value.data.data(), value.data.size());
      auto* r = record.fixed<KEY_VALUE_PARTIAL_INFORMATION>();
      r->Type = value.type;
      r->DataLength = dataLength;
      return record.deliver(info, length, resultLength);
    }
    default: return STATUS_INVALID_INFO_CLASS;
  }
}

NTSTATUS openOrCreate(PHANDLE keyHandle, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes,
                      const UNICODE_STRING* keyClass, ULONG options, PULONG disposition, bool create) {
  if (keyHandle == nullptr) return STATUS_ACCESS_VIOLATION;
  *keyHandle = nullptr;
  std::shared_ptr<Store> store;
  KeyId start = 0, id = 0;
  std::u16string_view path;
  NTSTATUS s = resolveStart(attributes, store, start, path);
  if (!NT_SUCCESS(s)) return s;
  if (create) {
    // Every key is kept in the database; volatile keys and links have no place there.
    if (options & (REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK | REG_OPTION_OPEN_LINK)) {
      FIXME(Ntdll, "volatile keys and links are not supported (options 0x%lx)", static_cast<unsigned long>(options));
      return STATUS_NOT_SUPPORTED;
    }
    std::u16string_view classText;
    if (keyClass != nullptr && !NT_SUCCESS(s = textOf(keyClass, classText))) return s;
    bool created = false;
    if (!NT_SUCCESS(s = store->createPath(start, path, classText, id, created))) return s;
    if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  } else if (!NT_SUCCESS(s = store->openPath(start, path, id))) {
    return s;
  }
  *keyHandle = winapi::insertHandle(std::make_shared<KeyObject>(std::move(store), id, mapGenericRights(access)));
  return STATUS_SUCCESS;
}

}  // namespace

extern "C" {

NTSTATUS NTAPI NtCreateKey(PHANDLE key, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, ULONG titleIndex,
                           PUNICODE_STRING keyClass, ULONG options, PULONG disposition) {
  (void)titleIndex;  // unused since the first Windows NT, as there
  return openOrCreate(key, access, attributes, keyClass, options, disposition, true);
}

NTSTATUS NTAPI NtOpenKey(PHANDLE key, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes) {
  return openOrCreate(key, access, attributes, nullptr, 0, nullptr, false);
}

// Closes any kernel handle, as on Windows.
NTSTATUS NTAPI NtClose(HANDLE handle) {
  DWORD lastError = GetLastError();
  bool removed = winapi::removeHandle(handle);
  SetLastError(lastError);
  return removed ? STATUS_SUCCESS : STATUS_INVALID_HANDLE;
}

NTSTATUS NTAPI NtDeleteKey(HANDLE handle) {
  std::shared_ptr<KeyObject> key;
  NTSTATUS s = keyFor(handle, DELETE, key);
  return NT_SUCCESS(s) ? key->store->deleteKey(key->id) : s;
}

NTSTATUS NTAPI NtFlushKey(HANDLE handle) {
  std::shared_ptr<KeyObject> key;
  NTSTATUS s = keyFor(handle, 0, key);
  return NT_SUCCESS(s) ? key->store->flush() : s;
}

NTSTATUS NTAPI NtRenameKey(HANDLE handle, PUNICODE_STRING newName) {
  std::shared_ptr<KeyObject> key;
  std::u16string_view name;
  NTSTATUS s = keyFor(handle, KEY_WRITE, key);
  if (NT_SUCCESS(s)) s = textOf(newName, name);
  return NT_SUCCESS(s) ? key->store->renameKey(key->id, name) : s;
}

NTSTATUS NTAPI NtQueryKey(HANDLE handle, KEY_INFORMATION_CLASS infoClass, PVOID info, ULONG length,
                          PULONG resultLength) {
  std::shared_ptr<KeyObject> key;
  NTSTATUS s = keyFor(handle, infoClass == KeyNameInformation ? 0 : KEY_QUERY_VALUE, key);
  KeyRecord record;
  if (NT_SUCCESS(s)) s = key->store->keyRecord(key->id, record, nullptr);
  return NT_SUCCESS(s) ? keyInformation(*key->store, key->id, record, infoClass, info, length, resultLength) : s;
}

NTSTATUS NTAPI NtEnumerateKey(HANDLE handle, ULONG index, KEY_INFORMATION_CLASS infoClass, PVOID info, ULONG length,
                              PULONG resultLength) {
  if (infoClass == KeyNameInformation) return STATUS_INVALID_INFO_CLASS;
  std::shared_ptr<KeyObject> key;
  NTSTATUS s = keyFor(handle, KEY_ENUMERATE_SUB_KEYS, key);
  KeyRecord record;
  if (NT_SUCCESS(s)) s = key->store->subKeyAt(key->id, index, record);
  if (s != STATUS_SUCCESS) return s;
  if (infoClass != KeyFullInformation) {
    return keyInformation(*key->store, key->id, record, infoClass, info, length, resultLength);
  }
  // The full record counts the sub-key's own children, so it needs the sub-key itself.
  KeyId child = 0;
  s = key->store->openPath(key->id, record.name, child);
  return NT_SUCCESS(s) ? keyInformation(*key->store, child, record, infoClass, info, length, resultLength) : s;
}

NTSTATUS NTAPI NtQueryValueKey(HANDLE handle, PUNICODE_STRING name, KEY_VALUE_INFORMATION_CLASS infoClass, PVOID info,
                               ULONG length, PULONG resultLength) {
  std::shared_ptr<KeyObject> key;
  std::u16string_view valueName;
  NTSTATUS s = keyFor(handle, KEY_QUERY_VALUE, key);
  if (NT_SUCCESS(s)) s = textOf(name, valueName);
  ValueRecord value;
  if (NT_SUCCESS(s)) s = key->store->value(key->id, valueName, value);
  return NT_SUCCESS(s) ? valueInformation(value, infoClass, info, length, resultLength) : s;
}

NTSTATUS NTAPI NtEnumerateValueKey(HANDLE handle, ULONG index, KEY_VALUE_INFORMATION_CLASS infoClass, PVOID info,
                                   ULONG length, PULONG resultLength) {
  std::shared_ptr<KeyObject> key;
  NTSTATUS s = keyFor(handle, KEY_QUERY_VALUE, key);
  ValueRecord value;
  if (NT_SUCCESS(s)) s = key->store->valueAt(key->id, index, value);
  return s == STATUS_SUCCESS ? valueInformation(value, infoClass, info, length, resultLength) : s;
}

NTSTATUS NTAPI NtSetValueKey(HANDLE handle, PUNICODE_STRING name, ULONG titleIndex, ULONG type, PVOID data,
                             ULONG size) {
  (void)titleIndex;
  std::shared_ptr<KeyObject> key;
  std::u16string_view valueName;
  NTSTATUS s = keyFor(handle, KEY_SET_VALUE, key);
  if (NT_SUCCESS(s)) s = textOf(name, valueName);
  if (NT_SUCCESS(s) && data == nullptr && size != 0) s = STATUS_ACCESS_VIOLATION;
  return NT_SUCCESS(s) ? key->store->setValue(key->id, valueName, type, data, size) : s;
}

NTSTATUS NTAPI NtDeleteValueKey(HANDLE handle, PUNICODE_STRING name) {
  std::shared_ptr<KeyObject> key;
  std::u16string_view valueName;
  NTSTATUS s = keyFor(handle, KEY_SET_VALUE, key);
  if (NT_SUCCESS(s)) s = textOf(name, valueName);
  return NT_SUCCESS(s) ? key->store->deleteValue(key->id, valueName) : s;
}

NTSTATUS NTAPI NtSetInformationKey(HANDLE handle, KEY_SET_INFORMATION_CLASS infoClass, PVOID info, ULONG length) {
  (void)handle, (void)info, (void)length;
  FIXME(Ntdll, "class %d is not supported", static_cast<int>(infoClass));
  return STATUS_NOT_IMPLEMENTED;
}

NTSTATUS NTAPI NtQueryMultipleValueKey(HANDLE handle, PKEY_VALUE_ENTRY entries, ULONG count, PVOID buffer,
                                       PULONG length, PULONG requiredLength) {
  (void)handle, (void)entries, (void)count, (void)buffer, (void)length, (void)requiredLength;
  FIXME(Ntdll, "not supported");
  return STATUS_NOT_IMPLEMENTED;
}

NTSTATUS NTAPI NtNotifyChangeKey(HANDLE handle, HANDLE event, PIO_APC_ROUTINE apcRoutine, PVOID apcContext,
                                 PIO_STATUS_BLOCK ioStatus, ULONG filter, BOOLEAN watchTree, PVOID buffer, ULONG length,
                                 BOOLEAN async) {
  (void)handle, (void)event, (void)apcRoutine, (void)apcContext, (void)ioStatus, (void)filter;
  (void)watchTree, (void)buffer, (void)length, (void)async;
  FIXME(Ntdll, "change notification is not supported");
  return STATUS_NOT_IMPLEMENTED;
}

}  // extern "C"
