// Layout detection, the compressed-frame guard and the safe write-back of MP3 tags.
#include "audio/mp3/TagFile.h"

#include "core/file/win/FileOutputStream.h"
#include "core/io/Io.h"

#include <windows.h>
#include <crtfile.h>

#include <id3tag.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace s::sound::mp3 {

namespace {

constexpr int64_t kId3v1Length = 128;
constexpr size_t kCopyBuffer = 102400;
// More than any real cover picture; a larger declared total is an attack on the parser.
constexpr uint64_t kMaxCompressed = 16u << 20;

uint32_t syncsafe(const uint8_t* p) {
  return (uint32_t{p[0]} << 21) | (uint32_t{p[1]} << 14) | (uint32_t{p[2]} << 7) | p[3];
}
uint32_t plain32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool readAt(int fd, int64_t at, void* buffer, size_t count) {
  if (_lseeki64(fd, at, SEEK_SET) != at) return false;
  auto* to = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    const int got = _read(fd, to + done, static_cast<unsigned>(count - done));
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

bool writeAt(int fd, int64_t at, const void* buffer, size_t count) {
  return _lseeki64(fd, at, SEEK_SET) == at &&
         _write(fd, buffer, static_cast<unsigned>(count)) == static_cast<int>(count);
}

// Undoes unsynchronisation: every FF 00 becomes FF.
std::vector<uint8_t> resynchronised(const uint8_t* bytes, size_t length) {
  std::vector<uint8_t> plain;
  plain.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    plain.push_back(bytes[i]);
    if (bytes[i] == 0xFF && i + 1 < length && bytes[i + 1] == 0) ++i;
  }
  return plain;
}

// The body of a v2.2 "PIC" frame: encoding, three-letter image format, picture type, description
// ended by one NUL (two for UTF-16), picture data.
struct V22Picture {
  uint8_t encoding = 0;
  std::string format;
  uint8_t type = 0;
  std::vector<id3_ucs4_t> description;  // NUL-terminated
  std::vector<uint8_t> data;
};

bool parseV22Picture(const uint8_t* p, size_t length, V22Picture& out) {
  if (length < 5) return false;
  out.encoding = p[0];
  out.format.assign(reinterpret_cast<const char*>(p + 1), 3);
  out.type = p[4];
  size_t at = 5;
  out.description.clear();
  if (out.encoding == 1) {
    // UTF-16 with an optional byte-order mark; big-endian without one.
    bool little = false;
    size_t end = at;
    while (end + 1 < length && (p[end] | p[end + 1]) != 0) end += 2;
    if (end + 1 >= length) return false;
    if (end >= at + 2 &&
        ((p[at] == 0xFF && p[at + 1] == 0xFE) || (p[at] == 0xFE && p[at + 1] == 0xFF))) {
      little = p[at] == 0xFF;
      at += 2;
    }
    for (; at < end; at += 2) {
      uint32_t unit = little ? (p[at] | (p[at + 1] << 8)) : ((p[at] << 8) | p[at + 1]);
      if (unit >= 0xD800 && unit < 0xDC00 && at + 3 < end) {
        const uint32_t low =
            little ? (p[at + 2] | (p[at + 3] << 8)) : ((p[at + 2] << 8) | p[at + 3]);
        if (low >= 0xDC00 && low < 0xE000) {
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          at += 2;
        }
      }
      out.description.push_back(unit);
    }
    at = end + 2;
  } else {
    while (at < length && p[at] != 0) out.description.push_back(p[at++]);
    if (at >= length) return false;
    ++at;
  }
  out.description.push_back(0);
  out.data.assign(p + at, p + length);
  return true;
}

// The parser reads a v2.2 "PIC" frame as an APIC frame whose MIME text starts with the
// three-letter format, which shifts every later field into the picture. Each APIC of a v2.2 tag
// came from a PIC frame, in the same order: it is set up again from the original frame's bytes.
void rebuildV22Pictures(id3_tag* tag, const uint8_t* bytes, size_t length) {
  if (length < 10 || bytes[3] != 2) return;
  std::vector<uint8_t> body(bytes + 10, bytes + length);
  if ((bytes[5] & 0x80) != 0) body = resynchronised(body.data(), body.size());
  unsigned index = 0;
  for (size_t at = 0; at + 6 <= body.size() && body[at] != 0;) {
    const uint8_t* frame = body.data() + at;
    const size_t size = (size_t{frame[3]} << 16) | (size_t{frame[4]} << 8) | frame[5];
    if (at + 6 + size > body.size()) break;
    V22Picture picture;
    if (std::memcmp(frame, "PIC", 3) == 0) {
      id3_frame* apic = id3_tag_findframe(tag, "APIC", index++);
      if (apic == nullptr) break;
      if (apic->nfields >= 5 && parseV22Picture(frame + 6, size, picture)) {
        std::string mime;
        if (picture.format == "JPG") {
          mime = "image/jpeg";
        } else if (picture.format == "PNG") {
          mime = "image/png";
        } else {
          mime = "image/";
          for (char c : picture.format) {
            if (c == 0) break;
            mime.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
          }
        }
        const id3_field_textencoding encoding = picture.encoding == 1
                                                    ? ID3_FIELD_TEXTENCODING_UTF_16
                                                    : ID3_FIELD_TEXTENCODING_ISO_8859_1;
        id3_field_settextencoding(id3_frame_field(apic, 0), encoding);
        id3_field_setlatin1(id3_frame_field(apic, 1),
                            reinterpret_cast<const id3_latin1_t*>(mime.c_str()));
        id3_field_setint(id3_frame_field(apic, 2), picture.type);
        id3_field_setstring(id3_frame_field(apic, 3), picture.description.data());
        id3_field_setbinarydata(id3_frame_field(apic, 4), picture.data.data(), picture.data.size());
      }
    }
    at += 6 + size;
  }
}

}  // namespace

bool declaresTooMuchCompressedData(const uint8_t* tag, size_t length) {
  if (length < 10) return false;
  const int major = tag[3];
  const uint8_t flags = tag[5];
  std::vector<uint8_t> body(tag + 10, tag + length);
  if (major == 3 && (flags & 0x80) != 0) {
    // A v2.3 tag's unsynchronisation covers the whole body, frame headers included.
    body = resynchronised(body.data(), body.size());
  }
  size_t at = 0;
  if ((flags & 0x40) != 0 && body.size() >= 4) {
    at = major == 4 ? syncsafe(body.data()) : plain32(body.data()) + 4;
  }
  if (major < 3) return false;  // v2.2 has no compressed frames
  uint64_t total = 0;
  while (at + 10 <= body.size() && body[at] != 0) {
    const uint8_t* frame = body.data() + at;
    const uint32_t size = major == 4 ? syncsafe(frame + 4) : plain32(frame + 4);
    const bool compressed = major == 4 ? (frame[9] & 0x08) != 0 : (frame[9] & 0x80) != 0;
    if (compressed) {
      if (at + 14 > body.size()) return false;
      // v2.3 puts the inflated size first; v2.4 gives it as the data length indicator.
      total += major == 4 ? syncsafe(frame + 10) : plain32(frame + 10);
      if (total > kMaxCompressed) return true;
    }
    at += 10 + static_cast<size_t>(size);
  }
  return false;
}

bool TagFile::open(const WCHAR* path, bool writable) {
  close();
  if (path == nullptr) return false;
  // A read-only file is refused for writing, also where the system would let the user open it.
  if (writable && _waccess(path, _A_WRITE) != 0) return false;
  int fd = -1;
  const int flags = (writable ? _O_RDWR : _O_RDONLY) | _O_BINARY;
  if (_wsopen_s(&fd, path, flags, writable ? _SH_DENYWR : _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) {
    return false;
  }
  m_fd = fd;
  m_writable = writable;
  m_path = path;
  if (!searchTags()) {
    close();
    return false;
  }
  return true;
}

void TagFile::close() {
  if (m_tag != nullptr) {
    id3_tag_delete(m_tag);
    m_tag = nullptr;
  }
  if (m_fd >= 0) {
    _close(m_fd);
    m_fd = -1;
  }
  m_tags.clear();
  m_hasId3v1 = m_hasId3v2 = false;
}

bool TagFile::searchTags() {
  if (m_tag != nullptr) {
    id3_tag_delete(m_tag);
    m_tag = nullptr;
  }
  m_tags.clear();
  m_hasId3v1 = m_hasId3v2 = false;
  const int64_t size = _filelengthi64(m_fd);
  if (size < 0) return false;
  std::vector<uint8_t> v2;
  uint8_t header[10];
  if (size >= 10 && readAt(m_fd, 0, header, sizeof header) && std::memcmp(header, "ID3", 3) == 0 &&
      header[3] >= 2 && header[3] <= 4 && header[4] != 0xFF &&
      (header[6] | header[7] | header[8] | header[9]) < 0x80) {
    const int64_t length = 10 + int64_t{syncsafe(header + 6)} + ((header[5] & 0x10) != 0 ? 10 : 0);
    if (length > size) return false;  // its size runs past the end of the file
    v2.resize(static_cast<size_t>(length));
    if (!readAt(m_fd, 0, v2.data(), v2.size())) return false;
    if (declaresTooMuchCompressedData(v2.data(), v2.size())) return false;
    m_tags.push_back({0, length});
    m_hasId3v2 = true;
  }
  uint8_t v1[kId3v1Length];
  if (size >= kId3v1Length + (m_hasId3v2 ? m_tags.front().length : 0) &&
      readAt(m_fd, size - kId3v1Length, v1, sizeof v1) && std::memcmp(v1, "TAG", 3) == 0) {
    m_tags.push_back({size - kId3v1Length, kId3v1Length});
    m_hasId3v1 = true;
  }
  // An ID3v2 tag anywhere else is appended, with a footer ("3DI") before the end or the ID3v1
  // tag: a layout this file's writer does not handle.
  const int64_t end = size - (m_hasId3v1 ? kId3v1Length : 0);
  uint8_t footer[10];
  if (end >= 10 + (m_hasId3v2 ? m_tags.front().length : 0) &&
      readAt(m_fd, end - 10, footer, sizeof footer) && std::memcmp(footer, "3DI", 3) == 0) {
    return false;
  }
  if (m_hasId3v2) {
    m_tag = id3_tag_parse(v2.data(), v2.size());
    if (m_tag == nullptr) return false;
    rebuildV22Pictures(m_tag, v2.data(), v2.size());
  } else if (m_hasId3v1) {
    m_tag = id3_tag_parse(v1, sizeof v1);
    if (m_tag == nullptr) return false;
  } else if (m_writable) {
    m_tag = id3_tag_new();
    if (m_tag == nullptr) return false;
  }
  return true;
}

std::vector<uint8_t> TagFile::renderId3v1() const {
  std::vector<uint8_t> bytes(kId3v1Length);
  id3_tag_options(m_tag, ID3_TAG_OPTION_ID3V1, ID3_TAG_OPTION_ID3V1);
  const id3_length_t length = id3_tag_render(m_tag, bytes.data());
  id3_tag_options(m_tag, ID3_TAG_OPTION_ID3V1, 0);
  if (length != kId3v1Length) bytes.clear();
  return bytes;
}

namespace {

// Frames without a v2.4 form (RVAD, EQUA, TSIZ, TRDA, ...) are held by the parser under "ZOBS" with
// their original identifier and data, and its renderer leaves them out. They go back under their
// own identifier, data unchanged; TYER, TDAT and TIME are already held by TDRC. A v2.2 frame with
// no four-letter identifier has no place in a v2.4 tag and stays out.
bool restoreObsoleteFrames(id3_tag* tag) {
  while (id3_frame* obsolete = id3_tag_findframe(tag, "ZOBS", 0)) {
    const char* id = id3_field_getframeid(id3_frame_field(obsolete, 0));
    id3_length_t length = 0;
    const id3_byte_t* data = id3_field_getbinarydata(id3_frame_field(obsolete, 1), &length);
    const bool keep = id != nullptr && std::strlen(id) == 4 && std::strcmp(id, "TYER") != 0 &&
                      std::strcmp(id, "TDAT") != 0 && std::strcmp(id, "TIME") != 0;
    id3_frame* frame = keep ? id3_frame_new(id) : nullptr;
    bool filled = false;
    if (frame != nullptr &&
        id3_field_type(id3_frame_field(frame, 0)) == ID3_FIELD_TYPE_BINARYDATA) {
      filled = id3_field_setbinarydata(id3_frame_field(frame, 0), data, length) == 0;
    } else if (frame != nullptr && frame->nfields >= 2 && length >= 1 &&
               id3_field_type(id3_frame_field(frame, 0)) == ID3_FIELD_TYPE_TEXTENCODING &&
               (data[0] == ID3_FIELD_TEXTENCODING_ISO_8859_1 ||
                data[0] == ID3_FIELD_TEXTENCODING_UTF_8)) {
      // An obsolete text frame: the parser makes it a text frame again, so its text is set anew.
      std::vector<uint8_t> text(data + 1, data + length);
      text.push_back(0);
      id3_ucs4_t* string =
          data[0] == ID3_FIELD_TEXTENCODING_UTF_8
              ? id3_utf8_ucs4duplicate(reinterpret_cast<const id3_utf8_t*>(text.data()))
              : id3_latin1_ucs4duplicate(text.data());
      filled = string != nullptr &&
               id3_field_settextencoding(id3_frame_field(frame, 0),
                                         static_cast<id3_field_textencoding>(data[0])) == 0 &&
               id3_field_setstrings(id3_frame_field(frame, 1), 1, &string) == 0;
      std::free(string);
    }
    // Frames the parser does not know are marked to be dropped when the tag changes; these are
    // kept on purpose, with their data as it stands.
    if (frame != nullptr) {
      frame->flags &= ~(ID3_FRAME_FLAG_TAGALTERPRESERVATION | ID3_FRAME_FLAG_FILEALTERPRESERVATION);
    }
    // A frame that cannot be set up again (a UTF-16 obsolete text frame) is left out.
    if (frame != nullptr && !(filled && id3_tag_attachframe(tag, frame) == 0)) {
      id3_frame_delete(frame);
    }
    id3_tag_detachframe(tag, obsolete);
    id3_frame_delete(obsolete);
  }
  return true;
}

}  // namespace

bool TagFile::update() {
  if (m_fd < 0 || m_tag == nullptr || !m_writable) return false;
  if (!restoreObsoleteFrames(m_tag)) return false;
  // Many players read no compressed frame, and the CRC's extended header would make a tag that
  // fits its padding too long; the ID3v1 tag is rendered on its own.
  id3_tag_options(m_tag,
                  ID3_TAG_OPTION_CRC | ID3_TAG_OPTION_COMPRESSION |
                      ID3_TAG_OPTION_UNSYNCHRONISATION | ID3_TAG_OPTION_ID3V1 |
                      ID3_TAG_OPTION_APPENDEDTAG,
                  0);
  const TagArea area = getId3v2Area();
  id3_tag_setlength(m_tag, static_cast<id3_length_t>(area.length));
  const id3_length_t length = id3_tag_render(m_tag, nullptr);
  std::vector<uint8_t> bytes(length);
  if (length > 0 && id3_tag_render(m_tag, bytes.data()) != length) return false;
  if (length == 0) {
    // A tag left without frames: the old area goes, and a file that had none stays as it is.
    if (!m_hasId3v2) return true;
    return rewriteThroughTemporaryFile(nullptr, 0, area.location, area.length) == 0;
  }
  if (m_hasId3v2 && static_cast<int64_t>(length) == area.length) {
    if (!writeAt(m_fd, area.location, bytes.data(), bytes.size())) return false;
    if (m_hasId3v1) {
      const std::vector<uint8_t> v1 = renderId3v1();
      const int64_t size = _filelengthi64(m_fd);
      if (v1.empty() || size < kId3v1Length ||
          !writeAt(m_fd, size - kId3v1Length, v1.data(), v1.size())) {
        return false;
      }
    }
    return _commit(m_fd) == 0;
  }
  return rewriteId3v2Tag(this, bytes.data(), static_cast<int64_t>(bytes.size())) == 0;
}

int TagFile::rewriteThroughTemporaryFile(const uint8_t* bytes, int64_t length, int64_t location,
                                         int64_t oldLength) {
  const int64_t size = _filelengthi64(m_fd);
  if (size < 0 || location < 0 || location + oldLength > size) return -1;
  std::vector<uint8_t> v1;
  if (m_hasId3v1) {
    v1 = renderId3v1();
    if (v1.empty()) return -1;
  }
  const int64_t audioEnd = size - (m_hasId3v1 ? kId3v1Length : 0);
  const size_t slash = m_path.find_last_of(u"\\/");
  const std::u16string folder = slash == std::u16string::npos ? u"" : m_path.substr(0, slash + 1);
  const std::u16string name = slash == std::u16string::npos ? m_path : m_path.substr(slash + 1);
  // The new file has no name until it is whole, so a failure or a killed process leaves nothing
  // beside the original; whole, it takes a hidden name there and replaces the original in one
  // step.
  file::win::FileOutputStream* out = file::win::FileOutputStream::take();
  if (out == nullptr) return -1;
  std::u16string temporary;
  bool ok = false;
  for (int attempt = 0; attempt < 100 && !ok; ++attempt) {
    temporary = folder + u"." + name;
    if (attempt > 0) {
      for (char c : std::to_string(attempt)) temporary += static_cast<char16_t>(c);
    }
    temporary += u".new";
    ok = out->openNew(temporary.c_str());
    if (!ok && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  std::vector<uint8_t> buffer(kCopyBuffer);
  auto copy = [&](int64_t from, int64_t to) {
    for (int64_t at = from; ok && at < to;) {
      const size_t chunk = static_cast<size_t>(std::min<int64_t>(to - at, kCopyBuffer));
      ok = readAt(m_fd, at, buffer.data(), chunk) &&
           io::writeFully(out, buffer.data(), static_cast<uint32_t>(chunk));
      at += static_cast<int64_t>(chunk);
    }
  };
  if (ok) copy(0, location);
  if (ok && length > 0) ok = io::writeFully(out, bytes, static_cast<uint32_t>(length));
  if (ok) copy(location + oldLength, audioEnd);
  if (ok && !v1.empty()) ok = io::writeFully(out, v1.data(), static_cast<uint32_t>(v1.size()));
  // Unpublished, the file goes with the stream.
  const bool named = ok && out->publish(false);
  out->dispose();
  ok = named && ReplaceFileW(m_path.c_str(), temporary.c_str(), nullptr, REPLACEFILE_WRITE_THROUGH,
                             nullptr, nullptr) != FALSE;
  if (!ok) {
    if (named) DeleteFileW(temporary.c_str());
    return -1;
  }
  // The descriptor still names the replaced file: open the new one and search it again.
  _close(m_fd);
  m_fd = -1;
  int fd = -1;
  if (_wsopen_s(&fd, m_path.c_str(), _O_RDWR | _O_BINARY, _SH_DENYWR, _S_IREAD | _S_IWRITE) != 0) {
    return -1;
  }
  m_fd = fd;
  // The tag in memory stays the one written; only the layout is found again.
  id3_tag* kept = m_tag;
  m_tag = nullptr;
  const bool found = searchTags();
  if (m_tag != nullptr) id3_tag_delete(m_tag);
  m_tag = kept;
  return found ? 0 : -1;
}

int rewriteId3v2Tag(TagFile* file, const uint8_t* bytes, int64_t length) {
  if (file == nullptr || bytes == nullptr || length <= 0) return -1;
  if (!file->m_hasId3v2) {
    // No tag, or only an ID3v1 tag: insert at the start, whatever the length.
    return file->rewriteThroughTemporaryFile(bytes, length, 0, 0);
  }
  const TagArea area = file->getId3v2Area();
  if (length == area.length) return -1;  // written in place
  return resizeTagArea(file, bytes, length, area.location, area.length);
}

int resizeTagArea(TagFile* file, const uint8_t* bytes, int64_t newLength, int64_t location,
                  int64_t oldLength) {
  if (file == nullptr || bytes == nullptr || newLength - oldLength <= 0) return -1;
  return file->rewriteThroughTemporaryFile(bytes, newLength, location, oldLength);
}

}  // namespace s::sound::mp3
