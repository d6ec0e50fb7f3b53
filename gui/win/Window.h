// The toolkit's top-level window: a frame on a UI thread of its own that paints through a back
// buffer and turns its messages into numbered events.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/str/strarray/StrArray.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "gui/IWindow.h"
#include "gui/win/Container.h"

#include <windows.h>
#include <afxwin.h>

#include <atomic>
#include <cstdint>

namespace s::gui::win {

class InvisibleWindow;
class UIThread;

/// The one implementation of `s::gui::IWindow`. Taking a window (from any thread) starts its UI
/// thread, which makes the hidden owner and the frame (class "KavrelWindowClass", "Window",
/// 240 x 120, hidden) and pumps their messages; construction returns once they exist, or once
/// the thread gave up (then the window has no frame and its frame operations do nothing).
///
/// Pool capacity 0: releasing a window destroys it, which stops its UI thread (a thread that
/// does not end within 5 s is left behind with a log line). Operations may be called from any
/// thread; the fields are plain values without a lock, so listeners and children are set up
/// before `show`. Event ids are those of `IWindow`; the window procedure fires them on the UI
/// thread.
class Window : public Container<IWindow> {
  S_POOLED_CLASS(Window, u"s_gui_win_Window", 0)

  /// The window's event ids, each with its own listener list.
  enum Event : int32_t {
    kClose = 1,
    kUserEvent = 2,
    kRightButtonDown = 3,
    kResize = 4,
    kLeftButtonDown = 5,
    kActivate = 6,
    kDeactivate = 7,
    kSizing = 8,
    kMiddleButtonDown = 9,
    kPositionChanging = 10,
    kMove = 11,
    kKeyDown = 12,
    kMouseMove = 13,
    kMouseWheel = 14,
    kInstance = 15,
    kDoubleClick = 16,
    kCaptureChanged = 17,
    kTrayMenu = 18,
    kContextMenu = 19,
    kLanguage = 20,
    kRestore = 21,
    kTrayClick = 22,
    kHotKey = 23,
    kRightButtonUp = 24,
    kLeftButtonUp = 25,
    kTimer = 26,
    kClipboard = 27,
  };
  static constexpr int32_t kEventCount = 28;

  /// Private messages of the frame.
  static constexpr UINT kUserEventMessage = WM_USER + 1;
  static constexpr UINT kTrayMessage = WM_USER + 2;
  static constexpr UINT kComeToFrontMessage = WM_USER + 3;
  static constexpr UINT kInformationMessage = WM_USER + 4;
  static constexpr UINT kErrorMessage = WM_USER + 5;
  static constexpr UINT kYesNoMessage = WM_USER + 6;
  static constexpr UINT kInstanceMessage = WM_USER + 7;
  static constexpr UINT kRegisterHotKeyMessage = WM_USER + 12;
  static constexpr UINT kUnregisterHotKeyMessage = WM_USER + 13;
  static constexpr UINT kUnregisterAllHotKeysMessage = WM_USER + 14;
  static constexpr UINT kStartTimerMessage = WM_USER + 20;
  static constexpr UINT kStopTimerMessage = WM_USER + 21;
  static constexpr UINT kDestroyMessage = WM_APP + 1;
  static constexpr UINT kAddChildMessage = WM_APP + 2;
  /// Native ids of user timers are the user's id plus this.
  static constexpr UINT_PTR kUserTimerBase = 10000;

  Window();
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void reset() override;

  // IEventListener
  void onEvent(base::IObject* source, int32_t eventId) override;

  // IComponent
  int32_t getX() override { return getScreenX(); }
  void setX(int32_t x) override { setLocation(x, getY()); }
  int32_t getY() override { return getScreenY(); }
  void setY(int32_t y) override { setLocation(getX(), y); }
  int32_t getScreenX() override;
  int32_t getScreenY() override;
  bool containsScreenPoint(int32_t x, int32_t y) override;
  int32_t getWidth() override;
  void setWidth(int32_t width) override { setSize(width, getHeight()); }
  int32_t getHeight() override;
  void setHeight(int32_t height) override { setSize(getWidth(), height); }
  int32_t getClientWidth() override;
  void setClientWidth(int32_t width) override;
  int32_t getClientHeight() override;
  void setClientHeight(int32_t height) override;
  void setLocation(int32_t x, int32_t y) override;
  void setSize(int32_t width, int32_t height) override;
  void setBounds(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void setOffset(int32_t, int32_t) override {}
  void addOffset(int32_t, int32_t) override {}
  int32_t getMinimumWidth() override;
  int32_t getMinimumHeight() override;
  int32_t getMinimumClientWidth() override;
  int32_t getMinimumClientHeight() override;
  int32_t getMaximumWidth() override;
  int32_t getMaximumHeight() override;
  int32_t getMaximumClientWidth() override { return getMaximumWidth() - getFrameWidth(); }
  int32_t getMaximumClientHeight() override { return getMaximumHeight() - getFrameHeight(); }
  /// Shown, and with a frame.
  bool isVisible() override { return m_visible && m_frameHandle != nullptr; }
  using IComponent::setVisible;
  void setVisible(bool show, bool /*cascade*/) override { this->show(show, false); }
  bool isEnabled() override;
  void setEnabled(bool enabled) override;
  /// Centres the window on the desktop's work area, never above or left of its corner.
  void center() override;
  bool isParentBackground() override { return false; }
  void useParentBackground(bool) override {}
  void setBackgroundSystem(bool redraw) override;
  void setBackgroundColor(int32_t red, int32_t green, int32_t blue, bool redraw) override;
  IWindow* getWindow() override { return this; }
  IComponent* getParent() override { return nullptr; }
  void setParent(IComponent*) override {}
  void add(IComponent* child) override;
  /// The status bar, too, is taken out and given back.
  void remove(IComponent* child, bool destroy) override;
  void repaintRect(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void repaint() override;
  void setSizeWithinLimits(int32_t, int32_t) override {}
  image::win::BufferedImage* getBackBuffer(int32_t* x, int32_t* y) override;
  bool isInBatch() override { return false; }
  void beginBatch() override;
  void endBatch() override;

  // IContainer
  void doLayout() override;
  ILayoutManager* getLayout() override;
  void setLayout(ILayoutManager* layout) override;

  // IWindow
  void setScreenX(int32_t x) override { setX(x); }
  void setScreenY(int32_t y) override { setY(y); }
  bool isClosed() override { return m_closed.load(); }
  void close() override;
  void cancelClose() override { m_state.closeCancelled = true; }
  void waitUntilClosed() override;
  void setActive(bool active) override;
  bool isMinimized() override;
  void minimize() override;
  bool isMaximized() override;
  void maximize() override;
  void restore() override;
  void showNormal() override;
  void hideToTray() override;
  bool isInTray() override { return m_state.inTray; }
  void setEasyDrag(bool on) override;
  void setMaximizeBox(bool on) override;
  void setMinimizeBox(bool on) override;
  void setSystemMenu(bool on) override;
  void setCaption(bool on) override;
  void setToolWindow(bool on) override;
  void setStandardFrame(bool on) override;
  void setClientEdge(bool on) override;
  void setShowInTaskbar(bool on) override;
  void setTrayIcon(bool on) override;
  void updateTrayIcon() override;
  void setTrayIconPinned(bool on) override;
  bool isTrayIconShown() override { return m_state.trayIconShown; }
  bool isResizable() override { return m_state.resizable; }
  void setResizable(bool on) override;
  void setKeepTrayIcon(bool on) override;
  void setMinimizeToTray(bool on) override { m_state.minimizeToTray = on; }
  void setModalState(bool modal) override;
  void setKeepOnTop(bool on) override;
  bool isKeepOnTop() override { return m_state.keepOnTop; }
  const WCHAR* getTitle() override;
  void setTitle(const WCHAR* title) override;
  void setTitleId(int32_t titleId, int32_t versionId) override;
  image::win::BufferedImage* getSmallIcon() override { return m_state.smallIcon; }
  void setSmallIcon(image::win::BufferedImage* image, bool owned) override;
  image::win::BufferedImage* getLargeIcon() override { return m_state.largeIcon; }
  void setLargeIcon(image::win::BufferedImage* image, bool owned) override;
  bool hasLocalizer() override { return m_state.localizer != nullptr; }
  lang::Localizer* getLocalizer() override { return m_state.localizer; }
  void setLocalizer(lang::Localizer* localizer) override;
  bool hasSkinner() override { return m_state.skinner != nullptr; }
  drawer::ISkinner* getSkinner() override { return m_state.skinner; }
  void setSkinner(drawer::ISkinner* skinner) override;
  void addCloseTrigger(IComponent* button) override;
  void addCloseListener(events::IEventListener* l) override { listen(kClose, l); }
  void addRightButtonDownListener(events::IEventListener* l) override {
    listen(kRightButtonDown, l);
  }
  void addLeftButtonDownListener(events::IEventListener* l) override { listen(kLeftButtonDown, l); }
  void addRightButtonUpListener(events::IEventListener* l) override { listen(kRightButtonUp, l); }
  void addLeftButtonUpListener(events::IEventListener* l) override { listen(kLeftButtonUp, l); }
  void addTrayClickListener(events::IEventListener* l) override { listen(kTrayClick, l); }
  void addDoubleClickListener(events::IEventListener* l) override { listen(kDoubleClick, l); }
  void addMiddleButtonDownListener(events::IEventListener* l) override {
    listen(kMiddleButtonDown, l);
  }
  void addResizeListener(events::IEventListener* l) override { listen(kResize, l); }
  void addActivateListener(events::IEventListener* l) override { listen(kActivate, l); }
  void addDeactivateListener(events::IEventListener* l) override { listen(kDeactivate, l); }
  void addPositionChangingListener(events::IEventListener* l) override {
    listen(kPositionChanging, l);
  }
  void addMoveListener(events::IEventListener* l) override { listen(kMove, l); }
  void addKeyDownListener(events::IEventListener* l) override { listen(kKeyDown, l); }
  void addTrayMenuListener(events::IEventListener* l) override { listen(kTrayMenu, l); }
  void addContextMenuListener(events::IEventListener* l) override { listen(kContextMenu, l); }
  void addRestoreListener(events::IEventListener* l) override { listen(kRestore, l); }
  void setMenu(IPopupMenu* menu) override;
  void setTrayMenu(PopupMenu* menu) override;
  int64_t sendUserEvent(int64_t arg1, int64_t arg2, int64_t arg3, int64_t arg4) override;
  int64_t postUserEvent(int64_t arg1, int64_t arg2, int64_t arg3, int64_t arg4) override;
  int64_t getUserEventArg1() override { return m_state.userEventArgs[0]; }
  int64_t getUserEventArg2() override { return m_state.userEventArgs[1]; }
  int64_t getUserEventArg3() override { return m_state.userEventArgs[2]; }
  int64_t getUserEventArg4() override { return m_state.userEventArgs[3]; }
  void setUserEventResult(int64_t result) override { m_state.userEventResult = result; }
  void addUserEventListener(events::IEventListener* l) override { listen(kUserEvent, l); }
  void requestFocus() override;
  void setContextMenu(PopupMenu* menu, bool owned) override;
  bool isSizingLeft() override { return m_state.sizingEdge == 1; }
  bool isSizingRight() override { return m_state.sizingEdge == 2; }
  bool isSizingTop() override { return m_state.sizingEdge == 3; }
  bool isSizingBottom() override { return m_state.sizingEdge == 4; }
  bool isSizingTopLeft() override { return m_state.sizingEdge == 5; }
  bool isSizingTopRight() override { return m_state.sizingEdge == 6; }
  bool isSizingBottomLeft() override { return m_state.sizingEdge == 7; }
  bool isSizingBottomRight() override { return m_state.sizingEdge == 8; }
  int32_t getSizingLeft() override { return m_state.sizingRect.left; }
  void setSizingLeft(int32_t left) override { m_state.sizingRect.left = left; }
  int32_t getSizingRight() override { return m_state.sizingRect.right; }
  void setSizingRight(int32_t right) override { m_state.sizingRect.right = right; }
  int32_t getSizingTop() override { return m_state.sizingRect.top; }
  void setSizingTop(int32_t top) override { m_state.sizingRect.top = top; }
  int32_t getSizingBottom() override { return m_state.sizingRect.bottom; }
  void setSizingBottom(int32_t bottom) override { m_state.sizingRect.bottom = bottom; }
  void addSizingListener(events::IEventListener* l) override { listen(kSizing, l); }
  void setWindowDrawer(drawer::IWindow* drawer, bool owned) override;
  void setFixedWidth(int32_t width) override;
  void setFixedHeight(int32_t height) override;
  void enforceMinimumSize(bool on) override { enforceMinimumSize(on, on); }
  void enforceMinimumSize(bool width, bool height) override;
  void fitToPreferredSize() override;
  void packWidth() override { setSize(getWidth(), getMinimumHeight()); }
  void pack() override { setSize(getMinimumWidth(), getMinimumHeight()); }
  void packMaximum() override { setSize(getMaximumWidth(), getMaximumHeight()); }
  int32_t getKeyCode() override { return m_state.keyCode; }
  void addMouseMoveListener(events::IEventListener* l) override { listen(kMouseMove, l); }
  void addMouseWheelListener(events::IEventListener* l) override { listen(kMouseWheel, l); }
  int32_t getWheelLines() override { return m_state.wheelLines; }
  int32_t getFrameWidth() override { return getWidth() - getClientWidth(); }
  int32_t getFrameHeight() override;
  void setMinimumWidth(int32_t width) override { m_state.minWidth = width; }
  void setMinimumHeight(int32_t height) override { m_state.minHeight = height; }
  void sendTab() override;
  void showInformation(const WCHAR* text) override;
  void showError(const WCHAR* text) override;
  bool askYesNo(const WCHAR* text) override;
  void applySettings(app::IAppWindow* record, bool withVersion) override;
  void storeSettings(bool hide) override;
  void setMiddleClickAction(const WCHAR* action) override;
  bool isOnScreen() override;
  void moveOnScreen() override;
  void show(bool show, bool activate) override;
  void addInstanceListener(events::IEventListener* l) override { listen(kInstance, l); }
  void setOpacity(int32_t percent, bool onlyOnTop) override;
  void setAutoShrink(bool on, bool shrink, bool onlyOnTop, int32_t delaySeconds, int32_t width,
                     int32_t height, bool shiftKeepsShown) override;
  bool isShrunk() override {
    return m_state.shrunkSavedWidth != -1 || m_state.shrunkSavedHeight != -1;
  }
  bool isFaded() override { return m_state.currentOpacity != m_state.opacity; }
  bool isAutoHidden() override { return isShrunk() || isFaded(); }
  void setOnScreenCheck(bool on) override { m_state.onScreenCheck = on; }
  void setKeepInsideScreen(bool on) override;
  void captureMouse() override;
  int32_t getCaptureX() override { return m_state.captureX; }
  int32_t getCaptureY() override { return m_state.captureY; }
  void addCaptureChangedListener(events::IEventListener* l) override { listen(kCaptureChanged, l); }
  void setFollowCursor(bool on) override { m_state.followCursor = on; }
  void setTrayClickToggles(bool on) override { m_state.trayClickToggles = on; }
  void setHideCursor(bool on) override { m_state.hideCursor = on; }
  void setPassDoubleClick(bool on) override { m_state.passDoubleClick = on; }
  void addLanguageListener(events::IEventListener* l) override { listen(kLanguage, l); }
  bool isSuspended() override { return m_state.suspended; }
  bool isShuttingDown() override { return m_state.shutdownPending; }
  bool registerHotKey(bool alt, bool ctrl, bool shift, bool winKey, int32_t key, const WCHAR* name,
                      bool showError) override;
  void unregisterHotKey(const WCHAR* name) override;
  void unregisterAllHotKeys() override;
  void addHotKeyListener(events::IEventListener* l) override { listen(kHotKey, l); }
  bool isFiredHotKey(const WCHAR* name) override;
  bool startTimer(int64_t id, int32_t milliseconds) override;
  void stopTimer(int64_t id) override;
  void addTimerListener(events::IEventListener* l) override { listen(kTimer, l); }
  int64_t getFiredTimerId() override { return m_state.firedTimerId; }
  void consumeTimer() override { m_state.timerConsumed = true; }
  bool saveScreenBelowAsGif(const WCHAR* path) override;
  void setClipboardViewer(bool on) override;
  void addClipboardListener(events::IEventListener* l) override { listen(kClipboard, l); }
  HWND getHandle() override { return m_frameHandle; }

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;
  /// After the platform's handling of a message that `preWindowProc` left: the window's sizes
  /// and places kept for its settings.
  void postWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

  // CWnd
  BOOL PreTranslateMessage(MSG* msg) override;

  /// Starts the UI thread and waits until it made the native windows or gave up.
  void startUiThread();
  /// On the UI thread: the owner, then the frame; false when the owner could not be made.
  bool createNativeWindows();
  /// On the UI thread: the frame; false (after telling the user) when it could not be made.
  bool createFrameWindow();
  HWND getOwnerHandle() const { return m_ownerHandle; }
  /// The listeners of one event, in the order they were added.
  const col::_array::ArrayP& getListeners(int32_t eventId) const { return m_listeners[eventId]; }

 protected:
  void listen(int32_t eventId, events::IEventListener* listener);
  /// Calls every listener of `eventId` with this window as the source.
  void fire(int32_t eventId);

 private:
  friend class UIThread;
  /// What WM_USER+1 carries: the four arguments (a posted event's record is the message's own).
  struct UserEventRecord {
    int64_t args[4];
  };
  struct HotKeyRecord;
  /// What WM_USER+20 and +21 carry.
  struct TimerRecord {
    int64_t id;
    int32_t milliseconds;
  };

  bool hasFrame() const { return m_frameHandle != nullptr; }
  RECT windowRect() const;
  RECT clientRect() const;
  UINT showFlag() const { return m_visible ? SWP_SHOWWINDOW : 0; }
  void changeStyle(DWORD remove, DWORD add);
  void changeExStyle(DWORD remove, DWORD add);
  void rebuildTitle();
  // Borrows the current skin's window drawer and records the skin's name in the settings record.
  void takeSkinDrawer();
  /// The native menu behind a menu object, null for none.
  static HMENU menuHandleOf(IPopupMenu* menu);
  /// Gives back the owned menus (the context menu only when owned), the frame's menu taken off
  /// the frame first.
  void releaseMenus();
  /// Hands a menu command to the first of the native, tray and context menu that holds it;
  /// false when none does.
  bool carryOutCommand(int32_t commandId);
  void applyOpacity(int32_t percent);
  int32_t targetOpacity() const;
  void undoAutoHide();
  void fadeIn(bool now);
  void centerOnPointer();
  void clampInside(int32_t* x, int32_t* y, int32_t width, int32_t height);
  void trimWorkingSet();
  void removeIcons();
  /// One request to the notification area for the window's icon; false when it was refused.
  bool notifyTray(DWORD command, DWORD fields);
  void leaveClipboardChain();
  /// WM_USER+12, +13 and +14 on the UI thread.
  LRESULT onHotKeyMessage(UINT message, const HotKeyRecord* record);
  /// Gives up the hot key of `name` and its atom.
  void releaseHotKey(const WCHAR* name);

  // The message side.
  void paintClient();
  void eraseBackground(HDC dc);
  void paintFrame(HDC target);
  /// Paints the area (in the target's coordinates) into the back buffer and copies it once.
  void paintWith(HDC target, const RECT& area, bool useDrawer);
  /// A back buffer that covers width x height: a new one when the kept one is far too large,
  /// else the kept one, grown when it is too small.
  void ensureBackBuffer(int32_t width, int32_t height);
  /// Makes the icon of `image` the frame's and the owner's of kind `which` (ICON_SMALL,
  /// ICON_BIG), giving back what it replaces.
  void setIcon(WPARAM which, image::win::BufferedImage* image, bool owned);
  void updateRegion();
  LRESULT hitTest(LPARAM lParam, LRESULT defaultCode);
  void resizeStep();
  void onSizing(WPARAM edge, RECT* proposed);
  void onWindowPosChanging(WINDOWPOS* pos);
  void onPointerOver();
  bool onTimer(UINT_PTR id);
  void onTrayMessage(LPARAM mouseMessage);
  void onMouseWheel(WPARAM wParam, LPARAM lParam);
  /// Resizes without moving, as every auto-hide step does.
  void sizeStep(int32_t width, int32_t height);
  /// Gives a shrunk window its saved size back and forgets it.
  void restoreShrunkSize();

  // Native windows and their thread.
  UIThread* m_uiThread = nullptr;
  InvisibleWindow* m_owner = nullptr;
  HWND m_ownerHandle = nullptr;
  HWND m_frameHandle = nullptr;

  /// Every setting and record of the window that a reset gives its first value back, all at once
  /// (`m_state = {}`), after the reset has given back what the pointers here own: a member added
  /// here cannot be left out of the reset.
  struct State {
    app::IAppWindow* settingsRecord = nullptr;
    int32_t titleTextId = -1;
    int32_t versionTextId = -1;
    bool closeCancelled = false;
    bool easyDrag = false;
    image::win::BufferedImage* smallIcon = nullptr;
    bool smallIconOwned = false;
    HICON smallIconHandle = nullptr;
    image::win::BufferedImage* largeIcon = nullptr;
    bool largeIconOwned = false;
    HICON largeIconHandle = nullptr;
    bool trayIconShown = false;
    bool keepTrayIcon = false;
    bool showInTaskbar = true;
    bool minimizeToTray = false;
    bool inTray = false;
    bool keepOnTop = false;
    lang::Localizer* localizer = nullptr;
    drawer::ISkinner* skinner = nullptr;
    IPopupMenu* menu = nullptr;
    PopupMenu* trayMenu = nullptr;
    IComponent* statusBar = nullptr;
    int64_t userEventArgs[4] = {0, 0, 0, 0};
    int64_t userEventResult = 0;
    PopupMenu* contextMenu = nullptr;
    bool contextMenuOwned = false;
    int32_t sizingEdge = 0;
    RECT sizingRect{0, 0, 0, 0};
    drawer::IWindow* windowDrawer = nullptr;
    bool windowDrawerOwned = false;
    int32_t fixedWidth = -1;
    int32_t fixedHeight = -1;
    bool enforceMinWidth = true;
    bool enforceMinHeight = true;
    int32_t keyCode = 0;
    int32_t wheelLines = 0;
    bool trayIconPinned = false;
    int32_t minWidth = -1;
    int32_t minHeight = -1;
    bool resizable = true;
    const WCHAR* middleClickAction = u"DoNothing";
    int32_t normalX = 0;
    int32_t normalY = 0;
    int32_t normalWidth = 500;
    int32_t normalHeight = 500;
    int32_t opacity = 100;
    int32_t currentOpacity = 100;
    bool opacityOnlyOnTop = false;
    bool shiftKeepsShown = false;
    bool fadeMode = false;
    int32_t shrunkSavedWidth = -1;
    int32_t shrunkSavedHeight = -1;
    int32_t shrinkWidth = 23;
    int32_t shrinkHeight = 23;
    bool shrinkMode = false;
    bool autoHideOnlyOnTop = true;
    int32_t autoHideDelaySeconds = 5;
    int32_t autoHideCountdownMs = 5000;
    bool onScreenCheck = true;
    bool keepInsideScreen = false;
    bool captureActive = false;
    int32_t captureX = 0;
    int32_t captureY = 0;
    POINT dragAnchor{0, 0};
    int32_t hitCode = 0;
    bool ownFrameDragging = false;
    bool sizingCursorCaptured = false;
    bool maximizeBox = true;
    bool minimizeBox = true;
    bool followCursor = false;
    bool trayClickToggles = true;
    bool hideCursor = false;
    bool passDoubleClick = true;
    bool suspended = false;
    bool shutdownPending = false;
    bool maximized = false;
    bool active = false;
    int64_t lastDeactivationMs = 0;
    ATOM firedHotKey = 0;
    int64_t firedTimerId = 0;
    bool timerConsumed = false;
    bool clipboardViewer = false;
    HWND nextClipboardViewer = nullptr;
  };
  State m_state;
  // Outside the state on purpose: the texts and arrays are emptied in place, which keeps their
  // memory and lets their elements go back to their pools; `m_closed` is atomic, as other threads
  // wait on it, and so cannot be assigned with the rest.
  str::strbuffer::StrBuffer m_title;
  std::atomic<bool> m_closed{false};
  col::_array::ArrayP m_closeTriggers;
  col::_array::ArrayP m_listeners[kEventCount];
  str::strarray::StrArray m_hotKeyNames;
};

}  // namespace s::gui::win
