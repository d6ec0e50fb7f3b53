// The interface of a download: one web address fetched into a temporary file on a worker
// thread, optionally read back as the reply text.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"
#include "core/thread/ITask.h"

#include <windows.h>

#include <cstdint>

namespace s::system::network {

/// Progress of a download: the bytes expected (0 while unknown) and received so far, and the two
/// values the caller gave. Called on the download's worker thread.
using ProgressFunction = void (*)(int64_t maximum, int64_t progress, int64_t user1, int64_t user2);

/// One download. `run` is the caller's road: it starts the worker and waits with a time-out;
/// the task's own `run` is the download itself, done on the calling thread.
class IDownloader : public base::IObject, public virtual thread::IPoolable, public thread::ITask {
 public:
  using thread::ITask::run;

  virtual void start() = 0;
  virtual void stop(bool wait) = 0;
  virtual void setUrl(const WCHAR* url) = 0;
  virtual void setReadReply(bool readReply) = 0;
  virtual void setUserAgent(const WCHAR* userAgent) = 0;
  virtual void setReferrer(const WCHAR* referrer) = 0;
  virtual bool run(int32_t timeoutMs, ProgressFunction progress, int64_t user1, int64_t user2) = 0;
  virtual bool isSucceeded() = 0;
  virtual const WCHAR* getFilePath() = 0;
  virtual const WCHAR* getReplyText() = 0;
};

}  // namespace s::system::network
