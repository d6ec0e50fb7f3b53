// The X11 driver's class, shared by its files: X11Driver.cpp holds the connection and the event
// loop, window.cpp the windows and their hints, geometry.cpp their places, sizes and frames,
// input.cpp the pointer, keyboard, focus and grabs, hotkeys.cpp the hot keys, xdnd.cpp the drops,
// tray.cpp the notification-area icons, monitors.cpp the monitors and the screen's pixels.
#pragma once

#include "winapi/gdi32/DisplayDriver.h"
#include "winapi/ole32/DragDrop.h"

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace winapi::x11 {

struct Atoms {
  Atom wmProtocols, wmDeleteWindow, netWmName, utf8String, netWmState, netWmStateAbove, netWmStateSkipTaskbar,
      netWmStateSkipPager, netWmStateHidden, netWmStateMaxVert, netWmStateMaxHorz, netWmWindowOpacity, netActiveWindow,
      netWmMoveResize, motifWmHints, netFrameExtents, netWmIcon, netWorkarea, netWmPid, netWmWindowType,
      netWmWindowTypeNormal, netWmWindowTypeUtility, xdndAware, xdndEnter, xdndPosition, xdndStatus, xdndLeave,
      xdndDrop, xdndFinished, xdndSelection, xdndActionCopy, xdndActionMove, xdndActionLink, xdndActionList,
      xdndTypeList, uriList, mozUrl, netscapeUrl, systemTray, systemTrayOpcode, xembedInfo, netSupported,
      netRequestFrameExtents, windowManager;
};

// An icon window in the tray.
struct TrayWindow {
  TrayIcon icon;
  ::Window window = 0;
};

// An XDND drag over one of the driver's windows, handled on the event thread only. What it
// carries becomes a drag session of the window system: links as "UniformResourceLocatorW" and
// "UniformResourceLocator", file URIs as files. A text/uri-list is fetched at the first position
// to tell files from a link; a link's address from text/x-moz-url or _NETSCAPE_URL at the drop.
struct XdndDrag {
  ::Window source = 0;
  std::unique_ptr<ole::DragSession> session;
  Atom linkType = 0;  // text/x-moz-url or _NETSCAPE_URL, the best the source offers; 0: none
  bool offersUriList = false;
  bool known = false;        // what the drag carries is known
  bool linkFetched = false;  // the link's address came (or will not come)
  bool sourceOffersLink = false;
  POINT point{0, 0};
  Atom converting = 0;  // the type asked of the source and not delivered yet
  std::chrono::steady_clock::time_point deadline;
  bool positionWaiting = false;  // a position to answer once the drag is known
  bool dropWaiting = false;      // a drop to complete once its data came
};

struct NativeInfo {
  HWND hwnd = nullptr;
  RECT insets{0, 0, 0, 0};  // the manager's frame around this window
  bool decorated = true;
  bool mapped = false;    // the layer shows it
  bool viewable = false;  // the server has mapped it (MapNotify came, UnmapNotify not since)
  // A window manager's frame holds the window.
  bool reparented = false;
  WindowHints hints;
  // Geometry, as window rectangles (the manager's frame included): the last one the layer asked
  // for and when, and the one the layer holds. The server's own is read once its configure
  // events come (`unsettled`): a window manager answers requests late and sends events of
  // earlier requests after later ones, so events alone never tell where the window is now.
  RECT wanted{0, 0, 0, 0};
  std::chrono::steady_clock::time_point wantedAt;
  RECT known{0, 0, 0, 0};
  bool unsettled = false;
  // The window has a place of its own, which the manager is asked to keep: the program chose it,
  // or the manager gave it and the window has been on the screen since. Until then the manager
  // places the window.
  bool placed = true;
  // _NET_WM_STATE writes of the driver itself whose PropertyNotify has not come back yet.
  int ownStateWrites = 0;
  // The layer activated the window while the server had not mapped it: the activation is asked
  // for again once it has, as a manager passes over a request for a window it does not manage yet.
  bool activateWhenViewable = false;
  // The XDND drag over this window, if one is going on.
  std::shared_ptr<XdndDrag> drag;
};

// Virtual keys and X key symbols, both ways (input.cpp): 0 where a key has no counterpart.
KeySym keySymOf(UINT vk);
UINT virtualKeyOf(KeySym sym);

class X11DriverImpl : public DisplayDriver {
 public:
  explicit X11DriverImpl(Display* display);

  const char* name() const override { return "x11"; }

  /// The driver's hold on the connection: Xlib is called under it, one thread at a time, and
  /// not at all once the connection is lost. After a loss Xlib keeps its display locked against
  /// every thread but the one that met it, so a call from any other thread would never return.
  /// Taken after m_monitorLock and before m_lock; never held while the window system is told of
  /// an event, since that may wait for a thread that waits for the connection.
  class Hold {
   public:
    explicit Hold(X11DriverImpl& driver) : m_guard(driver.m_xLock), m_live(!driver.m_lost.load()) {}
    explicit operator bool() const { return m_live; }

   private:
    std::unique_lock<std::recursive_mutex> m_guard;
    bool m_live;
  };

  void connectionLost();

  // The screen (monitors.cpp).
  std::vector<Monitor> monitors() override;
  void captureScreen(const RECT& rect, PixelBuffer& out) override;

  // Windows (window.cpp).
  NativeWindow createWindow(HWND hwnd, const RECT& r, const WindowHints& hints) override;
  void destroyWindow(NativeWindow window) override;
  void setTitle(NativeWindow window, const std::u16string& title) override;
  void setHints(NativeWindow window, const WindowHints& hints) override;
  void setVisible(NativeWindow window, bool visible, bool activateIt) override;
  void setMinimized(NativeWindow window, bool minimized) override;
  void setMaximized(NativeWindow window, bool maximized) override;
  void setShape(NativeWindow window, const Region* shape) override;
  void setIcon(NativeWindow window, int width, int height, const std::vector<uint32_t>& pixels) override;
  void present(NativeWindow window, const PixelBuffer& surface, const RECT& dirty, POINT) override;

  // Places and sizes (geometry.cpp).
  RECT frameInsets(DWORD style, DWORD) override;
  void setBounds(NativeWindow window, const RECT& r) override;
  bool stillPlaced(NativeWindow window, const RECT& r) override;
  bool beginMoveResize(NativeWindow window, int hitCode, POINT screen) override;

  // Pointer, keyboard and focus (input.cpp).
  void activate(NativeWindow window) override;
  void setCapture(NativeWindow window) override;
  void setCursor(PointerShape shape) override;
  bool grabInput(NativeWindow window) override;
  void ungrabInput() override;
  bool cursorPos(POINT* point) override;
  bool setCursorPos(int x, int y) override;

  // Hot keys (hotkeys.cpp).
  bool grabHotKey(UINT modifiers, UINT vk, DWORD* error) override;
  void ungrabHotKey(UINT modifiers, UINT vk) override;

  // Drops (xdnd.cpp).
  void acceptDrops(NativeWindow window, bool accept) override;

  // The notification area (tray.cpp).
  bool addTrayIcon(const TrayIcon& icon) override;
  void updateTrayIcon(const TrayIcon& icon) override;
  void removeTrayIcon(HWND hwnd, UINT id) override;

 private:
  // The event loop (X11Driver.cpp).
  void eventLoop();
  void handle(XEvent& e);
  void handleClientMessage(XEvent& e, HWND hwnd);

  // monitors.cpp
  bool readWorkArea(RECT* work);
  std::vector<Monitor> readMonitors();

  // window.cpp
  bool isMenu(::Window w);
  bool shownWithArea(::Window w);
  void sendState(::Window w, bool add, Atom first, Atom second);
  void applyHints(::Window w, const WindowHints& hints, bool update);
  HWND hwndOf(::Window w, RECT* insets = nullptr);
  void reportState(::Window w, HWND hwnd);

  // geometry.cpp
  void sendMoveResize(::Window w, POINT screen, long direction);
  void cancelMove(::Window w, bool press);
  bool windowManagerSupports(Atom feature);
  void askFrameExtents();
  static RECT inner(const RECT& r, const RECT& insets);
  RECT insetsOf(::Window w);
  void placeHint(::Window w, const RECT& r, const RECT& c);
  void unsettle(::Window w, const bool* viewable);
  void settleGeometry();
  void settle(::Window w);
  void learnExtents(::Window w);

  // input.cpp
  void activateOnceViewable(::Window w);
  void requestActivation(::Window w);
  void setFocus(::Window w);
  Cursor cursorFor(PointerShape shape);
  void notePress(const XButtonEvent& e, bool ours);
  void holdRelease(::Window w);
  void heldButton(const XButtonEvent& e);

  // hotkeys.cpp
  unsigned xModifiers(UINT modifiers) const;
  std::vector<unsigned> lockStates() const;
  unsigned numLockMask();
  void handleHotKey(XKeyEvent& key);

  // xdnd.cpp
  void sendToSource(::Window source, ::Window target, Atom type, long l1, long l2, long l3, long l4);
  std::shared_ptr<XdndDrag> dragOf(::Window w);
  std::shared_ptr<XdndDrag> takeDrag(::Window w);
  std::vector<Atom> atomsOf(::Window source, Atom property);
  void xdndEnter(::Window w, const XClientMessageEvent& m);
  void xdndPosition(::Window w, HWND hwnd, const XClientMessageEvent& m);
  void answerPosition(::Window w, HWND hwnd, XdndDrag& drag);
  void xdndDrop(::Window w, HWND hwnd, const XClientMessageEvent& m);
  void completeDrop(::Window w, HWND hwnd);
  Atom actionOf(DWORD effect, bool sourceOffersLink) const;
  void sendStatus(::Window source, ::Window w, DWORD effect, bool sourceOffersLink);
  void requestData(::Window w, XdndDrag& drag, Atom type, Time time);
  void xdndDataArrived(::Window w, HWND hwnd, bool delivered);
  void xdndCheckDeadlines();
  void dataDelivered(::Window w, HWND hwnd, XdndDrag& drag, bool delivered, const std::string& bytes);
  static CLIPFORMAT linkFormat();
  static CLIPFORMAT ansiLinkFormat();
  static void supplyLink(ole::DragData* data, const std::u16string& link);

  // tray.cpp
  bool handleTrayEvent(XEvent& e);
  void setTrayTip(::Window w, const std::u16string& tip);
  void paintTrayIcon(::Window w);

  // The driver's state, shared by its files.
  Display* m_display;
  int m_screen;
  ::Window m_root;
  Visual* m_visual;
  int m_depth;
  GC m_gc;
  Atoms m_atoms{};
  // Every Xlib call is made under m_xLock (see Hold), and none once m_lost is set.
  std::recursive_mutex m_xLock;
  std::mutex m_lock;
  std::map<::Window, NativeInfo> m_windows;
  std::map<PointerShape, Cursor> m_cursors;
  RECT m_learntExtents{0, 0, 0, 0};
  std::once_flag m_extentsAsked;
  std::atomic<bool> m_lost{false};
  std::atomic<NativeWindow> m_capture{0};       // the X window of the capturing window's top level
  std::atomic<unsigned long> m_focusSerial{0};  // the serial of the last XSetInputFocus
  std::atomic<::Window> m_moveAsked{0};         // the window whose move the manager was asked for
  std::atomic<::Window> m_pressed{0};           // the window of ours the buttons were pressed on
  std::atomic<bool> m_releaseHeld{false};       // the pointer is held on the root until the release
  std::atomic<bool> m_inputGrabbed{false};      // a menu holds pointer and keyboard (grabInput)
  int m_randrEvent = -1;
  int m_randrError = 0;
  bool m_randr15 = false;
  std::mutex m_monitorLock;
  std::atomic<bool> m_monitorsValid{false};
  std::vector<Monitor> m_monitors;
  unsigned m_numLockMask = 0;
  std::vector<unsigned> m_heldKeys;  // grabbed keys now down, to tell repeats
  std::vector<TrayWindow> m_trayWindows;
};

}  // namespace winapi::x11
