// The window system's shared state: window classes, windows, the per-thread message queues and
// the one lock that guards the window tree. Internal to the layer.
#pragma once

#include <windows.h>

#include "winapi/base/threadid.h"
#include "winapi/gdi32/DisplayDriver.h"
#include "winapi/gdi32/Gdi.h"
#include "winapi/gdi32/Region.h"
#include "winapi/user32/CreationHook.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct IDropTarget;

namespace winapi {

/// Where a minimised top-level window is parked, as on Windows: both coordinates. The native
/// window stays where it was: the window system shows a minimised window its own way.
inline constexpr LONG kMinimizedPosition = -32000;

/// The place the native window of a top-level window already has (the window system gave it, or
/// it kept it while the layer held the window minimised), while the layer takes it on: a move of
/// that window to exactly that place asks nothing of the driver, whose window is there already.
struct SystemPlace {
  HWND hwnd;
  RECT rect;
};
extern thread_local const SystemPlace* t_systemPlace;

struct WindowClass {
  std::u16string name;  // as registered
  std::u16string folded;
  WNDCLASSEXW info{};
  std::vector<uint8_t> extra;
  ATOM atom = 0;
  DWORD commonControls = 0;  // system classes only: the ICC_* group that must be initialised first
};

/// One system class of the layer: the control classes every process has without registering.
struct SystemClassEntry {
  const char16_t* name;
  UINT style;
  WNDPROC proc;
  int windowExtra;
  int background;        // COLOR_* + 1, or 0 for none
  DWORD commonControls;  // 0, or the ICC_* group InitCommonControlsEx must name first
};

/// The table of the system classes (sysclass.cpp), read once when the window system starts.
const std::vector<SystemClassEntry>& systemClassTable();

struct ThreadQueue;

/// A window. Fields are guarded by userLock(); a window's procedure runs on its owner thread.
/// Rectangles are relative to the parent's client area (the screen for top-level windows).
struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  std::shared_ptr<ThreadQueue> queue;
  DWORD threadId = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // null for top-level windows
  HWND owner = nullptr;
  std::vector<HWND> children;  // front to back
  RECT window{};
  RECT client{};
  std::u16string text;
  WNDPROC proc = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  std::vector<uint8_t> extra;
  HMENU menu = nullptr;
  HICON iconSmall = nullptr, iconBig = nullptr;

  // Painting state; the update region is in window coordinates (0, 0 = window corner).
  Region update;
  bool eraseNeeded = false;
  bool frameNeeded = false;
  bool internalPaint = false;
  unsigned invalidations = 0;  // counts invalidations, so a WM_PAINT that painted nothing is known
  // WM_SETREDRAW FALSE: the window and its children neither paint nor take invalidations.
  bool redrawOff = false;
  bool hasShape = false;
  Region shape;  // window coordinates

  bool destroying = false;
  bool created = false;  // WM_CREATE answered
  bool everSized = false;
  RECT normal{};  // bounds before minimising or maximising
  // Where the native window of a minimised top-level window stands: the layer parks only its own
  // rectangle, so the native window keeps the place it had when minimised, or the one the system
  // gave it since.
  RECT nativeKept{};
  // The state the window system last reported for the native window: only a change of it is news.
  bool systemMinimized = false;
  bool systemMaximized = false;
  // A top-level window still where CW_USEDEFAULT put it: the window system may place it.
  bool defaultPlace = false;
  // The window answered its last WM_NCCALCSIZE itself and left no non-client area: it draws and
  // hit-tests its own frame, and the window manager must not add one.
  bool ownFrame = false;
  bool nonClientByDefault = false;  // DefWindowProcW computed the non-client area being asked for

  BYTE alpha = 255;
  COLORREF colorKey = 0;
  DWORD layeredFlags = 0;
  bool acceptFiles = false;
  WORD uiState = 0;                   // UISF_HIDEFOCUS, UISF_HIDEACCEL
  IDropTarget* dropTarget = nullptr;  // registered by RegisterDragDrop, which holds a reference

  // Top-level windows only.
  NativeWindow native = 0;
  std::shared_ptr<PixelBuffer> surface;
  RECT dirty{};  // surface area painted since the last present

  bool isTopLevel() const { return parent == nullptr; }
  bool isChild() const { return (style & WS_CHILD) != 0 && parent != nullptr; }
};

/// A message sent to a window of another thread, or an internal call to run there.
struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::function<LRESULT()> call;  // runs instead of the window procedure when set
  LRESULT result = 0;
  bool done = false;
  bool failed = false;
  std::shared_ptr<ThreadQueue> sender;  // null: nobody waits for the answer
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT interval;
  ULONGLONG due;
  TIMERPROC proc;
};

/// Raw input waiting in a queue; it becomes a window message when the queue's thread takes it.
struct RawInput {
  enum class Kind { Mouse, Key, Drop } kind;
  HWND top;
  UINT message;  // WM_MOUSEMOVE, WM_xBUTTONDOWN/UP, WM_MOUSEWHEEL; WM_KEYDOWN/UP
  POINT screen;
  int wheel;
  UINT vk;
  char16_t ch;
  DWORD time;
  std::vector<std::u16string> files;
  // Mouse input: the buttons and modifier keys held just after the event, as MK_ flags. The
  // thread takes the event later than it happened; its hit test and message see these.
  WPARAM keys;
};

/// Steady nanoseconds, for the timing of waits.
inline int64_t steadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

/// Whether a queue's thread runs, was woken from a wait of the layer and waits for a CPU, or
/// sleeps in such a wait; where it sleeps with SMTO_BLOCK, messages sent to it wait until its own
/// answer comes.
enum class QueueSleep : uint8_t { Awake, Woken, Asleep, AsleepIgnoringSends };

/// The message queue of one thread.
struct ThreadQueue {
  DWORD threadId = 0;
  std::mutex lock;
  std::condition_variable wake;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::deque<RawInput> input;
  std::vector<Timer> timers;
  bool quit = false;
  int quitCode = 0;
  bool alive = true;
  // Read by senders on other threads to tell a hung thread.
  std::atomic<bool> waitingForMessages{false};
  std::atomic<ULONGLONG> lastPump{0};                   // steady milliseconds of the last look into the queue
  int paintsPending = 0;                                // changes of update regions, so a waiting thread looks again
  std::vector<std::shared_ptr<SentMessage>> receiving;  // messages being handled, innermost last
  MSG last{};                                           // the last message taken (GetMessageTime, GetMessagePos)
  char16_t lastKeyChar = 0;

  // Counts notifications, so a thread about to sleep can spin briefly for one first: a sent
  // message answered within microseconds then costs no sleep and wake-up on either side. The
  // moment of the last one (steady nanoseconds) tells a thread that slept whether a spin would
  // have caught it, whatever its own wake-up cost.
  std::atomic<uint64_t> signals{0};
  std::atomic<int64_t> signalledAt{0};
  // Where the thread is, for a thread that would spin while waiting for it, and when it last woke
  // from a wait (steady nanoseconds).
  std::atomic<QueueSleep> sleep{QueueSleep::Awake};
  std::atomic<int64_t> resumedAt{0};
  // The owner thread's own: the thread whose sent message it answered last (it waits for that
  // one's next message), and whether its last wait for messages and for an answer ended soon
  // enough that spinning would have caught them.
  std::weak_ptr<ThreadQueue> lastSender;
  bool idleSpinPays = true;
  bool answerSpinPays = true;
  // The owner thread's own: the count of paint changes at which it last found nothing to paint
  // (notePaintChange), so a loop of sent messages that paint nothing walks no window tree.
  uint64_t nothingToPaintAt = ~0ULL;

  void notify() {
    signalledAt.store(steadyNs(), std::memory_order_relaxed);
    // A thread asleep in a wait that this notification ends runs again once it has a CPU.
    QueueSleep asleep = QueueSleep::Asleep;
    sleep.compare_exchange_strong(asleep, QueueSleep::Woken, std::memory_order_relaxed);
    signals.fetch_add(1, std::memory_order_release);
    wake.notify_all();
  }
};

/// The lock of the window tree and the window table. Never held while a window procedure runs.
std::recursive_mutex& userLock();

/// The window behind a handle (under userLock), or null for an invalid or foreign handle.
Window* findWindow(HWND hwnd);
/// As findWindow, and sets ERROR_INVALID_WINDOW_HANDLE when there is none.
Window* windowOrError(HWND hwnd);

/// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> currentQueue();
std::shared_ptr<ThreadQueue> queueOfThread(DWORD threadId);

/// Steady milliseconds (for timeouts), and the driver's clock (message times, timers).
ULONGLONG steadyMs();
ULONGLONG clockMs();

/// Calls the window procedure on the calling thread (which must own the window).
LRESULT callWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
/// SendMessageW without the cross-process path.
LRESULT sendLocal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
/// Runs fn on the thread that owns hwnd and waits for it (the caller keeps handling messages
/// sent to it meanwhile). Returns fn's result, or 0 when the window or its thread is gone.
LRESULT runOnOwner(HWND hwnd, std::function<LRESULT()> fn);
/// Queues fn to run on the owner thread of hwnd without waiting.
void postToOwner(HWND hwnd, std::function<void()> fn);
/// Wakes the queue of a window's thread (after its update region or timers changed).
void wakeOwner(Window* w);
bool ownedByCurrentThread(HWND hwnd);

// Geometry helpers (under userLock).
POINT clientOrigin(Window* w);  // screen position of the client area's corner
POINT windowOrigin(Window* w);  // screen position of the window's corner
Window* topLevelOf(Window* w);
/// Offset of a window's corner (or its client corner) from its top-level window's corner.
POINT offsetInTop(Window* w, bool clientArea);
bool isVisibleChain(Window* w);
/// Whether the window or one of its ancestors has redrawing switched off (WM_SETREDRAW FALSE).
bool isRedrawOffChain(Window* w);
/// What a window may paint, in the coordinates of its top-level surface.
Region visibleRegion(Window* w, bool clientArea, bool clipChildren);

// Painting (painting.cpp).
void invalidateWindow(Window* w, const Region* windowArea, UINT flags);
/// Counts the changes that can give a window something to paint where it had nothing to show
/// before: an invalidation, an update region set anew, a window shown, given another parent or
/// another style, redrawing switched back on. Bumped under userLock() where the change is made,
/// so a thread that found nothing to paint at one count need not look again before the next.
void notePaintChange();
/// The window of this thread that should get WM_PAINT next, or null.
HWND nextWindowToPaint(ThreadQueue& queue);
void presentDirtySurfaces(ThreadQueue& queue);
void markDirty(Window* top, const RECT& surfaceRect);
void resizeSurface(Window* top);
/// Sends WM_NCPAINT and WM_ERASEBKGND as BeginPaint would, without painting the client area.
void eraseNow(HWND hwnd);

// Geometry (geometry.cpp).
/// Keeps a requested place and size within reason: a top-level window no larger than the virtual
/// screen, its frame included (a maximised one no larger than its maximum tracking size, the
/// virtual screen and a frame), so no stored or requested size asks for more surface than the
/// screens hold or puts part of the frame beyond every screen; every window's place and size
/// within 2^30, so no rectangle arithmetic overflows.
void keepGeometryInReason(bool topLevel, bool maximized, int& x, int& y, int& cx, int& cy);
BOOL setWindowPosition(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
/// Takes on a maximised or normal state that the window system gave a top-level window (the
/// window manager maximised or restored it): the window's state, frame and WM_SIZE follow, but
/// the driver is asked for nothing, neither the state (the system has it) nor a rectangle of the
/// layer's own; the place stays until the system's own place is reported. A minimised window
/// only takes it as the state it comes back in. Runs on the window's thread.
void takeSystemState(HWND hwnd, bool maximized);
void recalcClient(Window* w, bool sendCalcSize);
RECT defaultNonClient(Window* w);
WindowHints hintsFor(Window* w);
void updateNativeHints(Window* w);

// Focus and activation (input.cpp).
void activateWindow(HWND hwnd, int how);
void forgetWindowInput(HWND hwnd);
HWND focusWindow();
/// Turns a raw input record into messages; true when it produced msg for this thread.
bool translateRawInput(ThreadQueue& queue, RawInput& raw, MSG* msg);
SHORT keyStateOf(int vk);
/// The mouse buttons, Shift and Control held now, as MK_ flags.
WPARAM heldMouseKeys();
void setKeyState(int vk, bool down);

// Cross-process windows (remote.cpp).
bool isRemoteHandle(HWND hwnd);
void publishWindows();
LRESULT sendRemote(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout, bool* ok);
int remoteWindowText(HWND hwnd, std::u16string* text);
DWORD remoteThreadProcess(HWND hwnd, DWORD* processId);
std::vector<HWND> remoteTopLevelWindows();

// Drops (drop.cpp).
HDROP makeDrop(POINT clientPoint, bool nonClient, std::vector<std::u16string> files);
/// Tells the driver whether a top-level window takes drags: while any window in it accepts
/// files or has a drop target.
void updateDriverDrops(Window* top);

/// The number of a registered name (window messages and clipboard formats share the table):
/// 0xC000 on, one per name with A-Z folded; 0 for a null or empty name.
UINT registeredNameId(LPCWSTR name);

/// Every window a thread made, children included.
std::vector<HWND> windowsOfThread(DWORD threadId);
/// Removes a window of an ending thread (and its children) without sending it messages;
/// nothing when it is already gone.
void destroyWindowSilently(HWND hwnd);
/// Timers and posted messages of a window that goes away.
void killTimersOf(ThreadQueue& queue, HWND hwnd);
/// Hands raw input to the queue of the thread that owns the top-level window.
bool postRawInput(HWND top, RawInput raw);
/// Wakes every queue (the driver's clock moved).
void wakeAllQueues();

/// Moves a top-level window in the z-order (HWND_TOP, HWND_BOTTOM, or after a window); topmost
/// windows stay in front of the others.
void setTopLevelOrder(HWND hwnd, HWND insertAfter);

/// The visible top-level window at a screen point, front first, or null.
Window* windowAtPoint(POINT screen);
/// The deepest visible, enabled child of w at a screen point, or w itself.
Window* deepestChildAt(Window* w, POINT screen);

/// The pixels of an icon made by CreateIconIndirect (false for stock icons and bad handles).
bool iconPixels(HICON icon, int* width, int* height, std::vector<uint32_t>* pixels);

/// From the first top-level window on, SIGTERM, SIGINT and SIGHUP (while they have their default
/// action) end the session: WM_ENDSESSION to every top-level window, then their close. The
/// process ends at the latest 4 s after the event, by the signal, removing unfinished files.
void watchSessionEnd();
/// Whether the session ended because the display was lost (nativeDisplayLost).
bool sessionEndedByLostDisplay();

/// All top-level windows of this process, front to back.
std::vector<HWND> topLevelWindows();
/// The same list itself, for a caller that holds userLock() and only reads it meanwhile.
const std::vector<HWND>& topLevelWindowsLocked();

}  // namespace winapi
