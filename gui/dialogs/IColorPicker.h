// The interface of the colour dialog. Colours here are 0xRRGGBB, not the system's 0x00BBGGRR.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::gui {
class IComponent;
}

namespace s::gui::dialogs {

/// Asks the user for a colour. The operations keep their virtual order after the object's.
class IColorPicker : public base::IObject, public virtual thread::IPoolable {
 public:
  /// Shows the dialog fully open on the current colour, owned by `owner`'s window (may be null);
  /// true when the user chose, and the chosen colour is then kept.
  virtual bool run(IComponent* owner) = 0;
  /// The chosen colour as 0xRRGGBB.
  virtual int32_t getColor() = 0;
  /// The chosen colour's channels; 0 until a colour was chosen.
  virtual int32_t getRed() = 0;
  virtual int32_t getGreen() = 0;
  virtual int32_t getBlue() = 0;
  /// The colour the dialog opens on.
  virtual void setColor(int32_t red, int32_t green, int32_t blue) = 0;
};

}  // namespace s::gui::dialogs
