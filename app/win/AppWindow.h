// The persisted description of one application window: its settings sections, bounds, view
// flags, middle-click action, skin name, taskbar progress and the update check.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/app/IAppWindow.h"

struct ITaskbarList3;

namespace s::str::strbuffer {
class StrBuffer;
}
namespace s::map {
class IMappedData;
}

namespace s::app::win {

/// One window's settings in the application's store, under sections named name + "\" + a
/// sub-section. The bounds live in the view section of the display scale ("View", "View4K",
/// "View8K"), the view flags always in "View", so each scale keeps its own position and size.
///
/// Taken from its pool (capacity 1000) and given back by its owner; it owns its name, its
/// skinner when it was given one of its own, and the taskbar list. It holds no lock: the
/// settings are read and written from the application thread and the window's UI thread in
/// turn, and a key made by `makeSettingsKey` is used at once.
class AppWindow final : public IAppWindow {
  S_POOLED_CLASS(AppWindow, u"s_app_win_AppWindow")

  /// How long `checkForUpdate` waits for the version page, in milliseconds.
  static constexpr int32_t kUpdateTimeoutMs = 8000;
  /// Hours between two update checks (30 days).
  static constexpr int32_t kUpdateIntervalHours = 720;
  /// Texts of the update question.
  static constexpr int32_t kNewerVersionTextId = 400200;
  static constexpr int32_t kImprovedVersionTextId = 400210;
  static constexpr int32_t kCheckItOutTextId = 400230;

  AppWindow();
  ~AppWindow() override;
  AppWindow(const AppWindow&) = delete;
  AppWindow& operator=(const AppWindow&) = delete;

  /// Releases the taskbar list and an owned skinner and returns to the reset values.
  void reset() override;

  /// Describes the window `name` of `appBase` and writes the product's identity under it.
  /// `skinner` is owned from now on unless it is the application's own (or both are none);
  /// `defaultSkinName` is the default of an owned skinner's skin name.
  void initialize(AppBase* appBase, const WCHAR* name, const WCHAR* edition, int32_t defaultWidth,
                  int32_t defaultHeight, const WCHAR* middleClickDefault,
                  gui::drawer::ISkinner* skinner, const WCHAR* defaultSkinName);

  /// The sub-section that holds the bounds for a display scale.
  static const WCHAR* viewSectionFor(uint32_t scale);
  const WCHAR* getViewSection() const { return m_viewSection; }
  bool ownsSkinner() const { return m_ownsSkinner; }
  int32_t getDefaultWidth() const { return m_defaultWidth; }
  int32_t getDefaultHeight() const { return m_defaultHeight; }

  AppBase* getAppBase() override { return m_appBase; }
  const WCHAR* getName() override;
  const WCHAR* makeSettingsKey(const WCHAR* subSection) override;
  int32_t getTitleTextId() override { return m_titleTextId; }
  lang::Localizer* getLocalizer() override;
  bool hasSkinner() override { return m_skinner != nullptr; }
  gui::drawer::ISkinner* getSkinner() override { return m_skinner; }
  const WCHAR* getSkinName() override;
  void setSkinName(const WCHAR* name) override;
  bool hasPosition() override { return hasX() && hasY(); }
  void setBounds(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void setSize(int32_t width, int32_t height) override;
  void deleteBounds() override;
  bool hasX() override { return hasViewValue(u"X"); }
  int32_t getX() override { return getViewValue(u"X", 0); }
  void setX(int32_t x) override { setViewValue(u"X", x); }
  bool hasY() override { return hasViewValue(u"Y"); }
  int32_t getY() override { return getViewValue(u"Y", 0); }
  void setY(int32_t y) override { setViewValue(u"Y", y); }
  bool isWidthValid() override;
  bool hasWidth() override { return hasViewValue(u"Width"); }
  int32_t getWidth() override { return getViewValue(u"Width", m_defaultWidth); }
  void setWidth(int32_t width) override { setViewValue(u"Width", width); }
  bool isHeightValid() override;
  bool hasHeight() override { return hasViewValue(u"Height"); }
  int32_t getHeight() override { return getViewValue(u"Height", m_defaultHeight); }
  void setHeight(int32_t height) override { setViewValue(u"Height", height); }
  bool isEasyDrag() override { return getFlag(u"EasyDrag", m_easyDragDefault); }
  void setEasyDrag(bool on) override { setFlag(u"EasyDrag", on); }
  bool isMaximized() override { return getFlag(u"Maximized", m_maximizedDefault); }
  void setMaximized(bool on) override { setFlag(u"Maximized", on); }
  bool isKeepOnTop() override { return getFlag(u"KeepOnTop", m_keepOnTopDefault); }
  void setKeepOnTop(bool on) override { setFlag(u"KeepOnTop", on); }
  bool isCloseOnMClick() override;
  bool isIconizeOnMClick() override;
  const WCHAR* getOnMClick() override;
  void setOnMClick(const WCHAR* action) override;
  /// Once in 30 days, asks the version page whether a newer version exists and offers the
  /// product page when it does. Nothing at all while the pack gives no version page address.
  void checkForUpdate(gui::IWindow* owner) override;
  void beginTaskbarProgress(gui::IWindow* window) override;
  void setTaskbarProgress(gui::IWindow* window, int32_t total, int32_t done) override;
  void endTaskbarProgress(gui::IWindow* window) override;

  /// The reply rule of the update check: a reply of at least five characters that begins with
  /// "*" and does not contain `version` announces a newer version.
  static bool announcesNewerVersion(const WCHAR* reply, const WCHAR* version);

 private:
  map::IMappedData* store();
  /// One of the three actions for a text equal to it ignoring case, else null.
  static const WCHAR* matchAction(const WCHAR* text);
  /// Reads "OnMClick" (default: the current action).
  const WCHAR* readOnMClick();
  bool hasViewValue(const WCHAR* key);
  int32_t getViewValue(const WCHAR* key, int32_t defaultValue);
  void setViewValue(const WCHAR* key, int32_t value);
  bool getFlag(const WCHAR* key, bool defaultValue);
  void setFlag(const WCHAR* key, bool on);
  static HWND handleOf(gui::IWindow* window);

  str::strbuffer::StrBuffer* m_scratch1;
  str::strbuffer::StrBuffer* m_scratch2;
  AppBase* m_appBase = nullptr;
  str::strbuffer::StrBuffer* m_name;
  const WCHAR* m_viewSection = u"View";
  const WCHAR* m_editionName = u"Freeware";
  int32_t m_titleTextId = 500000;
  lang::Localizer* m_localizer = nullptr;
  gui::drawer::ISkinner* m_skinner = nullptr;
  bool m_ownsSkinner = false;
  str::strbuffer::StrBuffer* m_defaultSkinName;
  int32_t m_defaultWidth = 500;
  int32_t m_defaultHeight = 500;
  bool m_easyDragDefault = true;
  bool m_maximizedDefault = false;
  bool m_keepOnTopDefault = false;
  const WCHAR* m_middleClick = u"Close";
  ITaskbarList3* m_taskbar = nullptr;
};

}  // namespace s::app::win
