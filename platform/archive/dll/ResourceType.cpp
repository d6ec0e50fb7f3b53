// The archive's own numbers of the platform's resource types.
#include "platform/archive/dll/ResourceType.h"

namespace s::archive::dll {

namespace {

// The platform's type number of each internal number, in internal order.
constexpr int32_t kResourceTypes[] = {
    9,   // ACCELERATOR
    21,  // ANICURSOR
    22,  // ANIICON
    2,   // BITMAP
    1,   // CURSOR
    5,   // DIALOG
    17,  // DLGINCLUDE
    8,   // FONT
    7,   // FONTDIR
    12,  // GROUP_CURSOR
    14,  // GROUP_ICON
    23,  // HTML
    3,   // ICON
    24,  // MANIFEST
    4,   // MENU
    11,  // MESSAGETABLE
    19,  // PLUGPLAY
    10,  // RCDATA
    6,   // STRING
    16,  // VERSION
    20,  // VXD
};
constexpr int32_t kTypeCount =
    static_cast<int32_t>(sizeof kResourceTypes / sizeof kResourceTypes[0]);

}  // namespace

int32_t toInternalType(int32_t resourceType) {
  for (int32_t internal = 0; internal < kTypeCount; ++internal) {
    if (kResourceTypes[internal] == resourceType) {
      return internal;
    }
  }
  return resourceType;
}

int32_t toResourceType(int32_t internalType) {
  return internalType >= 0 && internalType < kTypeCount ? kResourceTypes[internalType]
                                                        : internalType;
}

}  // namespace s::archive::dll
