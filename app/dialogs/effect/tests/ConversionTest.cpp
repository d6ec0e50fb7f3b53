// One file's conversion pieces: the suffix, filter and speed factor of every effect and the MP3
// bitrate of the output.
#include "app/dialogs/effect/Conversion.h"

#include "app/dialogs/effect/EffectTable.h"
#include "audio/filter/Equalizer.h"
#include "audio/filter/Octave.h"
#include "audio/filter/VocalInstrument.h"
#include "audio/filter/Volume.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <gtest/gtest.h>

#include <string>

using namespace s::sound::gui::dialogs::effect;
using s::sound::IFilter;
using s::sound::filter::Equalizer;
using s::sound::filter::Octave;
using s::sound::filter::VocalInstrument;
using s::sound::filter::Volume;

namespace {

std::u16string suffix(int32_t index, int32_t level, int32_t quality) {
  s::str::strbuffer::StrBuffer* text = s::str::strbuffer::StrBuffer::take();
  appendSuffix(text, index, level, quality);
  std::u16string out(text->getCStr());
  text->release();
  return out;
}

/// The filter of an effect as its own class, or null when it is of another.
template <class T>
T* filterAs(IFilter* filter) {
  return dynamic_cast<T*>(filter);
}

}  // namespace

TEST(Conversion, EveryEffectNamesItsOutputWithItsSuffix) {
  EXPECT_EQ(suffix(kOpenAir, 7, 3), u" (OpenAir)");
  EXPECT_EQ(suffix(kSoftBreeze, 10, 10), u" (SoftBreeze)");
  EXPECT_EQ(suffix(kVocalBoost, 5, 1), u" (V,5,1)");
  EXPECT_EQ(suffix(kInstrumentBoost, 3, 0), u" (I,3,0)");
  EXPECT_EQ(suffix(kSpeedUp, 20, 4), u" (Spd,+20%)");
  EXPECT_EQ(suffix(kSpeedDown, -25, 4), u" (Spd,-25%)");
  EXPECT_EQ(suffix(kMaleToFemale, 6, 4), u" (ToF,+1)");
  EXPECT_EQ(suffix(kMaleToFemale, 5, 4), u" (ToF)");
  EXPECT_EQ(suffix(kMaleToFemale, 4, 4), u" (ToF,-1)");
  EXPECT_EQ(suffix(kFemaleToMale, -4, 4), u" (ToM,+1)");
  EXPECT_EQ(suffix(kFemaleToMale, -5, 4), u" (ToM)");
  EXPECT_EQ(suffix(kFemaleToMale, -6, 4), u" (ToM,-1)");
  EXPECT_EQ(suffix(kPitchUp, 3, 4), u" (Pit,+3)");
  EXPECT_EQ(suffix(kPitchDown, -12, 32), u" (Pit,-12)");
  EXPECT_EQ(suffix(kVolumeUp, 30, 0), u" (Vol,+30%)");
  EXPECT_EQ(suffix(kVolumeDown, -90, 0), u" (Vol,-90%)");
  EXPECT_EQ(suffix(kVolumeUp, 0, 0), u" (Vol,0%)") << "no sign before 0";
  EXPECT_EQ(suffix(kBassBoost, 5, 3), u" (BB,5,NM)");
  EXPECT_EQ(suffix(kBassSuppress, 1, 1), u" (BS,1,VNR)");
  EXPECT_EQ(suffix(kBassOnly, 2, 2), u" (BO,2,NR)");
  EXPECT_EQ(suffix(kMiddleBoost, 10, 4), u" (MB,10,WD)");
  EXPECT_EQ(suffix(kMiddleSuppress, 4, 5), u" (MS,4,VWD)");
  EXPECT_EQ(suffix(kMiddleOnly, 6, 3), u" (MO,6,NM)");
  EXPECT_EQ(suffix(kHighBoost, 7, 3), u" (HB,7,NM)");
  EXPECT_EQ(suffix(kHighSuppress, 8, 3), u" (HS,8,NM)");
  EXPECT_EQ(suffix(kHighOnly, 9, 0), u" (HO,9,)") << "an unknown range has no tag";
  for (int32_t separator : {2, 5, 8, 11, 14, 17, -1, 27}) {
    EXPECT_EQ(suffix(separator, 5, 3), u"") << "row " << separator;
  }
}

TEST(Conversion, SpeedEffectsRelabelTheRateAndShiftThePitchBack) {
  struct Row {
    int32_t index;
    int32_t level;
    float factor;
    float pitch;
  };
  // clang-format off
  const Row rows[] = {
      {kSpeedUp, 10, 1.1f, -13.750352f},  {kSpeedUp, 20, 1.2f, -26.30344f},
      {kSpeedUp, 30, 1.3f, -37.851162f},  {kSpeedUp, 40, 1.4f, -48.542683f},
      {kSpeedUp, 50, 1.5f, -58.49625f},   {kSpeedUp, 60, 1.6f, -67.80719f},
      {kSpeedUp, 70, 1.7f, -76.553474f},  {kSpeedUp, 80, 1.8f, -84.7997f},
      {kSpeedUp, 90, 1.9f, -92.599945f},  {kSpeedUp, 100, 2.0f, -100.0f},
      {kSpeedDown, -5, 0.95f, 7.400058f}, {kSpeedDown, -10, 0.9f, 15.20031f},
      {kSpeedDown, -15, 0.85f, 23.446526f}, {kSpeedDown, -20, 0.8f, 32.19281f},
      {kSpeedDown, -25, 0.75f, 41.50375f}, {kSpeedDown, -30, 0.7f, 51.457317f},
      {kSpeedDown, -35, 0.65f, 62.148838f}, {kSpeedDown, -40, 0.6f, 73.696556f},
      {kSpeedDown, -45, 0.55f, 86.24965f}, {kSpeedDown, -50, 0.5f, 100.0f},
  };
  // clang-format on
  for (const Row& row : rows) {
    EXPECT_EQ(speedFactorFor(row.index, row.level), row.factor) << "level " << row.level;
    IFilter* filter = createFilter(row.index, row.level, 8);
    Octave* octave = filterAs<Octave>(filter);
    ASSERT_NE(octave, nullptr);
    EXPECT_FLOAT_EQ(octave->getPitch(), row.pitch) << "level " << row.level;
    EXPECT_EQ(octave->getOversampling(), 8);
    filter->release();
  }
  // Levels the menus do not offer, and the other effects, keep the rate and the pitch.
  for (const auto& [index, level] : {std::pair{kSpeedUp, 15},
                                     {kSpeedUp, -10},
                                     {kSpeedDown, -7},
                                     {kSpeedDown, 10},
                                     {kPitchUp, 20},
                                     {kVolumeUp, 20}}) {
    EXPECT_EQ(speedFactorFor(index, level), 1.0f) << index << " " << level;
  }
  IFilter* odd = createFilter(kSpeedUp, 15, 4);
  EXPECT_EQ(filterAs<Octave>(odd)->getPitch(), 0.0f);
  odd->release();
}

TEST(Conversion, EveryEffectSetsUpItsFilter) {
  for (const auto& [index, level, pitch] : {std::tuple{kPitchUp, 1, 8.333333f},
                                            {kPitchDown, -12, -100.0f},
                                            {kMaleToFemale, 5, 41.666668f},
                                            {kMaleToFemale, 4, 33.333332f},
                                            {kFemaleToMale, -6, -50.0f}}) {
    IFilter* filter = createFilter(index, level, 16);
    Octave* octave = filterAs<Octave>(filter);
    ASSERT_NE(octave, nullptr) << index;
    EXPECT_FLOAT_EQ(octave->getPitch(), pitch) << index << " " << level;
    EXPECT_EQ(octave->getOversampling(), 16);
    filter->release();
  }

  IFilter* volume = createFilter(kVolumeDown, -30, 0);
  ASSERT_NE(filterAs<Volume>(volume), nullptr);
  EXPECT_EQ(filterAs<Volume>(volume)->getPercent(), -30.0f);
  volume->release();

  for (const auto& [index, vocal, level, second] : {std::tuple{kVocalBoost, true, 5, 1},
                                                    {kInstrumentBoost, false, 3, 0},
                                                    {kSoftBreeze, false, 10, 10}}) {
    IFilter* filter = createFilter(index, level, second);
    VocalInstrument* vi = filterAs<VocalInstrument>(filter);
    ASSERT_NE(vi, nullptr) << index;
    EXPECT_EQ(vi->isInstrumentMode(), !vocal) << index;
    EXPECT_EQ(vi->getLevel(), level);
    EXPECT_EQ(vi->getSecondLevel(), second);
    filter->release();
  }

  using Preset = void (Equalizer::*)(int32_t, int32_t);
  for (const auto& [index, preset] :
       {std::pair<int32_t, Preset>{kOpenAir, &Equalizer::setHighBoost},
        {kBassBoost, &Equalizer::setBassBoost},
        {kBassSuppress, &Equalizer::setBassSuppress},
        {kBassOnly, &Equalizer::setBassOnly},
        {kMiddleBoost, &Equalizer::setMiddleBoost},
        {kMiddleSuppress, &Equalizer::setMiddleSuppress},
        {kMiddleOnly, &Equalizer::setMiddleOnly},
        {kHighBoost, &Equalizer::setHighBoost},
        {kHighSuppress, &Equalizer::setHighSuppress},
        {kHighOnly, &Equalizer::setHighOnly}}) {
    IFilter* filter = createFilter(index, 7, 2);
    Equalizer* equalizer = filterAs<Equalizer>(filter);
    ASSERT_NE(equalizer, nullptr) << index;
    Equalizer expected;
    (expected.*preset)(7, 2);
    EXPECT_EQ(equalizer->getLowGain(), expected.getLowGain()) << index;
    EXPECT_EQ(equalizer->getMiddleGain(), expected.getMiddleGain()) << index;
    EXPECT_EQ(equalizer->getHighGain(), expected.getHighGain()) << index;
    EXPECT_EQ(equalizer->getLowFrequency(), expected.getLowFrequency()) << index;
    filter->release();
  }
  for (int32_t separator : {2, 5, 8, 11, 14, 17, 27}) {
    EXPECT_EQ(createFilter(separator, 5, 3), nullptr) << "row " << separator;
  }
}

TEST(Conversion, AnMp3OutputKeepsAHigherSourceBitrate) {
  EXPECT_EQ(outputBitrateFor(320), 320);
  EXPECT_EQ(outputBitrateFor(257), 320);
  EXPECT_EQ(outputBitrateFor(256), 256);
  EXPECT_EQ(outputBitrateFor(225), 256);
  EXPECT_EQ(outputBitrateFor(224), 224);
  EXPECT_EQ(outputBitrateFor(193), 224);
  EXPECT_EQ(outputBitrateFor(192), 192);
  EXPECT_EQ(outputBitrateFor(128), 192);
  EXPECT_EQ(outputBitrateFor(-1), 192) << "unknown";
}
