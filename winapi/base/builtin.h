// Built-in modules: the layer's own stand-ins for system libraries ("ntdll.dll", "user32.dll",
// ...). LoadLibraryW hands one out by its file name, and GetProcAddress finds the layer's own
// functions in it by name, so code that binds entry points at run time works unchanged.
// An area registers its exports once, from a static initialiser in its exports file:
//
//   static const winapi::BuiltinExport kExports[] = {{"NtOpenKey", reinterpret_cast<void*>(&NtOpenKey)}, ...};
//   static const winapi::BuiltinRegistrar kRegistrar(u"ntdll.dll", kExports);
#pragma once

#include <cstddef>
#include <span>

namespace winapi {

struct BuiltinExport {
  const char* name;
  void* address;
};

/// Adds the exports to the built-in module with this file name (compared ignoring A-Z case;
/// several areas may add to one module). Safe to call from static initialisers.
void registerBuiltinExports(const char16_t* moduleFileName, std::span<const BuiltinExport> exports);

struct BuiltinRegistrar {
  BuiltinRegistrar(const char16_t* moduleFileName, std::span<const BuiltinExport> exports) {
    registerBuiltinExports(moduleFileName, exports);
  }
};

}  // namespace winapi

namespace winapi {

/// The export of a built-in module by name, or null when the module or the name is unknown.
void* findBuiltinExport(const char16_t* moduleFileName, const char* exportName);

/// Whether a built-in module with this file name exists (compared ignoring A-Z case).
bool isBuiltinModule(const char16_t* moduleFileName);

}  // namespace winapi
