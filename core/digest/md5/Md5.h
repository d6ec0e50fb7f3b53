// The MD5 message digest.
#pragma once

#include "core/col/array/ArrayU08.h"
#include "core/digest/IDigester.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::digest::md5 {

/// MD5 as published in RFC 1321: 16 digest bytes. Pooled; `reset` (its way into the pool) is
/// `init`, so a digester taken from the pool is ready for a new message.
class Md5 final : public IDigester, public virtual thread::IPoolable {
  S_POOLED_CLASS(Md5, u"s_digest_md5_Md5")

  Md5();
  void reset() override { init(); }

  uint32_t getDigestLength() const override { return 16; }
  void update(const void* data, uint32_t size) override;
  void finish(uint8_t* out) override;
  void init() override;
  str::strbuffer::StrBuffer* toHexString(str::strbuffer::StrBuffer* out = nullptr,
                                         bool append = false) override;

  /// Digests `size` bytes with `digester` (fresh or reset; a pooled Md5 when it is null) and
  /// writes the hex text into `out` as `toHexString` does; returns the text written.
  static str::strbuffer::StrBuffer* digestToHex(IDigester* digester, const void* data,
                                                uint32_t size, str::strbuffer::StrBuffer* out,
                                                bool append);

  /// The digest bytes of the last `finish` (16 of them).
  const col::_array::ArrayU08& getDigest() const { return m_digest; }

 private:
  void transform(const uint8_t* block);

  col::_array::ArrayU08 m_digest;
  uint32_t m_state[4];
  uint32_t m_bitCount[2];  // low word, high word
  uint8_t m_block[64];
};

}  // namespace s::digest::md5
