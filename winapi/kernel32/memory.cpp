// Pages of memory for large buffers.
// Status: VirtualAlloc with MEM_RESERVE | MEM_COMMIT and PAGE_READWRITE, VirtualFree with MEM_RELEASE.
// Left out on purpose: reserving without committing, other protections, and decommitting, which
// nothing asks for and which answer ERROR_INVALID_PARAMETER.
#include <windows.h>

#include <sys/mman.h>

#include <map>
#include <mutex>

namespace {

// The size of each mapping, which munmap needs and VirtualFree is not told.
std::mutex s_lock;
std::map<void*, SIZE_T>& mappings() {
  static auto* const table = new std::map<void*, SIZE_T>();
  return *table;
}

}  // namespace

extern "C" LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
  if (address != nullptr || size == 0 || (allocationType & MEM_COMMIT) == 0 ||
      (allocationType & ~(MEM_COMMIT | MEM_RESERVE)) != 0 || protect != PAGE_READWRITE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard guard(s_lock);
  mappings()[block] = size;
  return block;
}

extern "C" BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
  if (freeType != MEM_RELEASE || size != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  SIZE_T length = 0;
  {
    std::lock_guard guard(s_lock);
    auto found = mappings().find(address);
    if (found == mappings().end()) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return FALSE;
    }
    length = found->second;
    mappings().erase(found);
  }
  munmap(address, length);
  return TRUE;
}
