// The process token, as far as the layer knows one: the process runs as one user, whose SID the
// token reports. Status: OpenProcessToken (current process only), GetTokenInformation (TokenUser).
// Left out on purpose: groups, privileges and the other information classes, which nothing asks.
#include <windows.h>

#include "winapi/advapi32/sid.h"

#include <cstddef>
#include <cstring>

namespace {

// GetCurrentProcess() answers this pseudo handle on Windows.
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
// The token of the current process is a pseudo handle too, as GetCurrentProcessToken's is on
// Windows: it needs no table, and closing it does nothing.
const HANDLE kCurrentProcessToken = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4));

DWORD sidSize(const SID* sid) {
  return static_cast<DWORD>(offsetof(SID, SubAuthority) + sizeof(DWORD) * sid->SubAuthorityCount);
}

}  // namespace

extern "C" BOOL WINAPI OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
  (void)access;  // the process's own token grants its owner every right
  if (token == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (process != kCurrentProcess) {
    // Other processes' tokens are not reachable from here.
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  *token = kCurrentProcessToken;
  return TRUE;
}

extern "C" BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass,
                                           LPVOID info, DWORD length, PDWORD returnLength) {
  if (token != kCurrentProcessToken) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (returnLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (infoClass != TokenUser) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  const SID* sid = winapi::currentUserSid();
  DWORD needed = static_cast<DWORD>(sizeof(TOKEN_USER)) + sidSize(sid);
  *returnLength = needed;
  if (info == nullptr || length < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  // The SID follows the record in the caller's buffer, which the record points into.
  auto* user = static_cast<TOKEN_USER*>(info);
  BYTE* sidCopy = static_cast<BYTE*>(info) + sizeof(TOKEN_USER);
  std::memcpy(sidCopy, sid, sidSize(sid));
  user->User.Sid = sidCopy;
  user->User.Attributes = 0;
  return TRUE;
}
