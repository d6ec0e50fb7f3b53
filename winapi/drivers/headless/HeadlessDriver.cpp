// The headless driver: native windows are records, surfaces stay where the layer painted them,
// and input comes from the injection calls.
#include "winapi/drivers/headless/HeadlessDriver.h"

#include "winapi/kernel32/ascii.h"
#include "winapi/user32/Input.h"
#include "winapi/user32/Window.h"

#include <cstring>

namespace winapi {

HeadlessDriver* HeadlessDriver::current() { return dynamic_cast<HeadlessDriver*>(&displayDriver()); }

void HeadlessDriver::setMonitors(std::vector<Monitor> monitors) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!monitors.empty()) m_monitors = std::move(monitors);
}

std::vector<Monitor> HeadlessDriver::monitors() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_monitors;
}

RECT HeadlessDriver::frameInsets(DWORD style, DWORD exStyle) {
  // Fixed metrics of a classic frame: a sizing border of 8 (frame 4 plus padding 4), a dialog
  // frame of 3, a thin border of 1, and a caption of 23 (17 for tool windows).
  int border = 0;
  if (style & WS_THICKFRAME) {
    border = 8;
  } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
    border = 3;
  } else if (style & WS_BORDER) {
    border = 1;
  }
  int caption = (style & WS_CAPTION) == WS_CAPTION ? ((exStyle & WS_EX_TOOLWINDOW) ? 17 : 23) : 0;
  return RECT{border, border + caption, border, border};
}

NativeWindow HeadlessDriver::createWindow(HWND hwnd, const RECT& windowRect, const WindowHints& hints) {
  std::lock_guard<std::mutex> guard(m_lock);
  NativeWindow id = m_next++;
  NativeState& s = m_windows[id];
  s.hwnd = hwnd;
  s.bounds = windowRect;
  s.hints = hints;
  return id;
}

void HeadlessDriver::destroyWindow(NativeWindow window) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_windows.erase(window);
}

#define HEADLESS_SET(field, value)           \
  std::lock_guard<std::mutex> guard(m_lock); \
  auto it = m_windows.find(window);          \
  if (it != m_windows.end()) it->second.field = value;

void HeadlessDriver::setTitle(NativeWindow window, const std::u16string& title) { HEADLESS_SET(title, title) }
void HeadlessDriver::setBounds(NativeWindow window, const RECT& r) { HEADLESS_SET(bounds, r) }
void HeadlessDriver::setHints(NativeWindow window, const WindowHints& hints) { HEADLESS_SET(hints, hints) }
void HeadlessDriver::setVisible(NativeWindow window, bool visible, bool) { HEADLESS_SET(visible, visible) }
void HeadlessDriver::setMinimized(NativeWindow window, bool minimized) { HEADLESS_SET(minimized, minimized) }
void HeadlessDriver::setMaximized(NativeWindow window, bool maximized) { HEADLESS_SET(maximized, maximized) }
void HeadlessDriver::setShape(NativeWindow window, const Region* shape) { HEADLESS_SET(shaped, shape != nullptr) }
void HeadlessDriver::setIcon(NativeWindow window, int width, int, const std::vector<uint32_t>&) {
  HEADLESS_SET(iconWidth, width)
}
void HeadlessDriver::acceptDrops(NativeWindow window, bool accept) { HEADLESS_SET(acceptsDrops, accept) }

void HeadlessDriver::present(NativeWindow window, const PixelBuffer&, const RECT&, POINT) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_windows.find(window);
  if (it != m_windows.end()) ++it->second.presents;
}

void HeadlessDriver::setCursor(PointerShape shape) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_shape = shape;
}

PointerShape HeadlessDriver::cursor() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_shape;
}

bool HeadlessDriver::cursorPos(POINT* point) {
  std::lock_guard<std::mutex> guard(m_lock);
  *point = m_cursor;
  return true;
}

bool HeadlessDriver::setCursorPos(int x, int y) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_cursor = POINT{x, y};
  return true;
}

ULONGLONG HeadlessDriver::now() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_manualClock) return m_clock;
  }
  return DisplayDriver::now();
}

bool HeadlessDriver::manualClock() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_manualClock;
}

void HeadlessDriver::setClock(ULONGLONG ms) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_manualClock = true;
    m_clock = ms;
  }
  wakeAllQueues();
}

void HeadlessDriver::advanceClock(ULONGLONG ms) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_manualClock) {
      m_manualClock = true;
      m_clock = DisplayDriver::now();
    }
    m_clock += ms;
  }
  wakeAllQueues();
}

HWND HeadlessDriver::targetAt(POINT screen) {
  HWND capture = GetCapture();
  if (capture != nullptr) return GetAncestor(capture, GA_ROOT);
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowAtPoint(screen);
  return w != nullptr ? w->handle : nullptr;
}

void HeadlessDriver::moveMouse(int x, int y) {
  setCursorPos(x, y);
  HWND top = targetAt(POINT{x, y});
  if (top != nullptr) queueMouseInput(top, WM_MOUSEMOVE, POINT{x, y}, 0);
}

void HeadlessDriver::button(UINT message, int vk, bool down) {
  POINT p;
  cursorPos(&p);
  HWND top = targetAt(p);
  if (top != nullptr) {
    queueMouseInput(top, message, p, 0);
  } else {
    setKeyState(vk, down);
  }
}

void HeadlessDriver::pressButton(UINT message) {
  button(message, message == WM_LBUTTONDOWN ? VK_LBUTTON : message == WM_RBUTTONDOWN ? VK_RBUTTON : VK_MBUTTON, true);
}

void HeadlessDriver::releaseButton(UINT message) {
  button(message, message == WM_LBUTTONUP ? VK_LBUTTON : message == WM_RBUTTONUP ? VK_RBUTTON : VK_MBUTTON, false);
}

void HeadlessDriver::click(int x, int y) {
  moveMouse(x, y);
  pressButton(WM_LBUTTONDOWN);
  releaseButton(WM_LBUTTONUP);
}

void HeadlessDriver::wheel(int delta) {
  POINT p;
  cursorPos(&p);
  HWND top = GetActiveWindow();
  if (top == nullptr) top = targetAt(p);
  if (top != nullptr) queueMouseInput(top, WM_MOUSEWHEEL, p, delta);
}

void HeadlessDriver::key(UINT vk, bool down, char16_t ch) {
  HWND top = GetActiveWindow();
  if (top == nullptr) {
    setKeyState(static_cast<int>(vk), down);
    return;
  }
  queueKeyInput(top, vk, ch, down);
}

void HeadlessDriver::type(const std::u16string& text) {
  for (char16_t c : text) {
    // The virtual key of a letter is its capital.
    UINT vk = ascii::toUpper(static_cast<UINT>(c));
    key(vk, true, c);
    key(vk, false, 0);
  }
}

bool HeadlessDriver::dropFiles(int x, int y, std::vector<std::u16string> files) {
  HWND top;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = windowAtPoint(POINT{x, y});
    top = w != nullptr ? w->handle : nullptr;
  }
  if (top == nullptr) return false;
  queueDrop(top, POINT{x, y}, std::move(files));
  return true;
}

void HeadlessDriver::requestClose(HWND top) { nativeCloseRequested(top); }

bool HeadlessDriver::nativeState(HWND top, NativeState* state) {
  NativeWindow native = 0;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    Window* w = findWindow(top);
    if (w == nullptr) return false;
    native = w->native;
  }
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_windows.find(native);
  if (it == m_windows.end()) return false;
  *state = it->second;
  return true;
}

bool HeadlessDriver::capture(HWND top, PixelBuffer* picture) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = findWindow(top);
  if (w == nullptr || !w->isTopLevel() || !w->surface) return false;
  picture->allocate(w->surface->width, w->surface->height);
  for (int y = 0; y < picture->height; ++y) {
    std::memcpy(picture->row(y), w->surface->row(y), static_cast<size_t>(picture->width) * 4);
  }
  return true;
}

bool HeadlessDriver::dumpFrame(HWND top, const char* path) {
  PixelBuffer picture;
  return capture(top, &picture) && writePng(picture, path);
}

bool HeadlessDriver::savePng(const void* bits, int width, int height, bool bottomUp, const char* path) {
  PixelBuffer view;
  view.view(const_cast<void*>(bits), width, height, static_cast<ptrdiff_t>(width) * 4, bottomUp);
  return writePng(view, path);
}

}  // namespace winapi
