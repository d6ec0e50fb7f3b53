// The global-address finder against the tests' own service: the answer kept to 32 characters,
// nothing asked while offline and a stop that ends the wait, asking again after the interval,
// search again after reset, no host, and a search abandoned by its stop.
#include "platform/system/network/win/GipFinder.h"

#include "core/str/strbuffer/StrBuffer.h"
#include "testlib/HttpServer.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

using lumetra::testlib::HttpRoute;
using lumetra::testlib::HttpServer;
using lumetra::testlib::TempDir;
using s::system::network::win::GipFinder;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class GipFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LUMETRA_NETWORK", "online", 1);
    setenv("XDG_CACHE_HOME", m_cache.path().c_str(), 1);
    GipFinder::setServiceHost(wide("127.0.0.1:" + std::to_string(m_server.port())).c_str());
    m_finder = GipFinder::take();
    ASSERT_NE(m_finder, nullptr);
  }
  void TearDown() override {
    m_finder->release();
    GipFinder::setServiceHost(u"");
    unsetenv("LUMETRA_NETWORK");
    unsetenv("XDG_CACHE_HOME");
  }
  bool waitFound(std::chrono::milliseconds timeout) {
    return lumetra::testlib::waitUntil([&] { return m_finder->isFound(); }, timeout);
  }
  /// Stops the search and waits for it while the tick clock stands still, moving it on by
  /// `stepMs` at each look (0: never): true when the stop returned.
  bool stopOnStandingClock(ULONGLONG stepMs) {
    winapi::HeadlessDriver* headless = winapi::HeadlessDriver::current();
    headless->advanceClock(0);
    std::atomic<bool> stopped{false};
    std::thread stopping([&] {
      m_finder->stop(true);
      stopped = true;
    });
    const bool answered = lumetra::testlib::waitUntil([&] {
      if (stepMs > 0) headless->advanceClock(stepMs);
      return stopped.load();
    });
    headless->runClock();  // a stop still waiting ends by its time-out, so its thread is joined
    stopping.join();
    return answered;
  }
  std::u16string address() {
    auto* text = s::str::strbuffer::StrBuffer::take();
    std::u16string out = m_finder->getAddress(text) ? text->getCStr() : u"<none>";
    text->release();
    return out;
  }

  HttpServer m_server;
  TempDir m_cache;
  GipFinder* m_finder = nullptr;
};

TEST_F(GipFinderTest, AFortyByteAnswerKeepsItsFirstThirtyTwoAndTheCacheFileGoes) {
  HttpRoute r;
  r.body = "203.0.113.250-and-some-more-bytes-beyond";
  ASSERT_EQ(r.body.size(), 40u);
  m_server.route("/webapps/ip/", r);
  EXPECT_EQ(address(), u"<none>");
  m_finder->start();
  ASSERT_TRUE(waitFound(5000ms));
  EXPECT_EQ(address(), u"203.0.113.250-and-some-more-byte");
  m_finder->stop(true);
  const fs::path folder = m_cache.path() / "lumetra" / "inetcache";
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 0);
  // Found: a start asks nothing more.
  m_finder->start();
  m_finder->stop(true);
  EXPECT_EQ(m_server.requestCount(), 1u);
}

TEST_F(GipFinderTest, OfflineItAsksNothingAndAStopEndsItsWait) {
  setenv("LUMETRA_NETWORK", "offline", 1);
  m_server.reply("/webapps/ip/", "198.51.100.1");
  m_finder->setRetryInterval(60000);
  m_finder->start();
  // The worker's own 2 s for the search would never run out: the search leaves its wait.
  EXPECT_TRUE(stopOnStandingClock(0));
  EXPECT_FALSE(m_finder->isFound());
  EXPECT_EQ(m_server.requestCount(), 0u);
  // Back online, the next try finds it.
  setenv("LUMETRA_NETWORK", "online", 1);
  m_finder->start();
  EXPECT_TRUE(waitFound(5000ms));
}

TEST_F(GipFinderTest, AnUnansweredServiceIsAskedAgainAfterTheInterval) {
  HttpRoute missing;
  missing.status = 404;
  m_server.route("/webapps/ip/", missing);
  m_finder->setRetryInterval(200);
  m_finder->start();
  ASSERT_TRUE(m_server.waitForRequests(2, 3000ms));
  m_server.reply("/webapps/ip/", "198.51.100.2");
  ASSERT_TRUE(waitFound(3000ms));
  EXPECT_EQ(address(), u"198.51.100.2");
}

TEST_F(GipFinderTest, ResetLetsTheNextStartSearchAgain) {
  m_server.reply("/webapps/ip/", "198.51.100.3");
  m_finder->start();
  ASSERT_TRUE(waitFound(5000ms));
  m_server.reply("/webapps/ip/", "198.51.100.4");
  m_finder->reset();
  EXPECT_FALSE(m_finder->isFound());
  m_finder->start();
  ASSERT_TRUE(waitFound(5000ms));
  EXPECT_EQ(address(), u"198.51.100.4");
  EXPECT_EQ(m_server.requestCount(), 2u);
}

TEST_F(GipFinderTest, WithoutAHostASearchEndsAtOnceAndAsksNothing) {
  GipFinder::setServiceHost(u"");
  m_finder->start();
  EXPECT_TRUE(stopOnStandingClock(0)) << "the search ended by itself";
  EXPECT_FALSE(m_finder->isFound());
  EXPECT_EQ(m_server.requestCount(), 0u);
}

TEST_F(GipFinderTest, AnAbandonedSearchWritesNothingIntoItsResetObject) {
  HttpRoute slow;
  slow.delayBeforeHeaders = 2600ms;
  slow.body = "192.0.2.99";
  m_server.route("/webapps/ip/", slow);
  m_finder->start();
  ASSERT_TRUE(m_server.waitForRequests(1, 2000ms));
  // The search is still waiting for its answer: abandoned once the clock passes its 2000 ms.
  EXPECT_TRUE(stopOnStandingClock(50));
  m_finder->reset();
  ASSERT_TRUE(m_server.waitForClose(0, 20000ms));
  EXPECT_FALSE(m_finder->isFound());
  EXPECT_EQ(address(), u"<none>");
}

TEST(GipFinderInstance, TheProcessWideFinderIsOneAndNeverStarted) {
  GipFinder* finder = s::system::network::win::getGipFinder();
  ASSERT_NE(finder, nullptr);
  EXPECT_EQ(s::system::network::win::getGipFinder(), finder);
  EXPECT_FALSE(finder->isFound());
}

}  // namespace
