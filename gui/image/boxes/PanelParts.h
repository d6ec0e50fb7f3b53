// What the option panels share: their captions, their lengths at the display scale and the
// clean-up of a build that failed halfway.
#pragma once

#include <winnt.h>

#include <cstdint>

namespace s::gui::win {
class Window;
}

namespace s::image::gui::boxes {

/// The language text `id` of the owner window's localizer when it has one for that id, else
/// `english`; a caption never goes blank for a pack that lacks the panels' texts.
const WCHAR* captionText(s::gui::win::Window* owner, int32_t id, const WCHAR* english);
/// `length` at the display scale (1, 2 or 4).
int32_t scaled(int32_t length);

/// Gives each of `objects` that is not null back to its pool.
template <class... T>
void releaseAll(T*... objects) {
  ((objects != nullptr ? objects->release() : void()), ...);
}

}  // namespace s::image::gui::boxes
