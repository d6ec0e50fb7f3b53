// The basic image drawer: an image placed in a widget, framed or not.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/image/IBasic.h"

#include <windows.h>

namespace s::gui::drawer::image::win {

/// Draws a buffered image (its filtered result when it has filters) into the rectangle, one
/// pixel inside a black frame when asked; with overlay, an image with alpha is composed into the
/// widget's back buffer instead, so its transparent parts show what lies under it. Other kinds of
/// image, and a missing one, draw nothing. No fields. Pooled (capacity 1000); the image widget
/// takes one as its default drawer. The image is used on the painting thread only.
class Basic final : public IBasic {
  S_POOLED_CLASS(Basic, u"s_gui_drawer_image_win_Basic")

  Basic() = default;
  void reset() override {}

  void paint(CDC* dc, ::s::image::win::BufferedImage* backBuffer, int32_t left, int32_t top,
             int32_t right, int32_t bottom, ::s::image::IImage* image, bool stretch, bool border,
             bool overlay) override;
};

}  // namespace s::gui::drawer::image::win
