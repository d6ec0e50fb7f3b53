// OLE's per-thread initialisation, the process's COM security settings, and drag and drop:
// drop targets registered for windows, and the media their data comes in. The layer runs no
// COM server and marshals no interfaces between processes; these calls keep the counts and the
// answers that callers test.
#pragma once

#include <winnt.h>
#include <windef.h>
#include <winerror.h>
#include <objbase.h>

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

// What a drop would do, as the target answers and the source allows.
typedef DWORD DROPEFFECT;
#define DROPEFFECT_NONE 0
#define DROPEFFECT_COPY 1
#define DROPEFFECT_MOVE 2
#define DROPEFFECT_LINK 4
#define DROPEFFECT_SCROLL 0x80000000

#define DRAGDROP_E_NOTREGISTERED ((HRESULT)0x80040100L)
#define DRAGDROP_E_ALREADYREGISTERED ((HRESULT)0x80040101L)
#define DRAGDROP_E_INVALIDHWND ((HRESULT)0x80040102L)

typedef struct _POINTL {
  LONG x;
  LONG y;
} POINTL;

#ifdef __cplusplus

/// A window's drop target. Its calls run on the thread of the window it was registered for, in
/// the order DragEnter, any number of DragOver, then DragLeave or Drop; points are on the screen,
/// keyState holds MK_* flags, and *effect comes in as the effects the source allows and goes out
/// as the one the target would take (DROPEFFECT_NONE: refused).
struct IDropTarget : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) = 0;
  virtual HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) = 0;
  virtual HRESULT STDMETHODCALLTYPE DragLeave() = 0;
  virtual HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) = 0;
};
typedef IDropTarget* LPDROPTARGET;

extern "C" {
extern const IID IID_IDropTarget;
}

#endif

#ifdef __cplusplus
extern "C" {
#endif

/// A drop target for a window: drags over it or over a child without a target of its own go to
/// it. The call holds a reference until RevokeDragDrop or the window's end. OLE must be
/// initialised on the calling thread (E_OUTOFMEMORY otherwise, as Windows answers); a second
/// registration answers DRAGDROP_E_ALREADYREGISTERED, a bad window DRAGDROP_E_INVALIDHWND.
HRESULT WINAPI RegisterDragDrop(HWND hwnd, LPDROPTARGET target);
/// DRAGDROP_E_NOTREGISTERED for a window without a target, DRAGDROP_E_INVALIDHWND for a bad one.
HRESULT WINAPI RevokeDragDrop(HWND hwnd);
/// Frees what a medium holds: through pUnkForRelease when it is set, else the global memory
/// itself (TYMED_HGLOBAL); the medium becomes TYMED_NULL.
void WINAPI ReleaseStgMedium(LPSTGMEDIUM medium);

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
