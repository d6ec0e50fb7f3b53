// The slider: its clamping and arithmetic, the values it gives the track bar, the listeners told
// from the track bar's own moves, and, with a drawer, its own dragging, the two-thumb hit test,
// the wheel and the painting that follows a change.
#include "gui/win/Slider.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"

#include "core/thread/ClassTail.h"
#include "gui/drawer/ISlider.h"
#include "gui/win/Box.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace {

using lumetra::testgui::idle;
using lumetra::testgui::Listener;
using lumetra::testgui::settle;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::win::Box;
using s::gui::win::Slider;

/// Counts its paints and keeps the values of the last one.
class RecordingSliderDrawer final : public s::gui::drawer::ISlider {
  S_POOLED_CLASS(RecordingSliderDrawer, u"RecordingSliderDrawer")
  RecordingSliderDrawer() = default;
  void reset() override {}
  void paint(CDC*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t value, bool,
             int32_t, bool, bool, int32_t secondValue, int32_t, int32_t, int32_t) override {
    lastValue = value;
    lastSecond = secondValue;
    ++paints;
  }
  std::atomic<int> paints{0};
  std::atomic<int32_t> lastValue{-1};
  std::atomic<int32_t> lastSecond{-1};
};

TEST(SliderValues, ProgramChangesAreClampedAndTellNobody) {
  Slider* slider = s::gui::win::makeSlider(-1, -1);
  int heard = 0;
  Listener listener([&](int32_t) { ++heard; });
  slider->addChangeListener(&listener);
  EXPECT_EQ(slider->getPosition(), 100);
  EXPECT_EQ(slider->getRangeMinimum(), 0);
  EXPECT_EQ(slider->getRangeMaximum(), 100);
  slider->setPosition(150);
  EXPECT_EQ(slider->getPosition(), 100);
  slider->setPosition(-5);
  EXPECT_EQ(slider->getPosition(), 0);

  slider->setTwoThumbs(true);
  slider->setSecondValue(60);
  slider->setPosition(30);
  slider->setPosition(80);
  EXPECT_EQ(slider->getPosition(), 59) << "stays below the second thumb";
  slider->setPosition(30);
  slider->setSecondValue(10);
  EXPECT_EQ(slider->getSecondValue(), 31) << "stays above the first thumb";
  EXPECT_EQ(heard, 0);
  // Where the other thumb leaves no room, the range still holds.
  slider->setSecondValue(0);
  EXPECT_EQ(slider->getSecondValue(), 31);
  slider->setPosition(100);
  slider->setSecondValue(100);
  slider->setPosition(100);
  EXPECT_EQ(slider->getPosition(), 99);
  Slider* fresh = s::gui::win::makeSlider(-1, -1);
  fresh->setTwoThumbs(true);
  fresh->setSecondValue(50);
  EXPECT_EQ(fresh->getSecondValue(), 100) << "above the position, at most the maximum";
  fresh->setPosition(0);
  fresh->setSecondValue(0);
  EXPECT_EQ(fresh->getSecondValue(), 1);
  Slider* empty = Slider::take();
  empty->setRange(20, 20);
  empty->setTwoThumbs(true);
  empty->setPosition(25);
  empty->setSecondValue(5);
  EXPECT_EQ(empty->getPosition(), 20) << "never outside the range";
  EXPECT_EQ(empty->getSecondValue(), 20);
  fresh->release();
  empty->release();
  slider->release();
}

TEST(SliderValues, ThumbsAndTheMouseCountFromTheMinimum) {
  // The hit test: (W - 10) x (value - minimum) / span.
  EXPECT_EQ(Slider::thumbStart(110, 0, 100, 50), 50);
  EXPECT_EQ(Slider::thumbStart(110, 50, 150, 50), 0) << "the minimum is at the start";
  EXPECT_EQ(Slider::thumbStart(110, 50, 150, 150), 100);
  EXPECT_EQ(Slider::thumbStart(110, 20, 20, 20), 0) << "an empty range does not divide by zero";
  EXPECT_EQ(Slider::thumbStart(110, 30, 20, 25), 0);
  // The mouse: rounded, from the minimum.
  EXPECT_EQ(Slider::valueAt(0, 100, 100, 8, 192), 50);
  EXPECT_EQ(Slider::valueAt(0, 100, 101, 8, 192), 51);
  EXPECT_EQ(Slider::valueAt(50, 150, 8, 8, 192), 50);
  EXPECT_EQ(Slider::valueAt(50, 150, 192, 8, 192), 150);
  EXPECT_EQ(Slider::valueAt(-10, 10, 0, 8, 192), -11) << "outside the channel, left to the clamp";
  EXPECT_EQ(Slider::valueAt(5, 100, 40, 8, 8), 5) << "a channel of no width gives the minimum";
}

class SliderWidget : public testing::Test {
 protected:
  void SetUp() override {
    root = Box::take();
    root->setFullSize();
    window->add(root);
  }
  Slider* add(Slider* slider) {
    slider->setFixedWidth(200);
    slider->setFixedHeight(24);
    slider->addChangeListener(&listener);
    root->add(slider);
    EXPECT_TRUE(slider->isCreated());
    settle(window->getHandle());
    return slider;
  }
  POINT screen(Slider* slider, int x, int y) {
    POINT p{x, y};
    ClientToScreen(slider->GetSafeHwnd(), &p);
    return p;
  }
  // The mouse messages go to the control directly, answered on its window's thread before the
  // call returns.
  void moveTo(Slider* slider, int x, int y) {
    m_last = MAKELPARAM(x, y);
    send(slider, WM_MOUSEMOVE, MK_LBUTTON, m_last);
  }
  void press(Slider* slider, int x, int y) {
    m_last = MAKELPARAM(x, y);
    m_pressed = slider;
    send(slider, WM_LBUTTONDOWN, MK_LBUTTON, m_last);
  }
  void release() {
    send(m_pressed, WM_LBUTTONUP, 0, m_last);
    settle(window->getHandle());
  }
  void wheelAt(Slider* slider, int x, int y, int delta) {
    const POINT p = screen(slider, x, y);
    send(slider, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), MAKELPARAM(p.x, p.y));
    settle(window->getHandle());
  }
  LRESULT send(Slider* slider, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(slider->GetSafeHwnd(), message, wParam, lParam);
  }
  std::atomic<int> heard{0};
  Listener listener{[this](int32_t id) {
    EXPECT_EQ(id, 0);
    ++heard;
  }};
  // Last, so it goes first, before the listener its sliders hold.
  ShownWindow window;
  Box* root = nullptr;
  Slider* m_pressed = nullptr;
  LPARAM m_last = 0;
};

TEST_F(SliderWidget, CreationHandsTheTrackBarItsValues) {
  Slider* slider = add(s::gui::win::makeSlider(-1, -1));
  const HWND control = slider->GetSafeHwnd();
  EXPECT_EQ(send(slider, TBM_GETPOS), 100);
  EXPECT_EQ(send(slider, TBM_GETPAGESIZE), 100) << "ten times the tick frequency";
  EXPECT_EQ(send(slider, TBM_GETLINESIZE), 10);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
  EXPECT_EQ(style & TBS_NOTICKS, static_cast<DWORD>(TBS_NOTICKS));
  EXPECT_EQ(style & TBS_AUTOTICKS, 0u);
  RECT thumb{};
  send(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  EXPECT_EQ((thumb.left + thumb.right) / 2, 192) << "the thumb at the right end";
  EXPECT_EQ(slider->getMinimumHeight(), 24);

  slider->setTicksVisible(true);
  slider->setThumbLength(12);
  EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE) & (TBS_NOTICKS | TBS_AUTOTICKS | TBS_FIXEDLENGTH),
            TBS_AUTOTICKS | TBS_FIXEDLENGTH);
  EXPECT_EQ(send(slider, TBM_GETTHUMBLENGTH), 12);
  slider->setRange(10, 20);
  EXPECT_EQ(send(slider, TBM_GETRANGEMIN), 10);
  EXPECT_EQ(send(slider, TBM_GETPOS), 20);
  EXPECT_EQ(slider->getPosition(), 20) << "the stored position follows into the range";
  EXPECT_EQ(heard, 0);
}

TEST_F(SliderWidget, TheTrackBarsOwnMovesTellTheListenersOncePerChange) {
  Slider* slider = s::gui::win::makeSlider(-1, -1);
  slider->setPosition(50);
  add(slider);
  // Up moves a page towards the maximum, Down a page towards the minimum.
  send(slider, WM_KEYDOWN, VK_UP);
  settle(window->getHandle());
  EXPECT_EQ(slider->getPosition(), 100);
  EXPECT_EQ(heard, 1);
  send(slider, WM_KEYDOWN, VK_UP);  // at the maximum already: nothing new
  settle(window->getHandle());
  EXPECT_EQ(heard, 1);
  send(slider, WM_KEYDOWN, VK_DOWN);
  settle(window->getHandle());
  EXPECT_EQ(slider->getPosition(), 0);
  EXPECT_EQ(heard, 2);
  send(slider, WM_KEYDOWN, VK_RIGHT);
  settle(window->getHandle());
  EXPECT_EQ(slider->getPosition(), 10);
  EXPECT_EQ(heard, 3);

  // A drag of the native thumb: the channel runs from 8 to 192.
  RECT thumb{};
  send(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  const int across = (thumb.top + thumb.bottom) / 2;
  press(slider, (thumb.left + thumb.right) / 2, across);
  moveTo(slider, 100, across);
  release();
  EXPECT_EQ(slider->getPosition(), 50);
  EXPECT_EQ(heard, 4) << "the drag's end tells nothing new";
}

// The thumb tracks a drawn slider posts to its parent: (position, slider) pairs.
std::mutex g_tracksLock;
std::vector<std::pair<int, HWND>> g_tracks;
WNDPROC g_parentProc = nullptr;

LRESULT CALLBACK recordingParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HSCROLL && LOWORD(wParam) == SB_THUMBTRACK) {
    std::lock_guard<std::mutex> guard(g_tracksLock);
    g_tracks.emplace_back(HIWORD(wParam), reinterpret_cast<HWND>(lParam));
  }
  return CallWindowProcW(g_parentProc, hwnd, message, wParam, lParam);
}

TEST_F(SliderWidget, WithADrawerItDragsItselfAndTellsOncePerChange) {
  RecordingSliderDrawer* drawer = RecordingSliderDrawer::take();
  Slider* slider = Slider::take();
  slider->setTicksVisible(false);
  slider->setDrawer(drawer, true);
  add(slider);
  ASSERT_EQ(slider->getPosition(), 0);
  const HWND parent = GetParent(slider->GetSafeHwnd());
  {
    std::lock_guard<std::mutex> guard(g_tracksLock);
    g_tracks.clear();
  }
  g_parentProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&recordingParentProc)));
  press(slider, 8, 10);
  EXPECT_TRUE(slider->isDragging());
  EXPECT_EQ(heard, 0) << "a press on the value it has changes nothing";
  moveTo(slider, 100, 10);
  EXPECT_EQ(slider->getPosition(), 50);
  EXPECT_EQ(heard, 1);
  moveTo(slider, 100, 14);
  EXPECT_EQ(heard, 1) << "a move that keeps the value tells nothing";
  moveTo(slider, 101, 14);
  EXPECT_EQ(slider->getPosition(), 51);
  EXPECT_EQ(heard, 2);
  release();
  EXPECT_FALSE(slider->isDragging());
  EXPECT_EQ(heard, 2);
  // Posted, so they arrive when the window's thread next looks at its queue.
  ASSERT_TRUE(idle(window->getHandle()));
  {
    std::lock_guard<std::mutex> guard(g_tracksLock);
    EXPECT_EQ(g_tracks, (std::vector<std::pair<int, HWND>>{{50, slider->GetSafeHwnd()},
                                                           {51, slider->GetSafeHwnd()}}))
        << "one posted track per change, none for the press";
  }
  SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_parentProc));
  EXPECT_EQ(send(slider, TBM_GETPOS), 51) << "the control follows";
  EXPECT_TRUE(waitFor([&] { return drawer->lastValue == 51; })) << "painted at the new value";

  // The wheel over the slider moves it (three lines of the tick frequency, 10); elsewhere it goes
  // to the window.
  wheelAt(slider, 100, 10, -WHEEL_DELTA);
  EXPECT_EQ(slider->getPosition(), 81);
  EXPECT_EQ(heard, 3);
  wheelAt(slider, 100, 200, -WHEEL_DELTA);
  EXPECT_EQ(slider->getPosition(), 81);
  EXPECT_EQ(heard, 3);

  // Keys move only the control: the slider swallows what it reports.
  send(slider, WM_KEYDOWN, VK_RIGHT);
  settle(window->getHandle());
  EXPECT_EQ(send(slider, TBM_GETPOS), 91);
  EXPECT_EQ(slider->getPosition(), 81);
  EXPECT_EQ(heard, 3);
}

TEST_F(SliderWidget, TwoThumbsAreHitFromTheMinimumAndAPressBesideThemIsSwallowed) {
  RecordingSliderDrawer* drawer = RecordingSliderDrawer::take();
  Slider* slider = Slider::take();
  slider->setRange(100, 200);
  slider->setTwoThumbs(true);
  slider->setSecondValue(180);
  slider->setPosition(120);
  slider->setDrawer(drawer, true);
  add(slider);
  // Thumbs at 190 x 20 / 100 = 38 and 190 x 80 / 100 = 152.
  press(slider, 100, 10);
  EXPECT_FALSE(slider->isDragging()) << "beside both thumbs";
  EXPECT_EQ(GetCapture(), nullptr);
  release();
  press(slider, 155, 10);
  EXPECT_TRUE(slider->isDragging());
  moveTo(slider, 120, 10);  // 100 + 100 x 112 / 184 = 160.9
  EXPECT_EQ(slider->getSecondValue(), 161);
  EXPECT_EQ(slider->getPosition(), 120);
  EXPECT_EQ(heard, 1);
  moveTo(slider, 8, 10);  // the second stays above the first
  EXPECT_EQ(slider->getSecondValue(), 121);
  EXPECT_EQ(heard, 2);
  release();
  press(slider, 45, 10);  // on the first thumb, over its own value
  EXPECT_EQ(heard, 2);
  moveTo(slider, 192, 10);
  EXPECT_EQ(slider->getPosition(), 120) << "the first stays below the second";
  release();
  EXPECT_TRUE(waitFor([&] { return drawer->lastSecond == 121; }));
}

TEST_F(SliderWidget, AChangedValuePaintsOnceMore) {
  RecordingSliderDrawer* drawer = RecordingSliderDrawer::take();
  Slider* slider = Slider::take();
  slider->setDrawer(drawer, true);
  add(slider);
  ASSERT_TRUE(waitFor([&] { return drawer->paints > 0; }));
  ASSERT_TRUE(idle(window->getHandle()));
  const int before = drawer->paints;
  // Painting runs on the window's thread: each count is read once it has nothing left to paint.
  auto settled = [&] {
    EXPECT_TRUE(idle(window->getHandle()));
    return drawer->paints.load();
  };
  slider->repaint();
  EXPECT_EQ(settled(), before + 1) << "nothing changed: one paint";
  slider->setPosition(40);
  EXPECT_EQ(settled(), before + 3) << "the change invalidates once more";
  EXPECT_EQ(drawer->lastValue, 40);
}

}  // namespace
