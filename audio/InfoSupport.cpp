// Song-list rows and stored paths of the song-information records.
#include "audio/InfoSupport.h"

#include "core/file/win/PathWin.h"
#include "core/map/IMappedData.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "gui/listbox2/Record.h"
#include "gui/listbox2/SubRecord.h"

#include <string>

namespace s::sound::info {

using file::win::PathWin;
using gui::listbox2::Record;
using gui::listbox2::SubRecord;
using str::strbuffer::StrBuffer;

gui::listbox2::Record* makeRow(void* owner, int32_t number, int32_t seconds,
                               const RowTexts& texts) {
  Record* row = gui::listbox2::makeRecord(owner);
  if (row == nullptr) return nullptr;
  SubRecord* cells[8] = {
      SubRecord::takeNumber(number),       SubRecord::takeText(texts.title),
      SubRecord::takeDuration(seconds),    SubRecord::takeText(texts.cell3),
      SubRecord::takeText(texts.cell4),    SubRecord::takeText(texts.cell5),
      SubRecord::takeText(texts.fileName), SubRecord::takeText(texts.fullPath),
  };
  bool complete = true;
  for (SubRecord* cell : cells) {
    if (cell == nullptr || !row->addCell(cell)) {
      complete = false;
      if (cell != nullptr) cell->release();
    }
  }
  if (!complete) {
    row->release();
    return nullptr;
  }
  return row;
}

namespace {

void setCell(Record* row, int32_t column, int64_t value, base::IDestructor* disposer) {
  gui::listbox2::RecordStore* store = row->getStore();
  if (store->getListWindow() != nullptr) {
    store->getListWindow()->setRecordObject(row, column, value, disposer);
  } else if (!gui::listbox2::setRecordObject(store, row, row->getId(), column, value, disposer) &&
             disposer != nullptr) {
    void* ref = reinterpret_cast<void*>(value);
    disposer->destruct(ref);
  }
}

void setTextCell(Record* row, int32_t column, const WCHAR* text) {
  StrBuffer* copy = StrBuffer::take();
  if (copy == nullptr) return;
  copy->assign(text != nullptr ? text : u"");
  setCell(row, column, reinterpret_cast<int64_t>(copy), &StrBuffer::pool());
}

}  // namespace

void updateRow(gui::listbox2::Record* row, int32_t number, int32_t seconds, const RowTexts& texts) {
  if (row == nullptr || row->getStore() == nullptr || row->isRemoved()) return;
  setCell(row, 0, number, nullptr);
  setTextCell(row, 1, texts.title);
  setCell(row, 2, seconds, nullptr);
  setTextCell(row, 3, texts.cell3);
  setTextCell(row, 4, texts.cell4);
  setTextCell(row, 5, texts.cell5);
}

void exportPath(map::IMappedData* store, const WCHAR* section, PathWin* path,
                const WCHAR* baseFolder) {
  const WCHAR* full = path != nullptr ? path->getFullPath() : u"";
  if (baseFolder != nullptr && path != nullptr && full[0] != u'.') {
    PathWin* base = PathWin::newFromText(baseFolder);
    if (base != nullptr) {
      if (base->isSameVolume(full)) {
        store->setString(section, u"filePath", base->toRelativePath(full, true));
        base->release();
        return;
      }
      base->release();
    }
  }
  store->setString(section, u"filePath", full);
}

namespace {

bool isRelativeText(const std::u16string& text) {
  return text.size() < 4 || text[0] == u'.' ||
         (text[1] != u':' && !(text[0] == u'\\' && text[1] == u'\\'));
}

// `text` resolved against `folder`, or null; `check` keeps it only when it is absolute and exists.
PathWin* resolveIn(const WCHAR* folder, const std::u16string& text, bool check) {
  PathWin* base = PathWin::newFromText(folder);
  if (base == nullptr) return nullptr;
  if (!check && !base->isAbsolute()) {
    base->release();
    return nullptr;
  }
  PathWin* resolved = PathWin::newFromText(base->toAbsolutePath(text.c_str(), true));
  base->release();
  if (resolved != nullptr && check && !(resolved->isAbsolute() && resolved->exists())) {
    resolved->release();
    return nullptr;
  }
  return resolved;
}

}  // namespace

PathWin* importPath(map::IMappedData* store, const WCHAR* section, const WCHAR* baseFolder,
                    const WCHAR* preferredFolder) {
  const std::u16string text = store->getString(section, u"filePath", u"", nullptr, false);
  PathWin* path = nullptr;
  if (isRelativeText(text)) {
    if (preferredFolder != nullptr) path = resolveIn(preferredFolder, text, true);
    if (path == nullptr && baseFolder != nullptr) path = resolveIn(baseFolder, text, false);
  }
  return path != nullptr ? path : PathWin::newFromText(text.c_str());
}

void exportNumbers(map::IMappedData* store, const WCHAR* section, const Numbers& numbers) {
  if (numbers.songNumber != -1) store->setInt32(section, u"songNumber", numbers.songNumber);
  store->setInt32(section, u"playTimeMilliSec", numbers.playTimeMillis);
  if (numbers.bitrate != nullptr) store->setInt32(section, u"bitRateKBps", *numbers.bitrate);
  store->setBool(section, u"isStereo", numbers.stereo);
  store->setInt32(section, u"sampleRate", numbers.sampleRate);
  if (numbers.volumeBoost != -1000) {
    store->setInt32(section, u"individualVolumeBoost", numbers.volumeBoost);
  }
}

void importNumbers(map::IMappedData* store, const WCHAR* section, Numbers& numbers,
                   int32_t* bitrate) {
  numbers.songNumber = store->getInt32(section, u"songNumber", -1);
  numbers.playTimeMillis = store->getInt32(section, u"playTimeMilliSec", 0);
  if (bitrate != nullptr) *bitrate = store->getInt32(section, u"bitRateKBps", 0);
  numbers.stereo = store->getBool(section, u"isStereo", true);
  numbers.sampleRate = store->getInt32(section, u"sampleRate", 44100);
  numbers.volumeBoost = store->getInt32(section, u"individualVolumeBoost", -1000);
}

}  // namespace s::sound::info
