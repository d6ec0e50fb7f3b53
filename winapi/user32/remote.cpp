// Windows of other processes of the same user on the same display. Each process publishes its
// top-level windows (handle, thread, visibility, title, class) in a file of the folder
// lumetra-windows/<display> in $XDG_RUNTIME_DIR and answers requests on a Unix-domain socket
// beside it, so EnumWindows,
// FindWindowW, GetWindowTextW, GetWindowThreadProcessId and SendMessageTimeoutW reach windows of
// other processes. A window handle carries its process id in its upper 32 bits. Entries of
// processes that no longer run are ignored (and their files removed).
// Only messages whose parameters are plain values cross processes: WM_NULL, WM_CLOSE and the
// private ranges from WM_USER up; others fail with ERROR_ACCESS_DENIED, since pointers in
// them would mean nothing in the other process.
// A send with SMTO_NOTIMEOUTIFNOTHUNG to a process that does not answer at all (stopped,
// frozen) fails with ERROR_TIMEOUT after its time-out, the 5 s after which a window counts as
// hung, and a second for the way; that process then counts as hung for 10 s, and sends with
// SMTO_ABORTIFHUNG to it fail at once. WaitForInputIdle waits for a published window, and fails at
// once (ERROR_NOT_SAME_DEVICE) for a process whose windows are on another display.
#include "winapi/user32/Window.h"

#include "winapi/base/displayfolder.h"
#include "winapi/kernel32/process.h"
#include "winapi/user32/remote_protocol.h"

#include <dirent.h>
#include <pthread.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string_view>
#include <thread>

namespace winapi {
namespace {

using remote::Request;
using remote::Response;
using remote::WindowEntry;

// The folder name of the display the process `pid` started for, read from the environment it
// was started with; empty when that cannot be read.
std::string startingDisplayOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
  if (!in) return {};
  std::string block((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (block.empty()) return {};
  std::string chosen, display;
  bool hasChosen = false, hasDisplay = false;
  for (size_t at = 0; at < block.size();) {
    size_t end = block.find('\0', at);
    if (end == std::string::npos) end = block.size();
    std::string_view entry(block.data() + at, end - at);
    if (entry.substr(0, 16) == "LUMETRA_DISPLAY=") {
      chosen = entry.substr(16);
      hasChosen = true;
    } else if (entry.substr(0, 8) == "DISPLAY=") {
      display = entry.substr(8);
      hasDisplay = true;
    }
    at = end + 1;
  }
  return session::displayFolderName(hasChosen ? chosen.c_str() : nullptr, hasDisplay ? display.c_str() : nullptr);
}

// Windows of other users and of other displays are not this desktop's: each display has its own
// folder inside the user's runtime folder.
std::string folder() { return session::displayFolder(); }

// Whether the process `pid` shows its windows on another display than this process: it has
// published them in another display's folder, or, before it has, the environment it started
// with names another display. Such a process never publishes a window here.
bool onAnotherDisplay(pid_t pid) {
  const std::string base = session::runtimeBase();
  const std::string& own = session::ownDisplayFolderName();
  const std::string list = "/" + std::to_string(pid) + ".windows";
  struct stat st {};
  if (stat((base + "/" + own + list).c_str(), &st) == 0) return false;
  if (DIR* d = opendir(base.c_str())) {
    bool elsewhere = false;
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == ".." || name == own) continue;
      if (stat((base + "/" + name + list).c_str(), &st) == 0) elsewhere = true;
    }
    closedir(d);
    if (elsewhere) return true;
  }
  const std::string starting = startingDisplayOf(pid);
  return !starting.empty() && starting != own;
}

std::string socketPath(pid_t pid) { return folder() + "/" + std::to_string(pid) + ".sock"; }
std::string listPath(pid_t pid) { return folder() + "/" + std::to_string(pid) + ".windows"; }

bool processAlive(pid_t pid) {
  if (pid <= 0) return false;
  return kill(pid, 0) == 0 || errno == EPERM;
}

pid_t pidOf(HWND hwnd) { return remote::pidOfHandle(reinterpret_cast<uintptr_t>(hwnd)); }

std::vector<WindowEntry> readList(pid_t pid) {
  std::ifstream in(listPath(pid), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return remote::decodeWindowList(text.str(), pid);
}

bool findEntry(HWND hwnd, WindowEntry* entry) {
  pid_t pid = pidOf(hwnd);
  if (!processAlive(pid)) return false;
  for (const WindowEntry& e : readList(pid)) {
    if (e.hwnd == hwnd) {
      *entry = e;
      return true;
    }
  }
  return false;
}

bool writeAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Reads exactly size bytes, waiting at most timeoutMs in all (-1: no limit).
bool readAll(int fd, void* data, size_t size, int timeoutMs) {
  char* p = static_cast<char*>(data);
  ULONGLONG start = steadyMs();
  while (size > 0) {
    int wait = -1;
    if (timeoutMs >= 0) {
      ULONGLONG elapsed = steadyMs() - start;
      if (elapsed >= static_cast<ULONGLONG>(timeoutMs)) return false;
      wait = static_cast<int>(timeoutMs - static_cast<int>(elapsed));
    }
    pollfd pfd{fd, POLLIN, 0};
    int r = poll(&pfd, 1, wait);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    ssize_t n = recv(fd, p, size, 0);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void serve(int client) {
  unsigned char request[sizeof(Request)];
  // A request that does not arrive whole within 5 s is refused like a damaged one.
  size_t got = readAll(client, request, sizeof request, 5000) ? sizeof request : 0;
  Response resp = remote::answer(request, got);
  writeAll(client, &resp, sizeof resp);
  close(client);
}

// Processes whose windows did not answer a send at all, and since when.
constexpr ULONGLONG kRemoteHungMs = 5000;
constexpr ULONGLONG kHungMemoryMs = 10000;
std::mutex g_hungLock;
std::map<pid_t, ULONGLONG> g_hungSince;

bool knownHung(pid_t pid) {
  std::lock_guard<std::mutex> guard(g_hungLock);
  auto it = g_hungSince.find(pid);
  if (it == g_hungSince.end()) return false;
  if (steadyMs() - it->second < kHungMemoryMs) return true;
  g_hungSince.erase(it);
  return false;
}

void setHung(pid_t pid, bool hung) {
  std::lock_guard<std::mutex> guard(g_hungLock);
  if (hung) {
    g_hungSince[pid] = steadyMs();
  } else {
    g_hungSince.erase(pid);
  }
}

std::mutex g_serverLock;
bool g_serverStarted = false;

void removeOwnFiles() {
  unlink(listPath(getpid()).c_str());
  unlink(socketPath(getpid()).c_str());
}

void startServer() {
  std::lock_guard<std::mutex> guard(g_serverLock);
  if (g_serverStarted) return;
  g_serverStarted = true;
  std::string path = socketPath(getpid());
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) {
    close(fd);
    return;
  }
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  unlink(path.c_str());
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
    close(fd);
    return;
  }
  std::atexit(removeOwnFiles);
  std::thread([fd] {
    for (;;) {
      int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        return;
      }
      // Each request is served on its own thread, so one hung window holds up no other.
      std::thread(serve, client).detach();
    }
  }).detach();
}

}  // namespace

namespace {
// Every send asks whether its window is another process's, so the process id is read once
// (getpid is a system call); a forked child reads its own again.
std::atomic<pid_t> s_ownPid{0};

pid_t ownPid() {
  pid_t pid = s_ownPid.load(std::memory_order_relaxed);
  if (pid == 0) {
    static const int registered = pthread_atfork(nullptr, nullptr, [] { s_ownPid.store(0); });
    (void)registered;
    pid = getpid();
    s_ownPid.store(pid, std::memory_order_relaxed);
  }
  return pid;
}
}  // namespace

bool isRemoteHandle(HWND hwnd) {
  pid_t pid = pidOf(hwnd);
  return hwnd != nullptr && pid != 0 && pid != ownPid();
}

void publishWindows() {
  std::ostringstream out;
  size_t count = 0;
  {
    std::lock_guard<std::recursive_mutex> guard(userLock());
    for (HWND h : topLevelWindows()) {
      Window* w = findWindow(h);
      if (w == nullptr) continue;
      out << remote::encodeWindowEntry(
          WindowEntry{h, static_cast<DWORD>(w->threadId), (w->style & WS_VISIBLE) != 0, w->text, w->cls->name});
      ++count;
    }
  }
  std::string path = listPath(getpid());
  if (count == 0) {
    unlink(path.c_str());
    return;
  }
  startServer();
  // Written aside and renamed, so a reader never sees half a list.
  std::string temp = path + ".tmp" + std::to_string(currentThreadId());
  {
    std::ofstream file(temp, std::ios::trunc);
    file << out.str();
    if (!file) return;
  }
  std::rename(temp.c_str(), path.c_str());
}

std::vector<HWND> remoteTopLevelWindows() {
  std::vector<HWND> out;
  std::string dir = folder();
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return out;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    const std::string suffix = ".windows";
    if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
    pid_t pid = static_cast<pid_t>(std::strtol(name.c_str(), nullptr, 10));
    if (pid == getpid() || pid <= 0) continue;
    // Only the user's own processes publish here; a list someone else put in is no window.
    struct stat info {};
    if (stat((dir + "/" + name).c_str(), &info) != 0 || info.st_uid != getuid()) continue;
    if (!processAlive(pid)) {
      // What a process that ended left behind goes.
      unlink((dir + "/" + name).c_str());
      unlink(socketPath(pid).c_str());
      continue;
    }
    for (const WindowEntry& entry : readList(pid)) out.push_back(entry.hwnd);
  }
  closedir(d);
  return out;
}

int remoteWindowText(HWND hwnd, std::u16string* text) {
  WindowEntry e;
  if (!findEntry(hwnd, &e)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  *text = e.title;
  return static_cast<int>(e.title.size());
}

DWORD remoteThreadProcess(HWND hwnd, DWORD* processId) {
  WindowEntry e;
  if (!findEntry(hwnd, &e)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId != nullptr) *processId = static_cast<DWORD>(pidOf(hwnd));
  return e.thread;
}

LRESULT sendRemote(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout, bool* ok) {
  *ok = false;
  if (!remote::allowedAcross(message)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  pid_t pid = pidOf(hwnd);
  if (!processAlive(pid)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if ((flags & SMTO_ABORTIFHUNG) && knownHung(pid)) {
    SetLastError(ERROR_TIMEOUT);
    return 0;
  }
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::string path = socketPath(pid);
  std::memcpy(addr.sun_path, path.c_str(), std::min(path.size() + 1, sizeof addr.sun_path - 1));
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  Request req{remote::kMagic,
              remote::kSend,
              reinterpret_cast<uint64_t>(hwnd),
              message,
              flags & remote::kKnownFlags,
              wParam,
              lParam,
              timeout,
              0};
  unsigned char answer[sizeof(Response)];
  Response resp{};
  // The other process bounds the send itself; the extra second covers the way there and back.
  // Without a time-out while its window is not hung, a process that does not answer at all
  // still gets only the hung rule's 5 s on top: a stopped process never holds the sender.
  int wait = -1;
  if (timeout != INFINITE) {
    ULONGLONG bound = static_cast<ULONGLONG>(timeout) + 1000;
    if (flags & SMTO_NOTIMEOUTIFNOTHUNG) bound += kRemoteHungMs;
    wait = static_cast<int>(std::min<ULONGLONG>(bound, 0x7FFFFFFF));
  }
  bool answered = writeAll(fd, &req, sizeof req) && readAll(fd, answer, sizeof answer, wait);
  close(fd);
  if (!answered) {
    setHung(pid, true);
    SetLastError(ERROR_TIMEOUT);
    return 0;
  }
  setHung(pid, false);
  if (!remote::decodeResponse(answer, sizeof answer, &resp)) {
    SetLastError(ERROR_INVALID_DATA);
    return 0;
  }
  if (!resp.ok) {
    SetLastError(resp.error);
    return 0;
  }
  *ok = true;
  return static_cast<LRESULT>(resp.result);
}

}  // namespace winapi

extern "C" DWORD WINAPI WaitForInputIdle(HANDLE process, DWORD milliseconds) {
  DWORD id = 0;
  if (!winapi::processIdOfHandle(process, &id)) return WAIT_FAILED;
  const auto pid = static_cast<pid_t>(id);
  if (pid == getpid()) return 0;
  const ULONGLONG start = winapi::steadyMs();
  for (;;) {
    if (!winapi::processAlive(pid)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return WAIT_FAILED;
    }
    if (!winapi::readList(pid).empty()) return 0;
    if (winapi::onAnotherDisplay(pid)) {
      // Its windows are never this display's: nothing here waits for them.
      SetLastError(ERROR_NOT_SAME_DEVICE);
      return WAIT_FAILED;
    }
    const ULONGLONG elapsed = winapi::steadyMs() - start;
    if (milliseconds != INFINITE && elapsed >= milliseconds) return WAIT_TIMEOUT;
    // Lists are files the other process rewrites; looking every 10 ms keeps the answer prompt.
    DWORD step = milliseconds == INFINITE ? 10 : static_cast<DWORD>(std::min<ULONGLONG>(10, milliseconds - elapsed));
    Sleep(step);
  }
}
