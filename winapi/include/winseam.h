// Test seams of the layer: not part of the Windows API. Each replace... call installs a
// function that stands in for a Windows call and returns the one it replaced (the layer's own
// at first), so a replacement can count or fail calls and still pass the others through;
// passing null restores the layer's own. Only tests use these; the Windows signatures stay as
// they are.
#pragma once

#include <windows.h>

typedef struct _SHELLEXECUTEINFOW SHELLEXECUTEINFOW;

namespace winapi::seam {

// The system's code pages: what GetACP and GetOEMCP answer and what EnumSystemCodePagesW reports.
using CodePageFunction = UINT(WINAPI*)(void);
CodePageFunction replaceGetACP(CodePageFunction replacement);
CodePageFunction replaceGetOEMCP(CodePageFunction replacement);
using EnumSystemCodePagesFunction = BOOL(WINAPI*)(CODEPAGE_ENUMPROCW, DWORD);
EnumSystemCodePagesFunction replaceEnumSystemCodePagesW(EnumSystemCodePagesFunction replacement);

// Thread creation: a replacement may refuse (return null with an error set) to test the road
// of a thread that could not be made.
using CreateThreadFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                                             LPDWORD);
CreateThreadFunction replaceCreateThread(CreateThreadFunction replacement);

// Window classes and windows: a replacement can refuse the next registration or creation (answer
// 0 or null with the last error set) to test what a caller does when a window cannot be made.
using RegisterClassExFunction = ATOM(WINAPI*)(const WNDCLASSEXW*);
RegisterClassExFunction replaceRegisterClassExW(RegisterClassExFunction replacement);
using CreateWindowExFunction = HWND(WINAPI*)(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                                             LPVOID);
CreateWindowExFunction replaceCreateWindowExW(CreateWindowExFunction replacement);

// File writes: a replacement can count WriteFile calls or fail them half-way (a full disk).
using WriteFileFunction = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
WriteFileFunction replaceWriteFile(WriteFileFunction replacement);

// New temporary files: while refused is true, they take the road of a file system that cannot
// make a file without a name (a hidden name beside the one they are to take). Answers the
// setting before.
bool refuseUnnamedFiles(bool refused);

// The wall clock behind GetSystemTimeAsFileTime (and so behind every time derived from it).
using SystemTimeFunction = void(WINAPI*)(LPFILETIME);
SystemTimeFunction replaceGetSystemTimeAsFileTime(SystemTimeFunction replacement);

// File copies: a replacement is called after each block that CopyFileW (or a copying move) wrote,
// with the bytes done and the file's size; answering FALSE (with the last error set) fails the
// copy there. While one is installed, copies take the read and write road in 64 KiB blocks.
using CopyFileStepFunction = BOOL(WINAPI*)(LPCWSTR target, ULONGLONG done, ULONGLONG total);
CopyFileStepFunction replaceCopyFileStep(CopyFileStepFunction replacement);

// Opening files and addresses in the user's programs: a replacement records what would be opened
// (verb, file, parameters, show command) and answers as it likes, so nothing is started.
using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
ShellExecuteExFunction replaceShellExecuteExW(ShellExecuteExFunction replacement);

// Shell change notification (which the layer's own does not send anywhere): a replacement records
// the events.
using SHChangeNotifyFunction = void(WINAPI*)(LONG, UINT, LPCVOID, LPCVOID);
SHChangeNotifyFunction replaceSHChangeNotify(SHChangeNotifyFunction replacement);

// Token privileges: a replacement counts or refuses AdjustTokenPrivileges calls.
using AdjustTokenPrivilegesFunction = BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD);
AdjustTokenPrivilegesFunction replaceAdjustTokenPrivileges(AdjustTokenPrivilegesFunction replacement);

// Text drawn: an observer sees every run of text the text calls draw (after line breaking and
// ellipsis), in target coordinates: its box (from the pen's start to its end, over the font's
// cell), the bounds of what it was clipped to, and its first unit drawn as the missing-glyph box (-1
// when every character has its glyph).
struct TextRunDrawn {
  HDC dc;
  LPCWSTR text;
  int count;
  RECT box;
  RECT clip;
  int missingUnit;
};
using TextRunObserver = void (*)(const TextRunDrawn&);
TextRunObserver replaceTextRunObserver(TextRunObserver observer);

/// The ANSI and OEM code pages Windows gives a POSIX locale name such as "ru_RU.UTF-8".
void codePagesOfLocale(const char* locale, UINT* ansi, UINT* oem);

}  // namespace winapi::seam
