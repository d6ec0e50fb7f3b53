// The text buffer's conversions to and from bytes: UTF-8, the OEM code page, any code page of the
// code-page list (UTF-16 and UTF-16BE by hand, the rest through the platform's converter), and
// the MD5 digest of the text.
#include "core/str/strbuffer/StrBuffer.h"

#include "core/col/array/ArrayU08.h"
#include "core/digest/md5/Md5.h"
#include "core/system/codepage/CodePage.h"

#include <windows.h>

#include <cstring>
#include <new>

namespace s::str::strbuffer {

using col::_array::ArrayU08;
using system::codepage::CodePage;

namespace {

// How many bytes of the converted text fit in 32 bits, or a failure.
uint32_t checkedRoom(uint64_t bytes) {
  if (bytes > UINT32_MAX) {
    throw std::bad_alloc();
  }
  return static_cast<uint32_t>(bytes);
}

}  // namespace

ArrayU08* StrBuffer::encodeWith(uint32_t codePage, ArrayU08* out, bool append,
                                bool countZero) const {
  if (out == nullptr) {
    out = ArrayU08::take();
  } else if (!append) {
    out->setCount(0);
  }
  const uint32_t count = out->getCount();
  const uint64_t length = m_length;
  // The room behind the count: UTF-16 needs 2 bytes a unit and UTF-8 at most 3; for any other
  // code page the converter says how much it needs (multi-byte and stateful code pages such as
  // GB18030 or ISO-2022 can need more than 3 bytes a unit).
  uint64_t needed;
  if (codePage == CodePage::kUtf16 || codePage == CodePage::kUtf16BigEndian) {
    needed = 2 * length;
  } else if (codePage == CP_UTF8) {
    needed = 3 * length;
  } else {
    needed =
        length == 0
            ? 0
            : static_cast<uint64_t>(WideCharToMultiByte(
                  codePage, 0, m_data, static_cast<int>(m_length), nullptr, 0, nullptr, nullptr));
  }
  const uint32_t room = checkedRoom(count + needed + 2);
  if (append) {
    out->ensureCapacity(room);
  } else {
    out->setCapacity(room);
  }
  uint8_t* bytes = out->getItems() + count;
  uint32_t produced = 0;
  if (codePage == CodePage::kUtf16) {
    if (m_length != 0) {
      std::memcpy(bytes, m_data, m_length * sizeof(WCHAR));
    }
    produced = m_length * 2;
  } else if (codePage == CodePage::kUtf16BigEndian) {
    for (uint32_t i = 0; i < m_length; ++i) {
      bytes[2 * i] = static_cast<uint8_t>(m_data[i] >> 8);
      bytes[2 * i + 1] = static_cast<uint8_t>(m_data[i]);
    }
    produced = m_length * 2;
  } else if (m_length != 0 && needed != 0) {
    const int n = WideCharToMultiByte(codePage, 0, m_data, static_cast<int>(m_length),
                                      reinterpret_cast<char*>(bytes), static_cast<int>(needed),
                                      nullptr, nullptr);
    produced = n > 0 ? static_cast<uint32_t>(n) : 0;
  }
  out->setCount(count + produced);
  if (countZero) {
    out->push(0);
  } else if (produced != 0) {
    bytes[produced] = 0;  // behind the data, not counted
  }
  return out;
}

uint32_t StrBuffer::decodeWith(uint32_t codePage, const void* bytes, bool append, int32_t n) {
  if (!append) {
    m_length = 0;
  }
  const auto* in = static_cast<const uint8_t*>(bytes);
  uint32_t size;
  if (codePage == CodePage::kUtf16 || codePage == CodePage::kUtf16BigEndian) {
    if (n < 0) {
      // Up to the first zero unit.
      size = 0;
      while (in[size] != 0 || in[size + 1] != 0) {
        size += 2;
      }
    } else {
      size = static_cast<uint32_t>(n);
    }
    const uint32_t units = size / 2;
    WCHAR* out = appendRoom(units);
    for (uint32_t i = 0; i < units; ++i) {
      out[i] = codePage == CodePage::kUtf16 ? static_cast<WCHAR>(in[2 * i] | in[2 * i + 1] << 8)
                                            : static_cast<WCHAR>(in[2 * i] << 8 | in[2 * i + 1]);
    }
    m_length += units;
    return units;
  }
  size = n < 0 ? static_cast<uint32_t>(std::strlen(reinterpret_cast<const char*>(in)))
               : static_cast<uint32_t>(n);
  if (size == 0) {
    return 0;
  }
  // A byte never makes more than one unit (four UTF-8 bytes make two), so n units are enough.
  if (append) {
    ensureCapacity(checkedRoom(static_cast<uint64_t>(m_length) + size));
  } else {
    reserve(size);
  }
  const int units =
      MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(in), static_cast<int>(size),
                          m_data + m_length, static_cast<int>(size));
  if (units <= 0) {
    return 0;
  }
  m_length += static_cast<uint32_t>(units);
  return static_cast<uint32_t>(units);
}

ArrayU08* StrBuffer::encodeUtf8Z(ArrayU08* out, bool append) const {
  return encodeWith(CP_UTF8, out, append, true);
}

ArrayU08* StrBuffer::encodeUtf8(ArrayU08* out, bool append) const {
  return encodeWith(CP_UTF8, out, append, false);
}

uint32_t StrBuffer::decodeUtf8(const void* bytes, bool append, int32_t n) {
  return decodeWith(CP_UTF8, bytes, append, n);
}

// Entries convert by their number: the list's UTF-16 entries are the ones numbered 1200 and 1201.
ArrayU08* StrBuffer::encodeZ(const CodePage* codePage, ArrayU08* out, bool append) const {
  return encodeWith(static_cast<uint32_t>(codePage->getCodePage()), out, append, true);
}

ArrayU08* StrBuffer::encode(const CodePage* codePage, ArrayU08* out, bool append) const {
  return encodeWith(static_cast<uint32_t>(codePage->getCodePage()), out, append, false);
}

void StrBuffer::decode(const CodePage* codePage, const void* bytes, bool append, int32_t n) {
  decodeWith(static_cast<uint32_t>(codePage->getCodePage()), bytes, append, n);
}

ArrayU08* StrBuffer::encodeOemZ(ArrayU08* out, bool append) const {
  return encodeWith(GetOEMCP(), out, append, true);
}

ArrayU08* StrBuffer::encodeOem(ArrayU08* out, bool append) const {
  return encodeWith(GetOEMCP(), out, append, false);
}

uint32_t StrBuffer::decodeOem(const void* bytes, bool append, int32_t n) {
  return decodeWith(GetOEMCP(), bytes, append, n);
}

StrBuffer* StrBuffer::computeDigest(digest::IDigester* digester, StrBuffer* out,
                                    bool append) const {
  return digest::md5::Md5::digestToHex(
      digester, m_data, m_length * static_cast<uint32_t>(sizeof(WCHAR)), out, append);
}

}  // namespace s::str::strbuffer
