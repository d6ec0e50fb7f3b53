// What the toolkit's child windows share.
#include "gui/win/ChildWindow.h"

#include "core/col/array/ArrayP.h"
#include "gui/IWindow.h"
#include "gui/events/IEventListener.h"
#include "gui/win/MemDC.h"
#include "imaging/win/BufferedImage.h"

#include <afxwin.h>

#include <algorithm>

namespace s::gui::win {

HWND nativeHandleOf(IComponent* component) {
  if (component == nullptr) {
    return nullptr;
  }
  if (auto* native = dynamic_cast<CWnd*>(component)) {
    return native->GetSafeHwnd();
  }
  return nullptr;
}

void notifyListeners(const col::_array::ArrayP& listeners, base::IObject* source, int32_t eventId) {
  const uint32_t count = listeners.getCount();
  for (uint32_t i = 0; i < count && i < listeners.getCount(); ++i) {
    static_cast<events::IEventListener*>(listeners.getItems()[i])->onEvent(source, eventId);
  }
}

image::win::BufferedImage* fitBackBuffer(image::win::BufferedImage* current, int32_t width,
                                         int32_t height) {
  if (current == nullptr) {
    return image::win::BufferedImage::takeSized(width, height);
  }
  const int64_t area = int64_t{width} * height;
  const int64_t capacity = int64_t{current->getCapacityWidth()} * current->getCapacityHeight();
  if (area * 10 < capacity * 7) {
    current->release();
    return image::win::BufferedImage::takeSized(width, height);
  }
  if (current->getCapacityWidth() < width || current->getCapacityHeight() < height) {
    current->ensureCapacity(width, height);
    current->setSize(current->getCapacityWidth(), current->getCapacityHeight());
  }
  return current;
}

bool copyParentPixels(HWND self, IComponent* parent, HDC target, int32_t width, int32_t height) {
  if (parent == nullptr) {
    return false;
  }
  int32_t x = 0;
  int32_t y = 0;
  image::win::BufferedImage* image = parent->getBackBuffer(&x, &y);
  HWND parentHandle = nativeHandleOf(parent);
  if (image == nullptr || parentHandle == nullptr) {
    return false;
  }
  POINT corner{0, 0};
  ::MapWindowPoints(self, parentHandle, &corner, 1);
  MemDC* source = MemDC::forImage(self, image, false);
  if (source == nullptr) {
    return false;
  }
  ::BitBlt(target, 0, 0, width, height, source->m_hDC, x + corner.x, y + corner.y, SRCCOPY);
  source->release();
  return true;
}

image::win::BufferedImage* backBufferOf(HWND self, image::win::BufferedImage* own,
                                        IComponent* parent, int32_t* x, int32_t* y) {
  if (own != nullptr) {
    if (x != nullptr) {
      *x = 0;
    }
    if (y != nullptr) {
      *y = 0;
    }
    return own;
  }
  if (parent == nullptr) {
    return nullptr;
  }
  image::win::BufferedImage* image = parent->getBackBuffer(x, y);
  HWND parentHandle = nativeHandleOf(parent);
  if (image != nullptr && self != nullptr && parentHandle != nullptr) {
    POINT corner{0, 0};
    ::MapWindowPoints(self, parentHandle, &corner, 1);
    if (x != nullptr) {
      *x += corner.x;
    }
    if (y != nullptr) {
      *y += corner.y;
    }
  }
  return image;
}

HBRUSH answerControlColor(IComponent* component, HDC dc, HBRUSH* brush, COLORREF textColor) {
  if (*brush != nullptr) {
    ::DeleteObject(*brush);
    *brush = nullptr;
  }
  HBRUSH answer;
  IComponent* parent = component->getParent();
  if (component->isParentBackground() && parent == nullptr) {
    answer = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    ::SetBkMode(dc, TRANSPARENT);
  } else {
    const COLORREF colour = component->isParentBackground()
                                ? IComponent::getEffectiveBackgroundColor(parent)
                                : component->getBackgroundColor();
    *brush = ::CreateSolidBrush(colour);
    answer = *brush;
    ::SetBkColor(dc, colour);
  }
  if (textColor != CLR_INVALID) {
    ::SetTextColor(dc, textColor);
  }
  return answer;
}

void ChildPlacement::apply(HWND window, bool visible, UINT flags) const {
  if (window == nullptr) {
    return;
  }
  ::SetWindowPos(window, nullptr, x + offsetX, y + offsetY, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | flags | (visible ? SWP_SHOWWINDOW : 0));
}

void ChildPlacement::setLocation(HWND window, bool visible, int32_t newX, int32_t newY) {
  x = newX;
  y = newY;
  if (inBatch) {
    pending = true;
  } else {
    apply(window, visible, SWP_NOSIZE);
  }
}

void ChildPlacement::setSize(HWND window, bool visible, int32_t newWidth, int32_t newHeight) {
  width = newWidth;
  height = newHeight;
  if (inBatch) {
    pending = true;
  } else {
    apply(window, visible, SWP_NOMOVE);
  }
}

void ChildPlacement::setBounds(HWND window, bool visible, int32_t newX, int32_t newY,
                               int32_t newWidth, int32_t newHeight) {
  x = newX;
  y = newY;
  width = newWidth;
  height = newHeight;
  if (inBatch) {
    pending = true;
  } else {
    apply(window, visible, 0);
  }
}

void ChildPlacement::setOffset(HWND window, bool visible, int32_t dx, int32_t dy) {
  offsetX = dx;
  offsetY = dy;
  if (inBatch) {
    pending = true;
  } else {
    apply(window, visible, SWP_NOSIZE);
  }
}

void ChildPlacement::endBatch(HWND window, bool visible) {
  inBatch = false;
  if (pending) {
    pending = false;
    apply(window, visible, 0);
  }
}

int32_t ContainerLimits::minimumWidth() const {
  return fixedWidth >= 0 ? fixedWidth : insetLeft + insetRight + contentMinWidth;
}

int32_t ContainerLimits::minimumHeight() const {
  return fixedHeight >= 0 ? fixedHeight : insetTop + insetBottom + contentMinHeight;
}

int32_t ContainerLimits::maximumWidth(IComponent* parent) const {
  if (fixedWidth >= 0) {
    return fixedWidth;
  }
  if (widthPercent >= 0 && parent != nullptr) {
    return parent->getClientWidth() * widthPercent / 100;
  }
  return insetLeft + insetRight + std::max(contentMinWidth, contentMaxWidth);
}

int32_t ContainerLimits::maximumHeight(IComponent* parent) const {
  if (fixedHeight >= 0) {
    return fixedHeight;
  }
  if (heightPercent >= 0 && parent != nullptr) {
    return parent->getClientHeight() * heightPercent / 100;
  }
  return insetTop + insetBottom + std::max(contentMinHeight, contentMaxHeight);
}

int32_t ContainerLimits::innerWidth(int32_t width) const {
  return std::max(0, width - insetLeft - insetRight);
}

int32_t ContainerLimits::innerHeight(int32_t height) const {
  return std::max(0, height - insetTop - insetBottom);
}

RECT screenRectOf(HWND window) {
  RECT r{0, 0, 0, 0};
  if (window != nullptr) {
    ::GetWindowRect(window, &r);
  }
  return r;
}

bool screenRectHolds(HWND window, bool visible, int32_t x, int32_t y) {
  if (!visible || window == nullptr) {
    return false;
  }
  const RECT r = screenRectOf(window);
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

COLORREF lightBackgroundColor() {
  const COLORREF text = ::GetSysColor(COLOR_INACTIVECAPTIONTEXT);
  auto lighten = [](int32_t c) { return 255 - (255 - c) / 2; };
  return RGB(lighten(GetRValue(text)), lighten(GetGValue(text)), lighten(GetBValue(text)));
}

}  // namespace s::gui::win
