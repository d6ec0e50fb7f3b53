// The interface of a format's option panel, which the GUI toolkit builds.
#pragma once

#include "core/base/IObject.h"

#include <winnt.h>

namespace s::gui::win {
class Box;
class Window;
}  // namespace s::gui::win

namespace s::image::gui {

/// An option panel of one image format (built by the GUI toolkit; imaging only holds it).
class IEncodeSettingBox : public base::IObject {
 public:
  virtual void setOwnerWindow(s::gui::win::Window* window) = 0;
  /// Builds the panel's widgets and answers its root box.
  virtual s::gui::win::Box* buildPanel() = 0;
  /// The format's name text.
  virtual const WCHAR* getName() = 0;
  virtual void setName(const WCHAR* name) = 0;
};

}  // namespace s::image::gui
