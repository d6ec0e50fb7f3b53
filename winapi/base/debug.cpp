// The layer's debug channels: LUMETRA_DEBUG read on first use, and the lines written to
// standard error. Left out on purpose: per-function filters and other outputs than standard
// error (a redirect of the program's standard error serves for a file).
#include "winapi/base/debug.h"

#include "winapi/base/threadid.h"

#include <windows.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace winapi::debug {

namespace {

constexpr unsigned kChannelCount = static_cast<unsigned>(Channel::Count);
static_assert(kChannelCount < 31, "bit 31 of a mask is kUnread");
constexpr unsigned kAllChannels = (1u << kChannelCount) - 1u;

constexpr const char* kNames[kChannelCount] = {"kernel32", "ntdll",   "advapi32", "msvcrt", "user32",  "gdi32",
                                               "shell32",  "shlwapi", "mfc",      "x11",    "headless"};

// The bits a name stands for; 0 for a name that is no channel.
unsigned bitsOf(std::string_view name) {
  if (name == "all") return kAllChannels;
  for (unsigned i = 0; i < kChannelCount; ++i) {
    if (name == kNames[i]) return 1u << i;
  }
  return 0;
}

void writeLine(const char* text, size_t size) {
  // One write per line: the kernel keeps a single write to a pipe or terminal whole.
  while (size > 0) {
    ssize_t n = ::write(STDERR_FILENO, text, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text += n;
    size -= static_cast<size_t>(n);
  }
}

}  // namespace

std::atomic<unsigned> g_traceMask{kUnread};
// FIXME lines are on until the environment says otherwise, so even a racing first reader
// sees the default.
std::atomic<unsigned> g_fixmeMask{kAllChannels};

const char* channelName(Channel channel) {
  unsigned i = static_cast<unsigned>(channel);
  return i < kChannelCount ? kNames[i] : "?";
}

unsigned configureFromEnvironment() {
  unsigned trace = 0, fixme = kAllChannels;
  std::string unknown;
  const char* value = std::getenv("LUMETRA_DEBUG");
  std::string_view rest = value == nullptr ? std::string_view() : std::string_view(value);
  while (!rest.empty()) {
    size_t comma = rest.find(',');
    std::string_view item = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    bool off = !item.empty() && item.front() == '-';
    if (off || (!item.empty() && item.front() == '+')) item.remove_prefix(1);
    if (item.empty()) continue;
    if (item == "fixme") {
      fixme = off ? 0 : kAllChannels;
      continue;
    }
    unsigned bits = bitsOf(item);
    if (bits == 0) {
      if (!unknown.empty()) unknown += ", ";
      unknown.append(item);
    } else if (off) {
      trace &= ~bits;
      fixme &= ~bits;
    } else {
      trace |= bits;
      fixme |= bits;
    }
  }
  g_fixmeMask.store(fixme, std::memory_order_relaxed);
  g_traceMask.store(trace, std::memory_order_release);
  if (!unknown.empty()) {
    // Appended, never concatenated: GCC 12's -Wrestrict misjudges operator+ in Release builds.
    std::string line = "lumetra: LUMETRA_DEBUG names no channel: ";
    line += unknown;
    line += " (channels: all";
    for (const char* name : kNames) {
      line += ", ";
      line += name;
    }
    line += "; -name silences one, -fixme every FIXME)\n";
    writeLine(line.data(), line.size());
  }
  return trace;
}

void print(Channel channel, const char* kind, const char* function, const char* format, ...) {
  // Callers report through errno (the run-time's file calls); a log line must not change it.
  int savedErrno = errno;
  char line[1024];
  int head = std::snprintf(line, sizeof line, "%lu:%s:%s:%s ", static_cast<unsigned long>(currentThreadId()), kind,
                           channelName(channel), function);
  size_t used = head < 0 ? 0 : std::min(static_cast<size_t>(head), sizeof line - 1);
  va_list args;
  va_start(args, format);
  int body = std::vsnprintf(line + used, sizeof line - used, format, args);
  va_end(args);
  if (body > 0) used = std::min(used + static_cast<size_t>(body), sizeof line - 2);
  line[used++] = '\n';
  writeLine(line, used);
  errno = savedErrno;
}

}  // namespace winapi::debug
