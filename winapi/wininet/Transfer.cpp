// One HTTP GET over libcurl's multi interface, driven on the calling thread.
// Status: GET over http and https with redirects, the environment's proxy, the layer's limits.
// Left out on purpose: keeping connections between transfers, cookies, authentication.
#include "winapi/wininet/Transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

namespace winapi::http {

namespace {

constexpr long kMaxRedirects = 10;
constexpr long kConnectTimeoutMs = 30000;
// A transfer that moves less than a byte a second for 60 s has stalled.
constexpr long kStallSeconds = 60;
// libcurl's receive buffer: its default of 16 KiB makes a call into the sink, and a write of
// the file behind it, for every 16 KiB of a large body; 256 KiB moves a fast link's data in a
// sixteenth of the calls.
constexpr long kBufferBytes = 256 * 1024;

void initOnce() {
  static std::once_flag s_once;
  std::call_once(s_once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// libcurl and its TLS library are set up as the program loads, on its main thread, as a system
// library is set up when it is loaded. Set up by the first transfer instead, on a worker that a
// caller may abandon, their state would be made on that worker while the program's end frees it
// on the main thread, with nothing ordering the two (an end during an abandoned download).
[[maybe_unused]] const bool s_initialised = (initOnce(), true);

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

Outcome outcomeOf(CURLcode code) {
  switch (code) {
    case CURLE_OK: return Outcome::Done;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return Outcome::NotResolved;
    case CURLE_COULDNT_CONNECT: return Outcome::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT: return Outcome::TimedOut;
    case CURLE_TOO_MANY_REDIRECTS:
    case CURLE_UNSUPPORTED_PROTOCOL: return Outcome::BadRedirect;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING: return Outcome::Broken;
    case CURLE_WEIRD_SERVER_REPLY: return Outcome::BadReply;
    case CURLE_WRITE_ERROR: return Outcome::Aborted;
    default: return Outcome::Failed;
  }
}

bool isRedirectStatus(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

struct Transfer::Impl {
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  bool added = false;
  // The header block being read: its status and whether it names a Location.
  long blockStatus = 0;
  bool blockHasLocation = false;
  std::optional<uint64_t> blockLength;
  bool sinkRefused = false;
};

struct Callbacks {
  static size_t header(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    Transfer::Impl& impl = *t->m_impl;
    const size_t bytes = size * count;
    std::string_view line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (startsWithNoCase(line, "http/")) {
      impl.blockStatus = 0;
      impl.blockHasLocation = false;
      impl.blockLength.reset();
      const size_t space = line.find(' ');
      if (space != std::string_view::npos) {
        impl.blockStatus = std::strtol(std::string(line.substr(space + 1, 3)).c_str(), nullptr, 10);
      }
    } else if (line.empty()) {
      // The block is complete: the final one unless it is interim or a redirect to follow.
      const bool interim = impl.blockStatus >= 100 && impl.blockStatus < 200;
      const bool followed = isRedirectStatus(impl.blockStatus) && impl.blockHasLocation;
      if (!interim && !followed && !t->m_headersIn) {
        t->m_headersIn = true;
        t->m_status = impl.blockStatus;
        t->m_contentLength = impl.blockLength;
      }
    } else if (startsWithNoCase(line, "location:")) {
      impl.blockHasLocation = true;
    } else if (startsWithNoCase(line, "content-length:")) {
      std::string value(line.substr(15));
      char* end = nullptr;
      const unsigned long long n = std::strtoull(value.c_str(), &end, 10);
      if (end != value.c_str()) impl.blockLength = n;
    }
    return bytes;
  }

  static size_t body(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (t->m_sink) {
      if (!t->m_sink(data, bytes)) {
        t->m_impl->sinkRefused = true;
        return 0;  // libcurl ends the transfer with a write error
      }
      return bytes;
    }
    if (t->m_pendingStart == t->m_pending.size()) {
      t->m_pending.clear();
      t->m_pendingStart = 0;
    }
    t->m_pending.append(data, bytes);
    return bytes;
  }
};

Transfer::Transfer() : m_impl(new Impl()) {}

Transfer::~Transfer() {
  if (m_impl->added) curl_multi_remove_handle(m_impl->multi, m_impl->easy);
  if (m_impl->easy != nullptr) curl_easy_cleanup(m_impl->easy);
  if (m_impl->multi != nullptr) curl_multi_cleanup(m_impl->multi);
  curl_slist_free_all(m_impl->headers);
  delete m_impl;
}

bool Transfer::begin(const Options& options) {
  initOnce();
  m_outcome = Outcome::Failed;
  Impl& impl = *m_impl;
  impl.multi = curl_multi_init();
  impl.easy = curl_easy_init();
  if (impl.multi == nullptr || impl.easy == nullptr) return false;
  CURL* e = impl.easy;
  curl_easy_setopt(e, CURLOPT_URL, options.url.c_str());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kBufferBytes);
  if (!options.agent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, options.agent.c_str());
  if (!options.referrer.empty()) curl_easy_setopt(e, CURLOPT_REFERER, options.referrer.c_str());
  if (options.noCache) {
    impl.headers = curl_slist_append(impl.headers, "Pragma: no-cache");
    impl.headers = curl_slist_append(impl.headers, "Cache-Control: no-cache");
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, impl.headers);
  }
  // libcurl reads the environment's proxy settings itself; an empty proxy turns that off.
  if (options.direct || isLoopbackUrl(options.url)) curl_easy_setopt(e, CURLOPT_PROXY, "");
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Callbacks::header);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Callbacks::body);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
  if (curl_multi_add_handle(impl.multi, e) != CURLM_OK) return false;
  impl.added = true;
  m_outcome = Outcome::Running;
  return true;
}

void Transfer::step(int waitMs) {
  if (m_outcome != Outcome::Running) return;
  Impl& impl = *m_impl;
  int running = 0;
  if (curl_multi_perform(impl.multi, &running) != CURLM_OK) {
    m_outcome = Outcome::Failed;
    return;
  }
  int queued = 0;
  while (CURLMsg* msg = curl_multi_info_read(impl.multi, &queued)) {
    if (msg->msg == CURLMSG_DONE) {
      m_outcome = impl.sinkRefused ? Outcome::Aborted : outcomeOf(msg->data.result);
      if (m_outcome == Outcome::Done && !m_headersIn) m_outcome = Outcome::BadReply;
    }
  }
  if (m_outcome == Outcome::Running && running > 0) {
    curl_multi_poll(impl.multi, nullptr, 0, waitMs, nullptr);
  }
}

bool Transfer::waitForHeaders() {
  while (!m_headersIn && m_outcome == Outcome::Running) step(1000);
  return m_headersIn;
}

Outcome Transfer::finish() {
  while (m_outcome == Outcome::Running) step(1000);
  return m_outcome;
}

ptrdiff_t Transfer::read(void* buffer, size_t size) {
  while (m_pendingStart == m_pending.size() && m_outcome == Outcome::Running) step(1000);
  const size_t available = m_pending.size() - m_pendingStart;
  if (available == 0) return m_outcome == Outcome::Done ? 0 : -1;
  const size_t n = std::min(size, available);
  std::memcpy(buffer, m_pending.data() + m_pendingStart, n);
  m_pendingStart += n;
  return static_cast<ptrdiff_t>(n);
}

bool isLoopbackUrl(const std::string& url) {
  CURLU* u = curl_url();
  if (u == nullptr) return false;
  bool loopback = false;
  char* host = nullptr;
  if (curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
    std::string h(host);
    for (char& c : h) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool numeric127 = h.rfind("127.", 0) == 0 && h.find_first_not_of("0123456789.") == std::string::npos;
    loopback = h == "localhost" || h == "[::1]" || h == "::1" || numeric127;
    curl_free(host);
  }
  curl_url_cleanup(u);
  return loopback;
}

}  // namespace winapi::http
