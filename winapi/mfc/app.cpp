// The application object, the command-line parser and the start of the application by the
// framework's entry point.
// Left out: the application title from a string resource (the program's title serves), and
// the framework's own switches in CCommandLineInfo (the program interprets its arguments itself).
#include <afxwin.h>

#include "winapi/base/unixpath.h"
#include "winapi/mfc/appstart.h"
#include "winapi/user32/Window.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

int __argc = 0;
WCHAR** __wargv = nullptr;

namespace {

CWinApp* s_app = nullptr;
int s_appCount = 0;

// SW_SHOWDEFAULT: the program was started without a request for how to show its window.
constexpr int kShowDefault = 10;

// Quotes one argument the way the Windows command-line rules read it back: backslashes are
// literal except before a quote, where they are doubled, and the quote is escaped.
std::u16string quoteArgument(const std::u16string& arg) {
  if (!arg.empty() && arg.find_first_of(u" \t\n\v\"") == std::u16string::npos) return arg;
  std::u16string out = u"\"";
  size_t backslashes = 0;
  for (char16_t c : arg) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') {
      out.append(backslashes * 2 + 1, u'\\');
    } else {
      out.append(backslashes, u'\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, u'\\');
  out += u'"';
  return out;
}

// The title of a path: its last name without the extension.
std::u16string titleOf(const std::u16string& path) {
  size_t slash = path.find_last_of(u"\\/");
  std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of(u'.');
  return dot == std::u16string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

// Fills the fields the entry point gives the application object.
struct CWinAppStarter {
  static void fill(CWinApp& app, const std::vector<std::u16string>& args) {
    for (size_t i = 1; i < args.size(); ++i) {
      if (i > 1) app.m_commandLine += u' ';
      app.m_commandLine += quoteArgument(args[i]);
    }
    app.m_lpCmdLine = app.m_commandLine.data();
    app.m_hInstance = GetModuleHandleW(nullptr);
    app.m_nCmdShow = kShowDefault;
    char16_t path[4096];
    DWORD length = GetModuleFileNameW(nullptr, path, 4096);
    app.m_exeName = titleOf(std::u16string(path, length < 4096 ? length : 0));
    app.m_pszExeName = app.m_exeName.c_str();
    if (app.m_pszAppName == nullptr) app.m_pszAppName = app.m_pszExeName;
    app.m_hThread = GetCurrentThread();
    app.m_nThreadID = GetCurrentThreadId();
  }
};

CWinApp::CWinApp(LPCTSTR appName) {
  if (appName != nullptr) {
    m_appName = appName;
    m_pszAppName = m_appName.c_str();
  }
  if (s_app == nullptr) s_app = this;
  ++s_appCount;
}

CWinApp::~CWinApp() {
  --s_appCount;
  if (s_app == this) s_app = nullptr;
}

BOOL CWinApp::InitApplication() { return TRUE; }

BOOL CWinApp::InitInstance() { return TRUE; }

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
  for (int i = 1; i < __argc; ++i) {
    const WCHAR* param = __wargv[i];
    BOOL flag = param[0] == u'-' ? TRUE : FALSE;
    if (flag) ++param;
    info.ParseParam(param, flag, i == __argc - 1 ? TRUE : FALSE);
  }
}

void CCommandLineInfo::ParseParam(const TCHAR* param, BOOL flag, BOOL) {
  if (flag || m_nShellCommand != FileNew) return;
  m_strFileName = param;
  m_nShellCommand = FileOpen;
}

CWinApp* AfxGetApp() { return s_app; }

HINSTANCE AfxGetInstanceHandle() { return s_app != nullptr ? s_app->m_hInstance : GetModuleHandleW(nullptr); }

namespace {
std::atomic<HINSTANCE> s_resources{nullptr};
}  // namespace

HINSTANCE AfxGetResourceHandle() {
  HINSTANCE resources = s_resources.load(std::memory_order_acquire);
  return resources != nullptr ? resources : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE resources) { s_resources.store(resources, std::memory_order_release); }

int winapi::mfc::runApplication(int argc, char** argv) {
  // The converted arguments live as long as the process: __wargv points into them.
  static std::vector<std::u16string> args;
  static std::vector<WCHAR*> pointers;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg(argv[i]);
    // An argument that begins with "/" is an absolute path here; inside it takes its Windows form.
    args.push_back(!arg.empty() && arg[0] == '/' ? paths::toWindows(arg) : paths::nameToWindows(arg));
  }
  for (std::u16string& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  __argc = argc;
  __wargv = pointers.data();

  if (s_appCount != 1) {
    std::fprintf(stderr, "%s: the program must have exactly one application object, it has %d\n",
                 argc > 0 ? argv[0] : "program", s_appCount);
    return -1;
  }
  CWinApp* app = s_app;
  CWinAppStarter::fill(*app, args);
  setCurrentThread(app);
  if (!app->InitApplication()) return -1;
  const int code = app->InitInstance() ? app->Run() : app->ExitInstance();
  // A program whose display went away did not end by its user's choice.
  return winapi::sessionEndedByLostDisplay() ? 1 : code;
}
