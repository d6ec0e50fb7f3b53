// The layer's one clock: monotonic milliseconds behind GetTickCount(64), message times, timers
// and the time-outs of waits on objects. A test can stop it and move it by hand (the headless
// driver does so); while it stands still, those time-outs end only when it is moved past them.
// Sleep keeps real time, so a poll that sleeps goes on whatever the clock does.
#pragma once

#include <windows.h>

#include <cstddef>

namespace winapi::clock {

/// Milliseconds since an arbitrary start; never goes back while it runs. Any thread.
ULONGLONG now();
/// Whether it stands still (a test stopped it).
bool stopped();
/// Stops it at `ms` (which may lie before the present reading: a test sets what it needs).
void stopAt(ULONGLONG ms);
/// Moves it on by `ms`, stopping it first at its present reading when it runs.
void advance(ULONGLONG ms);
/// Lets it run again from where it stands, so it never goes back.
void run();

/// Waits on objects with a time-out going on now: a test that holds the clock still moves it
/// once the waits it means to end have begun, so each one's time-out counts from the reading
/// it began at.
size_t timedWaits();

/// Counts one such wait for its lifetime (WaitForMultipleObjects holds one).
class TimedWait {
 public:
  TimedWait();
  ~TimedWait();
  TimedWait(const TimedWait&) = delete;
  TimedWait& operator=(const TimedWait&) = delete;
};

}  // namespace winapi::clock
