// The framework's window and painting classes: CWnd over a window handle, device contexts
// (CDC, CPaintDC, CClientDC, CWindowDC), GDI objects (CFont, CPen, CBrush, CRgn, CBitmap), and
// the thread starter AfxBeginThread, and CPoint. Included by <afxwin.h>.
// Left out on purpose: message maps (classes override WindowProc), dialog templates and
// document/view; wrappers of calls nothing uses.
#pragma once

#include <windows.h>

#include <afx.h>

class CWinThread;

typedef UINT (*AFX_THREADPROC)(LPVOID);

/// A point with the framework's constructors.
class CPoint : public POINT {
 public:
  CPoint() : POINT{0, 0} {}
  CPoint(int x, int y) : POINT{x, y} {}
  CPoint(POINT p) : POINT(p) {}  // NOLINT: converts as the framework's does
  bool operator==(const POINT& o) const { return x == o.x && y == o.y; }
  bool operator!=(const POINT& o) const { return !(*this == o); }
};

/// Starts a framework thread of a class derived from CWinThread, made from its run-time class:
/// the new thread runs InitInstance, then Run when it answered TRUE, else ExitInstance. With
/// m_bAutoDelete (the default) the object deletes itself when its thread ends. Null when the
/// class cannot be made or the thread cannot start.
CWinThread* AfxBeginThread(const CRuntimeClass* threadClass, int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
/// Starts a worker thread that runs proc(param); its result is the thread's exit code.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);

/// A window object. Windows made by Create/CreateEx, or attached with Attach/SubclassWindow, are
/// permanent: FromHandle finds their object, and their messages go through WindowProc. Objects
/// that FromHandle makes for other windows are temporary and go at the thread's next idle time.
/// A window object is used on the thread that owns its window.
class CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)
 public:
  CWnd() = default;
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  operator HWND() const { return m_hWnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }

  static CWnd* FromHandle(HWND hwnd);
  static CWnd* FromHandlePermanent(HWND hwnd);
  BOOL Attach(HWND hwnd);
  HWND Detach();
  /// Routes an existing window's messages through this object (and its WindowProc).
  BOOL SubclassWindow(HWND hwnd);
  HWND UnsubclassWindow();

  virtual BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                        int height, HWND parent, HMENU menuOrId, LPVOID param = nullptr);
  BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                UINT id, LPVOID param = nullptr);
  virtual BOOL Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                      LPVOID param = nullptr);
  virtual BOOL DestroyWindow();

  /// Every message of the window: the base hands it to DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  /// The window's procedure before it was subclassed (its class procedure), or DefWindowProcW.
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  /// Offered every message of the thread's loop that is for this window or one of its
  /// children, before dispatching; TRUE takes it. The base takes none.
  virtual BOOL PreTranslateMessage(MSG* msg);
  /// Called after the window's last message (WM_NCDESTROY); the object is detached by then.
  virtual void PostNcDestroy();

  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
  static BOOL ModifyStyle(HWND hwnd, DWORD remove, DWORD add, UINT flags);
  static BOOL ModifyStyleEx(HWND hwnd, DWORD remove, DWORD add, UINT flags);
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
  }
  BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
  BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
    return ::SetWindowPos(m_hWnd, insertAfter == nullptr ? nullptr : insertAfter->m_hWnd, x, y, cx, cy, flags);
  }
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) {
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
  }
  void MoveWindow(const RECT* rect, BOOL repaint = TRUE) {
    MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
  }
  void GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
  void GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
  void ClientToScreen(LPPOINT point) const { ::ClientToScreen(m_hWnd, point); }
  void ClientToScreen(LPRECT rect) const { ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(rect), 2); }
  void ScreenToClient(LPPOINT point) const { ::ScreenToClient(m_hWnd, point); }
  void ScreenToClient(LPRECT rect) const { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(rect), 2); }
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  void InvalidateRect(const RECT* rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
  BOOL RedrawWindow(const RECT* rect = nullptr, HRGN region = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
    return ::RedrawWindow(m_hWnd, rect, region, flags);
  }
  void SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }
  int GetWindowText(LPWSTR text, int maxCount) const { return ::GetWindowTextW(m_hWnd, text, maxCount); }
  int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
  CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
  CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) { return ::SetTimer(m_hWnd, id, elapse, proc); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  HDC GetDC() { return ::GetDC(m_hWnd); }
  HDC GetWindowDC() { return ::GetWindowDC(m_hWnd); }
  int ReleaseDC(HDC dc) { return ::ReleaseDC(m_hWnd, dc); }
  void DragAcceptFiles(BOOL accept = TRUE) { ::DragAcceptFiles(m_hWnd, accept); }
  int SetWindowRgn(HRGN region, BOOL redraw) { return ::SetWindowRgn(m_hWnd, region, redraw); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

 protected:
  WNDPROC m_pfnSuper = nullptr;

 private:
  friend struct CWndAccess;
};

/// A GDI object held by handle. The object deletes its GDI object when it is destroyed, unless
/// it was detached; objects FromHandle makes are temporary and never delete theirs.
class CGdiObject : public CObject {
  DECLARE_DYNAMIC(CGdiObject)
 public:
  CGdiObject() = default;
  ~CGdiObject() override;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;
  operator HGDIOBJ() const { return m_hObject; }
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  static CGdiObject* FromHandle(HGDIOBJ object);
  BOOL Attach(HGDIOBJ object);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  int GetObject(int size, LPVOID buffer) const { return ::GetObjectW(m_hObject, size, buffer); }
};

class CPen : public CGdiObject {
  DECLARE_DYNAMIC(CPen)
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  BOOL CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
  static CPen* FromHandle(HPEN pen) { return static_cast<CPen*>(CGdiObject::FromHandle(pen)); }
};

class CBrush : public CGdiObject {
  DECLARE_DYNAMIC(CBrush)
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  static CBrush* FromHandle(HBRUSH brush) { return static_cast<CBrush*>(CGdiObject::FromHandle(brush)); }
};

class CFont : public CGdiObject {
  DECLARE_DYNAMIC(CFont)
 public:
  BOOL CreateFontIndirect(const LOGFONTW* font) { return Attach(::CreateFontIndirectW(font)); }
  /// A font of pointSize tenths of a point, measured at the DC's vertical resolution (96 dots
  /// per inch without a DC).
  BOOL CreatePointFont(int pointSize, LPCWSTR faceName, class CDC* dc = nullptr);
  BOOL CreatePointFontIndirect(const LOGFONTW* font, class CDC* dc = nullptr);
  int GetLogFont(LOGFONTW* font) const { return GetObject(sizeof(LOGFONTW), font); }
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  static CFont* FromHandle(HFONT font) { return static_cast<CFont*>(CGdiObject::FromHandle(font)); }
};

class CBitmap : public CGdiObject {
  DECLARE_DYNAMIC(CBitmap)
 public:
  BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  static CBitmap* FromHandle(HBITMAP bitmap) { return static_cast<CBitmap*>(CGdiObject::FromHandle(bitmap)); }
};

class CRgn : public CGdiObject {
  DECLARE_DYNAMIC(CRgn)
 public:
  BOOL CreateRectRgn(int left, int top, int right, int bottom) {
    return Attach(::CreateRectRgn(left, top, right, bottom));
  }
  BOOL CreateRectRgnIndirect(const RECT* rect) { return Attach(::CreateRectRgnIndirect(rect)); }
  BOOL CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
    return Attach(::CreateRoundRectRgn(left, top, right, bottom, width, height));
  }
  BOOL CreateEllipticRgn(int left, int top, int right, int bottom) {
    return Attach(::CreateEllipticRgn(left, top, right, bottom));
  }
  int CombineRgn(const CRgn* a, const CRgn* b, int mode) {
    return ::CombineRgn(static_cast<HRGN>(m_hObject), a != nullptr ? static_cast<HRGN>(a->m_hObject) : nullptr,
                        b != nullptr ? static_cast<HRGN>(b->m_hObject) : nullptr, mode);
  }
  BOOL PtInRegion(int x, int y) const { return ::PtInRegion(static_cast<HRGN>(m_hObject), x, y); }
  int OffsetRgn(int dx, int dy) { return ::OffsetRgn(static_cast<HRGN>(m_hObject), dx, dy); }
  operator HRGN() const { return static_cast<HRGN>(m_hObject); }
  static CRgn* FromHandle(HRGN region) { return static_cast<CRgn*>(CGdiObject::FromHandle(region)); }
};

/// A device context held by handle. A CDC deletes a DC it created (CreateCompatibleDC) when it
/// is destroyed; attached DCs are only detached. m_hAttribDC is the same DC: queries and
/// output both go to m_hDC.
class CDC : public CObject {
  DECLARE_DYNAMIC(CDC)
 public:
  CDC() = default;
  ~CDC() override;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;
  operator HDC() const { return m_hDC; }
  HDC GetSafeHdc() const { return m_hDC; }
  static CDC* FromHandle(HDC dc);
  BOOL Attach(HDC dc);
  HDC Detach();
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();

  CGdiObject* SelectObject(CGdiObject* object);
  CPen* SelectObject(CPen* pen) { return static_cast<CPen*>(SelectObject(static_cast<CGdiObject*>(pen))); }
  CBrush* SelectObject(CBrush* brush) { return static_cast<CBrush*>(SelectObject(static_cast<CGdiObject*>(brush))); }
  CFont* SelectObject(CFont* font) { return static_cast<CFont*>(SelectObject(static_cast<CGdiObject*>(font))); }
  CBitmap* SelectObject(CBitmap* bitmap) {
    return static_cast<CBitmap*>(SelectObject(static_cast<CGdiObject*>(bitmap)));
  }
  HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
  CGdiObject* SelectStockObject(int index) {
    return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(index)));
  }
  int SelectClipRgn(CRgn* region) {
    return ::SelectClipRgn(m_hDC, region != nullptr ? static_cast<HRGN>(region->m_hObject) : nullptr);
  }

  int SaveDC() { return ::SaveDC(m_hDC); }
  BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }
  COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
  COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
  COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
  COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
  int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }
  int GetStretchBltMode() const { return ::GetStretchBltMode(m_hDC); }
  POINT SetViewportOrg(int x, int y) {
    POINT old{};
    ::SetViewportOrgEx(m_hDC, x, y, &old);
    return old;
  }
  int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }

  // Printing: every DC of the layer answers SP_ERROR, as none is a printer DC.
  int StartDoc(LPDOCINFOW document) { return ::StartDocW(m_hDC, document); }
  int StartDoc(LPCWSTR name) {
    DOCINFOW document{static_cast<int>(sizeof(DOCINFOW)), name, nullptr, nullptr, 0};
    return ::StartDocW(m_hDC, &document);
  }
  int StartPage() { return ::StartPage(m_hDC); }
  int EndPage() { return ::EndPage(m_hDC); }
  int EndDoc() { return ::EndDoc(m_hDC); }
  int AbortDoc() { return ::AbortDoc(m_hDC); }

  /// SetBkColor and an ETO_OPAQUE ExtTextOutW: the solid-rectangle fill. The background colour
  /// is left as given.
  void FillSolidRect(const RECT* rect, COLORREF color);
  void FillSolidRect(int x, int y, int width, int height, COLORREF color);
  void FillRect(const RECT* rect, CBrush* brush) { ::FillRect(m_hDC, rect, static_cast<HBRUSH>(brush->m_hObject)); }
  void FrameRect(const RECT* rect, CBrush* brush) { ::FrameRect(m_hDC, rect, static_cast<HBRUSH>(brush->m_hObject)); }
  void DrawFocusRect(const RECT* rect) { ::DrawFocusRect(m_hDC, rect); }
  BOOL DrawEdge(LPRECT rect, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, rect, edge, flags); }
  BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
  BOOL Rectangle(const RECT* rect) { return Rectangle(rect->left, rect->top, rect->right, rect->bottom); }
  BOOL Ellipse(int l, int t, int r, int b) { return ::Ellipse(m_hDC, l, t, r, b); }
  BOOL Ellipse(const RECT* rect) { return Ellipse(rect->left, rect->top, rect->right, rect->bottom); }
  BOOL RoundRect(int l, int t, int r, int b, int w, int h) { return ::RoundRect(m_hDC, l, t, r, b, w, h); }
  BOOL FillRgn(CRgn* region, CBrush* brush) {
    return ::FillRgn(m_hDC, static_cast<HRGN>(region->m_hObject), static_cast<HBRUSH>(brush->m_hObject));
  }
  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sourceX, int sourceY, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, width, height, source != nullptr ? source->m_hDC : nullptr, sourceX, sourceY, rop);
  }
  BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int sourceX, int sourceY, int sourceWidth,
                  int sourceHeight, DWORD rop) {
    return ::StretchBlt(m_hDC, x, y, width, height, source != nullptr ? source->m_hDC : nullptr, sourceX, sourceY,
                        sourceWidth, sourceHeight, rop);
  }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
  COLORREF SetPixel(int x, int y, COLORREF color) { return ::SetPixel(m_hDC, x, y, color); }

  int ExcludeClipRect(int l, int t, int r, int b) { return ::ExcludeClipRect(m_hDC, l, t, r, b); }
  int ExcludeClipRect(const RECT* rect) { return ExcludeClipRect(rect->left, rect->top, rect->right, rect->bottom); }
  int IntersectClipRect(int l, int t, int r, int b) { return ::IntersectClipRect(m_hDC, l, t, r, b); }
  int GetClipBox(LPRECT rect) const { return ::GetClipBox(m_hDC, rect); }
  // Output and visibility queries act on the DC itself.
  virtual BOOL PtVisible(int x, int y) const { return ::PtVisible(m_hDC, x, y); }
  virtual BOOL RectVisible(const RECT* rect) const { return ::RectVisible(m_hDC, rect); }
  virtual BOOL TextOut(int x, int y, LPCWSTR text, int count) { return ::TextOutW(m_hDC, x, y, text, count); }
  virtual BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx) {
    return ::ExtTextOutW(m_hDC, x, y, options, rect, text, count, dx);
  }
  virtual SIZE TabbedTextOut(int x, int y, LPCWSTR text, int count, int tabCount, const INT* tabStops, int tabOrigin);
  virtual int DrawText(LPCWSTR text, int count, LPRECT rect, UINT format) {
    return ::DrawTextW(m_hDC, text, count, rect, format);
  }
  virtual int DrawTextEx(LPWSTR text, int count, LPRECT rect, UINT format, LPDRAWTEXTPARAMS params) {
    return ::DrawTextExW(m_hDC, text, count, rect, format, params);
  }
  virtual BOOL GrayString(CBrush* brush, GRAYSTRINGPROC output, LPARAM data, int count, int x, int y, int width,
                          int height) {
    return ::GrayStringW(m_hDC, brush != nullptr ? static_cast<HBRUSH>(brush->m_hObject) : nullptr, output, data, count,
                         x, y, width, height);
  }
  virtual int Escape(int escape, int inputSize, LPCSTR input, LPVOID output) {
    return ::Escape(m_hDC, escape, inputSize, input, output);
  }
  SIZE GetTextExtent(LPCWSTR text, int count) const;
  BOOL GetTextMetrics(LPTEXTMETRICW metrics) const { return ::GetTextMetricsW(m_hDC, metrics); }

 protected:
  bool m_owned = false;  // made by CreateCompatibleDC: deleted with the object
};

/// BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC : public CDC {
  DECLARE_DYNAMIC(CPaintDC)
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps{};

 protected:
  HWND m_hWnd;
};

/// GetDC in the constructor, ReleaseDC in the destructor.
class CClientDC : public CDC {
  DECLARE_DYNAMIC(CClientDC)
 public:
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;

 protected:
  HWND m_hWnd;
};

/// GetWindowDC in the constructor, ReleaseDC in the destructor.
class CWindowDC : public CDC {
  DECLARE_DYNAMIC(CWindowDC)
 public:
  explicit CWindowDC(CWnd* wnd);
  ~CWindowDC() override;

 protected:
  HWND m_hWnd;
};

/// The system combo box ("ComboBox") under an object: Create makes it a child of `parent`; the
/// other members are the CB_* messages by name, answering as the messages do (CB_ERR for a bad
/// index).
class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)
 public:
  CComboBox() = default;
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  int AddString(LPCWSTR text) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  int InsertString(int index, LPCWSTR text) {
    return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  }
  int DeleteString(UINT index) { return static_cast<int>(SendMessage(CB_DELETESTRING, index)); }
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int GetCount() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0)); }
  int GetCurSel() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0)); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
  DWORD_PTR GetItemData(int index) const {
    return static_cast<DWORD_PTR>(::SendMessageW(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
  }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  int GetLBText(int index, LPWSTR text) const {
    return static_cast<int>(
        ::SendMessageW(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  }
  int GetLBTextLen(int index) const {
    return static_cast<int>(::SendMessageW(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
  }
  int GetItemHeight(int index) const {
    return static_cast<int>(::SendMessageW(m_hWnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(index), 0));
  }
  int SetItemHeight(int index, UINT height) {
    return static_cast<int>(SendMessage(CB_SETITEMHEIGHT, static_cast<WPARAM>(index), MAKELPARAM(height, 0)));
  }
  int GetDroppedWidth() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETDROPPEDWIDTH, 0, 0)); }
  int SetDroppedWidth(UINT width) { return static_cast<int>(SendMessage(CB_SETDROPPEDWIDTH, width)); }
  int GetTopIndex() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETTOPINDEX, 0, 0)); }
  int SetTopIndex(int index) { return static_cast<int>(SendMessage(CB_SETTOPINDEX, static_cast<WPARAM>(index))); }
  void ShowDropDown(BOOL show = TRUE) { SendMessage(CB_SHOWDROPDOWN, show); }
  BOOL GetDroppedState() const { return static_cast<BOOL>(::SendMessageW(m_hWnd, CB_GETDROPPEDSTATE, 0, 0)); }
  void GetDroppedControlRect(LPRECT rect) const {
    ::SendMessageW(m_hWnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(rect));
  }
  BOOL SetMinVisibleItems(int count) {
    return static_cast<BOOL>(SendMessage(CB_SETMINVISIBLE, static_cast<WPARAM>(count)));
  }
  int GetMinVisible() const { return static_cast<int>(::SendMessageW(m_hWnd, CB_GETMINVISIBLE, 0, 0)); }
  BOOL GetComboBoxInfo(PCOMBOBOXINFO info) const { return ::GetComboBoxInfo(m_hWnd, info); }
};
