// The thin group-box drawer: bands of the display scale's thickness.
#pragma once

#include "gui/drawer/IGroupBox.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::groupbox {

/// Every operation is the kind's.
class IThin : public drawer::IGroupBox {};

}  // namespace s::gui::drawer::groupbox
