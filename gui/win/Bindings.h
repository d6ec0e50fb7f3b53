// What the check box and the radio button share: their cached binding listeners and their
// measuring device context.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "gui/IComponent.h"
#include "gui/events/IEventListener.h"
#include "gui/win/Font.h"

#include <windows.h>

namespace s::gui::win {

/// Adds `target` to the cached listener of kind `L`, first taking one from its pool that hears
/// `source` and joining it to `listeners`.
template <class L>
void bindTarget(L*& cache, base::IObject* source, col::_array::ArrayP& listeners,
                IComponent* target) {
  if (cache == nullptr) {
    cache = L::take();
    if (cache == nullptr) {
      return;
    }
    cache->setSource(source);
    listeners.push(static_cast<events::IEventListener*>(cache));
  }
  cache->addTarget(target);
}

/// Gives a cached binding listener back to its pool.
template <class L>
void releaseBinding(L*& cache) {
  if (cache != nullptr) {
    cache->release();
    cache = nullptr;
  }
}

/// A device context of `window` (the screen's while it has none) with `font` selected, given
/// back when the holder goes.
class FontDC {
 public:
  FontDC(HWND window, Font& font) : m_window(window), m_dc(::GetDC(window)) {
    if (m_dc != nullptr) {
      m_previous = ::SelectObject(m_dc, font.getHandle());
    }
  }
  ~FontDC() {
    if (m_dc != nullptr) {
      ::SelectObject(m_dc, m_previous);
      ::ReleaseDC(m_window, m_dc);
    }
  }
  FontDC(const FontDC&) = delete;
  FontDC& operator=(const FontDC&) = delete;
  HDC get() const { return m_dc; }

 private:
  HWND m_window;
  HDC m_dc;
  HGDIOBJ m_previous = nullptr;
};

}  // namespace s::gui::win
