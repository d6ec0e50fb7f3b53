// The message-digest interface.
#pragma once

#include "core/base/IObject.h"

#include <cstdint>

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::digest {

/// A message digest: `init`, any number of `update`s, one `finish`. `finish` does not start a new
/// digest; `init` it (or take a fresh one from its pool) before the next message. One thread at a
/// time.
class IDigester : public base::IObject {
 public:
  /// Bytes of the digest.
  virtual uint32_t getDigestLength() const = 0;
  /// Feeds `size` bytes.
  virtual void update(const void* data, uint32_t size) = 0;
  /// Completes the digest into the digester's own digest bytes and, when `out` is not null, copies
  /// them to `out` too.
  virtual void finish(uint8_t* out) = 0;
  /// Starts a new digest.
  virtual void init() = 0;
  /// The own digest bytes as lower-case hex, appended to `out` (append) or replacing its text; a
  /// new pooled text when `out` is null, which the caller releases. Returns the text written.
  virtual str::strbuffer::StrBuffer* toHexString(str::strbuffer::StrBuffer* out = nullptr,
                                                 bool append = false) = 0;
};

}  // namespace s::digest
