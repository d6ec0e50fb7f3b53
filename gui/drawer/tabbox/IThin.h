// The thin tab-box drawer.
#pragma once

#include "gui/drawer/ITabBox.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::tabbox {

/// Every operation is the kind's.
class IThin : public drawer::ITabBox {};

}  // namespace s::gui::drawer::tabbox
