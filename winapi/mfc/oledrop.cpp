// The framework's drop target and data object over the layer's RegisterDragDrop and IDataObject.
#include <afxole.h>

#include <cstring>

namespace {

FORMATETC contentIn(CLIPFORMAT format, LPFORMATETC given) {
  if (given != nullptr) return *given;
  return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// Only effects the source allows count; scrolling is the target's own business.
DROPEFFECT allowedOnly(DROPEFFECT chosen, DWORD allowed) {
  return (chosen & DROPEFFECT_SCROLL) | (chosen & allowed & ~DROPEFFECT_SCROLL);
}

}  // namespace

void COleDataObject::Attach(LPDATAOBJECT dataObject, BOOL autoRelease) {
  Release();
  m_lpDataObject = dataObject;
  m_bAutoRelease = autoRelease;
}

LPDATAOBJECT COleDataObject::Detach() {
  LPDATAOBJECT d = m_lpDataObject;
  m_lpDataObject = nullptr;
  return d;
}

void COleDataObject::Release() {
  if (m_lpDataObject != nullptr && m_bAutoRelease) m_lpDataObject->Release();
  m_lpDataObject = nullptr;
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT format, LPFORMATETC formatEtc) {
  if (m_lpDataObject == nullptr) return FALSE;
  FORMATETC f = contentIn(format, formatEtc);
  return m_lpDataObject->QueryGetData(&f) == S_OK ? TRUE : FALSE;
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT format, LPFORMATETC formatEtc) {
  if (m_lpDataObject == nullptr) return nullptr;
  FORMATETC f = contentIn(format, formatEtc);
  STGMEDIUM medium{};
  if (FAILED(m_lpDataObject->GetData(&f, &medium))) return nullptr;
  if (medium.tymed != TYMED_HGLOBAL) {
    ReleaseStgMedium(&medium);
    return nullptr;
  }
  if (medium.pUnkForRelease == nullptr) return medium.hGlobal;
  // A block the data object keeps for itself: the caller gets a copy it may free.
  SIZE_T size = GlobalSize(medium.hGlobal);
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (copy != nullptr && size > 0) {
    const void* from = GlobalLock(medium.hGlobal);
    void* to = GlobalLock(copy);
    if (from != nullptr && to != nullptr) std::memcpy(to, from, size);
    GlobalUnlock(copy);
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return copy;
}

COleDropTarget::COleDropTarget() { m_xDropTarget.owner = this; }

COleDropTarget::~COleDropTarget() { Revoke(); }

BOOL COleDropTarget::Register(CWnd* wnd) {
  if (wnd == nullptr || m_hWnd != nullptr) return FALSE;
  if (FAILED(RegisterDragDrop(wnd->m_hWnd, &m_xDropTarget))) return FALSE;
  m_hWnd = wnd->m_hWnd;
  return TRUE;
}

void COleDropTarget::Revoke() {
  if (m_hWnd == nullptr) return;
  // A window already destroyed took its registration with it.
  RevokeDragDrop(m_hWnd);
  m_hWnd = nullptr;
  m_dataObject.Release();
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
void COleDropTarget::OnDragLeave(CWnd*) {}
BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }

CPoint COleDropTarget::clientPoint(POINTL screen) const {
  POINT p{screen.x, screen.y};
  ::ScreenToClient(m_hWnd, &p);
  return CPoint(p);
}

HRESULT COleDropTarget::Interface::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDropTarget) {
    *object = static_cast<IDropTarget*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The target lives as long as its owner says, not as long as it is referenced.
ULONG COleDropTarget::Interface::AddRef() { return 1; }
ULONG COleDropTarget::Interface::Release() { return 1; }

HRESULT COleDropTarget::Interface::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
  if (effect == nullptr) return E_INVALIDARG;
  COleDropTarget& t = *owner;
  if (t.m_hWnd == nullptr) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  if (data != nullptr) data->AddRef();
  t.m_dataObject.Attach(data, TRUE);
  t.m_allowed = *effect;
  *effect = allowedOnly(t.OnDragEnter(CWnd::FromHandle(t.m_hWnd), &t.m_dataObject, keyState, t.clientPoint(point)),
                        t.m_allowed);
  return S_OK;
}

HRESULT COleDropTarget::Interface::DragOver(DWORD keyState, POINTL point, DWORD* effect) {
  if (effect == nullptr) return E_INVALIDARG;
  COleDropTarget& t = *owner;
  if (t.m_hWnd == nullptr) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  t.m_allowed = *effect;
  *effect = allowedOnly(t.OnDragOver(CWnd::FromHandle(t.m_hWnd), &t.m_dataObject, keyState, t.clientPoint(point)),
                        t.m_allowed);
  return S_OK;
}

HRESULT COleDropTarget::Interface::DragLeave() {
  COleDropTarget& t = *owner;
  if (t.m_hWnd != nullptr) t.OnDragLeave(CWnd::FromHandle(t.m_hWnd));
  t.m_dataObject.Release();
  return S_OK;
}

HRESULT COleDropTarget::Interface::Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
  if (effect == nullptr) return E_INVALIDARG;
  COleDropTarget& t = *owner;
  t.m_dataObject.Release();
  if (t.m_hWnd == nullptr) {
    *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  CWnd* wnd = CWnd::FromHandle(t.m_hWnd);
  COleDataObject dropped;
  dropped.Attach(data, FALSE);
  CPoint at = t.clientPoint(point);
  DWORD allowed = *effect;
  DROPEFFECT chosen = allowedOnly(t.OnDragOver(wnd, &dropped, keyState, at), allowed) & ~DROPEFFECT_SCROLL;
  if (chosen == DROPEFFECT_NONE) {
    t.OnDragLeave(wnd);
  } else if (!t.OnDrop(wnd, &dropped, chosen, at)) {
    chosen = DROPEFFECT_NONE;
  }
  *effect = chosen;
  return S_OK;
}
