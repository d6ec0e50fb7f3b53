// Another running copy of this program, and the hand-over to it.
#include "platform/system/win/RunningInstance.h"

#include "core/file/win/PathWin.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/system/win/Shell.h"
#include "core/thread/Pooled.h"
#include "platform/lang/LangPack.h"
#include "platform/lang/Localizer.h"

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <functional>
#include <string>
#include <vector>

namespace s::system::win {

using str::strbuffer::StrBuffer;
using thread::Pooled;

namespace {

/// What the desktop search looks for and what it finds.
struct SameExeSearch {
  StrBuffer* ownPath = nullptr;
  DWORD ownProcess = 0;
  DWORD foundProcess = 0;
  HWND foundWindow = nullptr;
};

/// What the window search of one process looks for and what it finds.
struct ProcessWindowSearch {
  DWORD processId = 0;
  const WCHAR* title = nullptr;  // null: any window with a text
  HWND found = nullptr;
};

StrBuffer* ownExePath() {
  Pooled<file::win::PathWin> path(getModulePath());
  StrBuffer* text = StrBuffer::take();
  if (path.get() != nullptr) text->assign(path->getFullPath());
  return text;
}

bool samePath(StrBuffer* a, StrBuffer* b) {
  return a->getLength() != 0 && a->getLength() == b->getLength() &&
         a->matchesAtIgnoreCase(0, b->getCStr(), 0, -1);
}

/// The window's text ("" when it has none or is gone).
std::u16string windowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::vector<WCHAR> buffer(static_cast<size_t>(length) + 1);
  const int got = GetWindowTextW(window, buffer.data(), length + 1);
  return std::u16string(buffer.data(), static_cast<size_t>(got > 0 ? got : 0));
}

/// Waits at most `waitMs` for the other copy's first window; false when it has none in time or
/// has ended.
bool waitForProcessWindow(DWORD processId, DWORD waitMs = kInstanceIdleWaitMs) {
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
  if (process == nullptr) return false;
  const DWORD answer = WaitForInputIdle(process, waitMs);
  CloseHandle(process);
  return answer == 0;
}

/// The claim's name: the executable's path, folded as copies' paths are compared, in a 64-bit
/// FNV-1a hash (a path may fill the whole length a name may have). Two programs whose hashes
/// met would only take turns at their starts: the hand-over still compares paths.
std::u16string claimName() {
  Pooled<StrBuffer> path(ownExePath());
  path->toUpperCase();
  uint64_t hash = 0xCBF29CE484222325ull;
  for (uint32_t i = 0; i < path->getLength(); ++i) {
    hash = (hash ^ path->getCStr()[i]) * 0x100000001B3ull;
  }
  std::u16string name = u"Local\\Lumetra.Instance.";
  for (int shift = 60; shift >= 0; shift -= 4)
    name.push_back(u"0123456789abcdef"[(hash >> shift) & 0xF]);
  return name;
}

int32_t sendToWindowOf(DWORD processId, UINT message, const WCHAR* title) {
  ProcessWindowSearch search;
  search.processId = processId;
  search.title = title;
  const BOOL all = EnumWindows(&processWindowProc, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return all;
  DWORD_PTR result = 0;
  return static_cast<int32_t>(SendMessageTimeoutW(
      search.found, message, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG | SMTO_NOTIMEOUTIFNOTHUNG,
      kInstanceSendTimeoutMs, &result));
}

/// The first other process of this program's executable, in snapshot order, that `accept`s.
bool findInstanceProcess(uint32_t* processId, const std::function<bool(uint32_t)>& accept) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  Pooled<StrBuffer> own(ownExePath());
  // Paths that are equal ignoring case end in names that are: only a process running a file of
  // this program's name needs its path read.
  Pooled<StrBuffer> ownName;
  uint32_t slash = 0;
  ownName->assign(own->lastIndexOf(u'\\', &slash) ? own->getCStr() + slash + 1 : own->getCStr());
  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == 0 || entry.th32ProcessID == self) continue;
    if (!ownName->matchesAtIgnoreCase(0, entry.szExeFile, 0, -1)) continue;
    Pooled<StrBuffer> path(getProcessExePath(entry.th32ProcessID));
    if (samePath(path.get(), own.get()) && accept(entry.th32ProcessID)) {
      if (processId != nullptr) *processId = entry.th32ProcessID;
      found = true;
    }
  }
  CloseHandle(snapshot);
  return found;
}

bool findOnDesktop(HDESK desktop, SameExeSearch* search) {
  Pooled<StrBuffer> own(ownExePath());
  search->ownPath = own.get();
  search->ownProcess = GetCurrentProcessId();
  EnumDesktopWindows(desktop, &sameExeWindowProc, reinterpret_cast<LPARAM>(search));
  return search->foundWindow != nullptr;
}

}  // namespace

bool findOtherInstanceProcess(uint32_t* processId) {
  return findInstanceProcess(processId, [](uint32_t) { return true; });
}

bool findLiveInstanceProcess(uint32_t* processId, DWORD windowWaitMs) {
  return findInstanceProcess(
      processId, [windowWaitMs](uint32_t id) { return answersHandOver(id, windowWaitMs); });
}

bool answersHandOver(uint32_t processId, DWORD windowWaitMs) {
  if (!waitForProcessWindow(processId, windowWaitMs)) return false;
  ProcessWindowSearch search;
  search.processId = processId;
  EnumWindows(&processWindowProc, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return false;
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                             kInstanceAnswerMs, &result) != 0;
}

HANDLE takeInstanceClaim(DWORD waitMs) {
  const std::u16string name = claimName();
  HANDLE claim = CreateMutexW(nullptr, FALSE, name.c_str());
  if (claim == nullptr) return nullptr;
  const DWORD answer = WaitForSingleObject(claim, waitMs);
  // An abandoned claim is the claim of a start that died: it is taken as any other.
  if (answer == WAIT_OBJECT_0 || answer == WAIT_ABANDONED_0) return claim;
  CloseHandle(claim);
  return nullptr;
}

void endInstanceClaim(HANDLE claim) {
  if (claim == nullptr) return;
  ReleaseMutex(claim);
  CloseHandle(claim);
}

bool isOtherInstanceOnDesktop() {
  SameExeSearch search;
  return findOnDesktop(GetThreadDesktop(GetCurrentThreadId()), &search);
}

bool notifyOtherInstanceOnDesktop(HDESK desktop, lang::Localizer* localizer, int32_t titleId,
                                  bool sendInstanceEvent) {
  SameExeSearch search;
  if (!findOnDesktop(desktop, &search)) return false;
  notifyInstance(search.foundProcess, localizer, titleId, sendInstanceEvent);
  return true;
}

void notifyInstance(uint32_t processId, lang::Localizer* localizer, int32_t titleId,
                    bool sendInstanceEvent) {
  // One bounded wait per hand-over: a copy that shows no window within it never will in time,
  // and a second start must not hang on it.
  if (!waitForProcessWindow(processId)) return;
  if (localizer == nullptr) {
    sendToWindowOf(processId, kComeToFrontMessage, nullptr);
    if (sendInstanceEvent) sendToWindowOf(processId, kInstanceEventMessage, nullptr);
    return;
  }
  // The other copy may show any language: its window carries one of the packs' titles.
  for (int32_t i = 0; i < localizer->getPackCount(); ++i) {
    const lang::LangPack* pack = localizer->getPack(i);
    if (pack == nullptr) continue;
    const WCHAR* title = pack->getText(titleId);
    sendToWindowOf(processId, kComeToFrontMessage, title);
    if (sendInstanceEvent) sendToWindowOf(processId, kInstanceEventMessage, title);
  }
}

BOOL CALLBACK sameExeWindowProc(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<SameExeSearch*>(context);
  DWORD processId = 0;
  if (GetWindowThreadProcessId(window, &processId) == 0 || processId == search->ownProcess)
    return TRUE;
  Pooled<StrBuffer> path(getProcessExePath(processId));
  if (!samePath(path.get(), search->ownPath)) return TRUE;
  search->foundProcess = processId;
  search->foundWindow = window;
  return FALSE;
}

StrBuffer* getProcessExePath(uint32_t processId) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
  if (snapshot == INVALID_HANDLE_VALUE) return getProcessImagePath(processId);
  StrBuffer* path = StrBuffer::take();
  MODULEENTRY32W module{};
  module.dwSize = sizeof module;
  if (Module32FirstW(snapshot, &module)) path->assign(module.szExePath);
  CloseHandle(snapshot);
  return path;
}

StrBuffer* getProcessImagePath(uint32_t processId) {
  StrBuffer* path = StrBuffer::take();
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
  if (process == nullptr) return path;
  WCHAR image[MAX_PATH];
  if (GetProcessImageFileNameW(process, image, MAX_PATH) != 0) path->assign(image);
  CloseHandle(process);
  return path;
}

int32_t sendToProcessWindow(uint32_t processId, UINT message, const WCHAR* title) {
  waitForProcessWindow(processId);
  return sendToWindowOf(processId, message, title);
}

BOOL CALLBACK processWindowProc(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<ProcessWindowSearch*>(context);
  DWORD processId = 0;
  if (GetWindowThreadProcessId(window, &processId) == 0 || processId != search->processId)
    return TRUE;
  const std::u16string text = windowText(window);
  // An untitled window (the hidden owner of the main window) matches no title: the hand-over
  // must reach the window the user sees, whose title may carry the version after the name.
  if (text.empty()) return TRUE;
  if (search->title != nullptr) {
    Pooled<StrBuffer> have;
    have->assign(text.c_str());
    if (!have->startsWithIgnoreCase(search->title)) return TRUE;
  }
  search->found = window;
  return FALSE;
}

}  // namespace s::system::win
