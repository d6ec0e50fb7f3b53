// Conformance of the framework base: the entry point runs the one application object with the
// converted arguments; the command-line parser; run-time classes.
#include <afxwin.h>

#include <gtest/gtest.h>

#include "testlib/Process.h"

#include <string>
#include <vector>

namespace {

// The POSIX form of a Z: path, for starting the probe.
std::string posixOf(const std::u16string& windowsPath) {
  std::string out;
  for (char16_t c : windowsPath.substr(2)) out += c == u'\\' ? '/' : static_cast<char>(c);
  return out;
}

std::string programFolder() {
  char16_t path[4096];
  DWORD n = GetModuleFileNameW(nullptr, path, 4096);
  std::u16string text(path, n);
  EXPECT_EQ(text.substr(0, 3), u"Z:\\") << "the program's path is in its Z: form";
  return posixOf(text.substr(0, text.find_last_of(u'\\') + 1));
}

struct ProbeRun {
  int exitCode;
  std::string output;
};

// Runs the probe with these arguments; returns its exit code and everything it printed.
ProbeRun runProbe(const std::vector<std::string>& arguments, const lumetra::testlib::Environment& environment = {}) {
  std::vector<std::string> argv = {programFolder() + "winapi_mfc_probe"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  lumetra::testlib::RunResult result = lumetra::testlib::run(argv, environment);
  return {result.exitCode, result.output};
}

class DynamicThing : public CObject {
  DECLARE_DYNCREATE(DynamicThing)
};
IMPLEMENT_DYNCREATE(DynamicThing, CObject)

class Collector : public CCommandLineInfo {
 public:
  std::u16string seen;
  void ParseParam(const TCHAR* param, BOOL flag, BOOL last) override {
    seen += std::u16string(flag ? u"[-" : u"[") + param + (last ? u"|last]" : u"]");
  }
};

}  // namespace

TEST(WinMain, RunsTheApplicationObjectWithConvertedArguments) {
  ProbeRun run = runProbe({"plain", "two words", "-x", "/tmp/a.mp3", "-", "say \"hi\""});
  EXPECT_EQ(run.exitCode, 7) << "InitInstance said FALSE, so ExitInstance's code is the program's\n" << run.output;
  EXPECT_NE(run.output.find("init\nsame-app=1 same-thread=1 same-instance=1\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("cmdline=plain \"two words\" -x Z:\\tmp\\a.mp3 - \"say \\\"hi\\\"\"\n"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("exe=winapi_mfc_probe\nappname=winapi_mfc_probe\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("param=plain\nparam=two words\nswitch=x\nparam=Z:\\tmp\\a.mp3\nswitch=\n"
                            "param-last=say \"hi\"\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("run\n"), std::string::npos) << "no loop after a failed InitInstance";
  EXPECT_NE(run.output.find("exit\n"), std::string::npos);
}

TEST(WinMain, RunsTheLoopWhenInitInstanceSucceeds) {
  ProbeRun run = runProbe({"-run"});
  EXPECT_NE(run.output.find("init\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("switch-last=run\nrun\nexit\n"), std::string::npos) << run.output;
  EXPECT_EQ(run.exitCode, 7) << "Run answers ExitInstance's code";
}

TEST(WinMain, ArgumentsThatAreNotUtf8SurviveAsEscapes) {
  ProbeRun run = runProbe({"a\377b"});
  EXPECT_NE(run.output.find("param-last=a\\uDCFFb\n"), std::string::npos) << run.output;
}

TEST(WinMain, RefusesASecondApplicationObject) {
  ProbeRun run = runProbe({"x"}, {{"PROBE_SECOND_APP", "1"}});
  EXPECT_EQ(run.exitCode, 255);
  EXPECT_EQ(run.output.find("init"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("exactly one application object"), std::string::npos) << run.output;
}

TEST(CommandLine, OnlyAHyphenIntroducesASwitch) {
  CWinApp app;
  WCHAR arg0[] = u"Z:\\bin\\program";
  WCHAR arg1[] = u"song.mp3";
  WCHAR arg2[] = u"-x";
  WCHAR arg3[] = u"Z:\\music";
  WCHAR arg4[] = u"-";
  WCHAR* argv[] = {arg0, arg1, arg2, arg3, arg4, nullptr};
  int savedArgc = __argc;
  WCHAR** savedArgv = __wargv;
  __argc = 5;
  __wargv = argv;
  Collector collector;
  app.ParseCommandLine(collector);
  EXPECT_EQ(collector.seen, u"[song.mp3][-x][Z:\\music][-|last]");

  CCommandLineInfo plain;
  app.ParseCommandLine(plain);
  EXPECT_EQ(plain.m_nShellCommand, CCommandLineInfo::FileOpen);
  EXPECT_EQ(plain.m_strFileName, u"song.mp3") << "the first plain argument is the file to open";

  __argc = 1;
  Collector none;
  app.ParseCommandLine(none);
  EXPECT_EQ(none.seen, u"");
  __argc = savedArgc;
  __wargv = savedArgv;
}

TEST(RuntimeClass, KnowsItsBasesAndCreatesObjects) {
  CObject* made = RUNTIME_CLASS(DynamicThing)->CreateObject();
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(DynamicThing)));
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(CWinThread)));
  EXPECT_STREQ(made->GetRuntimeClass()->m_lpszClassName, "DynamicThing");
  delete made;
  EXPECT_EQ(RUNTIME_CLASS(CWinApp)->CreateObject(), nullptr) << "the application is not creatable by class";
  CWinApp app(u"Named");
  EXPECT_TRUE(app.IsKindOf(RUNTIME_CLASS(CWinThread)));
  EXPECT_EQ(std::u16string(app.m_pszAppName), u"Named");
}
