// The top-level window on its own UI thread: construction and defaults, sizes, user events from
// other threads, closing with a veto, the private messages, the class procedure's reflections,
// user timers and opacity.
#include "gui/win/Window.h"
#include "gui/win/tests/Listener.h"

#include "gui/tests/FakeComponent.h"
#include "gui/win/WindowClass.h"
#include "imaging/win/BufferedImage.h"
#include "testlib/Wait.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using s::gui::win::Window;
using s::image::win::BufferedImage;

using lumetra::testgui::Listener;

/// A window taken for one test and released with it.
struct WindowHolder {
  WindowHolder() : window(Window::take()) {}
  ~WindowHolder() { window->release(); }
  WindowHolder(const WindowHolder&) = delete;
  WindowHolder& operator=(const WindowHolder&) = delete;
  Window* operator->() const { return window; }
  Window* window;
};

bool waitFor(const std::function<bool()>& condition) {
  return lumetra::testlib::waitUntil(condition, std::chrono::seconds(3));
}

TEST(Window, NewWindowIsHiddenSmallAndPlain) {
  WindowHolder window;
  ASSERT_NE(window->getHandle(), nullptr);
  EXPECT_EQ(window->getWidth(), 240);
  EXPECT_EQ(window->getHeight(), 120);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(std::u16string(window->getTitle()), u"Window");
  EXPECT_FALSE(window->isFaded());
  EXPECT_TRUE(window->isResizable());
  EXPECT_FALSE(window->isInTray());
  EXPECT_FALSE(window->isClosed());
  EXPECT_STREQ(reinterpret_cast<const char*>(window->getClassName()),
               reinterpret_cast<const char*>(u"s_gui_win_Window"));
  // The frame lives on a thread of its own, owned by the hidden owner.
  EXPECT_NE(GetWindowThreadProcessId(window->getHandle(), nullptr), GetCurrentThreadId());
  EXPECT_EQ(GetWindow(window->getHandle(), GW_OWNER), window->getOwnerHandle());
  EXPECT_FALSE(IsWindowVisible(window->getOwnerHandle()));
}

TEST(Window, MinimumAndFixedSizes) {
  WindowHolder window;
  EXPECT_EQ(window->getMinimumWidth(), 0) << "no children, nothing set";
  window->setMinimumWidth(300);
  EXPECT_EQ(window->getMinimumWidth(), 300);
  window->setFixedWidth(400);
  EXPECT_EQ(window->getWidth(), 400) << "a fixed width applies at once";
  EXPECT_EQ(window->getMaximumWidth(), 400);
  window->setFixedWidth(-1);
  EXPECT_EQ(window->getWidth(), 400) << "switching it off leaves the size";
  EXPECT_GT(window->getMaximumWidth(), 400) << "the work area bounds it again";
  window->setClientWidth(200);
  EXPECT_EQ(window->getClientWidth(), 200);
  EXPECT_EQ(window->getWidth(), 200 + window->getFrameWidth());
}

TEST(Window, ResetGivesEverySettingItsFreshValue) {
  WindowHolder fresh;
  WindowHolder window;
  Listener heard([](int32_t) {});
  window->addCloseListener(&heard);
  window->addKeyDownListener(&heard);
  window->setKeepOnTop(true);
  window->setMinimizeToTray(true);  // the reset's own close then sends the window to the tray
  window->setResizable(false);
  window->setMinimumWidth(300);
  window->setFixedHeight(200);
  window->setSizingLeft(5);
  window->setSmallIcon(BufferedImage::takeSized(16, 16), true);
  window->sendUserEvent(1, 2, 3, 4);
  SendMessageW(window->getHandle(), WM_KEYDOWN, 'A', 0);
  window->reset();
  EXPECT_FALSE(window->isKeepOnTop());
  EXPECT_FALSE(window->isInTray());
  EXPECT_FALSE(window->isClosed());
  EXPECT_TRUE(window->isResizable());
  EXPECT_EQ(window->getMinimumWidth(), fresh->getMinimumWidth());
  EXPECT_EQ(window->getMaximumHeight(), fresh->getMaximumHeight());
  EXPECT_EQ(window->getSizingLeft(), 0);
  EXPECT_EQ(window->getSmallIcon(), nullptr);
  EXPECT_EQ(window->getUserEventArg1(), 0);
  EXPECT_EQ(window->getUserEventArg4(), 0);
  EXPECT_EQ(window->getKeyCode(), 0);
  EXPECT_EQ(window->getListeners(Window::kClose).getCount(), 0u);
  EXPECT_EQ(window->getListeners(Window::kKeyDown).getCount(), 0u);
}

TEST(Window, UserEventsFromAWorkerArriveInOrderWithTheirResults) {
  WindowHolder window;
  std::vector<int64_t> heard;
  Window* w = window.window;
  Listener listener([&](int32_t id) {
    EXPECT_EQ(id, Window::kUserEvent);
    heard.push_back(w->getUserEventArg1());
    w->setUserEventResult(w->getUserEventArg1() + w->getUserEventArg4());
  });
  window->addUserEventListener(&listener);
  window->show(true, false);
  bool answersRight = true;
  std::thread worker([&] {
    for (int64_t i = 0; i < 11000; ++i) {
      answersRight = answersRight && w->sendUserEvent(i, 0, 0, 1) == i + 1;
    }
  });
  worker.join();
  EXPECT_TRUE(answersRight);
  ASSERT_EQ(heard.size(), 11000u);
  for (int64_t i = 0; i < 11000; ++i) {
    ASSERT_EQ(heard[static_cast<size_t>(i)], i);
  }
}

TEST(Window, PostedEventKeepsItsArgumentsPastALaterSend) {
  WindowHolder window;
  Window* w = window.window;
  std::vector<int64_t> heard;
  Listener listener([&](int32_t) { heard.push_back(w->getUserEventArg2()); });
  window->addUserEventListener(&listener);
  EXPECT_EQ(window->postUserEvent(0, 11, 0, 0), 1);
  window->sendUserEvent(0, 22, 0, 0);
  ASSERT_TRUE(waitFor([&] { return heard.size() == 2; }));
  // A sent message may overtake a posted one, as on Windows; each keeps its own arguments.
  std::sort(heard.begin(), heard.end());
  EXPECT_EQ(heard, (std::vector<int64_t>{11, 22}));
}

TEST(Window, CloseListenerCanVetoAndWaitingEndsOnlyAfterTheClose) {
  WindowHolder window;
  Window* w = window.window;
  std::atomic<int> asked{0};
  Listener veto([&](int32_t) {
    if (asked++ == 0) {
      w->cancelClose();
    }
  });
  window->addCloseListener(&veto);
  window->show(true, false);
  window->close();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(window->isClosed());
  EXPECT_TRUE(window->isVisible());
  std::atomic<bool> waiting{false};
  std::thread closer([w, &waiting] {
    waitFor([&] { return waiting.load(); });
    w->close();
  });
  waiting = true;
  window->waitUntilClosed();
  closer.join();
  EXPECT_TRUE(window->isClosed());
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(IsWindow(window->getHandle())) << "a closed frame is hidden, not destroyed";
}

TEST(Window, TwoWindowsRunOnTwoThreadsAndReleasingDestroysFrameAndOwner) {
  Window* first = Window::take();
  WindowHolder second;
  const HWND frame = first->getHandle();
  const HWND owner = first->getOwnerHandle();
  EXPECT_NE(GetWindowThreadProcessId(frame, nullptr),
            GetWindowThreadProcessId(second->getHandle(), nullptr));
  first->close();
  first->release();
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_FALSE(IsWindow(owner));
  Window* w = second.window;
  Listener answer([w](int32_t) { w->setUserEventResult(7); });
  second->addUserEventListener(&answer);
  EXPECT_EQ(second->sendUserEvent(0, 0, 0, 0), 7) << "the other window still pumps";
}

TEST(Window, PrivateMessagesReachTheirEvents) {
  WindowHolder window;
  std::vector<int32_t> heard;
  Listener record([&](int32_t id) { heard.push_back(id); });
  window->addInstanceListener(&record);
  window->addKeyDownListener(&record);
  window->addUserEventListener(&record);
  const HWND frame = window->getHandle();
  SendMessageW(frame, Window::kInstanceMessage, 0, 0);
  SendMessageW(frame, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(window->getKeyCode(), VK_RETURN);
  SendMessageW(frame, WM_KEYDOWN, 'A', 0);
  EXPECT_EQ(window->getKeyCode(), 'A');
  EXPECT_EQ(heard, (std::vector<int32_t>{Window::kInstance, Window::kKeyDown, Window::kKeyDown}))
      << "one instance event, whatever else listens";
}

TEST(Window, UserTimerIsTheNativeTimerPastTenThousand) {
  WindowHolder window;
  Window* w = window.window;
  std::atomic<int64_t> fired{-1};
  Listener timer([&](int32_t) {
    fired = w->getFiredTimerId();
    w->consumeTimer();
    w->stopTimer(5);
  });
  window->addTimerListener(&timer);
  ASSERT_TRUE(window->startTimer(5, 10));
  EXPECT_TRUE(waitFor([&] { return fired.load() != -1; }));
  EXPECT_EQ(fired, 5);
  // The native timer of id 5 is 10005: a WM_TIMER of that id is the same user timer.
  fired = -1;
  SendMessageW(window->getHandle(), WM_TIMER, 10005, 0);
  EXPECT_EQ(fired, 5);
}

TEST(Window, OpacityOnlyOnTopWaitsForKeepOnTop) {
  WindowHolder window;
  const HWND frame = window->getHandle();
  window->setOpacity(50, true);
  EXPECT_EQ(GetWindowLongPtrW(frame, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  window->setKeepOnTop(true);
  ASSERT_NE(GetWindowLongPtrW(frame, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(frame, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 127);
  EXPECT_TRUE(window->isKeepOnTop());
  window->setKeepOnTop(false);
  EXPECT_EQ(GetWindowLongPtrW(frame, GWL_EXSTYLE) & WS_EX_LAYERED, 0) << "opaque again off top";
}

TEST(Window, LightBackgroundHalvesTheDistanceToWhite) {
  WindowHolder window;
  window->setBackgroundLight(false);
  const COLORREF text = GetSysColor(COLOR_INACTIVECAPTIONTEXT);
  auto light = [](uint32_t c) { return 255 - (255 - c) / 2; };
  EXPECT_EQ(window->getBackgroundColor(),
            light(GetRValue(text)) | light(GetGValue(text)) << 8 | light(GetBValue(text)) << 16);
  window->setBackgroundColor(0x1FF, 2, 3, false);
  EXPECT_EQ(window->getBackgroundColor(), 0x0302FFu) << "each channel keeps its low 8 bits";
}

TEST(Window, SizingKeepsTheMinimumByMovingTheDraggedEdge) {
  WindowHolder window;
  window->setMinimumWidth(200);
  window->setMinimumHeight(100);
  RECT proposed{100, 100, 150, 130};
  SendMessageW(window->getHandle(), WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&proposed));
  EXPECT_TRUE(window->isSizingTopLeft());
  EXPECT_EQ(proposed.left, -50);
  EXPECT_EQ(proposed.top, 30);
  EXPECT_EQ(proposed.right, 150);
  EXPECT_EQ(proposed.bottom, 130);
  proposed = RECT{100, 100, 150, 130};
  SendMessageW(window->getHandle(), WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&proposed));
  EXPECT_TRUE(window->isSizingBottom());
  EXPECT_EQ(proposed.right, 300);
  EXPECT_EQ(proposed.bottom, 200);
}

/// A control that records the messages reflected to it.
std::vector<std::pair<UINT, std::pair<WPARAM, LPARAM>>> g_reflected;

LRESULT CALLBACK controlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_APP + 3 && message <= WM_APP + 21) {
    g_reflected.push_back({message, {wParam, lParam}});
    return 9;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(WindowClass, NotificationsAreReflectedToTheirControl) {
  EXPECT_TRUE(s::gui::win::registerWindowClass());
  EXPECT_TRUE(s::gui::win::registerWindowClass()) << "the second call registers nothing";
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &controlProc;
  wc.lpszClassName = u"ReflectionTestControl";
  RegisterClassExW(&wc);
  HWND control = CreateWindowExW(0, u"ReflectionTestControl", u"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, nullptr, nullptr);
  ASSERT_NE(control, nullptr);
  WindowHolder window;
  const HWND frame = window->getHandle();
  g_reflected.clear();
  const auto controlParam = reinterpret_cast<LPARAM>(control);
  EXPECT_EQ(SendMessageW(frame, WM_COMMAND, MAKEWPARAM(4, 0x300), controlParam), 0);
  struct {
    HWND from;
    UINT_PTR id;
    UINT code;
  } header{control, 4, static_cast<UINT>(-101)};
  EXPECT_EQ(SendMessageW(frame, WM_NOTIFY, 4, reinterpret_cast<LPARAM>(&header)), 0)
      << "an item change answers 0 whatever the control says";
  header.code = static_cast<UINT>(-12);
  EXPECT_EQ(SendMessageW(frame, WM_NOTIFY, 4, reinterpret_cast<LPARAM>(&header)), 9);
  EXPECT_EQ(SendMessageW(frame, WM_CTLCOLORSTATIC, 77, controlParam), 9);
  ASSERT_EQ(g_reflected.size(), 4u);
  EXPECT_EQ(g_reflected[0].first, static_cast<UINT>(WM_APP + 12));
  EXPECT_EQ(g_reflected[0].second.first, MAKEWPARAM(4, 0x300));
  EXPECT_EQ(g_reflected[0].second.second, controlParam);
  EXPECT_EQ(g_reflected[1].first, static_cast<UINT>(WM_APP + 6));
  EXPECT_EQ(g_reflected[2].first, static_cast<UINT>(WM_APP + 14));
  EXPECT_EQ(g_reflected[3].first, static_cast<UINT>(WM_APP + 3));
  EXPECT_EQ(g_reflected[3].second.first, 77u);
  DestroyWindow(control);
}

}  // namespace

namespace {

/// A child that notes the thread its native control would be made on.
class Child : public lumetra::testgui::Fake {
 public:
  Child() : Fake(50, 1000, 20, 20) {}
  void setParent(s::gui::IComponent* parent) override {
    parents.push_back(parent);
    threads.push_back(GetCurrentThreadId());
  }
  std::vector<s::gui::IComponent*> parents;
  std::vector<DWORD> threads;
};

TEST(Window, ChildrenGetTheirControlOnTheUiThreadAndAreLaidOut) {
  WindowHolder window;
  Child child;
  window->add(&child);
  ASSERT_EQ(child.parents.size(), 1u);
  EXPECT_EQ(child.parents[0], static_cast<s::gui::IComponent*>(window.window));
  EXPECT_EQ(child.threads[0], GetWindowThreadProcessId(window->getHandle(), nullptr));
  EXPECT_EQ(child.getWidth(), window->getClientWidth()) << "the column gives it the width";
  EXPECT_EQ(window->getMinimumWidth(), 50 + window->getFrameWidth());
  window->remove(&child, true);
  EXPECT_EQ(window->getChildCount(), 0);
  ASSERT_EQ(child.parents.size(), 2u);
  EXPECT_EQ(child.parents[1], nullptr) << "a removed child loses its control";
}

TEST(Window, SendsToAWindowWhoseThreadEndedFailAtOnce) {
  Window* window = Window::take();
  const DWORD thread = GetWindowThreadProcessId(window->getHandle(), nullptr);
  ASSERT_TRUE(PostThreadMessageW(thread, WM_QUIT, 0, 0));
  ASSERT_TRUE(waitFor([&] { return !IsWindow(window->getHandle()); }))
      << "the thread's windows go with it";
  // With the clock standing still no wait can end by its time-out: the send and the release
  // return only because the thread is seen to have ended.
  winapi::HeadlessDriver* headless = winapi::HeadlessDriver::current();
  headless->advanceClock(0);
  std::atomic<LRESULT> sent{-1};
  std::atomic<bool> released{false};
  std::thread releasing([&] {
    sent = window->sendUserEvent(1, 2, 3, 4);
    window->release();
    released = true;
  });
  EXPECT_TRUE(lumetra::testlib::waitUntil([&] { return released.load(); }))
      << "a thread that ended is stopped without waiting out its time";
  EXPECT_EQ(sent.load(), 0);
  headless->runClock();  // a release that waits for its time-out ends, so the thread is joined
  releasing.join();
}

}  // namespace

namespace {
std::atomic<int> g_refusedFrames{0};
winapi::seam::CreateWindowExFunction g_realCreate = nullptr;
// Refuses the frame window (the owner is made first, of the same class) once.
HWND WINAPI refuseTheFrameOnce(DWORD exStyle, LPCWSTR className, LPCWSTR name, DWORD style, int x,
                               int y, int w, int h, HWND parent, HMENU menu, HINSTANCE instance,
                               LPVOID param) {
  if (parent != nullptr && (style & WS_CHILD) == 0 && g_refusedFrames.fetch_add(1) == 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return g_realCreate(exStyle, className, name, style, x, y, w, h, parent, menu, instance, param);
}
}  // namespace

TEST(Window, AFrameThatCannotBeMadeSaysSoOnceAndLeavesNoFrame) {
  g_refusedFrames = 0;
  g_realCreate = winapi::seam::replaceCreateWindowExW(&refuseTheFrameOnce);
  testing::internal::CaptureStderr();
  {
    WindowHolder window;
    EXPECT_EQ(window->getHandle(), nullptr);
  }
  const std::string log = testing::internal::GetCapturedStderr();
  winapi::seam::replaceCreateWindowExW(g_realCreate);
  EXPECT_EQ(g_refusedFrames.load(), 1);
  const std::string line = "Error!: Window Creation Failed!\n";
  ASSERT_NE(log.find(line), std::string::npos) << log;
  EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos)
      << "one box per attempt: " << log;

  WindowHolder next;
  EXPECT_NE(next->getHandle(), nullptr) << "the next window is made as usual";
}
