// The toolkit's top-level window: construction on its UI thread, geometry, styles, titles,
// opacity and auto-hide, settings and the calls other threads make on it.
#include "gui/win/Window.h"

#include "core/system/win/DllLocater.h"
#include "core/thread/ObjLocker.h"
#include "core/time/TickClock.h"
#include "gui/IButton.h"
#include "gui/IStatusBar.h"
#include "gui/app/AppHooks.h"
#include "gui/app/IAppWindow.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/ISkinner.h"
#include "gui/drawer/IWindow.h"
#include "gui/layout/FlowH.h"
#include "gui/layout/Pile.h"
#include "gui/layout/Vertical.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/InvisibleWindow.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/UIThread.h"
#include "gui/win/WindowClass.h"
#include "imaging/win/BufferedImage.h"
#include "platform/lang/Localizer.h"
#include "platform/system/monitor/win/Monitor.h"
#include "platform/system/win/OsVersion.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <mutex>

namespace s::gui::win {

namespace {

constexpr DWORD kPollMs = 10;

/// Detaches a component the window owns outside its children and gives it back to its pool.
void giveBack(IComponent* component) {
  component->setParent(nullptr);
  if (auto* poolable = dynamic_cast<thread::IPoolable*>(component)) {
    poolable->release();
  }
}

uint32_t defaultBackground() {
  if (!system::win::osQueried) {
    system::win::queryWindowsVersion();
  }
  // Before Vista the system's face colour was darker than the light grey the window keeps.
  return system::win::osAtLeast60 ? ::GetSysColor(COLOR_BTNFACE) : 0xF0F0F0;
}

/// The process-wide lock of the working-set trim after a show or hide.
thread::ObjLocker& trimLock() {
  static thread::ObjLocker* const s_lock = new thread::ObjLocker();
  return *s_lock;
}

bool isSharedLayout(ILayoutManager* layout) {
  return layout == layout::Vertical::getShared() || layout == layout::FlowH::getShared() ||
         layout == layout::Pile::getShared();
}

RECT virtualScreen() {
  const int32_t left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int32_t top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{left, top, left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
              top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

RECT workArea() {
  RECT work{0, 0, 0, 0};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

}  // namespace

Window::Window() : Container(false) {
  m_backgroundColor = defaultBackground();
  startUiThread();
}

Window::~Window() {
  reset();
  if (hasFrame()) {
    ::SendMessageW(m_frameHandle, kDestroyMessage, 0, 0);
  }
  const bool ended = UIThread::stop(m_uiThread);
  m_uiThread = nullptr;
  // The owner's native window went with the frame on the UI thread; its object goes here unless
  // the thread was left running, which may still use it.
  if (ended) {
    delete m_owner;
  }
  m_owner = nullptr;
  m_frameHandle = nullptr;
  m_ownerHandle = nullptr;
}

void Window::startUiThread() {
  m_frameHandle = nullptr;
  m_ownerHandle = nullptr;
  m_owner = nullptr;
  m_uiThread = nullptr;
  reset();
  auto* thread = static_cast<UIThread*>(
      ::AfxBeginThread(RUNTIME_CLASS(UIThread), THREAD_PRIORITY_NORMAL, 0, 0, nullptr));
  if (thread == nullptr) {
    return;
  }
  m_uiThread = thread;
  thread->windowToCreate = this;
  while (!thread->running && !thread->failed) {
    ::Sleep(kPollMs);
  }
}

bool Window::createNativeWindows() {
  m_owner = new InvisibleWindow();
  if (!m_owner->create()) {
    return false;
  }
  m_ownerHandle = m_owner->getHandle();
  ::ShowWindow(m_ownerHandle, SW_HIDE);
  ::UpdateWindow(m_ownerHandle);
  if (createFrameWindow()) {
    ::ShowWindow(m_frameHandle, SW_HIDE);
    ::UpdateWindow(m_frameHandle);
  }
  return true;
}

bool Window::createFrameWindow() {
  if (!CreateEx(WS_EX_CLIENTEDGE, kWindowClassName, u"Window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                CW_USEDEFAULT, 240, 120, m_ownerHandle, nullptr)) {
    reportCreationFailure();
    return false;
  }
  m_frameHandle = m_hWnd;
  if (m_state.menu != nullptr) {
    ::SetMenu(m_frameHandle, menuHandleOf(m_state.menu));
  }
  if (m_state.clipboardViewer) {
    setClipboardViewer(true);
  }
  return true;
}

void Window::reset() {
  setVisible(false);
  close();
  if (m_state.trayIconShown) {
    m_state.trayIconPinned = false;
    setTrayIcon(false);
  }
  removeAll(true);
  m_children.freeAll();
  removeIcons();
  if (m_state.localizer != nullptr) {
    m_state.localizer->removeListener(this);
    m_state.localizer = nullptr;
  }
  if (m_state.skinner != nullptr) {
    m_state.skinner->removeListener(this);
    m_state.skinner = nullptr;
  }
  m_closeTriggers.freeAll();
  for (col::_array::ArrayP& list : m_listeners) {
    list.freeAll();
  }
  releaseMenus();
  if (m_state.statusBar != nullptr) {
    giveBack(m_state.statusBar);
    m_state.statusBar = nullptr;
  }
  if (m_state.windowDrawer != nullptr && m_state.windowDrawerOwned) {
    m_state.windowDrawer->release();
  }
  m_state.windowDrawer = nullptr;
  unregisterAllHotKeys();
  if (m_state.clipboardViewer) {
    setClipboardViewer(false);
  }
  if (m_backBuffer != nullptr) {
    m_backBuffer->release();
    m_backBuffer = nullptr;
  }
  if (m_layout != nullptr && !isSharedLayout(m_layout)) {
    if (auto* poolable = dynamic_cast<thread::IPoolable*>(m_layout)) {
      poolable->release();
    }
  }
  m_layout = nullptr;
  // Everything the state held is given back: every setting and record starts afresh at once.
  m_state = {};
  m_title.clear();
  m_hotKeyNames.clear();
  m_closed = false;
  m_backgroundColor = defaultBackground();
}

void Window::listen(int32_t eventId, events::IEventListener* listener) {
  if (listener != nullptr) {
    m_listeners[eventId].push(listener);
  }
}

void Window::fire(int32_t eventId) { notifyListeners(m_listeners[eventId], this, eventId); }

void Window::onEvent(base::IObject* source, int32_t /*eventId*/) {
  if (source == nullptr) {
    return;
  }
  if (m_state.localizer != nullptr && source == static_cast<base::IObject*>(m_state.localizer)) {
    if (m_state.settingsRecord != nullptr) {
      if (lang::LangPack* pack = m_state.localizer->getCurrentPack()) {
        app::appHooks().setLanguageName(m_state.settingsRecord->getAppBase(),
                                        pack->getEngName()->getCStr());
      }
    }
    rebuildTitle();
    fire(kLanguage);
    return;
  }
  if (m_state.skinner != nullptr && source == static_cast<base::IObject*>(m_state.skinner)) {
    takeSkinDrawer();
    return;
  }
  if (m_state.menu != nullptr && source == dynamic_cast<base::IObject*>(m_state.menu)) {
    if (hasFrame()) {
      ::DrawMenuBar(m_frameHandle);
    }
    return;
  }
  for (uint32_t i = 0; i < m_closeTriggers.getCount(); ++i) {
    if (dynamic_cast<base::IObject*>(static_cast<IComponent*>(m_closeTriggers.getItems()[i])) ==
        source) {
      close();
      return;
    }
  }
}

// Geometry.

RECT Window::windowRect() const {
  RECT r{0, 0, 0, 0};
  if (hasFrame()) {
    ::GetWindowRect(m_frameHandle, &r);
  }
  return r;
}

RECT Window::clientRect() const {
  RECT r{0, 0, 0, 0};
  if (hasFrame()) {
    ::GetClientRect(m_frameHandle, &r);
  }
  return r;
}

int32_t Window::getScreenX() { return windowRect().left; }
int32_t Window::getScreenY() { return windowRect().top; }

bool Window::containsScreenPoint(int32_t x, int32_t y) {
  if (!isVisible()) {
    return false;
  }
  const RECT r = windowRect();
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

int32_t Window::getWidth() {
  const RECT r = windowRect();
  return r.right - r.left;
}

int32_t Window::getHeight() {
  const RECT r = windowRect();
  return r.bottom - r.top;
}

int32_t Window::getClientWidth() {
  const RECT r = clientRect();
  return r.right - r.left;
}

int32_t Window::getClientHeight() {
  const RECT r = clientRect();
  int32_t height = r.bottom - r.top;
  if (m_state.statusBar != nullptr && m_state.statusBar->isVisible()) {
    height -= m_state.statusBar->getMaximumHeight();
  }
  return height;
}

void Window::setClientWidth(int32_t width) { setWidth(width + getWidth() - getClientWidth()); }

void Window::setClientHeight(int32_t height) {
  setHeight(height + getHeight() - getClientHeight());
}

int32_t Window::getFrameHeight() { return getHeight() - getClientHeight(); }

void Window::setLocation(int32_t x, int32_t y) {
  if (hasFrame()) {
    ::SetWindowPos(m_frameHandle, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | showFlag());
  }
}

void Window::setSize(int32_t width, int32_t height) {
  undoAutoHide();
  if (hasFrame()) {
    ::SetWindowPos(m_frameHandle, nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | showFlag());
  }
}

void Window::setBounds(int32_t x, int32_t y, int32_t width, int32_t height) {
  undoAutoHide();
  if (hasFrame()) {
    ::SetWindowPos(m_frameHandle, nullptr, x, y, width, height, SWP_NOZORDER | showFlag());
  }
}

int32_t Window::getMinimumWidth() {
  if (m_state.minWidth >= 0) {
    return m_state.minWidth;
  }
  if (m_state.fixedWidth >= 0) {
    return m_state.fixedWidth;
  }
  if (m_children.getCount() == 0) {
    return 0;
  }
  return getMinimumClientWidth() + getWidth() - getClientWidth();
}

int32_t Window::getMinimumHeight() {
  if (m_state.minHeight >= 0) {
    return m_state.minHeight;
  }
  if (m_state.fixedHeight >= 0) {
    return m_state.fixedHeight;
  }
  if (m_children.getCount() == 0) {
    return 0;
  }
  return getMinimumClientHeight() + getHeight() - getClientHeight();
}

int32_t Window::getMinimumClientWidth() {
  if (m_state.fixedWidth >= 0) {
    return m_state.fixedWidth - (getWidth() - getClientWidth());
  }
  int32_t widest = 0;
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    widest = std::max(widest, getChild(i)->getMinimumWidth());
  }
  return widest;
}

int32_t Window::getMinimumClientHeight() {
  if (m_state.fixedHeight >= 0) {
    return m_state.fixedHeight - (getHeight() - getClientHeight());
  }
  int32_t highest = 0;
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    highest = std::max(highest, getChild(i)->getMinimumHeight());
  }
  return highest;
}

int32_t Window::getMaximumWidth() {
  if (m_state.fixedWidth >= 0) {
    return m_state.fixedWidth;
  }
  const RECT r = windowRect();
  const auto* monitor =
      system::monitor::win::findMonitor(r.left, r.top, r.right - r.left, r.bottom - r.top);
  return monitor != nullptr ? monitor->getWorkWidth() : ::GetSystemMetrics(SM_CXSCREEN);
}

int32_t Window::getMaximumHeight() {
  if (m_state.fixedHeight >= 0) {
    return m_state.fixedHeight;
  }
  const RECT r = windowRect();
  const auto* monitor =
      system::monitor::win::findMonitor(r.left, r.top, r.right - r.left, r.bottom - r.top);
  return monitor != nullptr ? monitor->getWorkHeight() : ::GetSystemMetrics(SM_CYSCREEN);
}

bool Window::isEnabled() { return hasFrame() && ::IsWindowEnabled(m_frameHandle) != FALSE; }

void Window::setEnabled(bool enabled) {
  if (hasFrame()) {
    ::EnableWindow(m_frameHandle, enabled ? TRUE : FALSE);
  }
}

void Window::center() {
  const RECT work = workArea();
  const int32_t x = work.left + ((work.right - work.left) - getWidth()) / 2;
  const int32_t y = work.top + ((work.bottom - work.top) - getHeight()) / 2;
  setLocation(std::max(x, static_cast<int32_t>(work.left)),
              std::max(y, static_cast<int32_t>(work.top)));
}

// Colours.

void Window::setBackgroundSystem(bool redraw) {
  m_backgroundColor = ::GetSysColor(COLOR_BTNFACE);
  if (redraw && isVisible()) {
    repaint();
  }
}

void Window::setBackgroundColor(int32_t red, int32_t green, int32_t blue, bool redraw) {
  m_backgroundColor = static_cast<uint32_t>(red & 0xFF) |
                      (static_cast<uint32_t>(green & 0xFF) << 8) |
                      (static_cast<uint32_t>(blue & 0xFF) << 16);
  if (redraw && isVisible()) {
    repaint();
  }
}

// Children and layout.

void Window::add(IComponent* child) {
  if (child == nullptr) {
    return;
  }
  // A status bar is no child of the layout: the window keeps it (one at a time) along its bottom.
  if (dynamic_cast<IStatusBar*>(child) != nullptr) {
    if (m_state.statusBar != nullptr && m_state.statusBar != child) {
      giveBack(m_state.statusBar);
    }
    m_state.statusBar = child;
    if (hasFrame()) {
      ::SendMessageW(m_frameHandle, kAddChildMessage, reinterpret_cast<WPARAM>(child), 0);
    }
    doLayout();
    return;
  }
  m_children.push(child);
  if (hasFrame()) {
    ::SendMessageW(m_frameHandle, kAddChildMessage, reinterpret_cast<WPARAM>(child), 0);
  }
  doLayout();
}

void Window::remove(IComponent* child, bool destroy) {
  if (child != nullptr && child == m_state.statusBar) {
    m_state.statusBar = nullptr;
    giveBack(child);
    doLayout();
    return;
  }
  IWindow::remove(child, destroy);
}

void Window::beginBatch() {
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    getChild(i)->beginBatch();
  }
}

void Window::endBatch() {
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    getChild(i)->endBatch();
  }
}

void Window::doLayout() {
  getLayout()->layout(this);
  // The children had the client area above the bar (getClientHeight); the bar takes the rest.
  if (m_state.statusBar != nullptr && m_state.statusBar->isVisible()) {
    const RECT client = clientRect();
    const int32_t height = m_state.statusBar->getMaximumHeight();
    m_state.statusBar->setLocation(0, client.bottom - client.top - height);
    m_state.statusBar->setSizeWithinLimits(client.right - client.left, height);
  }
}

ILayoutManager* Window::getLayout() {
  return m_layout != nullptr ? m_layout : layout::Vertical::getShared();
}

void Window::setLayout(ILayoutManager* layout) {
  if (m_layout != nullptr && m_layout != layout && !isSharedLayout(m_layout)) {
    if (auto* poolable = dynamic_cast<thread::IPoolable*>(m_layout)) {
      poolable->release();
    }
  }
  m_layout = layout;
}

void Window::repaintRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (isVisible()) {
    const RECT r{x, y, x + width, y + height};
    ::RedrawWindow(m_frameHandle, &r, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
  }
}

void Window::repaint() {
  if (isVisible()) {
    ::RedrawWindow(m_frameHandle, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
  }
}

// Closing and activation.

void Window::close() {
  if (m_state.minimizeToTray && !m_state.inTray) {
    m_state.inTray = true;
  }
  if (hasFrame()) {
    ::SendMessageW(m_frameHandle, WM_CLOSE, 0, 0);
  }
}

void Window::waitUntilClosed() {
  // Without a frame nothing can ever close the window: waiting would never end.
  while (!m_closed && hasFrame() && ::IsWindow(m_frameHandle)) {
    ::Sleep(kPollMs);
  }
}

void Window::setActive(bool active) {
  if (active) {
    const bool wasOnTop = m_state.keepOnTop;
    setKeepOnTop(true);
    if (hasFrame()) {
      ::SetForegroundWindow(m_frameHandle);
    }
    if (!wasOnTop) {
      setKeepOnTop(false);
    }
    m_state.active = true;
    m_state.lastDeactivationMs = 0;
    return;
  }
  if (hasFrame()) {
    ::SendMessageW(m_frameHandle, WM_ACTIVATE, WA_INACTIVE, 0);
  }
  if (m_state.active) {
    m_state.lastDeactivationMs = time::tickMillis();
    m_state.active = false;
  }
}

bool Window::isMinimized() { return hasFrame() && ::IsIconic(m_frameHandle) != FALSE; }

void Window::minimize() {
  undoAutoHide();
  if (hasFrame()) {
    ::ShowWindow(m_frameHandle, SW_MINIMIZE);
  }
}

bool Window::isMaximized() { return hasFrame() && ::IsZoomed(m_frameHandle) != FALSE; }

void Window::maximize() {
  undoAutoHide();
  if (hasFrame()) {
    ::ShowWindow(m_frameHandle, SW_MAXIMIZE);
  }
}

void Window::restore() {
  if (isMaximized() && m_state.settingsRecord != nullptr) {
    m_state.settingsRecord->setMaximized(false);
  }
  if (m_state.inTray) {
    setVisible(true);
    if (hasFrame()) {
      ::SetForegroundWindow(m_frameHandle);
    }
    m_state.inTray = false;
    if (!m_state.keepTrayIcon) {
      setTrayIcon(false);
    }
  }
  if (hasFrame()) {
    ::ShowWindow(m_frameHandle, SW_RESTORE);
  }
}

void Window::showNormal() {
  if (hasFrame()) {
    ::ShowWindow(m_frameHandle, SW_SHOWNORMAL);
  }
}

void Window::hideToTray() {
  if (m_state.inTray) {
    return;
  }
  minimize();
  if (hasFrame() && !m_state.trayIconShown) {
    setTrayIcon(true);
  }
  // Without a tray icon a hidden window could not be reached again: it stays minimised in the
  // taskbar instead.
  if (m_state.trayIconShown) {
    setVisible(false);
    m_state.inTray = true;
  }
}

// Styles.

void Window::changeStyle(DWORD remove, DWORD add) {
  if (hasFrame()) {
    CWnd::ModifyStyle(m_frameHandle, remove, add, SWP_FRAMECHANGED);
  }
}

void Window::changeExStyle(DWORD remove, DWORD add) {
  if (hasFrame()) {
    CWnd::ModifyStyleEx(m_frameHandle, remove, add, SWP_FRAMECHANGED);
  }
}

void Window::setEasyDrag(bool on) {
  m_state.easyDrag = on;
  if (m_state.settingsRecord != nullptr) {
    m_state.settingsRecord->setEasyDrag(on);
  }
}

void Window::setMaximizeBox(bool on) {
  m_state.maximizeBox = on;
  changeStyle(on ? 0 : WS_MAXIMIZEBOX, on ? WS_MAXIMIZEBOX : 0);
}

void Window::setMinimizeBox(bool on) {
  m_state.minimizeBox = on;
  changeStyle(on ? 0 : WS_MINIMIZEBOX, on ? WS_MINIMIZEBOX : 0);
}

void Window::setSystemMenu(bool on) { changeStyle(on ? 0 : WS_SYSMENU, on ? WS_SYSMENU : 0); }

void Window::setCaption(bool on) { changeStyle(on ? 0 : WS_CAPTION, on ? WS_CAPTION : 0); }

void Window::setToolWindow(bool on) {
  changeExStyle(on ? 0 : WS_EX_TOOLWINDOW, on ? WS_EX_TOOLWINDOW : 0);
}

void Window::setStandardFrame(bool on) {
  constexpr DWORD kEdges = WS_EX_STATICEDGE | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE;
  const DWORD boxes =
      (m_state.maximizeBox ? WS_MAXIMIZEBOX : 0) | (m_state.minimizeBox ? WS_MINIMIZEBOX : 0);
  const DWORD standard = WS_OVERLAPPEDWINDOW & ~(WS_MAXIMIZEBOX | WS_MINIMIZEBOX);
  if (on) {
    changeStyle(WS_POPUP, standard | boxes);
    changeExStyle(0, kEdges);
  } else {
    changeStyle(WS_OVERLAPPEDWINDOW, WS_POPUP | WS_SYSMENU | boxes);
    changeExStyle(kEdges, 0);
  }
}

void Window::setClientEdge(bool on) {
  changeExStyle(on ? 0 : WS_EX_CLIENTEDGE, on ? WS_EX_CLIENTEDGE : 0);
}

void Window::setShowInTaskbar(bool on) {
  m_state.showInTaskbar = on;
  changeExStyle(on ? 0 : WS_EX_APPWINDOW, on ? WS_EX_APPWINDOW : 0);
  if (isVisible()) {
    // The taskbar follows the style only when the window appears again.
    ::ShowWindow(m_frameHandle, SW_HIDE);
    ::ShowWindow(m_frameHandle, SW_SHOW);
  }
}

void Window::setResizable(bool on) {
  m_state.resizable = on;
  changeStyle(on ? 0 : WS_THICKFRAME, on ? WS_THICKFRAME : 0);
}

void Window::setModalState(bool modal) { setEnabled(!modal); }

void Window::setKeepOnTop(bool on) {
  if (hasFrame()) {
    ::SetWindowPos(m_frameHandle, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | showFlag());
  }
  if (m_state.keepOnTop && !on && (m_state.fadeMode || m_state.shrinkMode) &&
      m_state.autoHideOnlyOnTop) {
    // Auto-hide only on top: leaving the top undoes the hidden state.
    m_state.keepOnTop = false;
    setAutoShrink(true, m_state.shrinkMode, m_state.autoHideOnlyOnTop, m_state.autoHideDelaySeconds,
                  m_state.shrinkWidth, m_state.shrinkHeight, m_state.shiftKeepsShown);
  }
  m_state.keepOnTop = on;
  if (m_state.opacity != 100 && m_state.opacityOnlyOnTop) {
    applyOpacity(on ? m_state.opacity : 100);
  }
  if (m_state.settingsRecord != nullptr) {
    m_state.settingsRecord->setKeepOnTop(on);
  }
}

// Titles.

const WCHAR* Window::getTitle() {
  if (hasFrame()) {
    const int length = ::GetWindowTextLengthW(m_frameHandle);
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const int read = ::GetWindowTextW(m_frameHandle, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(read, 0)));
    m_title.assign(text.c_str());
  }
  return m_title.getCStr();
}

void Window::setTitle(const WCHAR* title) {
  m_title.assign(title != nullptr ? title : u"");
  if (hasFrame()) {
    ::SendMessageW(m_frameHandle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m_title.getCStr()));
  }
  if (m_state.trayIconShown) {
    notifyTray(NIM_MODIFY, NIF_TIP);
  }
}

void Window::rebuildTitle() {
  if (m_state.localizer == nullptr || m_state.titleTextId == -1) {
    return;
  }
  // The localizer picks its pack (the system's language, else the first) when it has none yet.
  std::u16string title = m_state.localizer->getText(m_state.titleTextId);
  if (m_state.versionTextId != -1) {
    title += u" v";
    title += m_state.localizer->getText(m_state.versionTextId);
  }
  setTitle(title.c_str());
}

void Window::setTitleId(int32_t titleId, int32_t versionId) {
  m_state.titleTextId = titleId;
  m_state.versionTextId = versionId;
  rebuildTitle();
}

void Window::setLocalizer(lang::Localizer* localizer) {
  if (m_state.localizer != nullptr && m_state.localizer != localizer) {
    m_state.localizer->removeListener(this);
  }
  m_state.localizer = localizer;
  if (localizer != nullptr) {
    localizer->addListener(this);
    rebuildTitle();
  }
}

void Window::setSkinner(drawer::ISkinner* skinner) {
  // A window hears one skinner: changing skinners leaves the old one's list, so a later change
  // of the old catalogue no longer reaches a window that gave it up.
  if (m_state.skinner != nullptr && m_state.skinner != skinner) {
    m_state.skinner->removeListener(this);
  }
  m_state.skinner = skinner;
  if (skinner == nullptr) {
    return;
  }
  takeSkinDrawer();
  skinner->addListener(this);
}

void Window::takeSkinDrawer() {
  drawer::ISkin* skin = m_state.skinner->getCurrentSkin();
  // A skinner without a current skin has no drawer to lend; the window keeps what it has.
  if (skin == nullptr) {
    return;
  }
  setWindowDrawer(skin->getWindowDrawer(), false);
  if (m_state.settingsRecord != nullptr && skin->getName() != nullptr) {
    m_state.settingsRecord->setSkinName(skin->getName());
  }
}

void Window::addCloseTrigger(IComponent* button) {
  // The window hears the button's clicks: a click of a close trigger closes it (onEvent).
  auto* clickable = dynamic_cast<gui::IButton*>(button);
  if (clickable != nullptr) {
    m_closeTriggers.push(button);
    clickable->addClickListener(this);
  }
}

namespace {

void releaseMenu(IPopupMenu* menu) {
  if (auto* poolable = dynamic_cast<thread::IPoolable*>(menu)) {
    poolable->release();
  }
}

}  // namespace

HMENU Window::menuHandleOf(IPopupMenu* menu) {
  auto* native = dynamic_cast<CMenu*>(menu);
  return native != nullptr ? native->GetSafeHmenu() : nullptr;
}

void Window::setMenu(IPopupMenu* menu) {
  if (menu == m_state.menu) {
    return;
  }
  IPopupMenu* previous = m_state.menu;
  m_state.menu = menu;
  if (menu != nullptr) {
    // A command the menu carries out may change what the bar shows: it tells the window.
    menu->addSelectionListener(this);
  }
  if (hasFrame() && ::IsWindow(m_frameHandle)) {
    ::SetMenu(m_frameHandle, menuHandleOf(menu));
    ::DrawMenuBar(m_frameHandle);
  }
  releaseMenu(previous);
}

void Window::setTrayMenu(PopupMenu* menu) {
  if (menu != m_state.trayMenu) {
    releaseMenu(m_state.trayMenu);
    m_state.trayMenu = menu;
  }
}

void Window::setContextMenu(PopupMenu* menu, bool owned) {
  if (menu != m_state.contextMenu && m_state.contextMenuOwned) {
    releaseMenu(m_state.contextMenu);
  }
  m_state.contextMenu = menu;
  m_state.contextMenuOwned = menu != nullptr && owned;
}

void Window::releaseMenus() {
  if (m_state.menu != nullptr && hasFrame() && ::IsWindow(m_frameHandle)) {
    ::SetMenu(m_frameHandle, nullptr);
  }
  releaseMenu(m_state.menu);
  m_state.menu = nullptr;
  releaseMenu(m_state.trayMenu);
  m_state.trayMenu = nullptr;
  if (m_state.contextMenuOwned) {
    releaseMenu(m_state.contextMenu);
  }
  m_state.contextMenu = nullptr;
  m_state.contextMenuOwned = false;
}

bool Window::carryOutCommand(int32_t commandId) {
  for (IPopupMenu* menu : {m_state.menu, static_cast<IPopupMenu*>(m_state.trayMenu),
                           static_cast<IPopupMenu*>(m_state.contextMenu)}) {
    if (menu != nullptr && menu->contains(commandId)) {
      menu->select(commandId);
      return true;
    }
  }
  return false;
}

void Window::setWindowDrawer(drawer::IWindow* drawer, bool owned) {
  if (m_state.windowDrawer != nullptr && m_state.windowDrawerOwned &&
      m_state.windowDrawer != drawer) {
    m_state.windowDrawer->release();
  }
  m_state.windowDrawer = drawer;
  m_state.windowDrawerOwned = owned;
  if (drawer != nullptr) {
    setStandardFrame(false);
    updateRegion();
  }
  repaint();
}

// Sizes.

void Window::setFixedWidth(int32_t width) {
  m_state.fixedWidth = width;
  if (width >= 0) {
    setWidth(width);
  }
}

void Window::setFixedHeight(int32_t height) {
  m_state.fixedHeight = height;
  if (height >= 0) {
    setHeight(height);
  }
}

void Window::enforceMinimumSize(bool width, bool height) {
  m_state.enforceMinWidth = width;
  m_state.enforceMinHeight = height;
}

void Window::fitToPreferredSize() {
  const int32_t width = getWidth();
  const int32_t height = getHeight();
  const int32_t fittedWidth = std::max(width, getMinimumWidth());
  const int32_t fittedHeight = std::max(height, getMinimumHeight());
  if (fittedWidth != width || fittedHeight != height) {
    setSize(fittedWidth, fittedHeight);
  }
}

// Calls into the UI thread.

void Window::requestFocus() {
  if (hasFrame()) {
    ::SetFocus(m_frameHandle);
  }
}

void Window::sendTab() {
  if (hasFrame()) {
    ::SendMessageW(m_frameHandle, WM_KEYDOWN, VK_TAB, 0);
  }
}

int64_t Window::sendUserEvent(int64_t arg1, int64_t arg2, int64_t arg3, int64_t arg4) {
  if (!hasFrame()) {
    return 0;
  }
  UserEventRecord record{{arg1, arg2, arg3, arg4}};
  return static_cast<int64_t>(
      ::SendMessageW(m_frameHandle, kUserEventMessage, reinterpret_cast<WPARAM>(&record), 0));
}

int64_t Window::postUserEvent(int64_t arg1, int64_t arg2, int64_t arg3, int64_t arg4) {
  if (!hasFrame()) {
    return 0;
  }
  // The message owns its copy of the arguments, so a later event cannot overwrite them before
  // the UI thread reads them; lparam 1 tells the handler to free it.
  auto* record = new UserEventRecord{{arg1, arg2, arg3, arg4}};
  if (!::PostMessageW(m_frameHandle, kUserEventMessage, reinterpret_cast<WPARAM>(record), 1)) {
    delete record;
    return 0;
  }
  return 1;
}

void Window::showInformation(const WCHAR* text) {
  if (hasFrame()) {
    ::SendMessageW(m_frameHandle, kInformationMessage, reinterpret_cast<WPARAM>(text), 0);
  }
}

void Window::showError(const WCHAR* text) {
  if (hasFrame()) {
    ::SendMessageW(m_frameHandle, kErrorMessage, reinterpret_cast<WPARAM>(text), 0);
  }
}

bool Window::askYesNo(const WCHAR* text) {
  return hasFrame() &&
         ::SendMessageW(m_frameHandle, kYesNoMessage, reinterpret_cast<WPARAM>(text), 0) == 1;
}

bool Window::startTimer(int64_t id, int32_t milliseconds) {
  if (!hasFrame()) {
    return false;
  }
  stopTimer(id);
  TimerRecord record{id, milliseconds};
  return ::SendMessageW(m_frameHandle, kStartTimerMessage, reinterpret_cast<WPARAM>(&record), 0) ==
         1;
}

void Window::stopTimer(int64_t id) {
  if (hasFrame()) {
    TimerRecord record{id, 0};
    ::SendMessageW(m_frameHandle, kStopTimerMessage, reinterpret_cast<WPARAM>(&record), 0);
  }
}

// Settings.

void Window::applySettings(app::IAppWindow* record, bool withVersion) {
  m_state.settingsRecord = record;
  if (record == nullptr) {
    return;
  }
  int32_t small = 16;
  int32_t large = 32;
  switch (app::appHooks().getDisplayScale()) {
    case 2: small = 32, large = 64; break;
    case 4: small = 64, large = 128; break;
    case 8: small = 128, large = 256; break;
    default: break;
  }
  setSmallIcon(app::appHooks().getIconImage(record->getAppBase(), small), true);
  setLargeIcon(app::appHooks().getIconImage(record->getAppBase(), large), true);
  setLocalizer(record->getLocalizer());
  const int32_t titleId = record->getTitleTextId();
  setTitleId(titleId, withVersion ? titleId + 10 : -1);
  if (record->hasSkinner()) {
    setSkinner(record->getSkinner());
  }
  setEasyDrag(record->isEasyDrag());
  setKeepOnTop(record->isKeepOnTop());
  setMiddleClickAction(record->getOnMClick());
  if (record->hasX() && record->hasY()) {
    setBounds(record->getX(), record->getY(), record->getWidth(), record->getHeight());
    if (!isOnScreen()) {
      center();
    }
  } else {
    setSize(record->getWidth(), record->getHeight());
  }
}

void Window::storeSettings(bool hide) {
  app::IAppWindow* record = m_state.settingsRecord;
  if (record == nullptr || !isVisible()) {
    return;
  }
  if (isMaximized()) {
    if (!record->isMaximized()) {
      record->setMaximized(true);
    }
    return;
  }
  if (isMinimized()) {
    return;
  }
  if (record->isMaximized()) {
    record->setMaximized(false);
  }
  if (hide) {
    undoAutoHide();
  }
  if (isAutoHidden()) {
    return;
  }
  const RECT r = windowRect();
  if (!record->hasX() || record->getX() != r.left) {
    record->setX(r.left);
  }
  if (!record->hasY() || record->getY() != r.top) {
    record->setY(r.top);
  }
  if (!record->hasWidth() || record->getWidth() != r.right - r.left) {
    record->setWidth(r.right - r.left);
  }
  if (!record->hasHeight() || record->getHeight() != r.bottom - r.top) {
    record->setHeight(r.bottom - r.top);
  }
}

void Window::setMiddleClickAction(const WCHAR* action) {
  static const WCHAR* const kActions[] = {u"Close", u"Iconize", u"DoNothing"};
  m_state.middleClickAction = kActions[2];
  if (action != nullptr) {
    for (const WCHAR* known : kActions) {
      if (std::u16string_view(known) == std::u16string_view(action)) {
        m_state.middleClickAction = known;
      }
    }
  }
  if (m_state.settingsRecord != nullptr) {
    m_state.settingsRecord->setOnMClick(m_state.middleClickAction);
  }
}

// The screen.

bool Window::isOnScreen() {
  if (!m_state.onScreenCheck) {
    return true;
  }
  const RECT screen = virtualScreen();
  const int32_t x = getScreenX();
  const int32_t y = getScreenY();
  const int32_t width = getWidth();
  const int32_t height = getHeight();
  if (width <= 10 || height <= 10) {
    return false;
  }
  if (x > screen.right - 10 || x + width - screen.left <= 9) {
    return false;
  }
  if (y > screen.bottom - 10 || y + height - screen.top <= 9) {
    return false;
  }
  return true;
}

void Window::moveOnScreen() {
  if (isMaximized()) {
    return;
  }
  const RECT screen = virtualScreen();
  const int32_t x = getScreenX();
  const int32_t y = getScreenY();
  const int32_t width = getWidth();
  const int32_t height = getHeight();
  int32_t newX = x;
  int32_t newY = y;
  if (newX + width > screen.right) {
    newX = screen.right - width;
  }
  if (newY + height > screen.bottom) {
    newY = screen.bottom - height;
  }
  newX = std::max(newX, static_cast<int32_t>(screen.left));
  newY = std::max(newY, static_cast<int32_t>(screen.top));
  if (newX != x || newY != y) {
    setLocation(newX, newY);
  }
}

void Window::clampInside(int32_t* x, int32_t* y, int32_t width, int32_t height) {
  const RECT area = ::GetSystemMetrics(SM_CMONITORS) < 2 ? workArea() : virtualScreen();
  if (*x + width > area.right) {
    *x = area.right - width;
  }
  if (*y + height > area.bottom) {
    *y = area.bottom - height;
  }
  *x = std::max(*x, static_cast<int32_t>(area.left));
  *y = std::max(*y, static_cast<int32_t>(area.top));
}

void Window::setKeepInsideScreen(bool on) {
  m_state.keepInsideScreen = on;
  if (on && isVisible()) {
    int32_t x = getScreenX();
    int32_t y = getScreenY();
    const int32_t oldX = x;
    const int32_t oldY = y;
    clampInside(&x, &y, getWidth(), getHeight());
    if (x != oldX || y != oldY) {
      setLocation(x, y);
    }
  }
}

void Window::centerOnPointer() {
  POINT pointer{0, 0};
  if (!::GetCursorPos(&pointer)) {
    return;
  }
  const int32_t x = pointer.x - getWidth() / 2;
  const int32_t y = pointer.y - getHeight() / 2;
  if (x != getScreenX() || y != getScreenY()) {
    setLocation(x, y);
  }
}

void Window::captureMouse() {
  if (hasFrame()) {
    ::SetCapture(m_frameHandle);
    m_state.captureActive = true;
  }
}

// Showing.

void Window::trimWorkingSet() {
  std::lock_guard<thread::ObjLocker> guard(trimLock());
  ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1),
                             static_cast<SIZE_T>(-1));
}

void Window::show(bool show, bool activate) {
  if (!hasFrame()) {
    return;
  }
  if (show && !m_visible) {
    if (m_state.followCursor) {
      centerOnPointer();
    }
    if (activate && m_state.showInTaskbar) {
      // The system lets a window that was just restored come to the front.
      ::ShowWindow(m_frameHandle, SW_MINIMIZE);
      ::ShowWindow(m_frameHandle, SW_RESTORE);
    }
    if (!isMaximized() && m_state.settingsRecord != nullptr) {
      if (m_state.settingsRecord->isMaximized()) {
        maximize();
      } else if (!m_state.keepInsideScreen && !m_state.followCursor && m_state.onScreenCheck &&
                 (!m_state.settingsRecord->hasPosition() || !isOnScreen())) {
        center();
      }
    }
    if (activate) {
      setActive(true);
    }
    ::ShowWindow(m_frameHandle, SW_SHOW);
    ::RedrawWindow(m_frameHandle, nullptr, nullptr,
                   RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    m_visible = true;
  } else if (!show && m_visible) {
    storeSettings(true);
    ::ShowWindow(m_frameHandle, SW_HIDE);
    m_visible = false;
  }
  trimWorkingSet();
}

// Opacity and auto-hide.

int32_t Window::targetOpacity() const {
  return m_state.keepOnTop || !m_state.opacityOnlyOnTop ? m_state.opacity : 100;
}

void Window::setOpacity(int32_t percent, bool onlyOnTop) {
  m_state.opacity = percent;
  m_state.opacityOnlyOnTop = onlyOnTop;
  applyOpacity(onlyOnTop && !m_state.keepOnTop ? 100 : percent);
}

void Window::applyOpacity(int32_t percent) {
  if (percent == m_state.currentOpacity || !hasFrame()) {
    return;
  }
  using SetLayered = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
  static system::win::DllLocater* const s_user32 = [] {
    auto* locater = new system::win::DllLocater();
    locater->load(u"user32.dll");
    return locater;
  }();
  static const SetLayered s_setLayered =
      s_user32->getModule() != nullptr
          ? reinterpret_cast<SetLayered>(reinterpret_cast<void*>(
                ::GetProcAddress(s_user32->getModule(), "SetLayeredWindowAttributes")))
          : nullptr;
  if (s_setLayered == nullptr) {
    std::u16string text = u"Failed to Load user32Dll.dll!!\nError Code - ";
    const std::string code = std::to_string(::GetLastError());
    text.append(code.begin(), code.end());
    showInformation(text.c_str());
    return;
  }
  if (m_state.currentOpacity == 100 && percent != 100) {
    CWnd::ModifyStyleEx(m_frameHandle, 0, WS_EX_LAYERED, 0);
  }
  const int32_t alpha = std::clamp(percent * 255 / 100, 0, 255);
  s_setLayered(m_frameHandle, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
  if (percent == 100 && m_state.currentOpacity != 100) {
    CWnd::ModifyStyleEx(m_frameHandle, WS_EX_LAYERED, 0, 0);
  }
  m_state.currentOpacity = percent;
}

void Window::undoAutoHide() {
  if (!hasFrame() || (!m_state.fadeMode && !m_state.shrinkMode)) {
    return;
  }
  for (UINT_PTR id = 4; id <= 6; ++id) {
    ::KillTimer(m_frameHandle, id);
  }
  restoreShrunkSize();
  if (m_state.currentOpacity < targetOpacity()) {
    for (UINT_PTR id = 1; id <= 3; ++id) {
      ::KillTimer(m_frameHandle, id);
    }
    applyOpacity(targetOpacity());
  }
}

void Window::setAutoShrink(bool on, bool shrink, bool onlyOnTop, int32_t delaySeconds,
                           int32_t width, int32_t height, bool shiftKeepsShown) {
  m_state.shrinkWidth = width;
  m_state.shrinkHeight = height;
  m_state.shiftKeepsShown = shiftKeepsShown;
  undoAutoHide();
  if (on) {
    m_state.shrinkMode = shrink;
    m_state.autoHideOnlyOnTop = onlyOnTop;
    m_state.fadeMode = !shrink;
    m_state.autoHideDelaySeconds = delaySeconds;
  } else {
    m_state.fadeMode = false;
    m_state.shrinkMode = false;
    m_state.autoHideOnlyOnTop = true;
    m_state.autoHideDelaySeconds = 5;
  }
}

void Window::restoreShrunkSize() {
  if (!isShrunk()) {
    return;
  }
  const int32_t width = m_state.shrunkSavedWidth != -1 ? m_state.shrunkSavedWidth : getWidth();
  const int32_t height = m_state.shrunkSavedHeight != -1 ? m_state.shrunkSavedHeight : getHeight();
  m_state.shrunkSavedWidth = -1;
  m_state.shrunkSavedHeight = -1;
  sizeStep(width, height);
}

void Window::sizeStep(int32_t width, int32_t height) {
  if (hasFrame()) {
    ::SetWindowPos(m_frameHandle, nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | showFlag());
  }
}

}  // namespace s::gui::win
