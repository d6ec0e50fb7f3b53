// convert_bench [options] IN OUT: converts one audio file the way the conversion task does (the
// source opened as a reader, a destination of the same kind with the effect's filter in its
// chain, blocks of 4096 bytes) and prints, last, "seconds=S realtime=R", R being the audio's
// duration over the time the conversion took. WAV files become WAV files and MP3 files MP3 files,
// at the source's bitrate when it is above 192 kbps (raised to 224, 256 or 320), else at 192.
// OUT must not exist: as the task's outputs, it has no name until it is whole and then takes
// it without replacing a file, so a failed or killed conversion leaves nothing under it.
// convert_bench --decode IN reads IN to its end and keeps nothing: the decoder alone.
//
// Options set the filters directly, as the conversion task does:
//   --volume PERCENT       the volume filter (percent of change)
//   --pitch HUNDREDTHS     the pitch shifter (hundredths of an octave)
//   --oversampling N       the pitch shifter's oversampling: 4 (default), 8, 16 or 32
//   --speed FACTOR         the reader's speed factor, with the pitch correction -100 log2(FACTOR)
//   --eq KIND LEVEL RANGE  the three-band equaliser's preset KIND (bass-boost, bass-suppress,
//                          bass-only, middle-boost, ..., high-only), level 1-10, range 1-5
//   --vocal LEVEL SECOND   the vocal or instrument filter set up for vocals
//   --instrument LEVEL SECOND  the same filter set up for instruments
//   --bands GAIN_DB        the ten-band equaliser, enabled, every band at GAIN_DB
//   --widen LEVEL          the stereo enhancer at LEVEL, without attenuation
#include "audio/IEncodedAudio.h"
#include "audio/filter/Equalizer.h"
#include "audio/filter/EqualizerEx.h"
#include "audio/filter/Octave.h"
#include "audio/filter/StereoEnhancer.h"
#include "audio/filter/VocalInstrument.h"
#include "audio/filter/Volume.h"
#include "audio/mp3/win/Mp3.h"
#include "audio/wav/Wave.h"
#include "core/file/win/FileIdentity.h"
#include "core/file/win/FileInputStream.h"
#include "core/file/win/FileOutputStream.h"
#include "core/file/win/PathWin.h"

#include <windows.h>
#include <afxwin.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr uint32_t kBlockBytes = 4096;

/// What the command line asked for.
struct Options {
  const WCHAR* in = nullptr;
  const WCHAR* out = nullptr;
  bool volume = false;
  float percent = 0.0f;
  bool pitch = false;
  float hundredths = 0.0f;
  int32_t oversampling = 4;
  float speed = 1.0f;
  /// The equaliser's preset setter, with its level and range; null for none.
  void (s::sound::filter::Equalizer::*preset)(int32_t, int32_t) = nullptr;
  int32_t eqLevel = 0;
  int32_t eqRange = 0;
  /// 1 vocal, 2 instrument, 0 neither; with the two levels.
  int32_t vocalInstrument = 0;
  int32_t level = 0;
  int32_t secondLevel = 0;
  bool bands = false;
  float bandGainDb = 0.0f;
  bool widen = false;
  int32_t widenLevel = 0;
  bool decodeOnly = false;
};

/// The equaliser presets by the names of the --eq option.
struct PresetName {
  const char16_t* name;
  void (s::sound::filter::Equalizer::*set)(int32_t, int32_t);
};
using s::sound::filter::Equalizer;
constexpr PresetName kPresets[] = {
    {u"bass-boost", &Equalizer::setBassBoost},
    {u"bass-suppress", &Equalizer::setBassSuppress},
    {u"bass-only", &Equalizer::setBassOnly},
    {u"middle-boost", &Equalizer::setMiddleBoost},
    {u"middle-suppress", &Equalizer::setMiddleSuppress},
    {u"middle-only", &Equalizer::setMiddleOnly},
    {u"high-boost", &Equalizer::setHighBoost},
    {u"high-suppress", &Equalizer::setHighSuppress},
    {u"high-only", &Equalizer::setHighOnly},
};

/// UTF-8 of a UTF-16 text (what a terminal shows).
std::string toUtf8(const std::u16string& text) {
  if (text.empty()) {
    return std::string();
  }
  const int units = static_cast<int>(text.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), units, out.data(), bytes, nullptr, nullptr);
  }
  return out;
}

/// An argument as the user typed it, for messages: the framework hands absolute paths over in
/// their Z:\ form, which is turned back into the POSIX path; other arguments are as they came.
std::string narrow(const WCHAR* text) {
  std::u16string path(text);
  const bool windowsForm = path.size() >= 3 && (path[0] == u'Z' || path[0] == u'z') &&
                           path[1] == u':' && path[2] == u'\\';
  if (windowsForm) {
    path.erase(0, 2);
    for (char16_t& c : path) {
      if (c == u'\\') {
        c = u'/';
      }
    }
  }
  return toUtf8(path);
}

/// Why the last file call failed, in words, from the system's error code.
std::string reasonOf(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL: return "no space left on the device";
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_WRITE_PROTECT: return "the device is read-only";
    case ERROR_PATH_NOT_FOUND: return "the folder does not exist";
    case ERROR_CANT_RESOLVE_FILENAME: return "its symbolic links lead round in a loop";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return "the file exists (convert_bench writes only new files)";
    case ERROR_SUCCESS: return "the output stream failed";
    default: return "system error " + std::to_string(error);
  }
}

bool parseNumber(const WCHAR* text, double* value) {
  const std::string s = toUtf8(text);
  char* end = nullptr;
  *value = std::strtod(s.c_str(), &end);
  return !s.empty() && end != nullptr && *end == 0 && std::isfinite(*value);
}

bool endsWithIgnoreCase(const WCHAR* text, const char16_t* suffix) {
  std::u16string t(text);
  std::u16string x(suffix);
  if (t.size() < x.size()) {
    return false;
  }
  for (size_t i = 0; i < x.size(); ++i) {
    char16_t a = t[t.size() - x.size() + i];
    if (a >= u'A' && a <= u'Z') {
      a = static_cast<char16_t>(a - u'A' + u'a');
    }
    if (a != x[i]) {
      return false;
    }
  }
  return true;
}

int usage(const char* problem) {
  std::fprintf(
      stderr,
      "convert_bench: %s\n"
      "usage: convert_bench [--volume PERCENT] [--pitch HUNDREDTHS] [--oversampling 4|8|16|32]\n"
      "                     [--speed FACTOR] [--eq KIND LEVEL RANGE] [--vocal LEVEL SECOND]\n"
      "                     [--instrument LEVEL SECOND] [--bands GAIN_DB] [--widen LEVEL] IN OUT\n"
      "       convert_bench --decode IN\n",
      problem);
  return 2;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "convert_bench: %s\n", message.c_str());
  return 1;
}

int parse(int argc, WCHAR** argv, Options* options) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::u16string arg(argv[i]);
    if (arg == u"--decode") {
      options->decodeOnly = true;
    } else if (arg == u"--eq") {
      if (i + 3 >= argc) {
        return usage("--eq takes a kind, a level and a range");
      }
      const std::u16string kind(argv[++i]);
      for (const PresetName& preset : kPresets) {
        if (kind == preset.name) {
          options->preset = preset.set;
        }
      }
      double level = 0.0;
      double range = 0.0;
      if (options->preset == nullptr) {
        return usage(("unknown equaliser preset " + narrow(argv[i])).c_str());
      }
      if (!parseNumber(argv[++i], &level) || !parseNumber(argv[++i], &range)) {
        return usage("the equaliser's level and range are numbers");
      }
      options->eqLevel = static_cast<int32_t>(level);
      options->eqRange = static_cast<int32_t>(range);
    } else if (arg == u"--vocal" || arg == u"--instrument") {
      double level = 0.0;
      double second = 0.0;
      if (i + 2 >= argc || !parseNumber(argv[i + 1], &level) ||
          !parseNumber(argv[i + 2], &second)) {
        return usage((narrow(argv[i]) + " takes two levels").c_str());
      }
      i += 2;
      options->vocalInstrument = arg == u"--vocal" ? 1 : 2;
      options->level = static_cast<int32_t>(level);
      options->secondLevel = static_cast<int32_t>(second);
    } else if (arg.size() > 2 && arg.compare(0, 2, u"--") == 0) {
      if (i + 1 >= argc) {
        return usage("an option lacks its value");
      }
      double value = 0.0;
      if (!parseNumber(argv[++i], &value)) {
        return usage(("not a number: " + narrow(argv[i])).c_str());
      }
      if (arg == u"--volume") {
        options->volume = true;
        options->percent = static_cast<float>(value);
      } else if (arg == u"--pitch") {
        options->pitch = true;
        options->hundredths = static_cast<float>(value);
      } else if (arg == u"--oversampling") {
        if (value != 4 && value != 8 && value != 16 && value != 32) {
          return usage("the oversampling is 4, 8, 16 or 32");
        }
        options->oversampling = static_cast<int32_t>(value);
      } else if (arg == u"--speed") {
        if (!(value > 0.0)) {
          return usage("the speed factor must be above 0");
        }
        options->speed = static_cast<float>(value);
      } else if (arg == u"--bands") {
        options->bands = true;
        options->bandGainDb = static_cast<float>(value);
      } else if (arg == u"--widen") {
        options->widen = true;
        options->widenLevel = static_cast<int32_t>(value);
      } else {
        return usage(("unknown option " + narrow(argv[i - 1])).c_str());
      }
    } else if (positional == 0) {
      options->in = argv[i];
      ++positional;
    } else if (positional == 1) {
      options->out = argv[i];
      ++positional;
    } else {
      return usage("too many files");
    }
  }
  if (options->decodeOnly) {
    return positional == 1 ? 0 : usage("--decode takes IN alone");
  }
  return positional == 2 ? 0 : usage("IN and OUT are needed");
}

/// A reader or writer of the file's kind; null for a kind it does not know.
s::sound::IEncodedAudio* audioFor(const WCHAR* path) {
  if (endsWithIgnoreCase(path, u".wav")) {
    return s::sound::wav::Wave::take();
  }
  if (endsWithIgnoreCase(path, u".mp3")) {
    return s::sound::mp3::win::Mp3::take();
  }
  return nullptr;
}

/// The bitrate of an MP3 conversion in kbps: the source's, raised to the next MPEG bitrate above
/// 192 when it is higher (a variable-bitrate source has an average between them), else 192.
int32_t outputBitrate(int32_t source) {
  if (source > 256) return 320;
  if (source > 224) return 256;
  if (source > 192) return 224;
  return 192;
}

/// Why a reader measured no audio.
std::string refusalOf(s::sound::IEncodedAudio* reader, bool mp3) {
  if (mp3) {
    return static_cast<s::sound::mp3::win::Mp3*>(reader)->isFreeFormat()
               ? "free-format MP3 (bitrate index 0) is not supported"
               : "no MPEG audio frames found";
  }
  const auto* wave = static_cast<s::sound::wav::Wave*>(reader);
  if (wave->getFault() == s::sound::wav::Wave::Fault::kNone) {
    return "the file holds no audio";
  }
  return toUtf8(s::sound::wav::Wave::describeFault(wave->getFault()));
}

/// Why writing failed: the WAV writer's own reason when it has one, else the system's.
std::string writeFailureOf(s::sound::IEncodedAudio* writer, DWORD error) {
  if (auto* wave = dynamic_cast<s::sound::wav::Wave*>(writer)) {
    switch (wave->getFault()) {
      case s::sound::wav::Wave::Fault::kNone: break;
      case s::sound::wav::Wave::Fault::kWriteFailed: return reasonOf(wave->getSystemError());
      default: return toUtf8(s::sound::wav::Wave::describeFault(wave->getFault()));
    }
  }
  return reasonOf(error);
}

/// Reads the whole of `reader`, keeping nothing; false when it yields no PCM.
bool decodeAll(s::sound::IEncodedAudio* reader) {
  uint8_t block[kBlockBytes];
  uint32_t count = 0;
  uint64_t total = 0;
  while (reader->read(block, kBlockBytes, &count)) {
    total += count;
  }
  return total != 0;
}

int convert(const Options& options) {
  const std::string inName = narrow(options.in);
  const std::string outName = options.out != nullptr ? narrow(options.out) : std::string();
  const bool mp3 = endsWithIgnoreCase(options.in, u".mp3");
  s::sound::IEncodedAudio* reader = audioFor(options.in);
  s::sound::IEncodedAudio* writer = options.decodeOnly ? nullptr : audioFor(options.out);
  auto done = [&](int code) {
    if (reader != nullptr) reader->releaseToPool();
    if (writer != nullptr) writer->releaseToPool();
    return code;
  };
  if (reader == nullptr) {
    return done(fail("IN must be a .wav or .mp3 file"));
  }
  if (!options.decodeOnly) {
    if (writer == nullptr || endsWithIgnoreCase(options.out, u".mp3") != mp3) {
      return done(fail("IN and OUT must be files of one kind, .wav or .mp3"));
    }
    // Creating OUT empties it: were it IN under another name (a link, another spelling), the
    // source would be lost before it is read. Files are told apart by identity, not by name.
    if (s::file::win::isSameFile(options.in, options.out)) {
      return done(fail("IN and OUT are the same file: " + outName));
    }
  }

  const auto start = std::chrono::steady_clock::now();
  s::file::win::PathWin* source = s::file::win::PathWin::newFromText(options.in);
  const int64_t size = source->getSize(false, false, nullptr, nullptr, false);
  source->release();
  s::file::win::FileInputStream* in = s::file::win::FileInputStream::take();
  if (!in->open(options.in)) {
    const DWORD error = GetLastError();
    in->dispose();
    // A folder, a pipe or a device is refused as a file is that may not be read: say what it is.
    const DWORD attributes = GetFileAttributesW(options.in);
    const bool notAFile = attributes != INVALID_FILE_ATTRIBUTES &&
                          (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0;
    return done(fail("cannot open " + inName + " for reading: " +
                     (notAFile                        ? std::string("it is not a regular file")
                      : error == ERROR_FILE_NOT_FOUND ? std::string("no such file")
                                                      : reasonOf(error))));
  }
  reader->setFileSize(size);
  if (options.speed != 1.0f) {
    reader->setSpeedFactor(options.speed);
  }
  reader->setInputStream(in, true);
  if (reader->getPcmLength() <= 0) {
    return done(fail(inName + ": " + refusalOf(reader, mp3)));
  }
  const double bytesPerSecond = static_cast<double>(reader->getPcmSampleRate()) *
                                (reader->isPcmStereo() ? 2 : 1) * reader->getPcmBitsPerSample() / 8;
  const double audioSeconds = reader->getPcmLength() / bytesPerSecond;
  auto report = [&]() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("seconds=%.4f realtime=%.1f\n", seconds, audioSeconds / seconds);
  };
  if (options.decodeOnly) {
    if (!decodeAll(reader)) {
      return done(fail(inName + ": nothing decodes"));
    }
    reader->close();
    report();
    return done(0);
  }

  // OUT has no name until the conversion is whole, so a conversion that fails, or a process
  // that is ended, leaves no part of a file that a user could take for a converted one.
  s::file::win::FileOutputStream* out = s::file::win::FileOutputStream::take();
  if (!out->openNew(options.out)) {
    const DWORD error = GetLastError();
    out->dispose();
    return done(fail("cannot create " + outName + ": " + reasonOf(error)));
  }
  auto failOutput = [&](const std::string& message) {
    writer->close();
    out->dispose();
    return done(fail(message));
  };
  if (mp3) {
    static_cast<s::sound::mp3::win::Mp3*>(writer)->setBitrate(
        outputBitrate(static_cast<s::sound::mp3::win::Mp3*>(reader)->getBitrate()));
  }
  writer->setOutputStream(out, false);
  if (options.volume) {
    s::sound::filter::Volume* volume = s::sound::filter::Volume::take();
    volume->setPercent(options.percent);
    writer->addFilter(volume);
  }
  if (options.preset != nullptr) {
    s::sound::filter::Equalizer* equalizer = s::sound::filter::Equalizer::take();
    (equalizer->*options.preset)(options.eqLevel, options.eqRange);
    writer->addFilter(equalizer);
  }
  if (options.vocalInstrument != 0) {
    s::sound::filter::VocalInstrument* filter = s::sound::filter::VocalInstrument::take();
    if (options.vocalInstrument == 1) {
      filter->setVocalBoost(options.level, options.secondLevel);
    } else {
      filter->setInstrumentBoost(options.level, options.secondLevel);
    }
    writer->addFilter(filter);
  }
  if (options.bands) {
    s::sound::filter::EqualizerEx* equalizer = s::sound::filter::EqualizerEx::take();
    using s::sound::filter::EqualizerEx;
    for (int32_t band = 0; band < EqualizerEx::kBands; ++band) {
      equalizer->setBand(band, EqualizerEx::kCentres[band], EqualizerEx::kBandwidths[band],
                         options.bandGainDb);
    }
    writer->addFilter(equalizer);
  }
  if (options.widen) {
    s::sound::filter::StereoEnhancer* enhancer = s::sound::filter::StereoEnhancer::take();
    enhancer->setLevel(options.widenLevel);
    writer->addFilter(enhancer);
  }
  if (options.pitch || options.speed != 1.0f) {
    s::sound::filter::Octave* octave = s::sound::filter::Octave::take();
    octave->setOversampling(options.oversampling);
    // The speed relabels the rate; the shifter brings the pitch back.
    octave->setPitch(static_cast<float>(options.hundredths - 100.0 * std::log2(options.speed)));
    writer->addFilter(octave);
  }

  uint8_t block[kBlockBytes];
  uint32_t count = 0;
  uint64_t converted = 0;
  while (reader->read(block, kBlockBytes, &count)) {
    SetLastError(ERROR_SUCCESS);
    if (!writer->writeBlock(block, count, reader->getOutputSampleRate(), reader->isPcmStereo(),
                            reader->getPcmBitsPerSample())) {
      return failOutput("cannot write " + outName + ": " + writeFailureOf(writer, GetLastError()));
    }
    converted += count;
  }
  if (!in->isAsOpened()) {
    // What was read is part of some file, not the conversion of one.
    return failOutput("cannot read " + inName + ": it changed while it was read");
  }
  if (converted == 0) {
    // A file without a sample in it is not a conversion of a file with audio.
    return failOutput(inName + ": no audio could be decoded");
  }
  if (mp3 && static_cast<s::sound::mp3::win::Mp3*>(reader)->hasLostAudio()) {
    // Only part of its audio decodes: that part is not the conversion of the file.
    return failOutput(
        inName + ": damaged: " +
        std::to_string(static_cast<s::sound::mp3::win::Mp3*>(reader)->getBytesPassedOver()) +
        " bytes of its audio data do not decode");
  }
  SetLastError(ERROR_SUCCESS);
  if (!writer->close()) {
    const DWORD error = GetLastError();
    out->dispose();
    return done(fail("cannot finish " + outName + ": " + writeFailureOf(writer, error)));
  }
  reader->close();
  if (!out->publish(false)) {
    const DWORD error = GetLastError();
    out->dispose();
    return done(fail("cannot finish " + outName + ": " + reasonOf(error)));
  }
  out->dispose();
  report();
  return done(0);
}

class ConvertBench final : public CWinApp {
 public:
  BOOL InitInstance() override {
    Options options;
    m_exitCode = parse(__argc, __wargv, &options);
    if (m_exitCode == 0) {
      m_exitCode = convert(options);
    }
    return FALSE;
  }
  int ExitInstance() override { return m_exitCode; }

 private:
  int m_exitCode = 0;
};

ConvertBench g_bench;

}  // namespace
