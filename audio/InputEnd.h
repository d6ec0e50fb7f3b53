// Where a reader's input ends: the one rule by which every reader bounds what it reads.
#pragma once

#include <cstdint>

namespace s::io {
class IInputStream;
}

namespace s::sound {

/// The stream position at which the file read through `stream` ends, for a file that begins at
/// `start` and whose size the caller gave as `fileSize` (-1: unknown): the smaller of the
/// stream's own end, when the stream can tell it, and `start + fileSize`; INT64_MAX when neither
/// is known. A reader reads nothing at or after it, so a source that never ends (a device such
/// as /dev/zero, whose size is 0, or a file that keeps growing) is read only as far as the size
/// it had. The stream is left at `start`.
int64_t findInputEnd(io::IInputStream* stream, int64_t start, int64_t fileSize);

}  // namespace s::sound
