// Windows of another process: this test starts a second copy of itself that opens a window,
// then finds it, reads its title and owner, sends it messages with timeouts, and sees it go
// when the process ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr UINT kComeToFront = WM_USER + 3;
constexpr UINT kStall = WM_USER + 9;
const char16_t kTitle[] = u"Remote helper window";

LRESULT CALLBACK helperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kComeToFront) return 42 + static_cast<LRESULT>(wParam);
  if (message == kStall) {
    Sleep(static_cast<DWORD>(wParam));
    return 1;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Runs only in the second process, started by the test below (disabled in ordinary runs).
TEST(RemoteHelper, DISABLED_ServesAWindowForTheCrossProcessTest) {
  if (getenv("LUMETRA_REMOTE_HELPER") == nullptr) GTEST_SKIP() << "runs only as the helper process";
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = helperProc;
  wc.lpszClassName = u"RemoteHelper";
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, u"RemoteHelper", kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
}

struct Found {
  std::vector<HWND> windows;
};

BOOL CALLBACK collect(HWND hwnd, LPARAM param) {
  reinterpret_cast<Found*>(param)->windows.push_back(hwnd);
  return TRUE;
}

HWND findByTitle() {
  Found found;
  EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
  for (HWND h : found.windows) {
    WCHAR title[64] = {};
    if (GetWindowTextW(h, title, 64) > 0 && std::u16string(title) == kTitle) return h;
  }
  return nullptr;
}

TEST(Remote, WindowsOfAnotherProcessAreFoundAndAnswerWithTimeouts) {
  char folder[] = "/tmp/lumetra-remote-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  setenv("XDG_RUNTIME_DIR", folder, 1);
  pid_t child = fork();
  if (child == 0) {
    setenv("LUMETRA_REMOTE_HELPER", "1", 1);
    execl("/proc/self/exe", "helper", "--gtest_filter=RemoteHelper.*", "--gtest_also_run_disabled_tests",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(child, 0);
  HWND remote = nullptr;
  for (int i = 0; i < 500 && remote == nullptr; ++i) {
    remote = findByTitle();
    if (remote == nullptr) Sleep(10);
  }
  ASSERT_NE(remote, nullptr) << "the helper's window was not published";
  EXPECT_TRUE(IsWindow(remote));
  EXPECT_EQ(GetWindowTextLengthW(remote), static_cast<int>(std::u16string(kTitle).size()));
  EXPECT_EQ(FindWindowW(nullptr, kTitle), remote);
  DWORD pid = 0;
  EXPECT_NE(GetWindowThreadProcessId(remote, &pid), 0u);
  EXPECT_EQ(pid, static_cast<DWORD>(child));

  DWORD_PTR result = 0;
  ASSERT_NE(SendMessageTimeoutW(remote, kComeToFront, 3, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 2000, &result), 0);
  EXPECT_EQ(result, 45u);
  EXPECT_EQ(SendMessageW(remote, kComeToFront, 0, 0), 42);

  // A window busy for 1.5 s: the 200 ms timeout is honoured across the processes.
  PostMessageW(nullptr, WM_NULL, 0, 0);
  auto start = std::chrono::steady_clock::now();
  result = 7;
  EXPECT_EQ(SendMessageTimeoutW(remote, kStall, 1500, 0, SMTO_NORMAL, 200, &result), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1200));
  EXPECT_EQ(result, 0u);

  // A message whose parameters would be pointers does not cross.
  EXPECT_EQ(SendMessageTimeoutW(remote, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"x"), SMTO_NORMAL, 500, &result), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(findByTitle(), nullptr) << "a dead process's windows are still listed";
  EXPECT_FALSE(IsWindow(remote));
  EXPECT_EQ(SendMessageTimeoutW(remote, kComeToFront, 0, 0, SMTO_NORMAL, 500, &result), 0);
  std::filesystem::remove_all(folder);
}

}  // namespace
