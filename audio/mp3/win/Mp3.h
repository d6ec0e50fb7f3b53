// MPEG audio files: the MP3 reader and writer of the encoded-audio interface.
#pragma once

#include "audio/Effect.h"
#include "audio/mp3/FrameHeader.h"
#include "audio/mp3/IMp3.h"
#include "audio/mp3/Id3Tag.h"
#include "core/col/array/ArrayU08.h"
#include "core/thread/ClassTail.h"
#include "core/thread/ObjLocker.h"

#include <cstdint>

struct mpstr;

namespace s::sound::win {
class Mp3Encoder;
}

namespace s::sound::mp3::win {

/// An MP3 file read as PCM (an input stream attached) or written from PCM (an output stream
/// attached). See s::sound::IEncodedAudio for the road of a conversion.
///
/// Reading: attaching the input measures the file. A leading ID3v2 tag is passed over by the
/// size its header gives, then the stream is scanned for the first frame that the next frame
/// confirms (FrameHeader::findFirstFrame); the audio data runs from there to the end of the file,
/// less 128 bytes when the file has only an ID3v1 tag. The file ends where the input does
/// (s::sound::findInputEnd): no scan or walk reads past the smaller of the stream's own end and
/// the file size given, so a source that never ends (a device, a file that keeps growing) is read
/// only as far as the size it had. Durations, PCM length, frame count and bitrate come from the
/// first frame's header and, when it carries Xing data, from that. A file without frames reads as
/// empty and measures -1; so does a free-format file (bitrate index 0), which this reader does
/// not decode (`isFreeFormat` tells it).
///
/// `read` decodes 16-bit PCM at the file's own rate and channel count, keeping decoded bytes that
/// do not fit the caller's block for the next call. The decoder is fed whole frames, up to
/// 40,960 bytes at a time, walked from header to header: a frame counts only when a header of
/// its stream stands where it ends (or the audio data ends there). Otherwise the sync is lost,
/// and the walk goes on only at a frame that the next frame confirms, as at the start of the
/// file, so damaged or foreign bytes in the middle never reach the decoder as false frames. An
/// ID3v2 tag between frames (files joined, a tag appended) is passed over by its size, and the
/// data ends before a trailing APE or Lyrics3 tag: tags are neither audio nor damage. The bytes
/// the walk passes over are counted; a file that loses more than real files do is damaged
/// (`hasLostAudio`).
///
/// Writing: a reset writer makes MPEG-1 Layer III, 192 kbps, 44,100 Hz joint stereo; the format
/// setters change bitrate, rate and channels. The first block opens the encoder with the block's
/// format as its input (every later block must have the same format); `close` flushes the
/// encoder's last frames. When the encoder cannot start, the writer answers false and writes
/// nothing, and the caller may go on with another file.
///
/// Pooled (`take`, `release`); `reset` closes the streams, gives the encoder back and ends the
/// decoder. `read` and `seekPercent` hold the object's lock around the stream and the decoder;
/// filtering runs outside it. A writer is used by one thread.
class Mp3 final : public IMp3 {
  S_POOLED_CLASS(Mp3, u"s_sound_mp3_win_Mp3")

  /// Compressed bytes read from the input at a time, and decoded PCM bytes per decoder call.
  static constexpr uint32_t kInputChunk = 40960;
  static constexpr uint32_t kPcmChunk = 8192;
  /// Input bytes the frame walk reads at a time: many frames, and more than the longest frame
  /// (2,881 bytes) with the header after it.
  static constexpr uint32_t kPeekBlock = 65536;
  /// The least output buffer of a writer: one second of 16-bit stereo at 44,100 Hz.
  static constexpr uint32_t kLeastOutputBuffer = 176400;
  /// Bytes of audio data passed over as not audio beyond which a file has lost audio
  /// (`hasLostAudio`): any amount above the first, or above the second and a tenth of the data.
  static constexpr int64_t kMostPassedOver = 64 * 1024;
  static constexpr int64_t kLeastDamage = 8 * 1024;

  Mp3();
  ~Mp3() override;
  Mp3(const Mp3&) = delete;
  Mp3& operator=(const Mp3&) = delete;
  void reset() override;

  /// The MPEG-1 rates 32,000, 44,100 and 48,000 Hz only; any other gives 44,100.
  void setSampleRate(int32_t hz) override { m_header.setSampleRate(hz); }
  int32_t getSampleRate() override { return m_header.getSampleRate(); }
  void setStereo(bool stereo) override;
  bool isStereo() override { return !m_header.isMono(); }
  void setBitsPerSample(int32_t bits) override { m_bitsPerSample = bits; }
  int32_t getBitsPerSample() override { return m_bitsPerSample; }
  int64_t getFileSize() override { return m_fileSize; }
  void setFileSize(int64_t size) override { m_fileSize = size; }
  /// Frames x channels x samples per frame x 2, at most INT32_MAX; -1 when unknown.
  int32_t getPcmLength() override;
  /// Moves to the frame at `percent` (0 to 100) of the frames and reports its PCM byte position;
  /// decoding resumes at the first confirmed frame from there. 0 without frames.
  void seekPercent(float percent, int64_t* pcmPosition) override;
  int32_t getPcmSampleRate() override { return getSampleRate(); }
  /// The rate when the speed factor is 1, else rate x factor rounded.
  int32_t getOutputSampleRate() override;
  /// A factor that is not a positive finite number is refused; the last valid one stays.
  void setSpeedFactor(float factor) override;
  bool isPcmStereo() override { return isStereo(); }
  int32_t getPcmBitsPerSample() override { return 16; }
  /// Asks for the capacity when it is below 5, else for the capacity rounded down to a multiple
  /// of 4. False when nothing could be handed out (the end, or input that does not decode).
  bool read(void* buffer, uint32_t capacity, uint32_t* count) override;
  /// False without output, when the encoder cannot start (also for every later block), when the
  /// block's format differs from the first block's, or when encoding or writing fails.
  bool writeBlock(const void* data, uint32_t count, int32_t rate, bool stereo,
                  int32_t bits) override;
  void setOutputStream(io::IOutputStream* stream, bool owned) override;
  io::IOutputStream* getOutputStream() override { return m_output; }
  /// Measures the file from the stream's position and leaves the stream at the first frame.
  void setInputStream(io::IInputStream* stream, bool owned) override;
  io::IInputStream* getInputStream() override { return m_input; }
  /// Flushes the encoder's last frames. False when they could not be written, the output could
  /// not be closed, or the encoder never started: the file is then not a complete conversion.
  bool close() override;
  void releaseToPool() override { release(); }
  void readHeader() override;
  /// MP3 has no file header to write: this only marks the header written.
  void writeHeader() override;
  bool isHeaderDirty() override { return m_headerDirty; }
  bool hasFilters() override { return m_effect.hasFilters(); }
  void addFilter(IFilter* filter) override { m_effect.addFilter(filter); }
  /// An MP3 record (s::sound::mp3::win::Info) read from `path` when given (its tags), then
  /// filled with the sample rate, channels, bitrate and play time in milliseconds.
  sound::IInfo* createInfo(const WCHAR* path) override;
  /// The sample rate, channels, bitrate and play time in milliseconds.
  void fillInfo(sound::IInfo* info) override;
  int32_t getDurationSeconds() override;
  /// At most INT32_MAX; -1 when unknown.
  int32_t getDurationMillis() override;

  int32_t setBitrate(int32_t kbps) override { return m_header.setBitrate(kbps); }
  /// -1 for a reader that found no frame, or an average it cannot compute.
  int32_t getBitrate() override;
  int32_t getFrameLength() override;
  int32_t getFrameCount() override;

  /// Reader: the measured file has a first frame, so it has audio to decode.
  bool hasFrames() const { return m_frameFound; }
  /// Reader: the audio is free-format MPEG (bitrate index 0), which is not decoded.
  bool isFreeFormat() const { return m_freeFormat; }
  /// Reader: the bytes of audio data that `read` has passed over as not audio since the input
  /// was attached or moved (where the sync was lost, and the rest after the last frame); tags
  /// are not counted.
  int64_t getBytesPassedOver() const { return m_bytesPassedOver; }
  /// Reader: more of the audio data has been passed over as not audio than a whole file ever
  /// leaves, so the audio that decodes is not the file's: more than kMostPassedOver bytes, or
  /// more than kLeastDamage bytes that are also more than a tenth of the data. Asked once `read`
  /// has met the end, it tells a damaged file from one that converts (see the definition for
  /// what real files leave).
  bool hasLostAudio() const;
  /// Reader: the first frame; writer: the output format.
  const FrameHeader& getHeader() const { return m_header; }
  const Id3Tag& getTag() const { return m_tag; }
  /// Bytes of audio data; -1 when the file size is unknown.
  int32_t getDataLength() const { return m_dataLength; }
  Effect& getEffect() { return m_effect; }

 private:
  /// Makes the decoder at the first read; false when it cannot be made.
  bool ensureDecoder();
  /// Moves decoded bytes kept from earlier calls into `out` from `*done` up to `wanted`.
  void handOutKept(uint8_t* out, uint32_t wanted, uint32_t* done);
  /// One decoder call with `size` new input bytes (none: drain); PCM that fits goes into `out`,
  /// the rest is kept. True when the decoder gave PCM.
  bool decodeInto(const uint8_t* input, uint32_t size, uint8_t* out, uint32_t wanted,
                  uint32_t* done);
  /// Room for `bytes` in the PCM buffer; its start.
  uint8_t* pcmRoom(uint32_t bytes);
  /// Copies whole frames from the walk position into `buffer` (up to `capacity` bytes) and
  /// answers the bytes copied; 0 at the end of the audio data.
  uint32_t walkFrames(uint8_t* buffer, uint32_t capacity);
  /// The input's bytes from `position`: `*got` receives how many of the `size` asked for are
  /// there (fewer only at the end of the input). Reads the input in blocks of kPeekBlock.
  const uint8_t* peek(int64_t position, uint32_t size, uint32_t* got);
  /// Moves the walk position to the next frame after it that the next frame confirms; false
  /// when there is none before the end of the audio data.
  bool resync();
  /// The walk lost its sync: on at the next confirmed frame, or at the end of the audio data,
  /// with the bytes passed over counted.
  void loseSync();
  /// Passes over what is left of the audio data, counting it.
  void passOverRest();
  /// Moves the end of the audio data before the APE and Lyrics3 tags that end it.
  void leaveOutTrailingTags();

  thread::ObjLocker m_lock;
  Effect m_effect;
  col::_array::ArrayU08 m_filterCopy;
  sound::win::Mp3Encoder* m_encoder = nullptr;
  mpstr* m_decoder = nullptr;
  col::_array::ArrayU08 m_inputBuffer;
  col::_array::ArrayU08 m_pcmBuffer;
  int64_t m_fileSize = -1;
  int32_t m_dataLength = -1;
  Id3Tag m_tag;
  FrameHeader m_header;
  bool m_headerRead = false;
  bool m_headerWritten = false;
  bool m_headerDirty = false;
  int64_t m_startPosition = 0;
  float m_speedFactor = 1.0f;
  int32_t m_bitsPerSample = 16;
  io::IOutputStream* m_output = nullptr;
  io::IInputStream* m_input = nullptr;
  bool m_ownsOutput = false;
  bool m_ownsInput = false;
  /// Reader: the measured file has a first frame.
  bool m_frameFound = false;
  /// Reader: the audio data begins with a free-format frame.
  bool m_freeFormat = false;
  /// Reader: the input position of the next frame to feed the decoder, and the end of the audio
  /// data (the input's end when the file size is unknown).
  int64_t m_walkPosition = 0;
  int64_t m_dataEnd = 0;
  /// Reader: where the input ends (s::sound::findInputEnd); nothing at or after it is read.
  int64_t m_inputEnd = INT64_MAX;
  /// Reader: the bytes of audio data the walk has passed over as not audio since the input was
  /// attached or moved.
  int64_t m_bytesPassedOver = 0;
  /// Reader: the header being walked over, and the one after it.
  FrameHeader m_walkFrame;
  FrameHeader m_nextFrame;
  /// Reader: input bytes read ahead for the walk, from input position m_peekStart; whether
  /// the input ended behind them.
  col::_array::ArrayU08 m_peekBuffer;
  int64_t m_peekStart = 0;
  bool m_peekAtEnd = false;
  /// Writer: the encoder refused to start; the file stays unwritten.
  bool m_encoderRefused = false;
  /// Writer: the format of the first block, which every block must share.
  int32_t m_blockRate = 0;
  bool m_blockStereo = true;
  int32_t m_blockBits = 16;
};

}  // namespace s::sound::mp3::win
