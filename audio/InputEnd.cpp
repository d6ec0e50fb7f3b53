// Where a reader's input ends.
#include "audio/InputEnd.h"

#include "core/io/IInputStream.h"

#include <algorithm>
#include <limits>

namespace s::sound {

int64_t findInputEnd(io::IInputStream* stream, int64_t start, int64_t fileSize) {
  int64_t end = std::numeric_limits<int64_t>::max();
  if (stream == nullptr) {
    return end;
  }
  if (stream->isSeekable()) {
    const int64_t streamEnd = stream->seekToEnd();
    if (streamEnd >= start) {
      end = streamEnd;
    }
    stream->seek(start);
  }
  if (fileSize >= 0) {
    end = std::min(end, start + fileSize);
  }
  return end;
}

}  // namespace s::sound
