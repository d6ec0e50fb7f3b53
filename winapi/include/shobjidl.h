// The taskbar list interfaces: a window's button in the taskbar, with its progress display.
// The layer has no taskbar, so no class implements them: CoCreateInstance of CLSID_TaskbarList
// answers REGDB_E_CLASSNOTREG, and callers take their road for a system without one.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

// Progress states of SetProgressState.
typedef enum TBPFLAG {
  TBPF_NOPROGRESS = 0x0,
  TBPF_INDETERMINATE = 0x1,
  TBPF_NORMAL = 0x2,
  TBPF_ERROR = 0x4,
  TBPF_PAUSED = 0x8,
} TBPFLAG;

struct _IMAGELIST;
typedef struct _IMAGELIST* HIMAGELIST;
struct THUMBBUTTON;
typedef struct THUMBBUTTON* LPTHUMBBUTTON;

struct ITaskbarList : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE HrInit() = 0;
  virtual HRESULT STDMETHODCALLTYPE AddTab(HWND window) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteTab(HWND window) = 0;
  virtual HRESULT STDMETHODCALLTYPE ActivateTab(HWND window) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND window) = 0;
};

struct ITaskbarList2 : ITaskbarList {
  virtual HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND window, BOOL fullscreen) = 0;
};

struct ITaskbarList3 : ITaskbarList2 {
  virtual HRESULT STDMETHODCALLTYPE SetProgressValue(HWND window, ULONGLONG completed, ULONGLONG total) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetProgressState(HWND window, TBPFLAG flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE RegisterTab(HWND tab, HWND mdi) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnregisterTab(HWND tab) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTabOrder(HWND tab, HWND insertBefore) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTabActive(HWND tab, HWND mdi, DWORD reserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND window, UINT count, LPTHUMBBUTTON buttons) = 0;
  virtual HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND window, UINT count, LPTHUMBBUTTON buttons) = 0;
  virtual HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND window, HIMAGELIST images) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND window, HICON icon, LPCWSTR description) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND window, LPCWSTR tip) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND window, RECT* clip) = 0;
};

extern "C" {
extern const CLSID CLSID_TaskbarList;
extern const IID IID_ITaskbarList;
extern const IID IID_ITaskbarList3;
}
