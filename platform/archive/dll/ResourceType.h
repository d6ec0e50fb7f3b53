// The archive's own numbers of the platform's resource types, and the mapping both ways.
#pragma once

#include <cstdint>

namespace s::archive::dll {

/// Internal numbers of the 21 standard resource types: their names in alphabetical order. Any
/// other number stands for itself on both sides.
enum InternalType : int32_t {
  kAccelerator = 0,
  kAniCursor = 1,
  kAniIcon = 2,
  kBitmap = 3,
  kCursor = 4,
  kDialog = 5,
  kDlgInclude = 6,
  kFont = 7,
  kFontDir = 8,
  kGroupCursor = 9,
  kGroupIcon = 10,
  kHtml = 11,
  kIcon = 12,
  kManifest = 13,
  kMenu = 14,
  kMessageTable = 15,
  kPlugPlay = 16,
  kRcData = 17,
  kString = 18,
  kVersion = 19,
  kVxd = 20,
};

// FIXME: the platform types 0, 13, 15 and 18, which no standard type uses, stand for themselves
// and so share their numbers with the internal ones of ACCELERATOR, MANIFEST, MESSAGETABLE and
// STRING: an entry of such a type reads back as that standard type.

/// The internal number of a platform resource type (RT_ICON 3 is kIcon 12).
int32_t toInternalType(int32_t resourceType);
/// The platform resource type of an internal number (kGroupIcon 10 is RT_GROUP_ICON 14).
int32_t toResourceType(int32_t internalType);

}  // namespace s::archive::dll
