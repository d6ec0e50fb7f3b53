// The files a process removes when it ends: Windows closes every handle of a process however it
// ends, so a file to be deleted on close never outlives it. Here the system keeps named files,
// so the layer lists them and removes them at the normal end, on the ending signals that still
// have their default action, and from any last-resort exit path that calls
// removeUnfinishedFiles. Only SIGKILL (and a machine that stops) leaves them.
#include "winapi/kernel32/unfinished.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace winapi::files {

namespace {

enum : uint32_t { kFree = 0, kReserved = 1, kArmed = 2 };

// Entries come in blocks that are never freed: the removal may run inside a signal handler
// while another thread adds a block, so it must be able to follow every link it can see.
constexpr int kSlotsPerBlock = 16;

struct Block;

}  // namespace

struct UnfinishedSlot {
  std::atomic<uint32_t> state{kFree};
  char path[PATH_MAX];
};

namespace {

struct Block {
  UnfinishedSlot slots[kSlotsPerBlock];
  Block* next = nullptr;
};

std::atomic<Block*> s_blocks{nullptr};
// The process the entries belong to: a forked child that ends never removes its parent's files.
std::atomic<pid_t> s_owner{0};

void onEndingSignal(int signal) {
  const int saved = errno;
  removeUnfinishedFiles();
  // Then the end the signal would have brought, so the parent learns how the process ended. The
  // signal stays blocked until the handler returns, and is delivered then.
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  raise(signal);
  errno = saved;
}

void removeAtExit() { removeUnfinishedFiles(); }

// A program that handles these signals itself (or ignores them) keeps its handling, and calls
// removeUnfinishedFiles on its own way out.
void arrangeRemoval() {
  s_owner.store(getpid(), std::memory_order_release);
  std::atexit(removeAtExit);
  for (int signal : {SIGINT, SIGHUP, SIGTERM}) {
    struct sigaction old {};
    if (sigaction(signal, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) {
      continue;
    }
    struct sigaction action {};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
  }
}

bool claim(UnfinishedSlot& slot, const char* path, size_t length) {
  uint32_t expected = kFree;
  if (!slot.state.compare_exchange_strong(expected, kReserved, std::memory_order_acquire)) return false;
  std::memcpy(slot.path, path, length + 1);
  return true;
}

}  // namespace

UnfinishedSlot* reserveUnfinished(const char* path) {
  const size_t length = std::strlen(path);
  if (length >= PATH_MAX) {
    errno = ENAMETOOLONG;
    return nullptr;
  }
  static std::once_flag once;
  std::call_once(once, arrangeRemoval);
  for (Block* block = s_blocks.load(std::memory_order_acquire); block != nullptr; block = block->next) {
    for (UnfinishedSlot& slot : block->slots) {
      if (claim(slot, path, length)) return &slot;
    }
  }
  Block* block = new (std::nothrow) Block;
  if (block == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  claim(block->slots[0], path, length);
  Block* head = s_blocks.load(std::memory_order_relaxed);
  do {
    block->next = head;
  } while (!s_blocks.compare_exchange_weak(head, block, std::memory_order_release, std::memory_order_relaxed));
  return &block->slots[0];
}

void armUnfinished(UnfinishedSlot* slot) {
  if (slot != nullptr) slot->state.store(kArmed, std::memory_order_release);
}

void dropUnfinished(UnfinishedSlot* slot) {
  if (slot != nullptr) slot->state.store(kFree, std::memory_order_release);
}

void removeUnfinishedFiles() noexcept {
  if (s_owner.load(std::memory_order_acquire) != getpid()) return;
  const int saved = errno;
  for (Block* block = s_blocks.load(std::memory_order_acquire); block != nullptr; block = block->next) {
    for (UnfinishedSlot& slot : block->slots) {
      if (slot.state.load(std::memory_order_acquire) == kArmed) unlink(slot.path);
    }
  }
  errno = saved;
}

}  // namespace winapi::files
