// The persisted description of an application window, as the toolkit sees it: its name, its
// stored bounds and view flags, its skin and its taskbar progress.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

#include <cstdint>

namespace s::app::win {
class AppBase;
}
namespace s::lang {
class Localizer;
}
namespace s::gui {
class IWindow;
}
namespace s::gui::drawer {
class ISkinner;
}

namespace s::app {

/// One window's settings in the application's settings store, under sections named after the
/// window. The application implements it; a window holds one (not owned) once `applySettings`
/// gave it. The operations keep their virtual order after the object operations. Texts answered
/// stay valid until the description's next call.
class IAppWindow : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual win::AppBase* getAppBase() = 0;
  virtual const WCHAR* getName() = 0;
  /// The window's name, "\" and `subSection`; valid until the next call.
  virtual const WCHAR* makeSettingsKey(const WCHAR* subSection) = 0;
  virtual int32_t getTitleTextId() = 0;
  virtual lang::Localizer* getLocalizer() = 0;
  virtual bool hasSkinner() = 0;
  virtual gui::drawer::ISkinner* getSkinner() = 0;
  virtual const WCHAR* getSkinName() = 0;
  virtual void setSkinName(const WCHAR* name) = 0;
  /// Both "X" and "Y" are stored.
  virtual bool hasPosition() = 0;
  virtual void setBounds(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual void setSize(int32_t width, int32_t height) = 0;
  virtual void deleteBounds() = 0;
  virtual bool hasX() = 0;
  virtual int32_t getX() = 0;
  virtual void setX(int32_t x) = 0;
  virtual bool hasY() = 0;
  virtual int32_t getY() = 0;
  virtual void setY(int32_t y) = 0;
  virtual bool isWidthValid() = 0;
  virtual bool hasWidth() = 0;
  virtual int32_t getWidth() = 0;
  virtual void setWidth(int32_t width) = 0;
  virtual bool isHeightValid() = 0;
  virtual bool hasHeight() = 0;
  virtual int32_t getHeight() = 0;
  virtual void setHeight(int32_t height) = 0;
  virtual bool isEasyDrag() = 0;
  virtual void setEasyDrag(bool on) = 0;
  virtual bool isMaximized() = 0;
  virtual void setMaximized(bool on) = 0;
  virtual bool isKeepOnTop() = 0;
  virtual void setKeepOnTop(bool on) = 0;
  virtual bool isCloseOnMClick() = 0;
  virtual bool isIconizeOnMClick() = 0;
  /// "Close", "Iconize" or "DoNothing".
  virtual const WCHAR* getOnMClick() = 0;
  virtual void setOnMClick(const WCHAR* action) = 0;
  virtual void checkForUpdate(gui::IWindow* owner) = 0;
  virtual void beginTaskbarProgress(gui::IWindow* window) = 0;
  virtual void setTaskbarProgress(gui::IWindow* window, int32_t total, int32_t done) = 0;
  virtual void endTaskbarProgress(gui::IWindow* window) = 0;
};

}  // namespace s::app
