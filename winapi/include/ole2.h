// OLE's per-thread initialisation and the process's COM security settings. The layer runs no
// COM server and marshals no interfaces between processes; these calls keep the counts and the
// answers that callers test.
#pragma once

#include <winnt.h>
#include <windef.h>
#include <winerror.h>

// Authentication levels and impersonation levels of CoInitializeSecurity.
#define RPC_C_AUTHN_LEVEL_DEFAULT 0
#define RPC_C_AUTHN_LEVEL_NONE 1
#define RPC_C_AUTHN_LEVEL_CONNECT 2
#define RPC_C_AUTHN_LEVEL_CALL 3
#define RPC_C_AUTHN_LEVEL_PKT 4
#define RPC_C_AUTHN_LEVEL_PKT_INTEGRITY 5
#define RPC_C_AUTHN_LEVEL_PKT_PRIVACY 6
#define RPC_C_IMP_LEVEL_DEFAULT 0
#define RPC_C_IMP_LEVEL_ANONYMOUS 1
#define RPC_C_IMP_LEVEL_IDENTIFY 2
#define RPC_C_IMP_LEVEL_IMPERSONATE 3
#define RPC_C_IMP_LEVEL_DELEGATE 4
// Capabilities.
#define EOAC_NONE 0x0

#ifdef __cplusplus
extern "C" {
#endif

/// S_OK for a thread's first call, S_FALSE for each further one; each success needs its
/// OleUninitialize. The reserved argument must be null (E_INVALIDARG otherwise).
HRESULT WINAPI OleInitialize(LPVOID reserved);
void WINAPI OleUninitialize(void);

/// The process's security settings: S_OK for the first call in the process, RPC_E_TOO_LATE for
/// every later one (the first call wins).
HRESULT WINAPI CoInitializeSecurity(PVOID securityDescriptor, LONG authServiceCount, PVOID authServices,
                                    PVOID reserved1, DWORD authnLevel, DWORD impLevel, PVOID authList,
                                    DWORD capabilities, PVOID reserved3);

#ifdef __cplusplus
}
#endif
