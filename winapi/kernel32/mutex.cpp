// Mutexes: waitable objects that one thread owns at a time, as often as its waits took them,
// under the dispatcher like threads and events. A named mutex is one object for every process
// of the user on the same display: a file in that display's folder (winapi/base/displayfolder.h)
// whose byte ranges carry open-file-description locks, which the system lets go of when the
// process holding them ends however it ends. A process whose thread owns the mutex holds the
// owner byte's write lock, and the byte reads '1' until the owner releases it, so the next owner
// in any process learns that one that ended owning it abandoned it; every process that has the
// mutex open holds a read lock on the presence byte, so a creation can tell whether the name was
// already open anywhere. A wait on a mutex another process holds looks again every few
// milliseconds: a release there notifies no one here.
// Left out: OpenMutexW (nothing opens a mutex it did not make), "Global\" names (a namespace
// across users: refused with ERROR_NOT_SUPPORTED), security attributes and inheritance (the
// files are the user's alone), and removing the files (a name's file stays in the runtime
// folder, which the session's end empties: removing a locked file races with its next opening).
#include <windows.h>

#include "winapi/base/displayfolder.h"
#include "winapi/base/handle.h"
#include "winapi/base/threadid.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace winapi {
namespace {

// The byte ranges of a named mutex's file.
constexpr off_t kOwnerByte = 0;
constexpr off_t kPresenceByte = 1;
// The owner byte's values.
constexpr char kOwned = '1';
constexpr char kReleased = '0';
// How long an opening waits for a process that is creating the same name to finish: that takes
// microseconds, so only a process stopped right then makes the wait run out.
constexpr auto kCreationWait = std::chrono::seconds(1);
// A name's longest file name part: longer escaped names go into folders of this length.
constexpr size_t kNamePart = 200;

bool lockByte(int fd, short type, off_t byte) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  while (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Writes the owner byte; a byte that cannot be written leaves only the next owner's news of an
// abandonment wrong.
bool writeState(int fd, char state) { return pwrite(fd, &state, 1, kOwnerByte) == 1; }

class MutexObject;

/// The mutexes the calling thread owns, abandoned when it ends.
class OwnedMutexes {
 public:
  ~OwnedMutexes();
  void add(const std::shared_ptr<MutexObject>& mutex, DWORD threadId) {
    m_thread = threadId;
    m_held.push_back(mutex);
  }
  void remove(const MutexObject* mutex);

 private:
  DWORD m_thread = 0;
  std::vector<std::weak_ptr<MutexObject>> m_held;
};

thread_local OwnedMutexes t_owned;

class MutexObject final : public KernelObject, public std::enable_shared_from_this<MutexObject> {
 public:
  /// `fd` is the named mutex's open file, or -1 for an unnamed one.
  explicit MutexObject(int fd) : m_fd(fd) {}
  // Closing the file lets go of every lock this process holds on it; an owner byte left at '1'
  // tells the next owner that this one never released it.
  ~MutexObject() override {
    if (m_fd >= 0) close(m_fd);
  }
  MutexObject(const MutexObject&) = delete;
  MutexObject& operator=(const MutexObject&) = delete;

  bool isWaitable() const override { return true; }
  bool changesElsewhere() const override { return m_fd >= 0; }

  // A named mutex that no thread here owns takes its owner lock when it is free, so no other
  // process can take it between this look and the wait's end; a wait that does not take the
  // mutex after all lets go of it (letGo).
  bool isSignaled(DWORD threadId) const override {
    if (m_owner != 0) return m_owner == threadId;
    if (m_fd < 0 || m_fileHeld) return true;
    if (!lockByte(m_fd, F_WRLCK, kOwnerByte)) return false;
    m_fileHeld = true;
    char state = kReleased;
    m_abandoned = pread(m_fd, &state, 1, kOwnerByte) == 1 && state == kOwned;
    return true;
  }

  bool satisfyWait(DWORD threadId) override {
    if (m_owner == threadId) {
      ++m_count;
      return false;
    }
    take(threadId);
    const bool abandoned = m_abandoned;
    m_abandoned = false;
    return abandoned;
  }

  void letGo(DWORD) override {
    if (m_owner == 0) unlockFile();
  }

  /// Makes the calling thread the owner of a mutex that no one owns. Under the dispatcher lock.
  void take(DWORD threadId) {
    m_owner = threadId;
    m_count = 1;
    if (m_fd >= 0) {
      // The owner lock is held (isSignaled, or the creation took it).
      writeState(m_fd, kOwned);
    }
    t_owned.add(shared_from_this(), threadId);
  }

  /// The creation took the owner lock for its caller.
  void holdFile() { m_fileHeld = true; }

  /// ReleaseMutex: false with ERROR_NOT_OWNER when the calling thread does not own it.
  bool release(DWORD threadId) {
    {
      std::lock_guard guard(dispatcherLock());
      if (m_owner != threadId || m_owner == 0) {
        SetLastError(ERROR_NOT_OWNER);
        return false;
      }
      if (--m_count != 0) return true;
      m_owner = 0;
      if (m_fd >= 0) writeState(m_fd, kReleased);
      unlockFile();
    }
    t_owned.remove(this);
    notifyDispatcher();
    return true;
  }

  /// The owning thread `threadId` has ended: the next wait takes the mutex as abandoned. A named
  /// mutex's owner byte stays at '1' for the other processes.
  void abandon(DWORD threadId) {
    {
      std::lock_guard guard(dispatcherLock());
      if (m_owner != threadId || m_owner == 0) return;
      m_owner = 0;
      m_count = 0;
      if (m_fd >= 0) {
        unlockFile();
      } else {
        m_abandoned = true;
      }
    }
    notifyDispatcher();
  }

 private:
  void unlockFile() const {
    if (m_fd >= 0 && m_fileHeld) {
      lockByte(m_fd, F_UNLCK, kOwnerByte);
      m_fileHeld = false;
    }
  }

  const int m_fd;
  // Guarded by the dispatcher lock.
  DWORD m_owner = 0;
  DWORD m_count = 0;
  mutable bool m_fileHeld = false;   // this process holds the owner lock
  mutable bool m_abandoned = false;  // the last owner ended without releasing it
};

OwnedMutexes::~OwnedMutexes() {
  for (const std::weak_ptr<MutexObject>& held : m_held) {
    if (std::shared_ptr<MutexObject> mutex = held.lock()) mutex->abandon(m_thread);
  }
}

void OwnedMutexes::remove(const MutexObject* mutex) {
  for (auto it = m_held.begin(); it != m_held.end(); ++it) {
    std::shared_ptr<MutexObject> held = it->lock();
    if (held == nullptr || held.get() == mutex) {
      m_held.erase(it);
      return;
    }
  }
}

// The named mutexes this process has open, so that every handle to a name here is one object,
// whose owner is a thread, whatever handle its wait went through.
// Never destroyed: handles may be made from static destructors and threads that outlive main.
struct OpenNames {
  std::mutex lock;
  std::map<std::u16string, std::weak_ptr<MutexObject>> mutexes;
};

OpenNames& openNames() {
  static auto* names = new OpenNames;
  return *names;
}

// The file of a name inside the display's folder: letters, digits, "-" and "_" stand for
// themselves and every other unit is "%XXXX", so no two names share a file and none is "." or
// ".."; a long name continues in folders of kNamePart bytes.
std::string fileOfName(std::u16string_view name, bool makeFolders) {
  std::string escaped;
  for (char16_t unit : name) {
    if ((unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') || (unit >= u'0' && unit <= u'9') ||
        unit == u'-' || unit == u'_') {
      escaped.push_back(static_cast<char>(unit));
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      escaped += '%';
      for (int shift = 12; shift >= 0; shift -= 4) escaped += kHex[(unit >> shift) & 0xF];
    }
  }
  std::string path = session::displayFolder();
  while (escaped.size() > kNamePart) {
    path += "/" + escaped.substr(0, kNamePart);
    escaped.erase(0, kNamePart);
    if (makeFolders) mkdir(path.c_str(), 0700);
  }
  return path + "/" + escaped + ".mutex";
}

// Opens the file of a named mutex, made for the user alone; -1 with the last error set.
int openNameFile(std::u16string_view name) {
  const std::string path = fileOfName(name, true);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    return -1;
  }
  // Only a file of the user's own names a mutex: anything else put there is not one.
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid()) {
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return -1;
  }
  return fd;
}

// Whether the name is new everywhere: the first process to open it takes the presence byte's
// write lock, and only after taking the owner lock (for an initial owner) turns it into the read
// lock every process holding the name keeps. A process that finds the write lock taken opens a
// name that exists, and waits for the creation to finish before it keeps its own read lock.
// An initial owner that finds the owner lock held after all (by a process whose own wait for a
// creation ran out) did not make the name.
bool markPresence(int fd, bool initialOwner, bool* ownerLocked) {
  *ownerLocked = false;
  if (lockByte(fd, F_WRLCK, kPresenceByte)) {
    *ownerLocked = initialOwner && lockByte(fd, F_WRLCK, kOwnerByte);
    lockByte(fd, F_RDLCK, kPresenceByte);  // turning our own lock into a read lock cannot fail
    return !initialOwner || *ownerLocked;
  }
  const auto until = std::chrono::steady_clock::now() + kCreationWait;
  while (!lockByte(fd, F_RDLCK, kPresenceByte) && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

HANDLE createNamed(std::u16string_view name, bool initialOwner) {
  OpenNames& names = openNames();
  std::lock_guard guard(names.lock);
  auto& open = names.mutexes;
  const std::u16string key(name);
  auto it = open.find(key);
  if (it != open.end()) {
    if (std::shared_ptr<MutexObject> mutex = it->second.lock()) {
      HANDLE handle = insertHandle(mutex);
      SetLastError(ERROR_ALREADY_EXISTS);
      return handle;
    }
    open.erase(it);
  }
  const int fd = openNameFile(name);
  if (fd < 0) return nullptr;
  bool ownerLocked = false;
  const bool created = markPresence(fd, initialOwner, &ownerLocked);
  auto mutex = std::make_shared<MutexObject>(fd);
  if (ownerLocked) {
    std::lock_guard guard(dispatcherLock());
    mutex->holdFile();
    mutex->take(currentThreadId());
  }
  open[key] = mutex;
  HANDLE handle = insertHandle(mutex);
  SetLastError(created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
  return handle;
}

}  // namespace
}  // namespace winapi

extern "C" HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name) {
  std::u16string_view text = name != nullptr ? std::u16string_view(name) : std::u16string_view();
  if (text.empty()) {
    auto mutex = std::make_shared<winapi::MutexObject>(-1);
    if (initialOwner) {
      std::lock_guard guard(winapi::dispatcherLock());
      mutex->take(winapi::currentThreadId());
    }
    SetLastError(ERROR_SUCCESS);
    return winapi::insertHandle(mutex);
  }
  if (text.size() > MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  constexpr std::u16string_view kLocal = u"Local\\";
  constexpr std::u16string_view kGlobal = u"Global\\";
  if (text.substr(0, kGlobal.size()) == kGlobal) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  if (text.substr(0, kLocal.size()) == kLocal) text.remove_prefix(kLocal.size());
  // A backslash would name a folder of objects, and there is none.
  if (text.empty() || text.find(u'\\') != std::u16string_view::npos) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  return winapi::createNamed(text, initialOwner != FALSE);
}

extern "C" BOOL WINAPI ReleaseMutex(HANDLE handle) {
  std::shared_ptr<winapi::MutexObject> mutex = winapi::lookupHandleAs<winapi::MutexObject>(handle);
  if (mutex == nullptr) return FALSE;
  return mutex->release(winapi::currentThreadId()) ? TRUE : FALSE;
}
