// Conformance of the framework's drop target and data object: handlers in client coordinates,
// the data in global memory, a drop refused by OnDragOver, effects the source does not allow,
// and registration with the target's lifetime.
#include <afxole.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/Recorder.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

std::vector<uint8_t> wideBytes(const std::u16string& text) {
  std::vector<uint8_t> b((text.size() + 1) * sizeof(char16_t));
  std::memcpy(b.data(), text.c_str(), b.size());
  return b;
}

// Takes links offered as "UniformResourceLocatorW", the way the program's own targets do.
class LinkTarget : public COleDropTarget {
 public:
  std::vector<std::string> heard;
  CPoint lastPoint;
  std::u16string url;
  SIZE_T urlBytes = 0;
  BOOL acceptDrop = TRUE;
  CWnd* lastWnd = nullptr;

  DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override {
    heard.push_back("enter");
    return OnDragOver(wnd, data, keyState, point);
  }
  DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD, CPoint point) override {
    heard.push_back("over");
    lastWnd = wnd;
    lastPoint = point;
    return data->IsDataAvailable(format()) ? DROPEFFECT_LINK : DROPEFFECT_NONE;
  }
  void OnDragLeave(CWnd*) override { heard.push_back("leave"); }
  BOOL OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint) override {
    heard.push_back(effect == DROPEFFECT_LINK ? "drop link" : "drop other");
    HGLOBAL block = data->GetGlobalData(format());
    if (block != nullptr) {
      urlBytes = GlobalSize(block);
      url = static_cast<const char16_t*>(GlobalLock(block));
      GlobalUnlock(block);
      GlobalFree(block);
    }
    return acceptDrop;
  }
  static CLIPFORMAT format() { return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(u"UniformResourceLocatorW")); }
};

class OleDrop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AfxOleInit());
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = DefWindowProcW;
      wc.lpszClassName = u"OleDropTest";
      RegisterClassExW(&wc);
      registered = true;
    }
    ASSERT_TRUE(
        frame.CreateEx(0, u"OleDropTest", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 60, 300, 200, nullptr, nullptr));
    pump();
  }
  void TearDown() override {
    headless().dragLeave();
    frame.DestroyWindow();
    OleUninitialize();
  }
  POINT screen(int x, int y) {
    POINT p{x, y};
    ClientToScreen(frame.m_hWnd, &p);
    return p;
  }
  CWnd frame;
};

TEST_F(OleDrop, HandlersHearTheDragInClientCoordinatesAndTakeTheData) {
  LinkTarget target;
  ASSERT_TRUE(target.Register(&frame));
  POINT p = screen(30, 40);
  EXPECT_EQ(headless().dragEnter(p.x, p.y, {{u"UniformResourceLocatorW", 0, wideBytes(u"http://example.org/x")}}),
            static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_EQ(target.lastPoint, CPoint(30, 40));
  EXPECT_EQ(target.lastWnd, &frame) << "the window's own object";
  EXPECT_EQ(headless().dragDrop(p.x + 1, p.y), static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_EQ(target.heard, (std::vector<std::string>{"enter", "over", "over", "drop link"}));
  EXPECT_EQ(target.url, u"http://example.org/x");
  EXPECT_EQ(target.urlBytes, 21 * sizeof(char16_t));
}

TEST_F(OleDrop, ADropRefusedByOnDragOverIsALeave) {
  LinkTarget target;
  ASSERT_TRUE(target.Register(&frame));
  POINT p = screen(10, 10);
  std::vector<uint8_t> ansi{'h', 't', 't', 'p', ':', '/', '/', 'a', 0};
  EXPECT_EQ(headless().dragEnter(p.x, p.y, {{u"UniformResourceLocator", 0, ansi}}),
            static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(headless().dragDrop(p.x, p.y), static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(target.heard, (std::vector<std::string>{"enter", "over", "over", "leave"}));
  // OnDrop's FALSE refuses a drop it was offered.
  target.heard.clear();
  target.acceptDrop = FALSE;
  headless().dragEnter(p.x, p.y, {{u"UniformResourceLocatorW", 0, wideBytes(u"http://b/")}});
  EXPECT_EQ(headless().dragDrop(p.x, p.y), static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(target.heard.back(), "drop link");
}

TEST_F(OleDrop, AnEffectTheSourceDoesNotAllowIsRefused) {
  LinkTarget target;
  ASSERT_TRUE(target.Register(&frame));
  POINT p = screen(10, 10);
  EXPECT_EQ(headless().dragEnter(p.x, p.y, {{u"UniformResourceLocatorW", 0, wideBytes(u"http://c/")}},
                                 DROPEFFECT_COPY | DROPEFFECT_MOVE),
            static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(headless().dragDrop(p.x, p.y), static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_TRUE(target.url.empty());
}

TEST_F(OleDrop, ATargetRegistersOnceAndRevokesWhenItGoes) {
  {
    LinkTarget target, other;
    ASSERT_TRUE(target.Register(&frame));
    EXPECT_FALSE(target.Register(&frame));
    EXPECT_FALSE(other.Register(&frame)) << "the window has a target";
  }
  EXPECT_EQ(RevokeDragDrop(frame.m_hWnd), DRAGDROP_E_NOTREGISTERED) << "the target's end revoked it";
  LinkTarget again;
  EXPECT_TRUE(again.Register(&frame));
  again.Revoke();
  again.Revoke();
  EXPECT_TRUE(again.Register(&frame));
}

TEST(OleDataObject, AnEmptyObjectHasNoData) {
  COleDataObject data;
  EXPECT_FALSE(data.IsDataAvailable(CF_UNICODETEXT));
  EXPECT_EQ(data.GetGlobalData(CF_UNICODETEXT), nullptr);
  EXPECT_EQ(data.Detach(), nullptr);
}

}  // namespace
