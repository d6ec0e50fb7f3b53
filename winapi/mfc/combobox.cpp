// CComboBox: the system combo box under a framework object.
#include <afxwin.h>

IMPLEMENT_DYNAMIC(CComboBox, CWnd)

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(u"ComboBox", nullptr, style, rect, parent, id);
}
