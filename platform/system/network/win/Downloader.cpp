// The pooled download and its run blocks.
#include "platform/system/network/win/Downloader.h"

#include "core/file/win/PathWin.h"
#include "platform/system/network/win/CCallback.h"
#include "platform/system/network/win/Network.h"

#include <urlmon.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace s::system::network::win {

/// One run: its inputs, copied at the start, and its results. Shared by the download and the
/// worker; the worker holds its own reference for the length of the run, so an abandoned run
/// keeps its block while the download has moved on.
struct Downloader::Run final : thread::ITask {
  std::u16string url;
  std::u16string userAgent;
  std::u16string referrer;
  bool readReply = false;
  ProgressFunction progress = nullptr;
  int64_t user1 = 0;
  int64_t user2 = 0;

  std::mutex lock;
  std::condition_variable ended;
  std::atomic<bool> done{false};
  std::atomic<bool> abandoned{false};
  bool succeeded = false;
  std::u16string filePath;
  std::u16string replyText;
  /// The worker's reference, taken over by `run` as it begins.
  std::shared_ptr<Run> self;

  void run() override {
    std::shared_ptr<Run> keep = std::move(self);
    perform();
  }

  void perform();
};

namespace {

/// The whole file as one character per byte; empty when it cannot be read or is empty.
std::u16string readReplyFile(const std::u16string& path) {
  std::u16string text;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= CCallback::kMaxBytes) {
    std::vector<unsigned char> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
      text.reserve(read);
      for (DWORD i = 0; i < read; ++i) text.push_back(static_cast<char16_t>(bytes[i]));
    }
  }
  CloseHandle(file);
  return text;
}

}  // namespace

void Downloader::Run::perform() {
  bool ok = false;
  std::u16string path;
  std::u16string reply;
  HANDLE marker = INVALID_HANDLE_VALUE;
  if (isConnected()) {
    CCallback callback(progress, user1, user2, &abandoned);
    if (file::win::PathWin* temp = file::win::newTempFilePath(); temp != nullptr) {
      path = temp->getFullPath();
      temp->release();
    }
    // The temporary file is marked for deletion while the run has it: whatever name the download
    // puts there goes when the run gives it up, and at the latest when the process ends.
    marker = path.empty() ? INVALID_HANDLE_VALUE
                          : CreateFileW(path.c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (marker != INVALID_HANDLE_VALUE) {
      SetFileInformationByHandle(marker, FileDispositionInfo, &disposition, sizeof disposition);
    }
    if (!path.empty()) {
      if (!userAgent.empty() || !referrer.empty()) {
        ok = httpGetToFile(url.c_str(), path.c_str(), userAgent.c_str(), referrer.c_str(),
                           &callback);
      } else {
        ok = URLDownloadToFileW(nullptr, url.c_str(), path.c_str(), 0, &callback) == S_OK;
      }
      if (ok && readReply) {
        reply = readReplyFile(path);
        ok = !reply.empty();  // an empty reply is no reply
      }
    }
  }
  {
    std::lock_guard guard(lock);
    // Whatever came too late or failed leaves nothing behind.
    const bool keep = ok && !abandoned.load();
    if (!path.empty() && (!keep || readReply)) DeleteFileW(path.c_str());
    if (marker != INVALID_HANDLE_VALUE) {
      FILE_DISPOSITION_INFO disposition{FALSE};
      if (keep && !readReply)
        SetFileInformationByHandle(marker, FileDispositionInfo, &disposition, sizeof disposition);
      CloseHandle(marker);
    }
    succeeded = keep;
    filePath = std::move(path);
    replyText = keep ? std::move(reply) : std::u16string();
    done = true;
  }
  ended.notify_all();
}

Downloader::Downloader() : m_worker(thread::win::Thread::take()) {
  if (m_worker != nullptr) m_worker->setPriority(THREAD_PRIORITY_HIGHEST);
}

Downloader::~Downloader() {
  reset();
  if (m_worker != nullptr) m_worker->release();
}

void Downloader::reset() {
  stop(true);
  abandon();
  m_running = false;
  m_stopRequested = false;
  m_readReply = false;
  m_succeeded = false;
  m_url.freeBuffer();
  m_userAgent.freeBuffer();
  m_referrer.freeBuffer();
  m_filePath.freeBuffer();
  m_replyText.freeBuffer();
  m_progress = nullptr;
  m_user1 = 0;
  m_user2 = 0;
}

bool Downloader::isRunning() const { return m_run != nullptr && !m_run->done.load(); }

void Downloader::collect() {
  if (m_run == nullptr || !m_run->done.load()) return;
  {
    std::lock_guard guard(m_lock);
    std::lock_guard runGuard(m_run->lock);
    m_succeeded = m_run->succeeded;
    m_filePath.assign(m_run->filePath.c_str());
    m_replyText.assign(m_run->replyText.c_str());
  }
  m_run.reset();
  m_running = false;
  m_stopRequested = false;
}

void Downloader::abandon() {
  if (m_run != nullptr) {
    m_run->abandoned = true;
    m_run.reset();
  }
  m_running = false;
}

std::shared_ptr<Downloader::Run> Downloader::newRun() {
  auto r = std::make_shared<Run>();
  r->url = m_url.getCStr();
  r->userAgent = m_userAgent.getCStr();
  r->referrer = m_referrer.getCStr();
  r->readReply = m_readReply;
  r->progress = m_progress;
  r->user1 = m_user1;
  r->user2 = m_user2;
  return r;
}

void Downloader::start() {
  collect();
  if (m_succeeded) return;
  if (isRunning() && m_stopRequested) stop(true);
  if (isRunning() || m_worker == nullptr) return;
  m_run = newRun();
  m_run->self = m_run;
  m_running = true;
  if (!m_worker->start(m_run.get())) {
    m_run->self.reset();
    m_run.reset();
    m_running = false;
  }
}

void Downloader::stop(bool wait) {
  m_stopRequested = true;
  if (!wait) return;
  // A worker still busy after 100 ms is replaced; its run is abandoned.
  if (isRunning() && m_worker != nullptr && !m_worker->waitUntilIdleOrRestart(100)) abandon();
  collect();
  m_stopRequested = false;
}

bool Downloader::run(int32_t timeoutMs, ProgressFunction progress, int64_t user1, int64_t user2) {
  if (!isConnected()) return false;
  m_progress = progress;
  m_user1 = user1;
  m_user2 = user2;
  start();
  const ULONGLONG deadline =
      GetTickCount64() + static_cast<ULONGLONG>(timeoutMs > 0 ? timeoutMs : 0);
  while (isRunning() && !m_stopRequested) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    // Waits in steps of at most 200 ms, ending as soon as the run does.
    const ULONGLONG step = deadline - now < 200 ? deadline - now : 200;
    std::shared_ptr<Run> r = m_run;
    std::unique_lock lock(r->lock);
    r->ended.wait_for(lock, std::chrono::milliseconds(step), [&] { return r->done.load(); });
  }
  if (isRunning()) {
    std::lock_guard guard(m_lock);
    if (!m_succeeded && m_worker != nullptr && !m_worker->waitUntilIdleOrRestart(100)) abandon();
  }
  collect();
  return m_succeeded;
}

void Downloader::run() {
  // The task road: the same download on the calling thread, its results taken over at once.
  if (isRunning()) return;
  m_run = newRun();
  m_running = true;
  m_run->perform();
  collect();
}

bool Downloader::isSucceeded() {
  collect();
  return m_succeeded;
}

const WCHAR* Downloader::getFilePath() {
  collect();
  return m_filePath.getCStr();
}

const WCHAR* Downloader::getReplyText() {
  collect();
  return m_replyText.getCStr();
}

}  // namespace s::system::network::win
