// Builds resource blocks in the platform's published layouts for the text dump tests: string
// blocks, accelerator tables, menu templates, version blocks and dialog templates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumetra::dump_test {

struct Builder {
  std::vector<uint8_t> bytes;

  Builder& u8(uint32_t v) {
    bytes.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Builder& u16(uint32_t v) { return u8(v).u8(v >> 8); }
  Builder& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  /// UTF-16 text with its NUL.
  Builder& text(const std::u16string& s) {
    for (char16_t c : s) u16(c);
    return u16(0);
  }
  Builder& ordinal(uint16_t id) { return u16(0xFFFF).u16(id); }
  Builder& align4() {
    while (bytes.size() % 4 != 0) u8(0);
    return *this;
  }
  size_t size() const { return bytes.size(); }
  void set16(size_t at, uint32_t v) {
    bytes[at] = static_cast<uint8_t>(v);
    bytes[at + 1] = static_cast<uint8_t>(v >> 8);
  }
};

/// A string table block of 16 counted strings.
inline std::vector<uint8_t> stringBlock(const std::vector<std::u16string>& strings) {
  Builder b;
  for (size_t i = 0; i < 16; ++i) {
    const std::u16string s = i < strings.size() ? strings[i] : u"";
    b.u16(static_cast<uint32_t>(s.size()));
    for (char16_t c : s) b.u16(c);
  }
  return b.bytes;
}

/// One node of a version block: its key, a value (text or bytes) and children, lengths filled.
struct VersionNode {
  std::u16string key;
  uint16_t type = 1;
  std::vector<uint8_t> binary;
  std::u16string textValue;
  std::vector<VersionNode> children;

  std::vector<uint8_t> build() const {
    Builder b;
    b.u16(0).u16(0).u16(type).text(key).align4();
    uint32_t valueLength = 0;
    if (!binary.empty()) {
      b.bytes.insert(b.bytes.end(), binary.begin(), binary.end());
      valueLength = static_cast<uint32_t>(binary.size());
    } else if (!textValue.empty()) {
      b.text(textValue);
      valueLength = static_cast<uint32_t>(textValue.size() + 1);
    }
    for (const VersionNode& child : children) {
      b.align4();
      const std::vector<uint8_t> c = child.build();
      b.bytes.insert(b.bytes.end(), c.begin(), c.end());
    }
    b.set16(0, static_cast<uint32_t>(b.size()));
    b.set16(2, valueLength);
    return b.bytes;
  }
};

}  // namespace lumetra::dump_test
