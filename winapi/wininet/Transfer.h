// One HTTP GET over libcurl, driven on the calling thread: shared by the WinINet requests and
// the URL moniker's downloads, so both follow redirects, time out and meet proxies alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace winapi::http {

/// What a request asks for. `url` is absolute, http or https.
struct Options {
  std::string url;
  std::string agent;
  std::string referrer;
  /// "Pragma: no-cache" and "Cache-Control: no-cache".
  bool noCache = false;
  /// No proxy at all; otherwise the environment's, except for loopback hosts.
  bool direct = false;
};

/// How a transfer ended, in the terms both callers map to their own errors.
enum class Outcome {
  Running,
  Done,
  NotResolved,
  CannotConnect,
  TimedOut,
  BadRedirect,  // more than 10, or to a scheme other than http and https
  Broken,       // the connection broke or the reply was cut short
  BadReply,     // not HTTP
  Aborted,      // the body sink asked to stop
  Failed,       // anything else
};

/// One transfer. Not thread-safe: one thread drives it at a time. Redirects: at most 10, http
/// and https only. Limits: 30 s to connect, 60 s without data.
class Transfer {
 public:
  /// Receives the body as it arrives when set before `begin`; answering false ends the
  /// transfer (Outcome::Aborted). Without it the body waits in memory for `read`.
  using Sink = std::function<bool(const char* data, size_t size)>;

  Transfer();
  ~Transfer();
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  void setSink(Sink sink) { m_sink = std::move(sink); }
  /// Sets the request up; false (Outcome::Failed) when libcurl cannot.
  bool begin(const Options& options);
  /// Drives the transfer until the final response's headers are in or it ended; false when it
  /// ended without them.
  bool waitForHeaders();
  /// Drives the transfer to its end (with a sink) and answers how it ended.
  Outcome finish();
  /// Up to `size` bytes of the body (without a sink): waits until some are in. 0 at the end,
  /// -1 when the transfer broke first.
  ptrdiff_t read(void* buffer, size_t size);

  Outcome outcome() const { return m_outcome; }
  bool headersIn() const { return m_headersIn; }
  /// The final response's status (0 before its headers).
  long status() const { return m_status; }
  /// The final response's Content-Length, when it has one.
  std::optional<uint64_t> contentLength() const { return m_contentLength; }

  struct Impl;

 private:
  /// One step: lets libcurl work and waits up to `waitMs` for the sockets.
  void step(int waitMs);

  Impl* m_impl = nullptr;
  Sink m_sink;
  Outcome m_outcome = Outcome::Running;
  bool m_headersIn = false;
  long m_status = 0;
  std::optional<uint64_t> m_contentLength;
  std::string m_pending;
  size_t m_pendingStart = 0;

  friend struct Callbacks;
};

/// Whether `url` names a loopback host (localhost, 127.0.0.0/8, ::1).
bool isLoopbackUrl(const std::string& url);

}  // namespace winapi::http
