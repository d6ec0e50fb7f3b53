// The headless driver: windows live in memory. The screen is configurable (default: one
// 1920 x 1080 monitor, kDefaultScreen, whose work area leaves a taskbar's strip), input, drops
// and the clock are injected by tests, and any top-level window's picture can be read or written
// to a PNG file.
#pragma once

#include "winapi/gdi32/DisplayDriver.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace winapi {

namespace ole {
class DragSession;
}

/// Thread-safe. Injection calls queue input like a real display would: the messages reach the
/// windows' own threads, which must pump their queues for them to arrive.
class HeadlessDriver : public DisplayDriver {
 public:
  HeadlessDriver();
  ~HeadlessDriver() override;

  /// The driver of this process when it is the headless one, else null.
  static HeadlessDriver* current();

  /// What the driver knows of a native window.
  struct NativeState {
    HWND hwnd = nullptr;
    RECT bounds{};
    WindowHints hints;
    std::u16string title;
    bool visible = false;
    bool minimized = false;
    bool maximized = false;
    bool acceptsDrops = false;
    bool shaped = false;
    int iconWidth = 0;
    int presents = 0;
  };

  // Screen.
  void setMonitors(std::vector<Monitor> monitors);
  // Input at screen coordinates, to the top-level window under the point (or the capture).
  void moveMouse(int x, int y);
  void pressButton(UINT downMessage);  // WM_LBUTTONDOWN, WM_RBUTTONDOWN or WM_MBUTTONDOWN
  void releaseButton(UINT upMessage);  // WM_LBUTTONUP, ...
  void click(int x, int y);
  void wheel(int delta);
  /// A key to the active window; ch is the character it types (0: none).
  void key(UINT vk, bool down, char16_t ch = 0);
  /// Types a text: each character as a key press and release.
  void type(const std::u16string& text);
  /// Drops files at a screen point on the window there; false when no window is there. A drop
  /// target there (or on an ancestor) takes them as CF_HDROP; else they become WM_DROPFILES.
  bool dropFiles(int x, int y, std::vector<std::u16string> files);

  /// A format a drag offers: by its registered name (RegisterClipboardFormatW), or by number
  /// when the name is empty; with its bytes.
  struct DragFormat {
    std::u16string name;
    UINT format = 0;
    std::vector<uint8_t> bytes;
  };
  static constexpr DWORD kAllEffects = 1 | 2 | 4;  // copy, move and link
  /// A drag of data in these formats enters at a screen point; the source allows these
  /// DROPEFFECT_* effects. Answers the effect the drop target there chose (DROPEFFECT_NONE where
  /// none takes it). A drag still going is left first. Each step waits for the target's window
  /// thread, which must pump its messages (or be the caller's thread).
  DWORD dragEnter(int x, int y, std::vector<DragFormat> formats, DWORD allowedEffects = kAllEffects);
  /// The drag moves on; the target under the point changes as it goes.
  DWORD dragOver(int x, int y);
  /// The drag leaves the windows (or is cancelled).
  void dragLeave();
  /// The drag is dropped at a screen point: the effect the target there took, DROPEFFECT_NONE
  /// for a refusal or with no drag going.
  DWORD dragDrop(int x, int y);
  /// The user clicks a window's close button.
  void requestClose(HWND top);
  // The layer's clock (GetTickCount64, message times, timers, the time-outs of waits on objects):
  // once set or advanced, it stands still except when advanced again, until runClock lets it
  // run on from where it stands. Sleep keeps real time.
  void setClock(ULONGLONG ms);
  void advanceClock(ULONGLONG ms);
  void runClock();
  /// Waits on objects with a time-out (WaitForSingleObject and its kin) going on now. A test that
  /// holds the clock moves it once the waits it means to end have begun: each time-out counts
  /// from the reading its wait began at.
  size_t timedWaits();
  /// Waits until the thread of a window has handled everything given to it so far (sent, posted
  /// and injected messages, paints, timers that are due) and waits for more, so a test can look
  /// at what the input did, or that it did nothing, without waiting for a time. True at once
  /// when the thread is gone; false when it is still busy after 20 s of real time.
  bool waitUntilIdle(HWND window);

  // Modal loops. Answers wait in one queue in the order given; each loop takes the first answer
  // of its own kind, or a Cancel or Run, and without one answers Cancel at once, so no test
  // waits on a loop nobody drives.
  void scriptAnswer(ModalAnswer answer);
  void scriptButton(int button) { scriptAnswer(ModalAnswer{ModalAnswer::Kind::MessageBox, button, {}, 0}); }
  void scriptMenuItem(int id) { scriptAnswer(ModalAnswer{ModalAnswer::Kind::Menu, id, {}, 0}); }
  void scriptFiles(std::vector<std::u16string> files) {
    scriptAnswer(ModalAnswer{ModalAnswer::Kind::Files, 0, std::move(files), 0});
  }
  void scriptFolder(std::u16string folder) {
    scriptAnswer(ModalAnswer{ModalAnswer::Kind::Folder, 0, {std::move(folder)}, 0});
  }
  void scriptColour(COLORREF colour) { scriptAnswer(ModalAnswer{ModalAnswer::Kind::Colour, 0, {}, colour}); }
  void scriptPrint() { scriptAnswer(ModalAnswer{ModalAnswer::Kind::Print, 0, {}, 0}); }
  void scriptCancel() { scriptAnswer(ModalAnswer{ModalAnswer::Kind::Cancel, 0, {}, 0}); }
  void scriptRun() { scriptAnswer(ModalAnswer{ModalAnswer::Kind::Run, 0, {}, 0}); }
  /// Answers not taken yet.
  size_t scriptedAnswers();
  void clearAnswers();
  /// The message boxes shown so far, oldest first, and forgetting them.
  std::vector<ShownMessageBox> shownMessageBoxes();
  void clearShownMessageBoxes();

  // Printing: a test printer, when given, is the default printer; the pages printed on it are
  // kept in order until taken.
  void setTestPrinter(Printer printer);
  void removeTestPrinter();
  std::vector<PrintedPage> takePrintedPages();

  // The notification area: present unless switched off; its icons as shown.
  void setTrayPresent(bool present);
  std::vector<TrayIcon> trayIcons();
  /// Mouse input over an icon (WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEMOVE, ...); false for an
  /// icon that is not shown.
  bool trayInput(HWND hwnd, UINT id, UINT mouseMessage);

  // Hot keys: key() presses a grabbed combination as a hot key (a key already down repeats).
  /// Marks a combination as held by another program, so grabbing it fails.
  void setHotKeyHeld(UINT modifiers, UINT vk, bool held);
  /// The combinations this process has grabbed, as (modifiers, vk).
  std::vector<std::pair<UINT, UINT>> grabbedHotKeys();

  bool nativeState(HWND top, NativeState* state);
  PointerShape cursor();
  /// A copy of a top-level window's whole surface (frame included); false for other windows.
  bool capture(HWND top, PixelBuffer* picture);
  /// Writes that picture as a PNG file.
  bool dumpFrame(HWND top, const char* path);
  /// Writes 32-bit pixels (rows of width pixels, top row first unless bottomUp) as a PNG file.
  static bool savePng(const void* bits, int width, int height, bool bottomUp, const char* path);

  // DisplayDriver.
  const char* name() const override { return "headless"; }
  std::vector<Monitor> monitors() override;
  RECT frameInsets(DWORD style, DWORD exStyle) override;
  NativeWindow createWindow(HWND hwnd, const RECT& windowRect, const WindowHints& hints) override;
  void destroyWindow(NativeWindow window) override;
  void setTitle(NativeWindow window, const std::u16string& title) override;
  void setBounds(NativeWindow window, const RECT& windowRect) override;
  void setHints(NativeWindow window, const WindowHints& hints) override;
  void setVisible(NativeWindow window, bool visible, bool activate) override;
  void setMinimized(NativeWindow window, bool minimized) override;
  void setMaximized(NativeWindow window, bool maximized) override;
  void setShape(NativeWindow window, const Region* shape) override;
  void setIcon(NativeWindow window, int width, int height, const std::vector<uint32_t>& pixels) override;
  void acceptDrops(NativeWindow window, bool accept) override;
  void present(NativeWindow window, const PixelBuffer& surface, const RECT& dirty, POINT clientOffset) override;
  /// The screen is what this process's own windows show.
  void captureScreen(const RECT& rect, PixelBuffer& out) override;
  void setCursor(PointerShape shape) override;
  bool cursorPos(POINT* point) override;
  bool setCursorPos(int x, int y) override;
  bool manualClock() override;
  ModalAnswer takeModalAnswer(ModalAnswer::Kind kind) override;
  bool defaultPrinter(Printer* printer) override;
  void printPage(PrintedPage page) override;
  void messageBoxShown(const ShownMessageBox& box) override;
  bool addTrayIcon(const TrayIcon& icon) override;
  void updateTrayIcon(const TrayIcon& icon) override;
  void removeTrayIcon(HWND hwnd, UINT id) override;
  bool grabHotKey(UINT modifiers, UINT vk, DWORD* error) override;
  void ungrabHotKey(UINT modifiers, UINT vk) override;

 private:
  HWND targetAt(POINT screen);
  void button(UINT message, int vk, bool down);

  std::mutex m_lock;
  // The work area leaves a 40-pixel strip at the bottom, where Windows 7 keeps its taskbar at
  // 96 DPI, so code that keeps windows inside the work area meets one that is not the screen.
  static constexpr LONG kTaskbarHeight = 40;
  std::vector<Monitor> m_monitors{
      Monitor{kDefaultScreen, RECT{0, 0, kDefaultScreen.right, kDefaultScreen.bottom - kTaskbarHeight}, true}};
  std::map<NativeWindow, NativeState> m_windows;
  NativeWindow m_next = 1;
  POINT m_cursor{0, 0};
  PointerShape m_shape = PointerShape::Arrow;
  std::deque<ModalAnswer> m_answers;
  bool m_hasPrinter = false;
  Printer m_printer;
  std::vector<PrintedPage> m_pages;
  std::vector<ShownMessageBox> m_shownBoxes;
  bool m_trayPresent = true;
  std::vector<TrayIcon> m_trayIcons;
  std::vector<std::pair<UINT, UINT>> m_grabbed;
  std::vector<std::pair<UINT, UINT>> m_heldElsewhere;
  // The drag going on, driven by the injecting thread.
  std::mutex m_dragLock;
  std::unique_ptr<ole::DragSession> m_drag;
};

}  // namespace winapi
