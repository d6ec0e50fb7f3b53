// The resource container: the module resources of a program file, packed by the build tool and
// appended to the file, read by the layer's resource calls and rewritten by resource updates.
// Plain C++ without Windows types, so the build-time tool compiles it too.
//
// Layout (little-endian), appended to whatever the file holds before it:
//   header     magic "LMRES\r\n\x1a", version, entry count, text pool size, reserved (24 bytes)
//   directory  per entry: type ref, name ref, language, reserved, data offset, data size (20 bytes)
//   text pool  per text: unit count (16 bits), then the UTF-16 units
//   data       each entry's bytes at a 4-byte boundary, offsets counted from the data start
//   trailer    container size (64 bits), CRC-32 of the container, version, magic "LMRESEND" (24)
// A ref below 0x10000 is a number; with the top bit set, the rest is a text's offset in the pool.
// The file's last 8 bytes tell whether it carries a container; everything else is checked
// before use, so a damaged container is reported, never followed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace winapi::resources {

/// A resource type or name: a 16-bit number, or a text kept upper-case (A-Z), as a resource
/// compiler stores it. Directory order puts texts first, by text, then numbers ascending.
struct ResourceId {
  bool isNumber = true;
  uint16_t number = 0;
  std::u16string text;

  static ResourceId fromNumber(uint16_t number);
  static ResourceId fromText(std::u16string_view text);
  friend bool operator==(const ResourceId& a, const ResourceId& b);
};

int compareIds(const ResourceId& a, const ResourceId& b);

struct ResourceEntry {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0;
  std::vector<uint8_t> data;
};

/// Orders entries by type, name and language, the order of enumeration.
void sortEntries(std::vector<ResourceEntry>& entries);

/// The container bytes for the entries (sorted first; at most one entry per type, name and
/// language), trailer included. Throws std::length_error beyond the format's 4 GB limits.
std::vector<uint8_t> serialize(std::vector<ResourceEntry> entries);

enum class ReadStatus {
  Ok,       // a container was read
  None,     // the file carries no container
  Damaged,  // it carries one that fails its checks, or a newer version
  IoError,  // the file could not be read
};

/// What a file holds: its resources, and where the part before the container ends.
struct FileResources {
  std::vector<ResourceEntry> entries;
  uint64_t programSize = 0;  // bytes before the container (the whole file when there is none)
};

/// Parses a whole container (header to trailer).
ReadStatus parse(const uint8_t* bytes, size_t size, std::vector<ResourceEntry>& out);

/// Reads the container at the end of a file.
ReadStatus readFile(const std::string& path, FileResources& out);

/// Little-endian fields, as the container and the resource formats inside it store them.
void put16(std::vector<uint8_t>& out, uint16_t value);
void put32(std::vector<uint8_t>& out, uint32_t value);
uint16_t get16(const uint8_t* bytes);
uint32_t get32(const uint8_t* bytes);

/// CRC-32 (the polynomial of zlib and PNG).
uint32_t crc32(const uint8_t* bytes, size_t size, uint32_t crc = 0);

}  // namespace winapi::resources
