// The basic group-box drawer: one-pixel frame lines.
#pragma once

#include "gui/drawer/IGroupBox.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::groupbox {

/// Every operation is the kind's.
class IBasic : public drawer::IGroupBox {};

}  // namespace s::gui::drawer::groupbox
