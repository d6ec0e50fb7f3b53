// The BladeEnc-style interface of the MP3 encoder library "lame_enc.dll" (liblame_enc.so here):
// result codes, the 331-byte LAME configuration record, and the entry points. Declarations only;
// the program reaches the entry points at run time through GetProcAddress.
#pragma once

#include <cstdint>

extern "C" {

/// Result of every entry point but beVersion.
typedef uint32_t BE_ERR;

/// One encoder stream. An opaque number, 0 is never a stream; a closed or unknown number is
/// refused with BE_ERR_INVALID_HANDLE, never dereferenced.
typedef uint64_t HBE_STREAM;

inline constexpr BE_ERR BE_ERR_SUCCESSFUL = 0;
inline constexpr BE_ERR BE_ERR_INVALID_FORMAT = 1;             // not a record this library reads
inline constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 2;  // a value the encoder cannot honour
inline constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 3;            // the encoder could not be created
inline constexpr BE_ERR BE_ERR_INVALID_HANDLE = 4;             // unknown, closed or finished stream
inline constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 5;           // more samples than one call takes

/// The configuration kind of the LAME record, the only kind this library reads.
inline constexpr uint32_t BE_CONFIG_LAME = 256;
/// The record version and size this library reads.
inline constexpr uint32_t BE_CONFIG_VERSION = 1;
inline constexpr uint32_t BE_CONFIG_SIZE = 331;

/// Channel modes. Dual channel is part of the format but the encoder cannot produce it.
inline constexpr int32_t BE_MP3_MODE_STEREO = 0;
inline constexpr int32_t BE_MP3_MODE_JSTEREO = 1;
inline constexpr int32_t BE_MP3_MODE_DUALCHANNEL = 2;
inline constexpr int32_t BE_MP3_MODE_MONO = 3;

/// Quality presets: how much time the encoder spends on each frame.
inline constexpr int32_t BE_PRESET_NONE = -1;  // the encoder's default
inline constexpr int32_t BE_PRESET_NORMAL = 0;
inline constexpr int32_t BE_PRESET_LOW = 1;   // fastest
inline constexpr int32_t BE_PRESET_HIGH = 2;  // slowest, best

/// Variable-bitrate methods, read when VBR is enabled.
inline constexpr int32_t BE_VBR_METHOD_NONE = -1;  // same as the default
inline constexpr int32_t BE_VBR_METHOD_DEFAULT = 0;
inline constexpr int32_t BE_VBR_METHOD_OLD = 1;
inline constexpr int32_t BE_VBR_METHOD_NEW = 2;
inline constexpr int32_t BE_VBR_METHOD_MTRH = 3;
inline constexpr int32_t BE_VBR_METHOD_ABR = 4;  // average bitrate: abrBitrate

#pragma pack(push, 1)
/// The LAME configuration record: little-endian, no padding, 331 bytes. Booleans are 0 or
/// not 0. Bytes the caller does not use stay 0.
struct BE_CONFIG {
  uint32_t configKind;     // BE_CONFIG_LAME
  uint32_t recordVersion;  // BE_CONFIG_VERSION
  uint32_t recordSize;     // BE_CONFIG_SIZE
  uint32_t inputRate;      // Hz of the samples handed to beEncodeChunk
  uint32_t outputRate;     // Hz of the MP3 stream; 0: the input rate (the encoder picks when
                           // the input rate is not an MPEG rate)
  int32_t mode;            // BE_MP3_MODE_...
  uint32_t bitrate;        // kbps: the constant bitrate, or the least bitrate with VBR
  uint32_t maxBitrate;     // kbps: the highest bitrate with VBR; 0 = the format's highest
  int32_t preset;          // BE_PRESET_...
  uint32_t mpegVersion;    // 1 MPEG-1, 0 MPEG-2; not read: the output rate decides
  uint32_t psychoModel;    // must be 0: the encoder has one model
  uint32_t emphasis;       // 0 none, 1 50/15 us, 3 CCITT J.17
  int32_t privateBit;      // header flags of every frame
  int32_t crc;
  int32_t copyright;
  int32_t original;
  int32_t writeVbrHeader;  // reserve a first frame for the stream's tag (beWriteInfoTag)
  int32_t enableVbr;
  int32_t vbrQuality;        // 0 best .. 9 smallest
  uint32_t abrBitrate;       // bits per second, with BE_VBR_METHOD_ABR
  int32_t vbrMethod;         // BE_VBR_METHOD_...
  int32_t disableReservoir;  // every frame decodable on its own
  int32_t strictIso;
  uint16_t quality;  // must be 0: the preset decides
  uint8_t reserved[237];
};
#pragma pack(pop)
static_assert(sizeof(BE_CONFIG) == BE_CONFIG_SIZE, "the record is a wire format of 331 bytes");

/// What beVersion reports.
struct BE_VERSION {
  uint8_t libraryMajor;  // this library
  uint8_t libraryMinor;
  uint8_t engineMajor;  // the encoder it drives
  uint8_t engineMinor;
  uint8_t day;  // release date of the library; 0 when not recorded
  uint8_t month;
  uint16_t year;
  char homepage[129];  // the encoder's home page, NUL-terminated
  uint8_t alphaLevel;
  uint8_t betaLevel;
  uint8_t mmxEnabled;
  uint8_t reserved[125];
};

/// Opens a stream described by `config`. On success fills the most samples (over all channels)
/// that one beEncodeChunk call takes, the output buffer size that every call needs, and the
/// stream. Any other result leaves the three values untouched and opens nothing.
BE_ERR beInitStream(const BE_CONFIG* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                    HBE_STREAM* stream);

/// Encodes `sampleCount` 16-bit samples (interleaved left, right when the stream has two
/// channels, so an even count). Writes at most the announced output buffer size into `output`
/// and the count of bytes written into `outputCount` (0 on failure).
BE_ERR beEncodeChunk(HBE_STREAM stream, uint32_t sampleCount, const int16_t* samples,
                     uint8_t* output, uint32_t* outputCount);

/// Finishes the stream: writes its last frames (at most the announced size). The stream then
/// takes no more samples; a second call writes nothing.
BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* outputCount);

/// Frees the stream; the number is invalid after it.
BE_ERR beCloseStream(HBE_STREAM stream);

/// Fills `version`; does nothing with a null pointer.
void beVersion(BE_VERSION* version);

/// Writes the tag of the stream finished last in this process (which must still be open) into
/// the file `fileName`. beWriteInfoTag names the stream instead.
BE_ERR beWriteVBRHeader(const char* fileName);

/// After beDeinitStream of a stream opened with writeVbrHeader: overwrites the first frame of
/// the file `fileName` (after an ID3v2 tag) with the stream's tag (frame count, byte count,
/// seek table, encoder delay). The name is a POSIX path or a "Z:\" path, in UTF-8.
BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* fileName);

typedef BE_ERR (*BeInitStreamProc)(const BE_CONFIG*, uint32_t*, uint32_t*, HBE_STREAM*);
typedef BE_ERR (*BeEncodeChunkProc)(HBE_STREAM, uint32_t, const int16_t*, uint8_t*, uint32_t*);
typedef BE_ERR (*BeDeinitStreamProc)(HBE_STREAM, uint8_t*, uint32_t*);
typedef BE_ERR (*BeCloseStreamProc)(HBE_STREAM);
typedef void (*BeVersionProc)(BE_VERSION*);
typedef BE_ERR (*BeWriteVbrHeaderProc)(const char*);
typedef BE_ERR (*BeWriteInfoTagProc)(HBE_STREAM, const char*);

}  // extern "C"
