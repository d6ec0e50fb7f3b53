// The MD5 message digest of RFC 1321.
#include "core/digest/md5/Md5.h"

#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/Pooled.h"

#include <cstring>

namespace s::digest::md5 {

namespace {

inline uint32_t rotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// Per-step additive constants (the integer part of 2^32 x |sin(i + 1)|) and rotations.
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

}  // namespace

Md5::Md5() {
  m_digest.setCount(16);
  std::memset(m_digest.getItems(), 0, 16);
  init();
}

void Md5::init() {
  m_state[0] = 0x67452301;
  m_state[1] = 0xefcdab89;
  m_state[2] = 0x98badcfe;
  m_state[3] = 0x10325476;
  m_bitCount[0] = 0;
  m_bitCount[1] = 0;
}

void Md5::transform(const uint8_t* block) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) {
    x[i] = static_cast<uint32_t>(block[4 * i]) | static_cast<uint32_t>(block[4 * i + 1]) << 8 |
           static_cast<uint32_t>(block[4 * i + 2]) << 16 |
           static_cast<uint32_t>(block[4 * i + 3]) << 24;
  }
  uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
  for (int i = 0; i < 64; ++i) {
    const int round = i / 16;
    uint32_t f;
    int k;
    switch (round) {
      case 0:
        f = (b & c) | (~b & d);
        k = i;
        break;
      case 1:
        f = (b & d) | (c & ~d);
        k = (5 * i + 1) % 16;
        break;
      case 2:
        f = b ^ c ^ d;
        k = (3 * i + 5) % 16;
        break;
      default:
        f = c ^ (b | ~d);
        k = (7 * i) % 16;
        break;
    }
    const uint32_t t = d;
    d = c;
    c = b;
    b = b + rotateLeft(a + f + kSine[i] + x[k], kShift[round][i % 4]);
    a = t;
  }
  m_state[0] += a;
  m_state[1] += b;
  m_state[2] += c;
  m_state[3] += d;
}

void Md5::update(const void* data, uint32_t size) {
  if (size == 0) {
    return;
  }
  const auto* input = static_cast<const uint8_t*>(data);
  uint32_t index = (m_bitCount[0] >> 3) & 0x3F;
  const uint32_t bits = size << 3;
  m_bitCount[0] += bits;
  if (m_bitCount[0] < bits) {
    ++m_bitCount[1];
  }
  m_bitCount[1] += size >> 29;
  uint32_t i = 0;
  const uint32_t room = 64 - index;
  if (size >= room) {
    std::memcpy(m_block + index, input, room);
    transform(m_block);
    for (i = room; i + 63 < size; i += 64) {
      transform(input + i);
    }
    index = 0;
  }
  std::memcpy(m_block + index, input + i, size - i);
}

void Md5::finish(uint8_t* out) {
  uint8_t length[8];
  for (int i = 0; i < 8; ++i) {
    length[i] = static_cast<uint8_t>(m_bitCount[i / 4] >> (8 * (i % 4)));
  }
  // Pad with 0x80 and zeros to 56 bytes modulo 64, then the bit length, low byte first.
  static const uint8_t kPadding[64] = {0x80};
  const uint32_t index = (m_bitCount[0] >> 3) & 0x3F;
  update(kPadding, index < 56 ? 56 - index : 120 - index);
  update(length, 8);
  uint8_t* digest = m_digest.getItems();
  for (int i = 0; i < 16; ++i) {
    digest[i] = static_cast<uint8_t>(m_state[i / 4] >> (8 * (i % 4)));
  }
  if (out != nullptr) {
    std::memcpy(out, digest, 16);
  }
}

str::strbuffer::StrBuffer* Md5::toHexString(str::strbuffer::StrBuffer* out, bool append) {
  if (out == nullptr) {
    out = str::strbuffer::StrBuffer::take();
  }
  out->setHexBytes(m_digest.getItems(), 16, append);
  return out;
}

str::strbuffer::StrBuffer* Md5::digestToHex(IDigester* digester, const void* data, uint32_t size,
                                            str::strbuffer::StrBuffer* out, bool append) {
  thread::Pooled<Md5> own(digester == nullptr ? take() : nullptr);
  if (own) {
    digester = own.get();
  }
  digester->update(data, size);
  digester->finish(nullptr);
  return digester->toHexString(out, append);
}

}  // namespace s::digest::md5
