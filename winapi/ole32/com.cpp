// COM start-up, the in-process class table and the task allocator.
// Status: CoInitialize(Ex), CoUninitialize, CoCreateInstance over the table of winapi/ole32/classes.h,
// CoTaskMemAlloc/Realloc/Free, CoGetMalloc.
// Left out on purpose: out-of-process servers, marshalling, the registry's class keys and
// aggregation (refused with CLASS_E_NOAGGREGATION); apartments are not told apart.
#include <objbase.h>

#include "winapi/ole32/classes.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
// {00000000-0000-0000-C000-000000000046}
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IMalloc = {0x00000002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDataObject = {0x0000010E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}

namespace {

struct ClassEntry {
  CLSID id;
  winapi::com::ClassMaker maker;
};

struct ClassTable {
  std::mutex lock;
  std::vector<ClassEntry> entries;
};

ClassTable& classTable() {
  static ClassTable* const table = new ClassTable();  // classes register from static initialisers
  return *table;
}

thread_local int t_initCount = 0;

// Task memory keeps its size in front of the block, so Realloc and GetSize can answer.
constexpr size_t kHeader = 16;

class TaskAllocator final : public IMalloc {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMalloc) {
      *object = static_cast<IMalloc*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // The allocator lives as long as the process: references are not counted.
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  void* STDMETHODCALLTYPE Alloc(SIZE_T size) override { return CoTaskMemAlloc(size); }
  void* STDMETHODCALLTYPE Realloc(void* block, SIZE_T size) override { return CoTaskMemRealloc(block, size); }
  void STDMETHODCALLTYPE Free(void* block) override { CoTaskMemFree(block); }
  SIZE_T STDMETHODCALLTYPE GetSize(void* block) override {
    if (block == nullptr) return static_cast<SIZE_T>(-1);
    size_t size;
    std::memcpy(&size, static_cast<char*>(block) - kHeader, sizeof size);
    return size;
  }
  int STDMETHODCALLTYPE DidAlloc(void* block) override { return block == nullptr ? 0 : -1; }
  void STDMETHODCALLTYPE HeapMinimize() override {}
};

}  // namespace

namespace winapi::com {

void registerClass(const CLSID& classId, ClassMaker maker) {
  ClassTable& table = classTable();
  std::lock_guard guard(table.lock);
  for (const ClassEntry& entry : table.entries) {
    if (entry.id == classId) return;
  }
  table.entries.push_back({classId, maker});
}

bool isInitialized() { return t_initCount > 0; }

}  // namespace winapi::com

extern "C" HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) { return t_initCount++ == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT WINAPI CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

extern "C" void WINAPI CoUninitialize(void) {
  if (t_initCount > 0) --t_initCount;
}

extern "C" HRESULT WINAPI CoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid,
                                           LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (t_initCount == 0) return CO_E_NOTINITIALIZED;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if ((context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)) == 0) return REGDB_E_CLASSNOTREG;
  winapi::com::ClassMaker maker = nullptr;
  {
    ClassTable& table = classTable();
    std::lock_guard guard(table.lock);
    for (const ClassEntry& entry : table.entries) {
      if (entry.id == classId) maker = entry.maker;
    }
  }
  if (maker == nullptr) return REGDB_E_CLASSNOTREG;
  return maker(iid, object);
}

extern "C" LPVOID WINAPI CoTaskMemAlloc(SIZE_T size) {
  char* block = static_cast<char*>(std::malloc(kHeader + size));
  if (block == nullptr) return nullptr;
  const size_t stored = size;
  std::memcpy(block, &stored, sizeof stored);
  return block + kHeader;
}

extern "C" LPVOID WINAPI CoTaskMemRealloc(LPVOID block, SIZE_T size) {
  if (block == nullptr) return CoTaskMemAlloc(size);
  char* moved = static_cast<char*>(std::realloc(static_cast<char*>(block) - kHeader, kHeader + size));
  if (moved == nullptr) return nullptr;
  const size_t stored = size;
  std::memcpy(moved, &stored, sizeof stored);
  return moved + kHeader;
}

extern "C" void WINAPI CoTaskMemFree(LPVOID block) {
  if (block != nullptr) std::free(static_cast<char*>(block) - kHeader);
}

extern "C" HRESULT WINAPI CoGetMalloc(DWORD, LPMALLOC* malloc) {
  if (malloc == nullptr) return E_POINTER;
  static TaskAllocator allocator;
  *malloc = &allocator;
  return S_OK;
}
