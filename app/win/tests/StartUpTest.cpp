// The program's start-up as the framework's entry point runs it. This executable holds one case
// only: start-up looks for other processes of the same program, and a second case running in
// parallel would be one.
#include "app/LumetraApp.h"
#include "app/tests/AppFixture.h"
#include "app/tests/RunningApp.h"
#include "app/win/StartUpHooks.h"
#include "app/win/StartUpTimes.h"

#include <windows.h>

#include <shlobj.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using lumetra::apptest::AppTest;

/// Runs the start-up with these arguments on a thread of its own, as the program's application
/// thread, and closes the main window it shows.
BOOL startAndClose(std::vector<std::u16string> arguments) {
  lumetra::apptest::RunningApp app;
  const bool shown = app.start(std::move(arguments));
  // Another test process of this program counts as a running copy: the start then hands over
  // and shows no window.
  EXPECT_TRUE(shown || app.ended()) << "the main window shows";
  HWND frame = app.frame();
  if (shown) {
    EXPECT_EQ(lumetra::apptest::windowText(frame), u"Lumetra v1.00")
        << "the title carries the version";
  }
  const BOOL answer = app.close();
  EXPECT_TRUE(frame == nullptr || !::IsWindow(frame)) << "the window goes with its dialog";
  return answer;
}

}  // namespace

TEST_F(AppTest, StartUpPreparesTheProgramAndHandlesTheSilentFlagOnlyWithoutArguments) {
  auto previous = winapi::seam::replaceShellExecuteExW(&lumetra::apptest::recordShellOpen);
  const std::u16string product = u"Software\\Tovi\\Tovi Lumetra";
  writeDword(product.c_str(), u"Silent", 1);

  EXPECT_FALSE(startAndClose({u"-x"})) << "the framework's message loop never runs";
  EXPECT_EQ(readDword(product.c_str(), u"Silent", 7), 1u) << "an argument leaves the flag alone";
  EXPECT_EQ(readText(AppTest::section(u"SoftwareType").c_str(), u""), u"Freeware");
  EXPECT_EQ(readText(AppTest::section(u"MainWindow\\SoftwareID").c_str(), u""), u"Tovi Lumetra");
  EXPECT_EQ(readText(AppTest::section(u"MainWindow\\Version").c_str(), u""), u"1.00");
  // The start-up benchmark splits the time to the first picture by these moments: a start
  // reaches its steps in order, and every one of them when it shows its window (a test process
  // running beside this one counts as a running copy, and the start then ends at the check).
  using s::app::win::StartUpStep;
  const bool shown = s::app::win::startUpTime(StartUpStep::InstanceCheck) != 0;
  int64_t before = 0;
  for (int32_t i = 0; i < static_cast<int32_t>(StartUpStep::Count); ++i) {
    const auto step = static_cast<StartUpStep>(i);
    if (!shown && step >= StartUpStep::InstanceCheck) {
      break;
    }
    const int64_t at = s::app::win::startUpTime(step);
    EXPECT_NE(at, 0) << s::app::win::startUpStepName(step);
    EXPECT_GE(at, before) << s::app::win::startUpStepName(step);
    before = at;
  }
  // Every hook answers from an application object as the program's start-up makes it.
  EXPECT_TRUE(s::app::win::areStartUpHooksInstalled(startApp()));

  EXPECT_FALSE(startAndClose({}));
  EXPECT_EQ(readDword(product.c_str(), u"Silent", 7), 0u);
  EXPECT_TRUE(lumetra::apptest::openedTargets().empty())
      << "the pack gives the product page no address";
  winapi::seam::replaceShellExecuteExW(previous);
}
