// The global-address finder and its search blocks.
#include "platform/system/network/win/GipFinder.h"

#include "platform/system/network/win/CCallback.h"
#include "platform/system/network/win/Network.h"

#include <urlmon.h>

#include <algorithm>
#include <mutex>
#include <string>

namespace s::system::network::win {

namespace {

struct ServiceHost {
  std::mutex lock;
  std::u16string host;
};

ServiceHost& serviceHost() {
  static ServiceHost* const s_host =
      new ServiceHost();  // finders may search while the process exits
  return *s_host;
}

std::u16string serviceUrl() {
  ServiceHost& s = serviceHost();
  std::lock_guard guard(s.lock);
  return s.host.empty() ? std::u16string() : u"http://" + s.host + u"/webapps/ip/";
}

/// At most 100 bytes of the file; empty when it cannot be read.
std::string readAnswer(const WCHAR* path) {
  std::string bytes;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[100];
  DWORD read = 0;
  if (ReadFile(file, buffer, sizeof buffer, &read, nullptr)) bytes.assign(buffer, read);
  CloseHandle(file);
  return bytes;
}

}  // namespace

/// One search, shared by the finder and its worker as a download's run is.
struct GipFinder::Search final : thread::ITask {
  int32_t retryIntervalMs = kRetryIntervalMs;
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> abandoned{false};
  std::atomic<bool> done{false};
  /// Where a found address goes while the search is not abandoned; guarded by `lock`.
  std::mutex lock;
  GipFinder* owner = nullptr;
  std::shared_ptr<Search> self;

  void run() override {
    std::shared_ptr<Search> keep = std::move(self);
    perform();
  }

  bool stopping() const { return stopRequested.load() || abandoned.load(); }
  void perform();
};

void GipFinder::Search::perform() {
  while (!stopping()) {
    const std::u16string url = serviceUrl();
    if (url.empty()) break;
    if (isConnected()) {
      CCallback callback(nullptr, 0, 0, &abandoned);
      WCHAR path[780];
      if (URLDownloadToCacheFileW(nullptr, url.c_str(), path, 780, 0, &callback) == S_OK) {
        const std::string answer = readAnswer(path);
        DeleteFileW(path);
        if (!answer.empty()) {
          std::lock_guard guard(lock);
          if (!abandoned.load() && owner != nullptr) {
            std::lock_guard ownerGuard(owner->m_lock);
            owner->m_address.clear();
            owner->m_address.appendBytes(answer.data(), static_cast<int32_t>(std::min<size_t>(
                                                            answer.size(), kMaxAddressLength)));
            owner->m_found = true;
          }
        }
        break;
      }
    }
    // Waits out the interval in steps of 200 ms, leaving at once on a stop.
    for (int32_t waited = 0; waited < retryIntervalMs && !stopping(); waited += 200) {
      Sleep(static_cast<DWORD>(std::min(200, retryIntervalMs - waited)));
    }
  }
  done = true;
}

GipFinder::GipFinder() : m_worker(thread::win::Thread::take()) {}

GipFinder::~GipFinder() {
  reset();
  if (m_worker != nullptr) m_worker->release();
}

void GipFinder::setServiceHost(const WCHAR* host) {
  ServiceHost& s = serviceHost();
  std::lock_guard guard(s.lock);
  s.host = host == nullptr ? u"" : host;
}

bool GipFinder::isRunning() const { return m_search != nullptr && !m_search->done.load(); }

void GipFinder::abandon() {
  if (m_search != nullptr) {
    // Under the search's lock, so no answer is being written as the block lets go of us.
    std::lock_guard guard(m_search->lock);
    m_search->abandoned = true;
    m_search->owner = nullptr;
  }
  m_search.reset();
  m_running = false;
}

std::shared_ptr<GipFinder::Search> GipFinder::newSearch() {
  auto s = std::make_shared<Search>();
  s->retryIntervalMs = m_retryIntervalMs;
  s->owner = this;
  return s;
}

void GipFinder::start() {
  if (m_found) return;
  if (isRunning() && m_stopRequested) stop(true);
  if (isRunning() || m_worker == nullptr) return;
  m_search = newSearch();
  m_search->self = m_search;
  m_running = true;
  if (!m_worker->start(m_search.get())) {
    m_search->self.reset();
    abandon();
  }
}

void GipFinder::stop(bool wait) {
  m_stopRequested = true;
  if (m_search != nullptr) m_search->stopRequested = true;
  if (wait) {
    if (isRunning() && m_worker != nullptr && !m_worker->waitUntilIdleOrRestart(2000)) {
      abandon();
    } else if (m_search != nullptr && m_search->done.load()) {
      m_search.reset();
      m_running = false;
    }
    m_stopRequested = false;
  }
}

void GipFinder::reset() {
  stop(true);
  abandon();
  m_stopRequested = false;
  m_found = false;
  {
    std::lock_guard guard(m_lock);
    m_address.freeBuffer();
  }
  m_retryIntervalMs = kRetryIntervalMs;
}

bool GipFinder::getAddress(str::IStr* text) {
  if (!m_found || text == nullptr) return false;
  std::lock_guard guard(m_lock);
  if (!m_found) return false;
  text->assign(m_address.getCStr());
  return true;
}

void GipFinder::run() {
  if (isRunning()) return;
  auto s = newSearch();
  s->perform();
}

GipFinder* getGipFinder() {
  // Never given back: the process keeps its one finder to the end.
  static GipFinder* const s_finder = GipFinder::take();
  return s_finder;
}

}  // namespace s::system::network::win
