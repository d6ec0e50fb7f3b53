// The null defaults of the driver interface and the one driver of this process.
#include "winapi/gdi32/DisplayDriver.h"

#include "winapi/kernel32/clock.h"

#include <errno.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace winapi {

std::vector<Monitor> DisplayDriver::monitors() { return {Monitor{kDefaultScreen, kDefaultScreen, true}}; }

RECT DisplayDriver::frameInsets(DWORD, DWORD) { return RECT{0, 0, 0, 0}; }
NativeWindow DisplayDriver::createWindow(HWND, const RECT&, const WindowHints&) { return 0; }
void DisplayDriver::destroyWindow(NativeWindow) {}
void DisplayDriver::setTitle(NativeWindow, const std::u16string&) {}
void DisplayDriver::setBounds(NativeWindow, const RECT&) {}
bool DisplayDriver::stillPlaced(NativeWindow, const RECT&) { return true; }
void DisplayDriver::setHints(NativeWindow, const WindowHints&) {}
void DisplayDriver::setVisible(NativeWindow, bool, bool) {}
void DisplayDriver::setMinimized(NativeWindow, bool) {}
void DisplayDriver::setMaximized(NativeWindow, bool) {}
void DisplayDriver::setShape(NativeWindow, const Region*) {}
void DisplayDriver::setIcon(NativeWindow, int, int, const std::vector<uint32_t>&) {}
void DisplayDriver::activate(NativeWindow) {}
bool DisplayDriver::beginMoveResize(NativeWindow, int, POINT) { return false; }
void DisplayDriver::acceptDrops(NativeWindow, bool) {}
void DisplayDriver::present(NativeWindow, const PixelBuffer&, const RECT&, POINT) {}
void DisplayDriver::captureScreen(const RECT&, PixelBuffer&) {}
ModalAnswer DisplayDriver::takeModalAnswer(ModalAnswer::Kind) { return ModalAnswer{}; }
bool DisplayDriver::defaultPrinter(Printer*) { return false; }
void DisplayDriver::printPage(PrintedPage) {}

void DisplayDriver::messageBoxShown(const ShownMessageBox&) {}
bool DisplayDriver::addTrayIcon(const TrayIcon&) { return false; }
void DisplayDriver::updateTrayIcon(const TrayIcon&) {}
void DisplayDriver::removeTrayIcon(HWND, UINT) {}
bool DisplayDriver::grabHotKey(UINT, UINT, DWORD* error) {
  *error = ERROR_NOT_SUPPORTED;
  return false;
}
void DisplayDriver::ungrabHotKey(UINT, UINT) {}
void DisplayDriver::setCapture(NativeWindow) {}
bool DisplayDriver::grabInput(NativeWindow) { return false; }
void DisplayDriver::ungrabInput() {}
void DisplayDriver::setCursor(PointerShape) {}
bool DisplayDriver::cursorPos(POINT*) { return false; }
bool DisplayDriver::setCursorPos(int, int) { return false; }

ULONGLONG DisplayDriver::now() { return clock::now(); }

namespace {
std::atomic<DisplayDriver* (*)()> g_opener{nullptr};
}  // namespace

void setDisplayDriverOpener(DisplayDriver* (*open)()) { g_opener.store(open); }

DisplayDriver& displayDriver() {
  static DisplayDriver* driver = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    DisplayDriver* (*open)() = g_opener.load();
    if (open != nullptr) driver = open();
    if (driver == nullptr) {
      // A program linked without the drivers has no display: it says so and ends, as it does
      // when its display does not answer.
      std::fprintf(stderr, "%s: no display driver\n", program_invocation_short_name);
      std::fflush(stderr);
      _exit(1);
    }
  });
  return *driver;
}

}  // namespace winapi
