// The URL moniker's downloads against the tests' own server: files written whole or not at all,
// the progress reports and their abort, the results of each failure, links at the target and
// the cache folder.
#include <windows.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include "testlib/HttpServer.h"
#include "testlib/TempDir.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using lumetra::testlib::HttpRoute;
using lumetra::testlib::HttpServer;
using lumetra::testlib::TempDir;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Report {
  ULONG progress;
  ULONG max;
  ULONG status;
};

/// Records every report; answers E_ABORT from the `abortAt`th report on (never when -1).
class Callback final : public IBindStatusCallback {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
  ULONG STDMETHODCALLTYPE AddRef() override { return 0; }
  ULONG STDMETHODCALLTYPE Release() override { return 0; }
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG max, ULONG status, LPCWSTR) override {
    reports.push_back({progress, max, status});
    return abortAt >= 0 && static_cast<int>(reports.size()) > abortAt ? E_ABORT : S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

  std::vector<Report> reports;
  int abortAt = -1;
};

HRESULT download(const HttpServer& server, const std::string& path, const std::u16string& file,
                 IBindStatusCallback* callback = nullptr) {
  return URLDownloadToFileW(nullptr, wide(server.url(path)).c_str(), file.c_str(), 0, callback);
}

TEST(UrlMoniker, DownloadsBodiesOfEachFramingIntoTheFile) {
  HttpServer server;
  TempDir dir;
  std::string body(300000, 'x');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 31);
  for (auto framing : {HttpRoute::Framing::Length, HttpRoute::Framing::Chunked, HttpRoute::Framing::Close}) {
    HttpRoute r;
    r.body = body;
    r.framing = framing;
    r.chunkSize = 64000;
    server.route("/f", r);
    fs::remove(dir.file("out"));
    ASSERT_EQ(download(server, "/f", dir.windowsPath("out")), S_OK);
    EXPECT_EQ(readFile(dir.file("out")), body);
  }
  // Only the target is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(UrlMoniker, ProgressReportsBeginRunAndEnd) {
  HttpServer server;
  TempDir dir;
  HttpRoute r;
  r.body = std::string(3000, 'p');
  r.framing = HttpRoute::Framing::Chunked;
  r.chunkSize = 1000;
  r.delayBetweenChunks = 50ms;
  server.route("/c", r);
  Callback chunked;
  ASSERT_EQ(download(server, "/c", dir.windowsPath("c"), &chunked), S_OK);
  ASSERT_GE(chunked.reports.size(), 3u);
  EXPECT_EQ(chunked.reports.front().status, static_cast<ULONG>(BINDSTATUS_BEGINDOWNLOADDATA));
  EXPECT_EQ(chunked.reports.back().status, static_cast<ULONG>(BINDSTATUS_ENDDOWNLOADDATA));
  EXPECT_EQ(chunked.reports.back().progress, 3000u);
  ULONG last = 0;
  for (size_t i = 0; i < chunked.reports.size(); ++i) {
    const Report& rep = chunked.reports[i];
    if (i > 0 && i + 1 < chunked.reports.size()) {
      EXPECT_EQ(rep.status, static_cast<ULONG>(BINDSTATUS_DOWNLOADINGDATA));
    }
    EXPECT_EQ(rep.max, 0u);  // no length was announced
    EXPECT_GE(rep.progress, last);
    last = rep.progress;
  }
  r.framing = HttpRoute::Framing::Length;
  server.route("/l", r);
  Callback length;
  ASSERT_EQ(download(server, "/l", dir.windowsPath("l"), &length), S_OK);
  for (const Report& rep : length.reports) EXPECT_EQ(rep.max, 3000u);
  // An empty body still begins and ends.
  server.route("/empty", HttpRoute{});
  Callback empty;
  ASSERT_EQ(download(server, "/empty", dir.windowsPath("e"), &empty), S_OK);
  ASSERT_EQ(empty.reports.size(), 2u);
  EXPECT_EQ(empty.reports[0].status, static_cast<ULONG>(BINDSTATUS_BEGINDOWNLOADDATA));
  EXPECT_TRUE(fs::exists(dir.file("e")));
}

TEST(UrlMoniker, AnAbortEndsTheTransferAtOnce) {
  HttpServer server;
  TempDir dir;
  HttpRoute r;
  r.body = std::string(10000, 'a');
  r.framing = HttpRoute::Framing::Chunked;
  r.chunkSize = 1000;
  r.delayBetweenChunks = 300ms;
  server.route("/a", r);
  Callback callback;
  callback.abortAt = 1;  // the first DOWNLOADINGDATA
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(download(server, "/a", dir.windowsPath("a"), &callback), E_ABORT);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  ASSERT_TRUE(server.waitForClose(0, 2000ms));
  EXPECT_TRUE(server.requests()[0].clientWentAway);
  EXPECT_FALSE(fs::exists(dir.file("a")));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 0);
}

TEST(UrlMoniker, FailuresGiveTheirResultsAndLeaveTheTargetAsItWas) {
  HttpServer server;
  TempDir dir;
  std::ofstream(dir.file("kept")) << "before";
  for (auto [status, expected] : {std::pair{404, INET_E_RESOURCE_NOT_FOUND}, std::pair{410, INET_E_RESOURCE_NOT_FOUND},
                                  std::pair{500, INET_E_DOWNLOAD_FAILURE}, std::pair{300, INET_E_DOWNLOAD_FAILURE}}) {
    HttpRoute r;
    r.status = status;
    r.body = "error page";
    server.route("/s", r);
    EXPECT_EQ(download(server, "/s", dir.windowsPath("new")), expected) << status;
    EXPECT_EQ(download(server, "/s", dir.windowsPath("kept")), expected) << status;
    EXPECT_FALSE(fs::exists(dir.file("new")));
    EXPECT_EQ(readFile(dir.file("kept")), "before");
  }
  HttpRoute cut;
  cut.body = std::string(40000, 'c');
  cut.cutAfter = 1000;
  server.route("/cut", cut);
  EXPECT_EQ(download(server, "/cut", dir.windowsPath("new")), INET_E_DOWNLOAD_FAILURE);
  EXPECT_EQ(download(server, "/ok", dir.windowsPath("no/such/folder/x")), INET_E_DOWNLOAD_FAILURE);
  EXPECT_EQ(URLDownloadToFileW(nullptr, u"ftp://127.0.0.1/x", dir.windowsPath("new").c_str(), 0, nullptr),
            INET_E_UNKNOWN_PROTOCOL);
  uint16_t deadPort = 0;
  {
    HttpServer gone;
    deadPort = gone.port();
  }
  const std::u16string dead = wide("http://127.0.0.1:" + std::to_string(deadPort) + "/");
  EXPECT_EQ(URLDownloadToFileW(nullptr, dead.c_str(), dir.windowsPath("new").c_str(), 0, nullptr),
            INET_E_CANNOT_CONNECT);
  EXPECT_FALSE(fs::exists(dir.file("new")));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(UrlMoniker, RedirectsAreFollowedUpToTenToHttpOnly) {
  HttpServer server;
  TempDir dir;
  HttpRoute end;
  end.body = "end";
  server.route("/end", end);
  for (int status : {301, 302, 303, 307}) {
    server.redirect("/r", status, "/end");
    ASSERT_EQ(download(server, "/r", dir.windowsPath("r")), S_OK) << status;
    EXPECT_EQ(readFile(dir.file("r")), "end");
  }
  for (int i = 0; i < 11; ++i) {
    server.redirect("/c" + std::to_string(i), 302, i == 10 ? "/end" : "/c" + std::to_string(i + 1));
  }
  EXPECT_EQ(download(server, "/c1", dir.windowsPath("ten")), S_OK);
  EXPECT_EQ(download(server, "/c0", dir.windowsPath("eleven")), INET_E_DOWNLOAD_FAILURE);
  server.redirect("/file", 302, "file:///etc/hostname");
  EXPECT_EQ(download(server, "/file", dir.windowsPath("file")), INET_E_DOWNLOAD_FAILURE);
  EXPECT_FALSE(fs::exists(dir.file("eleven")));
  EXPECT_FALSE(fs::exists(dir.file("file")));
}

TEST(UrlMoniker, ALinkAtTheTargetIsReplacedNotFollowed) {
  HttpServer server;
  TempDir dir;
  HttpRoute r;
  r.body = "new";
  server.route("/x", r);
  std::ofstream(dir.file("victim")) << "victim";
  fs::create_symlink(dir.file("victim"), dir.file("link"));
  ASSERT_EQ(download(server, "/x", dir.windowsPath("link")), S_OK);
  EXPECT_FALSE(fs::is_symlink(dir.file("link")));
  EXPECT_EQ(readFile(dir.file("link")), "new");
  EXPECT_EQ(readFile(dir.file("victim")), "victim");
}

TEST(UrlMoniker, CacheFilesAreNewFilesInThePrivateCacheFolder) {
  HttpServer server;
  TempDir dir;
  const std::string before = std::getenv("XDG_CACHE_HOME") ? std::getenv("XDG_CACHE_HOME") : "";
  setenv("XDG_CACHE_HOME", (dir.path() / "cache").c_str(), 1);
  HttpRoute r;
  r.body = "203.0.113.7";
  server.route("/webapps/ip/", r);
  const std::u16string url = wide(server.url("/webapps/ip/"));
  WCHAR first[780];
  WCHAR second[780];
  ASSERT_EQ(URLDownloadToCacheFileW(nullptr, url.c_str(), first, 780, 0, nullptr), S_OK);
  ASSERT_EQ(URLDownloadToCacheFileW(nullptr, url.c_str(), second, 780, 0, nullptr), S_OK);
  EXPECT_NE(std::u16string(first), std::u16string(second));
  const fs::path folder = dir.path() / "cache" / "lumetra" / "inetcache";
  const std::u16string prefix = u"Z:" + wide(folder.string());
  std::u16string expectedPrefix = prefix;
  for (char16_t& c : expectedPrefix) c = c == u'/' ? u'\\' : c;
  EXPECT_EQ(std::u16string(first).substr(0, expectedPrefix.size()), expectedPrefix);
  struct stat st {};
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  std::vector<std::string> contents;
  for (const auto& entry : fs::directory_iterator(folder)) contents.push_back(readFile(entry.path()));
  EXPECT_EQ(contents, (std::vector<std::string>{"203.0.113.7", "203.0.113.7"}));
  // A name that does not fit leaves no file.
  WCHAR tiny[8];
  EXPECT_EQ(URLDownloadToCacheFileW(nullptr, url.c_str(), tiny, 8, 0, nullptr), E_OUTOFMEMORY);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
  HttpRoute missing;
  missing.status = 404;
  server.route("/gone", missing);
  EXPECT_EQ(URLDownloadToCacheFileW(nullptr, wide(server.url("/gone")).c_str(), first, 780, 0, nullptr),
            INET_E_RESOURCE_NOT_FOUND);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
  if (before.empty()) {
    unsetenv("XDG_CACHE_HOME");
  } else {
    setenv("XDG_CACHE_HOME", before.c_str(), 1);
  }
}

}  // namespace
