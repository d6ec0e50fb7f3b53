// The tests' HTTP/1.1 server on 127.0.0.1.
#include "testlib/HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace lumetra::testlib {

namespace {

using Clock = std::chrono::steady_clock;

bool equalNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

const char* reasonOf(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 404: return "Not Found";
    case 410: return "Gone";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

// Whether the peer has closed its side: readable with nothing to read, or hung up.
bool peerClosed(int fd) {
  char byte;
  const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

}  // namespace

std::optional<std::string> HttpRequest::header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (equalNoCase(key, name)) return value;
  }
  return std::nullopt;
}

HttpServer::HttpServer() {
  m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_listen < 0) throw std::runtime_error("HttpServer: no socket");
  const int one = 1;
  ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(m_listen, 64) != 0) {
    ::close(m_listen);
    throw std::runtime_error("HttpServer: cannot listen on 127.0.0.1");
  }
  socklen_t length = sizeof address;
  ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
  m_port = ntohs(address.sin_port);
  m_acceptor = std::thread([this] { acceptLoop(); });
}

HttpServer::~HttpServer() {
  {
    std::lock_guard guard(m_lock);
    m_stopping = true;
    for (int fd : m_openFds) ::shutdown(fd, SHUT_RDWR);
  }
  m_changed.notify_all();
  m_acceptor.join();
  // No new connection threads start once the acceptor has ended.
  for (std::thread& t : m_connections) t.join();
  ::close(m_listen);
}

std::string HttpServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void HttpServer::route(const std::string& path, HttpRoute route) {
  std::lock_guard guard(m_lock);
  m_routes[path] = std::move(route);
}

void HttpServer::reply(const std::string& path, std::string body, int status) {
  HttpRoute r;
  r.status = status;
  r.body = std::move(body);
  route(path, std::move(r));
}

void HttpServer::redirect(const std::string& path, int status, const std::string& location) {
  HttpRoute r;
  r.status = status;
  r.headers.emplace_back("Location", location);
  route(path, std::move(r));
}

std::vector<HttpRequest> HttpServer::requests() const {
  std::lock_guard guard(m_lock);
  return m_requests;
}

size_t HttpServer::requestCount() const {
  std::lock_guard guard(m_lock);
  return m_requests.size();
}

bool HttpServer::waitForRequests(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(m_lock);
  return m_changed.wait_for(lock, timeout, [&] { return m_requests.size() >= count; });
}

bool HttpServer::waitForClose(size_t index, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(m_lock);
  return m_changed.wait_for(
      lock, timeout, [&] { return index < m_requests.size() && m_requests[index].clientClosed; });
}

void HttpServer::acceptLoop() {
  for (;;) {
    {
      std::lock_guard guard(m_lock);
      if (m_stopping) return;
    }
    pollfd p{m_listen, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard guard(m_lock);
    if (m_stopping) {
      ::close(fd);
      return;
    }
    m_openFds.push_back(fd);
    m_connections.emplace_back([this, fd] { serve(fd); });
  }
}

void HttpServer::serve(int fd) {
  const auto arrived = Clock::now();
  auto stopping = [&] {
    std::lock_guard guard(m_lock);
    return m_stopping;
  };
  // Waits `ms` (forever when negative) while the client stays; false once it has left.
  auto stay = [&](std::chrono::milliseconds ms, bool forever) {
    const auto until = Clock::now() + ms;
    while (forever || Clock::now() < until) {
      if (stopping()) return false;
      pollfd p{fd, POLLIN | POLLRDHUP, 0};
      const int wait =
          forever ? 20
                  : static_cast<int>(std::clamp<int64_t>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now())
                            .count(),
                        0, 20));
      if (::poll(&p, 1, wait) > 0 && (p.revents & (POLLHUP | POLLRDHUP | POLLERR)) != 0)
        return false;
      if (p.revents & POLLIN && peerClosed(fd)) return false;
    }
    return true;
  };
  auto sendAll = [&](const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += static_cast<size_t>(n);
    }
    return true;
  };

  // The request head, up to its empty line.
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    pollfd p{fd, POLLIN, 0};
    if (stopping()) break;
    if (::poll(&p, 1, 20) <= 0) continue;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
  }
  size_t index = 0;
  HttpRoute route;
  {
    HttpRequest request;
    const size_t lineEnd = head.find("\r\n");
    const std::string line = head.substr(0, lineEnd);
    const size_t s1 = line.find(' ');
    const size_t s2 = line.find(' ', s1 == std::string::npos ? s1 : s1 + 1);
    if (s1 != std::string::npos && s2 != std::string::npos) {
      request.method = line.substr(0, s1);
      request.target = line.substr(s1 + 1, s2 - s1 - 1);
      request.version = line.substr(s2 + 1);
    }
    size_t at = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (at < head.size()) {
      const size_t end = head.find("\r\n", at);
      if (end == std::string::npos || end == at) break;
      const std::string h = head.substr(at, end - at);
      const size_t colon = h.find(':');
      if (colon != std::string::npos) {
        const size_t valueAt = h.find_first_not_of(' ', colon + 1);
        request.headers.emplace_back(h.substr(0, colon),
                                     valueAt == std::string::npos ? "" : h.substr(valueAt));
      }
      at = end + 2;
    }
    const std::string path = request.target.substr(0, request.target.find('?'));
    std::lock_guard guard(m_lock);
    auto found = m_routes.find(path);
    if (found != m_routes.end()) {
      route = found->second;
    } else {
      route.status = 404;
    }
    index = m_requests.size();
    m_requests.push_back(std::move(request));
  }
  m_changed.notify_all();

  // The client left before the server had sent what it meant to.
  bool gone = false;
  if (route.neverAnswer) {
    gone = !stay(std::chrono::milliseconds(0), true);
  } else if (!route.closeWithoutAnswer) {
    gone = !stay(route.delayBeforeHeaders, false);
    std::string answer =
        "HTTP/1.1 " + std::to_string(route.status) + " " + reasonOf(route.status) + "\r\n";
    for (const auto& [key, value] : route.headers) answer += key + ": " + value + "\r\n";
    if (route.framing == HttpRoute::Framing::Length) {
      answer += "Content-Length: " + std::to_string(route.body.size()) + "\r\n";
    } else if (route.framing == HttpRoute::Framing::Chunked) {
      answer += "Transfer-Encoding: chunked\r\n";
    }
    answer += "Connection: close\r\n\r\n";
    const size_t sendable = std::min(route.body.size(), route.cutAfter.value_or(route.body.size()));
    if (!gone) gone = !sendAll(answer);
    if (route.framing == HttpRoute::Framing::Chunked) {
      const size_t piece =
          route.chunkSize == 0 ? std::max<size_t>(route.body.size(), 1) : route.chunkSize;
      for (size_t at = 0; !gone && at < route.body.size(); at += piece) {
        gone = !stay(route.delayBetweenChunks, false);
        const size_t n = std::min(piece, route.body.size() - at);
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", n);
        if (!gone && at + n > sendable) {
          // Cut short: the piece's size line and the bytes before the cut, then the close.
          gone = !sendAll(size + route.body.substr(at, sendable - at));
          break;
        }
        if (!gone) gone = !sendAll(size + route.body.substr(at, n) + "\r\n");
      }
      if (!gone && sendable == route.body.size()) gone = !sendAll("0\r\n\r\n");
    } else if (!gone) {
      gone = !sendAll(route.body.substr(0, sendable));
    }
    if (!gone) {
      ::shutdown(fd, SHUT_WR);
      // Afterwards the client's close is awaited, so a test can see when it let go.
      stay(std::chrono::milliseconds(5000), false);
    }
  }
  const auto closedAt = Clock::now();
  const bool closed = gone || peerClosed(fd);
  {
    std::lock_guard guard(m_lock);
    HttpRequest& r = m_requests[index];
    r.clientWentAway = gone && !m_stopping;
    r.clientClosed = closed;
    r.closedAfter = std::chrono::duration_cast<std::chrono::milliseconds>(closedAt - arrived);
    m_openFds.erase(std::remove(m_openFds.begin(), m_openFds.end(), fd), m_openFds.end());
    ::close(fd);
  }
  m_changed.notify_all();
}

}  // namespace lumetra::testlib
