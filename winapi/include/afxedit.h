// The framework's class over the layer's single-line "Edit" control. Included by <afxwin.h>.
#pragma once

#include <afxwindow.h>

/// An "Edit" control. Used on the thread that owns the window, as every CWnd. Positions are
/// UTF-16 units from the start of the text.
class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)
 public:
  // The window form of Create stays callable beside the control form.
  using CWnd::Create;
  /// Creates the control as a child of `parent` with the given ES_* and WS_* style.
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetSel(int start, int end, BOOL noScroll = FALSE);
  void GetSel(int& start, int& end) const;
  DWORD GetSel() const { return static_cast<DWORD>(::SendMessageW(m_hWnd, EM_GETSEL, 0, 0)); }
  void ReplaceSel(LPCWSTR text, BOOL canUndo = FALSE) {
    ::SendMessageW(m_hWnd, EM_REPLACESEL, static_cast<WPARAM>(canUndo), reinterpret_cast<LPARAM>(text));
  }
  void SetLimitText(UINT units) { ::SendMessageW(m_hWnd, EM_LIMITTEXT, units, 0); }
  void LimitText(int units = 0) { ::SendMessageW(m_hWnd, EM_LIMITTEXT, static_cast<WPARAM>(units), 0); }
  UINT GetLimitText() const { return static_cast<UINT>(::SendMessageW(m_hWnd, EM_GETLIMITTEXT, 0, 0)); }
  BOOL SetReadOnly(BOOL readOnly = TRUE) {
    return static_cast<BOOL>(::SendMessageW(m_hWnd, EM_SETREADONLY, static_cast<WPARAM>(readOnly), 0));
  }
  void SetPasswordChar(WCHAR ch) { ::SendMessageW(m_hWnd, EM_SETPASSWORDCHAR, ch, 0); }
  WCHAR GetPasswordChar() const { return static_cast<WCHAR>(::SendMessageW(m_hWnd, EM_GETPASSWORDCHAR, 0, 0)); }
  BOOL GetModify() const { return static_cast<BOOL>(::SendMessageW(m_hWnd, EM_GETMODIFY, 0, 0)); }
  void SetModify(BOOL modified = TRUE) { ::SendMessageW(m_hWnd, EM_SETMODIFY, static_cast<WPARAM>(modified), 0); }
  BOOL CanUndo() const { return static_cast<BOOL>(::SendMessageW(m_hWnd, EM_CANUNDO, 0, 0)); }
  BOOL Undo() { return static_cast<BOOL>(::SendMessageW(m_hWnd, EM_UNDO, 0, 0)); }
  void EmptyUndoBuffer() { ::SendMessageW(m_hWnd, EM_EMPTYUNDOBUFFER, 0, 0); }
  void Cut() { ::SendMessageW(m_hWnd, WM_CUT, 0, 0); }
  void Copy() { ::SendMessageW(m_hWnd, WM_COPY, 0, 0); }
  void Paste() { ::SendMessageW(m_hWnd, WM_PASTE, 0, 0); }
  void Clear() { ::SendMessageW(m_hWnd, WM_CLEAR, 0, 0); }
};
