// A second start of the program hands over to the copy that runs: the running copy's main
// window, titled with the program's title and version, is told to come to the front, and the
// second start ends without a window of its own. Both copies run from a private copy of this
// test program, so no other test's process counts as a running copy.
#include "app/LumetraApp.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using lumetra::testlib::ChildProcess;

HWND g_owner = nullptr;
HWND g_main = nullptr;

LRESULT CALLBACK runningProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 3 || message == WM_USER + 7) {
    std::printf("%s %u\n", hwnd == g_main ? "main" : hwnd == g_owner ? "owner" : "other", message);
    std::fflush(stdout);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

// The running copy: an untitled owner first (as the toolkit's windows have), then the main
// window with the title the program gives it.
TEST(HandOverHelper, DISABLED_RunningCopy) {
  if (std::getenv("LUMETRA_HANDOVER_HELPER") == nullptr) {
    GTEST_SKIP() << "runs only as a copy started by the tests";
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = runningProc;
  wc.lpszClassName = u"RunningCopy";
  RegisterClassExW(&wc);
  g_owner = CreateWindowExW(0, u"RunningCopy", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            nullptr, nullptr);
  g_main = CreateWindowExW(0, u"RunningCopy", u"Lumetra v1.00", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                           0, 200, 100, g_owner, nullptr, nullptr, nullptr);
  ASSERT_NE(g_main, nullptr);
  std::printf("ready\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageW(&msg);
  }
}

// The second start: the program's own start-up.
TEST(HandOverHelper, DISABLED_SecondStart) {
  if (std::getenv("LUMETRA_HANDOVER_HELPER") == nullptr) {
    GTEST_SKIP() << "runs only as a copy started by the tests";
  }
  std::printf("answer %d\n", theApp.InitInstance());
  std::fflush(stdout);
}

TEST(HandOver, ASecondStartBringsTheRunningCopysMainWindowForward) {
  lumetra::testlib::TempDir folder;
  std::filesystem::create_directories(folder.file("run"));
  const std::filesystem::path program = folder.file("lumetra-copy");
  std::filesystem::copy_file(lumetra::testlib::selfPath(), program);
  const lumetra::testlib::Environment environment = {
      {"LUMETRA_HANDOVER_HELPER", "1"},
      {"XDG_RUNTIME_DIR", folder.file("run").string()},
      {"LUMETRA_REGISTRY", folder.file("registry.sqlite3").string()},
      {"LANG", "en_US.UTF-8"}};
  auto start = [&](const char* helper) {
    return ChildProcess(
        {program.string(), std::string("--gtest_filter=HandOverHelper.DISABLED_") + helper,
         "--gtest_also_run_disabled_tests"},
        environment, true);
  };

  ChildProcess running = start("RunningCopy");
  std::string shown;
  auto showsLine = [&](const char* line) {
    return lumetra::testlib::waitUntil([&] {
      shown += running.readOutput();
      return shown.find(line) != std::string::npos;
    });
  };
  showsLine("ready");
  ASSERT_NE(shown.find("ready"), std::string::npos) << shown;

  const auto began = std::chrono::steady_clock::now();
  ChildProcess second = start("SecondStart");
  ASSERT_TRUE(second.wait(20000)) << "the second start ends by itself";
  const auto took = std::chrono::steady_clock::now() - began;
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_NE(second.readOutputToEnd().find("answer 0"), std::string::npos);
  EXPECT_LT(took, std::chrono::seconds(5));

  // The hand-over's sends are answered, and their lines written, before the second start ends.
  showsLine("main 1027");
  EXPECT_NE(shown.find("main 1027"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("owner"), std::string::npos) << "the untitled owner is never the target";
  EXPECT_EQ(shown.find("1031"), std::string::npos) << "no instance event is sent";
  EXPECT_TRUE(running.running());
}
