// The program's start-up as the framework's entry point runs it. This executable holds one case
// only: start-up looks for other processes of the same program, and a second case running in
// parallel would be one.
#include "app/LumetraApp.h"
#include "app/tests/AppFixture.h"
#include "app/win/StartUpHooks.h"

#include <windows.h>

#include <shlobj.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using lumetra::apptest::AppTest;

/// Runs the start-up with these program arguments (after the program's own name).
BOOL startWith(std::vector<std::u16string> arguments) {
  std::vector<WCHAR*> argv;
  std::u16string program = u"Z:\\lumetra";
  argv.push_back(program.data());
  for (std::u16string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  const int savedArgc = __argc;
  WCHAR** savedArgv = __wargv;
  __argc = static_cast<int>(argv.size() - 1);
  __wargv = argv.data();
  BOOL answer = theApp.InitInstance();
  __argc = savedArgc;
  __wargv = savedArgv;
  return answer;
}

}  // namespace

TEST_F(AppTest, StartUpPreparesTheProgramAndHandlesTheSilentFlagOnlyWithoutArguments) {
  auto previous = winapi::seam::replaceShellExecuteExW(&lumetra::apptest::recordShellOpen);
  const std::u16string product = u"Software\\Tovi\\Tovi Lumetra";
  writeDword(product.c_str(), u"Silent", 1);

  EXPECT_FALSE(startWith({u"-x"})) << "the framework's message loop never runs";
  EXPECT_EQ(readDword(product.c_str(), u"Silent", 7), 1u) << "an argument leaves the flag alone";
  EXPECT_EQ(readText(AppTest::section(u"SoftwareType").c_str(), u""), u"Freeware");
  EXPECT_EQ(readText(AppTest::section(u"MainWindow\\SoftwareID").c_str(), u""), u"Tovi Lumetra");
  EXPECT_EQ(readText(AppTest::section(u"MainWindow\\Version").c_str(), u""), u"1.00");
  EXPECT_TRUE(s::app::win::areStartUpHooksInstalled());

  EXPECT_FALSE(startWith({}));
  EXPECT_EQ(readDword(product.c_str(), u"Silent", 7), 0u);
  EXPECT_TRUE(lumetra::apptest::openedTargets().empty())
      << "the pack gives the product page no address";
  winapi::seam::replaceShellExecuteExW(previous);
}
