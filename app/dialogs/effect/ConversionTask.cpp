// The conversion task of the effect window.
#include "app/dialogs/effect/ConversionTask.h"

#include "app/dialogs/effect/Setting.h"
#include "audio/IEncodedAudio.h"
#include "audio/IFilter.h"
#include "audio/mp3/win/Mp3.h"
#include "audio/wav/Wave.h"
#include "audio/win/Mp3Encoder.h"
#include "core/file/win/FileInputStream.h"
#include "core/file/win/FileOutputStream.h"
#include "core/file/win/PathWin.h"
#include "core/file/win/ShownPath.h"
#include "core/str/strarray/StrArray.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/lang/Localizer.h"

#include <string>
#include <string_view>

namespace s::sound::gui::dialogs::effect {

namespace {

using file::win::PathWin;
using str::strbuffer::StrBuffer;

/// The output path of `source` in `folder` with `suffix` between title and extension, or its
/// first free sibling when that is taken.
PathWin* newOutputPath(PathWin* folder, PathWin* source, const WCHAR* suffix) {
  PathWin* child = folder->newChild(source->getFileName());
  if (child == nullptr) {
    return nullptr;
  }
  PathWin* named = child->newWithSuffix(suffix);
  child->release();
  if (named == nullptr || !named->exists()) {
    return named;
  }
  PathWin* unique = named->newUniqueSibling();
  if (unique != named) {
    named->release();
  }
  return unique;
}

/// Why no output of the length `dataBytes` can be written by `writer` (an MP3 writer when `mp3`,
/// else a WAV writer), asked before any of it is: the encoder library's fault, or a WAV file's
/// size limit; kConverted when nothing stands in the way.
EntryResult checkWriter(bool mp3, IEncodedAudio* writer, uint64_t dataBytes) {
  if (!mp3) {
    return static_cast<wav::Wave*>(writer)->canHold(dataBytes) ? EntryResult::kConverted
                                                               : EntryResult::kTooLargeForWave;
  }
  switch (sound::win::getEncoderLibraryFault()) {
    case sound::win::EncoderLibraryFault::kMissing: return EntryResult::kEncoderMissing;
    case sound::win::EncoderLibraryFault::kNotLoadable: return EntryResult::kEncoderNotLoadable;
    case sound::win::EncoderLibraryFault::kNone: break;
  }
  return EntryResult::kConverted;
}

/// Appends the last name of `path` (passing over separators at its end) as the user reads it:
/// the file name of a path too long for PathWin, which then has none.
void appendLastName(StrBuffer* out, const WCHAR* path) {
  std::u16string_view text(path);
  while (!text.empty() && (text.back() == u'\\' || text.back() == u'/')) {
    text.remove_suffix(1);
  }
  const size_t separator = text.find_last_of(u"\\/");
  const std::u16string name(
      text.substr(separator == std::u16string_view::npos ? 0 : separator + 1));
  s::file::win::appendShownPath(out, name.c_str());
}

/// The conversion of one existing ".mp3" or ".wav" file, after the checks of its path.
EntryResult convertAudio(PathWin* source, bool mp3, const Setting& setting, PathWin* folder,
                         IProgressReceiver* receiver, const WCHAR* fileName) {
  if (!folder->exists() && !folder->createDirectory(true)) {
    return EntryResult::kUnwritable;
  }
  StrBuffer* suffix = StrBuffer::take();
  appendSuffix(suffix, setting.getIndex(), setting.getLevel(), setting.getQuality());
  PathWin* output = newOutputPath(folder, source, suffix->getCStr());
  suffix->release();
  if (output == nullptr) {
    return EntryResult::kUnwritable;
  }
  IEncodedAudio* reader = mp3 ? static_cast<IEncodedAudio*>(mp3::win::Mp3::take())
                              : static_cast<IEncodedAudio*>(wav::Wave::take());
  IEncodedAudio* writer = mp3 ? static_cast<IEncodedAudio*>(mp3::win::Mp3::take())
                              : static_cast<IEncodedAudio*>(wav::Wave::take());
  auto done = [&](EntryResult result) {
    writer->releaseToPool();
    reader->releaseToPool();
    output->release();
    return result;
  };
  if (mp3) {
    static_cast<mp3::win::Mp3*>(writer)->setBitrate(192);
  }
  file::win::FileInputStream* input = setInputPath(reader, source->getFullPath());
  if (input == nullptr) {
    return done(EntryResult::kUnreadable);
  }
  // A reader that measured no audio (a refused header, no MPEG frames) would make an empty
  // file: such a source gets no output at all.
  if (reader->getPcmLength() <= 0) {
    return done(EntryResult::kUndecodable);
  }
  // The effects keep the length: a WAV output holds as many bytes as the source's data.
  const EntryResult writable =
      checkWriter(mp3, writer, mp3 ? 0 : static_cast<wav::Wave*>(reader)->getDataLength());
  if (writable != EntryResult::kConverted) {
    return done(writable);
  }
  if (mp3) {
    static_cast<mp3::win::Mp3*>(writer)->setBitrate(
        outputBitrateFor(static_cast<mp3::win::Mp3*>(reader)->getBitrate()));
  }
  file::win::FileOutputStream* stream = setOutputPath(writer, output->getFullPath());
  if (stream == nullptr) {
    return done(EntryResult::kUnwritable);
  }
  if (IFilter* filter =
          createFilter(setting.getIndex(), setting.getLevel(), setting.getQuality())) {
    writer->addFilter(filter);
  }
  const float factor = speedFactorFor(setting.getIndex(), setting.getLevel());
  if (factor != 1.0f) {
    reader->setSpeedFactor(factor);
  }
  const int64_t total = source->getSize(false, true, nullptr, nullptr, true);
  const PumpResult pumped = transcode(writer, reader, total, fileName, receiver);
  // A source cut, grown, rewritten or removed while it was read gave part of some file, not the
  // conversion of one; a file that was short before it was opened converts as it is.
  const bool sourceKept = input->isAsOpened();
  // A damaged MP3 gives the part of its audio that still decodes: that is not its conversion.
  const bool whole = !mp3 || !static_cast<mp3::win::Mp3*>(reader)->hasLostAudio();
  const bool finished = writer->close();
  reader->close();
  // The output takes its name only whole; anything else is gone with its stream, so nothing
  // half-written ever stands under a converted file's name.
  const bool named =
      pumped == PumpResult::kConverted && sourceKept && whole && finished && stream->publish(false);
  stream->dispose();
  if (named) {
    return done(EntryResult::kConverted);
  }
  if (pumped == PumpResult::kWriteFailed) {
    const bool tooLarge =
        !mp3 && static_cast<wav::Wave*>(writer)->getFault() == wav::Wave::Fault::kSizeLimit;
    return done(tooLarge ? EntryResult::kTooLargeForWave : EntryResult::kUnwritable);
  }
  if (!sourceKept) {
    return done(EntryResult::kUnreadable);
  }
  return done(pumped == PumpResult::kNothingRead || !whole ? EntryResult::kUndecodable
                                                           : EntryResult::kUnwritable);
}

}  // namespace

uint32_t ConversionResults::countNotConverted() const {
  uint32_t count = 0;
  for (const Entry& entry : m_entries) {
    if (entry.result != EntryResult::kConverted) {
      ++count;
    }
  }
  return count;
}

EntryResult convertFile(const WCHAR* path, const Setting& setting, PathWin* outputFolder,
                        IProgressReceiver* receiver, StrBuffer* fileName) {
  PathWin* source = PathWin::take();
  source->setPathText(path);
  fileName->clear();
  if (!source->isValid() && path != nullptr && *path != 0) {
    // A part longer than PathWin holds: no file call gets the path, and the report still names
    // the file, whole.
    appendLastName(fileName, path);
    source->release();
    return EntryResult::kPathTooLong;
  }
  s::file::win::appendShownPath(fileName, source->getFileName());
  StrBuffer* extension = source->copyExtension(nullptr, false);
  EntryResult result = EntryResult::kNotFound;
  if (source->exists() && source->isFile()) {
    const bool mp3 = extension->matchesAtIgnoreCase(0, u".mp3", 0, -1);
    const bool wav = extension->matchesAtIgnoreCase(0, u".wav", 0, -1);
    result = mp3 || wav
                 ? convertAudio(source, mp3, setting, outputFolder, receiver, fileName->getCStr())
                 : EntryResult::kNotAudioFile;
  }
  extension->release();
  source->release();
  return result;
}

void runConversionTask(ITaskWindow* window) {
  ConversionResults* results = window->getResults();
  results->clear();
  window->beginTaskbarProgress();
  window->sendStatusEvent(kProcessStatusStart, 0, 0, nullptr);
  StrBuffer* entry = StrBuffer::take();
  StrBuffer* fileName = StrBuffer::take();
  window->lockTask();
  str::strarray::StrArray* paths = window->getPathList();
  for (uint32_t i = 0; i < paths->getCount(); ++i) {
    if (window->isCancelRequested()) {
      results->setCancelled(true);
      break;
    }
    // The entry is copied while the lock is held: the list may grow while a file converts.
    entry->assign(paths->get(i)->getCStr());
    window->unlockTask();
    const EntryResult result = convertFile(entry->getCStr(), window->getSetting(),
                                           window->getOutputFolder(), window, fileName);
    results->add(fileName->getCStr(), result);
    window->lockTask();
  }
  window->unlockTask();
  fileName->release();
  entry->release();
  window->endTaskbarProgress();
  window->sendStatusEvent(kProcessStatusEnd, 0, 0, nullptr);
}

int32_t reasonTextId(EntryResult result) {
  switch (result) {
    case EntryResult::kNotFound: return kReasonNotFoundId;
    case EntryResult::kNotAudioFile: return kReasonNotAudioFileId;
    case EntryResult::kUnreadable: return kReasonUnreadableId;
    case EntryResult::kUndecodable: return kReasonUndecodableId;
    case EntryResult::kUnwritable: return kReasonUnwritableId;
    case EntryResult::kPathTooLong: return kReasonPathTooLongId;
    case EntryResult::kTooLargeForWave: return kReasonTooLargeForWaveId;
    case EntryResult::kEncoderMissing: return kReasonEncoderMissingId;
    case EntryResult::kEncoderNotLoadable: return kReasonEncoderNotLoadableId;
    case EntryResult::kConverted: break;
  }
  return -1;
}

StrBuffer* newNotConvertedReport(const ConversionResults& results, lang::Localizer* localizer) {
  const uint32_t failed = results.countNotConverted();
  if (failed == 0) {
    return nullptr;
  }
  StrBuffer* report = StrBuffer::take();
  report->append(localizer->getText(kNotConvertedHeadingId));
  uint32_t listed = 0;
  for (const ConversionResults::Entry& entry : results.getEntries()) {
    if (entry.result == EntryResult::kConverted) {
      continue;
    }
    if (listed == kReportedFiles) {
      break;
    }
    report->append(u"\n")->append(entry.fileName.c_str())->append(u": ");
    report->append(localizer->getText(reasonTextId(entry.result)));
    ++listed;
  }
  if (failed > listed) {
    report->append(u"\n")->append(localizer->getText(kFurtherNotConvertedId))->append(u" ");
    report->appendUInt32(failed - listed);
  }
  return report;
}

}  // namespace s::sound::gui::dialogs::effect
