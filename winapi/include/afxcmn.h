// The framework's classes over the common controls: the progress bar.
#pragma once

#include <afxwin.h>
#include <commctrl.h>

/// A "msctls_progress32" control. Its calls are messages sent to the control, so another thread
/// may call them and waits for the control's thread to answer.
class CProgressCtrl : public CWnd {
  DECLARE_DYNAMIC(CProgressCtrl)
 public:
  // The window form of Create stays callable beside the control form.
  using CWnd::Create;
  /// Creates the control (initialising the progress class first) with the given PBS_* and WS_*
  /// style.
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetRange32(int lower, int upper) { ::SendMessageW(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  void GetRange(int& lower, int& upper) const {
    PBRANGE range{0, 0};
    ::SendMessageW(m_hWnd, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    lower = range.iLow;
    upper = range.iHigh;
  }
  /// Each answers the previous position (or step, or colour).
  int SetPos(int pos) { return static_cast<int>(::SendMessageW(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(pos), 0)); }
  int GetPos() const { return static_cast<int>(::SendMessageW(m_hWnd, PBM_GETPOS, 0, 0)); }
  int OffsetPos(int delta) {
    return static_cast<int>(::SendMessageW(m_hWnd, PBM_DELTAPOS, static_cast<WPARAM>(delta), 0));
  }
  int SetStep(int step) { return static_cast<int>(::SendMessageW(m_hWnd, PBM_SETSTEP, static_cast<WPARAM>(step), 0)); }
  int StepIt() { return static_cast<int>(::SendMessageW(m_hWnd, PBM_STEPIT, 0, 0)); }
  COLORREF SetBarColor(COLORREF color) {
    return static_cast<COLORREF>(::SendMessageW(m_hWnd, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(color)));
  }
  COLORREF SetBkColor(COLORREF color) {
    return static_cast<COLORREF>(::SendMessageW(m_hWnd, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(color)));
  }
};
