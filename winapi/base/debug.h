// Diagnostics of the layer: one debug channel per area, chosen by the environment variable
// LUMETRA_DEBUG, and FIXME reports of calls the layer cannot honour. Lines go to standard error
// with the thread, the kind, the channel and the function they come from.
#pragma once

#include <atomic>

namespace winapi::debug {

/// The channels, one per area of the layer and one per display driver.
enum class Channel : unsigned {
  Kernel32,
  Ntdll,
  Advapi32,
  Msvcrt,
  User32,
  Gdi32,
  Shell32,
  Shlwapi,
  Mfc,
  X11,
  Headless,
  Count,
};

/// The name LUMETRA_DEBUG knows a channel by: "kernel32", "x11", ...
const char* channelName(Channel channel);

/// Bit c of the trace mask enables TRACE and WARN lines of channel c; bit c of the fixme mask
/// enables its FIXME lines. kUnread in the trace mask says the environment is not read yet.
constexpr unsigned kUnread = 1u << 31;
extern std::atomic<unsigned> g_traceMask;
extern std::atomic<unsigned> g_fixmeMask;

/// Reads LUMETRA_DEBUG (again) and sets both masks from it; returns the trace mask.
/// The variable is a comma-separated list read from left to right: a channel name, or "all",
/// enables every line of those channels; "-name" or "-all" silences them, FIXME lines included;
/// "fixme" and "-fixme" turn the FIXME lines of every channel on or off. Without the variable no
/// channel traces and FIXME lines are on, so gaps stay visible. Unknown names are reported on
/// standard error. Any thread may call it; the first line of any channel does, and tests call
/// it again after changing the variable.
unsigned configureFromEnvironment();

/// Whether the TRACE and WARN (or the FIXME) lines of a channel are on: one load and a bit
/// test, once the environment has been read.
inline bool traceOn(Channel channel) {
  unsigned mask = g_traceMask.load(std::memory_order_relaxed);
  if ((mask & kUnread) != 0) mask = configureFromEnvironment();
  return (mask >> static_cast<unsigned>(channel) & 1u) != 0;
}

inline bool fixmeOn(Channel channel) {
  if ((g_traceMask.load(std::memory_order_relaxed) & kUnread) != 0) configureFromEnvironment();
  return (g_fixmeMask.load(std::memory_order_relaxed) >> static_cast<unsigned>(channel) & 1u) != 0;
}

/// Writes one line "<thread id>:<kind>:<channel>:<function> <message>" to standard error in a
/// single write, so lines of different threads never interleave. Messages longer than about
/// a kilobyte are cut. Safe on any thread; it sets no last error.
void print(Channel channel, const char* kind, const char* function, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

}  // namespace winapi::debug

/// A trace line of a channel: TRACE(User32, "class %s", name). Costs one flag test when off.
#define TRACE(channel, ...) WINAPI_DEBUG_LINE(channel, "trace", __VA_ARGS__)

/// Something went wrong that the caller hears of only as a failure (an X error, a lost server).
#define WARN(channel, ...) WINAPI_DEBUG_LINE(channel, "warn", __VA_ARGS__)

/// A call, or a form of a call, that the layer answers with its failure because it does not do
/// it. Reported once per place in the code, however often the call comes.
#define FIXME(channel, ...)                                                                      \
  do {                                                                                           \
    static std::atomic<bool> s_fixmeReported{false};                                             \
    if (::winapi::debug::fixmeOn(::winapi::debug::Channel::channel) &&                           \
        !s_fixmeReported.exchange(true, std::memory_order_relaxed)) {                            \
      ::winapi::debug::print(::winapi::debug::Channel::channel, "fixme", __func__, __VA_ARGS__); \
    }                                                                                            \
  } while (0)

#define WINAPI_DEBUG_LINE(channel, kind, ...)                                                 \
  do {                                                                                        \
    if (::winapi::debug::traceOn(::winapi::debug::Channel::channel)) {                        \
      ::winapi::debug::print(::winapi::debug::Channel::channel, kind, __func__, __VA_ARGS__); \
    }                                                                                         \
  } while (0)
