// A program with one application object, started by the framework's conformance tests: it
// reports on standard output what `main` handed it. With the environment variable
// PROBE_SECOND_APP set, a second application object is built, which `main` must refuse.
#include <afxwin.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

void print(const char* label, const char16_t* text) {
  std::string out;
  for (const char16_t* p = text; *p != 0; ++p) {
    char16_t u = *p;
    bool pair = u >= 0xD800 && u <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF;
    if (u >= 0xD800 && u <= 0xDFFF && !pair) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(u));
      out += escaped;
      continue;
    }
    char bytes[8];
    int n = WideCharToMultiByte(CP_UTF8, 0, p, pair ? 2 : 1, bytes, sizeof bytes, nullptr, nullptr);
    out.append(bytes, static_cast<size_t>(n));
    if (pair) ++p;
  }
  std::printf("%s=%s\n", label, out.c_str());
}

class Recorder : public CCommandLineInfo {
 public:
  void ParseParam(const TCHAR* param, BOOL flag, BOOL last) override {
    print(flag ? (last ? "switch-last" : "switch") : (last ? "param-last" : "param"), param);
  }
};

class ProbeApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    std::printf("init\n");
    std::printf("same-app=%d same-thread=%d same-instance=%d\n", AfxGetApp() == this, AfxGetThread() == this,
                m_hInstance == GetModuleHandleW(nullptr));
    print("cmdline", m_lpCmdLine);
    print("exe", m_pszExeName);
    print("appname", m_pszAppName);
    Recorder recorder;
    ParseCommandLine(recorder);
    bool run = false;
    for (int i = 1; i < __argc; ++i) run = run || std::u16string(__wargv[i]) == u"-run";
    return run ? TRUE : FALSE;
  }
  int Run() override {
    std::printf("run\n");
    // The loop runs until WM_QUIT; the probe has no window to close, so it asks to end at once.
    PostQuitMessage(0);
    return CWinApp::Run();
  }
  int ExitInstance() override {
    std::printf("exit\n");
    return 7;
  }
};

ProbeApp theApp;
std::unique_ptr<ProbeApp> secondApp =
    std::getenv("PROBE_SECOND_APP") != nullptr ? std::make_unique<ProbeApp>() : nullptr;

}  // namespace
