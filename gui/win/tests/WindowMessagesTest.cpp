// The window's private and system messages: message boxes on the UI thread, coming to the
// front, the middle-click action, the end of the session, power and clipboard notices, and the
// end of a mouse capture.
#include "gui/app/AppHooks.h"
#include "gui/app/IAppWindow.h"
#include "gui/win/Window.h"
#include "gui/win/tests/Listener.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using s::gui::win::Window;

struct Box {
  std::u16string text;
  UINT type = 0;
  DWORD thread = 0;
};
std::vector<Box> g_boxes;
int g_answer = IDYES;

int WINAPI answerBox(HWND, LPCWSTR text, LPCWSTR, UINT type) {
  g_boxes.push_back(Box{text, type, GetCurrentThreadId()});
  return g_answer;
}

TEST(WindowMessages, MessageBoxesRunOnTheUiThread) {
  g_boxes.clear();
  const auto layers = winapi::seam::replaceMessageBoxW(&answerBox);
  Window* window = Window::take();
  const DWORD uiThread = GetWindowThreadProcessId(window->getHandle(), nullptr);
  window->showInformation(u"Done!");
  window->showError(u"Broken");
  g_answer = IDYES;
  EXPECT_TRUE(window->askYesNo(u"Again?"));
  g_answer = IDNO;
  EXPECT_FALSE(window->askYesNo(u"Again?"));
  window->release();
  winapi::seam::replaceMessageBoxW(layers);
  ASSERT_EQ(g_boxes.size(), 4u);
  EXPECT_EQ(g_boxes[0].text, u"Done!");
  EXPECT_EQ(g_boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(g_boxes[1].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(g_boxes[2].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
  for (const Box& box : g_boxes) {
    EXPECT_EQ(box.thread, uiThread) << "the box of " << box.text.size() << " units";
  }
}

TEST(WindowMessages, ComingToTheFrontRestoresAMinimisedWindow) {
  Window* window = Window::take();
  window->show(true, false);
  window->minimize();
  ASSERT_TRUE(window->isMinimized());
  SendMessageW(window->getHandle(), Window::kComeToFrontMessage, 0, 0);
  EXPECT_FALSE(window->isMinimized());
  window->release();
}

TEST(WindowMessages, MiddleClickCarriesOutItsAction) {
  Window* window = Window::take();
  std::vector<int32_t> heard;
  Listener record([&](int32_t id) { heard.push_back(id); });
  window->addMiddleButtonDownListener(&record);
  window->show(true, false);
  SendMessageW(window->getHandle(), WM_MBUTTONDOWN, 0, 0);
  EXPECT_FALSE(window->isClosed()) << "\"DoNothing\" by default";
  window->setMiddleClickAction(u"Close");
  SendMessageW(window->getHandle(), WM_MBUTTONDOWN, 0, 0);
  EXPECT_TRUE(window->isClosed());
  EXPECT_EQ(heard, (std::vector<int32_t>{Window::kMiddleButtonDown, Window::kMiddleButtonDown}));
  window->release();
}

class SavingHooks : public s::app::IAppHooks {
 public:
  void saveSettings(s::app::win::AppBase*) override { ++saves; }
  std::atomic<int> saves{0};
};

TEST(WindowMessages, TheEndOfTheSessionClosesTheWindow) {
  SavingHooks hooks;
  s::app::setAppHooks(&hooks);
  Window* window = Window::take();
  window->show(true, false);
  SendMessageW(window->getHandle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(window->isShuttingDown());
  EXPECT_TRUE(window->isClosed());
  EXPECT_EQ(hooks.saves, 0) << "without a settings record there is nothing to save";
  window->release();
  s::app::setAppHooks(nullptr);
}

TEST(WindowMessages, PowerClipboardAndCaptureNotices) {
  Window* window = Window::take();
  const HWND frame = window->getHandle();
  std::vector<int32_t> heard;
  Listener record([&](int32_t id) { heard.push_back(id); });
  window->addClipboardListener(&record);
  window->addCaptureChangedListener(&record);

  SendMessageW(frame, WM_POWERBROADCAST, 4, 0);  // suspending
  EXPECT_TRUE(window->isSuspended());
  SendMessageW(frame, WM_POWERBROADCAST, 18, 0);  // resumed by itself
  EXPECT_FALSE(window->isSuspended());

  EXPECT_EQ(SendMessageW(frame, WM_DRAWCLIPBOARD, 0, 0), 0);
  SendMessageW(frame, WM_CHANGECBCHAIN, 0, 0);

  SendMessageW(frame, WM_CAPTURECHANGED, 0, 0);
  EXPECT_EQ(heard, (std::vector<int32_t>{Window::kClipboard})) << "no capture was asked for";
  window->captureMouse();
  SendMessageW(frame, WM_CAPTURECHANGED, 0, 0);
  EXPECT_EQ(heard, (std::vector<int32_t>{Window::kClipboard, Window::kCaptureChanged}));
  POINT pointer{};
  GetCursorPos(&pointer);
  EXPECT_EQ(window->getCaptureX(), pointer.x);
  EXPECT_EQ(window->getCaptureY(), pointer.y);
  window->release();
}

}  // namespace
