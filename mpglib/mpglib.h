// The MP3 decoder's calls in mpglib's form (initialise a state, decode a chunk, exit) over
// libmpg123. Input is fed in chunks of any size; PCM comes out as 16-bit samples at the file's
// own rate and channel count, interleaved, never resampled or remixed.
#pragma once

struct mpg123_handle_struct;

/// Results of decodeMP3.
inline constexpr int MP3_ERR = -1;       // the stream is broken here; feeding more may recover
inline constexpr int MP3_OK = 0;         // PCM was written (done > 0); call again for more
inline constexpr int MP3_NEED_MORE = 1;  // nothing more to decode without new input

/// One decoder. The caller owns the memory and may take it from the C allocator uninitialised:
/// InitMP3 sets every field. One thread at a time.
struct mpstr {
  mpg123_handle_struct* decoder;  // null before InitMP3 and after ExitMP3
  long rate;                      // Hz of the PCM handed out; 0 until the first frame
  int channels;                   // 1 or 2; 0 until the first frame
};

/// Makes `mp` a decoder at the start of a stream. False (and `mp` without a decoder) when the
/// decoder cannot be created. Gapless decoding is on: when the stream's first frame records the
/// encoder's delay and padding (a LAME/Info tag), they are cut and that frame is not output;
/// streams without one decode whole, frame by frame.
bool InitMP3(mpstr* mp);

/// Feeds `inSize` bytes (none with a null `in`) and writes up to `outSize` bytes of PCM, a
/// whole number of samples over all channels, into `out`; `done` gets the count. The input is
/// always taken whole. MP3_OK comes only with PCM, so a loop that calls again while it gets
/// MP3_OK ends; MP3_NEED_MORE and MP3_ERR come with done = 0. Bad arguments give MP3_ERR.
int decodeMP3(mpstr* mp, const unsigned char* in, int inSize, unsigned char* out, int outSize,
              int* done);

/// Forgets all input and PCM not yet handed out, so the next bytes fed may start anywhere in
/// the stream. After a seek the caller moves its input, calls this, and feeds from the new
/// position; the decoder finds the next frame by itself. (Draining alone would leave part of a
/// frame from the old position to be glued to the new bytes.) False without a decoder.
bool ResetMP3(mpstr* mp);

/// Ends the decoder; `mp` may then be freed or given to InitMP3 again. Null and ended states
/// are fine.
void ExitMP3(mpstr* mp);
