// The interface of a resampling weight filter.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

namespace s::image::filters::scale {

/// A weighting function of the distance between an output pixel's centre and a source pixel,
/// with a support (the distance at which the weight ends) that the scaler widens when shrinking.
class IScaleFilter : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual double weight(double x) = 0;
  virtual double getSupport() = 0;
  virtual void setSupport(double support) = 0;
};

}  // namespace s::image::filters::scale
