// Conformance of mutexes: ownership by one thread at a time, counted; abandonment by a thread
// that ends owning one; and named mutexes shared by the processes of one display, which real
// child processes take, release, abandon by ending or killed, and race to create.
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using lumetra::testlib::ChildProcess;
using lumetra::testlib::TempDir;

namespace {

std::string contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Written aside and renamed, so the other process never reads half a text.
void writeWhole(const fs::path& path, const std::string& text) {
  const fs::path aside = path.string() + ".part";
  std::ofstream(aside, std::ios::binary) << text;
  fs::rename(aside, path);
}

// A name no other test (or earlier run) uses.
std::u16string uniqueName(const char* what) {
  std::string text = std::string("lumetra-test-") + what + "-" + std::to_string(getpid());
  return std::u16string(text.begin(), text.end());
}

std::string narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// Runs `body` on a thread of its own and waits for its end.
template <typename Body>
void onAnotherThread(Body body) {
  std::thread([&] { body(); }).join();
}

/// A private runtime folder for this test and the children it starts, so no other test's names
/// meet its own.
class Runtime {
 public:
  Runtime() {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    if (old != nullptr) m_old = old;
    fs::permissions(m_dir.path(), fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", m_dir.path().c_str(), 1);
  }
  ~Runtime() {
    if (m_old.empty()) {
      unsetenv("XDG_RUNTIME_DIR");
    } else {
      setenv("XDG_RUNTIME_DIR", m_old.c_str(), 1);
    }
  }
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

 private:
  TempDir m_dir;
  std::string m_old;
};

/// A child process that takes the named mutex (MutexHelper below) and reports to a file.
class Taker {
 public:
  Taker(const TempDir& talk, const std::u16string& name, const std::string& id,
        const lumetra::testlib::Environment& extra = {})
      : m_report(talk.file(id)),
        m_child(ChildProcess::helperTest("MutexHelper.DISABLED_TakesAMutexUntilTold",
                                         environmentOf(name, m_report, extra))) {}

  ChildProcess& child() { return m_child; }
  /// What it reported so far: "new", "existed", or "existed" and its wait's answer.
  std::string report() const { return fs::exists(m_report) ? contentOf(m_report) : std::string(); }
  /// Waits for a report that begins with `prefix`.
  bool waitForReport(const std::string& prefix) {
    return lumetra::testlib::waitUntil([&] { return report().rfind(prefix, 0) == 0 || !m_child.running(); }) &&
           report().rfind(prefix, 0) == 0;
  }
  /// Whether it owns the mutex by its report.
  bool owns() const {
    const std::string said = report();
    return said == "new" || said == "existed 0" || said == "existed 128";
  }
  /// Tells it to release the mutex ("release") or to end owning it ("exit").
  void tell(const std::string& what) { writeWhole(m_report.string() + ".end", what); }

 private:
  static lumetra::testlib::Environment environmentOf(const std::u16string& name, const fs::path& report,
                                                     const lumetra::testlib::Environment& extra) {
    lumetra::testlib::Environment environment = {{"LUMETRA_MUTEX_NAME", narrow(name)},
                                                 {"LUMETRA_MUTEX_REPORT", report.string()}};
    environment.insert(environment.end(), extra.begin(), extra.end());
    return environment;
  }

  fs::path m_report;
  ChildProcess m_child;
};

TEST(Mutex, IsOwnedByOneThreadAsOftenAsItsWaitsTookItAndReleasedOnlyByIt) {
  Runtime runtime;
  for (const std::u16string& name : {std::u16string(), uniqueName("counted")}) {
    SCOPED_TRACE(name.empty() ? "unnamed" : "named");
    HANDLE mutex = CreateMutexW(nullptr, TRUE, name.empty() ? nullptr : name.c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "its owner takes it again at once";
    onAnotherThread([&] {
      EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
      EXPECT_EQ(WaitForSingleObject(mutex, 30), static_cast<DWORD>(WAIT_TIMEOUT));
      EXPECT_FALSE(ReleaseMutex(mutex));
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    });
    ASSERT_TRUE(ReleaseMutex(mutex));
    onAnotherThread([&] {
      EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT))
          << "taken twice, it is still owned after one release";
    });
    ASSERT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));

    // A thread waiting for it takes it once its owner lets go.
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    std::atomic<DWORD> answer{WAIT_FAILED};
    std::thread waiter([&] {
      answer = WaitForSingleObject(mutex, 20000);
      if (answer == WAIT_OBJECT_0) ReleaseMutex(mutex);
    });
    ASSERT_TRUE(ReleaseMutex(mutex));
    waiter.join();
    EXPECT_EQ(answer.load(), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(mutex));
  }
}

TEST(Mutex, AThreadThatEndsOwningItAbandonsItToTheNextWait) {
  Runtime runtime;
  for (const std::u16string& name : {std::u16string(), uniqueName("abandoned")}) {
    SCOPED_TRACE(name.empty() ? "unnamed" : "named");
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.empty() ? nullptr : name.c_str());
    ASSERT_NE(mutex, nullptr);
    onAnotherThread([&] { ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0); });
    EXPECT_EQ(WaitForSingleObject(mutex, 20000), static_cast<DWORD>(WAIT_ABANDONED_0));
    ASSERT_TRUE(ReleaseMutex(mutex)) << "an abandoned mutex is taken all the same";
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "released, it is no longer abandoned";
    ASSERT_TRUE(ReleaseMutex(mutex));

    // In a wait for several objects, the answer names the abandoned one.
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    onAnotherThread([&] { ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0); });
    const HANDLE both[] = {event, mutex};
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 20000), static_cast<DWORD>(WAIT_ABANDONED_0 + 1));
    ASSERT_TRUE(ReleaseMutex(mutex));
    CloseHandle(event);
    CloseHandle(mutex);
  }
}

TEST(NamedMutex, IsOneObjectForEveryHandleOfItsNameInAProcess) {
  Runtime runtime;
  const std::u16string name = uniqueName("one");
  HANDLE first = CreateMutexW(nullptr, TRUE, name.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE second = CreateMutexW(nullptr, TRUE, (u"Local\\" + name).c_str());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "\"Local\\\" is the same namespace";
  EXPECT_NE(first, second);
  // The owner is the thread, whichever handle its waits went through; the second creation's
  // initial ownership was ignored, so two releases end it.
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(second));
  EXPECT_TRUE(ReleaseMutex(first));
  EXPECT_FALSE(ReleaseMutex(first));
  HANDLE other = CreateMutexW(nullptr, FALSE, (name + u"X").c_str());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  std::u16string upperName = name;
  for (char16_t& c : upperName) c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
  HANDLE upper = CreateMutexW(nullptr, FALSE, upperName.c_str());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "names are case-sensitive";
  for (HANDLE h : {first, second, other, upper}) CloseHandle(h);

  // Once every handle is closed, the name is new again.
  HANDLE again = CreateMutexW(nullptr, FALSE, name.c_str());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(again);
}

TEST(NamedMutex, NamesFollowTheObjectNamespaceRules) {
  Runtime runtime;
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"Global\\lumetra-test"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"folder\\lumetra-test"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, std::u16string(MAX_PATH + 1, u'a').c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));

  // The longest name, of characters that no file name holds as they are, is a name like any
  // other, and so are names that differ from it only at the end, "." and ".."; an empty name
  // makes an unnamed mutex.
  const std::u16string longest(MAX_PATH, u'\u00E9');
  std::vector<HANDLE> open;
  for (const std::u16string& name : {longest, longest.substr(1) + u"/", longest.substr(1) + u"%", std::u16string(u"."),
                                     std::u16string(u".."), std::u16string(), std::u16string()}) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    ASSERT_NE(mutex, nullptr) << GetLastError();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "name " << open.size();
    open.push_back(mutex);
  }
  for (HANDLE mutex : open) CloseHandle(mutex);
}

TEST(NamedMutex, IsHeldAcrossProcessesAndAbandonedByAnOwnerThatEndsOrIsKilled) {
  Runtime runtime;
  TempDir talk;
  const std::u16string name = uniqueName("across");
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

  // A process that takes it holds every other process's wait until it releases it.
  Taker releasing(talk, name, "releasing");
  ASSERT_TRUE(releasing.waitForReport("existed ")) << releasing.report();
  EXPECT_EQ(releasing.report(), "existed 0");
  EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(mutex, 50), static_cast<DWORD>(WAIT_TIMEOUT));
  releasing.tell("release");
  EXPECT_EQ(WaitForSingleObject(mutex, 20000), WAIT_OBJECT_0);
  ASSERT_TRUE(ReleaseMutex(mutex));
  ASSERT_TRUE(releasing.child().wait(20000));
  EXPECT_EQ(releasing.child().exitCode(), 0);

  // One that ends owning it, by its own end or killed, abandons it; one that is stopped holds
  // it, and only a bounded wait goes on.
  for (const char* end : {"exit", "SIGKILL", "SIGSTOP"}) {
    SCOPED_TRACE(end);
    Taker taker(talk, name, end);
    ASSERT_TRUE(taker.waitForReport("existed ")) << taker.report();
    ASSERT_EQ(taker.report(), "existed 0");
    const std::string how = end;
    if (how == "exit") {
      taker.tell("exit");
      ASSERT_TRUE(taker.child().wait(20000));
    } else if (how == "SIGKILL") {
      taker.child().kill();
    } else {
      ASSERT_TRUE(taker.child().freeze());
      EXPECT_EQ(WaitForSingleObject(mutex, 100), static_cast<DWORD>(WAIT_TIMEOUT));
      ASSERT_TRUE(taker.child().thaw());
      taker.tell("release");
      EXPECT_EQ(WaitForSingleObject(mutex, 20000), WAIT_OBJECT_0);
      ASSERT_TRUE(ReleaseMutex(mutex));
      continue;
    }
    EXPECT_EQ(WaitForSingleObject(mutex, 20000), static_cast<DWORD>(WAIT_ABANDONED_0));
    ASSERT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "released, it is no longer abandoned";
    ASSERT_TRUE(ReleaseMutex(mutex));
  }
  CloseHandle(mutex);
}

TEST(NamedMutex, OneOfManyProcessesCreatingItAtOnceMakesAndOwnsItAndTheOthersTakeItInTurn) {
  Runtime runtime;
  constexpr int kRounds = 5;
  constexpr int kTakers = 4;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TempDir talk;
    const std::u16string name = uniqueName(("race" + std::to_string(round)).c_str());
    std::vector<std::unique_ptr<Taker>> takers;
    for (int i = 0; i < kTakers; ++i) takers.push_back(std::make_unique<Taker>(talk, name, std::to_string(i)));
    for (auto& taker : takers) ASSERT_TRUE(taker->waitForReport("")) << "a taker never reported";
    ASSERT_TRUE(lumetra::testlib::waitUntil([&] {
      for (auto& taker : takers) {
        if (taker->report().empty()) return false;
      }
      return true;
    }));
    // Each in turn: exactly one owns it at a time, and the owner's release lets exactly one more
    // take it.
    for (int released = 0; released < kTakers; ++released) {
      int owners = 0;
      int made = 0;
      Taker* owner = nullptr;
      for (auto& taker : takers) {
        if (taker->report() == "new") ++made;
        if (taker->owns() && taker->child().running()) {
          ++owners;
          owner = taker.get();
        }
      }
      if (released == 0) {
        EXPECT_EQ(made, 1) << "one creation made the name";
      }
      ASSERT_EQ(owners, 1);
      owner->tell("release");
      ASSERT_TRUE(owner->child().wait(20000));
      if (released + 1 < kTakers) {
        ASSERT_TRUE(lumetra::testlib::waitUntil([&] {
          int owning = 0;
          for (auto& taker : takers) owning += taker->owns() && taker->child().running() ? 1 : 0;
          return owning == 1;
        }));
      }
    }
  }
}

TEST(NamedMutex, AWaitForAllLeavesItToOtherProcessesUntilEverythingIsSignalled) {
  Runtime runtime;
  TempDir talk;
  const std::u16string name = uniqueName("all");
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE both[] = {mutex, event};
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 20), static_cast<DWORD>(WAIT_TIMEOUT));
  Taker taker(talk, name, "taker");
  ASSERT_TRUE(taker.waitForReport("existed ")) << "the wait for all kept the mutex";
  EXPECT_EQ(taker.report(), "existed 0");
  taker.tell("release");
  ASSERT_TRUE(taker.child().wait(20000));
  ASSERT_TRUE(SetEvent(event));
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 20000), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(mutex));
  CloseHandle(event);
  CloseHandle(mutex);
}

TEST(NamedMutex, IsOneForTheProcessesOfOneDisplayAndNewOnceNoneHasItOpen) {
  Runtime runtime;
  TempDir talk;
  const std::u16string name = uniqueName("display");
  {
    // A process that made and released the name leaves nothing open.
    Taker before(talk, name, "before");
    ASSERT_TRUE(before.waitForReport("new"));
    before.tell("release");
    ASSERT_TRUE(before.child().wait(20000));
  }
  HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "no process has it open";

  // A process of another display has a name of its own, and takes it while this one is owned.
  Taker elsewhere(talk, name, "elsewhere", {{"LUMETRA_DISPLAY", ""}, {"DISPLAY", ":77"}});
  ASSERT_TRUE(elsewhere.waitForReport("new")) << elsewhere.report();
  elsewhere.tell("release");
  ASSERT_TRUE(elsewhere.child().wait(20000));
  ASSERT_TRUE(ReleaseMutex(mutex));
  CloseHandle(mutex);
}

// Takes the mutex LUMETRA_MUTEX_NAME as its initial owner, or waits for it when the name was
// open already, and writes what it found to LUMETRA_MUTEX_REPORT: "new", or "existed" and the
// wait's answer. Then, told by the file REPORT.end, it releases the mutex ("release") or ends
// owning it ("exit").
TEST(MutexHelper, DISABLED_TakesAMutexUntilTold) {
  const char* name = std::getenv("LUMETRA_MUTEX_NAME");
  const char* report = std::getenv("LUMETRA_MUTEX_REPORT");
  ASSERT_NE(name, nullptr);
  ASSERT_NE(report, nullptr);
  const std::u16string wide(name, name + std::strlen(name));
  HANDLE mutex = CreateMutexW(nullptr, TRUE, wide.c_str());
  ASSERT_NE(mutex, nullptr);
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  std::string said = existed ? "existed" : "new";
  writeWhole(report, said);
  if (existed) {
    said += " " + std::to_string(WaitForSingleObject(mutex, INFINITE));
    writeWhole(report, said);
  }
  const fs::path end = std::string(report) + ".end";
  ASSERT_TRUE(lumetra::testlib::waitUntil([&] { return fs::exists(end); }, std::chrono::minutes(5)));
  if (contentOf(end) == "release") {
    EXPECT_TRUE(ReleaseMutex(mutex));
  }
}

}  // namespace
