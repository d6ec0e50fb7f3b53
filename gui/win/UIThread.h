// The thread on which a top-level window's native windows live and its messages are pumped.
#pragma once

#include <windows.h>
#include <afxwin.h>

#include <atomic>

namespace s::gui::win {

class Window;

/// One per top-level window, started by the window's construction through the framework's
/// thread starter. The thread initialises the controls and COM, waits for the window handed
/// over in `windowToCreate`, makes its native windows and then runs the framework's message
/// loop until WM_QUIT. The object outlives its thread (auto-delete off) until `stop` ends it.
///
/// The constructing thread and the UI thread meet only through the three flags, which are
/// polled in 10 ms sleeps.
class UIThread : public CWinThread {
  DECLARE_DYNCREATE(UIThread)

 public:
  UIThread();
  ~UIThread() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  /// Ends the thread: posts WM_QUIT (every 10 ms until a post succeeds, for up to 5 s) while it
  /// runs, then waits out the rest of the 5 s for it to end. A thread that ended is deleted; one
  /// that did not is abandoned (its object kept, a line written to standard error), never
  /// suspended or killed. Nothing for null. True when the thread has ended (or there was none).
  static bool stop(UIThread* thread);

  std::atomic<Window*> windowToCreate{nullptr};
  /// True once the native windows exist, false again when the loop has ended.
  std::atomic<bool> running{false};
  /// Set when the thread gave up before its loop ran (the owner could not be made), so the
  /// constructing thread stops waiting.
  std::atomic<bool> failed{false};
};

}  // namespace s::gui::win
