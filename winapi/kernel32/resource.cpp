// Module resources read from the container appended to a module's file.
// Status: data-file modules, EnumResourceTypesW, EnumResourceNamesW, EnumResourceLanguagesW,
// FindResourceW, FindResourceExW, SizeofResource, LoadResource, LockResource, for data-file
// modules, the running program (through /proc/self/exe) and loaded libraries (through their file).
// A resource numbered 0 is found like any other: its argument is MAKEINTRESOURCEW(0), a null
// pointer. Left out on purpose: entries that no argument can name (a text in lower case, with a
// NUL inside, or of the form "#123"), which only a container written elsewhere can hold; they are
// not listed, so that every resource the enumeration shows can also be found.
#include "winapi/kernel32/resource.h"

#include "winapi/base/unixpath.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace winapi::resources {

namespace {

struct Modules {
  std::mutex lock;
  std::map<HMODULE, std::shared_ptr<ResourceModule>> dataFiles;
  // Modules whose file is the program's or a loaded library's: read on first use and kept, as
  // the loaded image is kept.
  std::map<std::string, std::shared_ptr<ResourceModule>> files;
};

Modules& modules() {
  static Modules* m = new Modules;  // outlives static destructors that may still free modules
  return *m;
}

// The argument form of an id for a callback; the text lives in `storage`.
LPWSTR argumentOf(const ResourceId& id, std::u16string& storage) {
  if (id.isNumber) return MAKEINTRESOURCEW(id.number);
  storage = id.text;
  return storage.data();
}

// Whether the argument the enumeration hands out for the id finds the id again.
bool isNameable(const ResourceId& id) {
  std::u16string storage;
  return id.isNumber || resourceIdOf(argumentOf(id, storage)) == id;
}

// Reads a file's container; the error says what is wrong with it, or ERROR_SUCCESS.
std::shared_ptr<ResourceModule> readModule(const std::string& path) {
  auto module = std::make_shared<ResourceModule>();
  module->path = path;
  FileResources resources;
  switch (readFile(path, resources)) {
    case ReadStatus::Ok:
      // An entry that no argument can name would be listed and then not found: every caller
      // that reads what it lists would stop there, and with it lose the resources after it.
      for (ResourceEntry& entry : resources.entries) {
        if (isNameable(entry.type) && isNameable(entry.name)) module->entries.push_back(std::move(entry));
      }
      break;
    case ReadStatus::None: break;
    case ReadStatus::Damaged: module->error = ERROR_BAD_EXE_FORMAT; break;
    case ReadStatus::IoError: module->error = ERROR_FILE_NOT_FOUND; break;
  }
  return module;
}

std::shared_ptr<ResourceModule> fileModule(const std::string& path) {
  Modules& m = modules();
  std::lock_guard<std::mutex> guard(m.lock);
  auto found = m.files.find(path);
  if (found != m.files.end()) return found->second;
  std::shared_ptr<ResourceModule> module = readModule(path);
  m.files.emplace(path, module);
  return module;
}

using Entries = std::vector<ResourceEntry>;

// The entries of one type (and name), a contiguous run in directory order.
std::pair<Entries::const_iterator, Entries::const_iterator> rangeOf(const Entries& entries, const ResourceId& type,
                                                                    const ResourceId* name) {
  auto first = std::find_if(entries.begin(), entries.end(), [&](const ResourceEntry& e) {
    return e.type == type && (name == nullptr || e.name == *name);
  });
  auto last = std::find_if(first, entries.end(), [&](const ResourceEntry& e) {
    return !(e.type == type && (name == nullptr || e.name == *name));
  });
  return {first, last};
}

// The module with at least one resource, or null with the error of its absence.
std::shared_ptr<const ResourceModule> populatedModule(HMODULE module) {
  std::shared_ptr<const ResourceModule> resources = moduleResources(module);
  if (resources != nullptr && resources->entries.empty()) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return resources;
}

// The entry a resource handle names, checked to belong to the module.
const ResourceEntry* entryOf(const ResourceModule& module, HRSRC resource) {
  const auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  const ResourceEntry* first = module.entries.data();
  const ResourceEntry* end = first + module.entries.size();
  if (entry < first || entry >= end ||
      (reinterpret_cast<const char*>(entry) - reinterpret_cast<const char*>(first)) % sizeof(ResourceEntry) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return entry;
}

bool stoppedByCaller() {
  SetLastError(ERROR_RESOURCE_ENUM_USER_STOP);
  return false;
}

}  // namespace

ResourceId resourceIdOf(LPCWSTR value) {
  if (IS_INTRESOURCE(value)) return ResourceId::fromNumber(LOWORD(reinterpret_cast<ULONG_PTR>(value)));
  std::u16string_view text(value);
  if (text.size() > 1 && text.size() <= 6 && text[0] == u'#' &&
      std::all_of(text.begin() + 1, text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
    unsigned long number = std::stoul(std::string(text.begin() + 1, text.end()));
    if (number <= 0xFFFF) return ResourceId::fromNumber(static_cast<uint16_t>(number));
  }
  return ResourceId::fromText(text);
}

HMODULE openDataFileModule(LPCWSTR fileName) {
  std::string path;
  if (!winapi::paths::toUnix(fileName, path)) return nullptr;
  std::shared_ptr<ResourceModule> module = readModule(path);
  if (module->error != ERROR_SUCCESS) {
    SetLastError(module->error);
    return nullptr;
  }
  // Windows marks data-file handles by their low bit; a real module is never at an odd address.
  auto handle = reinterpret_cast<HMODULE>(reinterpret_cast<ULONG_PTR>(module.get()) | 1);
  Modules& m = modules();
  std::lock_guard<std::mutex> guard(m.lock);
  m.dataFiles.emplace(handle, std::move(module));
  return handle;
}

bool closeDataFileModule(HMODULE module) {
  Modules& m = modules();
  std::lock_guard<std::mutex> guard(m.lock);
  return m.dataFiles.erase(module) != 0;
}

std::shared_ptr<const ResourceModule> moduleResources(HMODULE module) {
  std::shared_ptr<ResourceModule> resources;
  if (module == nullptr) {
    resources = fileModule("/proc/self/exe");
  } else if (reinterpret_cast<ULONG_PTR>(module) & 1) {
    Modules& m = modules();
    std::lock_guard<std::mutex> guard(m.lock);
    auto found = m.dataFiles.find(module);
    if (found != m.dataFiles.end()) resources = found->second;
  } else {
    WCHAR name[4096];
    DWORD length = GetModuleFileNameW(module, name, 4096);
    std::string path;
    if (length == 0 || length >= 4096 || !winapi::paths::toUnix(name, path)) return nullptr;
    resources = fileModule(path);
  }
  if (resources == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (resources->error != ERROR_SUCCESS) {
    SetLastError(resources->error);
    return nullptr;
  }
  return resources;
}

}  // namespace winapi::resources

using namespace winapi::resources;

extern "C" {

BOOL WINAPI EnumResourceTypesW(HMODULE module, ENUMRESTYPEPROCW callback, LONG_PTR param) {
  std::shared_ptr<const ResourceModule> resources = populatedModule(module);
  if (resources == nullptr) return FALSE;
  const Entries& entries = resources->entries;
  std::u16string text;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0 && entries[i].type == entries[i - 1].type) continue;
    if (!callback(module, argumentOf(entries[i].type, text), param)) return stoppedByCaller();
  }
  return TRUE;
}

BOOL WINAPI EnumResourceNamesW(HMODULE module, LPCWSTR type, ENUMRESNAMEPROCW callback, LONG_PTR param) {
  std::shared_ptr<const ResourceModule> resources = populatedModule(module);
  if (resources == nullptr) return FALSE;
  auto [first, last] = rangeOf(resources->entries, resourceIdOf(type), nullptr);
  if (first == last) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  std::u16string text;
  for (auto e = first; e != last; ++e) {
    if (e != first && e->name == (e - 1)->name) continue;
    if (!callback(module, type, argumentOf(e->name, text), param)) return stoppedByCaller();
  }
  return TRUE;
}

BOOL WINAPI EnumResourceLanguagesW(HMODULE module, LPCWSTR type, LPCWSTR name, ENUMRESLANGPROCW callback,
                                   LONG_PTR param) {
  std::shared_ptr<const ResourceModule> resources = populatedModule(module);
  if (resources == nullptr) return FALSE;
  ResourceId typeId = resourceIdOf(type), nameId = resourceIdOf(name);
  auto [first, last] = rangeOf(resources->entries, typeId, &nameId);
  if (first == last) {
    bool typeExists = rangeOf(resources->entries, typeId, nullptr).first != resources->entries.end();
    SetLastError(typeExists ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  for (auto e = first; e != last; ++e) {
    if (!callback(module, type, name, e->language, param)) return stoppedByCaller();
  }
  return TRUE;
}

HRSRC WINAPI FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
  // A null type or name is MAKEINTRESOURCEW(0), the number 0, which a module may carry.
  std::shared_ptr<const ResourceModule> resources = populatedModule(module);
  if (resources == nullptr) return nullptr;
  ResourceId typeId = resourceIdOf(type), nameId = resourceIdOf(name);
  auto [first, last] = rangeOf(resources->entries, typeId, &nameId);
  if (first == last) {
    bool typeExists = rangeOf(resources->entries, typeId, nullptr).first != resources->entries.end();
    SetLastError(typeExists ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  // The language asked, then ever broader ones; a resource in any language beats none.
  LANGID user = GetUserDefaultUILanguage();
  const WORD exact[] = {
      language,
      MAKELANGID(PRIMARYLANGID(language), SUBLANG_NEUTRAL),
      MAKELANGID(PRIMARYLANGID(language), SUBLANG_DEFAULT),
      MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
      MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT),
      user,
      MAKELANGID(PRIMARYLANGID(user), SUBLANG_NEUTRAL),
      MAKELANGID(PRIMARYLANGID(user), SUBLANG_DEFAULT),
      MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
      MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL),
  };
  for (WORD candidate : exact) {
    for (auto e = first; e != last; ++e) {
      if (e->language == candidate) return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&*e));
    }
  }
  // Then another country's variant of the language asked, of the user's, of English.
  const WORD primaries[] = {PRIMARYLANGID(language), PRIMARYLANGID(user), LANG_ENGLISH};
  for (WORD primary : primaries) {
    if (primary == LANG_NEUTRAL) continue;
    for (auto e = first; e != last; ++e) {
      if (PRIMARYLANGID(e->language) == primary) return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&*e));
    }
  }
  return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(&*first));
}

HRSRC WINAPI FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  return FindResourceExW(module, type, name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
}

DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource) {
  std::shared_ptr<const ResourceModule> resources = moduleResources(module);
  const ResourceEntry* entry = resources == nullptr ? nullptr : entryOf(*resources, resource);
  return entry == nullptr ? 0 : static_cast<DWORD>(entry->data.size());
}

HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource) {
  static const BYTE kEmpty[1] = {0};  // an empty resource still loads
  std::shared_ptr<const ResourceModule> resources = moduleResources(module);
  const ResourceEntry* entry = resources == nullptr ? nullptr : entryOf(*resources, resource);
  if (entry == nullptr) return nullptr;
  return const_cast<BYTE*>(entry->data.empty() ? kEmpty : entry->data.data());
}

LPVOID WINAPI LockResource(HGLOBAL data) { return data; }

}  // extern "C"
