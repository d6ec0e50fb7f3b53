// The MP3 song-information record: fields read from and written to the ID3 tags.
#include "audio/mp3/win/Info.h"

#include "audio/InfoSupport.h"
#include "core/col/array/ArrayU08.h"
#include "core/file/win/PathWin.h"
#include "core/map/IMappedData.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/system/codepage/CodePage.h"
#include "core/system/codepage/CodePageList.h"
#include "gui/listbox2/Record.h"

#include <id3tag.h>

#include <cstring>
#include <string>
#include <vector>

namespace s::sound::mp3::win {

using col::_array::ArrayU08;
using file::win::PathWin;
using str::strbuffer::StrBuffer;
using system::codepage::CodePage;

namespace {

struct FieldSpec {
  const char* frameId;
  const char16_t* key;
};

// clang-format off
constexpr FieldSpec kFields[Info::kFieldCount] = {
    {"TIT2", u"title"}, {"TPE1", u"artist"}, {"TALB", u"album"}, {"TDRC", u"year"},
    {"TRCK", u"track"}, {"TCON", u"genre"},  {"COMM", u"comment"},
};
// clang-format on
constexpr int32_t kComment = 6;
constexpr int32_t kGenre = 5;
constexpr int32_t kLatin1 = 28591;
constexpr int32_t kUtf8 = 65001;

CodePage* defaultCodePage() { return system::codepage::getOemCodePage(); }

CodePage* codePageNumbered(int32_t number) {
  const col::_array::ArrayP& list = system::codepage::getCodePageList();
  for (uint32_t i = 0; i < list.getCount(); ++i) {
    auto* entry = static_cast<CodePage*>(list.getItems()[i]);
    if (entry->getCodePage() == number) return entry;
  }
  return nullptr;
}

bool isUnicode(const CodePage* codePage) {
  return codePage != nullptr && (codePage == system::codepage::getUtf8CodePage() ||
                                 codePage == system::codepage::getUtf16CodePage() ||
                                 codePage == system::codepage::getUtf16BigEndianCodePage());
}

bool isValidUtf8(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n;) {
    const uint8_t c = p[i];
    size_t extra = 0;
    if (c >= 0x80) {
      if (c >= 0xC2 && c < 0xE0) {
        extra = 1;
      } else if (c >= 0xE0 && c < 0xF0) {
        extra = 2;
      } else if (c >= 0xF0 && c < 0xF5) {
        extra = 3;
      } else {
        return false;
      }
    }
    if (i + extra >= n + (extra == 0 ? 1 : 0) && extra > 0) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if (i + k >= n || (p[i + k] & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// The comment frame the user sees: the first without a description, else the first of all.
id3_frame* findComment(const id3_tag* tag, bool orFirst) {
  id3_frame* first = nullptr;
  for (unsigned i = 0;; ++i) {
    id3_frame* frame = id3_tag_findframe(tag, "COMM", i);
    if (frame == nullptr) break;
    if (first == nullptr) first = frame;
    const id3_ucs4_t* description = id3_field_getstring(id3_frame_field(frame, 2));
    if (description == nullptr || description[0] == 0) return frame;
  }
  return orFirst ? first : nullptr;
}

std::vector<id3_ucs4_t> toUcs4(const WCHAR* text) {
  std::vector<id3_ucs4_t> out;
  for (size_t i = 0; text[i] != 0; ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  out.push_back(0);
  return out;
}

void appendUnit(ArrayU08* out, uint16_t unit, bool bigEndian) {
  out->push(static_cast<uint8_t>(bigEndian ? unit >> 8 : unit));
  out->push(static_cast<uint8_t>(bigEndian ? unit : unit >> 8));
}

// The frame's characters as the bytes of its encoding, terminator included; answers the
// terminator's length.
int32_t rebuildBytes(const id3_ucs4_t* text, int encoding, ArrayU08* out) {
  out->clear();
  for (const id3_ucs4_t* p = text; p != nullptr && *p != 0; ++p) {
    const uint32_t c = *p;
    if (encoding == 1 || encoding == 2) {
      if (c >= 0x10000) {
        appendUnit(out, static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10)), encoding == 2);
        appendUnit(out, static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)), encoding == 2);
      } else {
        appendUnit(out, static_cast<uint16_t>(c), encoding == 2);
      }
    } else if (encoding == 3) {
      if (c < 0x80) {
        out->push(static_cast<uint8_t>(c));
      } else if (c < 0x800) {
        out->push(static_cast<uint8_t>(0xC0 | (c >> 6)));
        out->push(static_cast<uint8_t>(0x80 | (c & 0x3F)));
      } else if (c < 0x10000) {
        out->push(static_cast<uint8_t>(0xE0 | (c >> 12)));
        out->push(static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F)));
        out->push(static_cast<uint8_t>(0x80 | (c & 0x3F)));
      } else {
        out->push(static_cast<uint8_t>(0xF0 | (c >> 18)));
        out->push(static_cast<uint8_t>(0x80 | ((c >> 12) & 0x3F)));
        out->push(static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F)));
        out->push(static_cast<uint8_t>(0x80 | (c & 0x3F)));
      }
    } else {
      // A Latin-1 frame holds one byte per character; wider values keep their non-zero bytes.
      uint32_t v = c;
      do {
        out->push(static_cast<uint8_t>(v));
        v >>= 8;
      } while (v != 0);
    }
  }
  const int32_t terminator = encoding == 1 || encoding == 2 ? 2 : 1;
  for (int32_t i = 0; i < terminator; ++i) out->push(0);
  return terminator;
}

}  // namespace

Info::Info() {
  for (int32_t i = 0; i < kFieldCount; ++i) {
    m_texts[i] = StrBuffer::create();
    m_bytes[i] = ArrayU08::create();
  }
  reset();
}

Info::~Info() {
  reset();
  for (int32_t i = 0; i < kFieldCount; ++i) {
    delete m_texts[i];
    delete m_bytes[i];
  }
}

void Info::reset() {
  close();
  if (m_listRecord != nullptr) {
    m_listRecord->release();
    m_listRecord = nullptr;
  }
  m_songNumber = -1;
  m_currentCodePage = m_recordCodePage = m_writeCodePage = nullptr;
  m_forced = false;
  for (int32_t i = 0; i < kFieldCount; ++i) {
    m_effective[i] = m_assigned[i] = nullptr;
    m_fieldForced[i] = false;
    m_terminator[i] = 1;
  }
  for (int32_t i = 0; i <= kFieldCount; ++i) m_read[i] = m_write[i] = true;
  m_playTimeMillis = 0;
  m_bitrate = 192;
  m_stereo = true;
  m_sampleRate = 44100;
  m_volumeBoost = -1000;
}

void Info::releasePath() {
  if (m_path != nullptr) {
    m_path->release();
    m_path = nullptr;
  }
}

void Info::close() {
  m_tagFile.close();
  releasePath();
  for (int32_t i = 0; i < kFieldCount; ++i) {
    if (m_texts[i] != nullptr) m_texts[i]->clear();
    if (m_bytes[i] != nullptr) m_bytes[i]->clear();
  }
}

void Info::setFilePath(const WCHAR* path) {
  releasePath();
  if (path != nullptr) m_path = PathWin::newFromText(path);
}

const WCHAR* Info::getFilePath() { return m_path != nullptr ? m_path->getFullPath() : u""; }
const WCHAR* Info::getFileTitle() { return m_path != nullptr ? m_path->getTitle() : u""; }
const WCHAR* Info::getFileName() { return m_path != nullptr ? m_path->getFileName() : u""; }

CodePage* Info::getCodePage() {
  if (m_currentCodePage == nullptr) m_currentCodePage = defaultCodePage();
  return m_currentCodePage;
}

bool Info::hasField(int32_t field) const { return m_texts[field]->getLength() > 0; }
const WCHAR* Info::getField(int32_t field) { return m_texts[field]->getCStr(); }

void Info::setField(int32_t field, const WCHAR* text) {
  m_texts[field]->assign(text != nullptr ? text : u"");
  if (field == kComment) {
    // Every line break is stored as CR LF.
    m_texts[field]->replaceAll(u"\r\n", u"\n");
    m_texts[field]->replaceAll(u"\n", u"\r\n");
  }
}

CodePage* Info::getFieldCodePage(int32_t field) {
  if (m_effective[field] == nullptr) m_effective[field] = defaultCodePage();
  return m_effective[field];
}

void Info::decodeInto(int32_t field, CodePage* codePage) {
  const int32_t usable = static_cast<int32_t>(m_bytes[field]->getCount()) - m_terminator[field];
  m_texts[field]->clear();
  if (usable > 0 && codePage != nullptr) {
    m_texts[field]->decode(codePage, m_bytes[field]->getItems(), false, usable);
  }
}

void Info::setFieldCodePage(int32_t field, CodePage* codePage, bool forced) {
  m_fieldForced[field] = forced;
  if (codePage != m_assigned[field]) {
    m_assigned[field] = codePage;
    if (m_bytes[field]->getCount() > 0) decodeInto(field, codePage);
  }
  m_effective[field] = m_assigned[field];
}

void Info::setCodePage(CodePage* codePage, bool forced) {
  m_forced = forced;
  if (codePage != m_recordCodePage) {
    m_recordCodePage = codePage;
    for (int32_t i = 0; i < kFieldCount; ++i) {
      if (m_bytes[i]->getCount() > 0) decodeInto(i, codePage);
    }
    m_currentCodePage = codePage;
  }
}

StrBuffer* Info::decodeFieldBytes(int32_t field, CodePage* codePage, int32_t maxWidth) {
  StrBuffer* text = StrBuffer::take();
  if (text == nullptr) return nullptr;
  text->clear();
  const int32_t usable = static_cast<int32_t>(m_bytes[field]->getCount()) - m_terminator[field];
  if (m_bytes[field]->getCount() >= 2 && usable > 0 && codePage != nullptr) {
    text->decode(codePage, m_bytes[field]->getItems(), false, usable);
  }
  // Cut for display: a character above 255 takes two columns.
  int32_t width = 0;
  for (uint32_t i = 0; i < text->getLength(); ++i) {
    width += text->getCharAt(i) > 255 ? 2 : 1;
    if (width >= maxWidth) {
      text->setLength(i);
      text->appendChars(u"...", 3);
      break;
    }
  }
  return text;
}

void Info::readField(int32_t field) {
  m_texts[field]->clear();
  id3_tag* tag = m_tagFile.getTag();
  if (tag == nullptr) return;
  id3_frame* frame = field == kComment ? findComment(tag, true)
                                       : id3_tag_findframe(tag, kFields[field].frameId, 0);
  if (frame == nullptr) return;
  const int encoding = id3_field_gettextencoding(id3_frame_field(frame, 0));
  const id3_ucs4_t* string = nullptr;
  if (field == kComment) {
    string = id3_field_getfullstring(id3_frame_field(frame, 3));
  } else {
    string = id3_field_getstrings(id3_frame_field(frame, 1), 0);
    if (field == kGenre && string != nullptr) string = id3_genre_name(string);
  }
  m_terminator[field] = rebuildBytes(string, encoding, m_bytes[field]);

  if (m_assigned[field] != nullptr) {
    m_recordCodePage = m_assigned[field];
  } else {
    m_assigned[field] = defaultCodePage();
  }
  if (m_effective[field] == nullptr) m_effective[field] = defaultCodePage();
  if (m_recordCodePage == nullptr) m_recordCodePage = defaultCodePage();
  if (m_currentCodePage == nullptr) m_currentCodePage = defaultCodePage();
  CodePage* effective = nullptr;
  if (encoding == 1) {
    effective = system::codepage::getUtf16CodePage();
  } else if (encoding == 2) {
    effective = system::codepage::getUtf16BigEndianCodePage();
  } else if (encoding == 3) {
    effective = system::codepage::getUtf8CodePage();
  } else if (m_forced) {
    effective = m_recordCodePage;
  } else if (m_fieldForced[field]) {
    effective = m_assigned[field];
  } else if (isUnicode(m_recordCodePage)) {
    effective = defaultCodePage();
  } else {
    effective = m_recordCodePage;
  }
  if (encoding == 0 && !m_forced && !m_fieldForced[field] && effective != nullptr &&
      effective->getCodePage() == kUtf8 &&
      !isValidUtf8(m_bytes[field]->getItems(), m_bytes[field]->getCount() - 1)) {
    // Latin-1 bytes, as taggers write them, under a UTF-8 default.
    if (CodePage* latin1 = codePageNumbered(kLatin1)) effective = latin1;
  }
  if (encoding != 0) m_currentCodePage = effective;
  m_effective[field] = effective;
  decodeInto(field, effective);
}

bool Info::writeField(int32_t field) {
  id3_tag* tag = m_tagFile.getTag();
  if (tag == nullptr) return false;
  const char* id = kFields[field].frameId;
  id3_frame* existing = field == kComment ? findComment(tag, false) : id3_tag_findframe(tag, id, 0);
  if (m_texts[field]->getLength() == 0) {
    if (existing != nullptr) {
      id3_tag_detachframe(tag, existing);
      id3_frame_delete(existing);
    }
    return true;
  }
  if (m_writeCodePage == nullptr) m_writeCodePage = defaultCodePage();
  const int32_t number = m_writeCodePage != nullptr ? m_writeCodePage->getCodePage() : kUtf8;
  std::vector<id3_ucs4_t> string;
  id3_field_textencoding encoding = ID3_FIELD_TEXTENCODING_ISO_8859_1;
  if (number == CodePage::kUtf16 || number == CodePage::kUtf16BigEndian || number == kUtf8) {
    // The real characters, in the encoding of their own code page.
    encoding = number == CodePage::kUtf16            ? ID3_FIELD_TEXTENCODING_UTF_16
               : number == CodePage::kUtf16BigEndian ? ID3_FIELD_TEXTENCODING_UTF_16BE
                                                     : ID3_FIELD_TEXTENCODING_UTF_8;
    string = toUcs4(m_texts[field]->getCStr());
  } else {
    // Another code page's bytes, one per character of a Latin-1 frame.
    ArrayU08* bytes = m_texts[field]->encode(m_writeCodePage, nullptr, false);
    if (bytes == nullptr) return false;
    for (uint32_t i = 0; i < bytes->getCount() && bytes->getItems()[i] != 0; ++i) {
      string.push_back(bytes->getItems()[i]);
    }
    string.push_back(0);
    bytes->release();
  }
  id3_frame* frame = existing != nullptr ? existing : id3_frame_new(id);
  if (frame == nullptr) return false;
  bool ok = id3_field_settextencoding(id3_frame_field(frame, 0), encoding) == 0;
  if (ok && field == kComment) {
    static const id3_ucs4_t kEmpty[] = {0};
    ok = id3_field_setlanguage(id3_frame_field(frame, 1), "XXX") == 0 &&
         id3_field_setstring(id3_frame_field(frame, 2), kEmpty) == 0 &&
         id3_field_setfullstring(id3_frame_field(frame, 3), string.data()) == 0;
  } else if (ok) {
    id3_ucs4_t* strings[] = {string.data()};
    ok = id3_field_setstrings(id3_frame_field(frame, 1), 1, strings) == 0;
  }
  if (existing == nullptr) {
    if (ok) ok = id3_tag_attachframe(tag, frame) == 0;
    // The tag keeps its own copy of an attached frame's reference; ours goes either way.
    if (!ok) id3_frame_delete(frame);
  }
  return ok;
}

bool Info::readFromFile(const WCHAR* path) {
  close();
  setFilePath(path);
  if (m_path == nullptr || !m_path->isValid() || !m_path->isFile() || !m_path->exists())
    return false;
  if (!m_tagFile.open(m_path->getFullPath(), false)) return false;
  for (int32_t i = 0; i < kFieldCount; ++i) {
    if (m_read[0] || m_read[i + 1]) readField(i);
  }
  return true;
}

bool Info::writeToFile(const WCHAR* path) {
  m_tagFile.close();
  setFilePath(path);
  if (m_path == nullptr || !m_path->isValid() || !m_path->isFile() || !m_path->exists())
    return false;
  if (!m_tagFile.open(m_path->getFullPath(), true)) return false;
  for (int32_t i = 0; i < kFieldCount; ++i) {
    if ((m_write[0] || m_write[i + 1]) && !writeField(i)) return false;
  }
  return m_tagFile.update();
}

gui::listbox2::Record* Info::getListRecord() {
  if (m_listRecord == nullptr) {
    StrBuffer* title = StrBuffer::take();
    StrBuffer* name = StrBuffer::take();
    if (title == nullptr || name == nullptr) {
      if (title != nullptr) title->release();
      if (name != nullptr) name->release();
      return nullptr;
    }
    title->assign(hasField(0) ? getField(0) : getFileTitle());
    name->assign(getFileName());
    m_listRecord = info::makeRow(this, m_songNumber, m_playTimeMillis / 1000,
                                 {title->getCStr(), getField(1), getField(2), getField(kGenre),
                                  name->getCStr(), getFilePath()});
    title->release();
    name->release();
  }
  return m_listRecord;
}

void Info::updateListRecord() {
  StrBuffer* title = StrBuffer::take();
  if (title == nullptr) return;
  title->assign(hasField(0) ? getField(0) : getFileTitle());
  info::updateRow(m_listRecord, m_songNumber, m_playTimeMillis / 1000,
                  {title->getCStr(), getField(1), getField(2), getField(kGenre), nullptr, nullptr});
  title->release();
}

void Info::exportToXml(map::IMappedData* store, const WCHAR* section, const WCHAR* baseFolder) {
  info::exportPath(store, section, m_path, baseFolder);
  info::exportNumbers(
      store, section,
      {m_songNumber, m_playTimeMillis, &m_bitrate, m_stereo, m_sampleRate, m_volumeBoost});
  for (int32_t i = 0; i < kFieldCount; ++i) {
    if (!hasField(i)) continue;
    const std::u16string key = kFields[i].key;
    store->setString(section, key.c_str(), getField(i));
    store->setBinary(section, (key + u"Bytes").c_str(), m_bytes[i]);
    if (m_effective[i] != nullptr) {
      store->setInt32(section, (key + u"CodePage").c_str(), m_effective[i]->getCodePage());
      store->setString(section, (key + u"CodePageName").c_str(),
                       m_effective[i]->getName()->getCStr());
    }
  }
}

void Info::importFromXml(map::IMappedData* store, const WCHAR* section, const WCHAR* baseFolder,
                         const WCHAR* preferredFolder) {
  releasePath();
  m_path = info::importPath(store, section, baseFolder, preferredFolder);
  info::Numbers numbers{};
  info::importNumbers(store, section, numbers, &m_bitrate);
  m_songNumber = numbers.songNumber;
  m_playTimeMillis = numbers.playTimeMillis;
  m_stereo = numbers.stereo;
  m_sampleRate = numbers.sampleRate;
  m_volumeBoost = numbers.volumeBoost;
  for (int32_t i = 0; i < kFieldCount; ++i) {
    const std::u16string key = kFields[i].key;
    m_texts[i]->assign(store->getString(section, key.c_str(), u"", nullptr, false));
    if (store->hasKey(section, (key + u"Bytes").c_str())) {
      store->getBinary(section, (key + u"Bytes").c_str(), m_bytes[i]);
    }
    m_fieldForced[i] = store->getBool(section, (key + u"CodePageForced").c_str(), false);
    const std::u16string name =
        store->getString(section, (key + u"CodePageName").c_str(), u"", nullptr, false);
    CodePage* found = nullptr;
    if (!name.empty()) {
      const col::_array::ArrayP& list = system::codepage::getCodePageList();
      for (uint32_t k = 0; k < list.getCount() && found == nullptr; ++k) {
        auto* entry = static_cast<CodePage*>(list.getItems()[k]);
        StrBuffer* wanted = StrBuffer::take();
        wanted->assign(name.c_str());
        if (entry->getName()->equalsIgnoreCase(wanted)) found = entry;
        wanted->release();
      }
    }
    const int32_t number = store->getInt32(section, (key + u"CodePage").c_str(), -1);
    if (found == nullptr && number >= 0) found = codePageNumbered(number);
    if (found != nullptr) {
      m_assigned[i] = m_effective[i] = found;
      m_terminator[i] = found->getCodePage() == CodePage::kUtf16 ||
                                found->getCodePage() == CodePage::kUtf16BigEndian
                            ? 2
                            : 1;
    }
  }
}

}  // namespace s::sound::mp3::win
