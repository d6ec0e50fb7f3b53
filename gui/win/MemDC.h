// The memory device context over an image in which the toolkit's own painting happens.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <windows.h>
#include <afxwin.h>

namespace s::image::win {
class BufferedImage;
}

namespace s::gui::win {

/// A memory DC compatible with a window's DC, with an image's bitmap selected into it: drawers
/// paint into the image with ordinary GDI calls through the `CDC`, and the caller copies the
/// image to the screen once. Text output and visibility queries act on the memory DC.
///
/// Pool capacity 0: releasing the context destroys it, deleting its DC; an image given as owned
/// goes back to its pool with it, any other image outlives it. One thread at a time (the UI
/// thread that paints).
class MemDC final : public base::IObject, public virtual thread::IPoolable, public CDC {
  S_POOLED_CLASS(MemDC, u"s_gui_win_MemDC", 0)

  MemDC() = default;
  ~MemDC() override;
  MemDC(const MemDC&) = delete;
  MemDC& operator=(const MemDC&) = delete;

  /// A context compatible with `window`'s DC (the screen's for null) with `image`'s bitmap
  /// selected, when an image is given (else the DC's own one-pixel bitmap); null when no DC
  /// could be made. The caller releases it.
  static MemDC* forImage(HWND window, image::win::BufferedImage* image, bool owned);

  /// Selects the previous bitmap back and lets go of the image (giving it back when owned).
  void reset() override;
  uint32_t hashCode() const override { return base::IObject::hashCode(); }
  image::win::BufferedImage* getImage() const { return m_image; }

 private:
  bool m_ownsImage = false;
  image::win::BufferedImage* m_image = nullptr;
  HGDIOBJ m_previousObject = nullptr;
};

}  // namespace s::gui::win
