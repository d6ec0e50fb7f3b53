// The native registry binding, the root paths and the SID text of the current user.
#include "platform/reg/win/CNtRegistry.h"

#include "core/col/array/ArrayU08.h"
#include "core/system/win/DllLocater.h"
#include "platform/system/win/OsVersion.h"

#include <crtwchar.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <type_traits>

namespace s::reg::win {

using str::strbuffer::StrBuffer;

namespace {

// Every entry point binding requires, in the order it binds them; a missing one ends binding.
constexpr const char* kRequired[] = {
    "NtOpenThread", "NtCreateKey", "NtOpenKey", "NtFlushKey", "NtDeleteKey", "NtQueryKey",
    "NtEnumerateKey", "NtClose", "NtSetValueKey", "NtSetInformationKey", "NtQueryValueKey",
    "NtEnumerateValueKey", "NtDeleteValueKey", "NtRenameKey", "NtQueryMultipleValueKey",
    "NtNotifyChangeKey", "NtCreateFile", "RtlAllocateHeap", "RtlFreeHeap", "NtRestoreKey",
    "NtSaveKey", "NtLoadKey", "NtLoadKey2", "NtReplaceKey", "NtUnloadKey",
    // The counted-string helpers.
    "RtlInitString", "RtlInitAnsiString", "RtlInitUnicodeString", "RtlAnsiStringToUnicodeString",
    "RtlUnicodeStringToAnsiString", "RtlFreeAnsiString", "RtlFreeUnicodeString"};

// Written once by the first successful load, under the load lock, before `s_loaded` is set.
CNtRegistry::Functions s_functions;
std::atomic<bool> s_loaded{false};

std::mutex& loadLock() {
  static std::mutex* const s_lock = new std::mutex();
  return *s_lock;
}

// The ntdll module, loaded once into its holder and kept until the process ends (the holder is
// never given back: registry calls may still run on other threads while the process exits).
HMODULE ntdllModule() {
  static system::win::DllLocater* const s_holder = [] {
    system::win::DllLocater* holder = system::win::DllLocater::take();
    if (holder != nullptr) holder->load(u"ntdll.dll");
    return holder;
  }();
  return s_holder != nullptr ? s_holder->getModule() : nullptr;
}

// "S-1-" up to 14 units of authority and "-" plus 10 digits per sub-authority fit in 128 units.
constexpr DWORD kSidTextBytes = 256;
WCHAR s_sidText[kSidTextBytes / sizeof(WCHAR)] = {};

// "\Registry\User\" and the SID text.
WCHAR s_currentUserPath[16 + kSidTextBytes / sizeof(WCHAR)] = u"\\Registry\\Machine";

struct Root {
  HKEY key;
  const WCHAR* name;
  const WCHAR* path;
};

const Root kRoots[] = {
    {HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT", u"\\Registry\\Machine\\SOFTWARE\\Classes"},
    {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER", s_currentUserPath},
    {HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE", u"\\Registry\\Machine"},
    {HKEY_USERS, u"HKEY_USERS", u"\\Registry\\User"},
    {HKEY_CURRENT_CONFIG, u"HKEY_CURRENT_CONFIG",
     u"\\Registry\\Machine\\System\\CurrentControlSet\\Hardware Profiles\\Current"},
};

const Root* findRoot(HKEY key) {
  for (const Root& root : kRoots) {
    if (root.key == key) {
      return &root;
    }
  }
  return nullptr;
}

// The error text of the last error, shown to the user.
void showLastError() { CNtRegistry::showMessage(CNtRegistry::formatErrorText(GetLastError())); }

}  // namespace

bool CNtRegistry::ensureLoaded() {
  static const bool s_outcome = loadFunctions();
  return s_outcome;
}

bool CNtRegistry::isLoaded() { return s_loaded.load(std::memory_order_acquire); }

const CNtRegistry::Functions& CNtRegistry::functions() {
  static const Functions s_none;
  return isLoaded() ? s_functions : s_none;
}

bool CNtRegistry::bindFunctions(HMODULE module, Functions& out) {
  if (module == nullptr) {
    return false;
  }
  for (const char* name : kRequired) {
    if (GetProcAddress(module, name) == nullptr) {
      return false;
    }
  }
  auto bind = [module](auto& function, const char* name) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
        reinterpret_cast<void*>(GetProcAddress(module, name)));
  };
  bind(out.openKey, "NtOpenKey");
  bind(out.createKey, "NtCreateKey");
  bind(out.close, "NtClose");
  bind(out.deleteKey, "NtDeleteKey");
  bind(out.flushKey, "NtFlushKey");
  bind(out.renameKey, "NtRenameKey");
  bind(out.enumerateKey, "NtEnumerateKey");
  bind(out.enumerateValueKey, "NtEnumerateValueKey");
  bind(out.queryValueKey, "NtQueryValueKey");
  bind(out.setValueKey, "NtSetValueKey");
  bind(out.deleteValueKey, "NtDeleteValueKey");
  bind(out.initUnicodeString, "RtlInitUnicodeString");
  return true;
}

bool CNtRegistry::loadFunctions() {
  if (!system::win::osQueried) {
    system::win::queryWindowsVersion();
  }
  if (!system::win::osIsNt) {
    return false;
  }
  std::lock_guard<std::mutex> guard(loadLock());
  if (isLoaded()) {
    return true;
  }
  Functions bound;
  if (!bindFunctions(ntdllModule(), bound)) {
    return false;
  }
  getCurrentUserSidText();
  swprintf(s_currentUserPath, sizeof(s_currentUserPath) / sizeof(WCHAR), u"\\Registry\\User\\%s",
           s_sidText);
  s_functions = bound;
  s_loaded.store(true, std::memory_order_release);
  return true;
}

StrBuffer* CNtRegistry::formatErrorText(DWORD code) {
  StrBuffer* text = StrBuffer::take();
  HMODULE ntdll = LoadLibraryW(u"NTDLL.DLL");
  WCHAR* message = nullptr;
  const DWORD units = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      ntdll, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&message), 0,
      nullptr);
  WCHAR head[64];
  swprintf(head, 64, u"Error( %u [0x%8XL] ) - ", code, code);
  text->assign(head);
  if (units != 0 && message != nullptr) {
    // The system's texts end with a line end, which the message box does not want. Only line-end
    // units are dropped, so a short text without one stays whole.
    uint32_t length = units;
    for (int i = 0;
         i < 2 && length != 0 && (message[length - 1] == u'\n' || message[length - 1] == u'\r');
         ++i) {
      --length;
    }
    text->appendChars(message, static_cast<int32_t>(length));
  } else {
    text->append(u"No NT Error Data was returned??");
  }
  if (message != nullptr) {
    LocalFree(message);
  }
  if (ntdll != nullptr) {
    FreeLibrary(ntdll);
  }
  return text;
}

void CNtRegistry::showMessage(StrBuffer* text) {
  if (text == nullptr) {
    return;
  }
  static const WCHAR kCaption[] = u"CNtRegistry: Message...";
  // The message box lives in the window system, which sits above this library; it is found by
  // name so the registry works in programs without one.
  using MessageBoxFunction = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
  constexpr UINT kIconError = 0x10;  // MB_ICONERROR
  static const MessageBoxFunction s_messageBox = [] {
    HMODULE user32 = LoadLibraryW(u"user32.dll");
    return user32 == nullptr ? nullptr
                             : reinterpret_cast<MessageBoxFunction>(
                                   reinterpret_cast<void*>(GetProcAddress(user32, "MessageBoxW")));
  }();
  if (s_messageBox != nullptr) {
    s_messageBox(nullptr, text->getCStr(), kCaption, kIconError);
  } else {
    StrBuffer* line = StrBuffer::take();
    line->assign(kCaption);
    line->append(u" ")->appendStr(text)->append(u"\n");
    col::_array::ArrayU08* bytes = line->encodeUtf8();
    std::fwrite(bytes->getItems(), 1, bytes->getCount(), stderr);
    bytes->release();
    line->release();
  }
  text->release();
}

bool CNtRegistry::getCurrentUserSidText() {
  swprintf(s_sidText, sizeof(s_sidText) / sizeof(WCHAR), u"Error");
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    showLastError();
    return false;
  }
  bool done = false;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  auto* user = static_cast<TOKEN_USER*>(size == 0 ? nullptr : std::malloc(size));
  if (user == nullptr || !GetTokenInformation(token, TokenUser, user, size, &size)) {
    if (user == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    showLastError();
  } else {
    WCHAR converted[kSidTextBytes / sizeof(WCHAR)];
    DWORD capacity = kSidTextBytes;
    if (sidToText(user->User.Sid, converted, &capacity)) {
      std::memcpy(s_sidText, converted, sizeof(converted));
      done = true;
    } else {
      showLastError();
    }
  }
  CloseHandle(token);
  std::free(user);
  return done;
}

bool CNtRegistry::sidToText(PSID sid, WCHAR* text, DWORD* capacity) {
  if (sid == nullptr || !IsValidSid(sid) || text == nullptr || capacity == nullptr) {
    return false;
  }
  const DWORD count = *GetSidSubAuthorityCount(sid);
  const DWORD needed = 56 + 24 * count;
  if (*capacity < needed) {
    *capacity = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  const size_t units = *capacity / sizeof(WCHAR);
  const BYTE* authority = GetSidIdentifierAuthority(sid)->Value;
  int at = swprintf(text, units, u"S-%lu-", static_cast<ULONG>(SID_REVISION));
  if (authority[0] != 0 || authority[1] != 0) {
    at += swprintf(text + at, units - at, u"0x%02hx%02hx%02hx%02hx%02hx%02hx",
                   static_cast<USHORT>(authority[0]), static_cast<USHORT>(authority[1]),
                   static_cast<USHORT>(authority[2]), static_cast<USHORT>(authority[3]),
                   static_cast<USHORT>(authority[4]), static_cast<USHORT>(authority[5]));
  } else {
    const ULONG value = static_cast<ULONG>(authority[5]) | (static_cast<ULONG>(authority[4]) << 8) |
                        (static_cast<ULONG>(authority[3]) << 16) |
                        (static_cast<ULONG>(authority[2]) << 24);
    at += swprintf(text + at, units - at, u"%lu", value);
  }
  for (DWORD i = 0; i < count; ++i) {
    at += swprintf(text + at, units - at, u"-%lu", static_cast<ULONG>(*GetSidSubAuthority(sid, i)));
  }
  return true;
}

const WCHAR* CNtRegistry::getSidText() { return s_sidText; }

const WCHAR* CNtRegistry::getRootName(HKEY root) {
  const Root* found = findRoot(root);
  return found == nullptr ? nullptr : found->name;
}

const WCHAR* CNtRegistry::getRootPath(HKEY root) {
  const Root* found = findRoot(root);
  return found == nullptr ? nullptr : found->path;
}

}  // namespace s::reg::win
