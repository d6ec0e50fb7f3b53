// The interface of an audio file reader or writer.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <winnt.h>

#include <cstdint>

namespace s::io {
class IInputStream;
class IOutputStream;
}  // namespace s::io

namespace s::sound {

class IFilter;
class IInfo;

/// One audio file read as PCM or written from PCM: a reader has an input stream attached, a writer
/// an output stream. Every implementation embeds an effect chain (s::sound::Effect) that filters
/// the PCM a reader returns or a writer writes, once a filter has been added.
///
/// Road of a conversion: the reader gets the source size (`setFileSize`) and speed factor, then its
/// input (`setInputStream` parses the header); the writer gets its output and the effect's filter;
/// `read` on the reader and `writeBlock` on the writer in blocks, with the reader's output rate,
/// channels and width as the block format; `close` on both.
///
/// Units: PCM lengths and positions are bytes; rates are Hz; a speed factor relabels the rate
/// (1.0 keeps it). Failures answer false or empty values and never throw.
///
/// Threads: `read` and `seekPercent` lock the object, so one thread may read while another seeks;
/// a writer is used by one thread.
class IEncodedAudio : public base::IObject, public virtual thread::IPoolable {
 public:
  /// The interface's own class name text; every implementation answers its own.
  const WCHAR* getClassName() const override { return u"s_sound_IEncodedAudio"; }
  /// A change marks the header dirty.
  virtual void setSampleRate(int32_t hz) = 0;
  virtual int32_t getSampleRate() = 0;
  /// Two channels when true, else one; a change marks the header dirty.
  virtual void setStereo(bool stereo) = 0;
  virtual bool isStereo() = 0;
  /// 8 or 16; a change marks the header dirty.
  virtual void setBitsPerSample(int32_t bits) = 0;
  virtual int32_t getBitsPerSample() = 0;
  /// The size of the input file in bytes, -1 when unknown.
  virtual int64_t getFileSize() = 0;
  /// Set before the input stream is attached.
  virtual void setFileSize(int64_t size) = 0;
  /// Bytes of PCM that the file holds.
  virtual int32_t getPcmLength() = 0;
  /// Moves the input to `percent` of the PCM and reports the PCM byte position reached.
  virtual void seekPercent(float percent, int64_t* pcmPosition) = 0;
  /// The format of the PCM that `read` returns.
  virtual int32_t getPcmSampleRate() = 0;
  /// The rate with which that PCM is to be written: the PCM rate relabelled by the speed factor.
  virtual int32_t getOutputSampleRate() = 0;
  /// 1.0 after reset.
  virtual void setSpeedFactor(float factor) = 0;
  virtual bool isPcmStereo() = 0;
  virtual int32_t getPcmBitsPerSample() = 0;
  /// Reads the next block of PCM into `buffer`, filtered by the embedded effect; `*count`
  /// receives the bytes. False at the end, on an error or without input.
  virtual bool read(void* buffer, uint32_t capacity, uint32_t* count) = 0;
  /// `writeBlock`, reporting `count` in `*written` when it succeeded (0 otherwise). False without
  /// output or on an error.
  virtual bool write(const void* data, uint32_t count, uint32_t* written, int32_t rate, bool stereo,
                     int32_t bits) {
    const bool ok = writeBlock(data, count, rate, stereo, bits);
    if (written != nullptr) {
      *written = ok ? count : 0;
    }
    return ok;
  }
  /// Writes a block of PCM; the first block fixes the file's format. False without output or on an
  /// error.
  virtual bool writeBlock(const void* data, uint32_t count, int32_t rate, bool stereo,
                          int32_t bits) = 0;
  /// Attaches the output; an owned stream is disposed of by `close`.
  virtual void setOutputStream(io::IOutputStream* stream, bool owned) = 0;
  virtual io::IOutputStream* getOutputStream() = 0;
  /// Attaches the input (owned: disposed of by `close`) and reads the header at once.
  virtual void setInputStream(io::IInputStream* stream, bool owned) = 0;
  virtual io::IInputStream* getInputStream() = 0;
  /// Finishes the file (the header gets its final sizes) and lets go of the streams. False when
  /// the output could not be finished: the file is then incomplete, not converted.
  virtual bool close() = 0;
  /// The same as `release`.
  virtual void releaseToPool() = 0;
  virtual void readHeader() = 0;
  virtual void writeHeader() = 0;
  /// The format or length changed since the header was last written.
  virtual bool isHeaderDirty() = 0;
  /// The embedded effect holds at least one added filter.
  virtual bool hasFilters() = 0;
  /// Appends a filter to the embedded effect, which owns it from now on.
  virtual void addFilter(IFilter* filter) = 0;
  /// A song-information record of the matching kind filled from this file (the caller releases
  /// it), with `path` as its file path when given; null when none can be made.
  virtual IInfo* createInfo(const WCHAR* path) = 0;
  /// Writes this file's properties into `info`.
  virtual void fillInfo(IInfo* info) = 0;
  /// Play time in whole seconds.
  virtual int32_t getDurationSeconds() = 0;
  /// Play time in milliseconds.
  virtual int32_t getDurationMillis() = 0;
};

}  // namespace s::sound
