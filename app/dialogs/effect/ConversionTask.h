// The conversion task of the effect window: every dropped path converted on the worker thread,
// with a result for each, and the report of the files that were not converted.
#pragma once

#include "app/dialogs/effect/Conversion.h"

#include <winnt.h>

#include <cstdint>
#include <string>
#include <vector>

namespace s::file::win {
class PathWin;
}
namespace s::lang {
class Localizer;
}
namespace s::str::strarray {
class StrArray;
}
namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::sound::gui::dialogs::effect {

class Setting;

/// The names of the status events the task sends to its window, as the first argument of the
/// window's synchronous user event.
inline constexpr const WCHAR* kProcessStatusStart = u"ProcessStatusStart";
inline constexpr const WCHAR* kProcessStatusEnd = u"ProcessStatusEnd";

/// What became of one path of a run.
enum class EntryResult : int32_t {
  kConverted,
  /// The path names nothing, or a folder.
  kNotFound,
  /// Not a ".mp3" or ".wav" file.
  kNotAudioFile,
  /// The file cannot be opened for reading, or changed while it was read (cut, grown,
  /// rewritten, removed).
  kUnreadable,
  /// The reader found no audio it can convert: a damaged file, or audio of another kind.
  kUndecodable,
  /// The output could not be created, written or finished; nothing of it is left.
  kUnwritable,
  /// The path is longer than the program's paths hold: it can be neither read nor named.
  kPathTooLong,
  /// The converted WAV file would pass the 4 GiB that a WAV file's sizes count; nothing of it
  /// is written.
  kTooLargeForWave,
  /// No MP3 can be written: the encoder library is missing.
  kEncoderMissing,
  /// No MP3 can be written: the encoder library is there but cannot be loaded (no library, or
  /// not the whole interface).
  kEncoderNotLoadable,
};

/// The results of one run, in the order of the path list: each path's file name (title and
/// extension) and what became of it. The task fills it on the worker and the window reads it on
/// its UI thread while it handles "ProcessStatusEnd", the worker waiting in its send, so it needs
/// no lock of its own. The task empties it at the start of every run.
class ConversionResults {
 public:
  struct Entry {
    std::u16string fileName;
    EntryResult result;
  };

  void clear() {
    m_entries.clear();
    m_cancelled = false;
  }
  void add(const WCHAR* fileName, EntryResult result) {
    m_entries.push_back({fileName != nullptr ? fileName : u"", result});
  }
  const std::vector<Entry>& getEntries() const { return m_entries; }
  /// The number of entries that were not converted.
  uint32_t countNotConverted() const;
  /// The run stopped for a cancel before its last path.
  bool wasCancelled() const { return m_cancelled; }
  void setCancelled(bool cancelled) { m_cancelled = cancelled; }

 private:
  std::vector<Entry> m_entries;
  bool m_cancelled = false;
};

/// What the task needs of its window. The window owns the path list, its lock, the cancel flag,
/// the output folder, the effect setting and the results; the task calls every operation on the
/// worker thread.
class ITaskWindow : public IProgressReceiver {
 public:
  /// The window lock, which guards the path list and the cancel flag.
  virtual void lockTask() = 0;
  virtual void unlockTask() = 0;
  /// Read with the lock held.
  virtual bool isCancelRequested() = 0;
  /// The paths to convert, in drop order; read with the lock held.
  virtual str::strarray::StrArray* getPathList() = 0;
  /// The folder the outputs go to, resolved by the window before the task starts.
  virtual file::win::PathWin* getOutputFolder() = 0;
  virtual const Setting& getSetting() = 0;
  virtual ConversionResults* getResults() = 0;
  virtual void beginTaskbarProgress() = 0;
  virtual void endTaskbarProgress() = 0;
  /// Sends a status event to the window and waits until its UI thread has handled it. Called
  /// without the lock held.
  virtual void sendStatusEvent(const WCHAR* name, int64_t total, int64_t done,
                               const WCHAR* text) = 0;
};

/// The task body: "ProcessStatusStart", then every path of the list converted with the window's
/// setting into the output folder (the count read again after each file, the cancel flag before
/// each), then "ProcessStatusEnd". The lock is held only to read the flag, the count and an
/// entry; never while a file converts or an event is sent.
void runConversionTask(ITaskWindow* window);

/// Converts the file at `path` with the effect `setting` into `outputFolder` (created when
/// missing) and answers what became of it; `fileName` receives the path's file name as the user
/// reads it (for the progress and the report), whole also when the path is too long for the
/// program. An output that is not a whole conversion is removed.
EntryResult convertFile(const WCHAR* path, const Setting& setting, file::win::PathWin* outputFolder,
                        IProgressReceiver* receiver, str::strbuffer::StrBuffer* fileName);

/// Report texts: the heading, a reason per result, the line before the count of the files left
/// out of the list.
constexpr int32_t kNotConvertedHeadingId = 609470;
constexpr int32_t kReasonNotFoundId = 609471;
constexpr int32_t kReasonNotAudioFileId = 609472;
constexpr int32_t kReasonUnreadableId = 609473;
constexpr int32_t kReasonUndecodableId = 609474;
constexpr int32_t kReasonUnwritableId = 609475;
constexpr int32_t kFurtherNotConvertedId = 609476;
constexpr int32_t kReasonPathTooLongId = 609477;
constexpr int32_t kReasonTooLargeForWaveId = 609478;
constexpr int32_t kReasonEncoderMissingId = 609479;
constexpr int32_t kReasonEncoderNotLoadableId = 609480;
/// The files the report names one by one; the rest are counted.
constexpr uint32_t kReportedFiles = 20;

/// The text id of the reason for `result`; -1 for a converted file.
int32_t reasonTextId(EntryResult result);

/// The report of the files of `results` that were not converted, in the localizer's language:
/// the heading, then a line per file ("name: reason"), at most 20, then the line of the further
/// files with their number. Null when every file converted; else a pooled text the caller
/// releases.
str::strbuffer::StrBuffer* newNotConvertedReport(const ConversionResults& results,
                                                 lang::Localizer* localizer);

}  // namespace s::sound::gui::dialogs::effect
