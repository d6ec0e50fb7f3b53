// The WAV song-information record.
#include "audio/wav/Info.h"

#include "audio/InfoSupport.h"
#include "core/file/win/PathWin.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "gui/listbox2/Record.h"

namespace s::sound::wav {

using file::win::PathWin;

Info::~Info() { reset(); }

void Info::reset() {
  close();
  if (m_listRecord != nullptr) {
    m_listRecord->release();
    m_listRecord = nullptr;
  }
  m_songNumber = -1;
  m_codePage = nullptr;
  m_writeCodePage = nullptr;
  m_playTimeMillis = 0;
  m_stereo = true;
  m_sampleRate = 44100;
  m_volumeBoost = -1000;
}

void Info::close() {
  if (m_path != nullptr) {
    m_path->release();
    m_path = nullptr;
  }
}

bool Info::readFromFile(const WCHAR* path) {
  close();
  setFilePath(path);
  return m_path != nullptr && m_path->isValid() && m_path->isFile() && m_path->exists();
}

void Info::setFilePath(const WCHAR* path) {
  close();
  if (path != nullptr) m_path = PathWin::newFromText(path);
}

const WCHAR* Info::getFilePath() { return m_path != nullptr ? m_path->getFullPath() : u""; }
const WCHAR* Info::getFileTitle() { return m_path != nullptr ? m_path->getTitle() : u""; }
const WCHAR* Info::getFileName() { return m_path != nullptr ? m_path->getFileName() : u""; }

#define S_WAV_DECODE(Name)                                                                     \
  str::strbuffer::StrBuffer* Info::decode##Name##Bytes(system::codepage::CodePage*, int32_t) { \
    str::strbuffer::StrBuffer* text = str::strbuffer::StrBuffer::take();                       \
    if (text != nullptr) text->clear();                                                        \
    return text;                                                                               \
  }
S_WAV_DECODE(Title)
S_WAV_DECODE(Artist)
S_WAV_DECODE(Album)
S_WAV_DECODE(Year)
S_WAV_DECODE(Track)
S_WAV_DECODE(Genre)
S_WAV_DECODE(Comment)
#undef S_WAV_DECODE

gui::listbox2::Record* Info::getListRecord() {
  if (m_listRecord == nullptr) {
    // Each getter writes the path's one work text, so the name and title are copied first.
    str::strbuffer::StrBuffer* title = str::strbuffer::StrBuffer::take();
    str::strbuffer::StrBuffer* name = str::strbuffer::StrBuffer::take();
    if (title == nullptr || name == nullptr) {
      if (title != nullptr) title->release();
      if (name != nullptr) name->release();
      return nullptr;
    }
    title->assign(getFileTitle());
    name->assign(getFileName());
    m_listRecord = info::makeRow(this, m_songNumber, m_playTimeMillis / 1000,
                                 {title->getCStr(), u"", u"", u"", name->getCStr(), getFilePath()});
    title->release();
    name->release();
  }
  return m_listRecord;
}

void Info::updateListRecord() {
  str::strbuffer::StrBuffer* title = str::strbuffer::StrBuffer::take();
  if (title == nullptr) return;
  title->assign(getFileTitle());
  info::updateRow(m_listRecord, m_songNumber, m_playTimeMillis / 1000,
                  {title->getCStr(), u"", u"", u"", nullptr, nullptr});
  title->release();
}

void Info::exportToXml(map::IMappedData* store, const WCHAR* section, const WCHAR* baseFolder) {
  info::exportPath(store, section, m_path, baseFolder);
  info::exportNumbers(
      store, section,
      {m_songNumber, m_playTimeMillis, nullptr, m_stereo, m_sampleRate, m_volumeBoost});
}

void Info::importFromXml(map::IMappedData* store, const WCHAR* section, const WCHAR* baseFolder,
                         const WCHAR* preferredFolder) {
  close();
  m_path = info::importPath(store, section, baseFolder, preferredFolder);
  info::Numbers numbers{};
  info::importNumbers(store, section, numbers, nullptr);
  m_songNumber = numbers.songNumber;
  m_playTimeMillis = numbers.playTimeMillis;
  m_stereo = numbers.stereo;
  m_sampleRate = numbers.sampleRate;
  m_volumeBoost = numbers.volumeBoost;
}

}  // namespace s::sound::wav
