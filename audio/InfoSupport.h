// What the song-information records of every file kind share: the song-list row and the stored
// path with the numbers every record keeps.
#pragma once

#include <winnt.h>

#include <cstdint>

namespace s::file::win {
class PathWin;
}
namespace s::gui::listbox2 {
class Record;
}
namespace s::map {
class IMappedData;
}

namespace s::sound::info {

/// The texts of a record's song-list row: cells 1 and 3 to 7 (cell 0 is the number, cell 2 the
/// play time in seconds).
struct RowTexts {
  const WCHAR* title;
  const WCHAR* cell3;
  const WCHAR* cell4;
  const WCHAR* cell5;
  const WCHAR* fileName;
  const WCHAR* fullPath;
};

/// A row for `owner` with its eight cells; null when no row or cell can be taken.
gui::listbox2::Record* makeRow(void* owner, int32_t number, int32_t seconds, const RowTexts& texts);
/// Gives cells 0 to 5 new values while the row is in a store and not removed, through the store's
/// list window when it has one.
void updateRow(gui::listbox2::Record* row, int32_t number, int32_t seconds, const RowTexts& texts);

/// "filePath": the full path (the empty text without one), relative to `baseFolder` when one is
/// given, the path does not start with "." and the folder is on the same volume.
void exportPath(map::IMappedData* store, const WCHAR* section, file::win::PathWin* path,
                const WCHAR* baseFolder);
/// The stored "filePath" as a new path (the caller releases it): a relative text is resolved
/// against `preferredFolder` when the result is absolute and exists, else against an absolute
/// `baseFolder`, else taken as it stands. Null when no path can be taken from the pool.
file::win::PathWin* importPath(map::IMappedData* store, const WCHAR* section,
                               const WCHAR* baseFolder, const WCHAR* preferredFolder);

/// The numbers every record stores: "songNumber" (when not -1), "playTimeMilliSec", "isStereo",
/// "sampleRate" and "individualVolumeBoost" (when not -1000); `bitrate` (when not null) is stored
/// as "bitRateKBps" after the play time.
struct Numbers {
  int32_t songNumber;
  int32_t playTimeMillis;
  const int32_t* bitrate;
  bool stereo;
  int32_t sampleRate;
  int32_t volumeBoost;
};
void exportNumbers(map::IMappedData* store, const WCHAR* section, const Numbers& numbers);
/// Reads them back with the defaults -1, 0, 0 (bitrate), true, 44100 and -1000.
void importNumbers(map::IMappedData* store, const WCHAR* section, Numbers& numbers,
                   int32_t* bitrate);

}  // namespace s::sound::info
