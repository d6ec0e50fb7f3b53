// The framework's control classes: creation of CButton, CStatic, CProgressCtrl and CSliderCtrl
// windows and the button's measuring.
#include <afxcmn.h>
#include <afxwin.h>

IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)
IMPLEMENT_DYNAMIC(CSliderCtrl, CWnd)

BOOL CButton::Create(LPCWSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(u"Button", caption, style, rect, parent, id);
}

BOOL CButton::GetIdealSize(SIZE* size) const {
  return static_cast<BOOL>(::SendMessageW(m_hWnd, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(size)));
}

BOOL CStatic::Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(u"Static", text, style, rect, parent, id);
}

BOOL CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  INITCOMMONCONTROLSEX init{sizeof init, ICC_PROGRESS_CLASS};
  if (!InitCommonControlsEx(&init)) return FALSE;
  return CWnd::Create(PROGRESS_CLASSW, nullptr, style, rect, parent, id);
}

BOOL CSliderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
  if (!InitCommonControlsEx(&init)) return FALSE;
  return CWnd::Create(TRACKBAR_CLASSW, nullptr, style, rect, parent, id);
}
