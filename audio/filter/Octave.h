// The pitch shifter: a short-time Fourier transform phase vocoder.
#pragma once

#include "audio/filter/FilterBase.h"
#include "core/thread/ClassTail.h"

#include <cstdint>
#include <memory>

namespace s::thread::win {
class Thread;
}  // namespace s::thread::win

namespace s::sound::filter {

/// Shifts the pitch of PCM without changing its length: the filter of the pitch and voice
/// effects, and the pitch correction of the speed effects (a speed factor f relabels the sample
/// rate, and a pitch of -100 log2(f) brings the pitch back).
///
/// Units: `pitch` is in hundredths of an octave (+100 one octave up, a semitone is 100 / 12).
/// Each channel runs through frames of 2048 samples (`frameSize`) taken every 2048 / oversampling
/// samples; more oversampling is smoother and slower. The output lags the input by `frameSize`
/// samples whatever the oversampling, and the last `frameSize` samples of a stream stay inside
/// the filter: a converted file starts with 2048 samples of silence (46 ms at 44.1 kHz) and ends
/// that much early, at the same length. At pitch 0 the output is the input delayed, at unity gain.
///
/// Handles 16-bit and 8-bit PCM, mono or stereo; other widths and rates of 0 or less pass
/// unchanged. Tables and work areas (about 2 MB) are built on the first block after a reset; when
/// they cannot be allocated the block passes unchanged. The `sineTable` and `cosineTable` of the
/// resynthesis are one table on purpose, their entries interleaved (`m_cosineSineTable`): the
/// phases jump all over a turn, and a cosine with its sine in one cache line halves the misses.
/// Pooled; one stream per filter, on one thread at a time.
///
/// Threads: where the process may run on more than one CPU (asked on the first stereo block
/// after a reset), a stereo block runs its right channel on a worker thread while the calling
/// thread runs the left, and `process` returns once both are done. A right channel the worker has
/// not begun when the left one is done (its CPU busy elsewhere) runs on the calling thread. The
/// channels share nothing but the read-only tables, so the samples are those of the channels run
/// one after the other. The worker comes from the worker pool on the first stereo block and waits
/// for the next block (asleep, after a short spin while blocks come quickly) until reset or
/// destruction, which end its wait and give it back. On one CPU, or without a worker (no thread
/// could be made), both channels run on the calling thread.
class Octave final : public FilterBase {
  S_POOLED_CLASS(Octave, u"s_sound_filter_Octave")

  static constexpr int32_t kFrameSize = 2048;

  Octave();
  ~Octave() override;
  Octave(const Octave&) = delete;
  Octave& operator=(const Octave&) = delete;
  /// Enabled, pitch 0, oversampling 4; frees the tables and work areas.
  void reset() override;

  void process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
               int32_t bitsPerSample) override;

  float getPitch() const { return m_pitch; }
  void setPitch(float pitch) { m_pitch = pitch; }
  int32_t getOversampling() const { return m_oversampling; }
  /// Frames per frame length (the application uses 4, 8, 16 or 32). A value outside 1 to
  /// `frameSize` is refused (false) and the last valid value stays.
  bool setOversampling(int32_t oversampling);
  int32_t getFrameSize() const { return m_frameSize; }

 private:
  struct Channel;
  class RightChannel;

  /// Builds what is missing of the tables and work areas; false when memory ran out.
  bool prepare();
  void shiftPitch(uint8_t* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
                  int32_t bitsPerSample);
  /// One channel of a block: `count` samples of `width` bytes from `first`, `stride` bytes
  /// apart, through `channel`'s state, converted group by group in `work`.
  void shiftChannel(Channel& channel, uint8_t* first, int32_t count, int32_t width, int32_t stride,
                    float factor, int32_t sampleRate, float* work);
  /// The right channel's loop, running on the worker (taken and started on first use); null
  /// when no worker can be had.
  RightChannel* rightChannel();
  /// Ends the right channel's loop and gives the worker back.
  void stopWorker();
  void vocode(Channel& channel, float factor, int32_t count, int32_t sampleRate, float* buffer);
  void processFrame(Channel& channel, float factor, int32_t sampleRate);
  /// The complex transform of `kFrameSize / 2` values held as real parts then imaginary parts,
  /// whose input already stands in bit-reversed order; sign -1 forward, +1 inverse (unscaled). A
  /// frame's real values run through it packed in pairs, which halves the work.
  void transform(float* re, float* im, int32_t sign) const;
  /// The cosine (entry 0) and sine (entry 1) of an angle, from the tables.
  const float* cosineSine(double angle) const {
    return m_cosineSineTable.get() + 2 * tableIndex(angle);
  }
  static int32_t tableIndex(double angle);

  float m_pitch = 0.0f;
  /// The conversion groups of the left (or mono) channel and of the right one.
  std::unique_ptr<float[]> m_workBuffer;
  std::unique_ptr<float[]> m_rightWorkBuffer;
  /// Pooled, held from the first stereo block to the reset (released there), running
  /// `m_rightTask` meanwhile.
  thread::win::Thread* m_worker = nullptr;
  bool m_workerRunning = false;
  /// Whether the process may run on one CPU only: -1 not asked yet in this stream, 0 no, 1 yes.
  int32_t m_singleCpu = -1;
  std::unique_ptr<RightChannel> m_rightTask;
  std::unique_ptr<double[]> m_window;
  /// The cosine and sine tables of 131072 entries over a turn, interleaved: a look-up touches one
  /// cache line instead of two, which matters because the phases jump all over the tables.
  std::unique_ptr<float[]> m_cosineSineTable;
  int32_t m_leftReady = 0;
  std::unique_ptr<Channel> m_leftState;
  int32_t m_rightReady = 0;
  std::unique_ptr<Channel> m_rightState;
  int32_t m_frameSize = kFrameSize;
  int32_t m_oversampling = 4;

  // Derived once with the tables: the bit-reversed index of every transform slot, the
  // twiddle factors of every stage for both signs (as the butterflies would compute them one
  // after another), the cosines then sines of the turn between the packed halves of a real frame
  // (k pi / (frameSize / 2) for every slot k), and the window's sum of squares for the
  // overlap-add gain.
  std::unique_ptr<uint16_t[]> m_bitReverse;
  std::unique_ptr<float[]> m_twiddles;
  std::unique_ptr<float[]> m_turns;
  double m_windowSquareSum = 0.0;
};

}  // namespace s::sound::filter
