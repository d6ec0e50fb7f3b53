// Internal to shell32: the binary shell link (".lnk") file, encoded and decoded apart from the COM
// object that saves and loads it, and the whole-file reads and writes both shortcut objects use.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace winapi::shell {

/// What a link names and how it starts its target. `target` is the target's full path in the
/// program's Windows form; empty for a link that names nothing this system can find.
struct LinkData {
  std::u16string target;
  std::u16string description;
  std::u16string relativePath;
  std::u16string workingDirectory;
  std::u16string arguments;
  std::u16string iconLocation;
  int32_t iconIndex = 0;
  uint32_t showCommand = 1;  // SW_SHOWNORMAL
  uint16_t hotKey = 0;
};

/// The file's bytes: the 76-byte header with the target's attributes, times and size (zero when
/// `targetInfo` is null), LinkInfo with the local base path in both ANSI and Unicode forms (no
/// item id list: there is no shell namespace to name here), then the string data and the
/// terminal block. False when a text is too long for the format (65,535 units).
bool encodeLink(const LinkData& link, const WIN32_FILE_ATTRIBUTE_DATA* targetInfo, std::vector<uint8_t>& out);

/// Reads a link of `size` bytes. The target comes from LinkInfo (local base path and common path
/// suffix, or the network share and suffix), else from the relative path joined to `linkFolder`
/// (a folder ending in "\"), else from the environment-variable block; a link that holds only an
/// item id list has no target. False for bytes that are not a link or leave their bounds.
bool decodeLink(const uint8_t* bytes, size_t size, const std::u16string& linkFolder, LinkData& out);

/// The whole file (at most `limit` bytes; a longer file fails with ERROR_INVALID_DATA).
bool readWholeFile(LPCWSTR path, size_t limit, std::vector<uint8_t>& out);
/// Writes the file anew; a failed write leaves no partial file.
bool writeWholeFile(LPCWSTR path, const void* bytes, size_t size);

}  // namespace winapi::shell
