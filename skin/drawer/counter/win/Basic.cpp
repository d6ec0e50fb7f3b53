// The counter's three kinds of graph.
#include "skin/drawer/counter/win/Basic.h"

#include "skin/drawer/Paint.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace s::gui::drawer::counter::win {

namespace {

/// The length a sample gets within `extent` pixels, kept inside them: a sample beyond the range
/// draws to the edge, never past it.
int32_t lengthOf(double sample, double minimum, double maximum, int32_t extent, bool rounded) {
  const double exact = extent * (sample - minimum) / (maximum - minimum);
  const double length = rounded ? std::floor(exact + 0.5) : std::trunc(exact);
  return static_cast<int32_t>(std::clamp(length, 0.0, static_cast<double>(extent)));
}

/// Holds a history's lock for one reading.
class Reading {
 public:
  explicit Reading(IHistory* history) : m_history(history) { m_history->lock(); }
  ~Reading() { m_history->unlock(); }
  Reading(const Reading&) = delete;
  Reading& operator=(const Reading&) = delete;

 private:
  IHistory* m_history;
};

}  // namespace

void Basic::reset() {
  m_transparent = true;
  m_background = 0xFFFFFFFF;
  m_first = 0xFFFFFFFF;
  m_second = 0xFFFFFFFF;
}

int32_t Basic::setBackgroundColor(int32_t red, int32_t green, int32_t blue) {
  m_background = packColor(red, green, blue);
  m_transparent = false;
  return red & 0xFF;
}

int32_t Basic::getFirstRed() { return redOf(m_first); }
int32_t Basic::getFirstGreen() { return greenOf(m_first); }
int32_t Basic::getFirstBlue() { return blueOf(m_first); }

int32_t Basic::setFirstColor(int32_t red, int32_t green, int32_t blue) {
  m_first = packColor(red, green, blue);
  return red & 0xFF;
}

int32_t Basic::getSecondRed() { return redOf(m_second); }
int32_t Basic::getSecondGreen() { return greenOf(m_second); }
int32_t Basic::getSecondBlue() { return blueOf(m_second); }

int32_t Basic::setSecondColor(int32_t red, int32_t green, int32_t blue) {
  m_second = packColor(red, green, blue);
  return red & 0xFF;
}

void Basic::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t kind,
                  IHistory* first, IHistory* second, bool swapColors) {
  if (dc == nullptr || left >= right || top >= bottom || first == nullptr) {
    return;
  }
  if (!m_transparent) {
    fill(dc, left, top, right - left, bottom - top, m_background);
  }
  const COLORREF firstColor = swapColors ? m_second : m_first;
  const COLORREF secondColor = swapColors ? m_first : m_second;
  std::optional<double> largest;
  // Kept on the stack: a skin's drawer may paint on several UI threads at once.
  std::vector<double> firstShown;
  {
    Reading reading(first);
    paintHistory(dc, left, top, right, bottom, kind, first,
                 first->hasOwnColor() ? first->getOwnColor() : firstColor, false, largest,
                 firstShown);
  }
  if (second != nullptr) {
    Reading reading(second);
    paintHistory(dc, left, top, right, bottom, kind, second,
                 second->hasOwnColor() ? second->getOwnColor() : secondColor, true, largest,
                 firstShown);
  }
}

void Basic::paintHistory(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                         int32_t kind, IHistory* history, COLORREF color, bool isSecond,
                         std::optional<double>& largest, std::vector<double>& firstShown) {
  const int32_t width = right - left;
  const int32_t height = bottom - top;
  const double* samples = history->getSamples();
  const int32_t capacity = history->getCapacity();
  const int32_t count = std::min(history->getCount(), capacity);
  const int32_t newest = history->getNewestIndex();
  if (samples == nullptr || capacity <= 0 || newest < 0 || newest >= capacity) {
    return;
  }
  // The oldest sample of the ring is left out: at most count - 1 samples, and one per column.
  const int32_t shown = std::min(count - 1, width);
  if (shown <= 0) {
    return;
  }
  auto sampleAt = [&](int32_t i) {
    const int32_t index = ((newest - i) % capacity + capacity) % capacity;
    return samples[index];
  };
  const double minimum = history->getMinimum();
  double maximum = history->getMaximum();
  if (history->isScaledToLargest()) {
    // The first history's largest serves the second as well, so both share one scale.
    if (isSecond && largest.has_value()) {
      maximum = *largest;
    } else {
      maximum = sampleAt(0);
      for (int32_t i = 1; i < shown; ++i) {
        maximum = std::max(maximum, sampleAt(i));
      }
      largest = maximum;
    }
  }
  if (!(maximum > minimum)) {
    // An empty range gives no heights to draw (all-zero samples scaled to their largest).
    return;
  }
  const bool thick = history->isThick();
  if (kind == 1) {
    const int32_t length = lengthOf(sampleAt(0), minimum, maximum, width, false);
    fill(dc, left, top, length, height, color);
    return;
  }
  for (int32_t i = 0; i < shown; ++i) {
    const double sample = sampleAt(i);
    const int32_t x = right - 1 - i;
    if (!isSecond) {
      firstShown.push_back(sample);
    }
    if (kind == 0) {
      int32_t v = lengthOf(sample, minimum, maximum, height, false);
      if (v == 0 && sample > minimum) {
        // A sample above the floor always shows, except where the first history's taller
        // column would cover the second's mark anyway.
        const bool covered = isSecond && static_cast<size_t>(i) < firstShown.size() &&
                             firstShown[static_cast<size_t>(i)] > sample;
        if (covered) {
          continue;
        }
        v = 1;
      }
      fill(dc, x, bottom - v, 1, thick ? std::min(v, 5) : v, color);
    } else if (kind == 2) {
      const int32_t v = lengthOf(sample, minimum, maximum, height, true);
      const int32_t y = top + (height - v) / 2;
      if (thick && v > 10) {
        fill(dc, x, y, 1, 5, color);
        fill(dc, x, y + v - 5, 1, 5, color);
      } else {
        fill(dc, x, y, 1, v, color);
      }
    }
  }
}

}  // namespace s::gui::drawer::counter::win
