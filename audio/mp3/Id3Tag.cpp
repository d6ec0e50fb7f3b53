// Tag signatures and the extent of an ID3v2 tag.
#include "audio/mp3/Id3Tag.h"

#include "core/io/IInputStream.h"
#include "core/io/Io.h"

#include <cstring>

namespace s::sound::mp3 {

int64_t Id3Tag::readId3v2End(io::IInputStream* stream) const {
  uint8_t header[10];
  if (m_kind != kId3v2 || stream == nullptr || !stream->seek(m_position) ||
      !io::readFully(stream, header, sizeof header)) {
    return -1;
  }
  const int64_t length = id3v2Length(header);
  return length < 0 ? -1 : m_position + length;
}

int64_t Id3Tag::id3v2Length(const uint8_t header[10]) {
  if (std::memcmp(header, "ID3", 3) != 0) {
    return -1;
  }
  // Version bytes of 0xFF and size bytes with the top bit set never occur in a tag: such a header
  // is not one, and its size means nothing.
  if (header[3] == 0xFF || header[4] == 0xFF ||
      ((header[6] | header[7] | header[8] | header[9]) & 0x80) != 0) {
    return -1;
  }
  const int64_t body =
      static_cast<int64_t>(header[6]) << 21 | header[7] << 14 | header[8] << 7 | header[9];
  const bool footer = (header[5] & 0x10) != 0;
  return 10 + body + (footer ? 10 : 0);
}

bool readTagSignature(Id3Tag* tag, io::IInputStream* stream) {
  if (tag == nullptr || stream == nullptr) {
    return false;
  }
  tag->setPosition(stream->getPosition());
  tag->setKind(Id3Tag::kNone);
  char signature[3];
  if (!io::readFully(stream, signature, sizeof signature)) {
    return false;
  }
  if (std::memcmp(signature, "TAG", 3) == 0) {
    tag->setKind(Id3Tag::kId3v1);
  } else if (std::memcmp(signature, "ID3", 3) == 0) {
    tag->setKind(Id3Tag::kId3v2);
  } else {
    return false;
  }
  return true;
}

bool detectTag(io::IInputStream* stream, int64_t fileSize, Id3Tag* tag) {
  if (stream == nullptr) {
    return false;
  }
  Id3Tag* found = tag != nullptr ? tag : Id3Tag::take();
  if (found == nullptr) {
    return false;
  }
  bool ok = readTagSignature(found, stream) && found->getKind() == Id3Tag::kId3v2;
  if (!ok && fileSize > 128 && stream->seek(fileSize - 128)) {
    ok = readTagSignature(found, stream) && found->getKind() == Id3Tag::kId3v1;
  }
  if (!ok) {
    found->reset();
  }
  if (tag == nullptr) {
    found->release();
  }
  return ok;
}

}  // namespace s::sound::mp3
