// The layer's debug channels: LUMETRA_DEBUG chooses the channels that trace, FIXME reports of
// unsupported calls come once per place, and every line names its thread and channel.
#include <windows.h>

// The test reads the variable again after changing it, as the layer reads it once at start-up.
#include "winapi/base/debug.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>

namespace {

// What a piece of code writes to standard error (the descriptor, as the layer writes).
std::string standardErrorOf(const std::function<void()>& run) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return "(no temporary file)";
  std::fflush(stderr);
  int saved = dup(STDERR_FILENO);
  dup2(fileno(file), STDERR_FILENO);
  run();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::string text;
  std::rewind(file);
  char chunk[512];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
  std::fclose(file);
  return text;
}

// Sets LUMETRA_DEBUG (null: unset) and has the layer read it; restores the start's state after.
class DebugChannels : public ::testing::Test {
 protected:
  void choose(const char* value) {
    if (value == nullptr) {
      unsetenv("LUMETRA_DEBUG");
    } else {
      setenv("LUMETRA_DEBUG", value, 1);
    }
    winapi::debug::configureFromEnvironment();
  }
  void TearDown() override { choose(nullptr); }
};

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// A library that no folder holds: LoadLibraryW traces its search on the kernel32 channel.
void loadMissingLibrary() { EXPECT_EQ(LoadLibraryW(u"lumetra-no-such-library.dll"), nullptr); }

// A printer escape, which no display surface has: gdi32 answers it with a FIXME.
void askPrinterEscape() { EXPECT_EQ(Escape(nullptr, 4096, 0, nullptr, nullptr), 0); }

}  // namespace

TEST_F(DebugChannels, OnlyTheChannelsTheVariableNamesTrace) {
  choose("kernel32");
  std::string on = standardErrorOf(loadMissingLibrary);
  std::string expected = std::to_string(GetCurrentThreadId()) +
                         ":trace:kernel32:LoadLibraryW no library "
                         "liblumetra-no-such-library.so\n";
  EXPECT_NE(on.find(expected), std::string::npos) << on;

  for (const char* other : {"", "gdi32,user32", "all,-kernel32", "-all", "KERNEL32"}) {
    std::string off = standardErrorOf([&] {
      choose(other);
      loadMissingLibrary();
    });
    // Names are lower case; another spelling is only reported as unknown.
    EXPECT_EQ(off.find(":trace:"), std::string::npos) << "LUMETRA_DEBUG=" << other << "\n" << off;
  }
  choose("x11, kernel32");
  EXPECT_EQ(count(standardErrorOf(loadMissingLibrary), ":trace:kernel32:"), 1u);
  choose("all");
  EXPECT_EQ(count(standardErrorOf(loadMissingLibrary), ":trace:kernel32:"), 1u);
  // The masks are flags: nothing is traced, nothing is written, when a channel is off.
  choose(nullptr);
  EXPECT_FALSE(winapi::debug::traceOn(winapi::debug::Channel::Kernel32));
  EXPECT_TRUE(winapi::debug::fixmeOn(winapi::debug::Channel::Kernel32));
}

TEST_F(DebugChannels, LinesNameTheThreadThatWroteThem) {
  choose("kernel32");
  DWORD workerId = 0;
  std::string text = standardErrorOf([&] {
    HANDLE worker = CreateThread(
        nullptr, 0,
        [](LPVOID id) -> DWORD {
          *static_cast<DWORD*>(id) = GetCurrentThreadId();
          loadMissingLibrary();
          return 0;
        },
        &workerId, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
  });
  ASSERT_NE(workerId, 0u);
  EXPECT_NE(workerId, GetCurrentThreadId());
  EXPECT_EQ(text.rfind(std::to_string(workerId) + ":trace:kernel32:LoadLibraryW ", 0), 0u) << text;
}

TEST_F(DebugChannels, AnUnsupportedCallReportsOncePerPlace) {
  // Silenced FIXME lines do not use up the one report.
  choose("-fixme");
  EXPECT_EQ(standardErrorOf(askPrinterEscape), "");
  choose("-gdi32");
  EXPECT_EQ(standardErrorOf(askPrinterEscape), "");

  // FIXME lines are on without the variable; the place reports the first call only.
  choose(nullptr);
  std::string text = standardErrorOf([] {
    for (int i = 0; i < 3; ++i) askPrinterEscape();
  });
  EXPECT_EQ(count(text, ":fixme:gdi32:Escape escape 4096 is not supported\n"), 1u) << text;
  EXPECT_EQ(count(text, "\n"), 1u) << text;
  // Its failure is still the call's answer.
  SetLastError(0);
  askPrinterEscape();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));

  // Another place reports on its own, once as well.
  text = standardErrorOf([] {
    for (int i = 0; i < 2; ++i) FIXME(Kernel32, "the test's own gap %d", i);
  });
  EXPECT_EQ(text, std::to_string(GetCurrentThreadId()) + ":fixme:kernel32:operator() the test's own gap 0\n");
}

TEST_F(DebugChannels, AnUnknownNameIsReportedWithTheKnownOnes) {
  std::string text = standardErrorOf([&] { choose("kernel32,nosuch"); });
  EXPECT_NE(text.find("nosuch"), std::string::npos) << text;
  EXPECT_NE(text.find("x11"), std::string::npos) << text;
  // The names it knows still count.
  EXPECT_TRUE(winapi::debug::traceOn(winapi::debug::Channel::Kernel32));
}

TEST_F(DebugChannels, ALogLineKeepsTheCallersErrno) {
  choose("kernel32");
  std::string text = standardErrorOf([] {
    errno = ERANGE;
    TRACE(Kernel32, "%s", std::string(4000, 'x').c_str());
    EXPECT_EQ(errno, ERANGE);
  });
  // A long message is cut, and the line still ends.
  EXPECT_LT(text.size(), 1100u);
  EXPECT_EQ(text.back(), '\n');
}
