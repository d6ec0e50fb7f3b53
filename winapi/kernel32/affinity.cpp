// GetProcessAffinityMask: the CPUs this process may run on, as taskset or the scheduler leave
// them, beside those the system has.
// Left out: SetProcessAffinityMask, other processes' masks, and processor groups: a mask names the
// first 64 CPUs only.
#include <windows.h>

#include <sched.h>
#include <unistd.h>

#include <climits>

namespace {

/// Bits 0 to 63 of a CPU set.
DWORD_PTR maskOf(const cpu_set_t& set) {
  DWORD_PTR mask = 0;
  for (int cpu = 0; cpu < static_cast<int>(sizeof(DWORD_PTR) * CHAR_BIT) && cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &set)) mask |= DWORD_PTR{1} << cpu;
  }
  return mask;
}

}  // namespace

extern "C" BOOL WINAPI GetProcessAffinityMask(HANDLE process, DWORD_PTR* processMask, DWORD_PTR* systemMask) {
  if (process != GetCurrentProcess()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (processMask == nullptr || systemMask == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Linux keeps a mask per thread; a process started under taskset, or moved by it, has it on
  // every thread, so the calling thread's stands for the process's.
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  cpu_set_t present;
  CPU_ZERO(&present);
  const long configured = sysconf(_SC_NPROCESSORS_CONF);
  for (long cpu = 0; cpu < configured && cpu < CPU_SETSIZE; ++cpu) CPU_SET(static_cast<int>(cpu), &present);
  *processMask = maskOf(allowed);
  *systemMask = maskOf(present) | *processMask;
  return TRUE;
}
