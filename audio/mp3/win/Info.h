// The MP3 song-information record over the file's ID3 tags.
#pragma once

#include "audio/mp3/IInfo.h"
#include "audio/mp3/TagFile.h"
#include "core/thread/ClassTail.h"

#include <cstdint>

namespace s::col::_array {
class ArrayU08;
}
namespace s::file::win {
class PathWin;
}

namespace s::sound::mp3::win {

/// The record of an MP3 file: the seven tag fields read from and written to its ID3 tags (title
/// TIT2, artist TPE1, album TALB, year TDRC, track TRCK, genre TCON with the genre's name, and
/// comment COMM: the first comment without a description, the user's own), each kept as text and
/// as the raw bytes of the frame with the code page that decoded them, so a Latin-1 frame can be
/// decoded anew in another code page.
///
/// Code pages: frames in UTF-16, UTF-16BE and UTF-8 are decoded as such; a Latin-1 frame by the
/// record's forced code page, else the field's forced one, else the record's (the default, the
/// OEM code page's entry, when the record's is a Unicode one). When that is UTF-8 and the bytes
/// are not UTF-8, ISO 8859-1 decodes them. Texts are written in the write code page: Unicode
/// code pages as their own encodings, any other one byte per character in a Latin-1 frame.
///
/// Writing never harms the file: see TagFile. Tags are written back as ID3v2.4.
///
/// Pooled (capacity 1000); made by Mp3::createInfo. One thread at a time.
class Info final : public IInfo {
  S_POOLED_CLASS(Info, u"s_sound_mp3_win_Info")

  static constexpr int32_t kFieldCount = 7;

  Info();
  ~Info() override;
  Info(const Info&) = delete;
  Info& operator=(const Info&) = delete;
  void reset() override;

  /// False for a path that is not an existing file, a file that cannot be opened, or tags that
  /// cannot be read safely; the fields are then empty.
  bool readFromFile(const WCHAR* path) override;
  /// Writes the selected fields into the file's tags. False, with the file unchanged, when the
  /// file cannot be opened for writing, its tags cannot be read safely, or a write fails.
  bool writeToFile(const WCHAR* path) override;

  system::codepage::CodePage* getCodePage() override;
  system::codepage::CodePage* getAssignedCodePage() override { return m_recordCodePage; }
  void setCodePage(system::codepage::CodePage* codePage, bool forced) override;
  bool supportsCodePage() override { return true; }
  system::codepage::CodePage* getWriteCodePage() override { return m_writeCodePage; }
  void setWriteCodePage(system::codepage::CodePage* codePage) override {
    m_writeCodePage = codePage;
  }
  bool supportsWriteCodePage() override { return true; }

  void setFilePath(const WCHAR* path) override;
  const WCHAR* getFilePath() override;
  const WCHAR* getFileTitle() override;
  const WCHAR* getFileName() override;

  bool hasSongNumber() override { return m_songNumber != -1; }
  int32_t getSongNumber() override { return m_songNumber; }
  void setSongNumber(int32_t number) override { m_songNumber = number; }

#define S_MP3_FIELD(Name, index)                                                                   \
  bool has##Name() override { return hasField(index); }                                            \
  const WCHAR* get##Name() override { return getField(index); }                                    \
  bool supports##Name() override { return true; }                                                  \
  void set##Name(const WCHAR* text) override { setField(index, text); }                            \
  system::codepage::CodePage* get##Name##CodePage() override { return getFieldCodePage(index); }   \
  system::codepage::CodePage* get##Name##AssignedCodePage() override { return m_assigned[index]; } \
  void set##Name##CodePage(system::codepage::CodePage* codePage, bool forced) override {           \
    setFieldCodePage(index, codePage, forced);                                                     \
  }                                                                                                \
  str::strbuffer::StrBuffer* decode##Name##Bytes(system::codepage::CodePage* codePage,             \
                                                 int32_t maxWidth) override {                      \
    return decodeFieldBytes(index, codePage, maxWidth);                                            \
  }
  S_MP3_FIELD(Title, 0)
  S_MP3_FIELD(Artist, 1)
  S_MP3_FIELD(Album, 2)
  S_MP3_FIELD(Year, 3)
  S_MP3_FIELD(Track, 4)
  S_MP3_FIELD(Genre, 5)
  S_MP3_FIELD(Comment, 6)
#undef S_MP3_FIELD

  void close() override;

  void setReadAll(bool on) override { m_read[0] = on; }
  void setReadTitle(bool on) override { m_read[1] = on; }
  void setReadArtist(bool on) override { m_read[2] = on; }
  void setReadAlbum(bool on) override { m_read[3] = on; }
  void setReadYear(bool on) override { m_read[4] = on; }
  void setReadTrack(bool on) override { m_read[5] = on; }
  void setReadGenre(bool on) override { m_read[6] = on; }
  void setReadComment(bool on) override { m_read[7] = on; }
  void setWriteAll(bool on) override { m_write[0] = on; }
  void setWriteTitle(bool on) override { m_write[1] = on; }
  void setWriteArtist(bool on) override { m_write[2] = on; }
  void setWriteAlbum(bool on) override { m_write[3] = on; }
  void setWriteYear(bool on) override { m_write[4] = on; }
  void setWriteTrack(bool on) override { m_write[5] = on; }
  void setWriteGenre(bool on) override { m_write[6] = on; }
  void setWriteComment(bool on) override { m_write[7] = on; }

  int32_t getPlayTimeMillis() override { return m_playTimeMillis; }
  void setPlayTimeMillis(int32_t millis) override { m_playTimeMillis = millis; }
  bool supportsBitrate() override { return true; }
  int32_t getBitrate() override { return m_bitrate; }
  void setBitrate(int32_t kbps) override { m_bitrate = kbps; }
  bool isStereo() override { return m_stereo; }
  void setStereo(bool stereo) override { m_stereo = stereo; }
  int32_t getSampleRate() override { return m_sampleRate; }
  void setSampleRate(int32_t hz) override { m_sampleRate = hz; }

  gui::listbox2::Record* getListRecord() override;
  void updateListRecord() override;
  gui::listbox2::Record* peekListRecord() override { return m_listRecord; }

  void exportToXml(map::IMappedData* store, const WCHAR* section, const WCHAR* baseFolder) override;
  void importFromXml(map::IMappedData* store, const WCHAR* section, const WCHAR* baseFolder,
                     const WCHAR* preferredFolder) override;

  const WCHAR* getExtension() override { return u"mp3"; }
  bool hasVolumeBoost() override { return m_volumeBoost != -1000; }
  int32_t getVolumeBoost() override { return m_volumeBoost; }
  void setVolumeBoost(int32_t boost) override { m_volumeBoost = boost == 0 ? -1000 : boost; }

  /// The raw bytes of a field (field order, 0 = title), terminator included.
  const col::_array::ArrayU08* getFieldBytes(int32_t field) const { return m_bytes[field]; }

 private:
  bool hasField(int32_t field) const;
  const WCHAR* getField(int32_t field);
  void setField(int32_t field, const WCHAR* text);
  system::codepage::CodePage* getFieldCodePage(int32_t field);
  void setFieldCodePage(int32_t field, system::codepage::CodePage* codePage, bool forced);
  str::strbuffer::StrBuffer* decodeFieldBytes(int32_t field, system::codepage::CodePage* codePage,
                                              int32_t maxWidth);
  void readField(int32_t field);
  bool writeField(int32_t field);
  /// Decodes the field's raw bytes, without their terminator, into its text.
  void decodeInto(int32_t field, system::codepage::CodePage* codePage);
  void releasePath();

  TagFile m_tagFile;
  file::win::PathWin* m_path = nullptr;
  int32_t m_songNumber = -1;
  system::codepage::CodePage* m_currentCodePage = nullptr;
  bool m_forced = false;
  system::codepage::CodePage* m_recordCodePage = nullptr;
  system::codepage::CodePage* m_writeCodePage = nullptr;
  system::codepage::CodePage* m_effective[kFieldCount] = {};
  bool m_fieldForced[kFieldCount] = {};
  system::codepage::CodePage* m_assigned[kFieldCount] = {};
  str::strbuffer::StrBuffer* m_texts[kFieldCount] = {};
  /// Terminator bytes at the end of each field's raw bytes: 2 for UTF-16, else 1.
  int32_t m_terminator[kFieldCount] = {};
  bool m_read[kFieldCount + 1] = {};
  bool m_write[kFieldCount + 1] = {};
  gui::listbox2::Record* m_listRecord = nullptr;
  int32_t m_playTimeMillis = 0;
  int32_t m_bitrate = 192;
  bool m_stereo = true;
  int32_t m_sampleRate = 44100;
  int32_t m_volumeBoost = -1000;
  col::_array::ArrayU08* m_bytes[kFieldCount] = {};
};

}  // namespace s::sound::mp3::win
