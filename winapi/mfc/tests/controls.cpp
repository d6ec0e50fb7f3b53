// The framework's control classes over the layer's controls: a CButton check box whose state
// changes pass its WindowProc (as the toolkit's widgets watch them), a CProgressCtrl made
// without initialising the common controls first and driven from another thread, and a
// CSliderCtrl made the same way.
#include <afxcmn.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class WatchedButton : public CButton {
 public:
  std::vector<WPARAM> checks;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == BM_SETCHECK) checks.push_back(wParam);
    return CButton::WindowProc(message, wParam, lParam);
  }
};

TEST(FrameworkControls, ACheckBoxsClickPassesItsNewStateThroughWindowProc) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, u"Static", u"", WS_OVERLAPPED, 0, 0, 300, 200, nullptr, nullptr));
  WatchedButton box;
  ASSERT_TRUE(box.Create(u"Keep on Top", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, RECT{10, 10, 130, 27}, &parent, 5));
  EXPECT_EQ(box.GetButtonStyle() & BS_TYPEMASK, static_cast<UINT>(BS_AUTOCHECKBOX));
  box.SendMessage(BM_CLICK);
  EXPECT_EQ(box.GetCheck(), BST_CHECKED);
  EXPECT_EQ(box.checks, (std::vector<WPARAM>{BST_CHECKED}));
  box.SetCheck(BST_UNCHECKED);
  EXPECT_EQ(box.GetState() & BST_CHECKED, 0u);
  SIZE ideal{0, 0};
  EXPECT_TRUE(box.GetIdealSize(&ideal));
  EXPECT_GT(ideal.cx, 17);
  CButton push;
  ASSERT_TRUE(push.Create(u"OK", WS_CHILD | BS_PUSHBUTTON, RECT{10, 40, 110, 63}, &parent, 6));
  push.SetButtonStyle(BS_DEFPUSHBUTTON);
  EXPECT_EQ(push.GetButtonStyle() & BS_TYPEMASK, static_cast<UINT>(BS_DEFPUSHBUTTON));
  parent.DestroyWindow();
}

TEST(FrameworkControls, AProgressControlAnswersItsCallsFromAnotherThread) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, u"Static", u"", WS_OVERLAPPED, 0, 0, 300, 200, nullptr, nullptr));
  CProgressCtrl bar;
  ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE, RECT{10, 10, 110, 26}, &parent, 1007));
  bar.SetRange32(0, 1000);
  int low = -1, high = -1;
  bar.GetRange(low, high);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 1000);
  int previous = -1;
  std::thread worker([&] { previous = bar.SetPos(250); });
  // The worker's send waits for this thread, which runs it while pumping.
  while (bar.GetPos() != 250) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  worker.join();
  EXPECT_EQ(previous, 0);
  EXPECT_EQ(bar.OffsetPos(10), 250);
  EXPECT_EQ(bar.SetStep(100), 10);
  EXPECT_EQ(bar.StepIt(), 260);
  EXPECT_EQ(bar.GetPos(), 360);
  EXPECT_EQ(bar.SetBarColor(RGB(0, 128, 0)), static_cast<COLORREF>(CLR_DEFAULT));
  EXPECT_EQ(bar.SetBkColor(RGB(255, 255, 255)), static_cast<COLORREF>(CLR_DEFAULT));
  parent.DestroyWindow();
}

TEST(FrameworkControls, ASliderControlIsMadeWithoutInitialisingTheBarClassesFirst) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, u"Static", u"", WS_OVERLAPPED, 0, 0, 300, 200, nullptr, nullptr));
  CSliderCtrl slider;
  ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE | TBS_TOP, RECT{10, 10, 210, 42}, &parent, 1040));
  slider.SetRange(10, 50, TRUE);
  int low = -1, high = -1;
  slider.GetRange(low, high);
  EXPECT_EQ(low, 10);
  EXPECT_EQ(high, 50);
  slider.SetPos(70);
  EXPECT_EQ(slider.GetPos(), 50);
  EXPECT_EQ(slider.SetPageSize(5), 20);
  EXPECT_EQ(slider.SetLineSize(2), 1);
  slider.SetThumbLength(12);
  slider.ModifyStyle(0, TBS_FIXEDLENGTH);
  RECT thumb{}, channel{};
  slider.GetThumbRect(&thumb);
  slider.GetChannelRect(&channel);
  EXPECT_EQ(thumb.bottom - thumb.top, 12);
  EXPECT_EQ(channel.left, 8);
  EXPECT_EQ((thumb.left + thumb.right) / 2, channel.right) << "at the maximum";
  parent.DestroyWindow();
}

}  // namespace
