// Downloads against the tests' own server: replies, the offline short cut, abandoned runs and
// reuse, failures that leave no file, the WinINet road's headers and the address splitting.
#include "platform/system/network/win/Downloader.h"

#include "platform/system/network/win/Network.h"
#include "testlib/HttpServer.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using lumetra::testlib::HttpRoute;
using lumetra::testlib::HttpServer;
using lumetra::testlib::TempDir;
using s::system::network::win::Downloader;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

/// Every test works online, with its temporary files in a folder of its own.
class DownloaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LUMETRA_NETWORK", "online", 1);
    setenv("TMPDIR", m_temp.path().c_str(), 1);
    m_downloader = Downloader::take();
    ASSERT_NE(m_downloader, nullptr);
  }
  void TearDown() override {
    m_downloader->release();
    unsetenv("LUMETRA_NETWORK");
    unsetenv("TMPDIR");
  }
  size_t tempFiles() const {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(m_temp.path()), fs::directory_iterator()));
  }
  void fetch(const std::string& path) { m_downloader->setUrl(wide(m_server.url(path)).c_str()); }
  /// Runs the download on a thread of its own while the tick clock stands still, moving it on by
  /// `stepMs` at each look (0: never), so a time-out ends only when the test lets it: 1 for
  /// success, 0 for failure, -1 when the run has not answered after a generous limit.
  int runOnStandingClock(int32_t timeoutMs, ULONGLONG stepMs) {
    winapi::HeadlessDriver* headless = winapi::HeadlessDriver::current();
    headless->advanceClock(0);
    std::atomic<int> answer{-1};
    std::thread running([&] { answer = m_downloader->run(timeoutMs, nullptr, 0, 0) ? 1 : 0; });
    lumetra::testlib::waitUntil([&] {
      if (stepMs > 0) headless->advanceClock(stepMs);
      return answer.load() != -1;
    });
    const int answered = answer.load();
    headless->runClock();  // a run still waiting ends by its time-out, so its thread is joined
    running.join();
    return answered;
  }

  HttpServer m_server;
  TempDir m_temp;
  Downloader* m_downloader = nullptr;
};

TEST_F(DownloaderTest, RepliesReadAsOneCharacterPerByteAndLeaveNoFile) {
  HttpRoute r;
  r.body = "*1.35 \x80\xff";
  m_server.route("/check/", r);
  fetch("/check/");
  m_downloader->setReadReply(true);
  ASSERT_TRUE(m_downloader->run(8000, nullptr, 0, 0));
  EXPECT_EQ(std::u16string(m_downloader->getReplyText()), u"*1.35 \u0080\u00ff");
  EXPECT_TRUE(m_downloader->isSucceeded());
  EXPECT_EQ(tempFiles(), 0u);
  // Once succeeded, a start does nothing until the download is reset.
  m_downloader->start();
  EXPECT_EQ(m_server.requestCount(), 1u);

  // Without the reply the file stays for the caller.
  m_downloader->reset();
  fetch("/check/");
  ASSERT_TRUE(m_downloader->run(8000, nullptr, 0, 0));
  EXPECT_EQ(std::u16string(m_downloader->getReplyText()), u"");
  const std::u16string path = m_downloader->getFilePath();
  ASSERT_EQ(path.substr(0, 2), u"Z:");
  EXPECT_EQ(tempFiles(), 1u);
}

TEST_F(DownloaderTest, AnEmptyReplyAnErrorPageAndAnOversizedBodyFailWithoutAFile) {
  m_server.route("/empty", HttpRoute{});
  HttpRoute missing;
  missing.status = 404;
  missing.body = "*9.99 not found";
  m_server.route("/missing", missing);
  HttpRoute huge;
  huge.body = std::string(17 * 1024 * 1024, '7');
  m_server.route("/huge", huge);
  // Each run ends by its own failure, never by the time-out: a run given up leaves its
  // temporary file to its worker for a while, which is not what this case is about.
  constexpr int32_t kNoTimeOut = 120000;
  for (const char* path : {"/empty", "/missing", "/huge"}) {
    m_downloader->reset();
    fetch(path);
    m_downloader->setReadReply(true);
    EXPECT_FALSE(m_downloader->run(kNoTimeOut, nullptr, 0, 0)) << path;
    EXPECT_EQ(std::u16string(m_downloader->getReplyText()), u"") << path;
    EXPECT_EQ(tempFiles(), 0u) << path;
  }
  // The WinINet road alike.
  for (const char* path : {"/missing", "/huge"}) {
    m_downloader->reset();
    fetch(path);
    m_downloader->setUserAgent(u"Agent");
    EXPECT_FALSE(m_downloader->run(kNoTimeOut, nullptr, 0, 0)) << path;
    EXPECT_EQ(tempFiles(), 0u) << path;
  }
}

TEST_F(DownloaderTest, OfflineAnswersFalseAtOnceWithoutARequest) {
  setenv("LUMETRA_NETWORK", "offline", 1);
  m_server.route("/check/", HttpRoute{});
  fetch("/check/");
  EXPECT_EQ(runOnStandingClock(8000, 0), 0) << "false without waiting for its time-out";
  EXPECT_EQ(m_server.requestCount(), 0u);
}

TEST_F(DownloaderTest, AnAbandonedRunEndsItsTransferAndTheObjectIsReusedAtOnce) {
  HttpRoute slow;
  slow.delayBeforeHeaders = 2000ms;
  slow.body = "*late reply";
  slow.framing = HttpRoute::Framing::Chunked;
  slow.chunkSize = 2;
  slow.delayBetweenChunks = 200ms;
  m_server.route("/slow", slow);
  HttpRoute fast;
  fast.body = "*fresh";
  m_server.route("/fast", fast);

  fetch("/slow");
  m_downloader->setReadReply(true);
  EXPECT_EQ(runOnStandingClock(500, 50), 0) << "given up at its time-out, before the answer";
  // The abandoned worker lets go at the first bytes of the answer, before its end.
  ASSERT_TRUE(m_server.waitForClose(0, 20000ms));
  EXPECT_TRUE(m_server.requests()[0].clientWentAway);

  m_downloader->reset();
  fetch("/fast");
  m_downloader->setReadReply(true);
  ASSERT_EQ(runOnStandingClock(2000, 0), 1) << "reused at once: nothing waits on the clock";
  EXPECT_EQ(std::u16string(m_downloader->getReplyText()), u"*fresh");
  // The abandoned run deleted its file and wrote nothing here.
  EXPECT_TRUE(lumetra::testlib::waitUntil([&] { return tempFiles() == 0; }));
  EXPECT_EQ(std::u16string(m_downloader->getReplyText()), u"*fresh");
}

// Abandons a download that never gets its answer and ends the process at once.
TEST(DownloaderHelper, DISABLED_AbandonsARunAndEnds) {
  const char* url = std::getenv("LUMETRA_DOWNLOAD_URL");
  if (url == nullptr) GTEST_SKIP() << "runs only as the second process of a downloader test";
  Downloader* downloader = Downloader::take();
  downloader->setUrl(wide(url).c_str());
  EXPECT_FALSE(downloader->run(200, nullptr, 0, 0));
  // Given back as a caller would, while its abandoned run is still under way.
  downloader->release();
}

TEST_F(DownloaderTest, AProcessThatEndsDuringAnAbandonedRunLeavesNoTemporaryFile) {
  HttpRoute silent;
  silent.neverAnswer = true;
  m_server.route("/silent", silent);
  lumetra::testlib::ChildProcess helper = lumetra::testlib::ChildProcess::helperTest(
      "DownloaderHelper.DISABLED_AbandonsARunAndEnds",
      {{"LUMETRA_DOWNLOAD_URL", m_server.url("/silent")}});
  ASSERT_TRUE(helper.wait(20000));
  EXPECT_EQ(helper.exitCode(), 0);
  EXPECT_EQ(m_server.requests().size(), 1u) << "the run was under way when the process ended";
  EXPECT_EQ(tempFiles(), 0u);
}

TEST_F(DownloaderTest, ATimeOutOfZeroStillStartsTheDownload) {
  m_server.reply("/zero", "*0");
  fetch("/zero");
  m_downloader->run(0, nullptr, 0, 0);
  EXPECT_TRUE(m_server.waitForRequests(1, 2000ms));
  // Whether it made it within its 100 ms or was abandoned, its transfer ends.
  EXPECT_TRUE(m_server.waitForClose(0, 2000ms));
}

std::vector<std::vector<int64_t>> g_reports;
void recordProgress(int64_t maximum, int64_t progress, int64_t user1, int64_t user2) {
  g_reports.push_back({maximum, progress, user1, user2});
}

TEST_F(DownloaderTest, ProgressReachesTheFunctionWithItsValues) {
  HttpRoute r;
  r.body = std::string(20000, 'p');
  m_server.route("/p", r);
  g_reports.clear();
  fetch("/p");
  ASSERT_TRUE(m_downloader->run(8000, &recordProgress, 7, -3));
  ASSERT_FALSE(g_reports.empty());
  EXPECT_EQ(g_reports.back(), (std::vector<int64_t>{20000, 20000, 7, -3}));
}

TEST_F(DownloaderTest, TheWinInetRoadSendsAgentAndReferrerAndHonoursThePort) {
  HttpRoute r;
  r.body = "*ok";
  m_server.route("/a/b", r);
  fetch("/a/b");
  m_downloader->setReadReply(true);
  m_downloader->setReferrer(u"http://from.test/");
  ASSERT_TRUE(m_downloader->run(8000, nullptr, 0, 0));
  EXPECT_EQ(std::u16string(m_downloader->getReplyText()), u"*ok");
  m_downloader->reset();
  fetch("/a/b");
  m_downloader->setUserAgent(u"Lumetra Test");
  ASSERT_TRUE(m_downloader->run(8000, nullptr, 0, 0));
  const auto requests = m_server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].target, "/a/b");
  EXPECT_EQ(requests[0].header("User-Agent").value_or(""),
            "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
  EXPECT_EQ(requests[0].header("Referer").value_or(""), "http://from.test/");
  EXPECT_EQ(requests[1].header("User-Agent").value_or(""), "Lumetra Test");
  EXPECT_FALSE(requests[1].header("Referer"));
  EXPECT_EQ(requests[1].header("Pragma").value_or(""), "no-cache");
}

TEST_F(DownloaderTest, HttpGetToFileFailsWhenTheFileCannotBeCreated) {
  m_server.reply("/x", "body");
  const std::u16string url = wide(m_server.url("/x"));
  const std::u16string missing = m_temp.windowsPath("no/such/folder/file");
  EXPECT_FALSE(
      s::system::network::win::httpGetToFile(url.c_str(), missing.c_str(), u"", u"", nullptr));
  const std::u16string good = m_temp.windowsPath("file");
  ASSERT_TRUE(s::system::network::win::httpGetToFile(url.c_str(), good.c_str(), u"", u"", nullptr));
  std::ifstream in(m_temp.file("file"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "body");
  // No scheme, no WinINet road.
  EXPECT_FALSE(
      s::system::network::win::httpGetToFile(u"127.0.0.1/x", good.c_str(), u"", u"", nullptr));
}

TEST_F(DownloaderTest, TheProbeFetchesAReply) {
  m_server.reply("/check/", "*2.00");
  const auto probe = lumetra::testlib::besideSelf("platform_probe").string();
  const auto result = lumetra::testlib::run({probe, "fetch", m_server.url("/check/")},
                                            {{"LUMETRA_NETWORK", "online"}});
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output, "*2.00\n");
  const auto missing = lumetra::testlib::run({probe, "fetch", m_server.url("/none")},
                                             {{"LUMETRA_NETWORK", "online"}});
  EXPECT_EQ(missing.exitCode, 1);
}

TEST(SplitUrl, TakesHostAndPathAfterEitherScheme) {
  struct Case {
    const WCHAR* url;
    bool ok;
    const WCHAR* host;
    const WCHAR* path;
    bool secure;
  };
  const Case cases[] = {
      {u"http://example.test/check/", true, u"example.test", u"/check/", false},
      {u"https://example.test/a/b", true, u"example.test", u"/a/b", true},
      {u"http://127.0.0.1:8080/check/", true, u"127.0.0.1:8080", u"/check/", false},
      {u"HTTPS://Example.test/", true, u"Example.test", u"/", true},
      {u"https://a.test/b?u=http://c.test/d", true, u"a.test", u"/b?u=http://c.test/d", true},
      {u"http://example.test", false, nullptr, nullptr, false},
      {u"http:///path", false, nullptr, nullptr, false},
      {u"ftp://example.test/x", false, nullptr, nullptr, false},
      {u"example.test/x", false, nullptr, nullptr, false},
  };
  for (const Case& c : cases) {
    s::str::strbuffer::StrBuffer* host = nullptr;
    s::str::strbuffer::StrBuffer* path = nullptr;
    bool secure = true;
    const bool ok = s::system::network::win::splitUrl(c.url, host, path, secure);
    const std::u16string url(c.url);
    ASSERT_EQ(ok, c.ok) << std::string(url.begin(), url.end());
    EXPECT_EQ(secure, c.secure);
    if (!ok) {
      EXPECT_EQ(host, nullptr);
      EXPECT_EQ(path, nullptr);
      continue;
    }
    EXPECT_EQ(std::u16string(host->getCStr()), c.host);
    EXPECT_EQ(std::u16string(path->getCStr()), c.path);
    host->release();
    path->release();
  }
}

}  // namespace
