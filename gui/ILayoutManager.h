// The interface of the objects that lay out a container's children.
#pragma once

#include "core/base/IObject.h"

namespace s::gui {

class IContainer;

/// Sizes and places the children of a container inside its client area. Layout objects hold no
/// state; containers point to a shared instance and never own it.
class ILayoutManager : public base::IObject {
 public:
  virtual void layout(IContainer* container) = 0;
};

}  // namespace s::gui
