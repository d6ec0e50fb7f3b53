// The URL moniker's two downloads into files, with the bind-status callback that reports their
// progress and can end them.
#pragma once

#include <objbase.h>

#define INET_E_INVALID_URL ((HRESULT)0x800C0002L)
#define INET_E_NO_SESSION ((HRESULT)0x800C0003L)
#define INET_E_CANNOT_CONNECT ((HRESULT)0x800C0004L)
#define INET_E_RESOURCE_NOT_FOUND ((HRESULT)0x800C0005L)
#define INET_E_OBJECT_NOT_FOUND ((HRESULT)0x800C0006L)
#define INET_E_DATA_NOT_AVAILABLE ((HRESULT)0x800C0007L)
#define INET_E_DOWNLOAD_FAILURE ((HRESULT)0x800C0008L)
#define INET_E_CONNECTION_TIMEOUT ((HRESULT)0x800C000BL)
#define INET_E_UNKNOWN_PROTOCOL ((HRESULT)0x800C000DL)

typedef enum tagBINDSTATUS {
  BINDSTATUS_FINDINGRESOURCE = 1,
  BINDSTATUS_CONNECTING = 2,
  BINDSTATUS_REDIRECTING = 3,
  BINDSTATUS_BEGINDOWNLOADDATA = 4,
  BINDSTATUS_DOWNLOADINGDATA = 5,
  BINDSTATUS_ENDDOWNLOADDATA = 6,
} BINDSTATUS;

#ifdef __cplusplus

// Declared for the callback's signatures (FORMATETC and STGMEDIUM come from objbase.h); the
// layer hands none of them out.
struct IBinding;
struct BINDINFO;

struct IBindStatusCallback : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                               LPCWSTR statusText) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) = 0;
};
typedef IBindStatusCallback* LPBINDSTATUSCALLBACK;

extern "C" {
extern const IID IID_IBindStatusCallback;

// Both download on the calling thread and report to the callback (when given) only through
// OnProgress: BEGINDOWNLOADDATA with the first bytes, DOWNLOADINGDATA as more arrive,
// ENDDOWNLOADDATA at the end (the maximum is 0 while the length is unknown). An answer of
// E_ABORT ends the download with E_ABORT; the callback's other answers are not looked at.
// Results: S_OK; INET_E_RESOURCE_NOT_FOUND (unknown host, 404, 410); INET_E_CANNOT_CONNECT;
// INET_E_CONNECTION_TIMEOUT (30 s to connect, 60 s without data); INET_E_UNKNOWN_PROTOCOL;
// INET_E_DOWNLOAD_FAILURE (any other status outside 2xx, a broken transfer, a file that cannot
// be written); E_ABORT. A failed download leaves no file behind.

// The body replaces `fileName` once it is whole; a symbolic link there is replaced, not followed.
HRESULT WINAPI URLDownloadToFileW(LPUNKNOWN caller, LPCWSTR url, LPCWSTR fileName, DWORD reserved,
                                  LPBINDSTATUSCALLBACK callback);
// The body goes into a new file of its own in $XDG_CACHE_HOME/lumetra/inetcache/ (folders made
// with mode 0700), whose Z:\ path is written into `fileName` (E_OUTOFMEMORY and no file when it
// does not fit `fileNameSize` units with the terminator). The caller deletes the file.
HRESULT WINAPI URLDownloadToCacheFileW(LPUNKNOWN caller, LPCWSTR url, LPWSTR fileName, DWORD fileNameSize,
                                       DWORD reserved, LPBINDSTATUSCALLBACK callback);
}

#endif
