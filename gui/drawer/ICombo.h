// The kind of the combo-box drawers: the face, its text and its drop arrow.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Paints a combo box's face in a button state (0 normal, 1 raised, 2 pushed or open) with its
/// text. Colour setters keep the low 8 bits of each channel and return the red byte.
class ICombo : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t state, const WCHAR* text, IFont* font, bool enabled) = 0;
  virtual int32_t setTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setDisabledTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t setFrameColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void applyToFonts(IFont* normal, IFont* disabled) = 0;
};

}  // namespace s::gui::drawer
