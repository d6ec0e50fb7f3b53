// System message texts and the local memory they are handed out in.
// Status: FormatMessageW from the system's table (FORMAT_MESSAGE_FROM_SYSTEM, and
// FORMAT_MESSAGE_FROM_HMODULE, whose only table in the layer is ntdll's status table), into the
// caller's buffer or a LocalAlloc block; LocalAlloc and LocalFree for fixed blocks.
// Left out on purpose: FORMAT_MESSAGE_FROM_STRING, message-table resources of other modules and
// languages other than English or neutral, which nothing asks.
#include <windows.h>
#include <ntstatus.h>

#include "winapi/base/debug.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

struct Message {
  DWORD code;
  std::u16string_view text;
};

// Short texts of our own for the codes the layer's registry, token and resource calls report.
// NT status codes live in ntdll's table on Windows, system error codes in the system's; their
// numbers do not overlap, so one table serves both.
constexpr Message kMessages[] = {
    {ERROR_FILE_NOT_FOUND, u"The file does not exist.\r\n"},
    {ERROR_ACCESS_DENIED, u"Access to the object is denied.\r\n"},
    {ERROR_INVALID_HANDLE, u"The handle is not valid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, u"There is not enough memory for the operation.\r\n"},
    {ERROR_SHARING_VIOLATION, u"The file is in use by a running program.\r\n"},
    {ERROR_NOT_SUPPORTED, u"The operation is not supported.\r\n"},
    {ERROR_INVALID_PARAMETER, u"A parameter of the call is not valid.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, u"The buffer is too small for the data.\r\n"},
    {ERROR_BAD_EXE_FORMAT, u"The resources of the module file are damaged.\r\n"},
    {ERROR_RESOURCE_DATA_NOT_FOUND, u"The module file holds no resources.\r\n"},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, u"The module holds no resource of that type.\r\n"},
    {ERROR_RESOURCE_NAME_NOT_FOUND, u"The module holds no resource of that name.\r\n"},
    {static_cast<DWORD>(STATUS_BUFFER_OVERFLOW), u"The buffer is too small for the whole record.\r\n"},
    {static_cast<DWORD>(STATUS_NO_MORE_ENTRIES), u"There are no more entries.\r\n"},
    {static_cast<DWORD>(STATUS_NOT_IMPLEMENTED), u"The operation is not supported by this system.\r\n"},
    {static_cast<DWORD>(STATUS_INVALID_HANDLE), u"The handle is not valid.\r\n"},
    {static_cast<DWORD>(STATUS_INVALID_PARAMETER), u"A parameter of the call is not valid.\r\n"},
    {static_cast<DWORD>(STATUS_NO_MEMORY), u"There is not enough memory for the operation.\r\n"},
    {static_cast<DWORD>(STATUS_ACCESS_DENIED), u"The handle does not allow this operation.\r\n"},
    {static_cast<DWORD>(STATUS_BUFFER_TOO_SMALL), u"The buffer is too small for the record.\r\n"},
    {static_cast<DWORD>(STATUS_OBJECT_NAME_INVALID), u"The object name is not valid.\r\n"},
    {static_cast<DWORD>(STATUS_OBJECT_NAME_NOT_FOUND), u"The named object does not exist.\r\n"},
    {static_cast<DWORD>(STATUS_OBJECT_NAME_COLLISION), u"An object of that name already exists.\r\n"},
    {static_cast<DWORD>(STATUS_OBJECT_PATH_NOT_FOUND), u"The object path does not exist.\r\n"},
    {static_cast<DWORD>(STATUS_OBJECT_PATH_SYNTAX_BAD), u"The object path is not well formed.\r\n"},
    {static_cast<DWORD>(STATUS_DISK_FULL), u"The disk is full.\r\n"},
    {static_cast<DWORD>(STATUS_CANNOT_DELETE),
     u"The key cannot be deleted: it has sub-keys or is a root of the registry.\r\n"},
    {static_cast<DWORD>(STATUS_REGISTRY_CORRUPT), u"The registry database is damaged.\r\n"},
    {static_cast<DWORD>(STATUS_REGISTRY_IO_FAILED), u"The registry database could not be read or written.\r\n"},
    {static_cast<DWORD>(STATUS_KEY_DELETED), u"The key has been deleted.\r\n"},
};

const Message* findMessage(DWORD code) {
  for (const Message& m : kMessages) {
    if (m.code == code) return &m;
  }
  return nullptr;
}

bool isEnglishOrNeutral(DWORD languageId) {
  WORD primary = PRIMARYLANGID(languageId);
  return primary == LANG_NEUTRAL || primary == LANG_ENGLISH;
}

}  // namespace

extern "C" {

DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer, DWORD size,
                            va_list* arguments) {
  (void)source, (void)arguments;  // our texts carry no inserts
  if (buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if ((flags & (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE)) == 0 ||
      (flags & FORMAT_MESSAGE_FROM_STRING) != 0) {
    FIXME(Kernel32, "flags 0x%lx: only system and module tables are supported", static_cast<unsigned long>(flags));
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
  }
  const Message* message = findMessage(messageId);
  if (message == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  if (!isEnglishOrNeutral(languageId)) {
    SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
    return 0;
  }
  DWORD units = static_cast<DWORD>(message->text.size());
  LPWSTR target = buffer;
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    // The caller's size is then the least number of units to allocate.
    DWORD allocated = units + 1 > size ? units + 1 : size;
    target = static_cast<LPWSTR>(LocalAlloc(LMEM_FIXED, allocated * sizeof(WCHAR)));
    if (target == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    *reinterpret_cast<LPWSTR*>(buffer) = target;
  } else if (size < units + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(target, message->text.data(), units * sizeof(WCHAR));
  target[units] = 0;
  return units;
}

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
  if (flags & ~static_cast<UINT>(LMEM_ZEROINIT)) {
    // Moveable blocks need a handle table and LocalLock, which nothing here uses.
    FIXME(Kernel32, "flags 0x%x: only fixed blocks are supported", flags);
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  void* block = (flags & LMEM_ZEROINIT) ? std::calloc(bytes == 0 ? 1 : bytes, 1) : std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return block;
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}

}  // extern "C"
