// The pooled download: one address into a temporary file on a worker thread of its own.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/ObjLocker.h"
#include "core/thread/win/Thread.h"
#include "platform/system/network/IDownloader.h"

#include <atomic>
#include <memory>

namespace s::system::network::win {

/// A download on a worker at the highest priority. Pooled (capacity 1000).
///
/// Each start hands the worker a run block of its own: the run's inputs copied and its results.
/// A run that outlives its wait (the time-out plus 100 ms, or `stop(true)`) is abandoned: the
/// worker thread is replaced, the block is marked and dropped, and the abandoned thread ends its
/// transfer at its next progress report, deletes its file and never touches this object again.
/// Results come over from a finished block on the caller's thread.
///
/// A failed or abandoned run leaves no temporary file; a run that reads its reply deletes the
/// file too. Not for use from two threads at once.
class Downloader final : public IDownloader {
  S_POOLED_CLASS(Downloader, u"s_system_network_win_Downloader")

  Downloader();
  ~Downloader() override;
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  /// `stop(true)`, flags false, texts emptied (memory freed), no progress function.
  void reset() override;

  void start() override;
  void stop(bool wait) override;
  void setUrl(const WCHAR* url) override { m_url.assign(url); }
  void setReadReply(bool readReply) override { m_readReply = readReply; }
  void setUserAgent(const WCHAR* userAgent) override { m_userAgent.assign(userAgent); }
  void setReferrer(const WCHAR* referrer) override { m_referrer.assign(referrer); }
  /// Offline: false at once. Otherwise starts the run and waits up to `timeoutMs` for it, then
  /// 100 ms more before abandoning it; true when the download (and its reply) succeeded.
  bool run(int32_t timeoutMs, ProgressFunction progress, int64_t user1, int64_t user2) override;
  /// The download itself, on the calling thread.
  void run() override;
  bool isSucceeded() override;
  /// The last run's temporary file (deleted again when the reply was read or the run failed).
  const WCHAR* getFilePath() override;
  /// The reply, one character per byte.
  const WCHAR* getReplyText() override;

  struct Run;

 private:
  /// Takes over the results of a finished run.
  void collect();
  bool isRunning() const;
  /// Marks the current run abandoned and lets it go.
  void abandon();
  std::shared_ptr<Run> newRun();

  thread::win::Thread* m_worker;
  thread::ObjLocker m_lock;
  std::atomic<bool> m_running{false};
  std::atomic<bool> m_stopRequested{false};
  str::strbuffer::StrBuffer m_url;
  bool m_readReply = false;
  str::strbuffer::StrBuffer m_userAgent;
  str::strbuffer::StrBuffer m_referrer;
  bool m_succeeded = false;
  str::strbuffer::StrBuffer m_filePath;
  str::strbuffer::StrBuffer m_replyText;
  ProgressFunction m_progress = nullptr;
  int64_t m_user1 = 0;
  int64_t m_user2 = 0;
  std::shared_ptr<Run> m_run;
};

}  // namespace s::system::network::win
