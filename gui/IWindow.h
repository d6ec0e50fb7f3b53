// The interface of top-level windows: titles, icons, frame styles, the tray icon, listeners,
// opacity and auto-hide, hot keys, timers and settings.
#pragma once

#include "gui/IContainer.h"

#include <windows.h>

#include <cstdint>

namespace s::app {
class IAppWindow;
}
namespace s::lang {
class Localizer;
}
namespace s::gui::drawer {
class ISkinner;
class IWindow;
}  // namespace s::gui::drawer
namespace s::gui::win {
class PopupMenu;
}

namespace s::gui {

class IPopupMenu;

/// A top-level window that lives on a UI thread of its own. Listeners get `onEvent(window, id)`
/// with the window's event ids (1 close, 2 user event, ... 27 clipboard); they are called in the
/// order they were added, on the UI thread, and never owned. Every operation may be called from
/// any thread; what must run on the UI thread is sent there. The operations keep their virtual
/// order.
class IWindow : public IContainer {
 public:
  virtual void setScreenX(int32_t x) = 0;
  virtual void setScreenY(int32_t y) = 0;
  virtual bool isClosed() = 0;
  virtual void close() = 0;
  /// Vetoes the close being reported to the close listeners.
  virtual void cancelClose() = 0;
  /// Sleeps in 10 ms steps, without pumping messages, until the window has closed.
  virtual void waitUntilClosed() = 0;
  virtual void setActive(bool active) = 0;
  virtual bool isMinimized() = 0;
  virtual void minimize() = 0;
  virtual bool isMaximized() = 0;
  virtual void maximize() = 0;
  virtual void restore() = 0;
  virtual void showNormal() = 0;
  virtual void hideToTray() = 0;
  virtual bool isInTray() = 0;
  virtual void setEasyDrag(bool on) = 0;
  virtual void setMaximizeBox(bool on) = 0;
  virtual void setMinimizeBox(bool on) = 0;
  virtual void setSystemMenu(bool on) = 0;
  virtual void setCaption(bool on) = 0;
  virtual void setToolWindow(bool on) = 0;
  virtual void setStandardFrame(bool on) = 0;
  virtual void setClientEdge(bool on) = 0;
  virtual void setShowInTaskbar(bool on) = 0;
  virtual void setTrayIcon(bool on) = 0;
  virtual void updateTrayIcon() = 0;
  virtual void setTrayIconPinned(bool on) = 0;
  virtual bool isTrayIconShown() = 0;
  virtual bool isResizable() = 0;
  virtual void setResizable(bool on) = 0;
  virtual void setKeepTrayIcon(bool on) = 0;
  virtual void setMinimizeToTray(bool on) = 0;
  virtual void setModalState(bool modal) = 0;
  virtual void setKeepOnTop(bool on) = 0;
  virtual bool isKeepOnTop() = 0;
  /// The frame's text; valid until the title changes.
  virtual const WCHAR* getTitle() = 0;
  virtual void setTitle(const WCHAR* title) = 0;
  virtual void setTitleId(int32_t titleId, int32_t versionId) = 0;
  virtual image::win::BufferedImage* getSmallIcon() = 0;
  virtual void setSmallIcon(image::win::BufferedImage* image, bool owned) = 0;
  virtual image::win::BufferedImage* getLargeIcon() = 0;
  virtual void setLargeIcon(image::win::BufferedImage* image, bool owned) = 0;
  virtual bool hasLocalizer() = 0;
  virtual lang::Localizer* getLocalizer() = 0;
  virtual void setLocalizer(lang::Localizer* localizer) = 0;
  virtual bool hasSkinner() = 0;
  virtual drawer::ISkinner* getSkinner() = 0;
  virtual void setSkinner(drawer::ISkinner* skinner) = 0;
  virtual void addCloseTrigger(IComponent* button) = 0;
  virtual void addCloseListener(events::IEventListener* listener) = 0;
  virtual void addRightButtonDownListener(events::IEventListener* listener) = 0;
  virtual void addLeftButtonDownListener(events::IEventListener* listener) = 0;
  virtual void addRightButtonUpListener(events::IEventListener* listener) = 0;
  virtual void addLeftButtonUpListener(events::IEventListener* listener) = 0;
  virtual void addTrayClickListener(events::IEventListener* listener) = 0;
  virtual void addDoubleClickListener(events::IEventListener* listener) = 0;
  virtual void addMiddleButtonDownListener(events::IEventListener* listener) = 0;
  virtual void addResizeListener(events::IEventListener* listener) = 0;
  virtual void addActivateListener(events::IEventListener* listener) = 0;
  virtual void addDeactivateListener(events::IEventListener* listener) = 0;
  virtual void addPositionChangingListener(events::IEventListener* listener) = 0;
  virtual void addMoveListener(events::IEventListener* listener) = 0;
  virtual void addKeyDownListener(events::IEventListener* listener) = 0;
  virtual void addTrayMenuListener(events::IEventListener* listener) = 0;
  virtual void addContextMenuListener(events::IEventListener* listener) = 0;
  virtual void addRestoreListener(events::IEventListener* listener) = 0;
  virtual void setMenu(IPopupMenu* menu) = 0;
  virtual void setTrayMenu(win::PopupMenu* menu) = 0;
  /// WM_USER+1 to the frame, sent: waits and answers the listener's result (0 without a frame
  /// or when the window's thread has ended).
  virtual int64_t sendUserEvent(int64_t arg1, int64_t arg2, int64_t arg3, int64_t arg4) = 0;
  /// The same, posted: returns at once (0; 1 when posted). The message carries its own copy of
  /// the arguments.
  virtual int64_t postUserEvent(int64_t arg1, int64_t arg2, int64_t arg3, int64_t arg4) = 0;
  virtual int64_t getUserEventArg1() = 0;
  virtual int64_t getUserEventArg2() = 0;
  virtual int64_t getUserEventArg3() = 0;
  virtual int64_t getUserEventArg4() = 0;
  virtual void setUserEventResult(int64_t result) = 0;
  virtual void addUserEventListener(events::IEventListener* listener) = 0;
  virtual void requestFocus() = 0;
  virtual void setContextMenu(win::PopupMenu* menu, bool owned) = 0;
  virtual bool isSizingLeft() = 0;
  virtual bool isSizingRight() = 0;
  virtual bool isSizingTop() = 0;
  virtual bool isSizingBottom() = 0;
  virtual bool isSizingTopLeft() = 0;
  virtual bool isSizingTopRight() = 0;
  virtual bool isSizingBottomLeft() = 0;
  virtual bool isSizingBottomRight() = 0;
  virtual int32_t getSizingLeft() = 0;
  virtual void setSizingLeft(int32_t left) = 0;
  virtual int32_t getSizingRight() = 0;
  virtual void setSizingRight(int32_t right) = 0;
  virtual int32_t getSizingTop() = 0;
  virtual void setSizingTop(int32_t top) = 0;
  virtual int32_t getSizingBottom() = 0;
  virtual void setSizingBottom(int32_t bottom) = 0;
  virtual void addSizingListener(events::IEventListener* listener) = 0;
  virtual void setWindowDrawer(drawer::IWindow* drawer, bool owned) = 0;
  virtual void setFixedWidth(int32_t width) = 0;
  virtual void setFixedHeight(int32_t height) = 0;
  virtual void enforceMinimumSize(bool on) = 0;
  virtual void enforceMinimumSize(bool width, bool height) = 0;
  virtual void fitToPreferredSize() = 0;
  virtual void packWidth() = 0;
  virtual void pack() = 0;
  virtual void packMaximum() = 0;
  virtual int32_t getKeyCode() = 0;
  virtual void addMouseMoveListener(events::IEventListener* listener) = 0;
  virtual void addMouseWheelListener(events::IEventListener* listener) = 0;
  virtual int32_t getWheelLines() = 0;
  virtual int32_t getFrameWidth() = 0;
  virtual int32_t getFrameHeight() = 0;
  virtual void setMinimumWidth(int32_t width) = 0;
  virtual void setMinimumHeight(int32_t height) = 0;
  virtual void sendTab() = 0;
  virtual void showInformation(const WCHAR* text) = 0;
  virtual void showError(const WCHAR* text) = 0;
  virtual bool askYesNo(const WCHAR* text) = 0;
  virtual void applySettings(app::IAppWindow* record, bool withVersion) = 0;
  virtual void storeSettings(bool hide) = 0;
  virtual void setMiddleClickAction(const WCHAR* action) = 0;
  virtual bool isOnScreen() = 0;
  virtual void moveOnScreen() = 0;
  virtual void show(bool show, bool activate) = 0;
  virtual void addInstanceListener(events::IEventListener* listener) = 0;
  virtual void setOpacity(int32_t percent, bool onlyOnTop) = 0;
  virtual void setAutoShrink(bool on, bool shrink, bool onlyOnTop, int32_t delaySeconds,
                             int32_t width, int32_t height, bool shiftKeepsShown) = 0;
  virtual bool isShrunk() = 0;
  virtual bool isFaded() = 0;
  virtual bool isAutoHidden() = 0;
  virtual void setOnScreenCheck(bool on) = 0;
  virtual void setKeepInsideScreen(bool on) = 0;
  virtual void captureMouse() = 0;
  virtual int32_t getCaptureX() = 0;
  virtual int32_t getCaptureY() = 0;
  virtual void addCaptureChangedListener(events::IEventListener* listener) = 0;
  virtual void setFollowCursor(bool on) = 0;
  virtual void setTrayClickToggles(bool on) = 0;
  virtual void setHideCursor(bool on) = 0;
  virtual void setPassDoubleClick(bool on) = 0;
  virtual void addLanguageListener(events::IEventListener* listener) = 0;
  virtual bool isSuspended() = 0;
  virtual bool isShuttingDown() = 0;
  /// Registers a system-wide hot key under `name` (false without a frame or when the key is
  /// taken; with `showError` the user is told which key).
  virtual bool registerHotKey(bool alt, bool ctrl, bool shift, bool winKey, int32_t key,
                              const WCHAR* name, bool showError) = 0;
  virtual void unregisterHotKey(const WCHAR* name) = 0;
  virtual void unregisterAllHotKeys() = 0;
  virtual void addHotKeyListener(events::IEventListener* listener) = 0;
  virtual bool isFiredHotKey(const WCHAR* name) = 0;
  virtual bool startTimer(int64_t id, int32_t milliseconds) = 0;
  virtual void stopTimer(int64_t id) = 0;
  virtual void addTimerListener(events::IEventListener* listener) = 0;
  virtual int64_t getFiredTimerId() = 0;
  virtual void consumeTimer() = 0;
  virtual bool saveScreenBelowAsGif(const WCHAR* path) = 0;
  virtual void setClipboardViewer(bool on) = 0;
  virtual void addClipboardListener(events::IEventListener* listener) = 0;
  virtual HWND getHandle() = 0;
};

}  // namespace s::gui
