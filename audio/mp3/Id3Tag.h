// Where an MP3 file keeps its tag: the kind and place of an ID3v1 or ID3v2 tag, and how to find it.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::io {
class IInputStream;
}

namespace s::sound::mp3 {

/// The kind and stream position of a tag found in a file. Pooled (`take`, `release`).
class Id3Tag final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Id3Tag, u"s_sound_mp3_Id3Tag")

  static constexpr int32_t kNone = 0;
  static constexpr int32_t kId3v1 = 1;  // "TAG", the last 128 bytes of a file
  static constexpr int32_t kId3v2 = 2;  // "ID3", usually at the start

  Id3Tag() = default;
  void reset() override {
    m_position = 0;
    m_kind = kNone;
  }

  int64_t getPosition() const { return m_position; }
  void setPosition(int64_t position) { m_position = position; }
  int32_t getKind() const { return m_kind; }
  void setKind(int32_t kind) { m_kind = kind; }

  /// For an ID3v2 tag: the stream position just after it (its 10-byte header, the body whose
  /// size the header gives, and the footer when the header announces one), read from the header
  /// at the tag's position. -1 for another kind or a header that cannot be read or is malformed
  /// (size bytes must be below 0x80). The stream position is then not meaningful.
  int64_t readId3v2End(io::IInputStream* stream) const;
  /// The whole length of the ID3v2 tag whose 10-byte header is `header` (header, body and the
  /// footer it announces); -1 when the bytes are no such header (see `readId3v2End`).
  static int64_t id3v2Length(const uint8_t header[10]);

 private:
  int64_t m_position = 0;
  int32_t m_kind = kNone;
};

/// Records the stream position in `tag` with kind none, then reads 3 bytes: "TAG" makes the kind
/// ID3v1, "ID3" ID3v2, and answers true; anything else (or a failed read) false. The bytes stay
/// consumed.
bool readTagSignature(Id3Tag* tag, io::IInputStream* stream);

/// Looks for "ID3" at the stream position, else (when `fileSize` is above 128) for "TAG" 128 bytes
/// before the end, and answers whether one was found; a file with both reports the ID3v2 tag.
/// `tag` (null: one taken from its pool for the call) receives the finding. The stream position
/// is then not meaningful.
bool detectTag(io::IInputStream* stream, int64_t fileSize, Id3Tag* tag);

}  // namespace s::sound::mp3
