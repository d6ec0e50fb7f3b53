// The registry of built-in modules and their exports.
#include "winapi/base/builtin.h"

#include <windows.h>

#include "winapi/base/ascii.h"

#include <map>
#include <mutex>
#include <string>

namespace winapi {
namespace {

std::u16string foldName(const char16_t* name) {
  std::u16string folded;
  for (; name != nullptr && *name != 0; ++name) folded.push_back(winapi::ascii::toLower(*name));
  return folded;
}

struct Registry {
  std::mutex lock;
  std::map<std::u16string, std::map<std::string, void*>> modules;
};

// Built on first use, so registrars in any translation unit may run before it.
Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: modules outlive static destructors
  return *r;
}

}  // namespace

void registerBuiltinExports(const char16_t* moduleFileName, std::span<const BuiltinExport> exports) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto& table = r.modules[foldName(moduleFileName)];
  for (const BuiltinExport& e : exports) table[e.name] = e.address;
}

void* findBuiltinExport(const char16_t* moduleFileName, const char* exportName) {
  if (exportName == nullptr) return nullptr;
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto module = r.modules.find(foldName(moduleFileName));
  if (module == r.modules.end()) return nullptr;
  auto found = module->second.find(exportName);
  return found == module->second.end() ? nullptr : found->second;
}

bool isBuiltinModule(const char16_t* moduleFileName) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  return r.modules.count(foldName(moduleFileName)) != 0;
}

}  // namespace winapi
