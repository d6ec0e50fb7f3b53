// One decoded MPEG audio frame header, with the Xing data of its frame, and the search for the
// first frame of a file.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::io {
class IInputStream;
}

namespace s::sound::mp3 {

/// The fields of a four-byte MPEG audio frame header (MPEG-1, 2 and 2.5, Layers I to III), the
/// frame's length in bytes and, for a Layer III frame that carries "Xing" data, the frame count,
/// byte count, seek table and quality it records (the Xing fields mean something only while
/// `isVbr`).
///
/// Reset state: MPEG-1 Layer III, 192 kbps, 44,100 Hz, stereo, frame length 0, no Xing data: the
/// format of a fresh MP3 writer. Measurements take the file's audio data length in bytes; frames
/// hold 384 samples (Layer I), 1,152 (Layer II, and Layer III of MPEG-1) or 576 (Layer III of
/// MPEG-2 and 2.5). Pooled (`take`, `release`); one thread at a time.
class FrameHeader final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(FrameHeader, u"s_sound_mp3_FrameHeader")

  static constexpr int32_t kModeStereo = 0;
  static constexpr int32_t kModeJointStereo = 1;
  static constexpr int32_t kModeDualChannel = 2;
  static constexpr int32_t kModeMono = 3;
  /// The end of a stream whose size is unknown (see `findFirstFrame`).
  static constexpr int64_t kNoEnd = INT64_MAX;

  FrameHeader() { reset(); }
  void reset() override;

  /// Reads a header at the stream position (recorded as the header's position). False when four
  /// bytes cannot be read or they lack the frame sync or name the reserved MPEG version; true
  /// otherwise, even when fields are out of range (see `isValid`). A Layer III frame is then
  /// searched for Xing data; reading it may fail without making the parse fail. The stream is left
  /// where reading stopped.
  bool parse(io::IInputStream* stream);
  /// Fills the header from four header bytes as they stand in a file (the position stays, the
  /// Xing fields are cleared); false without the frame sync or with the reserved version.
  bool decodeBytes(const uint8_t bytes[4]);
  /// Layer 1 to 3, a bitrate index of 1 to 14, a known sample rate and a frame length.
  bool isValid() const;
  /// Layer 1 to 3 and a known sample rate, but bitrate index 0: a free-format frame, whose
  /// length no header tells.
  bool isFreeFormat() const;
  /// The same MPEG version, layer, mono-ness and sample rate as `other`: frames of one stream.
  bool sameStreamAs(const FrameHeader& other) const;
  /// Scans the stream from its position for the first frame: a valid header followed by a header
  /// of the same MPEG version, layer, mono-ness and sample rate, or ending where the stream ends
  /// (exactly, or with fewer than four bytes after it that begin the next sync: a header cut
  /// short). A frame that would run past the end is not taken: in the last stretch of a file any
  /// 0xFF byte inside a frame's data would pass that test.
  /// The stream ends at `end` (a stream position) or where its reads end, whichever comes first:
  /// the scan reads no byte at or after `end`, so a stream that never ends (a device, a pipe, a
  /// file that keeps growing) is scanned only as far as the file's size; kNoEnd bounds nothing.
  /// `record` (null: one taken from its pool for the call) receives the frame, parsed with its
  /// Xing data. The stream is read in large blocks; its position afterwards is not meaningful.
  static bool findFirstFrame(io::IInputStream* stream, FrameHeader* record, int64_t end);

  /// The bitrate index of `kbps` in the table of the header's version and layer, or 0 (free
  /// format) when the table lacks it; answers the index.
  int32_t setBitrate(int32_t kbps);
  /// The sample-rate index of `hz` among the rates of the header's version, or 0 (the version's
  /// first rate) when it is not one of them.
  void setSampleRate(int32_t hz);
  /// kbps of the bitrate index; 0 for free format, index 15 or an invalid layer.
  int32_t getBitrate() const;
  /// Hz of the sample-rate index; 0 for index 3.
  int32_t getSampleRate() const;
  /// 1, 2 or 2.5.
  float getMpegVersion() const;

  /// Samples per channel in one frame of this layer and version.
  int32_t getSamplesPerFrame() const;
  /// The frames of `dataLength` bytes of audio: data length / frame length for a constant
  /// bitrate, else the Xing frame count; -1 when neither is known.
  int64_t getFrameCount(int64_t dataLength) const;
  /// Play time of `dataLength` bytes of audio in ms; -1 when the frames are unknown, 0 when the
  /// sample rate is.
  int64_t getDurationMillis(int64_t dataLength) const;
  /// The same in whole seconds, at most INT32_MAX.
  int32_t getDurationSeconds(int64_t dataLength) const;

  int64_t getPosition() const { return m_position; }
  bool isLowSamplingFrequency() const { return m_lsf; }
  bool isMpeg25() const { return m_mpeg25; }
  int32_t getLayer() const { return m_layer; }
  bool isProtected() const { return m_protected; }
  int32_t getSampleRateIndex() const { return m_sampleRateIndex; }
  int32_t getBitrateIndex() const { return m_bitrateIndex; }
  bool hasPadding() const { return m_padding; }
  int32_t getPrivateBit() const { return m_privateBit; }
  int32_t getChannelMode() const { return m_channelMode; }
  void setChannelMode(int32_t mode) { m_channelMode = mode; }
  bool isMono() const { return m_channelMode == kModeMono; }
  int32_t getModeExtension() const { return m_modeExtension; }
  bool isCopyright() const { return m_copyright; }
  bool isOriginal() const { return m_original; }
  int32_t getEmphasis() const { return m_emphasis; }
  int32_t getFrameLength() const { return m_frameLength; }
  bool isVbr() const { return m_vbr; }
  int32_t getXingFlags() const { return m_xingFlags; }
  int32_t getXingFrames() const { return m_xingFrames; }
  int32_t getXingBytes() const { return m_xingBytes; }
  int32_t getXingQuality() const { return m_xingQuality; }
  /// The Xing seek table, 100 bytes.
  const uint8_t* getTableOfContents() const { return m_toc; }

 private:
  /// Fills the header fields and the frame length from the four header bytes, first byte most
  /// significant; false without the frame sync or with the reserved version.
  bool decode(uint32_t header);
  /// Reads the Xing data of a Layer III frame whose header starts at the header's position.
  void readXing(io::IInputStream* stream);

  int64_t m_position;
  bool m_lsf;
  bool m_mpeg25;
  int32_t m_layer;
  bool m_protected;
  int32_t m_sampleRateIndex;
  int32_t m_bitrateIndex;
  bool m_padding;
  int32_t m_privateBit;
  int32_t m_channelMode;
  int32_t m_modeExtension;
  bool m_copyright;
  bool m_original;
  int32_t m_emphasis;
  int32_t m_frameLength;
  bool m_vbr;
  int32_t m_xingFlags;
  int32_t m_xingFrames;
  int32_t m_xingBytes;
  int32_t m_xingQuality;
  uint8_t m_toc[100];
};

}  // namespace s::sound::mp3
