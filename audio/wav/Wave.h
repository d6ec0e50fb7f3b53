// RIFF WAVE files of PCM: the reader and writer of the encoded-audio interface.
#pragma once

#include "audio/Effect.h"
#include "audio/IEncodedAudio.h"
#include "core/col/array/ArrayU08.h"
#include "core/thread/ClassTail.h"
#include "core/thread/ObjLocker.h"

#include <cstdint>

namespace s::sound::wav {

/// A WAV file read as PCM (an input stream attached) or written from PCM (an output stream
/// attached). See s::sound::IEncodedAudio for the road of a conversion.
///
/// Reading accepts RIFF "WAVE" files whose "fmt " chunk describes PCM (format tag 1, or the
/// extensible tag with the PCM sub-format) of 8 or 16 bits in one or two channels. Other chunks,
/// before "fmt " and between it and "data", are passed over however many there are ("fact" is
/// kept in the header image); only the end of the file bounds the walk. Any other file is refused:
/// the reader reports no PCM, `read` answers false at once (so a float, compressed, 24-bit or
/// multi-channel file is never converted into noise), and `getFault` says why.
///
/// The data size is the smaller of the size the data chunk declares and what the file holds
/// after the chunk's header (recorders that stream write a placeholder such as 0xFFFFFFFF); when
/// the file is cut short, it ends at the last whole sample frame. Lengths, durations, seeks and
/// reads all use that one size.
///
/// Writing puts a 44-byte header (16-byte "fmt " chunk, "data" chunk) before the first block and
/// rewrites it with the final sizes on `close`; data of odd length is followed by its pad byte.
/// A failed write leaves its reason in `getFault` (and the system's error code, for a stream
/// that failed, in `getSystemError`).
///
/// Pooled (`take`, `release`); `reset` closes the streams and gives the effect's added filters
/// back. `read` and `seekPercent` hold the object's lock around the stream; filtering runs
/// outside it.
class Wave final : public IEncodedAudio {
  S_POOLED_CLASS(Wave, u"s_sound_wav_Wave")

  /// Bytes of the header image: every field a header may carry, "fact" included.
  static constexpr int32_t kHeaderImageSize = 80;

  /// Why a file was refused or a write failed; kNone while all is well.
  enum class Fault : int32_t {
    kNone,
    /// Reader: the file does not begin with a RIFF "WAVE" header.
    kNotWave,
    /// Reader: the file ends inside its "fmt " chunk or a chunk header.
    kTruncated,
    /// Reader: no "fmt " chunk before the end of the file or the "data" chunk.
    kNoFormat,
    /// Reader: the format is not PCM (float, compressed, or an unknown extensible sub-format).
    kNotPcm,
    /// Reader or writer: samples of other than 8 or 16 bits (24-bit and 32-bit PCM among them).
    kUnsupportedBits,
    /// Reader: other than one or two channels.
    kUnsupportedChannels,
    /// Reader or writer: a sample rate of 0 or less.
    kNoSampleRate,
    /// Reader: no "data" chunk after "fmt ".
    kNoData,
    /// Writer: the block would take the file past the 4 GiB that its 32-bit sizes can count.
    kSizeLimit,
    /// Writer: the output stream refused bytes (see `getSystemError`).
    kWriteFailed,
  };

  /// A short English sentence for `fault`, without a final stop ("the file is not PCM").
  static const WCHAR* describeFault(Fault fault);

  Wave();
  ~Wave() override;
  Wave(const Wave&) = delete;
  Wave& operator=(const Wave&) = delete;
  void reset() override;

  void setSampleRate(int32_t hz) override;
  int32_t getSampleRate() override;
  void setStereo(bool stereo) override;
  bool isStereo() override;
  void setBitsPerSample(int32_t bits) override;
  int32_t getBitsPerSample() override;
  int64_t getFileSize() override { return m_fileSize; }
  void setFileSize(int64_t size) override { m_fileSize = size; }
  /// The data size (0 for a refused file), at most INT32_MAX.
  int32_t getPcmLength() override;
  /// The position is a multiple of 4 within the data chunk (0 without input or PCM).
  void seekPercent(float percent, int64_t* pcmPosition) override;
  int32_t getPcmSampleRate() override { return getSampleRate(); }
  /// The rate when the speed factor is 1, else rate x factor rounded half away from zero.
  int32_t getOutputSampleRate() override;
  /// A factor that is not a positive finite number is refused; the last valid one stays.
  void setSpeedFactor(float factor) override;
  bool isPcmStereo() override { return isStereo(); }
  int32_t getPcmBitsPerSample() override { return getBitsPerSample(); }
  /// Asks for the capacity when it is below 5, else for the capacity rounded down to a multiple
  /// of 4, cut to what remains of the data chunk.
  bool read(void* buffer, uint32_t capacity, uint32_t* count) override;
  /// The first block fixes the format (rate above 0, 8 or 16 bits; anything else is refused) and
  /// writes the provisional header. A block that would take the file past the 4 GiB that its
  /// sizes can count is refused whole.
  bool writeBlock(const void* data, uint32_t count, int32_t rate, bool stereo,
                  int32_t bits) override;
  void setOutputStream(io::IOutputStream* stream, bool owned) override;
  io::IOutputStream* getOutputStream() override { return m_output; }
  void setInputStream(io::IInputStream* stream, bool owned) override;
  io::IInputStream* getInputStream() override { return m_input; }
  /// An output it does not own is left where it was, after the header was rewritten.
  bool close() override;
  void releaseToPool() override { release(); }
  void readHeader() override;
  void writeHeader() override { writeHeaderImage(); }
  bool isHeaderDirty() override { return m_headerDirty; }
  bool hasFilters() override { return m_effect.hasFilters(); }
  void addFilter(IFilter* filter) override { m_effect.addFilter(filter); }
  /// A WAV record (s::sound::wav::Info) with the path when given, then the sample rate,
  /// channels and play time in milliseconds.
  IInfo* createInfo(const WCHAR* path) override;
  /// The sample rate, channels and play time in milliseconds.
  void fillInfo(IInfo* info) override;
  int32_t getDurationSeconds() override { return getDurationMillis() / 1000; }
  /// PCM length x 8000 / (rate x bits x channels); 0 when the format has a zero in it.
  int32_t getDurationMillis() override;

  /// Whether a file this writer makes holds `dataBytes` bytes of PCM: its header, the data and a
  /// pad byte within the 4 GiB that its sizes count. `writeBlock` refuses (kSizeLimit) the block
  /// that would pass it; a caller that knows the length to come asks before writing any of it.
  bool canHold(uint64_t dataBytes) const;
  /// Why the input was refused or the last write failed (kNone when neither happened).
  Fault getFault() const { return m_fault; }
  /// The system's error code (GetLastError) when the output stream failed, else 0.
  DWORD getSystemError() const { return m_systemError; }
  /// Bytes of PCM the reader hands out from the start: the data size described above.
  int64_t getDataLength() const { return getDataSize(); }
  /// The input position of the first PCM byte (0 for a refused file).
  int64_t getDataStart() const { return m_dataStart; }

  /// The header image (kHeaderImageSize bytes, little-endian fields at their file offsets).
  const uint8_t* getHeaderImage() const { return m_header; }
  /// The embedded effect chain.
  Effect& getEffect() { return m_effect; }

 private:
  uint32_t get32(int32_t offset) const;
  uint16_t get16(int32_t offset) const;
  void set32(int32_t offset, uint32_t value);
  void set16(int32_t offset, uint16_t value);
  int32_t getChannels() const { return static_cast<int16_t>(get16(22)); }
  uint32_t getDataSize() const { return get32(76); }
  /// Bytes of the header as written: 44, 46 or 68 for fmt chunks of 16, 18 or 40 bytes.
  uint32_t getWrittenHeaderLength() const;
  /// Why the header image does not describe PCM that this class reads; kNone when it does.
  Fault checkFormat() const;
  /// Reads the body of a "fmt " chunk of `size` bytes whose header ended at the input position.
  Fault readFormat(uint32_t size);
  /// Walks the chunks after the RIFF header up to "data", with `end` the input position where
  /// the file ends (INT64_MAX when unknown); kNone when the data chunk was found.
  Fault readChunks(int64_t end);
  /// Records the first failure of a write.
  void noteWriteFault(Fault fault, DWORD systemError);
  bool writeHeaderImage();
  void setRiffSize();

  /// Hands out data bytes from the read-ahead, refilling it from the input as needed; answers
  /// the bytes copied into `buffer` (fewer than `request` only at the end or on a failed read).
  uint32_t readAhead(uint8_t* buffer, uint32_t request);
  /// Forgets the read-ahead, before anything moves the input.
  void dropReadAhead() { m_aheadNext = m_aheadEnd = 0; }

  thread::ObjLocker m_lock;
  col::_array::ArrayU08 m_filterBuffer;
  /// Data read from the input ahead of the caller: one read of the file for every sixteen blocks
  /// of 4096 bytes, since a read call per block costs more than copying it. Bytes
  /// [m_aheadNext, m_aheadEnd) are unread; the input stands at m_aheadEnd.
  col::_array::ArrayU08 m_ahead;
  uint32_t m_aheadNext = 0;
  uint32_t m_aheadEnd = 0;
  Effect m_effect;
  bool m_headerRead = false;
  bool m_headerWritten = false;
  bool m_headerDirty = false;
  uint8_t m_header[kHeaderImageSize] = {};
  int64_t m_fileSize = -1;
  int64_t m_basePosition = 0;
  float m_speedFactor = 1.0f;
  io::IOutputStream* m_output = nullptr;
  io::IInputStream* m_input = nullptr;
  bool m_ownsOutput = false;
  bool m_ownsInput = false;
  /// The input position of the first PCM byte, and whether the input holds accepted PCM there.
  int64_t m_dataStart = 0;
  bool m_hasPcm = false;
  Fault m_fault = Fault::kNone;
  DWORD m_systemError = 0;
};

}  // namespace s::sound::wav
