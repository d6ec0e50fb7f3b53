// toolkit_demo: a window of the toolkit on its own UI thread, driven from the main thread and a
// worker. It prints how long 11,000 user events from the worker took and when the window first
// painted, and ends when its window closes.
//
//   toolkit_demo [--own-frame] [--png PATH] [--seconds N] [--ask]
//
// --own-frame gives the window a drawer of its own, so it paints its frame and sizes by its
// borders; --png writes the window's frame as a PNG after the events (headless display only);
// --seconds closes the window after N seconds; --ask puts a Yes/No question box over the window,
// prints the answer and closes the window.
#include "core/thread/ClassTail.h"
#include "gui/drawer/IWindow.h"
#include "gui/win/Window.h"

#include <windows.h>
#include <afxwin.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

/// The demo's window drawer: a filled background, a one-pixel frame and a line of text.
class DemoDrawer final : public s::gui::drawer::IWindow {
  S_POOLED_CLASS(DemoDrawer, u"DemoDrawer")

  DemoDrawer() = default;
  void reset() override {}

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    if (left >= right || top >= bottom) {
      return;
    }
    dc->FillSolidRect(left, top, right - left, bottom - top, RGB(0xD8, 0xE8, 0xF8));
    CBrush frame(RGB(0x20, 0x40, 0x80));
    const RECT outline{left, top, right, bottom};
    dc->FrameRect(&outline, &frame);
    RECT line{left + 8, top + 8, right - 8, top + 32};
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(RGB(0x20, 0x40, 0x80));
    dc->DrawText(u"Toolkit demo: drag the borders to size", -1, &line,
                 DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOPREFIX);
  }

  HRGN createRegion(int32_t left, int32_t top, int32_t right, int32_t bottom) override {
    return ::CreateRectRgn(left, top, right, bottom);
  }
};

/// Counts the user events and answers each with its counter; reports a close.
class DemoListener final : public s::gui::events::IEventListener {
 public:
  explicit DemoListener(s::gui::win::Window* window) : m_window(window) {}
  void onEvent(s::base::IObject*, int32_t eventId) override {
    if (eventId == s::gui::win::Window::kUserEvent) {
      ++events;
      m_window->setUserEventResult(m_window->getUserEventArg1());
    } else if (eventId == s::gui::win::Window::kClose) {
      std::printf("closing\n");
      std::fflush(stdout);
    }
  }
  std::atomic<int64_t> events{0};

 private:
  s::gui::win::Window* m_window;
};

int64_t millisSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  bool ownFrame = false;
  const char* png = nullptr;
  int seconds = -1;
  bool ask = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--own-frame") == 0) {
      ownFrame = true;
    } else if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
      png = argv[++i];
    } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--ask") == 0) {
      ask = true;
    } else {
      std::fprintf(stderr,
                   "usage: toolkit_demo [--own-frame] [--png PATH] [--seconds N] [--ask]\n");
      return 2;
    }
  }

  const Clock::time_point taken = Clock::now();
  s::gui::win::Window* window = s::gui::win::Window::take();
  if (window == nullptr || window->getHandle() == nullptr) {
    std::fprintf(stderr, "toolkit_demo: the window could not be made\n");
    return 1;
  }
  const int64_t constructionMs = millisSince(taken);
  DemoListener listener(window);
  window->addCloseListener(&listener);
  window->addUserEventListener(&listener);
  window->setTitle(u"Toolkit demo");
  window->setBackgroundColor(0xAD, 0xD8, 0xE6, false);
  window->setSize(480, 320);
  if (ownFrame) {
    window->setWindowDrawer(DemoDrawer::take(), true);
  }
  window->show(true, true);
  std::printf("first paint after %lld ms (construction %lld ms)\n",
              static_cast<long long>(millisSince(taken)), static_cast<long long>(constructionMs));

  const Clock::time_point sending = Clock::now();
  std::thread worker([window] {
    for (int64_t i = 0; i < 11000; ++i) {
      window->sendUserEvent(i, 0, 0, 0);
    }
  });
  worker.join();
  std::printf("user events: %lld in %lld ms\n", static_cast<long long>(listener.events.load()),
              static_cast<long long>(millisSince(sending)));
  std::fflush(stdout);

  if (png != nullptr) {
    winapi::HeadlessDriver* headless = winapi::HeadlessDriver::current();
    if (headless == nullptr || !headless->dumpFrame(window->getHandle(), png)) {
      std::fprintf(stderr, "toolkit_demo: --png needs the headless display\n");
    }
  }
  if (ask) {
    const int answer = MessageBoxW(window->getHandle(), u"Keep the changes?", u"Toolkit question",
                                   MB_YESNO | MB_ICONQUESTION);
    std::printf("answer: %s\n", answer == IDYES ? "yes" : answer == IDNO ? "no" : "none");
    std::fflush(stdout);
    window->close();
  }
  std::thread closer;
  if (seconds >= 0) {
    closer = std::thread([window, seconds] {
      std::this_thread::sleep_for(std::chrono::seconds(seconds));
      window->close();
    });
  }
  window->waitUntilClosed();
  if (closer.joinable()) {
    closer.join();
  }
  window->release();
  return 0;
}
