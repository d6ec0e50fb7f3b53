// What the toolkit's dialogs build alike: their frame and the fixed gaps between their parts.
#pragma once

#include "gui/app/IAppWindow.h"
#include "gui/win/Spacer.h"
#include "gui/win/Window.h"

#include <cstdint>

namespace s::gui::dialogs {

/// A gap of `size` pixels down a column (`vertical`) or along a row; null when none is left.
inline win::Spacer* makeGap(bool vertical, int32_t size) {
  win::Spacer* gap = win::Spacer::take();
  if (gap == nullptr) {
    return nullptr;
  }
  if (vertical) {
    gap->setVertical();
    gap->setFixedHeight(size);
  } else {
    gap->setFixedWidth(size);
  }
  return gap;
}

/// Sets up a dialog's frame taken from the pool: no client edge, no maximise or minimise box,
/// its options, position and size from `description`, or `width` x `height` without one. False
/// (the window given back) when the frame could not be made.
inline bool setUpDialogFrame(win::Window* window, bool resizable, app::IAppWindow* description,
                             int32_t width, int32_t height) {
  if (window == nullptr || window->getHandle() == nullptr) {
    if (window != nullptr) {
      window->release();
    }
    return false;
  }
  window->setResizable(resizable);
  window->setClientEdge(false);
  window->setMaximizeBox(false);
  window->setMinimizeBox(false);
  if (description != nullptr) {
    window->applySettings(description, false);
  } else {
    window->setSize(width, height);
  }
  return true;
}

}  // namespace s::gui::dialogs
