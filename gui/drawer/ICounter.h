// The kind of the counter drawers, which graph one or two sample histories.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "gui/drawer/Forward.h"
#include "gui/drawer/counter/IHistory.h"

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer {

/// Graphs up to two sample histories (kind 0 bars from the bottom, 1 a level bar of the newest
/// sample, 2 centred bars). Colour setters keep the low 8 bits of each channel and return the red
/// byte; setting a background makes the drawer opaque.
class ICounter : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual int32_t setBackgroundColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t getFirstRed() = 0;
  virtual int32_t getFirstGreen() = 0;
  virtual int32_t getFirstBlue() = 0;
  virtual int32_t setFirstColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual int32_t getSecondRed() = 0;
  virtual int32_t getSecondGreen() = 0;
  virtual int32_t getSecondBlue() = 0;
  virtual int32_t setSecondColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t kind, counter::IHistory* first, counter::IHistory* second,
                     bool swapColors) = 0;
};

}  // namespace s::gui::drawer
