// Processes: OpenProcess, the Toolhelp snapshots of processes and modules over /proc, and
// GetProcessImageFileNameW. Status: a process snapshot carries ids, parent ids, thread counts
// and executable names; a module snapshot has one module, the executable file, with its path
// in the Z:\ form (no load addresses or sizes). Process handles name a process by id: they
// cannot be waited for, and nothing is read or written in another process's memory.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include "winapi/base/handle.h"
#include "winapi/base/unixpath.h"
#include "winapi/base/utf8.h"
#include "winapi/kernel32/process.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace winapi {

namespace {

// GetCurrentProcess()'s pseudo-handle.
const HANDLE kThisProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

class ProcessObject final : public KernelObject {
 public:
  explicit ProcessObject(DWORD pid) : pid(pid) {}
  const DWORD pid;
};

struct ProcessRecord {
  DWORD pid = 0;
  DWORD parent = 0;
  DWORD threads = 0;
  std::u16string exeFile;
};

struct ModuleRecord {
  DWORD pid = 0;
  std::u16string name;
  std::u16string path;
};

class SnapshotObject final : public KernelObject {
 public:
  std::vector<ProcessRecord> processes;
  std::vector<ModuleRecord> modules;
  std::mutex lock;
  size_t nextProcess = 0;
  size_t nextModule = 0;
};

std::string procFile(DWORD pid, const char* name) { return "/proc/" + std::to_string(pid) + "/" + name; }

bool readLink(const std::string& link, std::string* target) {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      *target = std::move(buffer);
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

// The fields of /proc/<pid>/stat after the command (which may hold spaces and parentheses).
std::vector<std::string> statFields(DWORD pid) {
  std::ifstream in(procFile(pid, "stat"));
  std::string line;
  std::getline(in, line);
  std::vector<std::string> fields;
  size_t close = line.rfind(')');
  if (close == std::string::npos) return fields;
  size_t at = close + 1;
  while (at < line.size()) {
    while (at < line.size() && line[at] == ' ') ++at;
    size_t end = line.find(' ', at);
    if (end == std::string::npos) end = line.size();
    if (end > at) fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

std::u16string lastNameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return paths::nameToWindows(slash == std::string::npos ? path : path.substr(slash + 1));
}

bool readProcess(DWORD pid, ProcessRecord* record) {
  record->pid = pid;
  std::vector<std::string> fields = statFields(pid);
  // Field 4 of stat is the parent id, field 20 the thread count; the list starts at field 3.
  if (fields.size() < 18) return false;
  record->parent = static_cast<DWORD>(std::strtoul(fields[1].c_str(), nullptr, 10));
  record->threads = static_cast<DWORD>(std::strtoul(fields[17].c_str(), nullptr, 10));
  std::string exe;
  if (readLink(procFile(pid, "exe"), &exe) && !exe.empty()) {
    record->exeFile = lastNameOf(exe);
  } else {
    // Kernel threads and other users' processes: the command name the kernel keeps.
    std::ifstream in(procFile(pid, "comm"));
    std::string comm;
    std::getline(in, comm);
    record->exeFile = paths::nameToWindows(comm);
  }
  return true;
}

std::vector<ProcessRecord> listProcesses() {
  std::vector<DWORD> ids;
  if (DIR* d = opendir("/proc")) {
    while (dirent* e = readdir(d)) {
      char* end = nullptr;
      unsigned long id = std::strtoul(e->d_name, &end, 10);
      if (end != e->d_name && *end == 0 && id > 0 && id <= 0xFFFFFFFFul) ids.push_back(static_cast<DWORD>(id));
    }
    closedir(d);
  }
  std::sort(ids.begin(), ids.end());
  std::vector<ProcessRecord> out;
  out.reserve(ids.size());
  for (DWORD id : ids) {
    ProcessRecord record;
    // A process that ended between the listing and the reading is left out.
    if (readProcess(id, &record)) out.push_back(std::move(record));
  }
  return out;
}

// Copies a text into a fixed field, terminated; false when it does not fit.
template <size_t N>
bool copyField(WCHAR (&field)[N], const std::u16string& text) {
  if (text.size() >= N) return false;
  std::copy(text.begin(), text.end(), field);
  field[text.size()] = 0;
  return true;
}

std::shared_ptr<SnapshotObject> snapshotOf(HANDLE handle) { return lookupHandleAs<SnapshotObject>(handle); }

BOOL nextProcess(HANDLE snapshot, LPPROCESSENTRY32W entry, bool first) {
  std::shared_ptr<SnapshotObject> snap = snapshotOf(snapshot);
  if (snap == nullptr) return FALSE;
  if (entry == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (entry->dwSize < sizeof(PROCESSENTRY32W)) {
    SetLastError(ERROR_BAD_LENGTH);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(snap->lock);
  if (first) snap->nextProcess = 0;
  if (snap->nextProcess >= snap->processes.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  const ProcessRecord& r = snap->processes[snap->nextProcess++];
  entry->cntUsage = 0;
  entry->th32ProcessID = r.pid;
  entry->th32DefaultHeapID = 0;
  entry->th32ModuleID = 0;
  entry->cntThreads = r.threads;
  entry->th32ParentProcessID = r.parent;
  entry->pcPriClassBase = 8;  // NORMAL_PRIORITY_CLASS's base priority
  entry->dwFlags = 0;
  // A file name has at most 255 bytes, so it always fits.
  copyField(entry->szExeFile, r.exeFile.substr(0, MAX_PATH - 1));
  return TRUE;
}

BOOL nextModule(HANDLE snapshot, LPMODULEENTRY32W entry, bool first) {
  std::shared_ptr<SnapshotObject> snap = snapshotOf(snapshot);
  if (snap == nullptr) return FALSE;
  if (entry == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (entry->dwSize < sizeof(MODULEENTRY32W)) {
    SetLastError(ERROR_BAD_LENGTH);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(snap->lock);
  if (first) snap->nextModule = 0;
  if (snap->nextModule >= snap->modules.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  const ModuleRecord& r = snap->modules[snap->nextModule++];
  entry->th32ModuleID = 1;
  entry->th32ProcessID = r.pid;
  entry->GlblcntUsage = 0xFFFF;
  entry->ProccntUsage = 0xFFFF;
  entry->modBaseAddr = nullptr;
  entry->modBaseSize = 0;
  entry->hModule = nullptr;
  if (!copyField(entry->szModule, r.name) || !copyField(entry->szExePath, r.path)) {
    entry->szModule[0] = 0;
    entry->szExePath[0] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool processIdOfHandle(HANDLE process, DWORD* processId) {
  if (process == kThisProcess) {
    *processId = static_cast<DWORD>(getpid());
    return true;
  }
  std::shared_ptr<ProcessObject> object = lookupHandleAs<ProcessObject>(process);
  if (object == nullptr) return false;
  *processId = object->pid;
  return true;
}

bool processRuns(DWORD processId) {
  if (processId == 0 || processId > 0x7FFFFFFFu) return false;
  return kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

bool processExecutable(DWORD processId, std::string* path) {
  if (!processRuns(processId)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!readLink(procFile(processId, "exe"), path) || path->empty()) {
    SetLastError(processRuns(processId) ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

}  // namespace winapi

using winapi::insertHandle;

extern "C" HANDLE WINAPI OpenProcess(DWORD access, BOOL, DWORD processId) {
  if (!winapi::processRuns(processId)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const DWORD queryOnly = PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;
  if ((access & ~queryOnly) != 0 && kill(static_cast<pid_t>(processId), 0) != 0) {
    // Another user's process: only its name may be asked.
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return insertHandle(std::make_shared<winapi::ProcessObject>(processId));
}

extern "C" HANDLE WINAPI CreateToolhelp32Snapshot(DWORD flags, DWORD processId) {
  auto snap = std::make_shared<winapi::SnapshotObject>();
  if (flags & TH32CS_SNAPPROCESS) snap->processes = winapi::listProcesses();
  if (flags & (TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32)) {
    DWORD pid = processId == 0 ? static_cast<DWORD>(getpid()) : processId;
    std::string exe;
    if (!winapi::processExecutable(pid, &exe)) return INVALID_HANDLE_VALUE;
    winapi::ModuleRecord module;
    module.pid = pid;
    module.name = winapi::lastNameOf(exe);
    module.path = winapi::paths::toWindows(exe);
    snap->modules.push_back(std::move(module));
  }
  return insertHandle(snap);
}

extern "C" BOOL WINAPI Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
  return winapi::nextProcess(snapshot, entry, true);
}

extern "C" BOOL WINAPI Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
  return winapi::nextProcess(snapshot, entry, false);
}

extern "C" BOOL WINAPI Module32FirstW(HANDLE snapshot, LPMODULEENTRY32W entry) {
  return winapi::nextModule(snapshot, entry, true);
}

extern "C" BOOL WINAPI Module32NextW(HANDLE snapshot, LPMODULEENTRY32W entry) {
  return winapi::nextModule(snapshot, entry, false);
}

extern "C" DWORD WINAPI GetProcessImageFileNameW(HANDLE process, LPWSTR fileName, DWORD size) {
  DWORD pid = 0;
  if (!winapi::processIdOfHandle(process, &pid)) return 0;
  std::string exe;
  if (!winapi::processExecutable(pid, &exe)) return 0;
  std::u16string path = winapi::paths::toWindows(exe);
  if (fileName == nullptr || path.size() >= size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::copy(path.begin(), path.end(), fileName);
  fileName[path.size()] = 0;
  return static_cast<DWORD>(path.size());
}
