// The memory device context over an image.
#include "gui/win/MemDC.h"

#include "imaging/win/BufferedImage.h"

namespace s::gui::win {

MemDC::~MemDC() {
  reset();
  if (m_hDC != nullptr) {
    ::DeleteDC(Detach());
  }
}

MemDC* MemDC::forImage(HWND window, image::win::BufferedImage* image, bool owned) {
  MemDC* context = take();
  if (context == nullptr) {
    return nullptr;
  }
  HDC windowDc = ::GetDC(window);
  HDC memory = ::CreateCompatibleDC(windowDc);
  ::ReleaseDC(window, windowDc);
  if (memory == nullptr || !context->Attach(memory)) {
    if (memory != nullptr) {
      ::DeleteDC(memory);
    }
    context->release();
    return nullptr;
  }
  context->m_image = image;
  context->m_ownsImage = owned;
  if (image != nullptr) {
    context->m_previousObject = ::SelectObject(memory, image->getHBitmap());
  }
  return context;
}

void MemDC::reset() {
  if (m_image != nullptr) {
    if (m_hDC != nullptr && m_previousObject != nullptr) {
      ::SelectObject(m_hDC, m_previousObject);
    }
    if (m_ownsImage) {
      m_image->release();
    }
    m_image = nullptr;
  }
  m_previousObject = nullptr;
  m_ownsImage = false;
}

}  // namespace s::gui::win
