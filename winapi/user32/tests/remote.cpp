// Windows of another process: this test starts a second copy of itself that opens a window,
// then finds it, reads its title and owner, sends it messages with timeouts, and sees it go
// when the process ends.
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"
#include "winapi/user32/remote_protocol.h"

#include <stdlib.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

namespace {

constexpr UINT kComeToFront = WM_USER + 3;
constexpr UINT kStall = WM_USER + 9;
const char16_t kTitle[] = u"Remote helper window";

LRESULT CALLBACK helperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kComeToFront) return 42 + static_cast<LRESULT>(wParam);
  if (message == kStall) {
    // Busy until the test ends the process.
    std::promise<void>().get_future().wait();
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

// The helper's window once it is published.
HWND waitForHelperWindow() {
  HWND remote = nullptr;
  lumetra::testlib::waitUntil([&] {
    remote = findByTitle();
    return remote != nullptr;
  });
  return remote;
}

using winapi::remote::Request;
using winapi::remote::Response;
using winapi::remote::WindowEntry;

Request validRequest(HWND hwnd, UINT message) {
  return Request{winapi::remote::kMagic,
                 winapi::remote::kSend,
                 reinterpret_cast<uint64_t>(hwnd),
                 message,
                 SMTO_BLOCK,
                 3,
                 4,
                 1000,
                 0};
}

LRESULT CALLBACK answeringProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 1) return static_cast<LRESULT>(wParam) * 10 + lParam;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(RemoteProtocol, DamagedRequestsAreRefusedBeforeAnythingIsSent) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = answeringProc;
  wc.lpszClassName = u"RemoteProtocolAnswering";
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, u"RemoteProtocolAnswering", u"", WS_OVERLAPPED, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  Request good = validRequest(hwnd, WM_USER + 1);
  Response r = winapi::remote::answer(&good, sizeof good);
  EXPECT_EQ(r.ok, 1u);
  EXPECT_EQ(r.result, 34);

  // Cut short, too long, a wrong magic or kind, a reserved field in use, an unknown flag.
  unsigned char longer[sizeof(Request) + 1] = {};
  std::memcpy(longer, &good, sizeof good);
  Request badMagic = good;
  badMagic.magic ^= 1;
  Request badKind = good;
  badKind.kind = 2;
  Request reserved = good;
  reserved.reserved = 1;
  Request unknownFlag = good;
  unknownFlag.flags |= 0x40;
  struct Case {
    const void* bytes;
    size_t size;
  };
  const Case damaged[] = {{&good, sizeof good - 1},     {longer, sizeof longer},
                          {&badMagic, sizeof badMagic}, {&badKind, sizeof badKind},
                          {&reserved, sizeof reserved}, {&unknownFlag, sizeof unknownFlag},
                          {nullptr, sizeof good},       {&good, 0}};
  for (const Case& c : damaged) {
    r = winapi::remote::answer(c.bytes, c.size);
    EXPECT_EQ(r.ok, 0u) << "a request of " << c.size << " bytes";
    EXPECT_EQ(r.error, static_cast<uint32_t>(ERROR_INVALID_PARAMETER));
  }
  Request pointers = validRequest(hwnd, WM_SETTEXT);
  EXPECT_EQ(winapi::remote::answer(&pointers, sizeof pointers).error, static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  Request elsewhere =
      validRequest(reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(hwnd) ^ (uint64_t{1} << 40)), WM_USER + 1);
  EXPECT_EQ(winapi::remote::answer(&elsewhere, sizeof elsewhere).error,
            static_cast<uint32_t>(ERROR_INVALID_WINDOW_HANDLE));
  DestroyWindow(hwnd);
  EXPECT_EQ(winapi::remote::answer(&good, sizeof good).error, static_cast<uint32_t>(ERROR_INVALID_WINDOW_HANDLE));

  Response answers[] = {{1, 0, 5}, {0, ERROR_TIMEOUT, 0}, {2, 0, 0}, {1, 5, 0}, {0, 0, 0}};
  Response decoded;
  EXPECT_TRUE(winapi::remote::decodeResponse(&answers[0], sizeof(Response), &decoded));
  EXPECT_TRUE(winapi::remote::decodeResponse(&answers[1], sizeof(Response), &decoded));
  for (int i = 2; i < 5; ++i)
    EXPECT_FALSE(winapi::remote::decodeResponse(&answers[i], sizeof(Response), &decoded)) << i;
  EXPECT_FALSE(winapi::remote::decodeResponse(&answers[0], sizeof(Response) - 1, &decoded));
}

TEST(RemoteProtocol, WindowListsKeepTheirWholeLinesAndSkipDamagedOnes) {
  const pid_t owner = 0x4d2;
  const WindowEntry first{reinterpret_cast<HWND>(uintptr_t{0x4d200000001}), 77, true, u"Ab\u00e9", u"R"};
  const WindowEntry second{reinterpret_cast<HWND>(uintptr_t{0x4d200000002}), 78, false, u"", u""};
  std::string list = winapi::remote::encodeWindowEntry(first) + winapi::remote::encodeWindowEntry(second);
  EXPECT_EQ(winapi::remote::decodeWindowList(list, owner), (std::vector<WindowEntry>{first, second}));
  // Fields after the class name are left for later layers; a CR before the newline is no field.
  EXPECT_EQ(winapi::remote::decodeWindowList("4d200000002 78 0 - - more fields\r\n", owner),
            (std::vector<WindowEntry>{second}));
  const char* damaged[] = {
      "zz 1 1 - -",                  // no handle
      "0 1 1 - -",                   // the null handle
      "4d300000001 1 1 - -",         // a window of another process
      "4d2000000001234567 1 1 - -",  // more than 64 bits
      "4d200000001 -1 1 - -",        // a negative thread id
      "4d200000001 4294967296 1 - -",
      "4d200000001 1 2 - -",     // visibility is 0 or 1
      "4d200000001 1 1 004 -",   // a title cut inside a unit
      "4d200000001 1 1 00zz -",  // a title that is not hex
      "4d200000001 1 1 0041",    // no class name
      "4d200000001 1 1 0041 -0041",
  };
  for (const char* line : damaged) {
    EXPECT_TRUE(winapi::remote::decodeWindowList(std::string(line) + "\n" + list, owner) ==
                (std::vector<WindowEntry>{first, second}))
        << line;
  }
}

// Points XDG_RUNTIME_DIR at a folder for as long as it lives, and back where it was after.
class RuntimeFolder {
 public:
  explicit RuntimeFolder(const std::string& path) {
    const char* old = getenv("XDG_RUNTIME_DIR");
    m_had = old != nullptr;
    if (m_had) m_old = old;
    setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
  }
  ~RuntimeFolder() {
    if (m_had) {
      setenv("XDG_RUNTIME_DIR", m_old.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }
  RuntimeFolder(const RuntimeFolder&) = delete;
  RuntimeFolder& operator=(const RuntimeFolder&) = delete;

 private:
  bool m_had = false;
  std::string m_old;
};

TEST(Remote, WindowsOfAnotherProcessAreFoundAndAnswerWithTimeouts) {
  // Both processes publish into a folder of this test's own.
  lumetra::testlib::TempDir folder;
  RuntimeFolder published(folder.path().string());
  lumetra::testlib::ChildProcess child = lumetra::testlib::ChildProcess::helperTest(
      "RemoteHelper.DISABLED_ServesAWindowForTheCrossProcessTest", {{"LUMETRA_REMOTE_HELPER", "1"}});
  ASSERT_TRUE(child.started());
  HWND remote = waitForHelperWindow();
  ASSERT_NE(remote, nullptr) << "the helper's window was not published";
  EXPECT_TRUE(IsWindow(remote));
  EXPECT_EQ(GetWindowTextLengthW(remote), static_cast<int>(std::u16string(kTitle).size()));
  EXPECT_EQ(FindWindowW(nullptr, kTitle), remote);
  DWORD pid = 0;
  EXPECT_NE(GetWindowThreadProcessId(remote, &pid), 0u);
  EXPECT_EQ(pid, static_cast<DWORD>(child.pid()));

  DWORD_PTR result = 0;
  ASSERT_NE(SendMessageTimeoutW(remote, kComeToFront, 3, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 2000, &result), 0);
  EXPECT_EQ(result, 45u);
  EXPECT_EQ(SendMessageW(remote, kComeToFront, 0, 0), 42);

  // A window that stays busy: the 200 ms timeout is honoured across the processes.
  PostMessageW(nullptr, WM_NULL, 0, 0);
  struct Answer {
    LRESULT sent;
    DWORD_PTR result;
    DWORD error;
  };
  auto stalled = std::async(std::launch::async, [remote] {
    DWORD_PTR stalledResult = 7;
    const LRESULT sent = SendMessageTimeoutW(remote, kStall, 0, 0, SMTO_NORMAL, 200, &stalledResult);
    return Answer{sent, stalledResult, GetLastError()};
  });
  ASSERT_EQ(stalled.wait_for(std::chrono::seconds(20)), std::future_status::ready)
      << "the send waits for the busy window instead of its time-out";
  const Answer answer = stalled.get();
  EXPECT_EQ(answer.sent, 0);
  EXPECT_EQ(answer.error, static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_EQ(answer.result, 0u);

  // A message whose parameters would be pointers does not cross.
  EXPECT_EQ(SendMessageTimeoutW(remote, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"x"), SMTO_NORMAL, 500, &result), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  child.kill();
  EXPECT_EQ(findByTitle(), nullptr) << "a dead process's windows are still listed";
  EXPECT_FALSE(IsWindow(remote));
  EXPECT_EQ(SendMessageTimeoutW(remote, kComeToFront, 0, 0, SMTO_NORMAL, 500, &result), 0);
}

}  // namespace

namespace {

TEST(Remote, WaitForInputIdleAnswersOnceTheProcessHasAWindowAndFailsOnceItEnded) {
  lumetra::testlib::TempDir folder;
  RuntimeFolder published(folder.path().string());
  // A process that never makes a window: the wait ends with its time-out.
  lumetra::testlib::ChildProcess windowless({"/usr/bin/tail", "-f", "/dev/null"});
  ASSERT_TRUE(windowless.started());
  HANDLE quiet = OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(windowless.pid()));
  ASSERT_NE(quiet, nullptr);
  EXPECT_EQ(WaitForInputIdle(quiet, 300), static_cast<DWORD>(WAIT_TIMEOUT));
  windowless.kill();
  EXPECT_EQ(WaitForInputIdle(quiet, 300), WAIT_FAILED);
  CloseHandle(quiet);

  lumetra::testlib::ChildProcess child = lumetra::testlib::ChildProcess::helperTest(
      "RemoteHelper.DISABLED_ServesAWindowForTheCrossProcessTest", {{"LUMETRA_REMOTE_HELPER", "1"}});
  ASSERT_TRUE(child.started());
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(child.pid()));
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(WaitForInputIdle(process, 5000), 0u);
  EXPECT_NE(findByTitle(), nullptr) << "idle before its window was listed";
  CloseHandle(process);
  EXPECT_EQ(WaitForInputIdle(reinterpret_cast<HANDLE>(0x4321), 10), WAIT_FAILED);
}

TEST(Remote, WaitForInputIdleWaitsNotForAProcessOfAnotherDisplay) {
  lumetra::testlib::TempDir folder;
  RuntimeFolder published(folder.path().string());
  // Neither process makes a window: a wait for one of this display would run to its time-out.
  // One started for another X server is passed over at once, before it has published anything.
  lumetra::testlib::ChildProcess starting({"/bin/sleep", "30"}, {{"LUMETRA_DISPLAY", "x11"}, {"DISPLAY", ":77"}});
  ASSERT_TRUE(starting.started());
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(starting.pid()));
  ASSERT_NE(process, nullptr);
  SetLastError(0);
  EXPECT_EQ(WaitForInputIdle(process, 60000), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));
  CloseHandle(process);

  // One that shows its windows on another display, whatever its environment says.
  lumetra::testlib::ChildProcess running({"/bin/sleep", "30"});
  ASSERT_TRUE(running.started());
  const std::filesystem::path elsewhere = folder.path() / "lumetra-windows" / "x11-:78";
  std::filesystem::create_directories(elsewhere);
  std::ofstream(elsewhere / (std::to_string(running.pid()) + ".windows")).put('\n');
  process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(running.pid()));
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(WaitForInputIdle(process, 60000), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));
  CloseHandle(process);
}

TEST(Remote, AStoppedProcessCostsASenderItsTimeOutAndTheHungRuleThenNothing) {
  lumetra::testlib::TempDir folder;
  RuntimeFolder published(folder.path().string());
  lumetra::testlib::ChildProcess child = lumetra::testlib::ChildProcess::helperTest(
      "RemoteHelper.DISABLED_ServesAWindowForTheCrossProcessTest", {{"LUMETRA_REMOTE_HELPER", "1"}});
  ASSERT_TRUE(child.started());
  HWND remote = waitForHelperWindow();
  ASSERT_NE(remote, nullptr);
  const UINT flags = SMTO_BLOCK | SMTO_ABORTIFHUNG | SMTO_NOTIMEOUTIFNOTHUNG;
  DWORD_PTR result = 0;
  ASSERT_NE(SendMessageTimeoutW(remote, kComeToFront, 0, 0, flags, 3000, &result), 0);

  ASSERT_TRUE(child.freeze());
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMessageTimeoutW(remote, kComeToFront, 0, 0, flags, 3000, &result), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  // Now known to be hung: the next send that gives up on hung windows fails at once.
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMessageTimeoutW(remote, kComeToFront, 0, 0, flags, 3000, &result), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));

  ASSERT_TRUE(child.thaw());
  EXPECT_NE(SendMessageTimeoutW(remote, kComeToFront, 2, 0, SMTO_NORMAL, 2000, &result), 0);
  EXPECT_EQ(result, 44u);
}

}  // namespace
