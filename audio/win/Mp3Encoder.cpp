// The encoder driver: loading "lame_enc.dll", the configuration record, and the conversion of
// PCM blocks into the stream's 16-bit layout.
#include "audio/win/Mp3Encoder.h"

#include "core/str/strbuffer/StrBuffer.h"
#include "core/system/win/DllLocater.h"
#include "core/system/win/UserNotice.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace s::sound::win {

namespace {

/// The entry points of the loaded library; all null when it could not be used.
struct EncoderLibrary {
  BeInitStreamProc init = nullptr;
  BeEncodeChunkProc encodeChunk = nullptr;
  BeDeinitStreamProc deinit = nullptr;
  BeCloseStreamProc close = nullptr;
  /// The system's error code of a failed load; 0 once the library loaded.
  DWORD loadError = 0;
};

template <typename Proc>
Proc entryPoint(HMODULE module, const char* name) {
  // FARPROC has a type of its own; the entry point's type is reached through void*.
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void reportLoadFailure(DWORD code) {
  str::strbuffer::StrBuffer* text = str::strbuffer::StrBuffer::take();
  text->append(u"Failed to Load lame_enc.dll!!\n")->append(u"Error Code - ")->appendUInt32(code);
  system::win::showInformation(text->getCStr());
  text->release();
}

EncoderLibrary loadLibrary() {
  EncoderLibrary library;
  // The holder is never given back: a worker thread may still be encoding while the process
  // exits, and unloading the library under it would crash the exit.
  static system::win::DllLocater* const s_holder = system::win::DllLocater::take();
  if (s_holder == nullptr || !s_holder->load(u"lame_enc.dll")) {
    library.loadError = s_holder != nullptr ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
    reportLoadFailure(library.loadError);
    return library;
  }
  HMODULE module = s_holder->getModule();
  library.init = entryPoint<BeInitStreamProc>(module, "beInitStream");
  library.encodeChunk = entryPoint<BeEncodeChunkProc>(module, "beEncodeChunk");
  library.deinit = entryPoint<BeDeinitStreamProc>(module, "beDeinitStream");
  library.close = entryPoint<BeCloseStreamProc>(module, "beCloseStream");
  if (library.init == nullptr || library.encodeChunk == nullptr || library.deinit == nullptr ||
      library.close == nullptr) {
    // A library without the whole interface is as unusable as a missing one: no part of it is
    // ever called.
    reportLoadFailure(ERROR_PROC_NOT_FOUND);
    s_holder->reset();
    EncoderLibrary unusable;
    unusable.loadError = ERROR_PROC_NOT_FOUND;
    return unusable;
  }
  return library;
}

const EncoderLibrary& library() {
  // Loaded by the first caller under the language's thread-safe static initialisation.
  static const EncoderLibrary s_library = loadLibrary();
  return s_library;
}

int16_t sample16(const uint8_t* data, size_t index) {
  return static_cast<int16_t>(data[2 * index] | data[2 * index + 1] << 8);
}

// An unsigned 8-bit sample moved to the signed 16-bit range.
int16_t sample8(uint8_t value) { return static_cast<int16_t>(value * 256 - 32768); }

// Converts `frames` sample frames of the input layout into the stream's layout at `out`.
void convert(const uint8_t* data, size_t frames, int32_t inputBits, bool inputStereo,
             bool outputStereo, int16_t* out) {
  if (inputBits == 16) {
    if (inputStereo == outputStereo) {
      for (size_t i = 0; i < frames * (inputStereo ? 2 : 1); ++i) out[i] = sample16(data, i);
    } else if (inputStereo) {
      for (size_t i = 0; i < frames; ++i) {
        out[i] = static_cast<int16_t>((sample16(data, 2 * i) + sample16(data, 2 * i + 1)) / 2);
      }
    } else {
      for (size_t i = 0; i < frames; ++i) out[2 * i] = out[2 * i + 1] = sample16(data, i);
    }
    return;
  }
  if (inputStereo == outputStereo) {
    for (size_t i = 0; i < frames * (inputStereo ? 2 : 1); ++i) out[i] = sample8(data[i]);
  } else if (inputStereo) {
    for (size_t i = 0; i < frames; ++i) {
      out[i] = static_cast<int16_t>((data[2 * i] + data[2 * i + 1] - 256) * 256 / 2);
    }
  } else {
    for (size_t i = 0; i < frames; ++i) out[2 * i] = out[2 * i + 1] = sample8(data[i]);
  }
}

}  // namespace

bool loadEncoderLibrary() { return library().init != nullptr; }

EncoderLibraryFault getEncoderLibraryFault() {
  if (loadEncoderLibrary()) {
    return EncoderLibraryFault::kNone;
  }
  // The loader answers ERROR_MOD_NOT_FOUND when no file of the library's name was found, and
  // another code for a file that is there and cannot serve.
  return library().loadError == ERROR_MOD_NOT_FOUND ? EncoderLibraryFault::kMissing
                                                    : EncoderLibraryFault::kNotLoadable;
}

Mp3Encoder::Mp3Encoder() { reset(); }

Mp3Encoder::~Mp3Encoder() { reset(); }

void Mp3Encoder::reset() {
  if (m_stream != 0) {
    // A stream exists only when the library loaded.
    library().close(m_stream);
    m_stream = 0;
  }
  std::memset(&m_config, 0, sizeof m_config);
  m_outputBufferSize = 0;
  m_samplesPerChunk = 0;
}

bool Mp3Encoder::open(uint32_t bitrateKbps, int32_t inputRate, bool inputStereo, int32_t inputBits,
                      int32_t outputRate, bool outputStereo) {
  reset();
  if (!loadEncoderLibrary() || inputRate <= 0 || outputRate <= 0 ||
      (inputBits != 8 && inputBits != 16)) {
    return false;
  }
  m_inputBits = inputBits;
  m_outputStereo = outputStereo;
  m_inputStereo = inputStereo;

  m_config.configKind = BE_CONFIG_LAME;
  m_config.recordVersion = BE_CONFIG_VERSION;
  m_config.recordSize = BE_CONFIG_SIZE;
  m_config.inputRate = static_cast<uint32_t>(inputRate);
  m_config.outputRate = outputRate == inputRate ? 0 : static_cast<uint32_t>(outputRate);
  // Joint stereo always: it is never worse than plain stereo at the same bitrate.
  m_config.mode = outputStereo ? BE_MP3_MODE_JSTEREO : BE_MP3_MODE_MONO;
  m_config.bitrate = bitrateKbps;
  m_config.preset = BE_PRESET_HIGH;
  m_config.mpegVersion = bitrateKbps > 32 ? 1 : 0;
  m_config.privateBit = 1;
  m_config.copyright = 1;
  m_config.original = 1;
  // Every frame decodes on its own, so a cut or a seek never leaves a frame without its data.
  m_config.disableReservoir = 1;

  uint32_t samplesPerChunk = 0;
  uint32_t outputBufferSize = 0;
  HBE_STREAM stream = 0;
  if (library().init(&m_config, &samplesPerChunk, &outputBufferSize, &stream) !=
          BE_ERR_SUCCESSFUL ||
      stream == 0) {
    return false;
  }
  m_stream = stream;
  m_samplesPerChunk = samplesPerChunk;
  m_outputBufferSize = outputBufferSize;
  return true;
}

uint64_t Mp3Encoder::streamSamplesOf(uint32_t bytes) const {
  const uint32_t frameBytes = (m_inputBits == 8 ? 1u : 2u) * (m_inputStereo ? 2u : 1u);
  return static_cast<uint64_t>(bytes / frameBytes) * (m_outputStereo ? 2u : 1u);
}

uint32_t Mp3Encoder::getOutputBound(uint32_t bytes) const {
  if (!isOpen()) {
    return 0;
  }
  const uint64_t samples = streamSamplesOf(bytes);
  const uint64_t calls =
      m_samplesPerChunk == 0
          ? 1
          : std::max<uint64_t>(1, (samples + m_samplesPerChunk - 1) / m_samplesPerChunk);
  return static_cast<uint32_t>(std::min<uint64_t>(calls * m_outputBufferSize, UINT32_MAX));
}

BE_ERR Mp3Encoder::encode(const uint8_t* data, uint32_t bytes, uint8_t* output, uint32_t capacity,
                          uint32_t* outputCount) {
  uint32_t written = 0;
  if (outputCount != nullptr) {
    *outputCount = 0;
  }
  if (!isOpen()) {
    return BE_ERR_INVALID_HANDLE;
  }
  const uint64_t samples = streamSamplesOf(bytes);
  if (samples == 0) {
    return BE_ERR_SUCCESSFUL;
  }
  if (data == nullptr || output == nullptr || outputCount == nullptr) {
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }

  // A block already in the stream's layout goes over as it is; others (and a block at an odd
  // address, which is no array of 16-bit samples) are converted into scratch.
  const int16_t* pcm = reinterpret_cast<const int16_t*>(data);
  std::unique_ptr<int16_t[]> scratch;
  if (m_inputBits != 16 || m_inputStereo != m_outputStereo ||
      reinterpret_cast<uintptr_t>(data) % alignof(int16_t) != 0) {
    scratch.reset(new (std::nothrow) int16_t[samples]);
    if (scratch == nullptr) {
      return BE_ERR_BUFFER_TOO_SMALL;
    }
    convert(data, samples / (m_outputStereo ? 2 : 1), m_inputBits, m_inputStereo, m_outputStereo,
            scratch.get());
    pcm = scratch.get();
  }

  const uint64_t perCall = m_samplesPerChunk != 0 ? m_samplesPerChunk : samples;
  const EncoderLibrary& lib = library();
  BE_ERR result = BE_ERR_SUCCESSFUL;
  for (uint64_t at = 0; at < samples && result == BE_ERR_SUCCESSFUL; at += perCall) {
    if (capacity - written < m_outputBufferSize) {
      result = BE_ERR_BUFFER_TOO_SMALL;
      break;
    }
    uint32_t count = 0;
    const uint32_t n = static_cast<uint32_t>(std::min(perCall, samples - at));
    result = lib.encodeChunk(m_stream, n, pcm + at, output + written, &count);
    written += std::min(count, capacity - written);
  }
  *outputCount = written;
  return result;
}

BE_ERR Mp3Encoder::flush(uint8_t* output, uint32_t capacity, uint32_t* outputCount) {
  if (outputCount != nullptr) {
    *outputCount = 0;
  }
  if (!isOpen()) {
    return BE_ERR_INVALID_HANDLE;
  }
  if (output == nullptr || outputCount == nullptr || capacity < m_outputBufferSize) {
    return BE_ERR_BUFFER_TOO_SMALL;
  }
  const BE_ERR result = library().deinit(m_stream, output, outputCount);
  *outputCount = std::min(*outputCount, capacity);
  return result;
}

}  // namespace s::sound::win
