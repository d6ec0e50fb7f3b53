// An ordered set of image buffers with three tags each and a best image.
#include "imaging/win/BufferedImageSet.h"

#include "imaging/win/BufferedImage.h"
#include "imaging/win/ImageSearch.h"

namespace s::image::win {

namespace {

int64_t areaOf(BufferedImage* image) { return int64_t{image->getWidth()} * image->getHeight(); }

int32_t tagAt(col::_array::ArrayS32& tags, int32_t index) {
  if (index < 0 || static_cast<uint32_t>(index) >= tags.getCount()) {
    return 1000;
  }
  return tags.getItems()[index];
}

}  // namespace

BufferedImageSet::BufferedImageSet() {
  m_images.setDisposer(&BufferedImage::pool());
  reset();
}

BufferedImageSet::~BufferedImageSet() { m_images.freeAll(); }

void BufferedImageSet::reset() {
  m_images.freeAll();
  m_keys.freeAll();
  m_delays.freeAll();
  m_modes.freeAll();
  m_animated = false;
  m_loopCount = 1;
  m_bestWidth = m_bestHeight = m_bestKey = m_bestIndex = 0;
}

void BufferedImageSet::clear() {
  m_images.clear();
  m_keys.clear();
  m_delays.clear();
  m_modes.clear();
  m_animated = false;
  m_bestWidth = m_bestHeight = m_bestKey = m_bestIndex = 0;
}

void BufferedImageSet::addImage(BufferedImage* image, int32_t key, int32_t delay, int32_t mode) {
  if (image == nullptr) {
    return;
  }
  const int64_t area = areaOf(image);
  const int64_t bestArea = int64_t{m_bestWidth} * m_bestHeight;
  if (area > bestArea || (area == bestArea && key > m_bestKey)) {
    m_bestWidth = image->getWidth();
    m_bestHeight = image->getHeight();
    m_bestKey = key;
    m_bestIndex = getImageCount();
  }
  m_images.push(image);
  m_keys.add(&key, 1);
  m_delays.add(&delay, 1);
  m_modes.add(&mode, 1);
}

BufferedImageSet* BufferedImageSet::addImageDefault(BufferedImage* image) {
  addImage(image, 32, 0, 0);
  return this;
}

int32_t BufferedImageSet::recomputeBest() {
  m_bestWidth = m_bestHeight = 0;
  const int32_t count = getImageCount();
  for (int32_t i = 0; i < count; ++i) {
    BufferedImage* image = getImage(i);
    if (image->hasFilters()) {
      BufferedImage* filtered = image->getFiltered();
      if (filtered != nullptr) {
        image = filtered;
      }
    }
    if (areaOf(image) > int64_t{m_bestWidth} * m_bestHeight) {
      m_bestWidth = image->getWidth();
      m_bestHeight = image->getHeight();
    }
  }
  return count;
}

void BufferedImageSet::setAnimation(bool animated, uint16_t loopCount) {
  m_animated = animated;
  m_loopCount = loopCount;
}

int32_t BufferedImageSet::getDelay(int32_t index) { return tagAt(m_delays, index); }
int32_t BufferedImageSet::getMode(int32_t index) { return tagAt(m_modes, index); }
int32_t BufferedImageSet::getKey(int32_t index) { return tagAt(m_keys, index); }

BufferedImage* BufferedImageSet::getImage(int32_t index) {
  if (index < 0 || index >= getImageCount()) {
    return nullptr;
  }
  return static_cast<BufferedImage*>(m_images.getItems()[index]);
}

BufferedImageSet* BufferedImageSet::takeLike() {
  BufferedImageSet* set = take();
  if (set != nullptr) {
    set->setAnimation(m_animated, m_loopCount);
  }
  return set;
}

BufferedImageSet* BufferedImageSet::copy() {
  BufferedImageSet* set = takeLike();
  if (set == nullptr) {
    return nullptr;
  }
  for (int32_t i = 0; i < getImageCount(); ++i) {
    set->addImage(getImage(i)->copy(nullptr), getKey(i), getDelay(i), getMode(i));
  }
  return set;
}

BufferedImageSet* BufferedImageSet::composeFrames() {
  BufferedImageSet* set = take();
  if (set == nullptr) {
    return nullptr;
  }
  set->setAnimation(true, m_loopCount);
  BufferedImage* previous = nullptr;
  for (int32_t i = 0; i < getImageCount(); ++i) {
    BufferedImage* image = getImage(i);
    BufferedImage* result = nullptr;
    int32_t mode = getMode(i);
    if (i > 0 && mode == 1 && previous != nullptr) {
      result = previous->copy(nullptr);
      if (result != nullptr) {
        result->drawImage(0, 0, image->getWidth(), image->getHeight(), image, 0, 0, false);
      }
      mode = 2;
    } else {
      result = image->copy(nullptr);
    }
    set->addImage(result, getKey(i), getDelay(i), mode);
    if (result != nullptr) {
      previous = result;
    }
  }
  return set;
}

BufferedImageSet* BufferedImageSet::getScaledCopy(int32_t width, int32_t height, bool keepAspect) {
  BufferedImageSet* set = takeLike();
  if (set == nullptr) {
    return nullptr;
  }
  for (int32_t i = 0; i < getImageCount(); ++i) {
    BufferedImage* scaled = getImage(i)->getScaled(width, height, keepAspect);
    if (scaled != nullptr) {
      set->addImage(scaled->copy(nullptr), getKey(i), getDelay(i), getMode(i));
    }
  }
  return set;
}

BufferedImageSet* BufferedImageSet::getFilteredCopy() {
  BufferedImageSet* set = takeLike();
  if (set == nullptr) {
    return nullptr;
  }
  for (int32_t i = 0; i < getImageCount(); ++i) {
    BufferedImage* image = getImage(i);
    BufferedImage* source = image->hasFilters() ? image->applyFilters() : nullptr;
    set->addImage((source != nullptr ? source : image)->copy(nullptr), getKey(i), getDelay(i),
                  getMode(i));
  }
  return set;
}

bool BufferedImageSet::findNearest(int32_t width, int32_t height, int32_t key, bool exactOnly,
                                   bool areaFirst, int32_t* index) {
  auto describe = [this](int32_t i, int32_t* w, int32_t* h, int32_t* k) {
    BufferedImage* image = getImage(i);
    *w = image->getWidth();
    *h = image->getHeight();
    *k = getKey(i);
  };
  return searchImages(getImageCount(), describe, width, height, key, exactOnly, areaFirst, index);
}

bool BufferedImageSet::findExact(int32_t width, int32_t height, int32_t key, int32_t* index) {
  return findNearest(width, height, key, true, false, index);
}

bool BufferedImageSet::findBest(int32_t width, int32_t height, int32_t key, int32_t* index) {
  return findNearest(width, height, key, false, false, index);
}

bool BufferedImageSet::findNearestArea(int32_t width, int32_t height, int32_t key, int32_t* index) {
  return findNearest(width, height, key, false, true, index);
}

bool BufferedImageSet::mustComposeFrames() {
  if (!m_animated || getImageCount() < 2) {
    return false;
  }
  for (int32_t i = 1; i < getImageCount(); ++i) {
    if (getMode(i) == 1) {
      return true;
    }
  }
  return false;
}

}  // namespace s::image::win
