// The drawer of a status bar's size grip.
#pragma once

#include "gui/drawer/IDrawer.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::statusbar {

/// Paints the grip's dots into the bottom right corner through `paint`.
class IBasicResizer : public drawer::IDrawer {};

}  // namespace s::gui::drawer::statusbar
