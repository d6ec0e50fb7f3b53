// The driver of the MP3 encoder library "lame_enc.dll": one encoder stream per object, and the
// process-wide loading of the library.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "lame_enc/BladeEnc.h"

#include <cstdint>

namespace s::sound::win {

/// Loads "lame_enc.dll" and resolves its entry points, once per process (any thread; later
/// callers wait for the first). When the library is missing or lacks an entry point, the user
/// is told once, in an information box: "Failed to Load lame_enc.dll!!" and "Error Code - "
/// with the system's error code. True when the encoder can be used. The library stays loaded
/// until the process ends: a worker may still be encoding while the process exits.
bool loadEncoderLibrary();

/// Why the encoder library cannot be used: none when it loaded; missing when no library of its
/// name was found; not loadable when the file found is no library, lacks an entry point, or could
/// not be loaded for any other reason. Loads it first when no caller has yet, as
/// `loadEncoderLibrary` does (telling the user of a failure that one time).
enum class EncoderLibraryFault : int32_t { kNone, kMissing, kNotLoadable };
EncoderLibraryFault getEncoderLibraryFault();

/// One MP3 encoder stream: `open` fills the encoder's configuration record from the writer's
/// format and starts the stream, `encode` converts each block of PCM into the stream's 16-bit
/// layout and encodes it, `flush` ends the stream with its last frames, and `reset` (run when the
/// encoder goes back to its pool) closes it.
///
/// Units: blocks are bytes of interleaved PCM in the input format (8-bit unsigned or 16-bit
/// signed little-endian, one or two channels); a partial sample frame at a block's end is
/// dropped. Output buffers are bytes with an explicit capacity: `getOutputBound` says how much one
/// block needs, and nothing is written past the capacity given.
///
/// Failure: `open` answers false, and the encoding calls answer the library's result code (or
/// BE_ERR_INVALID_HANDLE without a stream); no entry point is called when the library could not be
/// loaded. Pooled (`take`, `release`); one thread uses an encoder at a time.
class Mp3Encoder final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Mp3Encoder, u"s_sound_win_Mp3Encoder")

  Mp3Encoder();
  ~Mp3Encoder() override;
  Mp3Encoder(const Mp3Encoder&) = delete;
  Mp3Encoder& operator=(const Mp3Encoder&) = delete;

  /// Closes the stream (when one is open) and clears the configuration record.
  void reset() override;

  /// Starts a constant-bitrate stream of `bitrateKbps` at `outputRate` Hz, joint stereo or mono,
  /// fed with blocks of `inputRate` Hz (resampled when the rates differ), `inputBits` 8 or 16, in
  /// one or two channels. An open stream is closed first. False when the library is unusable, the
  /// format is not one blocks can have, or the library refuses the stream.
  bool open(uint32_t bitrateKbps, int32_t inputRate, bool inputStereo, int32_t inputBits,
            int32_t outputRate, bool outputStereo);
  /// Encodes a block of `bytes` bytes into `output` (room for `capacity` bytes; a block needs
  /// `getOutputBound(bytes)`); `*outputCount` receives the bytes written. A block larger than one
  /// call of the library takes is handed over in pieces. BE_ERR_SUCCESSFUL, or the first error,
  /// with the count of what was encoded before it.
  BE_ERR encode(const uint8_t* data, uint32_t bytes, uint8_t* output, uint32_t capacity,
                uint32_t* outputCount);
  /// Ends the stream: its last frames go into `output` (room for `capacity` bytes, at least
  /// `getOutputBufferSize`). The stream takes no more blocks; `reset` still closes it.
  BE_ERR flush(uint8_t* output, uint32_t capacity, uint32_t* outputCount);

  /// Bytes of output that encoding a block of `bytes` bytes may produce, at most UINT32_MAX;
  /// 0 without a stream.
  uint32_t getOutputBound(uint32_t bytes) const;
  /// The least output buffer of one library call (0 without a stream).
  uint32_t getOutputBufferSize() const { return m_outputBufferSize; }
  bool isOpen() const { return m_stream != 0; }
  /// The record as `open` filled it for the library.
  const BE_CONFIG& getConfiguration() const { return m_config; }

 private:
  /// Samples (over all channels) that `bytes` bytes of input become in the stream's layout.
  uint64_t streamSamplesOf(uint32_t bytes) const;

  BE_CONFIG m_config;
  HBE_STREAM m_stream = 0;
  uint32_t m_outputBufferSize = 0;
  uint32_t m_samplesPerChunk = 0;
  bool m_inputStereo = true;
  int32_t m_inputBits = 16;
  bool m_outputStereo = true;
};

}  // namespace s::sound::win
