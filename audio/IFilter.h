// The interface of one effect filter.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::sound {

/// One filter of an effect chain (s::sound::Effect). Filters are pooled: the caller takes one from
/// its class's pool, sets it up through the class's own fields and operations, and adds it to a
/// reader's or writer's chain, which owns it from then on and gives it back to its pool.
///
/// A filter runs on the thread that reads or writes the chain's owner; it keeps its state (delay
/// lines, phases) from block to block until it is reset, so one filter serves one stream.
class IFilter : public base::IObject, public virtual thread::IPoolable {
 public:
  /// The interface's own class name text; every implementation answers its own.
  const WCHAR* getClassName() const override { return u"s_sound_IFilter"; }
  /// Filters `byteCount` bytes of interleaved PCM in place (left then right for stereo; 16-bit
  /// samples signed little-endian, 8-bit samples unsigned with 128 as silence).
  virtual void process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
                       int32_t bitsPerSample) = 0;
  virtual bool isEnabled() const = 0;
  /// Only the low byte counts: 0 disables, anything else enables.
  virtual void setEnabled(int32_t enabled) = 0;
};

}  // namespace s::sound
