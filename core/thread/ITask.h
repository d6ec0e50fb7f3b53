// A unit of work.
#pragma once

namespace s::thread {

/// A unit of work that a worker thread runs; `run` does the whole of it once.
class ITask {
 public:
  virtual ~ITask() = default;
  virtual void run() = 0;
};

}  // namespace s::thread
