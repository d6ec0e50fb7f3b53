// WinINet over libcurl: the connection state and HTTP GET requests read on the calling thread.
// Status: InternetGetConnectedState, InternetOpenW, InternetConnectW, HttpOpenRequestW,
// HttpSendRequestW, HttpQueryInfoW (status code and content length), InternetReadFile,
// InternetCloseHandle.
// Left out on purpose: the cache, FTP, callbacks and asynchronous handles, request bodies and
// extra headers, named proxies; every request opens a connection of its own.
#include <wininet.h>

#include "winapi/base/utf8.h"
#include "winapi/wininet/Transfer.h"

#include <ifaddrs.h>
#include <net/if.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

enum class Kind { Session, Connection, Request };

struct Handle {
  explicit Handle(Kind k) : kind(k) {}
  virtual ~Handle() = default;
  Kind kind;
  Handle* parent = nullptr;
  std::vector<Handle*> children;
};

struct Session : Handle {
  Session() : Handle(Kind::Session) {}
  std::string agent;
  bool direct = false;
};

struct Connection : Handle {
  Connection() : Handle(Kind::Connection) {}
  std::string host;
  INTERNET_PORT port = 0;
};

struct Request : Handle {
  Request() : Handle(Kind::Request) {}
  std::string url;
  std::string referrer;
  bool noCache = false;
  bool sent = false;
  winapi::http::Transfer transfer;
};

// Every live handle, so a stale or foreign one is refused instead of followed.
struct Handles {
  std::mutex lock;
  std::set<Handle*> live;
};

Handles& handles() {
  static Handles* const s_handles = new Handles();
  return *s_handles;
}

HINTERNET add(Handle* handle, Handle* parent) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  handle->parent = parent;
  if (parent != nullptr) parent->children.push_back(handle);
  h.live.insert(handle);
  return handle;
}

template <typename T>
T* find(HINTERNET handle, Kind kind) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  auto* p = static_cast<Handle*>(handle);
  if (handle == nullptr || h.live.count(p) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (p->kind != kind) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return nullptr;
  }
  return static_cast<T*>(p);
}

// Under the handles' lock.
void destroy(Handle* handle) {
  for (Handle* child : handle->children) {
    child->parent = nullptr;
    destroy(child);
  }
  handles().live.erase(handle);
  delete handle;
}

std::string utf8(LPCWSTR text) {
  std::string out;
  if (text != nullptr) winapi::utf8::toUtf8(std::u16string_view(text), out);
  return out;
}

DWORD errorOf(winapi::http::Outcome outcome) {
  using winapi::http::Outcome;
  switch (outcome) {
    case Outcome::NotResolved: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case Outcome::CannotConnect: return ERROR_INTERNET_CANNOT_CONNECT;
    case Outcome::TimedOut: return ERROR_INTERNET_TIMEOUT;
    case Outcome::BadRedirect: return ERROR_HTTP_REDIRECT_FAILED;
    case Outcome::BadReply: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case Outcome::Broken: return ERROR_INTERNET_CONNECTION_ABORTED;
    default: return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

bool anyInterfaceUp() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool up = false;
  for (ifaddrs* a = list; a != nullptr && !up; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || (a->ifa_flags & IFF_UP) == 0 || (a->ifa_flags & IFF_LOOPBACK) != 0) {
      continue;
    }
    up = a->ifa_addr->sa_family == AF_INET || a->ifa_addr->sa_family == AF_INET6;
  }
  freeifaddrs(list);
  return up;
}

}  // namespace

extern "C" {

BOOL WINAPI InternetGetConnectedState(LPDWORD flags, DWORD) {
  bool online = false;
  const char* forced = std::getenv("LUMETRA_NETWORK");
  if (forced != nullptr && std::strcmp(forced, "online") == 0) {
    online = true;
  } else if (forced != nullptr && std::strcmp(forced, "offline") == 0) {
    online = false;
  } else {
    online = anyInterfaceUp();
  }
  if (flags != nullptr) *flags = online ? INTERNET_CONNECTION_LAN : INTERNET_CONNECTION_OFFLINE;
  return online ? TRUE : FALSE;
}

HINTERNET WINAPI InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR, LPCWSTR, DWORD flags) {
  if ((accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT) || flags != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* session = new Session();
  session->agent = utf8(agent);
  session->direct = accessType == INTERNET_OPEN_TYPE_DIRECT;
  return add(session, nullptr);
}

HINTERNET WINAPI InternetConnectW(HINTERNET internet, LPCWSTR serverName, INTERNET_PORT serverPort, LPCWSTR, LPCWSTR,
                                  DWORD service, DWORD, DWORD_PTR) {
  auto* session = find<Session>(internet, Kind::Session);
  if (session == nullptr) return nullptr;
  if (service != INTERNET_SERVICE_HTTP || serverName == nullptr || serverName[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* connection = new Connection();
  connection->host = utf8(serverName);
  connection->port = serverPort;
  return add(connection, session);
}

HINTERNET WINAPI HttpOpenRequestW(HINTERNET connect, LPCWSTR verb, LPCWSTR objectName, LPCWSTR, LPCWSTR referrer,
                                  LPCWSTR* acceptTypes, DWORD flags, DWORD_PTR) {
  auto* connection = find<Connection>(connect, Kind::Connection);
  if (connection == nullptr) return nullptr;
  const std::string method = verb == nullptr ? "GET" : utf8(verb);
  if (method != "GET" || (acceptTypes != nullptr && acceptTypes[0] != nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const bool secure = (flags & INTERNET_FLAG_SECURE) != 0;
  std::string path = objectName == nullptr ? std::string("/") : utf8(objectName);
  if (path.empty() || path[0] != '/') path.insert(path.begin(), '/');
  std::string url = secure ? "https://" : "http://";
  url += connection->host;
  const INTERNET_PORT port = connection->port != INTERNET_INVALID_PORT_NUMBER
                                 ? connection->port
                                 : (secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
  url += ':';
  url += std::to_string(port);
  url += path;
  auto* request = new Request();
  request->url = std::move(url);
  request->referrer = utf8(referrer);
  request->noCache =
      (flags & (INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE)) != 0;
  return add(request, connection);
}

BOOL WINAPI HttpSendRequestW(HINTERNET handle, LPCWSTR headers, DWORD headersLength, LPVOID optional,
                             DWORD optionalLength) {
  auto* request = find<Request>(handle, Kind::Request);
  if (request == nullptr) return FALSE;
  const bool extraHeaders = headers != nullptr && headersLength != 0 && headers[0] != 0;
  if (extraHeaders || (optional != nullptr && optionalLength != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (request->sent) {
    SetLastError(ERROR_INTERNET_INVALID_OPERATION);
    return FALSE;
  }
  request->sent = true;
  // The session outlives the request while both are open; closing it closes the request.
  winapi::http::Options options;
  {
    std::lock_guard guard(handles().lock);
    auto* session = static_cast<Session*>(request->parent->parent);
    options.agent = session->agent;
    options.direct = session->direct;
  }
  options.url = request->url;
  options.referrer = request->referrer;
  options.noCache = request->noCache;
  if (!request->transfer.begin(options)) {
    SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
    return FALSE;
  }
  if (!request->transfer.waitForHeaders()) {
    SetLastError(errorOf(request->transfer.outcome()));
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI HttpQueryInfoW(HINTERNET handle, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD) {
  auto* request = find<Request>(handle, Kind::Request);
  if (request == nullptr) return FALSE;
  if (bufferLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!request->transfer.headersIn()) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return FALSE;
  }
  const bool number = (infoLevel & HTTP_QUERY_FLAG_NUMBER) != 0;
  uint64_t value = 0;
  switch (infoLevel & 0xFFFF) {
    case HTTP_QUERY_STATUS_CODE: value = static_cast<uint64_t>(request->transfer.status()); break;
    case HTTP_QUERY_CONTENT_LENGTH:
      if (!request->transfer.contentLength()) {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        return FALSE;
      }
      value = *request->transfer.contentLength();
      break;
    default: SetLastError(ERROR_HTTP_HEADER_NOT_FOUND); return FALSE;
  }
  if (number) {
    if (*bufferLength < sizeof(DWORD) || buffer == nullptr) {
      *bufferLength = sizeof(DWORD);
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    const DWORD v = value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(value);
    std::memcpy(buffer, &v, sizeof v);
    *bufferLength = sizeof v;
    return TRUE;
  }
  const std::string digits = std::to_string(value);
  const DWORD needed = static_cast<DWORD>((digits.size() + 1) * sizeof(WCHAR));
  if (*bufferLength < needed || buffer == nullptr) {
    *bufferLength = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  auto* out = static_cast<WCHAR*>(buffer);
  for (size_t i = 0; i < digits.size(); ++i) out[i] = static_cast<WCHAR>(digits[i]);
  out[digits.size()] = 0;
  *bufferLength = needed - sizeof(WCHAR);  // without the terminator, as Windows counts it
  return TRUE;
}

BOOL WINAPI InternetReadFile(HINTERNET handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  auto* request = find<Request>(handle, Kind::Request);
  if (request == nullptr) return FALSE;
  if (bytesRead == nullptr || (buffer == nullptr && bytesToRead != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!request->transfer.headersIn()) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return FALSE;
  }
  if (bytesToRead == 0) return TRUE;
  const ptrdiff_t n = request->transfer.read(buffer, bytesToRead);
  if (n < 0) {
    SetLastError(errorOf(request->transfer.outcome()));
    return FALSE;
  }
  *bytesRead = static_cast<DWORD>(n);
  return TRUE;
}

BOOL WINAPI InternetCloseHandle(HINTERNET handle) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  auto* p = static_cast<Handle*>(handle);
  if (handle == nullptr || h.live.count(p) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (p->parent != nullptr) {
    auto& siblings = p->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), p), siblings.end());
  }
  destroy(p);
  return TRUE;
}
}
