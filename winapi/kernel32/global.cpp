// Global memory blocks: GlobalAlloc, GlobalLock, GlobalUnlock, GlobalSize and GlobalFree.
// A fixed block's handle is its address; a movable block has a handle of its own, and its lock
// count is kept as Windows keeps it.
// Left out: GlobalReAlloc, GlobalFlags, GlobalHandle and discardable blocks, which nothing asks for.
#include <windows.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct Block {
  std::unique_ptr<unsigned char[]> bytes;
  SIZE_T size = 0;
  bool movable = false;
  unsigned locks = 0;
};

std::mutex s_lock;
std::map<uintptr_t, Block>& blocks() {
  static auto* const table = new std::map<uintptr_t, Block>();
  return *table;
}
// Handles of movable blocks: never an address, so a handle is never mistaken for a fixed block.
uintptr_t s_nextHandle = 0x6B000000u;

Block* blockOf(HGLOBAL handle) {
  auto found = blocks().find(reinterpret_cast<uintptr_t>(handle));
  if (found == blocks().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &found->second;
}

}  // namespace

extern "C" HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
  if ((flags & ~(GMEM_MOVEABLE | GMEM_ZEROINIT)) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Block block;
  block.movable = (flags & GMEM_MOVEABLE) != 0;
  block.size = bytes;
  // A fixed block of size 0 still has an address; a movable one of size 0 has no bytes.
  if (bytes > 0 || !block.movable) {
    block.bytes.reset(new (std::nothrow) unsigned char[bytes > 0 ? bytes : 1]);
    if (!block.bytes) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if (flags & GMEM_ZEROINIT) std::memset(block.bytes.get(), 0, bytes);
  }
  std::lock_guard guard(s_lock);
  uintptr_t handle = block.movable ? (s_nextHandle += 8) : reinterpret_cast<uintptr_t>(block.bytes.get());
  blocks()[handle] = std::move(block);
  return reinterpret_cast<HGLOBAL>(handle);
}

extern "C" LPVOID WINAPI GlobalLock(HGLOBAL handle) {
  std::lock_guard guard(s_lock);
  Block* block = blockOf(handle);
  if (block == nullptr || !block->bytes) return nullptr;
  if (block->movable) ++block->locks;
  return block->bytes.get();
}

extern "C" BOOL WINAPI GlobalUnlock(HGLOBAL handle) {
  std::lock_guard guard(s_lock);
  Block* block = blockOf(handle);
  if (block == nullptr) return FALSE;
  if (!block->movable) return TRUE;  // a fixed block is never locked, as on Windows
  if (block->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--block->locks > 0) return TRUE;
  SetLastError(NO_ERROR);
  return FALSE;
}

extern "C" SIZE_T WINAPI GlobalSize(HGLOBAL handle) {
  std::lock_guard guard(s_lock);
  Block* block = blockOf(handle);
  return block != nullptr ? block->size : 0;
}

extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL handle) {
  if (handle == nullptr) return nullptr;
  std::lock_guard guard(s_lock);
  if (blockOf(handle) == nullptr) return handle;
  blocks().erase(reinterpret_cast<uintptr_t>(handle));
  return nullptr;
}
