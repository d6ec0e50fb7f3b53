// The native registry functions of ntdll, bound once per process, and the native root paths of
// the predefined keys.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"

#include <windows.h>
#include <winternl.h>

namespace s::reg::win {

/// The process-wide binding of the native registry API that RegDir works through.
///
/// `ensureLoaded` binds once per process, thread-safely, whatever the outcome; RegDir's
/// constructor calls it. After that the bound functions and the root paths are only read, from any
/// thread. When binding failed, `isLoaded` answers false and every registry operation of RegDir
/// fails without effect.
///
/// Texts are UTF-16; capacities of `sidToText` are bytes.
class CNtRegistry {
 public:
  using NtOpenKeyFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
  using NtCreateKeyFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG,
                                               PUNICODE_STRING, ULONG, PULONG);
  using NtHandleFunction = NTSTATUS(NTAPI*)(HANDLE);
  using NtRenameKeyFunction = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING);
  using NtEnumerateKeyFunction = NTSTATUS(NTAPI*)(HANDLE, ULONG, KEY_INFORMATION_CLASS, PVOID,
                                                  ULONG, PULONG);
  using NtEnumerateValueKeyFunction = NTSTATUS(NTAPI*)(HANDLE, ULONG, KEY_VALUE_INFORMATION_CLASS,
                                                       PVOID, ULONG, PULONG);
  using NtQueryValueKeyFunction = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING,
                                                   KEY_VALUE_INFORMATION_CLASS, PVOID, ULONG,
                                                   PULONG);
  using NtSetValueKeyFunction = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID,
                                                 ULONG);
  using NtDeleteValueKeyFunction = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING);
  using RtlInitUnicodeStringFunction = void(NTAPI*)(PUNICODE_STRING, PCWSTR);

  /// The entry points the registry classes call. Binding also requires the other native entry
  /// points of the registry API, which nothing here calls.
  struct Functions {
    NtOpenKeyFunction openKey = nullptr;
    NtCreateKeyFunction createKey = nullptr;
    NtHandleFunction close = nullptr;
    NtHandleFunction deleteKey = nullptr;
    NtHandleFunction flushKey = nullptr;
    NtRenameKeyFunction renameKey = nullptr;
    NtEnumerateKeyFunction enumerateKey = nullptr;
    NtEnumerateValueKeyFunction enumerateValueKey = nullptr;
    NtQueryValueKeyFunction queryValueKey = nullptr;
    NtSetValueKeyFunction setValueKey = nullptr;
    NtDeleteValueKeyFunction deleteValueKey = nullptr;
    RtlInitUnicodeStringFunction initUnicodeString = nullptr;
  };

  /// Runs `loadFunctions` the first time it is called in the process and answers its outcome,
  /// then and ever after.
  static bool ensureLoaded();
  /// Requires the NT platform, loads "ntdll.dll", binds every entry point (the first one missing
  /// ends with false, nothing bound), then builds the current user's root path from the SID.
  /// Binding failures show nothing; failures reading the SID show a message.
  static bool loadFunctions();
  /// Whether the functions are bound.
  static bool isLoaded();
  /// The bound functions (all null while `isLoaded` is false).
  static const Functions& functions();
  /// Binds every required entry point of `module` into `out`; false at the first one missing,
  /// with `out` left untouched.
  static bool bindFunctions(HMODULE module, Functions& out);

  /// "Error( code [0xCODEL] ) - " followed by the system's text for the code, or by
  /// "No NT Error Data was returned??" when it has none. A new pooled text; the caller releases it.
  static str::strbuffer::StrBuffer* formatErrorText(DWORD code);
  /// Shows `text` in an error message box without owner, caption "CNtRegistry: Message...", and
  /// releases the text. Without a window system the message goes to the standard error stream.
  static void showMessage(str::strbuffer::StrBuffer* text);
  /// Reads the process user's SID into the SID text; the text is "Error" until that succeeded.
  /// Failures are shown with `showMessage` and answer false.
  static bool getCurrentUserSidText();
  /// The SID as its standard text ("S-1-5-21-...") into `text`, whose capacity in bytes is
  /// `*capacity`. An invalid SID answers false; a capacity below 56 + 24 bytes per sub-authority
  /// answers false with the needed capacity in `*capacity` and ERROR_INSUFFICIENT_BUFFER.
  static bool sidToText(PSID sid, WCHAR* text, DWORD* capacity);
  /// The SID text: empty before `getCurrentUserSidText`, "Error" when it failed.
  static const WCHAR* getSidText();

  /// The name ("HKEY_CURRENT_USER") and native root path ("\Registry\User\S-...") of a
  /// predefined key; null for any other key value. The current user's path is
  /// "\Registry\Machine" until the functions are loaded.
  static const WCHAR* getRootName(HKEY root);
  static const WCHAR* getRootPath(HKEY root);
};

}  // namespace s::reg::win
