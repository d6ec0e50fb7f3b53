// The framework's drag and drop: a window's drop target (COleDropTarget), whose handlers hear a
// drag in the window's client coordinates, and the data a drag carries (COleDataObject).
// Left out: dragging out of the program (COleDataSource), drag scrolling and OnDropEx.
#pragma once

#include <windows.h>
#include <afxwin.h>
#include <afxdisp.h>
#include <ole2.h>

/// A data object seen through the framework. Attach with autoRelease gives the object the
/// reference, which goes with Release, Attach of another or the object's end.
class COleDataObject {
 public:
  COleDataObject() = default;
  ~COleDataObject() { Release(); }
  COleDataObject(const COleDataObject&) = delete;
  COleDataObject& operator=(const COleDataObject&) = delete;

  void Attach(LPDATAOBJECT dataObject, BOOL autoRelease = TRUE);
  LPDATAOBJECT Detach();
  void Release();

  /// Whether the data comes in this format in global memory (formatEtc: null for the content
  /// in global memory).
  BOOL IsDataAvailable(CLIPFORMAT format, LPFORMATETC formatEtc = nullptr);
  /// The data in this format in a global block that the caller owns (GlobalFree); null when the
  /// data is not available.
  HGLOBAL GetGlobalData(CLIPFORMAT format, LPFORMATETC formatEtc = nullptr);

 private:
  LPDATAOBJECT m_lpDataObject = nullptr;
  BOOL m_bAutoRelease = TRUE;
};

/// A drop target for one window. The handlers run on the window's thread; a point is in the
/// window's client coordinates and keyState holds MK_* flags. The base handlers refuse every
/// drag. At a drop the target is asked OnDragOver once more: an effect refused there makes the
/// drop a leave (OnDragLeave), else OnDrop takes the data, and its FALSE refuses the drop.
/// Effects the source does not allow are refused. The object is not counted: its owner keeps it
/// alive at least until Revoke, which its destruction calls.
class COleDropTarget : public CCmdTarget {
 public:
  COleDropTarget();
  ~COleDropTarget() override;
  COleDropTarget(const COleDropTarget&) = delete;
  COleDropTarget& operator=(const COleDropTarget&) = delete;

  /// Registers the target for the window: FALSE when it is registered already (this target or
  /// another), for a window that is none, or on a thread without OLE.
  BOOL Register(CWnd* wnd);
  /// Ends the registration; harmless when there is none.
  virtual void Revoke();

  virtual DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* dataObject, DWORD keyState, CPoint point);
  virtual DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* dataObject, DWORD keyState, CPoint point);
  virtual void OnDragLeave(CWnd* wnd);
  virtual BOOL OnDrop(CWnd* wnd, COleDataObject* dataObject, DROPEFFECT dropEffect, CPoint point);

 protected:
  HWND m_hWnd = nullptr;  // the registered window

 private:
  // The interface the layer calls; it hands every call to the handlers above.
  struct Interface : IDropTarget {
    COleDropTarget* owner = nullptr;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
  };
  CPoint clientPoint(POINTL screen) const;

  Interface m_xDropTarget;
  COleDataObject m_dataObject;  // the data of the drag between its enter and its leave or drop
  DWORD m_allowed = DROPEFFECT_NONE;
};
