// The effect chain: order of added filters, skipping disabled ones, and giving them back on reset.
#include "audio/Effect.h"
#include "audio/filter/Equalizer.h"
#include "audio/filter/EqualizerEx.h"
#include "audio/filter/FilterBase.h"
#include "audio/filter/Octave.h"
#include "audio/filter/StereoEnhancer.h"
#include "audio/filter/VocalInstrument.h"
#include "audio/filter/Volume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Adds its step to every 16-bit sample: with a doubling volume filter, the order of the two
// shows in the result.
class Adder final : public s::sound::filter::FilterBase {
  S_POOLED_CLASS(Adder, u"s_test_Adder")
  Adder() { reset(); }
  void reset() override {
    m_enabled = true;
    step = 1;
  }
  void process(void* samples, int32_t byteCount, bool, int32_t, int32_t) override {
    int16_t* p = static_cast<int16_t*>(samples);
    for (int32_t i = 0; i < byteCount / 2; ++i) {
      p[i] = static_cast<int16_t>(p[i] + step);
    }
  }
  int16_t step = 1;
};

s::sound::filter::Volume* doubling() {
  s::sound::filter::Volume* volume = s::sound::filter::Volume::take();
  volume->setPercent(100.0f);
  return volume;
}

}  // namespace

TEST(Effect, AddedFiltersRunInOrderOfAdditionAndDisabledOnesAreSkipped) {
  s::sound::Effect* effect = s::sound::Effect::take();
  ASSERT_FALSE(effect->hasFilters());
  effect->addFilter(doubling());
  effect->addFilter(Adder::take());
  ASSERT_TRUE(effect->hasFilters());
  std::vector<int16_t> block = {10, -10, 1000, 0};
  effect->process(block.data(), 8, true, 44100, 16);
  EXPECT_EQ(block, (std::vector<int16_t>{21, -19, 2001, 1}));  // doubled, then plus one

  effect->getFilter(0)->setEnabled(0x100);  // only the low byte counts: disabled
  EXPECT_FALSE(effect->getFilter(0)->isEnabled());
  effect->process(block.data(), 8, true, 44100, 16);
  EXPECT_EQ(block, (std::vector<int16_t>{22, -18, 2002, 2}));
  effect->release();
}

TEST(Effect, ResetGivesAddedFiltersBackAndKeepsTheFixedMembersDisabled) {
  s::sound::Effect* effect = s::sound::Effect::take();
  s::sound::filter::Octave* octave = effect->getOctave();
  ASSERT_NE(octave, nullptr);
  EXPECT_FALSE(octave->isEnabled());

  s::sound::filter::Volume* volume = doubling();
  Adder* adder = Adder::take();
  adder->step = 7;
  effect->addFilter(volume);
  effect->addFilter(nullptr);  // ignored
  effect->addFilter(adder);
  EXPECT_EQ(effect->getFilterCount(), 2u);
  const uint32_t freeVolumes = s::sound::filter::Volume::pool().getFreeCount();
  const uint32_t freeAdders = Adder::pool().getFreeCount();

  effect->reset();
  EXPECT_FALSE(effect->hasFilters());
  EXPECT_EQ(s::sound::filter::Volume::pool().getFreeCount(), freeVolumes + 1);
  EXPECT_EQ(Adder::pool().getFreeCount(), freeAdders + 1);
  // Given back in their reset state.
  EXPECT_EQ(adder->step, 1);
  EXPECT_EQ(volume->getPercent(), 0.0f);
  EXPECT_EQ(effect->getOctave(), octave);
  EXPECT_FALSE(octave->isEnabled());

  effect->release();
}

TEST(Effect, FixedMembersKeepTheirSetUpAndStayDisabledAcrossResets) {
  s::sound::Effect* effect = s::sound::Effect::take();
  for (int32_t round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "as built" : "after a reset");
    const s::sound::filter::Equalizer* eq = effect->getEqualizer();
    const s::sound::filter::StereoEnhancer* enhancer = effect->getStereoEnhancer();
    s::sound::filter::VocalInstrument* vocal = effect->getVocalInstrument();
    const s::sound::filter::Equalizer& vocalEq = vocal->getEqualizer();
    EXPECT_FALSE(effect->getEqualizerEx()->isEnabled());
    EXPECT_FALSE(eq->isEnabled() || enhancer->isEnabled() || vocal->isEnabled());
    EXPECT_EQ(effect->getEqualizerEx()->getOutputGain(), 1.0f);
    EXPECT_EQ((std::vector<double>{eq->getLowGain(), eq->getMiddleGain(), eq->getHighGain(),
                                   1.0 * eq->getLowFrequency(), 1.0 * eq->getHighFrequency()}),
              (std::vector<double>{1.0, 1.0, 1.0 + 0.1 * 7, 880, 5000}));
    EXPECT_NEAR(eq->getHighCoefficient(), 2.0 * std::sin(M_PI * 5000 / 44100), 1e-10);
    EXPECT_EQ(enhancer->getLevel(), 7);
    EXPECT_TRUE(enhancer->isAttenuating());
    EXPECT_TRUE(vocal->isInstrumentMode() && vocal->isBoostAfter());
    EXPECT_EQ(vocal->getLevel() * 100 + vocal->getSecondLevel(), 1010);
    EXPECT_EQ(
        (std::vector<double>{vocalEq.getLowGain(), vocalEq.getMiddleGain(), vocalEq.getHighGain(),
                             1.0 * vocalEq.getLowFrequency(), 1.0 * vocalEq.getHighFrequency()}),
        (std::vector<double>{1.25, 0.0, 1.25, 750, 7000}));
    effect->getEqualizerEx()->setEnabled(1);
    vocal->setEnabled(1);
    effect->reset();
  }
  effect->release();
}

TEST(Effect, EnabledTenBandEqualizerRunsBeforeTheAddedFilters) {
  s::sound::Effect* effect = s::sound::Effect::take();
  Adder* adder = Adder::take();
  adder->step = 100;
  effect->addFilter(adder);
  effect->getEqualizerEx()->setEnabled(1);
  effect->getEqualizerEx()->setOutputGain(2.0f);
  std::vector<int16_t> block = {1000, -1000};
  effect->process(block.data(), 4, true, 44100, 16);
  // Doubled by the equaliser's output gain first (within its float rounding), then plus 100.
  EXPECT_NEAR(block[0], 2100, 2);
  EXPECT_NEAR(block[1], -1900, 2);
  effect->release();
}
