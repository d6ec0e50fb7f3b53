// The interface of a reusable worker thread.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ITask.h"

#include <cstdint>

namespace s::thread {

/// A worker that owns one operating-system thread and runs tasks on it (the contract is on
/// s::thread::win::Thread). Counts of -1 mean without end; times are milliseconds.
class IThread : public base::IObject {
 public:
  using RunFunction = void (*)();

  virtual uint32_t getThreadId() = 0;
  virtual bool start(ITask* task) = 0;
  virtual bool startRepeated(ITask* task, int32_t count) = 0;
  virtual bool startRepeatedWithPause(ITask* task, int32_t count, int32_t pauseMs) = 0;
  virtual bool startRepeatedAtRate(ITask* task, int32_t count, int32_t periodMs) = 0;
  virtual bool startForever(ITask* task) = 0;
  virtual bool startForeverWithPause(ITask* task, int32_t pauseMs) = 0;
  virtual bool startForeverAtRate(ITask* task, int32_t periodMs) = 0;
  virtual bool isIdle() = 0;
  virtual void waitUntilIdle() = 0;
  virtual bool waitUntilIdleOrRestart(uint32_t timeoutMs) = 0;
  virtual void stopRepeating() = 0;
  virtual void stopAndWait() = 0;
  virtual void waitForExit() = 0;
  virtual void requestExit() = 0;
  virtual void shutdown() = 0;
  virtual void delay(int32_t ms) = 0;
  virtual void resume() = 0;
  virtual void suspend() = 0;
  virtual int32_t getPriority() = 0;
  virtual bool setPriority(int32_t priority) = 0;
  virtual void setRunFunction(RunFunction function) = 0;
};

}  // namespace s::thread
