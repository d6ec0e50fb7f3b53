// The conversion of one audio file: the name suffix and filter of each effect, the speed table,
// the MP3 bitrate, and the block pump between a reader and a writer.
#pragma once

#include <winnt.h>

#include <cstdint>

namespace s::file::win {
class FileInputStream;
class FileOutputStream;
}  // namespace s::file::win
namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::sound {
class IEncodedAudio;
class IFilter;
}  // namespace s::sound

namespace s::sound::gui::dialogs::effect {

/// Bytes read and written at a time.
constexpr uint32_t kBlockBytes = 4096;

/// Where the block pump reports its progress: bytes of the source done out of its size.
class IProgressReceiver {
 public:
  virtual ~IProgressReceiver() = default;
  virtual void reportProgress(int64_t total, int64_t done, const WCHAR* fileName) = 0;
};

/// Appends the name suffix of the effect at `index` with its level and quality ("(BB,5,NM)"
/// after a space); nothing for a separator row.
void appendSuffix(str::strbuffer::StrBuffer* out, int32_t index, int32_t level, int32_t quality);

/// The range tag of an equaliser suffix: "VNR", "NR", "NM", "WD" or "VWD" for the cover ranges
/// 1 to 5, "" for any other value.
const WCHAR* rangeTag(int32_t range);

/// The speed factor of a speed effect's level (1 + level / 100 for the levels its menu offers);
/// 1 for any other effect or level.
float speedFactorFor(int32_t index, int32_t level);

/// The filter of the effect at `index`, taken from its pool and set up with the level and
/// quality (a speed effect's pitch shifter brings back the pitch that its speed factor moves);
/// null for a separator row. The caller adds it to a chain, which owns it, or releases it.
IFilter* createFilter(int32_t index, int32_t level, int32_t quality);

/// The bitrate of an MP3 output in kbps for a source of `sourceKbps`: 192, raised to the next
/// rate above it up to 320 when the source's is higher (-1, unknown, stays 192).
int32_t outputBitrateFor(int32_t sourceKbps);

/// Opens `path` as the reader's input: the file size, then the stream, whose header the reader
/// reads at once. Answers the stream, which the reader owns (its `isAsOpened` tells after the
/// pump whether the source changed while it was read); null when the file cannot be opened for
/// reading, and the reader then has no input.
file::win::FileInputStream* setInputPath(IEncodedAudio* audio, const WCHAR* path);

/// Opens a new output file that takes the name `path` (its folders made as needed) only when
/// the caller publishes the stream, and attaches it to the writer, which does not own it: the
/// caller closes the writer first (the header, the last frames), then publishes the stream when
/// the conversion is whole and disposes of it in any case. Until published the file has no name,
/// so a failed, cancelled or killed conversion leaves nothing under `path`. Null when it cannot
/// be made (also when `path` exists already); nothing is attached then.
file::win::FileOutputStream* setOutputPath(IEncodedAudio* audio, const WCHAR* path);

/// Why a file pumped by `transcode` is not a converted file.
enum class PumpResult : int32_t {
  kConverted,
  /// The reader gave no block.
  kNothingRead,
  /// A block could not be written.
  kWriteFailed,
};

/// Reads the reader to its end in blocks, writes each block through the writer (whose chain
/// filters it; the first block fixes the output format) and reports the source bytes done to
/// `receiver` after each block. Stops at the first block that cannot be written. `total` is the
/// source's size in bytes and `fileName` the name shown with the progress.
PumpResult transcode(IEncodedAudio* writer, IEncodedAudio* reader, int64_t total,
                     const WCHAR* fileName, IProgressReceiver* receiver);

}  // namespace s::sound::gui::dialogs::effect
