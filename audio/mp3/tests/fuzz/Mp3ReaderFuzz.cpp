// Fuzz target of the MP3 reader (libFuzzer), opened from the bytes in memory as a conversion
// opens a file: the tag and frame walk, the first frame's Xing data, the measurements, decoding
// of every block, and seeks with decoding on from there.
//
// Contract checked (an answer that breaks it aborts):
// - Without a first frame the reader reports nothing: PCM length, duration, frame count and
//   bitrate -1, and `read` false at once.
// - A first frame lies inside the input and is a valid header; the audio data is no longer than
//   the input.
// - Measurements agree with each other: PCM length = frames x channels x samples per frame x 2
//   (at most INT32_MAX), durations not negative when the frames are known.
// - `read` never hands out more than asked, nor an odd number of bytes of 16-bit samples unless
//   fewer than 5 were asked for (those are handed out as asked).
// - Seeks report a multiple of 4 no greater than the PCM that the frames stand for.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "audio/mp3/win/Mp3.h"
#include "core/col/array/ArrayU08.h"
#include "core/io/IInputStream.h"
#include "testlib/FuzzContract.h"

using s::col::_array::ArrayU08;
using s::sound::mp3::win::Mp3;

namespace {

// Decodes to the end (or a bound that keeps a run short) in blocks of `capacity`.
void readRest(Mp3* reader, uint32_t capacity) {
  uint8_t block[4096];
  uint32_t got = 0;
  for (int blocks = 0; blocks < 4096 && reader->read(block, capacity, &got); ++blocks) {
    FUZZ_CHECK(got != 0 && got <= capacity && (capacity < 5 || got % 2 == 0));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 18) {
    return 0;
  }
  ArrayU08* file = ArrayU08::take();
  file->clear();
  file->add(data, static_cast<uint32_t>(size));
  file->rewind();
  Mp3* reader = Mp3::take();
  reader->setFileSize(static_cast<int64_t>(size));
  reader->setInputStream(static_cast<s::io::IInputStream*>(file), false);

  const int32_t frames = reader->getFrameCount();
  const int32_t pcmLength = reader->getPcmLength();
  if (!reader->hasFrames()) {
    uint8_t block[16];
    FUZZ_CHECK(pcmLength == -1 && reader->getDurationMillis() == -1 && frames == -1 &&
               reader->getBitrate() == -1);
    FUZZ_CHECK(!reader->read(block, sizeof block, nullptr));
  } else {
    const s::sound::mp3::FrameHeader& first = reader->getHeader();
    FUZZ_CHECK(first.isValid() && first.getPosition() >= 0 &&
               first.getPosition() + 4 <= static_cast<int64_t>(size));
    // The data length counts what lies before the first frame when no tag explains it.
    FUZZ_CHECK(reader->getDataLength() >= 0 &&
               reader->getDataLength() <= static_cast<int64_t>(size));
    // The PCM the frames stand for, which the length the interface carries stops at INT32_MAX.
    const int64_t allFrames = first.getFrameCount(reader->getDataLength());
    const int64_t pcmBytes = std::max<int64_t>(allFrames, 0) * (reader->isStereo() ? 2 : 1) *
                             first.getSamplesPerFrame() * 2;
    if (frames >= 0) {
      FUZZ_CHECK(allFrames >= frames);
      FUZZ_CHECK(pcmLength == std::min<int64_t>(pcmBytes, std::numeric_limits<int32_t>::max()));
      FUZZ_CHECK(reader->getDurationMillis() >= 0 && reader->getDurationSeconds() >= 0);
    } else {
      FUZZ_CHECK(pcmLength == -1);
    }
    readRest(reader, 4096);
    const float percents[] = {0.0f, 50.0f, 100.0f, 170.0f};
    for (float percent : percents) {
      int64_t position = -1;
      reader->seekPercent(percent, &position);
      FUZZ_CHECK(position >= 0 && position % 4 == 0 && position <= pcmBytes);
      readRest(reader, size % 2 == 0 ? 4093 : 3);
    }
  }
  reader->release();
  file->release();
  return 0;
}
