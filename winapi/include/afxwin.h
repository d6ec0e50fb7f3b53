// The application framework: the command target, the thread and application classes, the
// command-line parser, and the globals the framework's entry point fills. `main` (linked from
// the winapi_main library) plays WinMain: it runs the one application object.
#pragma once

#include <windows.h>
#include <afx.h>

#include <string>

class CWnd;

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)
 public:
  CCmdTarget() = default;
  ~CCmdTarget() override = default;
};

/// A thread of the framework. The application object is the one of the main thread.
class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)
 public:
  CWinThread() = default;
  ~CWinThread() override = default;

  CWnd* m_pMainWnd = nullptr;
  BOOL m_bAutoDelete = TRUE;
  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;

  operator HANDLE() const { return m_hThread; }

  /// Per-thread set-up; the thread's loop runs only when it answers TRUE. The base answers
  /// FALSE.
  virtual BOOL InitInstance();
  /// The thread's message loop: takes each message, offers it to PreTranslateMessage and
  /// dispatches what that leaves, calls OnIdle when the queue runs empty, and ends on WM_QUIT
  /// with ExitInstance, whose result it answers.
  virtual int Run();
  /// Offers a message to the framework windows it is for, from its window up to the top-level
  /// window (CWnd::PreTranslateMessage); TRUE when one of them took it.
  virtual BOOL PreTranslateMessage(MSG* msg);
  /// Called when the queue is empty, with a count of the calls since the last message; TRUE
  /// asks for another call. The base frees the temporary objects FromHandle made.
  virtual BOOL OnIdle(LONG count);
  /// Takes and handles one message; FALSE when it was WM_QUIT.
  virtual BOOL PumpMessage();

  MSG m_msgCur{};
  LPVOID m_pThreadParams = nullptr;
  UINT (*m_pfnThreadProc)(LPVOID) = nullptr;
  /// Per-thread clean-up; its result becomes the thread's exit code.
  virtual int ExitInstance();

  int GetThreadPriority() { return ::GetThreadPriority(m_hThread); }
  BOOL SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread, priority); }
  DWORD SuspendThread() { return ::SuspendThread(m_hThread); }
  DWORD ResumeThread() { return ::ResumeThread(m_hThread); }
};

/// The parser's receiver: ParseCommandLine calls ParseParam once per argument, in order.
class CCommandLineInfo : public CObject {
 public:
  CCommandLineInfo() = default;
  ~CCommandLineInfo() override = default;

  /// `param` is the argument without its leading "-" when `flag` is TRUE; `last` marks the last
  /// argument. The base records the first plain argument as the file to open; switches set
  /// nothing here.
  virtual void ParseParam(const TCHAR* param, BOOL flag, BOOL last);

  enum {
    FileNew,
    FileOpen,
    FilePrint,
    FilePrintTo,
    FileDDE,
    AppRegister,
    AppUnregister,
    FileNothing = -1
  } m_nShellCommand = FileNew;
  std::u16string m_strFileName;
};

/// The application: exactly one object of a class derived from CWinApp exists, built by a
/// static initialiser before `main` runs it.
class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)
 public:
  explicit CWinApp(LPCTSTR appName = nullptr);
  ~CWinApp() override;

  HINSTANCE m_hInstance = nullptr;
  LPTSTR m_lpCmdLine = nullptr;  // the arguments after the program's name, quoted as Windows quotes them
  int m_nCmdShow = 0;
  LPCTSTR m_pszAppName = nullptr;  // the name given to the constructor, else the program's title
  LPCTSTR m_pszExeName = nullptr;  // the program file's title (its name without extension)

  virtual BOOL InitApplication();
  /// The base answers TRUE.
  BOOL InitInstance() override;

  /// Hands every argument to `info.ParseParam`. Only "-" introduces a switch: on this system
  /// an argument that begins with "/" is a path.
  void ParseCommandLine(CCommandLineInfo& info);

  /// The default printer's settings (PD_RETURNDEFAULT); FALSE when there is no printer, which
  /// on this system is always.
  BOOL GetPrinterDeviceDefaults(PRINTDLGW* dialog);
  /// A DC of the default printer attached to dc; FALSE without a printer.
  BOOL CreatePrinterDC(class CDC& dc);

 private:
  friend struct CWinAppStarter;
  std::u16string m_appName;
  std::u16string m_exeName;
  std::u16string m_commandLine;
};

/// The application object, or null before it is built.
CWinApp* AfxGetApp();
/// The framework thread object of the calling thread (the application on the main thread).
CWinThread* AfxGetThread();
/// The program's module handle.
HINSTANCE AfxGetInstanceHandle();
/// The module whose resources (string table, pictures) the framework loads: the program's own
/// until AfxSetResourceHandle names another, as a language module would.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE resources);

// The program's arguments as the framework's entry point converted them: UTF-16, absolute
// POSIX paths in their Z:\ form. __wargv[0] is the program.
extern int __argc;
extern WCHAR** __wargv;

#include <afxwindow.h>
#include <afxdlgs.h>
#include <afxcontrols.h>
#include <afxmenu.h>
#include <afxedit.h>
