// The effect chain that every audio reader and writer embeds.
#pragma once

#include "audio/IFilter.h"
#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"

#include <array>
#include <cstdint>

namespace s::sound::filter {
class Equalizer;
class EqualizerEx;
class Octave;
class StereoEnhancer;
class VocalInstrument;
}  // namespace s::sound::filter

namespace s::sound {

/// The chain through which each block of PCM passes on its way into a reader's caller or out of a
/// writer. It holds the filters a caller added, in the order of addition, plus five fixed members
/// (the ten-band equaliser, the three-band equaliser, the stereo enhancer, the vocal and
/// instrument filter and the pitch shifter), which it builds once with their settings and keeps
/// disabled after every reset; only added filters act on the main road.
///
/// Ownership: added filters belong to the effect from `addFilter` on and go back to their pools
/// on `reset`; the fixed members live as long as the effect. The effect takes no lock: it runs on
/// the thread that reads or writes its owner.
class Effect final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Effect, u"s_sound_Effect")

  Effect();
  ~Effect() override;
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  /// Disables the fixed members (resetting the pitch shifter, which frees its work areas) and
  /// gives every added filter back to its pool.
  void reset() override;

  /// Runs the block through the ten-band equaliser when it is enabled, then through every enabled
  /// added filter in the order of addition. Owners call it only when `hasFilters`.
  void process(void* samples, int32_t byteCount, bool stereo, int32_t sampleRate,
               int32_t bitsPerSample);
  /// Appends a filter; the effect owns it from now on. Null is ignored.
  void addFilter(IFilter* filter);
  bool hasFilters() const { return m_filters.getCount() != 0; }
  uint32_t getFilterCount() const { return m_filters.getCount(); }
  IFilter* getFilter(uint32_t index) const {
    return static_cast<IFilter*>(m_filters.getItems()[index]);
  }

  /// The fixed members (each null only when it could not be allocated).
  filter::EqualizerEx* getEqualizerEx() const { return m_equalizerEx; }
  filter::Equalizer* getEqualizer() const { return m_equalizer; }
  filter::StereoEnhancer* getStereoEnhancer() const { return m_stereoEnhancer; }
  filter::VocalInstrument* getVocalInstrument() const { return m_vocalInstrument; }
  filter::Octave* getOctave() const { return m_octave; }

 private:
  /// The four fixed members other than the pitch shifter, which resets differently.
  std::array<IFilter*, 4> fixedFilters() const;

  col::_array::ArrayP m_filters;
  filter::EqualizerEx* m_equalizerEx = nullptr;
  filter::Equalizer* m_equalizer = nullptr;
  filter::StereoEnhancer* m_stereoEnhancer = nullptr;
  filter::VocalInstrument* m_vocalInstrument = nullptr;
  filter::Octave* m_octave = nullptr;
};

}  // namespace s::sound
