// The effect chain.
#include "audio/Effect.h"

#include "audio/filter/Equalizer.h"
#include "audio/filter/EqualizerEx.h"
#include "audio/filter/Octave.h"
#include "audio/filter/StereoEnhancer.h"
#include "audio/filter/VocalInstrument.h"

namespace s::sound {

Effect::Effect() {
  // The fixed members keep these settings for the effect's life; reset only disables them.
  m_equalizerEx = filter::EqualizerEx::take();
  m_equalizer = filter::Equalizer::take();
  if (m_equalizer != nullptr) {
    m_equalizer->setHighBoost(7, 3);  // gains 1, 1 and 1.7; crossovers 880 Hz and 5000 Hz
  }
  m_stereoEnhancer = filter::StereoEnhancer::take();
  if (m_stereoEnhancer != nullptr) {
    m_stereoEnhancer->setLevel(7);
    m_stereoEnhancer->setAttenuate(true);
  }
  m_vocalInstrument = filter::VocalInstrument::take();
  if (m_vocalInstrument != nullptr) {
    // Instrument mode, gains 1.25, 0 and 1.25, crossovers 750 Hz and 7000 Hz, boosted after.
    m_vocalInstrument->setInstrumentBoost(10, 10);
    m_vocalInstrument->setBoostAfter(true);
  }
  m_octave = filter::Octave::take();
  reset();
}

std::array<IFilter*, 4> Effect::fixedFilters() const {
  return {m_equalizerEx, m_equalizer, m_stereoEnhancer, m_vocalInstrument};
}

Effect::~Effect() {
  reset();
  for (IFilter* fixed : fixedFilters()) {
    if (fixed != nullptr) {
      fixed->release();
    }
  }
  if (m_octave != nullptr) {
    m_octave->release();
  }
}

void Effect::reset() {
  for (IFilter* fixed : fixedFilters()) {
    if (fixed != nullptr) {
      fixed->setEnabled(0);
    }
  }
  if (m_octave != nullptr) {
    m_octave->reset();
    m_octave->setEnabled(0);
  }
  for (uint32_t i = 0; i < m_filters.getCount(); ++i) {
    getFilter(i)->release();
  }
  m_filters.freeAll();
}

void Effect::process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
                     int32_t bitsPerSample) {
  if (m_equalizerEx != nullptr && m_equalizerEx->isEnabled()) {
    m_equalizerEx->process(samples, byteCount, stereo, sampleRate, bitsPerSample);
  }
  // The count is read again after every filter.
  for (uint32_t i = 0; i < m_filters.getCount(); ++i) {
    IFilter* filter = getFilter(i);
    if (filter->isEnabled()) {
      filter->process(samples, byteCount, stereo, sampleRate, bitsPerSample);
    }
  }
}

void Effect::addFilter(IFilter* filter) {
  if (filter != nullptr) {
    m_filters.push(filter);
  }
}

}  // namespace s::sound
