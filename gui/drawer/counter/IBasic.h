// The basic counter drawer.
#pragma once

#include "gui/drawer/ICounter.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::counter {

/// Every operation is the kind's.
class IBasic : public drawer::ICounter {};

}  // namespace s::gui::drawer::counter
