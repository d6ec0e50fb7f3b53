// The drawer of the etched line under a window's menu bar.
#pragma once

#include "gui/drawer/IDrawer.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::border {

/// Paints only through `paint`.
class IUnderWindowMenu : public drawer::IDrawer {};

}  // namespace s::gui::drawer::border
