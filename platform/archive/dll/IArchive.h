// The interface of the archive over the resources of a program or library file.
#pragma once

#include "platform/archive/IArchive.h"

#include <winnt.h>

#include <cstdint>

namespace s::archive::dll {

/// The resources of a module file as an archive. Finders write the index of the first matching
/// entry (in entry order) to `index` and answer true; when nothing matches, or the archive is
/// empty, they answer false and leave `index` alone. Text equality is exact and case-sensitive;
/// the IgnoreCase forms fold A-Z only. Types are internal type numbers (ResourceType.h).
class IArchive : public archive::IArchive {
 public:
  virtual bool findByName(const WCHAR* name, int32_t* index) const = 0;
  virtual bool findById(uint32_t id, int32_t* index) const = 0;
  virtual bool findByNameIgnoreCase(const WCHAR* name, int32_t* index) const = 0;
  /// The n-th entry (from 0) with this numeric type.
  virtual bool findNthOfType(int32_t type, int32_t n, int32_t* index) const = 0;
  virtual bool findByTypeNameAndName(const WCHAR* type, const WCHAR* name,
                                     int32_t* index) const = 0;
  virtual bool findByTypeNameAndId(const WCHAR* type, uint32_t id, int32_t* index) const = 0;
  virtual bool findByTypeAndName(int32_t type, const WCHAR* name, int32_t* index) const = 0;
  virtual bool findByTypeAndId(int32_t type, uint32_t id, int32_t* index) const = 0;
  virtual bool findByTypeNameAndNameIgnoreCase(const WCHAR* type, const WCHAR* name,
                                               int32_t* index) const = 0;
  virtual bool findByTypeAndNameIgnoreCase(int32_t type, const WCHAR* name,
                                           int32_t* index) const = 0;

  /// Writes every entry into a folder tree below `folder` (created when missing): one sub-folder
  /// per type, files named after the entries, icon and cursor groups as whole files. Existing
  /// files are kept. True when every entry that has a file of its own was written or was there.
  virtual bool extractAll(const WCHAR* folder) = 0;
  /// The group-icon entry at `index` with its icon images, as an icon file.
  virtual bool exportGroupIcon(int32_t index, io::IOutputStream* output) = 0;
  /// The group-cursor entry at `index` with its cursor images, as a cursor file.
  virtual bool exportGroupCursor(int32_t index, io::IOutputStream* output) = 0;
  /// The bitmap entry at `index` as a BMP file.
  virtual bool extractBitmap(int32_t index, io::IOutputStream* output) = 0;
  /// Readable dumps of version, string, accelerator, menu and dialog resources, in UTF-8.
  virtual bool exportVersionText(int32_t index, io::IOutputStream* output) = 0;
  virtual bool exportStringsText(int32_t index, io::IOutputStream* output) = 0;
  virtual bool exportAcceleratorText(int32_t index, io::IOutputStream* output) = 0;
  virtual bool exportMenuText(int32_t index, io::IOutputStream* output) = 0;
  virtual bool exportDialogText(int32_t index, io::IOutputStream* output) = 0;
  /// Writes one resource into the module file (type and name: platform numbers or texts) and
  /// reloads the module; answers the entry count, or -1 when the file could not be rewritten.
  virtual int32_t updateResource(const void* data, uint32_t size, const WCHAR* type,
                                 const WCHAR* name, uint16_t language) = 0;
  /// Forgets the module without freeing it.
  virtual void detachModule() = 0;
};

}  // namespace s::archive::dll
