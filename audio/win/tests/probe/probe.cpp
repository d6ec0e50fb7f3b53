// Started by the encoder tests from a folder without the encoder library: two writers try to
// encode, and the probe prints what they answered. The load-failure message goes to standard
// error through the window system's message box.
#include "audio/mp3/win/Mp3.h"
#include "audio/win/Mp3Encoder.h"
#include "core/col/array/ArrayU08.h"
#include "core/io/IOutputStream.h"

#include <cstdio>

namespace {

// Writes one block of silence into a fresh writer; prints the block's and close's answers and the
// bytes written.
void tryToWrite(const char* name) {
  auto* file = s::col::_array::ArrayU08::take();
  auto* writer = s::sound::mp3::win::Mp3::take();
  writer->setOutputStream(static_cast<s::io::IOutputStream*>(file), false);
  const int16_t block[2048] = {};
  const bool wrote = writer->writeBlock(block, sizeof block, 44100, true, 16);
  const bool again = writer->writeBlock(block, sizeof block, 44100, true, 16);
  const bool closed = writer->close();
  std::printf("%s: block=%d again=%d close=%d bytes=%u\n", name, wrote, again, closed,
              file->getCount());
  writer->release();
  file->release();
}

}  // namespace

int main() {
  tryToWrite("first");
  tryToWrite("second");
  auto* encoder = s::sound::win::Mp3Encoder::take();
  const bool opened = encoder->open(192, 44100, true, 16, 44100, true);
  uint8_t out[16];
  uint32_t count = 99;
  const uint8_t pcm[4] = {};
  const BE_ERR encoded = encoder->encode(pcm, sizeof pcm, out, sizeof out, &count);
  std::printf("encoder: open=%d encode=%u count=%u loaded=%d\n", opened, encoded, count,
              s::sound::win::loadEncoderLibrary());
  encoder->release();
  std::fflush(stdout);
  return 0;
}
