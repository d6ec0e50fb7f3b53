// Token privileges.
// Status: LookupPrivilegeValueW (the standard names, local system), AdjustTokenPrivileges.
// Left out on purpose: granting anything. A process here holds no Windows privileges, so an
// adjustment enables nothing and says so (ERROR_NOT_ALL_ASSIGNED); nothing in the layer shuts the
// machine down or reads files past their permissions.
#include <windows.h>

#include "winapi/base/ascii.h"
#include "winapi/base/handle.h"

#include <winseam.h>

#include <atomic>
#include <cstring>
#include <string_view>

namespace winapi {
// Defined in token.cpp: the access the token was opened with, or false for no token.
bool tokenAccess(HANDLE token, DWORD* access);
}  // namespace winapi

namespace {

// clang-format off
constexpr struct {
  std::u16string_view name;
  DWORD number;
} kPrivileges[] = {
    {u"SeCreateTokenPrivilege", 2},      {u"SeAssignPrimaryTokenPrivilege", 3},
    {u"SeLockMemoryPrivilege", 4},       {u"SeIncreaseQuotaPrivilege", 5},
    {u"SeMachineAccountPrivilege", 6},   {u"SeTcbPrivilege", 7},
    {u"SeSecurityPrivilege", 8},         {u"SeTakeOwnershipPrivilege", 9},
    {u"SeLoadDriverPrivilege", 10},      {u"SeSystemProfilePrivilege", 11},
    {u"SeSystemtimePrivilege", 12},      {u"SeProfileSingleProcessPrivilege", 13},
    {u"SeIncreaseBasePriorityPrivilege", 14}, {u"SeCreatePagefilePrivilege", 15},
    {u"SeCreatePermanentPrivilege", 16}, {u"SeBackupPrivilege", 17},
    {u"SeRestorePrivilege", 18},         {u"SeShutdownPrivilege", 19},
    {u"SeDebugPrivilege", 20},           {u"SeAuditPrivilege", 21},
    {u"SeSystemEnvironmentPrivilege", 22}, {u"SeChangeNotifyPrivilege", 23},
    {u"SeRemoteShutdownPrivilege", 24},  {u"SeUndockPrivilege", 25},
    {u"SeSyncAgentPrivilege", 26},       {u"SeEnableDelegationPrivilege", 27},
    {u"SeManageVolumePrivilege", 28},    {u"SeImpersonatePrivilege", 29},
    {u"SeCreateGlobalPrivilege", 30},    {u"SeTrustedCredManAccessPrivilege", 31},
    {u"SeRelabelPrivilege", 32},         {u"SeIncreaseWorkingSetPrivilege", 33},
    {u"SeTimeZonePrivilege", 34},        {u"SeCreateSymbolicLinkPrivilege", 35},
};
// clang-format on

BOOL WINAPI realAdjustTokenPrivileges(HANDLE token, BOOL, PTOKEN_PRIVILEGES newState, DWORD bufferLength,
                                      PTOKEN_PRIVILEGES previousState, PDWORD returnLength) {
  DWORD access = 0;
  if (!winapi::tokenAccess(token, &access)) return FALSE;  // ERROR_INVALID_HANDLE is set
  if ((access & TOKEN_ADJUST_PRIVILEGES) == 0 || (previousState != nullptr && (access & TOKEN_QUERY) == 0)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (newState == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (previousState != nullptr) {
    // Nothing changed, so the previous state lists no privilege.
    if (returnLength == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    *returnLength = sizeof(DWORD);
    if (bufferLength < sizeof(DWORD)) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    previousState->PrivilegeCount = 0;
  }
  SetLastError(newState->PrivilegeCount == 0 ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
  return TRUE;
}

std::atomic<winapi::seam::AdjustTokenPrivilegesFunction> s_adjust{&realAdjustTokenPrivileges};

}  // namespace

namespace winapi::seam {
AdjustTokenPrivilegesFunction replaceAdjustTokenPrivileges(AdjustTokenPrivilegesFunction replacement) {
  return s_adjust.exchange(replacement != nullptr ? replacement : &realAdjustTokenPrivileges);
}
}  // namespace winapi::seam

extern "C" BOOL WINAPI LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, PLUID luid) {
  if (name == nullptr || luid == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (systemName != nullptr && systemName[0] != 0) {
    SetLastError(ERROR_BAD_NETPATH);  // no other systems are reachable
    return FALSE;
  }
  for (const auto& privilege : kPrivileges) {
    if (winapi::ascii::equalsIgnoreCase(privilege.name, name)) {
      luid->LowPart = privilege.number;
      luid->HighPart = 0;
      return TRUE;
    }
  }
  SetLastError(ERROR_NO_SUCH_PRIVILEGE);
  return FALSE;
}

extern "C" BOOL WINAPI AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState,
                                             DWORD bufferLength, PTOKEN_PRIVILEGES previousState, PDWORD returnLength) {
  return s_adjust.load()(token, disableAll, newState, bufferLength, previousState, returnLength);
}
