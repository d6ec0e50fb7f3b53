// Run-time libraries: LoadLibraryW, GetProcAddress, FreeLibrary, GetModuleHandleW and
// GetModuleFileNameW over dlopen and the layer's built-in modules.
// "name.dll" (or "name" without an extension) is the shared library "libname.so", looked for
// beside the program first and then on the system's library path. Other names load as given.
// A file named by its path that is no library (a program file) opens as a module of resources
// only. Left out: ordinals (nothing here exports by number).
#include <windows.h>

#include "winapi/base/ascii.h"
#include "winapi/base/builtin.h"
#include "winapi/base/debug.h"
#include "winapi/base/unixpath.h"
#include "winapi/base/utf8.h"
#include "winapi/kernel32/resource.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {

struct Module {
  std::u16string fileName;  // Windows form; for a built-in module its name alone
  void* library = nullptr;  // dlopen handle; null for built-in modules
  bool builtin = false;
  bool permanent = false;  // the program and built-in modules are never unloaded
  int references = 1;
};

struct ModuleTable {
  std::mutex lock;
  std::map<const Module*, std::unique_ptr<Module>> modules;
};

ModuleTable& table() {
  static ModuleTable* t = new ModuleTable;  // never destroyed: libraries outlive static destructors
  return *t;
}

std::string programPath() {
  std::string path(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < path.size()) {
      path.resize(static_cast<size_t>(n));
      return path;
    }
    path.resize(path.size() * 2);
  }
}

Module& programModule() {
  static Module* program = [] {
    auto* m = new Module;
    m->fileName = winapi::paths::toWindows(programPath());
    m->library = dlopen(nullptr, RTLD_NOW);
    m->permanent = true;
    return m;
  }();
  return *program;
}

bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (winapi::ascii::toLower(a[i]) != winapi::ascii::toLower(b[i])) return false;
  }
  return true;
}

bool endsWithIgnoreCase(std::u16string_view text, std::u16string_view tail) {
  return text.size() >= tail.size() && equalsIgnoreCase(text.substr(text.size() - tail.size()), tail);
}

std::u16string_view lastComponent(std::u16string_view path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

// The built-in module a name refers to: a bare file name, with ".dll" added when it has no
// extension, as Windows adds it.
std::u16string builtinNameOf(std::u16string_view name) {
  if (name.find_first_of(u"\\/") != std::u16string_view::npos) return {};
  std::u16string candidate(name);
  if (candidate.find(u'.') == std::u16string::npos) candidate += u".dll";
  return winapi::isBuiltinModule(candidate.c_str()) ? candidate : std::u16string();
}

HMODULE handleOf(const Module* m) { return reinterpret_cast<HMODULE>(const_cast<Module*>(m)); }

// Called with the table locked.
Module* findLocked(HMODULE handle) {
  if (handle == nullptr) return &programModule();
  auto* m = reinterpret_cast<const Module*>(handle);
  if (m == &programModule()) return &programModule();
  auto found = table().modules.find(m);
  return found == table().modules.end() ? nullptr : found->second.get();
}

HMODULE adopt(std::unique_ptr<Module> module) {
  ModuleTable& t = table();
  std::lock_guard guard(t.lock);
  // A library opened twice comes back with the same dlopen handle: one module, two references.
  for (auto& [key, existing] : t.modules) {
    bool same = module->builtin ? existing->builtin && equalsIgnoreCase(existing->fileName, module->fileName)
                                : existing->library == module->library;
    if (same) {
      if (module->library != nullptr) dlclose(module->library);  // drop the extra dlopen reference
      ++existing->references;
      return handleOf(existing.get());
    }
  }
  Module* raw = module.get();
  t.modules.emplace(raw, std::move(module));
  return handleOf(raw);
}

std::u16string loadedFileName(void* library, const std::string& fallback) {
  struct link_map* map = nullptr;
  if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr && map->l_name[0] != 0) {
    return winapi::paths::toWindows(map->l_name);
  }
  return winapi::paths::toWindows(fallback);
}

void* openLibrary(const std::string& path, bool* badFormat) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    if (why != nullptr &&
        (std::strstr(why, "invalid ELF header") != nullptr || std::strstr(why, "wrong ELF class") != nullptr ||
         std::strstr(why, "file too short") != nullptr)) {
      *badFormat = true;
    }
  }
  return library;
}

}  // namespace

extern "C" HMODULE WINAPI LoadLibraryW(LPCWSTR fileName) {
  if (fileName == nullptr || *fileName == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::u16string_view name(fileName);
  std::u16string builtin = builtinNameOf(name);
  if (!builtin.empty()) {
    auto module = std::make_unique<Module>();
    module->fileName = builtin;
    module->builtin = true;
    module->permanent = true;
    return adopt(std::move(module));
  }

  bool hasFolder = name.find_first_of(u"\\/") != std::u16string_view::npos;
  std::u16string_view base = lastComponent(name);
  std::u16string soName(base);
  if (endsWithIgnoreCase(base, u".dll")) {
    soName = u"lib" + std::u16string(base.substr(0, base.size() - 4)) + u".so";
  } else if (base.find(u'.') == std::u16string_view::npos) {
    soName = u"lib" + std::u16string(base) + u".so";
  }
  std::string soBytes;
  if (!winapi::utf8::toUtf8(soName, soBytes, winapi::utf8::Invalid::Escape)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }

  // Candidate files in order: with a folder, only there; else beside the program, then the
  // system's search path (dlopen of a bare name).
  std::string candidates[2];
  if (hasFolder) {
    std::u16string folder(name.substr(0, name.size() - base.size()));
    std::string unixFolder;
    if (!winapi::paths::toUnix(folder.c_str(), unixFolder)) return nullptr;
    if (unixFolder.empty() || unixFolder.back() != '/') unixFolder += '/';
    candidates[0] = unixFolder + soBytes;
  } else {
    std::string program = programPath();
    candidates[0] = program.substr(0, program.find_last_of('/') + 1) + soBytes;
    candidates[1] = soBytes;
  }
  bool badFormat = false;
  for (const std::string& candidate : candidates) {
    if (candidate.empty()) continue;
    if (candidate.find('/') != std::string::npos && access(candidate.c_str(), F_OK) != 0) continue;
    void* library = openLibrary(candidate, &badFormat);
    if (library == nullptr) continue;
    auto module = std::make_unique<Module>();
    module->library = library;
    module->fileName = loadedFileName(library, candidate);
    TRACE(Kernel32, "%s loaded from %s", soBytes.c_str(), candidate.c_str());
    return adopt(std::move(module));
  }
  // A file named by its path that no library stands for, such as a program file, still opens for
  // its resources: the running program as the program's module, any other file as a data file.
  std::string named;
  struct stat file, self;
  if (hasFolder && winapi::paths::toUnix(fileName, named) && stat(named.c_str(), &file) == 0 && S_ISREG(file.st_mode)) {
    if (stat("/proc/self/exe", &self) == 0 && file.st_dev == self.st_dev && file.st_ino == self.st_ino) {
      return handleOf(&programModule());
    }
    return winapi::resources::openDataFileModule(fileName);
  }
  TRACE(Kernel32, "no library %s%s", soBytes.c_str(), badFormat ? " (a file of another format)" : "");
  SetLastError(badFormat ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
  return nullptr;
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE handle) {
  if (winapi::resources::closeDataFileModule(handle)) return TRUE;
  ModuleTable& t = table();
  std::unique_ptr<Module> unloading;
  {
    std::lock_guard guard(t.lock);
    Module* m = handle == nullptr ? nullptr : findLocked(handle);
    if (m == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    if (m->permanent || --m->references > 0) return TRUE;
    auto found = t.modules.find(m);
    unloading = std::move(found->second);
    t.modules.erase(found);
  }
  dlclose(unloading->library);
  return TRUE;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE handle, LPCSTR procName) {
  // A "name" below 0x10000 is an ordinal; nothing here exports by ordinal.
  if (procName == nullptr || reinterpret_cast<uintptr_t>(procName) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* address = nullptr;
  {
    std::lock_guard guard(table().lock);
    Module* m = findLocked(handle);
    if (m == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    address = m->builtin ? winapi::findBuiltinExport(m->fileName.c_str(), procName) : dlsym(m->library, procName);
  }
  if (address == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(address);
}

extern "C" HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName) {
  if (moduleName == nullptr) return handleOf(&programModule());
  std::u16string_view name(moduleName);
  std::u16string builtin = builtinNameOf(name);
  if (!builtin.empty()) return LoadLibraryW(builtin.c_str());  // built-in modules are always present
  // Loaded libraries answer to their Windows name ("name.dll") and to their file's name.
  std::u16string_view base = lastComponent(name);
  std::u16string soName(base);
  if (endsWithIgnoreCase(base, u".dll")) soName = u"lib" + std::u16string(base.substr(0, base.size() - 4)) + u".so";
  ModuleTable& t = table();
  std::lock_guard guard(t.lock);
  if (equalsIgnoreCase(lastComponent(programModule().fileName), base)) return handleOf(&programModule());
  for (auto& [key, m] : t.modules) {
    std::u16string_view file = lastComponent(m->fileName);
    if (equalsIgnoreCase(file, soName) || equalsIgnoreCase(file, base)) return handleOf(m.get());
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

extern "C" DWORD WINAPI GetModuleFileNameW(HMODULE handle, LPWSTR fileName, DWORD size) {
  std::u16string path;
  {
    std::lock_guard guard(table().lock);
    Module* m = findLocked(handle);
    if (m == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = m->fileName;
  }
  if (fileName == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // As on Windows: a name that does not fit is cut to size - 1 units, terminated, and the
  // call answers size with ERROR_INSUFFICIENT_BUFFER.
  if (path.size() >= size) {
    std::memcpy(fileName, path.data(), (size - 1) * sizeof(char16_t));
    fileName[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(fileName, path.data(), path.size() * sizeof(char16_t));
  fileName[path.size()] = 0;
  return static_cast<DWORD>(path.size());
}
