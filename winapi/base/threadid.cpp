// The calling thread's id.
#include "winapi/base/threadid.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace winapi {

DWORD currentThreadId() {
  static thread_local DWORD t_id = static_cast<DWORD>(syscall(SYS_gettid));
  return t_id;
}

}  // namespace winapi
