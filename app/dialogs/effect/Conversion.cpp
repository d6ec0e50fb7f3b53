// The conversion of one audio file.
#include "app/dialogs/effect/Conversion.h"

#include "app/dialogs/effect/EffectTable.h"
#include "audio/IEncodedAudio.h"
#include "audio/filter/Equalizer.h"
#include "audio/filter/Octave.h"
#include "audio/filter/VocalInstrument.h"
#include "audio/filter/Volume.h"
#include "core/col/array/ArrayU08.h"
#include "core/file/win/FileInputStream.h"
#include "core/file/win/FileOutputStream.h"
#include "core/file/win/PathWin.h"
#include "core/io/IInputStream.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <cmath>

namespace s::sound::gui::dialogs::effect {

namespace {

using str::strbuffer::StrBuffer;

/// A level with its sign: "+" before a positive level, a negative one keeps its own "-".
void appendSigned(StrBuffer* out, int32_t level) {
  if (level > 0) {
    out->append(u"+");
  }
  out->appendInt32(level);
}

/// The three letters of an equaliser suffix by effect.
const WCHAR* equalizerTag(int32_t index) {
  switch (index) {
    case kBassBoost: return u"BB";
    case kBassSuppress: return u"BS";
    case kBassOnly: return u"BO";
    case kMiddleBoost: return u"MB";
    case kMiddleSuppress: return u"MS";
    case kMiddleOnly: return u"MO";
    case kHighBoost: return u"HB";
    case kHighSuppress: return u"HS";
    case kHighOnly: return u"HO";
    default: return nullptr;
  }
}

/// Whether the speed effect's menu offers `level`: Speed Up +10 % to +100 % in steps of 10,
/// Speed Down -5 % to -50 % in steps of 5.
bool isOfferedSpeed(int32_t index, int32_t level) {
  if (index == kSpeedUp) {
    return level >= 10 && level <= 100 && level % 10 == 0;
  }
  if (index == kSpeedDown) {
    return level <= -5 && level >= -50 && level % 5 == 0;
  }
  return false;
}

filter::Octave* takeOctave(int32_t oversampling, double pitch) {
  filter::Octave* octave = filter::Octave::take();
  if (octave != nullptr) {
    octave->setOversampling(oversampling);
    octave->setPitch(static_cast<float>(pitch));
  }
  return octave;
}

filter::Equalizer* takeEqualizer(int32_t index, int32_t level, int32_t range) {
  filter::Equalizer* equalizer = filter::Equalizer::take();
  if (equalizer == nullptr) {
    return nullptr;
  }
  switch (index) {
    case kOpenAir: equalizer->setHighBoost(level, range); break;
    case kBassBoost: equalizer->setBassBoost(level, range); break;
    case kBassSuppress: equalizer->setBassSuppress(level, range); break;
    case kBassOnly: equalizer->setBassOnly(level, range); break;
    case kMiddleBoost: equalizer->setMiddleBoost(level, range); break;
    case kMiddleSuppress: equalizer->setMiddleSuppress(level, range); break;
    case kMiddleOnly: equalizer->setMiddleOnly(level, range); break;
    case kHighBoost: equalizer->setHighBoost(level, range); break;
    case kHighSuppress: equalizer->setHighSuppress(level, range); break;
    case kHighOnly: equalizer->setHighOnly(level, range); break;
    default: break;
  }
  return equalizer;
}

filter::VocalInstrument* takeVocalInstrument(bool vocal, int32_t level, int32_t second) {
  filter::VocalInstrument* filter = filter::VocalInstrument::take();
  if (filter != nullptr) {
    if (vocal) {
      filter->setVocalBoost(level, second);
    } else {
      filter->setInstrumentBoost(level, second);
    }
  }
  return filter;
}

}  // namespace

const WCHAR* rangeTag(int32_t range) {
  switch (range) {
    case 1: return u"VNR";
    case 2: return u"NR";
    case 3: return u"NM";
    case 4: return u"WD";
    case 5: return u"VWD";
    default: return u"";
  }
}

void appendSuffix(StrBuffer* out, int32_t index, int32_t level, int32_t quality) {
  switch (index) {
    case kOpenAir: out->append(u" (OpenAir)"); return;
    case kSoftBreeze: out->append(u" (SoftBreeze)"); return;
    case kVocalBoost:
    case kInstrumentBoost:
      out->append(index == kVocalBoost ? u" (V," : u" (I,");
      out->appendInt32(level)->append(u",")->appendInt32(quality)->append(u")");
      return;
    case kSpeedUp:
    case kSpeedDown:
      out->append(u" (Spd,");
      appendSigned(out, level);
      out->append(u"%)");
      return;
    case kMaleToFemale:
      out->append(u" (ToF");
      out->append(level == 6 ? u",+1" : level == 4 ? u",-1" : u"");
      out->append(u")");
      return;
    case kFemaleToMale:
      out->append(u" (ToM");
      out->append(level == -4 ? u",+1" : level == -6 ? u",-1" : u"");
      out->append(u")");
      return;
    case kPitchUp:
    case kPitchDown:
      out->append(u" (Pit,");
      appendSigned(out, level);
      out->append(u")");
      return;
    case kVolumeUp:
    case kVolumeDown:
      out->append(u" (Vol,");
      appendSigned(out, level);
      out->append(u"%)");
      return;
    default: break;
  }
  if (const WCHAR* tag = equalizerTag(index)) {
    out->append(u" (")->append(tag)->append(u",")->appendInt32(level);
    out->append(u",")->append(rangeTag(quality))->append(u")");
  }
}

float speedFactorFor(int32_t index, int32_t level) {
  if (!isOfferedSpeed(index, level)) {
    return 1.0f;
  }
  return static_cast<float>(1.0 + level / 100.0);
}

IFilter* createFilter(int32_t index, int32_t level, int32_t quality) {
  switch (index) {
    case kOpenAir: return takeEqualizer(index, level, quality);
    case kSoftBreeze: return takeVocalInstrument(false, level, quality);
    case kVocalBoost: return takeVocalInstrument(true, level, quality);
    case kInstrumentBoost: return takeVocalInstrument(false, level, quality);
    case kSpeedUp:
    case kSpeedDown:
      // The reader relabels the rate by the factor, which moves the pitch by log2(factor)
      // octaves; the shifter moves it back. A level the menu does not offer has factor 1.
      return takeOctave(
          quality, isOfferedSpeed(index, level) ? -100.0 * std::log2(1.0 + level / 100.0) : 0.0);
    case kMaleToFemale:
    case kFemaleToMale:
    case kPitchUp:
    case kPitchDown:
      // A key is a twelfth of an octave, in hundredths of one.
      return takeOctave(quality, level * 100.0 / 12.0);
    case kVolumeUp:
    case kVolumeDown: {
      filter::Volume* volume = filter::Volume::take();
      if (volume != nullptr) {
        volume->setPercent(static_cast<float>(level));
      }
      return volume;
    }
    default: break;
  }
  return equalizerTag(index) != nullptr ? takeEqualizer(index, level, quality) : nullptr;
}

int32_t outputBitrateFor(int32_t sourceKbps) {
  if (sourceKbps > 256) return 320;
  if (sourceKbps > 224) return 256;
  if (sourceKbps > 192) return 224;
  return 192;
}

file::win::FileInputStream* setInputPath(IEncodedAudio* audio, const WCHAR* path) {
  file::win::PathWin* source = file::win::PathWin::newFromText(path);
  if (source == nullptr) {
    return nullptr;
  }
  const int64_t size = source->getSize(false, true, nullptr, nullptr, true);
  file::win::FileInputStream* stream = file::win::FileInputStream::take();
  const bool opened = stream != nullptr && stream->open(source->getFullPath());
  source->release();
  if (!opened) {
    if (stream != nullptr) {
      stream->dispose();
    }
    return nullptr;
  }
  audio->setFileSize(size);
  audio->setInputStream(stream, true);
  return stream;
}

file::win::FileOutputStream* setOutputPath(IEncodedAudio* audio, const WCHAR* path) {
  file::win::PathWin* target = file::win::PathWin::newFromText(path);
  if (target == nullptr) {
    return nullptr;
  }
  file::win::FileOutputStream* stream = file::win::FileOutputStream::take();
  const bool opened = stream != nullptr && target->createParentDirectories() &&
                      stream->openNew(target->getFullPath());
  target->release();
  if (!opened) {
    if (stream != nullptr) {
      stream->dispose();
    }
    return nullptr;
  }
  audio->setOutputStream(stream, false);
  return stream;
}

PumpResult transcode(IEncodedAudio* writer, IEncodedAudio* reader, int64_t total,
                     const WCHAR* fileName, IProgressReceiver* receiver) {
  col::_array::ArrayU08* buffer = col::_array::ArrayU08::take();
  if (buffer == nullptr) {
    return PumpResult::kNothingRead;
  }
  buffer->setCapacity(kBlockBytes);
  buffer->setCount(kBlockBytes);
  PumpResult result = PumpResult::kNothingRead;
  uint32_t count = 0;
  while (reader->read(buffer->getItems(), kBlockBytes, &count)) {
    if (!writer->writeBlock(buffer->getItems(), count, reader->getOutputSampleRate(),
                            reader->isPcmStereo(), reader->getPcmBitsPerSample())) {
      result = PumpResult::kWriteFailed;
      break;
    }
    result = PumpResult::kConverted;
    io::IInputStream* input = reader->getInputStream();
    const int64_t done = input != nullptr ? input->getPosition() : 0;
    if (receiver != nullptr) {
      receiver->reportProgress(total, done, fileName);
    }
  }
  buffer->release();
  return result;
}

}  // namespace s::sound::gui::dialogs::effect
