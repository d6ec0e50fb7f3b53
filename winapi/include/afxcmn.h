// The framework's classes over the common controls: the progress bar and the track bar.
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

/// A "msctls_trackbar32" control. Its calls are messages sent to the control.
class CSliderCtrl : public CWnd {
  DECLARE_DYNAMIC(CSliderCtrl)
 public:
  using CWnd::Create;
  /// Creates the control (initialising the bar classes first) with the given TBS_* and WS_*
  /// style.
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  /// Both bounds, then a repaint when asked.
  void SetRange(int minimum, int maximum, BOOL redraw = FALSE) {
    ::SendMessageW(m_hWnd, TBM_SETRANGEMIN, FALSE, minimum);
    ::SendMessageW(m_hWnd, TBM_SETRANGEMAX, redraw, maximum);
  }
  void GetRange(int& minimum, int& maximum) const {
    minimum = GetRangeMin();
    maximum = GetRangeMax();
  }
  void SetRangeMin(int minimum, BOOL redraw = FALSE) { ::SendMessageW(m_hWnd, TBM_SETRANGEMIN, redraw, minimum); }
  void SetRangeMax(int maximum, BOOL redraw = FALSE) { ::SendMessageW(m_hWnd, TBM_SETRANGEMAX, redraw, maximum); }
  int GetRangeMin() const { return static_cast<int>(::SendMessageW(m_hWnd, TBM_GETRANGEMIN, 0, 0)); }
  int GetRangeMax() const { return static_cast<int>(::SendMessageW(m_hWnd, TBM_GETRANGEMAX, 0, 0)); }
  int GetPos() const { return static_cast<int>(::SendMessageW(m_hWnd, TBM_GETPOS, 0, 0)); }
  void SetPos(int pos) { ::SendMessageW(m_hWnd, TBM_SETPOS, TRUE, pos); }
  BOOL SetTicFreq(int frequency) {
    ::SendMessageW(m_hWnd, TBM_SETTICFREQ, static_cast<WPARAM>(frequency), 0);
    return TRUE;
  }
  /// Each answers the previous size.
  int SetPageSize(int size) { return static_cast<int>(::SendMessageW(m_hWnd, TBM_SETPAGESIZE, 0, size)); }
  int GetPageSize() const { return static_cast<int>(::SendMessageW(m_hWnd, TBM_GETPAGESIZE, 0, 0)); }
  int SetLineSize(int size) { return static_cast<int>(::SendMessageW(m_hWnd, TBM_SETLINESIZE, 0, size)); }
  int GetLineSize() const { return static_cast<int>(::SendMessageW(m_hWnd, TBM_GETLINESIZE, 0, 0)); }
  void SetThumbLength(int length) { ::SendMessageW(m_hWnd, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(length), 0); }
  int GetThumbLength() const { return static_cast<int>(::SendMessageW(m_hWnd, TBM_GETTHUMBLENGTH, 0, 0)); }
  void GetChannelRect(LPRECT rect) const {
    ::SendMessageW(m_hWnd, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(rect));
  }
  void GetThumbRect(LPRECT rect) const { ::SendMessageW(m_hWnd, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(rect)); }
};
