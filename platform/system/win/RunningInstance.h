// Another running copy of this program: finding it by its executable's path, under the claim a
// start holds while it looks, and handing over to it by sending its main window the two
// messages of the hand-over.
#pragma once

#include <windows.h>

#include <cstdint>

namespace s::str::strbuffer {
class StrBuffer;
}
namespace s::lang {
class Localizer;
}

namespace s::system::win {

/// The message that tells the running copy's main window to come to the front.
constexpr UINT kComeToFrontMessage = WM_USER + 3;
/// The message that tells it another copy was started (its event 15).
constexpr UINT kInstanceEventMessage = WM_USER + 7;
/// The longest a hand-over waits for the other copy's first window.
constexpr DWORD kInstanceIdleWaitMs = 5000;
/// The time-out of each message of the hand-over.
constexpr UINT kInstanceSendTimeoutMs = 3000;
/// The longest a running copy may take to answer before it counts as not running.
constexpr UINT kInstanceAnswerMs = 2000;
/// The longest a start waits for the claim of another start (`takeInstanceClaim`).
constexpr DWORD kInstanceClaimWaitMs = 5000;

/// The first other process, in snapshot order, whose executable path equals this program's,
/// ignoring case; its id goes to `processId`. False when there is none or no snapshot.
bool findOtherInstanceProcess(uint32_t* processId);

/// Whether the copy `processId` runs for this user on this display and answers: once it has a
/// window here (waited for at most `windowWaitMs`), its first window with a text answers
/// WM_NULL within kInstanceAnswerMs. A copy left behind by a lost display, a frozen one or one
/// on another display does not, and is left alone.
bool answersHandOver(uint32_t processId, DWORD windowWaitMs = kInstanceIdleWaitMs);

/// The first other process, in snapshot order, whose executable path equals this program's,
/// ignoring case, and that answers (`answersHandOver`, waiting at most `windowWaitMs` for each
/// one's window); its id goes to `processId`. False when there is none or no snapshot.
bool findLiveInstanceProcess(uint32_t* processId, DWORD windowWaitMs = kInstanceIdleWaitMs);

/// The claim of a start to be this program's one running copy for this user on this display:
/// the named mutex of this executable's path (ignoring case, as copies are recognised), taken
/// for the calling thread. A start holds it from its look for a running copy until its window
/// shows, so the look and the claim are one step: a start that takes it after another finds
/// that copy's window already published, and a copy without one is no running copy (it is
/// ending, or waits for the claim itself). Waits at most `waitMs` for a start that holds it;
/// null when it was not had by then (that start is frozen) or cannot be made. A claim whose
/// holder ended without ending it is taken as any other.
HANDLE takeInstanceClaim(DWORD waitMs = kInstanceClaimWaitMs);

/// Ends a claim the calling thread took: releases the mutex and closes it. Null does nothing.
void endInstanceClaim(HANDLE claim);

/// A top-level window of the calling thread's desktop belongs to another process of the same
/// executable.
bool isOtherInstanceOnDesktop();

/// The same search on `desktop`; when a window is found, `notifyInstance` to its process and
/// true.
bool notifyOtherInstanceOnDesktop(HDESK desktop, lang::Localizer* localizer, int32_t titleId,
                                  bool sendInstanceEvent);

/// Hands over to the running copy `processId`: once that copy has a window (waited for at most
/// kInstanceIdleWaitMs), sends its window titled by each language pack's `titleId` text
/// kComeToFrontMessage, followed by kInstanceEventMessage when `sendInstanceEvent`; without a
/// localizer, to its first window with a text. A copy without a window by then gets nothing.
void notifyInstance(uint32_t processId, lang::Localizer* localizer, int32_t titleId,
                    bool sendInstanceEvent);

/// The EnumDesktopWindows callback of the desktop search: `context` is the search record.
BOOL CALLBACK sameExeWindowProc(HWND window, LPARAM context);

/// A new text (the caller releases it) with the path of the process's executable file; empty
/// when it cannot be read.
str::strbuffer::StrBuffer* getProcessExePath(uint32_t processId);
/// A new text with the process's image file name, as the system gives it; empty on failure.
str::strbuffer::StrBuffer* getProcessImagePath(uint32_t processId);

/// Sends `message` (both parameters 0) to the process's window titled `title` (null: its first
/// window with a text), after waiting at most kInstanceIdleWaitMs for it to have one. The result
/// of SendMessageTimeoutW, or of EnumWindows when no window matched.
int32_t sendToProcessWindow(uint32_t processId, UINT message, const WCHAR* title);

/// The EnumWindows callback of `sendToProcessWindow`: a window of the wanted process matches
/// when its text is not empty and begins with the wanted title, ignoring case (any text without
/// a title). `context` is the search record.
BOOL CALLBACK processWindowProc(HWND window, LPARAM context);

}  // namespace s::system::win
