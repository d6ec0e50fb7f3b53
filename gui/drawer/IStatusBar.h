// The kind of the status-bar drawers.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints a status bar's background and answers its height in pixels.
class IStatusBar : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual int32_t getHeight() = 0;
};

}  // namespace s::gui::drawer
