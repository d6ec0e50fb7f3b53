// The song-information record of one audio file: path, number, tag texts, format and storage.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <winnt.h>

#include <cstdint>

namespace s::system::codepage {
class CodePage;
}
namespace s::str::strbuffer {
class StrBuffer;
}
namespace s::map {
class IMappedData;
}
namespace s::gui::listbox2 {
class Record;
}

namespace s::sound {

/// The operations of one tag field, named after it: whether it holds text, the text, whether the
/// file kind keeps it, the setter, the effective and the assigned code page, the code-page
/// choice (`forced` keeps it for later reads) and the raw bytes decoded anew for display.
#define S_SOUND_INFO_FIELD(Name)                                                               \
  virtual bool has##Name() = 0;                                                                \
  virtual const WCHAR* get##Name() = 0;                                                        \
  virtual bool supports##Name() = 0;                                                           \
  virtual void set##Name(const WCHAR* text) = 0;                                               \
  virtual system::codepage::CodePage* get##Name##CodePage() = 0;                               \
  virtual system::codepage::CodePage* get##Name##AssignedCodePage() = 0;                       \
  virtual void set##Name##CodePage(system::codepage::CodePage* codePage, bool forced) = 0;     \
  virtual str::strbuffer::StrBuffer* decode##Name##Bytes(system::codepage::CodePage* codePage, \
                                                         int32_t maxWidth) = 0;

/// A song-information record: the file's path and song number, seven tag texts (title, artist,
/// album, year, track, genre, comment) each with the raw bytes found in the file and the code
/// page that decoded them, the format (play time in milliseconds, bitrate in kbps, stereo,
/// sample rate in Hz), a per-file volume boost (-1000: none), a song-list row, and its storage
/// in a section of the settings store.
///
/// Texts answered are the record's own and stay valid until the record changes them. Code pages
/// are the process-wide entries of the code-page list; records never own them. Failures answer
/// false or empty texts. One thread at a time uses a record. Pooled by its implementation.
class IInfo : public base::IObject, public virtual thread::IPoolable {
 public:
  const WCHAR* getClassName() const override { return u"s_sound_IInfo"; }

  virtual bool readFromFile(const WCHAR* path) = 0;
  virtual bool writeToFile(const WCHAR* path) = 0;

  virtual system::codepage::CodePage* getCodePage() = 0;
  virtual system::codepage::CodePage* getAssignedCodePage() = 0;
  virtual void setCodePage(system::codepage::CodePage* codePage, bool forced) = 0;
  virtual bool supportsCodePage() = 0;

  virtual system::codepage::CodePage* getWriteCodePage() = 0;
  virtual void setWriteCodePage(system::codepage::CodePage* codePage) = 0;
  virtual bool supportsWriteCodePage() = 0;

  virtual void setFilePath(const WCHAR* path) = 0;
  virtual const WCHAR* getFilePath() = 0;
  virtual const WCHAR* getFileTitle() = 0;
  virtual const WCHAR* getFileName() = 0;

  virtual bool hasSongNumber() = 0;
  virtual int32_t getSongNumber() = 0;
  virtual void setSongNumber(int32_t number) = 0;

  S_SOUND_INFO_FIELD(Title)
  S_SOUND_INFO_FIELD(Artist)
  S_SOUND_INFO_FIELD(Album)
  S_SOUND_INFO_FIELD(Year)
  S_SOUND_INFO_FIELD(Track)
  S_SOUND_INFO_FIELD(Genre)
  S_SOUND_INFO_FIELD(Comment)

  virtual void close() = 0;

  virtual void setReadAll(bool on) = 0;
  virtual void setReadTitle(bool on) = 0;
  virtual void setReadArtist(bool on) = 0;
  virtual void setReadAlbum(bool on) = 0;
  virtual void setReadYear(bool on) = 0;
  virtual void setReadTrack(bool on) = 0;
  virtual void setReadGenre(bool on) = 0;
  virtual void setReadComment(bool on) = 0;
  virtual void setWriteAll(bool on) = 0;
  virtual void setWriteTitle(bool on) = 0;
  virtual void setWriteArtist(bool on) = 0;
  virtual void setWriteAlbum(bool on) = 0;
  virtual void setWriteYear(bool on) = 0;
  virtual void setWriteTrack(bool on) = 0;
  virtual void setWriteGenre(bool on) = 0;
  virtual void setWriteComment(bool on) = 0;

  virtual int32_t getPlayTimeMillis() = 0;
  virtual void setPlayTimeMillis(int32_t millis) = 0;
  virtual bool supportsBitrate() = 0;
  virtual int32_t getBitrate() = 0;
  virtual void setBitrate(int32_t kbps) = 0;
  virtual bool isStereo() = 0;
  virtual void setStereo(bool stereo) = 0;
  virtual int32_t getSampleRate() = 0;
  virtual void setSampleRate(int32_t hz) = 0;

  /// The row of this record in the song list, made on first use and owned by the record.
  virtual gui::listbox2::Record* getListRecord() = 0;
  /// Rewrites cells 0 to 5 from the current values while the row is in a store and not removed.
  virtual void updateListRecord() = 0;
  /// The row when it has been made, else null.
  virtual gui::listbox2::Record* peekListRecord() = 0;

  /// Writes the record into `section` of `store`; with `baseFolder` the path is stored relative
  /// to it (see the implementations).
  virtual void exportToXml(map::IMappedData* store, const WCHAR* section,
                           const WCHAR* baseFolder) = 0;
  /// Reads the record back; a relative stored path is looked up under `preferredFolder` first,
  /// then under `baseFolder`.
  virtual void importFromXml(map::IMappedData* store, const WCHAR* section, const WCHAR* baseFolder,
                             const WCHAR* preferredFolder) = 0;

  /// "mp3" or "wav".
  virtual const WCHAR* getExtension() = 0;
  virtual bool hasVolumeBoost() = 0;
  virtual int32_t getVolumeBoost() = 0;
  /// 0 stores -1000 (no boost).
  virtual void setVolumeBoost(int32_t boost) = 0;
};

#undef S_SOUND_INFO_FIELD

}  // namespace s::sound
