// The layer's module resources, shared by the resource calls, the update calls and the module
// loader: modules opened as data files, and where a module's resources come from.
#pragma once

#include <windows.h>

#include "winapi/kernel32/resource_container.h"

#include <memory>
#include <string>

namespace winapi::resources {

/// The resources of one module file, read once; immutable afterwards, so the data handed out
/// stay valid as long as the module.
struct ResourceModule {
  std::string path;                    // POSIX path of the file
  std::vector<ResourceEntry> entries;  // directory order
  DWORD error = ERROR_SUCCESS;         // ERROR_BAD_EXE_FORMAT when its container is damaged
};

/// Opens a file as a module of resources only (LOAD_LIBRARY_AS_DATAFILE). A file without a
/// container opens with no resources; a damaged container fails with ERROR_BAD_EXE_FORMAT. Null
/// with the last error set on failure. The handle is tagged in its low bit, as data-file handles
/// are on Windows, so it never names a loaded library.
HMODULE openDataFileModule(LPCWSTR fileName);

/// Closes a module opened by openDataFileModule. False, with nothing done, for any other handle:
/// FreeLibrary asks here first.
bool closeDataFileModule(HMODULE module);

/// The resources of a module: a data-file module, the running program (null), or a loaded
/// library through its file. Null with the last error set when the module is unknown.
std::shared_ptr<const ResourceModule> moduleResources(HMODULE module);

/// A type or name argument as an id: a number (MAKEINTRESOURCEW), "#123" for the number 123, or
/// a text.
ResourceId resourceIdOf(LPCWSTR value);

}  // namespace winapi::resources
