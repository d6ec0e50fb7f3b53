// An MP3 file's tags as the song information reads and writes them: the layout found in the
// file, the parsed primary tag, and the write-back that never moves bytes inside the file.
#pragma once

#include <winnt.h>

#include <cstdint>
#include <string>
#include <vector>

struct id3_tag;

namespace s::sound::mp3 {

/// Where a tag lies in the file.
struct TagArea {
  int64_t location = 0;
  int64_t length = 0;
};

/// Whether a tag's compressed frames declare more than 16 MiB in all (or its frame walk runs
/// off its end while they do): such a tag is refused before the parser sees it, since the parser
/// allocates each declared size before it inflates anything. `tag` is the whole ID3v2 tag,
/// header included.
bool declaresTooMuchCompressedData(const uint8_t* tag, size_t length);

/// The open file: its descriptor (the C run-time's, opened by `open`), its path, the tags found
/// (the ID3v2 tag first when there is one), whether it ends in an ID3v1 tag, and the primary tag
/// parsed from the ID3v2 tag, else from the ID3v1 tag, else a new empty tag when opened for
/// writing. Owns the tag and the descriptor; `close` gives both back. One thread at a time.
class TagFile {
 public:
  TagFile() = default;
  ~TagFile() { close(); }
  TagFile(const TagFile&) = delete;
  TagFile& operator=(const TagFile&) = delete;

  /// Opens `path` (read-only, or read-write denying write to others) and finds its layout.
  /// False, with nothing left open, when the file cannot be opened, an ID3v2 header's size runs
  /// past the end, the tag cannot be parsed, its compressed frames declare too much, or an ID3v2
  /// tag lies anywhere but at offset 0 (an appended tag).
  bool open(const WCHAR* path, bool writable);
  void close();

  int getDescriptor() const { return m_fd; }
  const std::u16string& getPath() const { return m_path; }
  id3_tag* getTag() const { return m_tag; }
  const std::vector<TagArea>& getTags() const { return m_tags; }
  bool hasId3v1() const { return m_hasId3v1; }
  bool hasId3v2() const { return m_hasId3v2; }
  /// The area of the ID3v2 tag at offset 0 (length 0 without one).
  TagArea getId3v2Area() const { return m_hasId3v2 ? m_tags.front() : TagArea{}; }

  /// Renders the primary tag and writes it back (see the source for the cases). False, with the
  /// file unchanged, when any step fails.
  bool update();

  /// Finds the layout again on the current descriptor (after a replace, on the new file).
  bool searchTags();

 private:
  friend int rewriteId3v2Tag(TagFile*, const uint8_t*, int64_t);
  friend int resizeTagArea(TagFile*, const uint8_t*, int64_t, int64_t, int64_t);
  /// Writes the file anew through a temporary file in its folder: the bytes before `location`,
  /// `bytes`, the bytes after the old area up to the ID3v1 tag, and the ID3v1 tag rendered anew;
  /// then replaces the file with it and opens the new file. 0, or -1 with the file unchanged.
  int rewriteThroughTemporaryFile(const uint8_t* bytes, int64_t length, int64_t location,
                                  int64_t oldLength);
  /// The primary tag rendered as the 128-byte ID3v1 tag.
  std::vector<uint8_t> renderId3v1() const;

  int m_fd = -1;
  bool m_writable = false;
  std::u16string m_path;
  id3_tag* m_tag = nullptr;
  std::vector<TagArea> m_tags;
  bool m_hasId3v1 = false;
  bool m_hasId3v2 = false;
};

/// Places a rendered ID3v2 tag whose length differs from the file's tag area: inserted at
/// offset 0 in a file without an ID3v2 tag (also one with only an ID3v1 tag, whatever the
/// length), or put in place of a shorter tag at its location. The tags are searched again
/// afterwards. 0 on success; -1 without bytes, for an equal length over an ID3v2 tag (which is
/// written in place), or when the write fails.
int rewriteId3v2Tag(TagFile* file, const uint8_t* bytes, int64_t length);
/// Makes room for a tag of `newLength` bytes at `location` in place of `oldLength` bytes and
/// writes it, through a temporary file that replaces the original: bytes are never moved inside
/// the file, so a failure leaves it as it was. A growth of 0 or less is refused. 0 or -1.
int resizeTagArea(TagFile* file, const uint8_t* bytes, int64_t newLength, int64_t location,
                  int64_t oldLength);

}  // namespace s::sound::mp3
