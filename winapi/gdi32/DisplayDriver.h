// The display driver interface: what the portable window system asks of a display. A driver
// makes native top-level windows, presents finished surfaces, feeds input and answers screen
// metrics; everything else (child windows, queues, painting) is shared layer code.
// Every member has a working null default, so a driver implements only what its display has.
#pragma once

#include <windows.h>

#include "winapi/gdi32/Gdi.h"
#include "winapi/gdi32/Region.h"

#include <cstdint>
#include <string>
#include <vector>

namespace winapi {

/// A driver's handle of a native top-level window; 0 means none.
using NativeWindow = uintptr_t;

/// What a native top-level window should look like to the window manager.
struct WindowHints {
  bool decorated = true;  // has a caption or sizing frame drawn by the window manager
  bool resizable = true;
  bool topmost = false;
  bool skipTaskbar = false;  // tool windows and owned windows without WS_EX_APPWINDOW
  bool popup = false;        // no caption and no frame
  bool placed = true;        // the program chose the place (not CW_USEDEFAULT): the system keeps it
  BYTE alpha = 255;          // layered opacity
  NativeWindow transientFor = 0;
  // A menu or a combo box's drop list: a window the window manager leaves alone (X11 override
  // redirect) that never takes the input focus, shown above everything while it is open.
  bool menu = false;
};

struct Monitor {
  RECT bounds;
  RECT workArea;
  bool primary;
};

/// The screen of a display that reports none of its own, and of the headless driver: one
/// 1920 x 1080 monitor, the commonest desktop size, so layouts come out as most users see them.
constexpr RECT kDefaultScreen{0, 0, 1920, 1080};

enum class PointerShape {
  Arrow,
  IBeam,
  Wait,
  Cross,
  UpArrow,
  SizeNWSE,
  SizeNESW,
  SizeWE,
  SizeNS,
  SizeAll,
  No,
  Hand,
  AppStarting,
  Help,
  Hidden
};

/// An answer that a modal loop (message box, popup menu, common dialog) takes instead of
/// running: scripted by tests under the headless driver.
struct ModalAnswer {
  enum class Kind {
    MessageBox,  // value: the button (IDOK, IDYES, ...)
    Menu,        // value: the chosen item's id
    Files,       // files: the chosen files
    Folder,      // files: the chosen folder, one entry
    Colour,      // colour: the chosen colour
    Print,       // the print dialog: the user prints (value: unused)
    Cancel,      // any loop: the user cancels (Esc, the close button, a click outside a menu)
    Run          // any loop: runs for real, driven by injected input
  };
  Kind kind = Kind::Run;
  int value = 0;
  std::vector<std::u16string> files;
  COLORREF colour = 0;
};

/// A printer the driver offers. Only the headless driver has one, and only when a test gives it.
struct Printer {
  std::u16string name;  // the device name
  std::u16string port;
  int paperWidthMm = 0;
  int paperHeightMm = 0;
  int dotsPerInchX = 0;
  int dotsPerInchY = 0;
};

/// A page a printer DC finished (EndPage).
struct PrintedPage {
  std::u16string printer;
  std::u16string document;  // DOCINFOW's document name
  std::u16string output;    // DOCINFOW's output, empty when none was given
  int width = 0;            // dots
  int height = 0;
  std::vector<uint32_t> pixels;  // ARGB, top row first
};

/// A message box as it was shown: what tests read back of each box.
struct ShownMessageBox {
  std::u16string caption;
  std::u16string text;
  UINT type = 0;
  HWND owner = nullptr;
};

/// A notification-area icon as the driver shows it.
struct TrayIcon {
  HWND hwnd = nullptr;
  UINT id = 0;
  int iconWidth = 0;  // 0: no icon picture
  int iconHeight = 0;
  std::vector<uint32_t> pixels;  // ARGB, top row first
  std::u16string tip;
};

class DisplayDriver {
 public:
  virtual ~DisplayDriver() = default;
  virtual const char* name() const { return "null"; }

  // Screen.
  virtual std::vector<Monitor> monitors();
  /// The frame the window manager puts around a top-level window with these styles (the
  /// distances from the window rectangle to the native client area).
  virtual RECT frameInsets(DWORD style, DWORD exStyle);

  // Top-level windows. windowRect is in screen coordinates and includes the frame.
  virtual NativeWindow createWindow(HWND hwnd, const RECT& windowRect, const WindowHints& hints);
  virtual void destroyWindow(NativeWindow window);
  virtual void setTitle(NativeWindow window, const std::u16string& title);
  virtual void setBounds(NativeWindow window, const RECT& windowRect);
  /// Whether a place the driver reported for a window (`nativeMoved`) is still its latest idea of
  /// it: false once the layer has asked for another place since, which makes the report stale.
  virtual bool stillPlaced(NativeWindow window, const RECT& windowRect);
  virtual void setHints(NativeWindow window, const WindowHints& hints);
  virtual void setVisible(NativeWindow window, bool visible, bool activate);
  virtual void setMinimized(NativeWindow window, bool minimized);
  virtual void setMaximized(NativeWindow window, bool maximized);
  virtual void setShape(NativeWindow window, const Region* shape);
  virtual void setIcon(NativeWindow window, int width, int height, const std::vector<uint32_t>& pixels);
  virtual void activate(NativeWindow window);
  /// The user pressed a button on the caption (HTCAPTION) or a sizing border (HTLEFT ..
  /// HTBOTTOMRIGHT): true when the window manager moves or sizes the window from here on; false
  /// (the default) when the caller must run its own move-or-size loop.
  virtual bool beginMoveResize(NativeWindow window, int hitCode, POINT screen);
  virtual void acceptDrops(NativeWindow window, bool accept);
  /// Shows part of a finished surface: dirty is in surface coordinates; the surface covers the
  /// whole window rectangle and clientOffset is where the native client area starts in it.
  virtual void present(NativeWindow window, const PixelBuffer& surface, const RECT& dirty, POINT clientOffset);

  /// Copies the screen rectangle `rect` (virtual-screen coordinates) into `out`, which the caller
  /// has made rect's size and filled with opaque black; pixels come back opaque (alpha 255).
  /// The null default knows no screen and leaves the black.
  virtual void captureScreen(const RECT& rect, PixelBuffer& out);

  /// The answer a modal loop of this kind takes now: the null default runs every loop.
  virtual ModalAnswer takeModalAnswer(ModalAnswer::Kind kind);
  /// Every message box tells the driver what it shows, answered by a script or not.
  virtual void messageBoxShown(const ShownMessageBox& box);

  /// The default printer, or false when there is none (no driver but the headless one with a
  /// test printer has one).
  virtual bool defaultPrinter(Printer* printer);
  /// Takes a finished page of a printer DC.
  virtual void printPage(PrintedPage page);

  // The notification area. addTrayIcon is false when the display has none; icons are known by
  // (hwnd, id). Mouse input over an icon goes to trayIconInput (winapi/shell32/NotifyIcon.h).
  virtual bool addTrayIcon(const TrayIcon& icon);
  virtual void updateTrayIcon(const TrayIcon& icon);
  virtual void removeTrayIcon(HWND hwnd, UINT id);

  // Hot keys: a key with MOD_ALT, MOD_CONTROL, MOD_SHIFT and MOD_WIN, grabbed for the whole
  // display. A refused grab answers false with the error code (ERROR_HOTKEY_ALREADY_REGISTERED
  // when another program holds the key). Presses go to hotKeyPressed (winapi/user32/HotKey.h).
  virtual bool grabHotKey(UINT modifiers, UINT vk, DWORD* error);
  virtual void ungrabHotKey(UINT modifiers, UINT vk);

  // Input state.
  virtual void setCapture(NativeWindow window);
  /// While a menu or drop list is open, pointer and keyboard go to this process wherever they
  /// are, reported at the window's own coordinates, so a click outside every window still
  /// reaches the loop. False when the display refuses (the loop then works inside our windows).
  virtual bool grabInput(NativeWindow window);
  virtual void ungrabInput();
  virtual void setCursor(PointerShape shape);
  virtual bool cursorPos(POINT* point);
  virtual bool setCursorPos(int x, int y);

  /// Milliseconds for message times and timers: the layer's clock, GetTickCount64's. A driver
  /// that lets tests stop that clock answers true to manualClock while it stands still, and wakes
  /// the queues itself when it moves.
  virtual ULONGLONG now();
  virtual bool manualClock() { return false; }
};

/// The driver of this process, opened on first use by the opener the drivers set (see
/// winapi/drivers/open.cpp). A process without an opener, or whose opener finds no display, has
/// said why on standard error and ends with status 1: nothing runs on an invisible display.
DisplayDriver& displayDriver();
/// Sets what opens the driver on first use; the drivers' library sets it as the program starts.
/// The opener returns null, having said why on standard error, when there is no display.
void setDisplayDriverOpener(DisplayDriver* (*open)());

}  // namespace winapi
