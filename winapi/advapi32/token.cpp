// The process token, as far as the layer knows one: the process runs as one user, whose SID the
// token reports. Status: OpenProcessToken (current process only), GetTokenInformation (TokenUser).
// Left out on purpose: groups and the other information classes, which nothing asks (privileges:
// privilege.cpp).
#include <windows.h>

#include "winapi/base/debug.h"
#include "winapi/base/handle.h"
#include "winapi/ntdll/sid.h"

#include <cstddef>
#include <cstring>
#include <memory>

namespace {

// An open token of the current process; CloseHandle closes it.
class Token : public winapi::KernelObject {
 public:
  explicit Token(DWORD access) : m_access(access) {}
  DWORD access() const { return m_access; }

 private:
  DWORD m_access;
};

DWORD sidSize(const SID* sid) {
  return static_cast<DWORD>(offsetof(SID, SubAuthority) + sizeof(DWORD) * sid->SubAuthorityCount);
}

}  // namespace

extern "C" BOOL WINAPI OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
  if (token == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (process != GetCurrentProcess()) {
    // Other processes' tokens are not reachable from here.
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  *token = winapi::insertHandle(std::make_shared<Token>(access));
  return TRUE;
}

extern "C" BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD length,
                                           PDWORD returnLength) {
  std::shared_ptr<Token> object = winapi::lookupHandleAs<Token>(token);
  if (object == nullptr) return FALSE;  // ERROR_INVALID_HANDLE is set
  if ((object->access() & TOKEN_QUERY) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (returnLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (infoClass != TokenUser) {
    FIXME(Advapi32, "information class %d is not supported", static_cast<int>(infoClass));
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

namespace winapi {

bool tokenAccess(HANDLE token, DWORD* access) {
  std::shared_ptr<Token> object = winapi::lookupHandleAs<Token>(token);
  if (object == nullptr) return false;
  *access = object->access();
  return true;
}

}  // namespace winapi
