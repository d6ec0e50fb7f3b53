// The sample history that a counter drawer graphs; its owner keeps and fills the samples.
#pragma once

#include <windows.h>

#include <cstdint>

namespace s::gui::drawer::counter {

/// A ring of samples read by the counter drawer under the history's own lock (`lock` and
/// `unlock`, held for the whole reading). `getNewestIndex` is the ring index of the newest sample;
/// older samples lie before it, wrapping at `getCapacity`.
class IHistory {
 public:
  virtual ~IHistory() = default;
  virtual void lock() = 0;
  virtual void unlock() = 0;
  virtual bool isScaledToLargest() = 0;
  virtual double getMaximum() = 0;
  virtual double getMinimum() = 0;
  virtual bool isThick() = 0;
  virtual bool hasOwnColor() = 0;
  virtual COLORREF getOwnColor() = 0;
  virtual const double* getSamples() = 0;
  virtual int32_t getCapacity() = 0;
  virtual int32_t getCount() = 0;
  virtual int32_t getNewestIndex() = 0;
};

}  // namespace s::gui::drawer::counter
