// Another running copy: real copies of this test program in a folder of the test's own, one
// showing an untitled owner window and its titled main window, another finding it and handing
// over; each copy publishes its windows into the test's own runtime folder.
#include "platform/system/win/RunningInstance.h"

#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/Pooled.h"
#include "platform/lang/Localizer.h"
#include "platform/xml/Node.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

namespace {

using lumetra::testlib::ChildProcess;
using lumetra::testlib::Environment;
using lumetra::testlib::TempDir;
using s::system::win::kComeToFrontMessage;
using s::system::win::kInstanceEventMessage;

constexpr int32_t kTitleId = 500000;

// --- What the copies run (helper tests, disabled in ordinary runs) ---

HWND g_owner = nullptr;
HWND g_main = nullptr;

LRESULT CALLBACK probeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kComeToFrontMessage || message == kInstanceEventMessage) {
    std::printf("%s %u\n", hwnd == g_main ? "main" : hwnd == g_owner ? "owner" : "other", message);
    std::fflush(stdout);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(RunningHelper, DISABLED_ShowsAnOwnerAndAMainWindow) {
  const char* mode = std::getenv("LUMETRA_RUNNING_PROBE");
  if (mode == nullptr) GTEST_SKIP() << "runs only as a copy started by the tests";
  if (std::string(mode) == "nowindow") {
    std::printf("ready\n");
    std::fflush(stdout);
    // Runs without a window until the test kills it.
    std::promise<void>().get_future().wait();
    return;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = probeProc;
  wc.lpszClassName = u"RunningProbe";
  RegisterClassExW(&wc);
  // The untitled owner comes first, so a search that took any window would find it.
  g_owner = CreateWindowExW(0, u"RunningProbe", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            nullptr, nullptr);
  g_main = CreateWindowExW(0, u"RunningProbe", u"Probe v1.00", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                           0, 200, 100, g_owner, nullptr, nullptr, nullptr);
  ASSERT_NE(g_main, nullptr);
  std::printf("ready\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
}

// A localizer whose packs title the program as given, one pack per title.
s::lang::Localizer* localizerOf(const std::vector<std::u16string>& titles) {
  std::u16string xml = u"<lang><languages>";
  std::u16string texts;
  for (size_t i = 0; i < titles.size(); ++i) {
    std::u16string tag = u"l" + std::u16string(1, static_cast<char16_t>(u'a' + i / 26)) +
                         std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
    xml += u"<entry tagName=\"" + tag + u"\" engName=\"" + tag + u"\" trueName=\"" + tag + u"\"/>";
    texts += u"<" + tag + u">" + titles[i] + u"</" + tag + u">";
  }
  xml += u"</languages><entries><entry id=\"500000\">" + texts + u"</entry></entries></lang>";
  s::thread::Pooled<s::xml::Node> root;
  root->parse(xml.c_str());
  s::lang::Localizer* localizer = s::lang::Localizer::take();
  localizer->loadFromXml(root.get());
  return localizer;
}

TEST(RunningHelper, DISABLED_HandsOver) {
  const char* how = std::getenv("LUMETRA_RUNNING_HANDOVER");
  if (how == nullptr) GTEST_SKIP() << "runs only as a copy started by the tests";
  const std::string mode = how;
  const auto start = std::chrono::steady_clock::now();
  s::lang::Localizer* localizer = nullptr;
  if (mode == "packs" || mode == "desktop") localizer = localizerOf({u"Probe", u"PROBE", u"Sonde"});
  if (mode == "many") localizer = localizerOf(std::vector<std::u16string>(40, u"Probe"));
  if (mode == "claim") {
    // Takes the claim, waiting as long as LUMETRA_RUNNING_CLAIM_WAIT says, and holds it until
    // the test kills this copy when LUMETRA_RUNNING_HOLD is set.
    const char* wait = std::getenv("LUMETRA_RUNNING_CLAIM_WAIT");
    HANDLE claim =
        s::system::win::takeInstanceClaim(wait != nullptr ? static_cast<DWORD>(std::atol(wait))
                                                          : s::system::win::kInstanceClaimWaitMs);
    std::printf("%s\n", claim != nullptr ? "claimed" : "notclaimed");
    std::fflush(stdout);
    if (claim != nullptr && std::getenv("LUMETRA_RUNNING_HOLD") != nullptr) {
      std::promise<void>().get_future().wait();
    }
    s::system::win::endInstanceClaim(claim);
  } else if (mode == "live") {
    uint32_t pid = 0;
    const bool live = s::system::win::findLiveInstanceProcess(&pid);
    std::printf("%s %u\n", live ? "live" : "notlive", live ? pid : 0u);
  } else if (mode == "desktop") {
    std::printf("%s\n", s::system::win::isOtherInstanceOnDesktop() ? "found" : "notfound");
    const bool told = s::system::win::notifyOtherInstanceOnDesktop(
        GetThreadDesktop(GetCurrentThreadId()), localizer, kTitleId, true);
    std::printf("%s\n", told ? "told" : "nottold");
  } else {
    uint32_t pid = 0;
    if (s::system::win::findOtherInstanceProcess(&pid)) {
      std::printf("found %u\n", pid);
      s::system::win::notifyInstance(pid, localizer, kTitleId, mode != "plain");
    } else {
      std::printf("notfound\n");
    }
  }
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  std::printf("done %lld\n", static_cast<long long>(ms.count()));
  std::fflush(stdout);
  if (localizer != nullptr) localizer->release();
}

// --- The tests ---

// Two copies of this program and the runtime folder they publish their windows in.
class Copies {
 public:
  Copies() {
    std::filesystem::create_directories(m_folder.file("run"));
    std::filesystem::create_directories(m_folder.file("elsewhere"));
  }

  /// This program copied to `name` inside the folder (made once per name).
  std::string copy(const std::string& name) {
    const std::filesystem::path target = m_folder.file(name);
    if (!std::filesystem::exists(target)) {
      std::filesystem::copy_file(lumetra::testlib::selfPath(), target);
    }
    return target.string();
  }

  ChildProcess start(const std::string& program, const std::string& test,
                     const Environment& extra) {
    Environment env = extra;
    env.emplace_back("XDG_RUNTIME_DIR", m_folder.file("run").string());
    return ChildProcess({program, "--gtest_filter=RunningHelper.DISABLED_" + test,
                         "--gtest_also_run_disabled_tests"},
                        env, true);
  }

  /// A probe showing its windows (or none), started from `program`, once it is ready.
  ChildProcess probe(const std::string& program, const char* mode, std::string* output) {
    ChildProcess child =
        start(program, "ShowsAnOwnerAndAMainWindow", {{"LUMETRA_RUNNING_PROBE", mode}});
    lumetra::testlib::waitUntil([&] {
      *output += child.readOutput();
      return output->find("ready") != std::string::npos;
    });
    return child;
  }

  /// Runs a hand-over from `program` to its end (at most 30 s) and answers what it printed.
  std::string handOver(const std::string& program, const char* mode,
                       const Environment& extra = {}) {
    Environment environment = {{"LUMETRA_RUNNING_HANDOVER", mode}};
    environment.insert(environment.end(), extra.begin(), extra.end());
    ChildProcess child = start(program, "HandsOver", environment);
    child.wait(30000);
    return child.readOutputToEnd();
  }

 private:
  TempDir m_folder;
};

int countOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The milliseconds a hand-over reported, or -1.
long long handOverMs(const std::string& output) {
  size_t at = output.find("done ");
  return at == std::string::npos ? -1 : std::atoll(output.c_str() + at + 5);
}

// What a probe printed until now. A hand-over's sends are answered only once the probe has
// written its line, so after the hand-over ended every line it caused is there to read.
std::string drain(ChildProcess& probe, std::string output) { return output + probe.readOutput(); }

TEST(RunningInstance, ASecondCopyHandsOverToTheMainWindowInEveryPackThatTitlesIt) {
  Copies copies;
  std::string shown;
  ChildProcess first = copies.probe(copies.copy("Probe"), "windows", &shown);
  ASSERT_NE(shown.find("ready"), std::string::npos);
  // A copy at another path is another program, and this test program is one too.
  std::string other;
  ChildProcess elsewhere = copies.probe(copies.copy("elsewhere/probe"), "windows", &other);

  // The same path in other letter case is the same program.
  const std::string output = copies.handOver(copies.copy("probe"), "packs");
  EXPECT_NE(output.find("found " + std::to_string(first.pid())), std::string::npos) << output;
  shown = drain(first, shown);
  // "Probe" and "PROBE" title the main window; "Sonde" titles nothing.
  EXPECT_EQ(countOf(shown, "main 1027"), 2) << shown;
  EXPECT_EQ(countOf(shown, "main 1031"), 2) << shown;
  EXPECT_NE(shown.find("main 1027\nmain 1031\nmain 1027\nmain 1031\n"), std::string::npos) << shown;
  EXPECT_EQ(countOf(shown, "owner"), 0) << shown;
  EXPECT_EQ(countOf(drain(elsewhere, other), "main 10"), 0);
}

TEST(RunningInstance, WithoutALocalizerTheFirstTitledWindowIsToldOnce) {
  Copies copies;
  std::string shown;
  ChildProcess first = copies.probe(copies.copy("Probe"), "windows", &shown);
  const std::string output = copies.handOver(copies.copy("Probe"), "plain");
  EXPECT_NE(output.find("found"), std::string::npos) << output;
  shown = drain(first, shown);
  EXPECT_EQ(countOf(shown, "main 1027"), 1) << shown;
  EXPECT_EQ(countOf(shown, "1031"), 0) << shown;
  EXPECT_EQ(countOf(shown, "owner"), 0) << shown;
}

TEST(RunningInstance, TheDesktopSearchFindsTheCopyByItsWindowsAndHandsOver) {
  Copies copies;
  std::string shown;
  ChildProcess first = copies.probe(copies.copy("Probe"), "windows", &shown);
  const std::string output = copies.handOver(copies.copy("PROBE"), "desktop");
  EXPECT_NE(output.find("found\ntold"), std::string::npos) << output;
  shown = drain(first, shown);
  EXPECT_EQ(countOf(shown, "main 1027"), 2) << shown;
  EXPECT_EQ(countOf(shown, "main 1031"), 2) << shown;
  EXPECT_EQ(countOf(shown, "owner"), 0) << shown;
}

TEST(RunningInstance, ACopyElsewhereIsAnotherProgram) {
  Copies copies;
  std::string other;
  ChildProcess elsewhere = copies.probe(copies.copy("elsewhere/probe"), "windows", &other);
  EXPECT_NE(copies.handOver(copies.copy("probe"), "packs").find("notfound"), std::string::npos);
  EXPECT_NE(copies.handOver(copies.copy("probe"), "desktop").find("notfound\nnottold"),
            std::string::npos);
}

TEST(RunningInstance, ACopyWithoutAWindowIsGivenUpWithinTheIdleWait) {
  Copies copies;
  std::string shown;
  ChildProcess first = copies.probe(copies.copy("Probe"), "nowindow", &shown);
  const std::string output = copies.handOver(copies.copy("Probe"), "packs");
  EXPECT_NE(output.find("found"), std::string::npos) << output;
  const long long ms = handOverMs(output);
  EXPECT_GE(ms, 4900) << output;
  EXPECT_LT(ms, 7000) << output;
}

TEST(RunningInstance, AFrozenCopyCostsOneHungSendWhateverTheNumberOfPacks) {
  Copies copies;
  std::string shown;
  ChildProcess first = copies.probe(copies.copy("Probe"), "windows", &shown);
  ASSERT_TRUE(first.freeze());
  const std::string output = copies.handOver(copies.copy("Probe"), "many");
  first.thaw();
  EXPECT_NE(output.find("found"), std::string::npos) << output;
  const long long ms = handOverMs(output);
  EXPECT_GE(ms, 0) << output;
  EXPECT_LT(ms, 15000) << output;
}

TEST(RunningInstance, OnlyACopyThatAnswersCountsAsLive) {
  Copies copies;
  std::string shown;
  ChildProcess first = copies.probe(copies.copy("Probe"), "windows", &shown);
  ASSERT_NE(shown.find("ready"), std::string::npos);
  std::string output = copies.handOver(copies.copy("Probe"), "live");
  EXPECT_NE(output.find("live " + std::to_string(first.pid())), std::string::npos) << output;

  // Frozen, the copy still runs the program but answers nothing: it is left alone.
  ASSERT_TRUE(first.freeze());
  output = copies.handOver(copies.copy("Probe"), "live");
  first.thaw();
  EXPECT_NE(output.find("notlive"), std::string::npos) << output;
  EXPECT_TRUE(first.running());
  shown = drain(first, shown);
  EXPECT_EQ(countOf(shown, "main 10"), 0) << "the probe sends no hand-over message: " << shown;

  // A copy that never shows a window here is not live either.
  std::string none;
  ChildProcess windowless = copies.probe(copies.copy("Other"), "nowindow", &none);
  EXPECT_NE(copies.handOver(copies.copy("Other"), "live").find("notlive"), std::string::npos);
}

TEST(RunningInstance, StartsOfOneProgramTakeTurnsAtTheClaimAndOneThatDiedHoldsNoOneUp) {
  Copies copies;
  ChildProcess holder =
      copies.start(copies.copy("Probe"), "HandsOver",
                   {{"LUMETRA_RUNNING_HANDOVER", "claim"}, {"LUMETRA_RUNNING_HOLD", "1"}});
  std::string said;
  ASSERT_TRUE(lumetra::testlib::waitUntil([&] {
    said += holder.readOutput();
    return said.find("claimed\n") != std::string::npos;
  }));
  ASSERT_NE(said.find("\nclaimed\n"), std::string::npos) << said;

  // The same path in other letter case is the same program, and waits; a copy elsewhere is
  // another program, with a claim of its own.
  EXPECT_NE(copies.handOver(copies.copy("probe"), "claim", {{"LUMETRA_RUNNING_CLAIM_WAIT", "100"}})
                .find("notclaimed"),
            std::string::npos);
  EXPECT_NE(
      copies
          .handOver(copies.copy("elsewhere/probe"), "claim", {{"LUMETRA_RUNNING_CLAIM_WAIT", "0"}})
          .find("\nclaimed"),
      std::string::npos);

  // A start that dies holding the claim leaves it to the next one at once.
  holder.kill();
  const std::string next =
      copies.handOver(copies.copy("PROBE"), "claim", {{"LUMETRA_RUNNING_CLAIM_WAIT", "0"}});
  EXPECT_NE(next.find("\nclaimed"), std::string::npos) << next;
}

TEST(RunningInstance, ProcessPathsComeFromTheModuleAndTheImage) {
  WCHAR own[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, own, MAX_PATH), 0u);
  s::thread::Pooled<s::str::strbuffer::StrBuffer> exe(
      s::system::win::getProcessExePath(GetCurrentProcessId()));
  EXPECT_EQ(std::u16string(exe->getCStr()), std::u16string(own));
  s::thread::Pooled<s::str::strbuffer::StrBuffer> image(
      s::system::win::getProcessImagePath(GetCurrentProcessId()));
  EXPECT_EQ(std::u16string(image->getCStr()), std::u16string(own));
  // A process that does not run has no path, by either road.
  ChildProcess ended({"/bin/true"});
  const auto pid = static_cast<uint32_t>(ended.pid());
  ended.wait();
  s::thread::Pooled<s::str::strbuffer::StrBuffer> gone(s::system::win::getProcessExePath(pid));
  EXPECT_EQ(gone->getLength(), 0u);
}

}  // namespace
