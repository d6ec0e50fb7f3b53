// The interface of an MP3 file reader or writer.
#pragma once

#include "audio/IEncodedAudio.h"

#include <cstdint>

namespace s::sound::mp3 {

/// An encoded-audio file of MPEG audio frames: the operations of s::sound::IEncodedAudio, plus
/// the bitrate and the frames. Measurements answer -1 when the file does not tell them.
class IMp3 : public IEncodedAudio {
 public:
  /// The interface's own class name text; every implementation answers its own.
  const WCHAR* getClassName() const override { return u"s_sound_mp3_IMp3"; }
  /// Sets the bitrate in kbps from the table of the header's MPEG version and layer; a value the
  /// table lacks becomes index 0 (free format, 0 kbps). Answers the index.
  virtual int32_t setBitrate(int32_t kbps) = 0;
  /// kbps: the header's for a constant-bitrate file, the average over the file for one with
  /// Xing data.
  virtual int32_t getBitrate() = 0;
  /// Bytes of one frame (the average with Xing data).
  virtual int32_t getFrameLength() = 0;
  virtual int32_t getFrameCount() = 0;
};

}  // namespace s::sound::mp3
