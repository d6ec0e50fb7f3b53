// mpglib's decoder calls over libmpg123's feed interface.
#include "mpglib/mpglib.h"

#include <mpg123.h>

#include <cstddef>

namespace {

// Bytes of one sample over all channels at most (16-bit stereo): PCM is handed out in whole
// samples, so an odd block size is rounded down to this.
constexpr int kLargestSample = 4;
// Calls that may answer success with no PCM (a frame cut whole by gapless decoding, a new
// format) before the decoder has either PCM or a need for input; far more than ever happen.
constexpr int kEmptyTurns = 64;

bool libraryReady() {
  // Needed once per process by libmpg123 before 1.27; harmless after.
  static const bool ready = mpg123_init() == MPG123_OK;
  return ready;
}

bool configure(mpg123_handle* h) {
  // Quiet: a library in a program prints nothing. Gapless: see InitMP3. The ID3v2 tag is
  // skipped by its size rather than parsed, since the reader never needs it.
  if (mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_SKIP_ID3V2, 0) !=
      MPG123_OK)
    return false;
  // A damaged stretch of any length is skipped until the next frame, as mpglib does, instead
  // of giving up after a kilobyte.
  if (mpg123_param(h, MPG123_RESYNC_LIMIT, -1, 0) != MPG123_OK) return false;
  // Every rate, one or two channels, 16-bit only: the decoder then keeps the stream's own rate
  // and channels, as there is nothing to convert to.
  if (mpg123_format_none(h) != MPG123_OK) return false;
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i) {
    if (mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK)
      return false;
  }
  return mpg123_open_feed(h) == MPG123_OK;
}

void noteFormat(mpstr* mp) {
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(mp->decoder, &rate, &channels, &encoding) == MPG123_OK) {
    mp->rate = rate;
    mp->channels = channels;
  }
}

}  // namespace

bool InitMP3(mpstr* mp) {
  if (mp == nullptr) return false;
  mp->decoder = nullptr;
  mp->rate = 0;
  mp->channels = 0;
  if (!libraryReady()) return false;
  mpg123_handle* h = mpg123_new(nullptr, nullptr);
  if (h == nullptr) return false;
  if (!configure(h)) {
    mpg123_delete(h);
    return false;
  }
  mp->decoder = h;
  return true;
}

int decodeMP3(mpstr* mp, const unsigned char* in, int inSize, unsigned char* out, int outSize,
              int* done) {
  if (done != nullptr) *done = 0;
  if (mp == nullptr || mp->decoder == nullptr || done == nullptr || out == nullptr || inSize < 0 ||
      (inSize > 0 && in == nullptr) || outSize < kLargestSample) {
    return MP3_ERR;
  }
  size_t room = static_cast<size_t>(outSize - outSize % kLargestSample);
  size_t got = 0;
  int result = mpg123_decode(mp->decoder, inSize > 0 ? in : nullptr, static_cast<size_t>(inSize),
                             out, room, &got);
  for (int turn = 0; got == 0 && turn < kEmptyTurns; ++turn) {
    if (result == MPG123_NEW_FORMAT) {
      noteFormat(mp);
    } else if (result != MPG123_OK) {
      break;
    }
    result = mpg123_decode(mp->decoder, nullptr, 0, out, room, &got);
  }
  // A format change after PCM of the old format: the old PCM goes out now, the new format is
  // noted for what follows.
  if (result == MPG123_NEW_FORMAT) noteFormat(mp);

  // PCM always goes out with MP3_OK, even when the decoder ran dry or hit damage right after
  // it: a caller stops reading the output at any other result.
  if (got > 0) {
    *done = static_cast<int>(got);
    return MP3_OK;
  }
  if (result == MPG123_OK || result == MPG123_NEW_FORMAT || result == MPG123_NEED_MORE ||
      result == MPG123_DONE) {
    return MP3_NEED_MORE;
  }
  return MP3_ERR;
}

bool ResetMP3(mpstr* mp) {
  if (mp == nullptr || mp->decoder == nullptr) return false;
  mpg123_close(mp->decoder);
  return mpg123_open_feed(mp->decoder) == MPG123_OK;
}

void ExitMP3(mpstr* mp) {
  if (mp == nullptr || mp->decoder == nullptr) return;
  mpg123_delete(mp->decoder);
  mp->decoder = nullptr;
}
