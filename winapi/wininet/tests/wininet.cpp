// WinINet against the tests' own server: bodies of each framing read as they arrive, the status
// and length queries, redirects and their limits, the headers a request sends, broken and
// refused connections, proxies and the connection state.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include "testlib/HttpServer.h"

#include <chrono>
#include <cstdlib>
#include <string>

namespace {

using lumetra::testlib::HttpRoute;
using lumetra::testlib::HttpServer;
using namespace std::chrono_literals;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

/// A session, a connection to the server and a GET request of `path`, closed together.
struct Get {
  Get(const HttpServer& server, const std::string& path, const WCHAR* agent = u"TestAgent/1.0",
      const WCHAR* referrer = nullptr, DWORD flags = 0) {
    session = InternetOpenW(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    connection = InternetConnectW(session, u"127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    const std::u16string p = wide(path);
    request = HttpOpenRequestW(connection, u"GET", p.c_str(), nullptr, referrer, nullptr, flags, 0);
  }
  ~Get() { InternetCloseHandle(session); }

  /// The whole body, read in pieces of `piece` bytes; `ok` false when a read failed.
  std::string body(DWORD piece = 1000) {
    std::string out;
    char buffer[65536];
    for (;;) {
      DWORD n = 0;
      if (!InternetReadFile(request, buffer, piece, &n)) {
        ok = false;
        error = GetLastError();
        return out;
      }
      if (n == 0) return out;
      out.append(buffer, n);
    }
  }

  DWORD number(DWORD level) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!HttpQueryInfoW(request, level | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) {
      return 0xFFFFFFFF;
    }
    return value;
  }

  HINTERNET session = nullptr;
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  bool ok = true;
  DWORD error = 0;
};

std::string pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7) % 26);
  return s;
}

TEST(WinInet, BodiesOfEachFramingReadWholeWithTheirStatusAndLength) {
  HttpServer server;
  const std::string body = pattern(100000);
  for (auto framing : {HttpRoute::Framing::Length, HttpRoute::Framing::Chunked, HttpRoute::Framing::Close}) {
    HttpRoute r;
    r.body = body;
    r.framing = framing;
    r.chunkSize = 7000;
    server.route("/f", r);
    Get get(server, "/f");
    ASSERT_TRUE(HttpSendRequestW(get.request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(get.number(HTTP_QUERY_STATUS_CODE), 200u);
    if (framing == HttpRoute::Framing::Length) {
      EXPECT_EQ(get.number(HTTP_QUERY_CONTENT_LENGTH), body.size());
    } else {
      DWORD value = 0;
      DWORD size = sizeof value;
      EXPECT_FALSE(
          HttpQueryInfoW(get.request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr));
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HTTP_HEADER_NOT_FOUND));
    }
    EXPECT_EQ(get.body(5000), body) << static_cast<int>(framing);
    EXPECT_TRUE(get.ok);
  }
}

TEST(WinInet, QueriesAnswerAsTextAndAskForRoom) {
  HttpServer server;
  HttpRoute r;
  r.status = 500;
  r.body = "broken";
  server.route("/e", r);
  Get get(server, "/e");
  ASSERT_TRUE(HttpSendRequestW(get.request, nullptr, 0, nullptr, 0));
  WCHAR text[8];
  DWORD size = sizeof text;
  ASSERT_TRUE(HttpQueryInfoW(get.request, HTTP_QUERY_STATUS_CODE, text, &size, nullptr));
  EXPECT_EQ(std::u16string(text), u"500");
  EXPECT_EQ(size, 6u);
  DWORD small = 2;
  EXPECT_FALSE(HttpQueryInfoW(get.request, HTTP_QUERY_STATUS_CODE, text, &small, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(small, 8u);
  EXPECT_EQ(get.body(), "broken");  // an error page is still a body here
}

TEST(WinInet, SendReturnsOnceTheHeadersAreInAndReadsWaitForTheBody) {
  HttpServer server;
  HttpRoute r;
  r.body = "firstsecond";
  r.framing = HttpRoute::Framing::Chunked;
  r.chunkSize = 5;
  // The pauses are long enough that a loaded machine (or a sanitizer) cannot blur the order:
  // the send answers well before the first pause ends, the body only after all of them.
  r.delayBetweenChunks = 1500ms;
  server.route("/slow", r);
  Get get(server, "/slow");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(HttpSendRequestW(get.request, nullptr, 0, nullptr, 0));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1400ms);
  EXPECT_EQ(get.body(), "firstsecond");
  EXPECT_GE(std::chrono::steady_clock::now() - start, 3000ms);
}

TEST(WinInet, RequestsSendAgentReferrerAndNoCacheHeadersOnTheGivenPort) {
  HttpServer server;
  server.route("/a/b", HttpRoute{});
  {
    Get get(server, "/a/b", u"Agent X", u"http://referrer.test/page",
            INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE);
    ASSERT_TRUE(HttpSendRequestW(get.request, nullptr, 0, nullptr, 0));
  }
  {
    Get plain(server, "/a/b", u"Agent Y");
    ASSERT_TRUE(HttpSendRequestW(plain.request, nullptr, 0, nullptr, 0));
  }
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/a/b");
  EXPECT_EQ(requests[0].header("user-agent").value_or(""), "Agent X");
  EXPECT_EQ(requests[0].header("Referer").value_or(""), "http://referrer.test/page");
  EXPECT_EQ(requests[0].header("Pragma").value_or(""), "no-cache");
  EXPECT_EQ(requests[0].header("Cache-Control").value_or(""), "no-cache");
  EXPECT_EQ(requests[0].header("Host").value_or(""), "127.0.0.1:" + std::to_string(server.port()));
  EXPECT_FALSE(requests[1].header("Referer"));
  EXPECT_FALSE(requests[1].header("Pragma"));
}

TEST(WinInet, RedirectsAreFollowedUpToTenToHttpOnly) {
  HttpServer server;
  HttpRoute end;
  end.body = "arrived";
  server.route("/end", end);
  for (int status : {301, 302, 303, 307}) {
    server.redirect("/r", status, "/end");
    Get get(server, "/r");
    ASSERT_TRUE(HttpSendRequestW(get.request, nullptr, 0, nullptr, 0)) << status;
    EXPECT_EQ(get.number(HTTP_QUERY_STATUS_CODE), 200u);
    EXPECT_EQ(get.body(), "arrived");
  }
  // A chain: /c0 -> /c1 -> ... -> /cN -> /end.
  auto chain = [&](int hops) {
    for (int i = 0; i < hops; ++i) {
      server.redirect("/c" + std::to_string(i), 302, i + 1 == hops ? server.url("/end") : "/c" + std::to_string(i + 1));
    }
  };
  chain(10);
  {
    Get get(server, "/c0");
    EXPECT_TRUE(HttpSendRequestW(get.request, nullptr, 0, nullptr, 0));
  }
  chain(11);
  {
    Get get(server, "/c0");
    EXPECT_FALSE(HttpSendRequestW(get.request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HTTP_REDIRECT_FAILED));
  }
  server.redirect("/file", 302, "file:///etc/passwd");
  Get get(server, "/file");
  EXPECT_FALSE(HttpSendRequestW(get.request, nullptr, 0, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HTTP_REDIRECT_FAILED));
}

TEST(WinInet, BrokenAndRefusedConnectionsFailWithTheirErrors) {
  HttpServer server;
  HttpRoute cut;
  cut.body = pattern(50000);
  cut.cutAfter = 20000;
  server.route("/cut", cut);
  HttpRoute none;
  none.closeWithoutAnswer = true;
  server.route("/none", none);
  {
    Get get(server, "/cut");
    ASSERT_TRUE(HttpSendRequestW(get.request, nullptr, 0, nullptr, 0));
    const std::string got = get.body();
    EXPECT_FALSE(get.ok);
    EXPECT_EQ(get.error, static_cast<DWORD>(ERROR_INTERNET_CONNECTION_ABORTED));
    EXPECT_LE(got.size(), 20000u);
  }
  {
    Get get(server, "/none");
    EXPECT_FALSE(HttpSendRequestW(get.request, nullptr, 0, nullptr, 0));
  }
  // A port nobody listens on: the server's own, once it has gone.
  uint16_t deadPort = 0;
  {
    HttpServer gone;
    deadPort = gone.port();
  }
  HINTERNET session = InternetOpenW(u"a", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET connection =
      InternetConnectW(session, u"127.0.0.1", deadPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request = HttpOpenRequestW(connection, nullptr, u"/", nullptr, nullptr, nullptr, 0, 0);
  EXPECT_FALSE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT));
  // Closing the session closes what was opened from it.
  EXPECT_TRUE(InternetCloseHandle(session));
  EXPECT_FALSE(InternetCloseHandle(request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(WinInet, LoopbackRequestsBypassADeadProxy) {
  HttpServer server;
  HttpRoute r;
  r.body = "direct";
  server.route("/p", r);
  setenv("http_proxy", "http://127.0.0.1:9", 1);
  setenv("HTTP_PROXY", "http://127.0.0.1:9", 1);
  Get get(server, "/p");
  const BOOL sent = HttpSendRequestW(get.request, nullptr, 0, nullptr, 0);
  unsetenv("http_proxy");
  unsetenv("HTTP_PROXY");
  ASSERT_TRUE(sent);
  EXPECT_EQ(get.body(), "direct");
}

TEST(WinInet, ConnectedStateFollowsTheOverride) {
  DWORD flags = 0;
  setenv("LUMETRA_NETWORK", "offline", 1);
  EXPECT_FALSE(InternetGetConnectedState(&flags, 0));
  EXPECT_EQ(flags, static_cast<DWORD>(INTERNET_CONNECTION_OFFLINE));
  setenv("LUMETRA_NETWORK", "online", 1);
  EXPECT_TRUE(InternetGetConnectedState(&flags, 0));
  EXPECT_EQ(flags, static_cast<DWORD>(INTERNET_CONNECTION_LAN));
  unsetenv("LUMETRA_NETWORK");
  const BOOL state = InternetGetConnectedState(&flags, 0);
  EXPECT_EQ(flags,
            state ? static_cast<DWORD>(INTERNET_CONNECTION_LAN) : static_cast<DWORD>(INTERNET_CONNECTION_OFFLINE));
}

}  // namespace
