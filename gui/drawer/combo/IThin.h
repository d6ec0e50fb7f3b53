// The thin combo-box drawer.
#pragma once

#include "gui/drawer/ICombo.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::combo {

/// Every operation is the kind's.
class IThin : public drawer::ICombo {};

}  // namespace s::gui::drawer::combo
