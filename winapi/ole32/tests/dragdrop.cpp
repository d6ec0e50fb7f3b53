// Conformance of drag and drop into windows: clipboard format numbers, global memory, drop target
// registration, the routing of a drag to the nearest registered target or to WM_DROPFILES, the
// data a drag carries, and targets on a window's own thread. Drags come from the headless driver.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"
#include "testlib/Wait.h"
#include "winapi/testsupport/Recorder.h"

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

std::vector<uint8_t> bytesOf(const std::u16string& text) {
  std::vector<uint8_t> b((text.size() + 1) * sizeof(char16_t));
  std::memcpy(b.data(), text.c_str(), b.size());
  return b;
}

// Records every call with the thread it came on, and answers a fixed effect.
class RecordingTarget : public IDropTarget {
 public:
  struct Call {
    std::string what;
    POINTL point;
    DWORD allowed;
    DWORD thread;
  };
  std::vector<Call> calls;
  DWORD answer = DROPEFFECT_COPY;
  std::atomic<int> references{0};
  std::u16string droppedUrl;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IDropTarget) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL point, DWORD* effect) override {
    calls.push_back(Call{"enter", point, *effect, GetCurrentThreadId()});
    *effect = answer;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL point, DWORD* effect) override {
    calls.push_back(Call{"over", point, *effect, GetCurrentThreadId()});
    *effect = answer;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    calls.push_back(Call{"leave", POINTL{0, 0}, 0, GetCurrentThreadId()});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect) override {
    calls.push_back(Call{"drop", point, *effect, GetCurrentThreadId()});
    FORMATETC f{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(u"UniformResourceLocatorW")), nullptr,
                DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (SUCCEEDED(data->GetData(&f, &medium))) {
      droppedUrl = static_cast<const char16_t*>(GlobalLock(medium.hGlobal));
      GlobalUnlock(medium.hGlobal);
      ReleaseStgMedium(&medium);
    }
    *effect = answer;
    return S_OK;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const Call& c : calls) out.push_back(c.what);
    return out;
  }
};

std::vector<std::u16string> g_dropped;
HWND g_droppedOn = nullptr;

LRESULT CALLBACK dropProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DROPFILES) {
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    g_dropped.clear();
    g_droppedOn = hwnd;
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      std::u16string name(DragQueryFileW(drop, i, nullptr, 0) + 1, u'\0');
      name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
      g_dropped.push_back(name);
    }
    DragFinish(drop);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND make(DWORD style, HWND parent, int x, int y, int w, int h) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = dropProc;
    wc.lpszClassName = u"DragDropTest";
    RegisterClassExW(&wc);
    registered = true;
  }
  return CreateWindowExW(0, u"DragDropTest", u"", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
}

POINT screenOf(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

class DragDrop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    top = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100, 100, 400, 300);
    left = make(WS_CHILD | WS_VISIBLE, top, 0, 0, 200, 200);
    right = make(WS_CHILD | WS_VISIBLE, top, 200, 0, 200, 200);
    g_dropped.clear();
    g_droppedOn = nullptr;
    pump();
  }
  void TearDown() override {
    headless().dragLeave();
    DestroyWindow(top);
    OleUninitialize();
  }
  std::vector<winapi::HeadlessDriver::DragFormat> url(const std::u16string& text) {
    return {{u"UniformResourceLocatorW", 0, bytesOf(text)}};
  }
  HWND top = nullptr, left = nullptr, right = nullptr;
};

TEST(ClipboardFormats, OneNumberPerNameWhateverItsCase) {
  UINT wide = RegisterClipboardFormatW(u"UniformResourceLocatorW");
  UINT ansi = RegisterClipboardFormatW(u"UniformResourceLocator");
  EXPECT_GE(wide, 0xC000u);
  EXPECT_LE(wide, 0xFFFFu);
  EXPECT_GE(ansi, 0xC000u);
  EXPECT_NE(wide, ansi);
  EXPECT_EQ(RegisterClipboardFormatW(u"uniformresourcelocatorw"), wide);
  EXPECT_EQ(RegisterClipboardFormatW(u"UNIFORMRESOURCELOCATOR"), ansi);
  // Window messages and clipboard formats share one table, as on Windows.
  EXPECT_EQ(RegisterWindowMessageW(u"UniformResourceLocatorW"), wide);
  EXPECT_EQ(RegisterClipboardFormatW(u""), 0u);
  EXPECT_EQ(RegisterClipboardFormatW(nullptr), 0u);
}

TEST(GlobalMemory, MovableBlocksCountTheirLocks) {
  HGLOBAL block = GlobalAlloc(GHND, 10);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 10u);
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[9], 0) << "GMEM_ZEROINIT";
  EXPECT_NE(static_cast<void*>(bytes), block) << "a movable block's handle is not its address";
  EXPECT_EQ(GlobalLock(block), bytes);
  EXPECT_TRUE(GlobalUnlock(block)) << "still locked once";
  SetLastError(ERROR_INVALID_DATA);
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR)) << "unlocked now";
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block) << "a freed handle is none";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalLock(block), nullptr);
}

TEST(GlobalMemory, FixedBlocksAreTheirAddressAndEmptyMovableOnesHaveNoBytes) {
  HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 4);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(GlobalLock(fixed), fixed);
  EXPECT_TRUE(GlobalUnlock(fixed));
  EXPECT_EQ(GlobalFree(fixed), nullptr);
  HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(GlobalSize(empty), 0u);
  EXPECT_EQ(GlobalLock(empty), nullptr);
  EXPECT_EQ(GlobalFree(empty), nullptr);
  EXPECT_EQ(GlobalAlloc(0x8000, 4), nullptr) << "an unknown flag";
}

TEST(DropTargets, RegistrationNeedsOleAndHappensOncePerWindow) {
  HWND w = make(WS_OVERLAPPEDWINDOW, nullptr, 0, 0, 100, 100);
  RecordingTarget target;
  std::thread([&] {
    // Windows answers a thread without OLE with E_OUTOFMEMORY.
    EXPECT_EQ(RegisterDragDrop(w, &target), E_OUTOFMEMORY);
  }).join();
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  EXPECT_EQ(RegisterDragDrop(w, nullptr), E_INVALIDARG);
  EXPECT_EQ(RegisterDragDrop(reinterpret_cast<HWND>(0x1234), &target), DRAGDROP_E_INVALIDHWND);
  EXPECT_EQ(RegisterDragDrop(w, &target), S_OK);
  EXPECT_EQ(target.references, 1) << "registration holds a reference";
  RecordingTarget other;
  EXPECT_EQ(RegisterDragDrop(w, &other), DRAGDROP_E_ALREADYREGISTERED);
  EXPECT_EQ(other.references, 0);
  winapi::HeadlessDriver::NativeState state;
  ASSERT_TRUE(headless().nativeState(w, &state));
  EXPECT_TRUE(state.acceptsDrops) << "the native window takes drags while a target is registered";
  EXPECT_EQ(RevokeDragDrop(w), S_OK);
  EXPECT_EQ(target.references, 0);
  EXPECT_EQ(RevokeDragDrop(w), DRAGDROP_E_NOTREGISTERED);
  ASSERT_TRUE(headless().nativeState(w, &state));
  EXPECT_FALSE(state.acceptsDrops);
  // A target still registered goes with its window.
  EXPECT_EQ(RegisterDragDrop(w, &target), S_OK);
  DestroyWindow(w);
  EXPECT_EQ(target.references, 0);
  EXPECT_EQ(RevokeDragDrop(w), DRAGDROP_E_INVALIDHWND);
  OleUninitialize();
}

TEST_F(DragDrop, ADragGoesToTheNearestRegisteredTargetAndAnswersItsEffect) {
  RecordingTarget parentTarget, rightTarget;
  parentTarget.answer = DROPEFFECT_LINK;
  rightTarget.answer = DROPEFFECT_COPY;
  ASSERT_EQ(RegisterDragDrop(top, &parentTarget), S_OK);
  ASSERT_EQ(RegisterDragDrop(right, &rightTarget), S_OK);
  POINT inLeft = screenOf(left, 10, 10);
  POINT inRight = screenOf(right, 20, 30);
  // The left child has no target of its own: its parent's hears the drag.
  EXPECT_EQ(headless().dragEnter(inLeft.x, inLeft.y, url(u"http://example.org/"), DROPEFFECT_COPY | DROPEFFECT_LINK),
            static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_EQ(headless().dragOver(inLeft.x + 5, inLeft.y), static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_EQ(headless().dragOver(inRight.x, inRight.y), static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(headless().dragDrop(inRight.x, inRight.y), static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(parentTarget.names(), (std::vector<std::string>{"enter", "over", "leave"}));
  EXPECT_EQ(rightTarget.names(), (std::vector<std::string>{"enter", "drop"}));
  ASSERT_EQ(rightTarget.calls.size(), 2u);
  EXPECT_EQ(rightTarget.calls[1].point.x, inRight.x) << "points are on the screen";
  EXPECT_EQ(rightTarget.calls[1].point.y, inRight.y);
  EXPECT_EQ(rightTarget.calls[1].allowed, static_cast<DWORD>(DROPEFFECT_COPY | DROPEFFECT_LINK));
  EXPECT_EQ(rightTarget.droppedUrl, u"http://example.org/");
  EXPECT_EQ(parentTarget.calls[0].allowed, static_cast<DWORD>(DROPEFFECT_COPY | DROPEFFECT_LINK));
  RevokeDragDrop(right);
  RevokeDragDrop(top);
}

TEST_F(DragDrop, FilesBecomeWmDropFilesOnlyWhereNoTargetIsRegistered) {
  DragAcceptFiles(left, TRUE);
  DragAcceptFiles(right, TRUE);
  RecordingTarget target;
  ASSERT_EQ(RegisterDragDrop(right, &target), S_OK);
  POINT inLeft = screenOf(left, 10, 10);
  ASSERT_TRUE(headless().dropFiles(inLeft.x, inLeft.y, {u"Z:\\a.mp3", u"Z:\\b c.wav"}));
  pump();
  EXPECT_EQ(g_droppedOn, left);
  EXPECT_EQ(g_dropped, (std::vector<std::u16string>{u"Z:\\a.mp3", u"Z:\\b c.wav"}));
  // The right child accepts files too, but its target comes first and takes them as CF_HDROP.
  g_dropped.clear();
  g_droppedOn = nullptr;
  POINT inRight = screenOf(right, 10, 10);
  ASSERT_TRUE(headless().dropFiles(inRight.x, inRight.y, {u"Z:\\x.wav"}));
  pump();
  EXPECT_EQ(g_droppedOn, nullptr);
  EXPECT_EQ(target.names(), (std::vector<std::string>{"enter", "drop"}));
  RevokeDragDrop(right);
}

TEST_F(DragDrop, FileDragsAnswerCopyOverWindowsThatAcceptFiles) {
  DragAcceptFiles(left, TRUE);
  POINT inLeft = screenOf(left, 10, 10);
  POINT inRight = screenOf(right, 10, 10);
  // A drag of plain text is no file drag: the window that accepts files does not hear it.
  EXPECT_EQ(headless().dragEnter(inLeft.x, inLeft.y, {{u"", CF_UNICODETEXT, bytesOf(u"text")}}),
            static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(headless().dragDrop(inLeft.x, inLeft.y), static_cast<DWORD>(DROPEFFECT_NONE));
  pump();
  EXPECT_EQ(g_droppedOn, nullptr);
  EXPECT_EQ(headless().dragDrop(inRight.x, inRight.y), static_cast<DWORD>(DROPEFFECT_NONE)) << "no drag going";
}

TEST_F(DragDrop, TheDataOfADragComesInGlobalMemoryInItsFormatsOnly) {
  struct Peek : RecordingTarget {
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
      CLIPFORMAT wide = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(u"UniformResourceLocatorW"));
      CLIPFORMAT ansi = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(u"UniformResourceLocator"));
      FORMATETC f{ansi, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
      ansiOffered = data->QueryGetData(&f) == S_OK;
      f.cfFormat = wide;
      wideAnswer = data->QueryGetData(&f);
      f = FORMATETC{ansi, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
      streamAnswer = data->QueryGetData(&f);
      f = FORMATETC{ansi, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
      STGMEDIUM medium{};
      if (SUCCEEDED(data->GetData(&f, &medium))) {
        size = GlobalSize(medium.hGlobal);
        text = static_cast<const char*>(GlobalLock(medium.hGlobal));
        GlobalUnlock(medium.hGlobal);
        ReleaseStgMedium(&medium);
        EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_NULL));
      }
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    bool ansiOffered = false;
    HRESULT wideAnswer = S_OK, streamAnswer = S_OK;
    SIZE_T size = 0;
    std::string text;
  } target;
  ASSERT_EQ(RegisterDragDrop(left, &target), S_OK);
  POINT p = screenOf(left, 10, 10);
  std::string ansi = "http://example.org/a";
  std::vector<uint8_t> bytes(ansi.begin(), ansi.end());
  bytes.push_back(0);
  EXPECT_EQ(headless().dragEnter(p.x, p.y, {{u"UniformResourceLocator", 0, bytes}}),
            static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_TRUE(target.ansiOffered);
  EXPECT_EQ(target.wideAnswer, DV_E_FORMATETC);
  EXPECT_EQ(target.streamAnswer, DV_E_TYMED);
  EXPECT_EQ(target.size, bytes.size());
  EXPECT_EQ(target.text, ansi);
  headless().dragLeave();
  RevokeDragDrop(left);
}

TEST_F(DragDrop, ATargetRevokedDuringADragHearsNoMore) {
  RecordingTarget target;
  ASSERT_EQ(RegisterDragDrop(left, &target), S_OK);
  POINT p = screenOf(left, 10, 10);
  headless().dragEnter(p.x, p.y, url(u"http://example.org/"));
  ASSERT_EQ(RevokeDragDrop(left), S_OK);
  EXPECT_EQ(headless().dragOver(p.x, p.y), static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(headless().dragDrop(p.x, p.y), static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(target.names(), std::vector<std::string>{"enter"});
}

TEST(DropTargetThreads, CallbacksRunOnTheWindowsOwnThread) {
  std::atomic<HWND> window{nullptr};
  std::atomic<DWORD> uiThread{0};
  RecordingTarget target;
  target.answer = DROPEFFECT_LINK;
  std::thread ui([&] {
    OleInitialize(nullptr);
    HWND w = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 600, 500, 200, 150);
    EXPECT_EQ(RegisterDragDrop(w, &target), S_OK);
    uiThread = GetCurrentThreadId();
    window = w;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    DestroyWindow(w);
    OleUninitialize();
  });
  lumetra::testlib::waitUntil([&] { return window.load() != nullptr; });
  POINT p = screenOf(window, 20, 20);
  EXPECT_EQ(headless().dragEnter(p.x, p.y, {{u"UniformResourceLocatorW", 0, bytesOf(u"http://a/")}}),
            static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_EQ(headless().dragDrop(p.x, p.y), static_cast<DWORD>(DROPEFFECT_LINK));
  PostThreadMessageW(uiThread, WM_QUIT, 0, 0);
  ui.join();
  ASSERT_EQ(target.calls.size(), 2u);
  for (const auto& c : target.calls) EXPECT_EQ(c.thread, uiThread.load()) << c.what;
  EXPECT_NE(uiThread.load(), GetCurrentThreadId());
  EXPECT_EQ(target.droppedUrl, u"http://a/");
}

}  // namespace
