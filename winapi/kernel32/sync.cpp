// Critical sections over recursive POSIX mutexes, and Sleep.
// Left out: spin counts (accepted and ignored; the mutex spins on its own).
#include <windows.h>

#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <new>

static_assert(sizeof(CRITICAL_SECTION) >= sizeof(pthread_mutex_t), "critical section too small");
static_assert(alignof(CRITICAL_SECTION) >= alignof(pthread_mutex_t), "critical section misaligned");

static pthread_mutex_t* mutexOf(LPCRITICAL_SECTION cs) { return reinterpret_cast<pthread_mutex_t*>(cs->Opaque); }

extern "C" void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  // Windows critical sections may be entered again by the thread that owns them.
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(new (cs->Opaque) pthread_mutex_t, &attr);
  pthread_mutexattr_destroy(&attr);
}

extern "C" BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD) {
  InitializeCriticalSection(cs);
  return TRUE;
}

extern "C" void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_lock(mutexOf(cs)); }

extern "C" BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
  return pthread_mutex_trylock(mutexOf(cs)) == 0 ? TRUE : FALSE;
}

extern "C" void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_unlock(mutexOf(cs)); }

extern "C" void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_destroy(mutexOf(cs)); }

extern "C" void WINAPI Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  // INFINITE sleeps for good, as on Windows; a signal does not cut a sleep short.
  timespec left{};
  if (milliseconds == INFINITE) {
    left.tv_sec = 0x7FFFFFFF;
  } else {
    left.tv_sec = milliseconds / 1000;
    left.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  }
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}
