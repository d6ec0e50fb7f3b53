// The headless driver: native windows are records, surfaces stay where the layer painted them,
// and input comes from the injection calls.
#include "winapi/drivers/headless/HeadlessDriver.h"

#include "winapi/base/ascii.h"
#include "winapi/kernel32/clock.h"
#include "winapi/ole32/DragDrop.h"
#include "winapi/shell32/NotifyIcon.h"
#include "winapi/user32/HotKey.h"
#include "winapi/user32/Input.h"
#include "winapi/user32/Window.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

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

void HeadlessDriver::captureScreen(const RECT& rect, PixelBuffer& out) { composeOwnWindows(rect, out); }

bool HeadlessDriver::manualClock() { return clock::stopped(); }

void HeadlessDriver::setClock(ULONGLONG ms) {
  clock::stopAt(ms);
  wakeAllQueues();
}

void HeadlessDriver::advanceClock(ULONGLONG ms) {
  clock::advance(ms);
  wakeAllQueues();
}

void HeadlessDriver::runClock() {
  clock::run();
  wakeAllQueues();
}

size_t HeadlessDriver::timedWaits() { return clock::timedWaits(); }

bool HeadlessDriver::waitUntilIdle(HWND window) {
  const DWORD threadId = GetWindowThreadProcessId(window, nullptr);
  std::shared_ptr<ThreadQueue> queue = threadId != 0 ? queueOfThread(threadId) : nullptr;
  if (queue == nullptr) return true;
  // The thread tells nobody when it goes back to waiting, so its queue is looked at until it
  // does: it waits only after finding nothing sent, posted, typed, to paint or due.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (;;) {
    bool waiting = false;
    {
      std::lock_guard<std::mutex> guard(queue->lock);
      if (!queue->alive) return true;
      const ULONGLONG now = clockMs();
      const bool timerDue =
          std::any_of(queue->timers.begin(), queue->timers.end(), [&](const Timer& t) { return t.due <= now; });
      waiting = queue->waitingForMessages && queue->sent.empty() && queue->posted.empty() && queue->input.empty() &&
                !queue->quit && !timerDue;
    }
    if (waiting && nextWindowToPaint(*queue) == nullptr) return true;
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
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
  // A grabbed combination goes to the hot key's owner, wherever the focus is.
  UINT modifiers = 0;
  if (keyStateOf(VK_MENU) < 0) modifiers |= MOD_ALT;
  if (keyStateOf(VK_CONTROL) < 0) modifiers |= MOD_CONTROL;
  if (keyStateOf(VK_SHIFT) < 0) modifiers |= MOD_SHIFT;
  if (keyStateOf(VK_LWIN) < 0 || keyStateOf(VK_RWIN) < 0) modifiers |= MOD_WIN;
  bool grabbed;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    grabbed = std::find(m_grabbed.begin(), m_grabbed.end(), std::make_pair(modifiers, vk)) != m_grabbed.end();
  }
  if (grabbed) {
    bool repeat = down && keyStateOf(static_cast<int>(vk)) < 0;
    setKeyState(static_cast<int>(vk), down);
    if (down) hotKeyPressed(modifiers, vk, repeat);
    return;
  }
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

namespace {

// Drags go to the window under the pointer whatever holds the capture.
HWND topAt(POINT screen) {
  std::lock_guard<std::recursive_mutex> guard(userLock());
  Window* w = windowAtPoint(screen);
  return w != nullptr ? w->handle : nullptr;
}

}  // namespace

HeadlessDriver::HeadlessDriver() = default;
HeadlessDriver::~HeadlessDriver() = default;

bool HeadlessDriver::dropFiles(int x, int y, std::vector<std::u16string> files) {
  HWND top = topAt(POINT{x, y});
  if (top == nullptr) return false;
  ole::DragData* data = ole::DragData::create();
  data->setFiles(std::move(files));
  ole::DragSession drag(data, DROPEFFECT_COPY);
  data->Release();
  drag.drop(top, POINT{x, y}, true);
  return true;
}

DWORD HeadlessDriver::dragEnter(int x, int y, std::vector<DragFormat> formats, DWORD allowedEffects) {
  ole::DragData* data = ole::DragData::create();
  for (DragFormat& f : formats) {
    UINT format = f.name.empty() ? f.format : RegisterClipboardFormatW(f.name.c_str());
    data->supply(static_cast<CLIPFORMAT>(format), std::move(f.bytes));
  }
  std::lock_guard<std::mutex> guard(m_dragLock);
  if (m_drag) m_drag->leave(true);
  m_drag = std::make_unique<ole::DragSession>(data, allowedEffects);
  data->Release();
  HWND top = topAt(POINT{x, y});
  return top != nullptr ? m_drag->move(top, POINT{x, y}, true) : DROPEFFECT_NONE;
}

DWORD HeadlessDriver::dragOver(int x, int y) {
  std::lock_guard<std::mutex> guard(m_dragLock);
  if (!m_drag) return DROPEFFECT_NONE;
  HWND top = topAt(POINT{x, y});
  if (top == nullptr) {
    m_drag->leave(true);
    return DROPEFFECT_NONE;
  }
  return m_drag->move(top, POINT{x, y}, true);
}

void HeadlessDriver::dragLeave() {
  std::lock_guard<std::mutex> guard(m_dragLock);
  if (!m_drag) return;
  m_drag->leave(true);
  m_drag.reset();
}

DWORD HeadlessDriver::dragDrop(int x, int y) {
  std::unique_ptr<ole::DragSession> drag;
  {
    std::lock_guard<std::mutex> guard(m_dragLock);
    drag = std::move(m_drag);
  }
  if (!drag) return DROPEFFECT_NONE;
  HWND top = topAt(POINT{x, y});
  if (top == nullptr) {
    drag->leave(true);
    return DROPEFFECT_NONE;
  }
  return drag->drop(top, POINT{x, y}, true);
}

void HeadlessDriver::requestClose(HWND top) { nativeCloseRequested(top); }

void HeadlessDriver::scriptAnswer(ModalAnswer answer) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_answers.push_back(std::move(answer));
}

size_t HeadlessDriver::scriptedAnswers() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_answers.size();
}

void HeadlessDriver::clearAnswers() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_answers.clear();
}

void HeadlessDriver::messageBoxShown(const ShownMessageBox& box) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_shownBoxes.push_back(box);
}

std::vector<ShownMessageBox> HeadlessDriver::shownMessageBoxes() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_shownBoxes;
}

void HeadlessDriver::clearShownMessageBoxes() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_shownBoxes.clear();
}

ModalAnswer HeadlessDriver::takeModalAnswer(ModalAnswer::Kind kind) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = std::find_if(m_answers.begin(), m_answers.end(), [kind](const ModalAnswer& a) {
    return a.kind == kind || a.kind == ModalAnswer::Kind::Cancel || a.kind == ModalAnswer::Kind::Run;
  });
  if (it == m_answers.end()) return ModalAnswer{ModalAnswer::Kind::Cancel, 0, {}, 0};
  ModalAnswer answer = std::move(*it);
  m_answers.erase(it);
  return answer;
}

void HeadlessDriver::setTestPrinter(Printer printer) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_printer = std::move(printer);
  m_hasPrinter = true;
}

void HeadlessDriver::removeTestPrinter() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_hasPrinter = false;
  m_printer = Printer{};
}

std::vector<PrintedPage> HeadlessDriver::takePrintedPages() {
  std::lock_guard<std::mutex> guard(m_lock);
  std::vector<PrintedPage> pages;
  pages.swap(m_pages);
  return pages;
}

bool HeadlessDriver::defaultPrinter(Printer* printer) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_hasPrinter) return false;
  if (printer != nullptr) *printer = m_printer;
  return true;
}

void HeadlessDriver::printPage(PrintedPage page) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_pages.push_back(std::move(page));
}

void HeadlessDriver::setTrayPresent(bool present) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_trayPresent = present;
  // Icons go with the notification area, as they do when a panel quits.
  if (!present) m_trayIcons.clear();
}

std::vector<TrayIcon> HeadlessDriver::trayIcons() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_trayIcons;
}

bool HeadlessDriver::trayInput(HWND hwnd, UINT id, UINT mouseMessage) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = std::find_if(m_trayIcons.begin(), m_trayIcons.end(),
                           [&](const TrayIcon& i) { return i.hwnd == hwnd && i.id == id; });
    if (it == m_trayIcons.end()) return false;
  }
  return trayIconInput(hwnd, id, mouseMessage);
}

bool HeadlessDriver::addTrayIcon(const TrayIcon& icon) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_trayPresent) return false;
  m_trayIcons.push_back(icon);
  return true;
}

void HeadlessDriver::updateTrayIcon(const TrayIcon& icon) {
  std::lock_guard<std::mutex> guard(m_lock);
  for (TrayIcon& i : m_trayIcons) {
    if (i.hwnd == icon.hwnd && i.id == icon.id) i = icon;
  }
}

void HeadlessDriver::removeTrayIcon(HWND hwnd, UINT id) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_trayIcons.erase(std::remove_if(m_trayIcons.begin(), m_trayIcons.end(),
                                   [&](const TrayIcon& i) { return i.hwnd == hwnd && i.id == id; }),
                    m_trayIcons.end());
}

void HeadlessDriver::setHotKeyHeld(UINT modifiers, UINT vk, bool held) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto key = std::make_pair(modifiers, vk);
  m_heldElsewhere.erase(std::remove(m_heldElsewhere.begin(), m_heldElsewhere.end(), key), m_heldElsewhere.end());
  if (held) m_heldElsewhere.push_back(key);
}

std::vector<std::pair<UINT, UINT>> HeadlessDriver::grabbedHotKeys() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_grabbed;
}

bool HeadlessDriver::grabHotKey(UINT modifiers, UINT vk, DWORD* error) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto key = std::make_pair(modifiers, vk);
  if (std::find(m_heldElsewhere.begin(), m_heldElsewhere.end(), key) != m_heldElsewhere.end() ||
      std::find(m_grabbed.begin(), m_grabbed.end(), key) != m_grabbed.end()) {
    *error = ERROR_HOTKEY_ALREADY_REGISTERED;
    return false;
  }
  m_grabbed.push_back(key);
  return true;
}

void HeadlessDriver::ungrabHotKey(UINT modifiers, UINT vk) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto key = std::make_pair(modifiers, vk);
  m_grabbed.erase(std::remove(m_grabbed.begin(), m_grabbed.end(), key), m_grabbed.end());
}

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
  if (w->hasShape) {
    // What lies outside the window's region is not on the screen: it stays transparent, as
    // a shaped window shows it.
    std::vector<uint8_t> inside(static_cast<size_t>(picture->width) * static_cast<size_t>(picture->height), 0);
    for (const RECT& r : w->shape.rects()) {
      for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, picture->height); ++y) {
        for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, picture->width); ++x) {
          inside[static_cast<size_t>(y) * static_cast<size_t>(picture->width) + static_cast<size_t>(x)] = 1;
        }
      }
    }
    for (int y = 0; y < picture->height; ++y) {
      uint32_t* row = picture->row(y);
      for (int x = 0; x < picture->width; ++x) {
        if (!inside[static_cast<size_t>(y) * static_cast<size_t>(picture->width) + static_cast<size_t>(x)]) {
          row[x] = 0;
        }
      }
    }
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
