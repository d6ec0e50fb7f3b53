// The enabled flag that every filter class carries.
#pragma once

#include "audio/IFilter.h"

namespace s::sound::filter {

/// The part of s::sound::IFilter that is the same in every filter: the enabled flag, true after
/// the filter's reset (the class's `reset` sets it again).
class FilterBase : public IFilter {
 public:
  bool isEnabled() const override { return m_enabled; }
  void setEnabled(int32_t enabled) override { m_enabled = static_cast<uint8_t>(enabled) != 0; }

 protected:
  bool m_enabled = true;
};

}  // namespace s::sound::filter
