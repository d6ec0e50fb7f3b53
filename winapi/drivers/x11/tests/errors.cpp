// X errors that the X11 driver's requests meet: reported on the x11 debug channel, and the
// driver goes on. Runs under the Xvfb that x11.cpp starts for this test program.
#include <windows.h>

// GoogleTest comes before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "testlib/X11Windows.h"
#include "winapi/base/debug.h"
#include "winapi/gdi32/DisplayDriver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

// Standard error goes to a temporary file while the object lives.
class StandardErrorFile {
 public:
  StandardErrorFile() : m_file(std::tmpfile()), m_saved(dup(STDERR_FILENO)) {
    if (m_file != nullptr) dup2(fileno(m_file), STDERR_FILENO);
  }
  ~StandardErrorFile() {
    dup2(m_saved, STDERR_FILENO);
    close(m_saved);
    if (m_file != nullptr) std::fclose(m_file);
  }
  std::string text() {
    std::string all;
    if (m_file == nullptr) return all;
    std::rewind(m_file);
    char chunk[512];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, m_file)) > 0) all.append(chunk, n);
    return all;
  }

 private:
  std::FILE* m_file;
  int m_saved;
};

// The X window another client sees with the given title, or 0.
Window windowTitled(Display* viewer, const char* title) {
  Window found = 0;
  for (Window w : lumetra::testlib::clientWindows(viewer)) {
    char* name = nullptr;
    if (found == 0 && XFetchName(viewer, w, &name) && name != nullptr && std::strcmp(name, title) == 0) found = w;
    if (name != nullptr) XFree(name);
  }
  return found;
}

template <typename Done>
bool waitFor(Done done) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace

TEST(X11Errors, AnErrorOfTheDriversRequestsIsReportedAndTheDriverGoesOn) {
  if (std::strcmp(winapi::displayDriver().name(), "x11") != 0) GTEST_SKIP() << "no X server for the x11 driver";
  setenv("LUMETRA_DEBUG", "x11", 1);
  winapi::debug::configureFromEnvironment();

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"X11ErrorTest";
  RegisterClassExW(&wc);
  HWND top = CreateWindowExW(0, u"X11ErrorTest", u"Doomed", WS_POPUP | WS_VISIBLE, 10, 10, 50, 40, nullptr, nullptr,
                             nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  Display* viewer = XOpenDisplay(nullptr);
  ASSERT_NE(viewer, nullptr);
  Window native = 0;
  ASSERT_TRUE(waitFor([&] { return (native = windowTitled(viewer, "Doomed")) != 0; }));

  std::string text;
  {
    StandardErrorFile capture;
    // Another client destroys the window, as a window manager may; the layer's next request on
    // it then fails on the server.
    XDestroyWindow(viewer, native);
    XSync(viewer, False);
    SetWindowTextW(top, u"Renamed");
    EXPECT_TRUE(waitFor([&] { return capture.text().find("BadWindow") != std::string::npos; })) << capture.text();
    text = capture.text();
  }
  EXPECT_NE(text.find(":warn:x11:reportError X error 3 (BadWindow"), std::string::npos) << text;
  char resource[32];
  std::snprintf(resource, sizeof resource, "resource 0x%lx", static_cast<unsigned long>(native));
  EXPECT_NE(text.find(resource), std::string::npos) << text;
  DestroyWindow(top);

  // The driver still makes windows.
  HWND next = CreateWindowExW(0, u"X11ErrorTest", u"Survivor", WS_POPUP | WS_VISIBLE, 10, 10, 50, 40, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(next, nullptr);
  EXPECT_TRUE(waitFor([&] { return windowTitled(viewer, "Survivor") != 0; }));
  DestroyWindow(next);
  XCloseDisplay(viewer);
  unsetenv("LUMETRA_DEBUG");
  winapi::debug::configureFromEnvironment();
}
