// Fuzz target of the tag search of MP3 files (libFuzzer): detectTag and the extent of an ID3v2
// tag over the bytes in memory.
//
// Contract checked (an answer that breaks it aborts):
// - An ID3v2 tag is reported only where the input begins with "ID3", an ID3v1 tag only where
//   the last 128 bytes begin with "TAG" (and no "ID3" leads); nothing found means kind none at
//   position 0, and an input with either signature is never missed.
// - The end of an ID3v2 tag is -1 or at least 10 bytes after its start; it is -1 for any other
//   kind.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/mp3/Id3Tag.h"
#include "core/col/array/ArrayU08.h"
#include "core/io/IInputStream.h"
#include "testlib/FuzzContract.h"

using s::col::_array::ArrayU08;
using s::sound::mp3::Id3Tag;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) {
    return 0;
  }
  ArrayU08* file = ArrayU08::take();
  file->clear();
  file->add(data, static_cast<uint32_t>(size));
  file->rewind();
  auto* stream = static_cast<s::io::IInputStream*>(file);
  const bool leading = size >= 3 && std::memcmp(data, "ID3", 3) == 0;
  const bool trailing = size > 128 && std::memcmp(data + size - 128, "TAG", 3) == 0;

  Id3Tag* tag = Id3Tag::take();
  const bool found = s::sound::mp3::detectTag(stream, static_cast<int64_t>(size), tag);
  FUZZ_CHECK(found == (leading || trailing));
  if (leading) {
    FUZZ_CHECK(tag->getKind() == Id3Tag::kId3v2 && tag->getPosition() == 0);
  } else if (trailing) {
    FUZZ_CHECK(tag->getKind() == Id3Tag::kId3v1 &&
               tag->getPosition() == static_cast<int64_t>(size) - 128);
  } else {
    FUZZ_CHECK(tag->getKind() == Id3Tag::kNone && tag->getPosition() == 0);
  }
  const int64_t end = tag->readId3v2End(stream);
  FUZZ_CHECK(end == -1 || (tag->getKind() == Id3Tag::kId3v2 && end >= tag->getPosition() + 10));

  // The tag search from anywhere in the stream: a signature at the position, or none.
  const uint32_t from = size > 0 ? data[0] % static_cast<uint32_t>(size) : 0;
  stream->seek(from);
  const bool signature = s::sound::mp3::readTagSignature(tag, stream);
  FUZZ_CHECK(tag->getPosition() == from);
  FUZZ_CHECK(signature == (size - from >= 3 && (std::memcmp(data + from, "TAG", 3) == 0 ||
                                                std::memcmp(data + from, "ID3", 3) == 0)));
  tag->release();
  file->release();
  return 0;
}
