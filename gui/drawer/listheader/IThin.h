// The thin list-header drawer.
#pragma once

#include "gui/drawer/IListHeader.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::listheader {

/// Every operation is the kind's.
class IThin : public drawer::IListHeader {};

}  // namespace s::gui::drawer::listheader
