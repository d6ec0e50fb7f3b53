// Security identifiers and the process token, as far as the layer answers them: the process runs
// as one user whose SID is synthesised from the POSIX user id, S-1-5-21-0-0-0-<uid>.
#pragma once

#include <winnt.h>
#include <windef.h>
#include <winreg.h>

typedef struct _SID_IDENTIFIER_AUTHORITY {
  BYTE Value[6];  // big-endian 48-bit number
} SID_IDENTIFIER_AUTHORITY, *PSID_IDENTIFIER_AUTHORITY;

#define SID_REVISION 1
#define SID_MAX_SUB_AUTHORITIES 15
#define SECURITY_NT_AUTHORITY \
  {                           \
    { 0, 0, 0, 0, 0, 5 }      \
  }
#define SECURITY_NT_NON_UNIQUE 21

typedef struct _SID {
  BYTE Revision;
  BYTE SubAuthorityCount;
  SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
  DWORD SubAuthority[1];  // SubAuthorityCount of them
} SID, *PISID;
typedef PVOID PSID;

typedef struct _SID_AND_ATTRIBUTES {
  PSID Sid;
  DWORD Attributes;
} SID_AND_ATTRIBUTES, *PSID_AND_ATTRIBUTES;

typedef struct _TOKEN_USER {
  SID_AND_ATTRIBUTES User;
} TOKEN_USER, *PTOKEN_USER;

typedef enum _TOKEN_INFORMATION_CLASS {
  TokenUser = 1,
  TokenGroups,
  TokenPrivileges,
  TokenOwner,
  TokenPrimaryGroup,
  TokenDefaultDacl,
  TokenSource,
  TokenType,
  TokenImpersonationLevel,
  TokenStatistics,
  TokenRestrictedSids,
  TokenSessionId,
  TokenGroupsAndPrivileges,
  TokenSessionReference,
  TokenSandBoxInert,
  TokenAuditPolicy,
  TokenOrigin,
  TokenElevationType,
  TokenLinkedToken,
  TokenElevation,
  MaxTokenInfoClass = 29
} TOKEN_INFORMATION_CLASS,
    *PTOKEN_INFORMATION_CLASS;

#define TOKEN_ASSIGN_PRIMARY 0x0001
#define TOKEN_DUPLICATE 0x0002
#define TOKEN_IMPERSONATE 0x0004
#define TOKEN_QUERY 0x0008
#define TOKEN_QUERY_SOURCE 0x0010
#define TOKEN_ADJUST_PRIVILEGES 0x0020
#define TOKEN_ADJUST_GROUPS 0x0040
#define TOKEN_ADJUST_DEFAULT 0x0080
#define TOKEN_ADJUST_SESSIONID 0x0100
#define TOKEN_ALL_ACCESS 0x000F01FFL

// Privileges: locally unique numbers, as Windows numbers the standard ones.
typedef struct _LUID {
  DWORD LowPart;
  LONG HighPart;
} LUID, *PLUID;

typedef struct _LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes;
} LUID_AND_ATTRIBUTES;

typedef struct _TOKEN_PRIVILEGES {
  DWORD PrivilegeCount;
  LUID_AND_ATTRIBUTES Privileges[1];
} TOKEN_PRIVILEGES, *PTOKEN_PRIVILEGES;

#define SE_PRIVILEGE_ENABLED_BY_DEFAULT 0x00000001L
#define SE_PRIVILEGE_ENABLED 0x00000002L
#define SE_PRIVILEGE_REMOVED 0x00000004L

#ifdef __cplusplus
extern "C" {
#endif

// The token of a process; only the current process (GetCurrentProcess()) can be opened. The
// handle is closed with CloseHandle.
BOOL WINAPI OpenProcessToken(HANDLE process, DWORD access, PHANDLE token);
// The standard privilege names ("SeShutdownPrivilege", "SeBackupPrivilege", ...) with their Windows
// numbers; any other name fails with ERROR_NO_SUCH_PRIVILEGE. Only the local system is known.
BOOL WINAPI LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, PLUID luid);
// The process holds no privileges: nothing is enabled, and the call answers TRUE with
// ERROR_NOT_ALL_ASSIGNED, as Windows does for a token that lacks them.
BOOL WINAPI AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD bufferLength,
                                  PTOKEN_PRIVILEGES previousState, PDWORD returnLength);
// TokenUser only: a TOKEN_USER followed by the SID it points at. A buffer too small for that
// fails with ERROR_INSUFFICIENT_BUFFER and the needed size in *returnLength.
BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info, DWORD length,
                                PDWORD returnLength);

BOOL WINAPI IsValidSid(PSID sid);
PSID_IDENTIFIER_AUTHORITY WINAPI GetSidIdentifierAuthority(PSID sid);
UCHAR* WINAPI GetSidSubAuthorityCount(PSID sid);
PDWORD WINAPI GetSidSubAuthority(PSID sid, DWORD index);

#ifdef __cplusplus
}
#endif
