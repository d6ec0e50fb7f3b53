// The resource container: writing, checking and reading.
#include "winapi/kernel32/resource_container.h"

#include "winapi/base/ascii.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace winapi::resources {

namespace {

constexpr char kHeaderMagic[8] = {'L', 'M', 'R', 'E', 'S', '\r', '\n', '\x1a'};
constexpr char kTrailerMagic[8] = {'L', 'M', 'R', 'E', 'S', 'E', 'N', 'D'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 24;
constexpr size_t kRecordSize = 20;
constexpr size_t kTrailerSize = 24;
constexpr uint32_t kTextRef = 0x80000000u;

void put64(std::vector<uint8_t>& out, uint64_t v) {
  put32(out, static_cast<uint32_t>(v));
  put32(out, static_cast<uint32_t>(v >> 32));
}
uint64_t get64(const uint8_t* p) { return get32(p) | (static_cast<uint64_t>(get32(p + 4)) << 32); }

uint32_t checkedSize(size_t size) {
  if (size > 0xFFFFFFFFu) throw std::length_error("resource container larger than 4 GB");
  return static_cast<uint32_t>(size);
}

// Texts go into the pool once each; the answer is the ref that names the id.
uint32_t refOf(const ResourceId& id, std::vector<uint8_t>& pool) {
  if (id.isNumber) return id.number;
  if (id.text.size() > 0xFFFF) throw std::length_error("resource name longer than 65535 units");
  uint32_t offset = checkedSize(pool.size());
  if (offset >= kTextRef) throw std::length_error("resource names larger than 2 GB");
  put16(pool, static_cast<uint16_t>(id.text.size()));
  for (char16_t c : id.text) put16(pool, c);
  return kTextRef | offset;
}

bool readRef(uint32_t ref, const uint8_t* pool, size_t poolSize, ResourceId& out) {
  if ((ref & kTextRef) == 0) {
    if (ref > 0xFFFF) return false;
    out = ResourceId::fromNumber(static_cast<uint16_t>(ref));
    return true;
  }
  size_t offset = ref & ~kTextRef;
  if (offset + 2 > poolSize) return false;
  size_t units = get16(pool + offset);
  if (offset + 2 + units * 2 > poolSize) return false;
  out.isNumber = false;
  out.number = 0;
  out.text.resize(units);
  for (size_t i = 0; i < units; ++i) out.text[i] = get16(pool + offset + 2 + i * 2);
  return true;
}

int compareEntries(const ResourceEntry& a, const ResourceEntry& b) {
  if (int c = compareIds(a.type, b.type)) return c;
  if (int c = compareIds(a.name, b.name)) return c;
  return a.language < b.language ? -1 : a.language > b.language ? 1 : 0;
}

}  // namespace

void put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v));
  put16(out, static_cast<uint16_t>(v >> 16));
}

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t get32(const uint8_t* p) { return get16(p) | (static_cast<uint32_t>(get16(p + 2)) << 16); }

ResourceId ResourceId::fromNumber(uint16_t number) {
  ResourceId id;
  id.number = number;
  return id;
}

ResourceId ResourceId::fromText(std::u16string_view text) {
  ResourceId id;
  id.isNumber = false;
  id.text.reserve(text.size());
  for (char16_t c : text) id.text.push_back(winapi::ascii::toUpper(c));
  return id;
}

bool operator==(const ResourceId& a, const ResourceId& b) { return compareIds(a, b) == 0; }

int compareIds(const ResourceId& a, const ResourceId& b) {
  if (a.isNumber != b.isNumber) return a.isNumber ? 1 : -1;
  if (a.isNumber) return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
  return a.text.compare(b.text) < 0 ? -1 : a.text == b.text ? 0 : 1;
}

void sortEntries(std::vector<ResourceEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ResourceEntry& a, const ResourceEntry& b) { return compareEntries(a, b) < 0; });
}

uint32_t crc32(const uint8_t* bytes, size_t size, uint32_t crc) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::vector<uint8_t> serialize(std::vector<ResourceEntry> entries) {
  sortEntries(entries);
  for (size_t i = 1; i < entries.size(); ++i) {
    if (compareEntries(entries[i - 1], entries[i]) == 0) throw std::invalid_argument("duplicate resource");
  }
  std::vector<uint8_t> pool, directory, data;
  for (const ResourceEntry& e : entries) {
    put32(directory, refOf(e.type, pool));
    put32(directory, refOf(e.name, pool));
    put16(directory, e.language);
    put16(directory, 0);
    data.resize((data.size() + 3) & ~size_t{3}, 0);
    put32(directory, checkedSize(data.size()));
    put32(directory, checkedSize(e.data.size()));
    data.insert(data.end(), e.data.begin(), e.data.end());
  }
  std::vector<uint8_t> out(kHeaderMagic, kHeaderMagic + sizeof(kHeaderMagic));
  put32(out, kVersion);
  put32(out, checkedSize(entries.size()));
  put32(out, checkedSize(pool.size()));
  put32(out, 0);
  out.insert(out.end(), directory.begin(), directory.end());
  out.insert(out.end(), pool.begin(), pool.end());
  out.insert(out.end(), data.begin(), data.end());
  uint64_t containerSize = out.size();
  checkedSize(containerSize);
  uint32_t crc = crc32(out.data(), out.size());
  put64(out, containerSize);
  put32(out, crc);
  put32(out, kVersion);
  out.insert(out.end(), kTrailerMagic, kTrailerMagic + sizeof(kTrailerMagic));
  return out;
}

ReadStatus parse(const uint8_t* bytes, size_t size, std::vector<ResourceEntry>& out) {
  out.clear();
  if (size < kHeaderSize + kTrailerSize) return ReadStatus::Damaged;
  const uint8_t* trailer = bytes + size - kTrailerSize;
  if (std::memcmp(trailer + 16, kTrailerMagic, 8) != 0) return ReadStatus::Damaged;
  if (get32(trailer + 12) != kVersion || get64(trailer) != size - kTrailerSize) return ReadStatus::Damaged;
  size_t containerSize = size - kTrailerSize;
  if (crc32(bytes, containerSize) != get32(trailer + 8)) return ReadStatus::Damaged;
  if (std::memcmp(bytes, kHeaderMagic, 8) != 0 || get32(bytes + 8) != kVersion) return ReadStatus::Damaged;
  uint64_t count = get32(bytes + 12);
  uint64_t poolSize = get32(bytes + 16);
  uint64_t poolStart = kHeaderSize + count * kRecordSize;
  uint64_t dataStart = poolStart + poolSize;
  if (dataStart > containerSize) return ReadStatus::Damaged;
  size_t dataSize = containerSize - dataStart;
  out.reserve(count);
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* record = bytes + kHeaderSize + i * kRecordSize;
    ResourceEntry e;
    if (!readRef(get32(record), bytes + poolStart, poolSize, e.type) ||
        !readRef(get32(record + 4), bytes + poolStart, poolSize, e.name)) {
      return ReadStatus::Damaged;
    }
    e.language = get16(record + 8);
    uint64_t offset = get32(record + 12), length = get32(record + 16);
    if (offset + length > dataSize) return ReadStatus::Damaged;
    e.data.assign(bytes + dataStart + offset, bytes + dataStart + offset + length);
    // The directory is written sorted and without repeats; anything else was not written by us.
    if (!out.empty() && compareEntries(out.back(), e) >= 0) return ReadStatus::Damaged;
    out.push_back(std::move(e));
  }
  return ReadStatus::Ok;
}

ReadStatus readFile(const std::string& path, FileResources& out) {
  out = FileResources();
  std::ifstream file(path, std::ios::binary);
  if (!file) return ReadStatus::IoError;
  file.seekg(0, std::ios::end);
  std::streamoff fileSize = file.tellg();
  if (fileSize < 0) return ReadStatus::IoError;
  out.programSize = static_cast<uint64_t>(fileSize);
  if (static_cast<uint64_t>(fileSize) < kTrailerSize) return ReadStatus::None;
  uint8_t trailer[kTrailerSize];
  file.seekg(fileSize - static_cast<std::streamoff>(kTrailerSize));
  if (!file.read(reinterpret_cast<char*>(trailer), kTrailerSize)) return ReadStatus::IoError;
  if (std::memcmp(trailer + 16, kTrailerMagic, 8) != 0) return ReadStatus::None;
  uint64_t containerSize = get64(trailer);
  if (containerSize > static_cast<uint64_t>(fileSize) - kTrailerSize) return ReadStatus::Damaged;
  uint64_t start = static_cast<uint64_t>(fileSize) - kTrailerSize - containerSize;
  std::vector<uint8_t> bytes(containerSize + kTrailerSize);
  file.seekg(static_cast<std::streamoff>(start));
  if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    return ReadStatus::IoError;
  }
  ReadStatus status = parse(bytes.data(), bytes.size(), out.entries);
  if (status == ReadStatus::Ok) out.programSize = start;
  return status;
}

}  // namespace winapi::resources
