// The choice between the filters' 128-bit, 256-bit and 512-bit vector code.
#include "audio/filter/Simd.h"

#include <atomic>

namespace s::sound::filter::simd {

namespace {

bool hasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

std::atomic<bool>& avx2Switch() {
  static std::atomic<bool> s_use(hasAvx2());
  return s_use;
}

bool hasAvx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512dq") != 0;
}

std::atomic<bool>& avx512Switch() {
  static std::atomic<bool> s_use(hasAvx512());
  return s_use;
}

}  // namespace

bool useAvx2() { return avx2Switch().load(std::memory_order_relaxed); }

bool useAvx512() { return useAvx2() && avx512Switch().load(std::memory_order_relaxed); }

bool setUseAvx512(bool use) {
  if (use && !hasAvx512()) {
    return false;
  }
  avx512Switch().store(use);
  return true;
}

bool setUseAvx2(bool use) {
  if (use && !hasAvx2()) {
    return false;
  }
  avx2Switch().store(use);
  return true;
}

}  // namespace s::sound::filter::simd
