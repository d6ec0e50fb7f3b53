// The thin radio-button drawer.
#pragma once

#include "gui/drawer/IRadioButton.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::radiobutton {

/// Every operation is the kind's.
class IThin : public drawer::IRadioButton {};

}  // namespace s::gui::drawer::radiobutton
