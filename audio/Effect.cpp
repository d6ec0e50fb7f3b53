// The effect chain.
#include "audio/Effect.h"

#include "audio/filter/Octave.h"

namespace s::sound {

Effect::Effect() {
  // FIXME: take the ten-band equaliser with its own defaults; the three-band equaliser with low
  // and middle gains 1.0, high gain 1.7 (1 + 0.1 x 7), crossovers 880 Hz and 5000 Hz and their
  // coefficients 2 sin(pi f / 44100); the stereo enhancer at level 7 with attenuation; and the
  // vocal and instrument filter in instrument mode (level 10, second level 10, low and high gains
  // 1.25, middle gain 0, crossovers 750 Hz and 7000 Hz for 44100 Hz, attenuation on).
  m_octave = filter::Octave::take();
  reset();
}

Effect::~Effect() {
  reset();
  for (IFilter* fixed : {m_equalizerEx, m_equalizer, m_stereoEnhancer, m_vocalInstrument}) {
    if (fixed != nullptr) {
      fixed->release();
    }
  }
  if (m_octave != nullptr) {
    m_octave->release();
  }
}

void Effect::reset() {
  for (IFilter* fixed : {m_equalizerEx, m_equalizer, m_stereoEnhancer, m_vocalInstrument}) {
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
