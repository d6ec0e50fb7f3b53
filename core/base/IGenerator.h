// Something that hands out objects.
#pragma once

namespace s::base {

/// Hands out one object per call (a class pool hands out its pooled objects).
class IGenerator {
 public:
  virtual ~IGenerator() = default;
  virtual void* generate() = 0;
};

}  // namespace s::base
