// The framework's CEdit: creation and the selection calls that need more than one message.
#include <afxwin.h>

IMPLEMENT_DYNAMIC(CEdit, CWnd)

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(u"Edit", nullptr, style, rect, parent, id);
}

void CEdit::SetSel(int start, int end, BOOL noScroll) {
  ::SendMessageW(m_hWnd, EM_SETSEL, static_cast<WPARAM>(start), end);
  if (!noScroll) ::SendMessageW(m_hWnd, EM_SCROLLCARET, 0, 0);
}

void CEdit::GetSel(int& start, int& end) const {
  DWORD a = 0, b = 0;
  ::SendMessageW(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  start = static_cast<int>(a);
  end = static_cast<int>(b);
}
