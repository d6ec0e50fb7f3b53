// Conformance of the framework's window classes: CWnd creation and subclassing, style changes,
// the thread loop with PreTranslateMessage, AfxBeginThread UI threads, and the DC and GDI
// object wrappers.
#include <afxwin.h>

#include <gtest/gtest.h>

#include "testlib/Wait.h"

#include <atomic>
#include <string>
#include <vector>

namespace {

class RecordingWnd : public CWnd {
 public:
  std::vector<UINT> seen;
  bool destroyedAfter = false;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    if (message == WM_USER + 5) return 99;
    return CWnd::WindowProc(message, wParam, lParam);
  }
  void PostNcDestroy() override { destroyedAfter = m_hWnd == nullptr; }
};

LRESULT CALLBACK classProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 6) return 66;  // only the class procedure knows this one
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void registerClass() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = classProc;
  wc.lpszClassName = u"FrameworkTest";
  RegisterClassExW(&wc);
  done = true;
}

bool contains(const std::vector<UINT>& list, UINT message) {
  return std::find(list.begin(), list.end(), message) != list.end();
}

TEST(FrameworkWindow, CreateExRoutesEveryMessageThroughWindowProc) {
  registerClass();
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, u"FrameworkTest", u"framework", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
  ASSERT_NE(wnd.m_hWnd, nullptr);
  ASSERT_FALSE(wnd.seen.empty());
  EXPECT_EQ(wnd.seen.front(), static_cast<UINT>(WM_GETMINMAXINFO)) << "the object sees the window's first message";
  EXPECT_TRUE(contains(wnd.seen, WM_NCCREATE));
  EXPECT_TRUE(contains(wnd.seen, WM_CREATE));
  EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
  EXPECT_EQ(CWnd::FromHandle(wnd.m_hWnd), &wnd);
  EXPECT_EQ(wnd.SendMessage(WM_USER + 5), 99);
  EXPECT_EQ(wnd.SendMessage(WM_USER + 6), 66) << "DefWindowProc reaches the class procedure";
  HWND hwnd = wnd.m_hWnd;
  EXPECT_TRUE(wnd.DestroyWindow());
  EXPECT_TRUE(wnd.destroyedAfter);
  EXPECT_EQ(wnd.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
}

TEST(FrameworkWindow, AttachDetachAndTemporaryObjects) {
  registerClass();
  HWND hwnd =
      CreateWindowExW(0, u"FrameworkTest", u"plain", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  CWnd* temporary = CWnd::FromHandle(hwnd);
  ASSERT_NE(temporary, nullptr);
  EXPECT_EQ(temporary->m_hWnd, hwnd);
  EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
  CWnd attached;
  EXPECT_TRUE(attached.Attach(hwnd));
  EXPECT_EQ(CWnd::FromHandle(hwnd), &attached);
  EXPECT_EQ(attached.Detach(), hwnd);
  EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
  EXPECT_TRUE(IsWindow(hwnd)) << "detaching leaves the window alone";
  DestroyWindow(hwnd);
}

TEST(FrameworkWindow, DestroyingTheObjectDestroysItsWindow) {
  registerClass();
  HWND hwnd;
  {
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, u"FrameworkTest", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    hwnd = wnd.m_hWnd;
  }
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(FrameworkWindow, ModifyStyleChangesStylesAndRecomputesTheFrame) {
  registerClass();
  CWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, u"FrameworkTest", u"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
  RECT before, after;
  wnd.GetClientRect(&before);
  EXPECT_TRUE(wnd.ModifyStyleEx(0, WS_EX_CLIENTEDGE, SWP_FRAMECHANGED));
  wnd.GetClientRect(&after);
  EXPECT_EQ(after.right, before.right - 4);
  EXPECT_FALSE(wnd.ModifyStyleEx(0, WS_EX_CLIENTEDGE)) << "nothing to change";
  EXPECT_TRUE(wnd.ModifyStyle(WS_POPUP, WS_OVERLAPPEDWINDOW, SWP_FRAMECHANGED));
  EXPECT_EQ(wnd.GetStyle() & WS_OVERLAPPEDWINDOW, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
  EXPECT_FALSE(wnd.GetStyle() & WS_POPUP);
}

class Swallower : public CWnd {
 public:
  int offered = 0;
  BOOL PreTranslateMessage(MSG* msg) override {
    ++offered;
    return msg->message == WM_KEYDOWN;
  }
};

TEST(FrameworkLoop, PreTranslateMessageLetsAParentTakeItsChildsKeys) {
  registerClass();
  Swallower parent;
  ASSERT_TRUE(parent.CreateEx(0, u"FrameworkTest", u"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
  RecordingWnd child;
  RECT r{0, 0, 10, 10};
  ASSERT_TRUE(child.Create(u"FrameworkTest", u"", WS_VISIBLE, r, &parent, 7));
  CWinThread loop;
  child.seen.clear();
  child.PostMessage(WM_KEYDOWN, VK_SPACE);
  child.PostMessage(WM_USER + 5);
  EXPECT_TRUE(loop.PumpMessage());
  EXPECT_TRUE(loop.PumpMessage());
  EXPECT_EQ(parent.offered, 2);
  EXPECT_FALSE(contains(child.seen, WM_KEYDOWN)) << "the parent took the key";
  EXPECT_TRUE(contains(child.seen, WM_USER + 5));
  PostQuitMessage(4);
  EXPECT_FALSE(loop.PumpMessage());
  EXPECT_EQ(loop.ExitInstance(), 4);
}

std::atomic<int> g_exitCode{-1};
std::atomic<HWND> g_uiWindow{nullptr};
std::atomic<DWORD> g_procThread{0};

class UiWindow : public CWnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_USER + 1) {
      g_procThread = GetCurrentThreadId();
      return 5;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

class UiThread : public CWinThread {
  DECLARE_DYNCREATE(UiThread)
 public:
  UiWindow window;
  BOOL InitInstance() override {
    registerClass();
    if (!window.CreateEx(0, u"FrameworkTest", u"ui", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr)) return FALSE;
    m_pMainWnd = &window;
    g_uiWindow = window.m_hWnd;
    return TRUE;
  }
  int ExitInstance() override {
    window.DestroyWindow();
    g_exitCode = CWinThread::ExitInstance();
    return g_exitCode;
  }
};
IMPLEMENT_DYNCREATE(UiThread, CWinThread)

TEST(FrameworkThread, AfxBeginThreadRunsAUiThreadUntilWmQuit) {
  g_uiWindow = nullptr;
  CWinThread* thread = AfxBeginThread(RUNTIME_CLASS(UiThread));
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  lumetra::testlib::waitUntil([] { return g_uiWindow.load() != nullptr; });
  ASSERT_NE(g_uiWindow.load(), nullptr);
  EXPECT_EQ(SendMessageW(g_uiWindow, WM_USER + 1, 0, 0), 5);
  EXPECT_EQ(g_procThread.load(), thread->m_nThreadID) << "the window's procedure ran on its UI thread";
  EXPECT_TRUE(PostThreadMessageW(thread->m_nThreadID, WM_QUIT, 12, 0));
  EXPECT_EQ(WaitForSingleObject(thread->m_hThread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(g_exitCode.load(), 12);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread->m_hThread, &code));
  EXPECT_EQ(code, 12u);
  EXPECT_FALSE(IsWindow(g_uiWindow));
  delete thread;
}

UINT worker(LPVOID param) { return *static_cast<UINT*>(param) + 1; }

TEST(FrameworkThread, AWorkerThreadReturnsItsProcedureResult) {
  UINT value = 41;
  CWinThread* thread = AfxBeginThread(worker, &value, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  thread->ResumeThread();
  EXPECT_EQ(WaitForSingleObject(thread->m_hThread, 5000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(thread->m_hThread, &code);
  EXPECT_EQ(code, 42u);
  delete thread;
  EXPECT_EQ(AfxBeginThread(RUNTIME_CLASS(CWnd)), nullptr) << "only thread classes start threads";
}

TEST(FrameworkPainting, DcWrappersPaintAndSelectTheirObjects) {
  CDC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 20, 20));
  CBitmap* oldBitmap = dc.SelectObject(&bitmap);
  ASSERT_NE(oldBitmap, nullptr);
  dc.FillSolidRect(2, 2, 5, 5, RGB(10, 20, 30));
  EXPECT_EQ(dc.GetPixel(3, 3), RGB(10, 20, 30));
  EXPECT_EQ(dc.GetBkColor(), RGB(10, 20, 30));
  CFont font;
  ASSERT_TRUE(font.CreatePointFont(90, u"MS Shell Dlg 2"));
  LOGFONTW lf;
  font.GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, -12) << "9 points at 96 dots per inch";
  CFont* oldFont = dc.SelectObject(&font);
  EXPECT_EQ(dc.SelectObject(oldFont), &font) << "selecting back answers the permanent object";
  CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
  CBrush brush(RGB(0, 0, 255));
  dc.SelectObject(&pen);
  dc.SelectObject(&brush);
  dc.Rectangle(10, 10, 18, 18);
  EXPECT_EQ(dc.GetPixel(10, 10), RGB(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(14, 14), RGB(0, 0, 255));
  dc.SelectStockObject(BLACK_PEN);
  dc.SelectStockObject(WHITE_BRUSH);
  dc.SelectObject(oldBitmap);
  CRgn a, b, both;
  a.CreateRectRgn(0, 0, 10, 10);
  b.CreateRectRgn(5, 5, 15, 15);
  both.CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(both.CombineRgn(&a, &b, RGN_AND), SIMPLEREGION);
  EXPECT_TRUE(both.PtInRegion(7, 7));
  EXPECT_FALSE(both.PtInRegion(2, 2));
}

class Painter : public CWnd {
 public:
  int painted = 0;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_PAINT) {
      CPaintDC dc(this);
      RECT r;
      GetClientRect(&r);
      dc.FillSolidRect(&r, RGB(1, 2, 3));
      ++painted;
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

TEST(FrameworkPainting, CPaintDcValidatesAndCClientDcPaintsTheWindow) {
  registerClass();
  Painter wnd;
  ASSERT_TRUE(wnd.CreateEx(0, u"FrameworkTest", u"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 30, nullptr, nullptr));
  wnd.UpdateWindow();
  EXPECT_EQ(wnd.painted, 1);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, wnd.m_hWnd, WM_PAINT, WM_PAINT, PM_NOREMOVE)) << "CPaintDC validated the window";
  {
    CClientDC dc(&wnd);
    EXPECT_EQ(dc.GetPixel(5, 5), RGB(1, 2, 3));
    dc.FillSolidRect(0, 0, 4, 4, RGB(9, 9, 9));
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(9, 9, 9));
  }
}

TEST(FrameworkComboBox, CreatesTheSystemComboBoxAndNamesItsMessages) {
  registerClass();
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, u"FrameworkTest", u"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr));
  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST | CBS_HASSTRINGS, RECT{10, 10, 160, 34}, &parent, 1020));
  EXPECT_EQ(combo.GetDlgCtrlID(), 1020);
  EXPECT_EQ(combo.AddString(u"one"), 0);
  EXPECT_EQ(combo.InsertString(0, u"zero"), 0);
  EXPECT_EQ(combo.GetCount(), 2);
  EXPECT_EQ(combo.SetCurSel(1), 1);
  EXPECT_EQ(combo.GetCurSel(), 1);
  EXPECT_EQ(combo.GetLBTextLen(1), 3);
  EXPECT_EQ(combo.SetCurSel(5), CB_ERR);
  EXPECT_EQ(combo.GetItemHeight(-1), 24 - 6);
  COMBOBOXINFO info{sizeof info, {}, {}, 0, nullptr, nullptr, nullptr};
  EXPECT_TRUE(combo.GetComboBoxInfo(&info));
  EXPECT_NE(info.hwndList, nullptr);
  combo.DestroyWindow();
  parent.DestroyWindow();
}

}  // namespace
