// A small HTTP/1.1 server for the network tests: it listens on 127.0.0.1 at a port the system
// picks, answers from scripted routes on threads of its own, and records every request.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace lumetra::testlib {

/// What the server answers on one path.
struct HttpRoute {
  /// How the body is framed: with Content-Length, in chunks, or ended by closing the connection.
  enum class Framing { Length, Chunked, Close };

  int status = 200;
  /// Extra headers, sent as given.
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  Framing framing = Framing::Length;
  /// Chunked: the body is sent in pieces of this many bytes (the whole body in one when 0).
  size_t chunkSize = 0;
  std::chrono::milliseconds delayBeforeHeaders{0};
  /// Between the pieces of a chunked body (and between the headers and the first piece).
  std::chrono::milliseconds delayBetweenChunks{0};
  /// Only this many bytes of the body are sent (the framing still announces all of it), then the
  /// connection closes.
  std::optional<size_t> cutAfter;
  /// The connection closes as soon as the request is read.
  bool closeWithoutAnswer = false;
  /// Nothing is ever sent; the connection stays open until the client leaves or the server ends.
  bool neverAnswer = false;
};

/// One request as the server read it.
struct HttpRequest {
  std::string method;
  std::string target;
  std::string version;
  std::vector<std::pair<std::string, std::string>> headers;
  /// The client closed the connection before the whole answer was sent.
  bool clientWentAway = false;
  /// The client closed the connection (at any time) and when, from the request's arrival.
  bool clientClosed = false;
  std::chrono::milliseconds closedAfter{0};

  /// The first header of that name (ignoring case), or none.
  std::optional<std::string> header(const std::string& name) const;
};

/// The server. Routes may be added while it runs; an unknown path answers 404 with an empty
/// body. Every connection is served by a thread of its own and answers one request
/// ("Connection: close"). Destroying the server closes every connection and joins its threads.
class HttpServer {
 public:
  HttpServer();
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  uint16_t port() const { return m_port; }
  /// "http://127.0.0.1:PORT" + path.
  std::string url(const std::string& path) const;

  /// Answers `route` for requests whose path (without the query) is `path`.
  void route(const std::string& path, HttpRoute route);
  /// Answers `status` with `body` (with its length).
  void reply(const std::string& path, std::string body, int status = 200);
  /// Answers `status` with a Location header of `location`.
  void redirect(const std::string& path, int status, const std::string& location);

  /// The requests so far, in the order they arrived.
  std::vector<HttpRequest> requests() const;
  size_t requestCount() const;
  /// Waits until `count` requests have arrived; false when the time runs out first.
  bool waitForRequests(size_t count, std::chrono::milliseconds timeout) const;
  /// Waits until the client of request `index` has closed its connection; false on time-out.
  bool waitForClose(size_t index, std::chrono::milliseconds timeout) const;

 private:
  void acceptLoop();
  void serve(int fd);

  int m_listen = -1;
  uint16_t m_port = 0;
  std::thread m_acceptor;
  mutable std::mutex m_lock;
  mutable std::condition_variable m_changed;
  bool m_stopping = false;
  std::map<std::string, HttpRoute> m_routes;
  std::vector<HttpRequest> m_requests;
  std::vector<std::thread> m_connections;
  std::vector<int> m_openFds;
};

}  // namespace lumetra::testlib
