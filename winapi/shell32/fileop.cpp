// Shell file operations: copying, moving, renaming and deleting lists of files and folders, and
// the Recycle Bin as the freedesktop Trash (its home trash and top-directory trashes).
// Status: FO_COPY, FO_MOVE, FO_RENAME and FO_DELETE with and without FOF_ALLOWUNDO; confirmations
// through MessageBoxW unless FOF_NOCONFIRMATION; FOF_NOCONFIRMMKDIR; FOF_MULTIDESTFILES.
// Left out on purpose: progress windows (FOF_SILENT changes nothing), undo of copies and moves,
// name mappings, FOF_RENAMEONCOLLISION and FOF_FILESONLY (no caller asks for them: refused with
// ERROR_INVALID_PARAMETER), wildcards in the sources.
#include <shlobj.h>

#include "winapi/base/unixpath.h"
#include "winapi/kernel32/copyfile.h"
#include "winapi/kernel32/posixfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

using winapi::files::failFromErrno;

// The entries of a double-NUL list.
std::vector<std::u16string> splitList(LPCWSTR list) {
  std::vector<std::u16string> entries;
  if (list == nullptr) return entries;
  for (const char16_t* at = list; *at != 0;) {
    std::u16string entry(at);
    at += entry.size() + 1;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string parentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool isFolder(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool exists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

// Deletes a file, a link (never its target) or a folder with everything in it.
bool removeAll(const std::string& path) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) return failFromErrno(path);
  if (!S_ISDIR(status.st_mode)) return unlink(path.c_str()) == 0 || failFromErrno(path);
  DIR* folder = opendir(path.c_str());
  if (folder == nullptr) return failFromErrno(path);
  bool ok = true;
  while (dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    ok = removeAll(path + "/" + name) && ok;
  }
  closedir(folder);
  return ok && (rmdir(path.c_str()) == 0 || failFromErrno(path));
}

// Copies a file (a link followed, as CopyFileW does) or a folder with its contents; links inside
// a folder are left out, as the layer's folder listings leave them out.
bool copyAll(const std::string& from, const std::string& to) {
  struct stat status;
  if (stat(from.c_str(), &status) != 0) return failFromErrno(from);
  if (!S_ISDIR(status.st_mode)) {
    const std::u16string name = winapi::paths::toWindows(to);
    return winapi::files::copyFile(from, to, false, name.c_str());
  }
  if (mkdir(to.c_str(), status.st_mode & 07777) != 0 && !(errno == EEXIST && isFolder(to))) {
    return failFromErrno(to);
  }
  DIR* folder = opendir(from.c_str());
  if (folder == nullptr) return failFromErrno(from);
  bool ok = true;
  while (ok) {
    dirent* entry = readdir(folder);
    if (entry == nullptr) break;
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat inner;
    if (lstat((from + "/" + name).c_str(), &inner) == 0 && S_ISLNK(inner.st_mode)) continue;
    ok = copyAll(from + "/" + name, to + "/" + name);
  }
  closedir(folder);
  return ok;
}

// The total size in bytes of the files below a folder, links not followed.
uint64_t sizeOfTree(const std::string& path) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) return 0;
  if (!S_ISDIR(status.st_mode)) return S_ISREG(status.st_mode) ? static_cast<uint64_t>(status.st_size) : 0;
  uint64_t total = 0;
  if (DIR* folder = opendir(path.c_str())) {
    while (dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") total += sizeOfTree(path + "/" + name);
    }
    closedir(folder);
  }
  return total;
}

// Percent-encodes a path's bytes as a URI path does: unreserved characters and "/" stay.
std::string percentEncoded(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~' || c == '/') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

bool makeFolder(const std::string& path, mode_t mode) {
  if (mkdir(path.c_str(), mode) == 0) return true;
  return errno == EEXIST && isFolder(path);
}

bool makeFolders(const std::string& path, mode_t mode) {
  if (path.empty() || path == "/" || isFolder(path)) return true;
  return makeFolders(parentOf(path), mode) && makeFolder(path, mode);
}

// The trash a file goes to: the home trash for a file on the file system of the data home,
// else the trash at the top of the file's own file system. Empty when none can be made.
std::string trashFor(const std::string& path, const struct stat& status) {
  std::string dataHome;
  if (const char* value = std::getenv("XDG_DATA_HOME"); value != nullptr && value[0] == '/') {
    dataHome = value;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    dataHome = std::string(home) + "/.local/share";
  }
  if (!dataHome.empty()) {
    // The data home's file system is that of its nearest folder that exists.
    std::string existing = dataHome;
    struct stat home;
    while (stat(existing.c_str(), &home) != 0 && existing != "/") existing = parentOf(existing);
    if (home.st_dev == status.st_dev) {
      const std::string trash = dataHome + "/Trash";
      return makeFolders(dataHome, 0700) && makeFolder(trash, 0700) ? trash : std::string();
    }
  }
  // The top of the file's file system: the last folder upwards on the same device.
  std::string top = parentOf(path);
  for (;;) {
    const std::string up = parentOf(top);
    struct stat above;
    if (up == top || stat(up.c_str(), &above) != 0 || above.st_dev != status.st_dev) break;
    top = up;
  }
  const std::string uid = std::to_string(getuid());
  const std::string shared = (top == "/" ? "" : top) + "/.Trash";
  struct stat sharedStatus;
  if (lstat(shared.c_str(), &sharedStatus) == 0 && S_ISDIR(sharedStatus.st_mode) &&
      (sharedStatus.st_mode & S_ISVTX) != 0) {
    const std::string own = shared + "/" + uid;
    if (makeFolder(own, 0700)) return own;
  }
  const std::string own = (top == "/" ? "" : top) + "/.Trash-" + uid;
  return makeFolder(own, 0700) ? own : std::string();
}

std::string localTimeText() {
  const time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  char text[32];
  strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Adds a trashed folder's entry to the trash's size cache, written anew and renamed into place.
void addDirectorySize(const std::string& trash, const std::string& name, uint64_t size, time_t infoTime) {
  const std::string cache = trash + "/directorysizes";
  std::string content;
  if (FILE* in = std::fopen(cache.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) content.append(buffer, n);
    std::fclose(in);
  }
  content +=
      std::to_string(size) + " " + std::to_string(static_cast<long long>(infoTime)) + " " + percentEncoded(name) + "\n";
  const std::string temporary = cache + ".new-" + std::to_string(getpid());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const bool ok = writeAll(fd, content);
  close(fd);
  if (!ok || rename(temporary.c_str(), cache.c_str()) != 0) unlink(temporary.c_str());
}

// Moves one file or folder into its trash: the info file first, made exclusively under a free
// name, then the rename into files/. A file that cannot be trashed stays where it is.
bool trash(const std::string& path) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) return failFromErrno(path);
  const std::string trashDir = trashFor(path, status);
  if (trashDir.empty() || !makeFolder(trashDir + "/files", 0700) || !makeFolder(trashDir + "/info", 0700)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  const std::string base(winapi::files::lastName(path));
  std::string name;
  std::string info;
  int fd = -1;
  for (int n = 1; n < 100000 && fd < 0; ++n) {
    name = n == 1 ? base : base + "." + std::to_string(n);
    info = trashDir + "/info/" + name + ".trashinfo";
    fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) return failFromErrno(info);
    // A name taken in files/ by an entry without info is not free either.
    if (fd >= 0 && exists(trashDir + "/files/" + name)) {
      close(fd);
      unlink(info.c_str());
      fd = -1;
    }
  }
  if (fd < 0) {
    SetLastError(ERROR_FILE_EXISTS);
    return false;
  }
  const std::string text = "[Trash Info]\nPath=" + percentEncoded(path) + "\nDeletionDate=" + localTimeText() + "\n";
  // No fsync: after a crash an entry whose info did not reach the disk still lies in files/,
  // where the user finds it, and a sync per file made trashing thousands of files take minutes.
  const bool written = writeAll(fd, text);
  close(fd);
  const bool folder = S_ISDIR(status.st_mode);
  const uint64_t size = folder ? sizeOfTree(path) : 0;
  if (!written || rename(path.c_str(), (trashDir + "/files/" + name).c_str()) != 0) {
    const bool failed = failFromErrno(path);
    unlink(info.c_str());
    return failed;
  }
  if (folder) {
    struct stat infoStatus;
    const time_t infoTime = stat(info.c_str(), &infoStatus) == 0 ? infoStatus.st_mtime : time(nullptr);
    addDirectorySize(trashDir, name, size, infoTime);
  }
  return true;
}

// Asks the owner's user; headless tests script the answer.
int ask(HWND owner, const std::u16string& text, UINT buttons) {
  return MessageBoxW(owner, text.c_str(), u"Confirm", buttons | MB_ICONWARNING);
}

enum class Step { Done, Skipped, Stop, Failed };

// Copies or moves one source onto its target, asking before replacing what is there.
Step copyOrMove(SHFILEOPSTRUCTW* op, const std::u16string& source, const std::string& from, const std::string& to) {
  const bool move = op->wFunc == FO_MOVE || op->wFunc == FO_RENAME;
  if (from == to) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return Step::Failed;
  }
  if (isFolder(from) && to.compare(0, from.size() + 1, from + "/") == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);  // into itself
    return Step::Failed;
  }
  if (exists(to)) {
    if (op->wFunc == FO_RENAME) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return Step::Failed;
    }
    if ((op->fFlags & FOF_NOCONFIRMATION) == 0) {
      const int answer =
          ask(op->hwnd, u"Replace \"" + winapi::paths::toWindows(to) + u"\" with \"" + source + u"\"?", MB_YESNOCANCEL);
      if (answer == IDNO) return Step::Skipped;
      if (answer != IDYES) return Step::Stop;
    }
    if (isFolder(to) != isFolder(from) || !isFolder(from)) {
      if (!removeAll(to)) return Step::Failed;
    }
  }
  if (move && rename(from.c_str(), to.c_str()) == 0) return Step::Done;
  if (move && errno != EXDEV && !(errno == ENOTEMPTY || errno == EEXIST)) {
    failFromErrno(from);
    return Step::Failed;
  }
  // A copy, or a move to another file system (or onto a folder with entries): copy, then delete.
  if (!copyAll(from, to)) return Step::Failed;
  if (move && !removeAll(from)) return Step::Failed;
  return Step::Done;
}

int run(SHFILEOPSTRUCTW* op) {
  const std::vector<std::u16string> sources = splitList(op->pFrom);
  if (sources.empty()) return ERROR_INVALID_PARAMETER;
  const bool confirm = (op->fFlags & FOF_NOCONFIRMATION) == 0;

  if (op->wFunc == FO_DELETE) {
    const bool toTrash = (op->fFlags & FOF_ALLOWUNDO) != 0;
    std::vector<std::string> paths;
    for (const std::u16string& source : sources) {
      std::string path;
      if (!winapi::paths::toUnix(winapi::paths::fullPath(source), path) || !exists(path)) {
        return ERROR_FILE_NOT_FOUND;
      }
      paths.push_back(path);
    }
    if (confirm) {
      const std::u16string what =
          sources.size() == 1 ? u"\"" + sources.front() + u"\"" : std::u16string(u"these items");
      const std::u16string text = toTrash ? u"Are you sure you want to move " + what + u" to the Trash?"
                                          : u"Are you sure you want to permanently delete " + what + u"?";
      if (ask(op->hwnd, text, MB_YESNO) != IDYES) {
        op->fAnyOperationsAborted = TRUE;
        return ERROR_CANCELLED;
      }
    }
    for (const std::string& path : paths) {
      if (!(toTrash ? trash(path) : removeAll(path))) return static_cast<int>(GetLastError());
    }
    return 0;
  }

  const std::vector<std::u16string> targets = splitList(op->pTo);
  if (targets.empty()) return ERROR_INVALID_PARAMETER;
  const bool multiple = (op->fFlags & FOF_MULTIDESTFILES) != 0 && op->wFunc != FO_RENAME;
  if (multiple && targets.size() != sources.size()) return ERROR_INVALID_PARAMETER;
  std::string destination;
  if (!multiple && !winapi::paths::toUnix(winapi::paths::fullPath(targets.front()), destination)) {
    return ERROR_PATH_NOT_FOUND;
  }
  // One source onto a name that is not a folder takes that name; otherwise the destination is a
  // folder, made when missing.
  const bool intoFolder = !multiple && op->wFunc != FO_RENAME && (isFolder(destination) || sources.size() > 1);
  if (intoFolder && !isFolder(destination)) {
    if (confirm && (op->fFlags & FOF_NOCONFIRMMKDIR) == 0 &&
        ask(op->hwnd, u"The folder \"" + targets.front() + u"\" does not exist. Create it?", MB_YESNO) != IDYES) {
      op->fAnyOperationsAborted = TRUE;
      return ERROR_CANCELLED;
    }
    if (!makeFolders(destination, 0777)) return ERROR_PATH_NOT_FOUND;
  }
  for (size_t i = 0; i < sources.size(); ++i) {
    std::string from;
    if (!winapi::paths::toUnix(winapi::paths::fullPath(sources[i]), from) || !exists(from)) return ERROR_FILE_NOT_FOUND;
    std::string to;
    if (multiple) {
      if (!winapi::paths::toUnix(winapi::paths::fullPath(targets[i]), to)) return ERROR_PATH_NOT_FOUND;
    } else {
      to = intoFolder ? destination + "/" + std::string(winapi::files::lastName(from)) : destination;
    }
    if (!intoFolder && !isFolder(parentOf(to)) && !makeFolders(parentOf(to), 0777)) return ERROR_PATH_NOT_FOUND;
    const Step step = copyOrMove(op, sources[i], from, to);
    if (step == Step::Skipped || step == Step::Stop) op->fAnyOperationsAborted = TRUE;
    if (step == Step::Stop) return ERROR_CANCELLED;
    if (step == Step::Failed) return static_cast<int>(GetLastError() != 0 ? GetLastError() : ERROR_GEN_FAILURE);
  }
  return 0;
}

}  // namespace

extern "C" int WINAPI SHFileOperationW(LPSHFILEOPSTRUCTW operation) {
  if (operation == nullptr || operation->wFunc < FO_MOVE || operation->wFunc > FO_RENAME ||
      (operation->fFlags & (FOF_RENAMEONCOLLISION | FOF_WANTMAPPINGHANDLE | FOF_FILESONLY)) != 0) {
    return ERROR_INVALID_PARAMETER;
  }
  operation->fAnyOperationsAborted = FALSE;
  operation->hNameMappings = nullptr;
  SetLastError(0);
  return run(operation);
}
