// The framework's classes over the layer's "Button" and "Static" controls. Included by
// <afxwin.h>.
#pragma once

#include <afxwindow.h>

/// A "Button" control (push button, check box, radio button, group box). Used on the thread
/// that owns the window, as every CWnd.
class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)
 public:
  // The window form of Create stays callable beside the control form.
  using CWnd::Create;
  /// Creates the control as a child of `parent` with the given BS_* and WS_* style.
  BOOL Create(LPCWSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int GetCheck() const { return static_cast<int>(::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0)); }
  void SetCheck(int check) { ::SendMessageW(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(check), 0); }
  UINT GetState() const { return static_cast<UINT>(::SendMessageW(m_hWnd, BM_GETSTATE, 0, 0)); }
  void SetState(BOOL highlight) { ::SendMessageW(m_hWnd, BM_SETSTATE, static_cast<WPARAM>(highlight), 0); }
  /// The low word of the window style: the BS_* kind and flags.
  UINT GetButtonStyle() const { return static_cast<UINT>(GetStyle() & 0xFFFF); }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) {
    ::SendMessageW(m_hWnd, BM_SETSTYLE, style, static_cast<LPARAM>(redraw));
  }
  /// The size that fits the text; `size->cx` may name a width to wrap within (BS_MULTILINE).
  BOOL GetIdealSize(SIZE* size) const;
};

/// A "Static" text control.
class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)
 public:
  // The window form of Create stays callable beside the control form.
  using CWnd::Create;
  BOOL Create(LPCWSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
};
