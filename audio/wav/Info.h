// The song-information record of a WAV file, which has no tags.
#pragma once

#include "audio/IInfo.h"
#include "core/thread/ClassTail.h"

#include <cstdint>

namespace s::file::win {
class PathWin;
}

namespace s::sound::wav {

/// The record of a WAV file: path (owned), song number, play time, channels, sample rate and
/// volume boost, its song-list row (owned, cells 3 to 5 empty) and its storage in the settings
/// store. The seven tag fields are empty: their getters answer the empty text, their setters and
/// the selectors do nothing, and every supports query answers false.
///
/// Pooled (capacity 1000); made by Wave::createInfo, given back with `release`.
class Info final : public IInfo {
  S_POOLED_CLASS(Info, u"s_sound_wav_Info")

  Info() = default;
  ~Info() override;
  Info(const Info&) = delete;
  Info& operator=(const Info&) = delete;
  void reset() override;

  /// Takes the path and answers whether it names an existing file (not a folder).
  bool readFromFile(const WCHAR* path) override;
  /// As readFromFile: a WAV record has nothing to write.
  bool writeToFile(const WCHAR* path) override { return readFromFile(path); }

  system::codepage::CodePage* getCodePage() override { return m_codePage; }
  system::codepage::CodePage* getAssignedCodePage() override { return m_codePage; }
  void setCodePage(system::codepage::CodePage* codePage, bool) override { m_codePage = codePage; }
  bool supportsCodePage() override { return false; }
  system::codepage::CodePage* getWriteCodePage() override { return m_writeCodePage; }
  void setWriteCodePage(system::codepage::CodePage* codePage) override {
    m_writeCodePage = codePage;
  }
  bool supportsWriteCodePage() override { return false; }

  void setFilePath(const WCHAR* path) override;
  const WCHAR* getFilePath() override;
  const WCHAR* getFileTitle() override;
  const WCHAR* getFileName() override;

  bool hasSongNumber() override { return m_songNumber != -1; }
  int32_t getSongNumber() override { return m_songNumber; }
  void setSongNumber(int32_t number) override { m_songNumber = number; }

#define S_WAV_EMPTY_FIELD(Name)                                                          \
  bool has##Name() override { return false; }                                            \
  const WCHAR* get##Name() override { return u""; }                                      \
  bool supports##Name() override { return false; }                                       \
  void set##Name(const WCHAR*) override {}                                               \
  system::codepage::CodePage* get##Name##CodePage() override { return nullptr; }         \
  system::codepage::CodePage* get##Name##AssignedCodePage() override { return nullptr; } \
  void set##Name##CodePage(system::codepage::CodePage*, bool) override {}                \
  str::strbuffer::StrBuffer* decode##Name##Bytes(system::codepage::CodePage*, int32_t) override;
  S_WAV_EMPTY_FIELD(Title)
  S_WAV_EMPTY_FIELD(Artist)
  S_WAV_EMPTY_FIELD(Album)
  S_WAV_EMPTY_FIELD(Year)
  S_WAV_EMPTY_FIELD(Track)
  S_WAV_EMPTY_FIELD(Genre)
  S_WAV_EMPTY_FIELD(Comment)
#undef S_WAV_EMPTY_FIELD

  void close() override;

  void setReadAll(bool) override {}
  void setReadTitle(bool) override {}
  void setReadArtist(bool) override {}
  void setReadAlbum(bool) override {}
  void setReadYear(bool) override {}
  void setReadTrack(bool) override {}
  void setReadGenre(bool) override {}
  void setReadComment(bool) override {}
  void setWriteAll(bool) override {}
  void setWriteTitle(bool) override {}
  void setWriteArtist(bool) override {}
  void setWriteAlbum(bool) override {}
  void setWriteYear(bool) override {}
  void setWriteTrack(bool) override {}
  void setWriteGenre(bool) override {}
  void setWriteComment(bool) override {}

  int32_t getPlayTimeMillis() override { return m_playTimeMillis; }
  void setPlayTimeMillis(int32_t millis) override { m_playTimeMillis = millis; }
  bool supportsBitrate() override { return false; }
  int32_t getBitrate() override { return 0; }
  void setBitrate(int32_t) override {}
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

  const WCHAR* getExtension() override { return u"wav"; }
  bool hasVolumeBoost() override { return m_volumeBoost != -1000; }
  int32_t getVolumeBoost() override { return m_volumeBoost; }
  void setVolumeBoost(int32_t boost) override { m_volumeBoost = boost == 0 ? -1000 : boost; }

 private:
  int32_t m_songNumber = -1;
  file::win::PathWin* m_path = nullptr;
  system::codepage::CodePage* m_codePage = nullptr;
  system::codepage::CodePage* m_writeCodePage = nullptr;
  gui::listbox2::Record* m_listRecord = nullptr;
  int32_t m_playTimeMillis = 0;
  bool m_stereo = true;
  int32_t m_sampleRate = 44100;
  int32_t m_volumeBoost = -1000;
};

}  // namespace s::sound::wav
