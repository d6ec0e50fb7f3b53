// Sharpening and blurring by a signed level, a filter of the image's filter list.
#include "imaging/filters/sharpness/Sharpness.h"

#include "imaging/filters/convolution/Convolution.h"
#include "imaging/win/BufferedImage.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>

namespace s::image::filters::sharpness {

using convolution::Convolution;
using image::win::BufferedImage;

namespace {

/// The kernel of a level, or null for a level that only copies.
Convolution* kernelOf(int32_t level) {
  if (level == 0 || level >= Sharpness::kFirstInvalidLevel) {
    return nullptr;
  }
  if (level < 0) {
    const float p = -static_cast<float>(std::max(level, Sharpness::kMinLevel));
    const auto c = static_cast<int32_t>(p / 100.0f * 100.0f);
    const auto e = static_cast<int32_t>(p / 100.0f * 200.0f);
    return Convolution::make(c, e, c, e, 400, e, c, e, c);
  }
  const auto e = static_cast<int32_t>(static_cast<float>(level) / 100.0f * -180.0f);
  return Convolution::make(0, e, 0, e, 1100, e, 0, e, 0);
}

}  // namespace

Sharpness::Sharpness() { reset(); }

Sharpness::Sharpness(int32_t level) : Sharpness() { setLevel(level); }

Sharpness::~Sharpness() { delete m_kernel; }

void Sharpness::reset() {
  m_ownedByList = true;
  setLevel(0);
}

const WCHAR* Sharpness::key() {
  static const WCHAR* const s_key = u"Sharpness";
  return s_key;
}

Sharpness* Sharpness::takeLevel(int32_t level) {
  Sharpness* sharpness = take();
  if (sharpness != nullptr) {
    sharpness->setLevel(level);
  }
  return sharpness;
}

void Sharpness::setLevel(int32_t level) {
  Convolution* kernel = kernelOf(level);
  Convolution* previous = nullptr;
  {
    std::lock_guard<thread::ObjLocker> guard(m_lock);
    m_level = level;
    previous = m_kernel;
    m_kernel = kernel;
  }
  if (previous != nullptr) {
    previous->release();
  }
}

bool Sharpness::hasKernel() {
  std::lock_guard<thread::ObjLocker> guard(m_lock);
  return m_kernel != nullptr;
}

int32_t Sharpness::getWeight(int32_t index) {
  std::lock_guard<thread::ObjLocker> guard(m_lock);
  return m_kernel != nullptr && index >= 0 && index < 9 ? m_kernel->getWeight(index) : 0;
}

int32_t Sharpness::getDivisor() {
  std::lock_guard<thread::ObjLocker> guard(m_lock);
  return m_kernel != nullptr ? m_kernel->getDivisor() : 0;
}

BufferedImage* Sharpness::filter(BufferedImage* source, BufferedImage* destination) {
  if (source == nullptr) {
    return nullptr;
  }
  if (destination == nullptr) {
    destination = BufferedImage::take();
    if (destination == nullptr) {
      return nullptr;
    }
  }
  source->copy(destination);
  const int32_t width = destination->isEmpty() ? 0 : destination->getWidth();
  const int32_t height = destination->isEmpty() ? 0 : destination->getHeight();
  {
    std::lock_guard<thread::ObjLocker> guard(m_lock);
    if (m_kernel != nullptr && width > 0 && height > 0) {
      std::unique_ptr<uint8_t*[]> rows(new (std::nothrow) uint8_t*[static_cast<size_t>(height)]);
      if (rows != nullptr) {
        for (int32_t y = 0; y < height; ++y) {
          rows[static_cast<size_t>(y)] = destination->getLine(y);
        }
        m_kernel->apply(rows.get(), width, height);
      }
    }
  }
  destination->setHasAlpha(source->hasAlpha());
  return destination;
}

}  // namespace s::image::filters::sharpness
