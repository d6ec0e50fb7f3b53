// The network queries and the WinINet road of a download.
#include "platform/system/network/win/Network.h"

#include <wininet.h>

#include <string>
#include <vector>

namespace s::system::network::win {

namespace {

constexpr const WCHAR* kDefaultAgent = u"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
constexpr DWORD kPiece = 5000;

bool startsWithNoCase(const WCHAR* text, const WCHAR* prefix) {
  for (; *prefix != 0; ++text, ++prefix) {
    WCHAR c = *text;
    if (c >= u'A' && c <= u'Z') c = static_cast<WCHAR>(c - u'A' + u'a');
    if (c != *prefix) return false;
  }
  return true;
}

/// Closes the three handles in the order they were opened from each other.
struct Handles {
  HINTERNET internet = nullptr;
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  ~Handles() {
    if (request != nullptr) InternetCloseHandle(request);
    if (connection != nullptr) InternetCloseHandle(connection);
    if (internet != nullptr) InternetCloseHandle(internet);
  }
};

bool writeFile(const WCHAR* filePath, const std::vector<char>& body) {
  HANDLE file = CreateFileW(filePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = body.empty() || (WriteFile(file, body.data(), static_cast<DWORD>(body.size()),
                                             &written, nullptr) &&
                                   written == body.size());
  return CloseHandle(file) && ok;
}

}  // namespace

bool isConnected() {
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) && flags != INTERNET_CONNECTION_OFFLINE;
}

bool splitUrl(const WCHAR* url, str::strbuffer::StrBuffer*& host, str::strbuffer::StrBuffer*& path,
              bool& secure) {
  host = nullptr;
  path = nullptr;
  secure = false;
  if (url == nullptr) return false;
  // The scheme must open the address: "http://" inside a query names no host.
  size_t at = 0;
  if (startsWithNoCase(url, u"http://")) {
    at = 7;
  } else if (startsWithNoCase(url, u"https://")) {
    at = 8;
    secure = true;
  } else {
    return false;
  }
  size_t slash = at;
  while (url[slash] != 0 && url[slash] != u'/') ++slash;
  if (url[slash] != u'/' || slash == at) {
    secure = false;
    return false;
  }
  host = str::strbuffer::StrBuffer::take();
  path = str::strbuffer::StrBuffer::take();
  if (host == nullptr || path == nullptr) {
    if (host != nullptr) host->release();
    if (path != nullptr) path->release();
    host = path = nullptr;
    secure = false;
    return false;
  }
  host->appendChars(url + at, static_cast<int32_t>(slash - at));
  path->assign(url + slash);
  return true;
}

bool httpGetToFile(const WCHAR* url, const WCHAR* filePath, const WCHAR* userAgent,
                   const WCHAR* referrer, CCallback* callback) {
  str::strbuffer::StrBuffer* hostText = nullptr;
  str::strbuffer::StrBuffer* pathText = nullptr;
  bool secure = false;
  if (!splitUrl(url, hostText, pathText, secure)) return false;
  std::u16string host(hostText->getCStr());
  const std::u16string path(pathText->getCStr());
  hostText->release();
  pathText->release();

  // A ":digits" suffix is the port; anything else after a colon leaves the host as it is.
  INTERNET_PORT port = secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  const size_t colon = host.rfind(u':');
  if (colon != std::u16string::npos && colon + 1 < host.size() &&
      host.find(u']', colon) == std::u16string::npos) {
    uint32_t value = 0;
    bool digits = colon + 6 >= host.size();
    for (size_t i = colon + 1; digits && i < host.size(); ++i) {
      digits = host[i] >= u'0' && host[i] <= u'9';
      value = value * 10 + (host[i] - u'0');
    }
    if (digits && value > 0 && value <= 65535) {
      port = static_cast<INTERNET_PORT>(value);
      host.resize(colon);
    }
  }

  Handles h;
  const WCHAR* agent = userAgent != nullptr && userAgent[0] != 0 ? userAgent : kDefaultAgent;
  h.internet = InternetOpenW(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (h.internet == nullptr) return false;
  h.connection = InternetConnectW(h.internet, host.c_str(), port, nullptr, nullptr,
                                  INTERNET_SERVICE_HTTP, 0, 0);
  if (h.connection == nullptr) return false;
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
  if (secure) flags |= INTERNET_FLAG_SECURE;
  const WCHAR* ref = referrer != nullptr && referrer[0] != 0 ? referrer : nullptr;
  h.request = HttpOpenRequestW(h.connection, u"GET", path.c_str(), nullptr, ref, nullptr, flags, 0);
  if (h.request == nullptr || !HttpSendRequestW(h.request, nullptr, 0, nullptr, 0)) return false;

  // An error page is no reply.
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoW(h.request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr) ||
      status < 200 || status > 299) {
    return false;
  }
  DWORD length = 0;
  size = sizeof length;
  if (!HttpQueryInfoW(h.request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size,
                      nullptr)) {
    length = 0;
    if (callback != nullptr &&
        callback->OnProgress(1, 1, BINDSTATUS_DOWNLOADINGDATA, url) == E_ABORT)
      return false;
  }
  if (length > CCallback::kMaxBytes) return false;

  std::vector<char> body;
  body.reserve(length + kPiece + 1);
  for (;;) {
    if (callback != nullptr && callback->isAbandoned()) return false;
    const size_t at = body.size();
    body.resize(at + kPiece + 1);
    DWORD read = 0;
    if (!InternetReadFile(h.request, body.data() + at, kPiece, &read)) return false;
    body.resize(at + read);
    if (read == 0) break;
    if (body.size() > static_cast<size_t>(CCallback::kMaxBytes)) return false;
    if (length != 0 && callback != nullptr) {
      const DWORD sofar = body.size() < length ? static_cast<DWORD>(body.size()) : length;
      if (callback->OnProgress(sofar, length, BINDSTATUS_DOWNLOADINGDATA, url) == E_ABORT)
        return false;
    }
  }
  return writeFile(filePath, body);
}

}  // namespace s::system::network::win
