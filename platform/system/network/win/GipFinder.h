// The pooled global-address finder and the process-wide instance.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "core/thread/ObjLocker.h"
#include "core/thread/win/Thread.h"
#include "platform/system/network/IGipFinder.h"

#include <atomic>
#include <memory>

namespace s::system::network::win {

/// Asks "http://" + the service host + "/webapps/ip/" for the machine's address on a worker at
/// normal priority, and tries again after the retry interval while offline or unanswered. Pooled
/// (capacity 1000). Without a service host a search ends at once and finds nothing.
///
/// Each start hands the worker a search block of its own; a search still going 2000 ms after
/// `stop(true)` is abandoned (its thread replaced, its block marked and dropped) and never writes
/// into this object. Not for use from two threads at once, but `isFound` and `getAddress` may be
/// called from any thread.
class GipFinder final : public IGipFinder {
  S_POOLED_CLASS(GipFinder, u"s_system_network_win_GipFinder")

  static constexpr int32_t kRetryIntervalMs = 60000;
  static constexpr int32_t kMaxAddressLength = 32;

  GipFinder();
  ~GipFinder() override;
  GipFinder(const GipFinder&) = delete;
  GipFinder& operator=(const GipFinder&) = delete;

  /// The host every finder asks (empty: none), for the whole process.
  static void setServiceHost(const WCHAR* host);

  void start() override;
  void stop(bool wait) override;
  /// Stops a search (`stop(true)`), forgets the address and the retry interval set.
  void reset() override;
  bool isFound() override { return m_found.load(); }
  bool getAddress(str::IStr* text) override;
  /// One search on the calling thread.
  void run() override;

  /// The wait between tries, in 200 ms steps (tests shorten it).
  void setRetryInterval(int32_t ms) { m_retryIntervalMs = ms; }

  struct Search;

 private:
  bool isRunning() const;
  void abandon();
  std::shared_ptr<Search> newSearch();

  thread::win::Thread* m_worker;
  thread::ObjLocker m_lock;
  std::atomic<bool> m_running{false};
  std::atomic<bool> m_stopRequested{false};
  std::atomic<bool> m_found{false};
  str::strbuffer::StrBuffer m_address;
  int32_t m_retryIntervalMs = kRetryIntervalMs;
  std::shared_ptr<Search> m_search;
};

/// The process-wide finder, made on first use and never started by the library.
GipFinder* getGipFinder();

}  // namespace s::system::network::win
