// The end of the session: SIGTERM to a process with windows delivers WM_ENDSESSION (TRUE, 0) to
// each top-level window on its own thread, then closes the windows, and the process ends as it
// does after a close.
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/TempDir.h"

#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::ofstream* g_log = nullptr;
DWORD g_windowThread = 0;

LRESULT CALLBACK sessionProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ENDSESSION:
      *g_log << "endsession " << wParam << " " << lParam << " "
             << (GetCurrentThreadId() == g_windowThread ? "own" : "other") << "\n";
      g_log->flush();
      return 0;
    case WM_CLOSE:
      *g_log << "close\n";
      g_log->flush();
      break;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

TEST(SessionHelper, DISABLED_RunsAWindowUntilClosed) {
  const char* logPath = getenv("LUMETRA_SESSION_LOG");
  ASSERT_NE(logPath, nullptr);
  std::ofstream log(logPath);
  g_log = &log;
  g_windowThread = GetCurrentThreadId();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = sessionProc;
  wc.lpszClassName = u"SessionHelper";
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, u"SessionHelper", u"Session", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                              nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  log << "ready\n";
  log.flush();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  log << "ended\n";
  log.flush();
}

TEST(Session, SigtermDeliversEndSessionAndTheProgramEndsAsAfterAClose) {
  lumetra::testlib::TempDir dir;
  std::string logPath = dir.file("session.log").string();
  lumetra::testlib::ChildProcess child = lumetra::testlib::ChildProcess::helperTest(
      "SessionHelper.DISABLED_RunsAWindowUntilClosed", {{"LUMETRA_SESSION_LOG", logPath}});
  ASSERT_TRUE(child.started());
  auto readLog = [&] {
    std::ifstream in(logPath);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (readLog().find("ready") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_NE(readLog().find("ready"), std::string::npos);
  kill(child.pid(), SIGTERM);
  ASSERT_TRUE(child.wait(10000));
  EXPECT_EQ(child.exitCode(), 0);
  EXPECT_EQ(readLog(), "ready\nendsession 1 0 own\nclose\nended\n");
}
