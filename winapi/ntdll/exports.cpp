// The built-in module "ntdll.dll": the native calls that callers bind by name at run time.
#include <windows.h>
#include <winternl.h>

#include "winapi/base/builtin.h"

namespace {

#define EXPORT(name) \
  { #name, reinterpret_cast < void*>(&name) }

const winapi::BuiltinExport kExports[] = {
    EXPORT(NtCreateKey),
    EXPORT(NtOpenKey),
    EXPORT(NtClose),
    EXPORT(NtDeleteKey),
    EXPORT(NtFlushKey),
    EXPORT(NtRenameKey),
    EXPORT(NtQueryKey),
    EXPORT(NtEnumerateKey),
    EXPORT(NtSetInformationKey),
    EXPORT(NtNotifyChangeKey),
    EXPORT(NtQueryValueKey),
    EXPORT(NtEnumerateValueKey),
    EXPORT(NtSetValueKey),
    EXPORT(NtDeleteValueKey),
    EXPORT(NtQueryMultipleValueKey),
    EXPORT(NtSaveKey),
    EXPORT(NtRestoreKey),
    EXPORT(NtLoadKey),
    EXPORT(NtLoadKey2),
    EXPORT(NtReplaceKey),
    EXPORT(NtUnloadKey),
    EXPORT(NtOpenThread),
    EXPORT(NtCreateFile),
    EXPORT(RtlAllocateHeap),
    EXPORT(RtlFreeHeap),
    EXPORT(RtlInitString),
    EXPORT(RtlInitAnsiString),
    EXPORT(RtlInitUnicodeString),
    EXPORT(RtlAnsiStringToUnicodeString),
    EXPORT(RtlUnicodeStringToAnsiString),
    EXPORT(RtlFreeAnsiString),
    EXPORT(RtlFreeUnicodeString),
    EXPORT(RtlGetVersion),
};

#undef EXPORT

const winapi::BuiltinRegistrar kRegistrar(u"ntdll.dll", kExports);

}  // namespace

// Named by the link option of winapi_add_area(... ANCHOR), so that programs keep this file and
// its registration though nothing calls into it.
extern "C" const char lumetra_builtin_ntdll = 0;
