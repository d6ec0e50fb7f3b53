// The interface of one display monitor: its place in the enumeration, its name, its rectangle
// and its work area.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

#include <cstdint>

namespace s::system::monitor {

/// A monitor of the screen. Rectangles are in virtual-screen pixels, read afresh at every call.
class IMonitor : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual int32_t getIndex() const = 0;
  virtual void setIndex(int32_t index) = 0;
  /// The device name ("" when unknown); valid until the name changes.
  virtual const WCHAR* getName() const = 0;
  virtual void setName(const WCHAR* name) = 0;
  /// Kept for the slot order; does nothing.
  virtual void reserved() {}
  virtual int32_t getLeft() const = 0;
  virtual int32_t getTop() const = 0;
  virtual int32_t getWidth() const = 0;
  virtual int32_t getHeight() const = 0;
  virtual int32_t getWorkLeft() const = 0;
  virtual int32_t getWorkTop() const = 0;
  virtual int32_t getWorkWidth() const = 0;
  virtual int32_t getWorkHeight() const = 0;
};

}  // namespace s::system::monitor
