// Fuzz target of the WAV reader (libFuzzer), opened from the bytes in memory as a conversion
// opens a file: measured, read block by block, seeked, and written through a filter into a new
// WAV file that is read back.
//
// Contract checked (an answer that breaks it aborts):
// - A refused file (a fault other than none) reports no PCM: length 0, duration 0, `read` false.
// - An accepted file's data starts inside the input and its data size never runs past the input;
//   the PCM length is that size (at most INT32_MAX); the duration is that size over the byte
//   rate; reading from the start hands out exactly the data size, never more than asked.
// - Every seek reports a multiple of 4 inside the data, and reading on from there hands out the
//   rest of the data exactly.
// - The writer, given every block through a volume filter, makes a file that reads back with the
//   same format and the same number of PCM bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "audio/filter/Volume.h"
#include "audio/wav/Wave.h"
#include "core/col/array/ArrayU08.h"
#include "core/io/IInputStream.h"
#include "core/io/IOutputStream.h"
#include "testlib/FuzzContract.h"

using s::col::_array::ArrayU08;
using s::sound::wav::Wave;

namespace {

// Reads `wave` to its end in blocks of `capacity`; answers the bytes handed out.
int64_t readRest(Wave* wave, uint32_t capacity, std::vector<uint8_t>* keep) {
  std::vector<uint8_t> block(capacity);
  int64_t total = 0;
  uint32_t got = 0;
  while (wave->read(block.data(), capacity, &got)) {
    FUZZ_CHECK(got != 0 && got <= capacity);
    total += got;
    if (keep != nullptr) {
      keep->insert(keep->end(), block.begin(), block.begin() + got);
    }
  }
  FUZZ_CHECK(got == 0);
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) {
    return 0;
  }
  ArrayU08* file = ArrayU08::take();
  file->clear();
  file->add(data, static_cast<uint32_t>(size));
  file->rewind();
  Wave* reader = Wave::take();
  reader->setFileSize(static_cast<int64_t>(size));
  reader->setInputStream(static_cast<s::io::IInputStream*>(file), false);

  const int64_t dataLength = reader->getDataLength();
  if (reader->getFault() != Wave::Fault::kNone) {
    uint8_t block[16];
    uint32_t got = 1;
    FUZZ_CHECK(reader->getPcmLength() == 0 && dataLength == 0 && reader->getDurationMillis() == 0);
    FUZZ_CHECK(!reader->read(block, sizeof block, &got) && got == 0);
  } else {
    const int64_t start = reader->getDataStart();
    FUZZ_CHECK(start >= 8 && start <= static_cast<int64_t>(size));
    FUZZ_CHECK(dataLength >= 0 && start + dataLength <= static_cast<int64_t>(size));
    FUZZ_CHECK(reader->getPcmLength() ==
               std::min<int64_t>(dataLength, std::numeric_limits<int32_t>::max()));
    const int32_t rate = reader->getSampleRate();
    const int32_t bits = reader->getBitsPerSample();
    const int32_t channels = reader->isStereo() ? 2 : 1;
    FUZZ_CHECK(rate > 0 && (bits == 8 || bits == 16));
    FUZZ_CHECK(reader->getDurationMillis() ==
               dataLength * 8000 / (int64_t{rate} * bits * channels));
    FUZZ_CHECK(reader->getDurationSeconds() == reader->getDurationMillis() / 1000);

    std::vector<uint8_t> pcm;
    FUZZ_CHECK(readRest(reader, 4096, &pcm) == dataLength);
    const float percents[] = {0.0f, 33.3f, 50.0f, 99.9f, 100.0f, 250.0f, -5.0f};
    for (float percent : percents) {
      int64_t position = -1;
      reader->seekPercent(percent, &position);
      FUZZ_CHECK(position >= 0 && position <= dataLength && position % 4 == 0);
      FUZZ_CHECK(readRest(reader, size % 2 == 0 ? 4097 : 3, nullptr) == dataLength - position);
    }

    ArrayU08* copy = ArrayU08::take();
    copy->clear();
    Wave* writer = Wave::take();
    writer->setOutputStream(static_cast<s::io::IOutputStream*>(copy), false);
    s::sound::filter::Volume* volume = s::sound::filter::Volume::take();
    volume->setPercent(30.0f);
    writer->addFilter(volume);
    for (size_t at = 0; at < pcm.size(); at += 4096) {
      const uint32_t n = static_cast<uint32_t>(std::min<size_t>(4096, pcm.size() - at));
      FUZZ_CHECK(writer->writeBlock(pcm.data() + at, n, reader->getOutputSampleRate(),
                                    reader->isPcmStereo(), reader->getPcmBitsPerSample()));
    }
    FUZZ_CHECK(writer->close());
    writer->release();
    if (!pcm.empty()) {
      copy->rewind();
      Wave* again = Wave::take();
      again->setFileSize(copy->getCount());
      again->setInputStream(static_cast<s::io::IInputStream*>(copy), false);
      FUZZ_CHECK(again->getFault() == Wave::Fault::kNone);
      FUZZ_CHECK(again->getDataLength() == dataLength && again->getSampleRate() == rate &&
                 again->getBitsPerSample() == bits && again->isStereo() == reader->isStereo());
      again->release();
    }
    copy->release();
  }
  reader->release();
  file->release();
  return 0;
}
