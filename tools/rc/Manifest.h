// The resource manifest: which files the build packs into a program's resource container.
//
// One resource a line, fields separated by blanks, "#" starting a comment line:
//   TYPE  NAME  LANGUAGE  FILE
// TYPE is a number, one of the standard type names (BITMAP, RCDATA, HTML, MANIFEST, ...) or any
// other text; NAME a number or a text; LANGUAGE a LANGID in decimal or 0x hex; FILE the rest of
// the line, relative to the manifest's folder. An ICON line takes an .ico file and, as a resource
// compiler does, makes one GROUP_ICON resource of that name and one ICON resource per image,
// numbered from 1 on. A BITMAP line takes a .bmp file and keeps it without its file header.
#pragma once

#include "winapi/kernel32/resource_container.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tools::rc {

/// A manifest that cannot be packed; the message names the file and line.
class ManifestError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Reads the manifest and every file it names; throws ManifestError.
std::vector<winapi::resources::ResourceEntry> loadManifest(const std::string& path);

/// Splits the bytes of an .ico file into the group record and the images, the images numbered
/// from `firstId` on; throws std::invalid_argument for a malformed file.
struct SplitIcon {
  std::vector<uint8_t> group;                // 6-byte header, then 14 bytes per image
  std::vector<std::vector<uint8_t>> images;  // in the file's order
};
SplitIcon splitIcon(const std::vector<uint8_t>& ico, uint16_t firstId);

}  // namespace tools::rc
