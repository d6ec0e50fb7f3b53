// Opening files, folders and web addresses in the user's programs, through xdg-open.
// Status: ShellExecuteExW with the verb "open" (or none); SHChangeNotify, which sends nothing.
// Left out on purpose: other verbs ("properties" has no sheet here: ERROR_NO_ASSOCIATION), parameters
// and working folders (xdg-open takes neither), process handles and item id lists.
#include <shlobj.h>

#include "winapi/base/ascii.h"
#include "winapi/base/unixpath.h"
#include "winapi/base/utf8.h"

#include <winseam.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

BOOL failWith(SHELLEXECUTEINFOW* info, DWORD error, INT_PTR code) {
  info->hInstApp = reinterpret_cast<HINSTANCE>(code);
  SetLastError(error);
  return FALSE;
}

// The xdg-open that PATH finds, or empty.
std::string findOpener() {
  const char* path = std::getenv("PATH");
  const std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::vector<char> candidate;
  size_t at = 0;
  while (at <= folders.size()) {
    size_t end = folders.find(':', at);
    if (end == std::string_view::npos) end = folders.size();
    const std::string_view folder = end == at ? std::string_view(".") : folders.substr(at, end - at);
    constexpr std::string_view kName = "/xdg-open";
    candidate.assign(folder.begin(), folder.end());
    candidate.insert(candidate.end(), kName.begin(), kName.end());
    candidate.push_back(0);
    struct stat status;
    if (stat(candidate.data(), &status) == 0 && S_ISREG(status.st_mode) && access(candidate.data(), X_OK) == 0) {
      return std::string(candidate.data());
    }
    at = end + 1;
  }
  return {};
}

// Starts `program target` detached: a grandchild in a session of its own with input and output on
// /dev/null, never waited for; the child between exits at once and is reaped here, so nothing is
// left as a zombie. False when the process could not be made.
bool startDetached(const std::string& program, const std::string& target) {
  const char* argv[] = {program.c_str(), target.c_str(), nullptr};
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    // Only async-signal-safe calls from here on: the parent may have other threads.
    setsid();
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      if (null > 2) close(null);
    }
    execv(program.c_str(), const_cast<char* const*>(argv));
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

BOOL WINAPI realShellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (info == nullptr || info->cbSize != sizeof(SHELLEXECUTEINFOW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (info->lpVerb != nullptr && info->lpVerb[0] != 0 && !winapi::ascii::equalsIgnoreCase(info->lpVerb, u"open")) {
    return failWith(info, ERROR_NO_ASSOCIATION, SE_ERR_NOASSOC);
  }
  if (info->lpFile == nullptr || info->lpFile[0] == 0) return failWith(info, ERROR_FILE_NOT_FOUND, SE_ERR_FNF);
  const std::u16string_view file(info->lpFile);
  std::string target;
  const bool isPath = file.size() >= 2 && file[1] == u':';
  if (isPath) {
    // A path goes over in its POSIX form, and must name something.
    struct stat status;
    if (!winapi::paths::toUnix(file, target) || stat(target.c_str(), &status) != 0) {
      return failWith(info, ERROR_FILE_NOT_FOUND, SE_ERR_FNF);
    }
  } else if (!winapi::utf8::toUtf8(file, target, winapi::utf8::Invalid::Escape)) {
    return failWith(info, ERROR_FILE_NOT_FOUND, SE_ERR_FNF);
  }
  const std::string opener = findOpener();
  if (opener.empty()) return failWith(info, ERROR_NO_ASSOCIATION, SE_ERR_NOASSOC);
  if (!startDetached(opener, target)) return failWith(info, ERROR_NOT_ENOUGH_MEMORY, SE_ERR_OOM);
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
  return TRUE;
}

void WINAPI realSHChangeNotify(LONG, UINT, LPCVOID, LPCVOID) {}

std::atomic<winapi::seam::ShellExecuteExFunction> s_shellExecute{&realShellExecuteExW};
std::atomic<winapi::seam::SHChangeNotifyFunction> s_changeNotify{&realSHChangeNotify};

}  // namespace

namespace winapi::seam {
ShellExecuteExFunction replaceShellExecuteExW(ShellExecuteExFunction replacement) {
  return s_shellExecute.exchange(replacement != nullptr ? replacement : &realShellExecuteExW);
}
SHChangeNotifyFunction replaceSHChangeNotify(SHChangeNotifyFunction replacement) {
  return s_changeNotify.exchange(replacement != nullptr ? replacement : &realSHChangeNotify);
}
}  // namespace winapi::seam

extern "C" BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* info) { return s_shellExecute.load()(info); }

extern "C" void WINAPI SHChangeNotify(LONG eventId, UINT flags, LPCVOID item1, LPCVOID item2) {
  s_changeNotify.load()(eventId, flags, item1, item2);
}
