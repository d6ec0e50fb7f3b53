// The counter's sample ring.
#include "skin/drawer/counter/win/SampleHistory.h"

#include "skin/drawer/Paint.h"

#include <algorithm>
#include <mutex>

namespace s::gui::drawer::counter::win {

SampleHistory::SampleHistory(int32_t capacity)
    : m_samples(static_cast<size_t>(std::max(capacity, 1)), 0.0) {}

void SampleHistory::add(double sample) {
  std::lock_guard<thread::ObjLocker> hold(m_lock);
  const auto capacity = static_cast<int32_t>(m_samples.size());
  m_newest = (m_newest + 1) % capacity;
  m_samples[static_cast<size_t>(m_newest)] = sample;
  m_count = std::min(m_count + 1, capacity);
}

void SampleHistory::setRange(double minimum, double maximum) {
  std::lock_guard<thread::ObjLocker> hold(m_lock);
  m_minimum = minimum;
  m_maximum = maximum;
}

void SampleHistory::setOwnColor(int32_t red, int32_t green, int32_t blue) {
  m_ownColor = packColor(red, green, blue);
  m_hasOwnColor = true;
}

}  // namespace s::gui::drawer::counter::win
