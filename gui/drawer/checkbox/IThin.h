// The thin check-box drawer.
#pragma once

#include "gui/drawer/ICheckBox.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::checkbox {

/// Every operation is the kind's.
class IThin : public drawer::ICheckBox {};

}  // namespace s::gui::drawer::checkbox
