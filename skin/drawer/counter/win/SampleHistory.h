// A sample history that a counter drawer graphs: a ring of samples under a lock of its own.
#pragma once

#include "core/thread/ObjLocker.h"
#include "gui/drawer/counter/IHistory.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace s::gui::drawer::counter::win {

/// The owner fills the ring with `add`, which stores the sample after the newest one and wraps at
/// the capacity; the counter drawer reads it through `IHistory` under `lock`. `add` takes the lock
/// itself, so a worker may add while a UI thread paints. The range is minimum to maximum (0 to 1
/// until set); scale-to-largest lets the drawer take the largest shown sample as the maximum.
class SampleHistory final : public IHistory {
 public:
  explicit SampleHistory(int32_t capacity);

  void lock() override { m_lock.lock(); }
  void unlock() override { m_lock.unlock(); }
  bool isScaledToLargest() override { return m_scaleToLargest; }
  double getMaximum() override { return m_maximum; }
  double getMinimum() override { return m_minimum; }
  bool isThick() override { return m_thick; }
  bool hasOwnColor() override { return m_hasOwnColor; }
  COLORREF getOwnColor() override { return m_ownColor; }
  const double* getSamples() override { return m_samples.data(); }
  int32_t getCapacity() override { return static_cast<int32_t>(m_samples.size()); }
  int32_t getCount() override { return m_count; }
  int32_t getNewestIndex() override { return m_newest; }

  void add(double sample);
  void setRange(double minimum, double maximum);
  void setScaledToLargest(bool on) { m_scaleToLargest = on; }
  void setThick(bool on) { m_thick = on; }
  /// A colour of the history's own, used instead of the drawer's first or second colour.
  void setOwnColor(int32_t red, int32_t green, int32_t blue);

 private:
  thread::ObjLocker m_lock;
  std::vector<double> m_samples;
  int32_t m_count = 0;
  int32_t m_newest = -1;
  double m_minimum = 0;
  double m_maximum = 1;
  bool m_scaleToLargest = false;
  bool m_thick = false;
  bool m_hasOwnColor = false;
  COLORREF m_ownColor = 0;
};

}  // namespace s::gui::drawer::counter::win
