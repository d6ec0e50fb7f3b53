// The URL moniker's downloads into files, over the layer's HTTP transfers.
// Status: URLDownloadToFileW and URLDownloadToCacheFileW with OnProgress reports and E_ABORT.
// Left out on purpose: the binding object and the callback's other methods (never called),
// schemes other than http and https, the cache's index (each download is a new file).
#include <urlmon.h>

#include "winapi/base/unixpath.h"
#include "winapi/base/utf8.h"
#include "winapi/kernel32/unfinished.h"
#include "winapi/wininet/Transfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" {
// {79EAC9C1-BAF9-11CE-8C82-00AA004BA90B}
const IID IID_IBindStatusCallback = {0x79EAC9C1, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};
}

namespace {

using winapi::http::Outcome;

bool hasHttpScheme(const std::string& url) {
  std::string head = url.substr(0, 8);
  for (char& c : head) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

ULONG clampUlong(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<ULONG>(value); }

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

/// Downloads `url` into the open file `fd`, reporting to `callback`; the caller owns the file.
HRESULT download(LPCWSTR url, int fd, LPBINDSTATUSCALLBACK callback) {
  std::string address;
  if (url == nullptr || !winapi::utf8::toUtf8(std::u16string_view(url), address)) return E_INVALIDARG;
  if (!hasHttpScheme(address)) return INET_E_UNKNOWN_PROTOCOL;

  winapi::http::Transfer transfer;
  uint64_t received = 0;
  bool begun = false;
  bool aborted = false;
  bool badStatus = false;
  bool writeFailed = false;
  auto report = [&](ULONG status) {
    if (callback == nullptr) return true;
    const uint64_t max = transfer.contentLength().value_or(0);
    if (callback->OnProgress(clampUlong(received), clampUlong(max), status, url) == E_ABORT) {
      aborted = true;
      return false;
    }
    return true;
  };
  transfer.setSink([&](const char* data, size_t size) {
    // The body of an error page is no download: the status decides before any byte is kept.
    if (transfer.status() < 200 || transfer.status() > 299) {
      badStatus = true;
      return false;
    }
    if (!writeAll(fd, data, size)) {
      writeFailed = true;
      return false;
    }
    received += size;
    const bool first = !begun;
    begun = true;
    return report(first ? BINDSTATUS_BEGINDOWNLOADDATA : BINDSTATUS_DOWNLOADINGDATA);
  });
  winapi::http::Options options;
  options.url = address;
  if (!transfer.begin(options)) return INET_E_DOWNLOAD_FAILURE;
  const Outcome outcome = transfer.finish();
  const long status = transfer.status();
  if (aborted) return E_ABORT;
  if (writeFailed) return INET_E_DOWNLOAD_FAILURE;
  const bool statusOk = status >= 200 && status <= 299;
  if (badStatus || (outcome == Outcome::Done && !statusOk)) {
    return status == 404 || status == 410 ? INET_E_RESOURCE_NOT_FOUND : INET_E_DOWNLOAD_FAILURE;
  }
  switch (outcome) {
    case Outcome::Done: break;
    case Outcome::NotResolved: return INET_E_RESOURCE_NOT_FOUND;
    case Outcome::CannotConnect: return INET_E_CANNOT_CONNECT;
    case Outcome::TimedOut: return INET_E_CONNECTION_TIMEOUT;
    default: return INET_E_DOWNLOAD_FAILURE;
  }
  if (!begun && !report(BINDSTATUS_BEGINDOWNLOADDATA)) return E_ABORT;
  if (!report(BINDSTATUS_ENDDOWNLOADDATA)) return E_ABORT;
  return S_OK;
}

/// A new file from a mkstemp pattern, private to the user.
int newFile(std::string& pattern) {
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd >= 0) ::fchmod(fd, 0600);
  return fd;
}

bool makeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  struct stat st {};
  return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

/// $XDG_CACHE_HOME/lumetra/inetcache, made when missing; empty when it cannot be.
std::string cacheFolder() {
  std::string base;
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && cache[0] == '/') {
    base = cache;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    base = std::string(home) + "/.cache";
  } else {
    return {};
  }
  if (!makeFolder(base)) return {};
  const std::string lumetra = base + "/lumetra";
  const std::string folder = lumetra + "/inetcache";
  if (!makeFolder(lumetra) || !makeFolder(folder)) return {};
  return folder;
}

/// A file name from the address's last path part: letters, digits, '.', '-' and '_' only.
std::string nameFromUrl(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  const size_t slash = path.find_last_of('/');
  std::string last = slash == std::string::npos ? std::string() : path.substr(slash + 1);
  std::string name;
  for (char c : last) {
    const bool keep =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
    if (keep && name.size() < 64) name += c;
  }
  if (name.empty() || name[0] == '.') name.insert(0, "download");
  return name;
}

}  // namespace

extern "C" {

HRESULT WINAPI URLDownloadToFileW(LPUNKNOWN, LPCWSTR url, LPCWSTR fileName, DWORD, LPBINDSTATUSCALLBACK callback) {
  std::string target;
  if (fileName == nullptr || !winapi::paths::toUnix(fileName, target)) return E_INVALIDARG;
  // The body goes into a new file beside the target and takes the target's name when whole, so
  // a failed download leaves the target as it was and a link there is never followed.
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  if (name.empty()) return INET_E_DOWNLOAD_FAILURE;
  std::string part = folder + "/." + name + ".XXXXXX";
  const int fd = newFile(part);
  if (fd < 0) return INET_E_DOWNLOAD_FAILURE;
  // Unfinished, it goes with the process however that ends (but by SIGKILL).
  winapi::files::UnfinishedSlot* unfinished = winapi::files::reserveUnfinished(part.c_str());
  winapi::files::armUnfinished(unfinished);
  HRESULT result = download(url, fd, callback);
  if (::close(fd) != 0 && result == S_OK) result = INET_E_DOWNLOAD_FAILURE;
  if (result == S_OK && ::rename(part.c_str(), target.c_str()) != 0) result = INET_E_DOWNLOAD_FAILURE;
  if (result != S_OK) ::unlink(part.c_str());
  winapi::files::dropUnfinished(unfinished);
  return result;
}

HRESULT WINAPI URLDownloadToCacheFileW(LPUNKNOWN, LPCWSTR url, LPWSTR fileName, DWORD fileNameSize, DWORD,
                                       LPBINDSTATUSCALLBACK callback) {
  if (fileName == nullptr || fileNameSize == 0) return E_INVALIDARG;
  fileName[0] = 0;
  std::string address;
  if (url == nullptr || !winapi::utf8::toUtf8(std::u16string_view(url), address)) return E_INVALIDARG;
  const std::string folder = cacheFolder();
  if (folder.empty()) return INET_E_DOWNLOAD_FAILURE;
  std::string path = folder + "/" + nameFromUrl(address) + ".XXXXXX";
  const int fd = newFile(path);
  if (fd < 0) return INET_E_DOWNLOAD_FAILURE;
  winapi::files::UnfinishedSlot* unfinished = winapi::files::reserveUnfinished(path.c_str());
  winapi::files::armUnfinished(unfinished);
  HRESULT result = download(url, fd, callback);
  winapi::files::dropUnfinished(unfinished);
  if (::close(fd) != 0 && result == S_OK) result = INET_E_DOWNLOAD_FAILURE;
  const std::u16string windowsPath = winapi::paths::toWindows(path);
  if (result == S_OK && windowsPath.size() + 1 > fileNameSize) result = E_OUTOFMEMORY;
  if (result != S_OK) {
    ::unlink(path.c_str());
    return result;
  }
  windowsPath.copy(reinterpret_cast<char16_t*>(fileName), windowsPath.size());
  fileName[windowsPath.size()] = 0;
  return S_OK;
}
}
