// The hand-off of a share of each block between the thread that runs a filter and a worker.
#pragma once

#include "core/thread/ITask.h"

#include <atomic>
#include <cstdint>

namespace s::sound::filter {

/// A share of every block of a stream, run on a worker while the owner's thread runs the rest.
/// Its run is one loop for the whole stream: it waits for a block, runs the block's share and
/// says so, until it is told to quit. Starting a run per block would cost two wake-ups of a
/// parked thread per block, as long as the work itself at low oversampling; here a side whose
/// wait is usually short first spins a little while the other side runs, and sleeps on the
/// counter otherwise. The owner runs a worker only where the process may run on more than one
/// CPU, so a spin never keeps the other side from its CPU.
///
/// Whichever side is free first runs a block's share: the worker as soon as it sees the block,
/// or the owner's thread once its own part is done and the worker has not begun (its CPU taken
/// by another process, or still waking up). Each side claims the block by its number in
/// `m_claimed`; the side that finds it already claimed leaves the block alone (the owner then
/// waits for it). So one side at a time touches the share's state, and the results are the same
/// whichever ran it.
///
/// The counters order the memory: the block's parameters are written before `m_posted` is
/// released, and the worker's results and state before `m_done` is; each side reads the
/// other's after acquiring the counter. Both counters are stored sequentially consistent: the
/// notify that follows a store looks whether anyone waits on the counter, and a store merely
/// released may still sit in the CPU's store buffer then, while a side that has just counted
/// itself as waiting reads the old value and sleeps; neither sees the other, and that side
/// never wakes. The owner's own run of a block is ordered before the worker's next one by the
/// post that follows it.
///
/// `post`, `claim`, `waitDone` and `quit` are the owner's, on one thread; `run` is the worker's.
class BlockHandOff : public thread::ITask {
 public:
  /// Hands the block whose parameters the subclass has just written to the worker.
  void post();
  /// Claims the block posted last for the owner's thread: false when the worker has it already.
  bool claim() { return claim(m_sequence); }
  /// Until the worker has finished the block posted last, which it claimed.
  void waitDone();
  /// Ends the loop; the worker's run returns soon after (the owner waits for it to be idle).
  void quit();
  void run() override;

 protected:
  BlockHandOff() = default;
  /// The share of the block posted last, on the worker, which claimed it.
  virtual void runBlock() = 0;

 private:
  /// One side of the hand-off between the owner's thread and the worker: whether it sleeps, for
  /// the other side to see; when it last moved its counter, for the other side to tell whether
  /// a spin would have caught that; and whether the last wait of its own was that short.
  struct Side {
    std::atomic<bool> asleep{false};
    std::atomic<int64_t> movedAt{0};
    /// Touched by this side's thread only.
    bool spinPays = true;
  };

  /// The owner's spin for the worker's half of a block: about a block's conversion to and from
  /// floats at low oversampling, in nanoseconds.
  static constexpr int64_t kDoneSpinNs = 20000;
  /// The worker's spin for the next block. Where the conversion only reads and writes between
  /// blocks, the next one comes within a microsecond or two of the last one's end; a later one
  /// means the owner's thread is elsewhere (a report it sends to a window's thread and waits
  /// for, a slow disk). A spin through that holds a CPU which the thread the owner waits for may
  /// need: with the owner, the worker and a window's thread on two CPUs, the window's thread then
  /// wakes behind one of the spinning threads, and giving the CPU away between looks keeps the
  /// worker queued on the owner's CPU, where it stays. Asleep, the worker is woken by the post
  /// onto a CPU that is free then.
  static constexpr int64_t kPostSpinNs = 5000;

  /// Block `number` for the calling side, unless a side claimed it already. Every block is
  /// claimed before the next is posted, so the claim moves from the one before; a worker that
  /// woke late and holds an older number than the last claimed fails too.
  bool claim(uint32_t number) {
    uint32_t before = number - 1;
    return m_claimed.compare_exchange_strong(before, number, std::memory_order_acq_rel);
  }

  /// The counter's value once it differs from `old`. `self` spins for it first, for at most
  /// `spinNs` nanoseconds, only while its waits have been short (the counter moved within twice
  /// that, so the spin would have caught it, give or take) and `other`, the side that moves the
  /// counter, is not asleep; then it sleeps on the counter.
  static uint32_t awaitChange(std::atomic<uint32_t>& counter, uint32_t old, Side& self,
                              const Side& other, int64_t spinNs);

  /// Blocks posted (and the quit request); written by the owner's thread only.
  uint32_t m_sequence = 0;
  std::atomic<uint32_t> m_posted{0};
  std::atomic<uint32_t> m_done{0};
  /// The number of the last block a side claimed.
  std::atomic<uint32_t> m_claimed{0};
  std::atomic<bool> m_quit{false};
  Side m_ownerSide;
  Side m_workerSide;
};

}  // namespace s::sound::filter
