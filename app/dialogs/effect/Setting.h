// The parameters of the next conversion: the chosen effect with its two levels.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::sound::gui::dialogs::effect {

/// The effect index (a row of the effect list, 0 to 26), its level ("FirstLevel") and its quality
/// ("SecondLevel"). The effect window fixes it on the UI thread before it starts the conversion
/// task, which reads it on the worker while no drop is accepted; it needs no lock of its own.
/// Pooled (capacity 1000); `reset` gives index 3, level 0 and quality 0.
class Setting final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Setting, u"s_sound_gui_dialogs_effect_Setting")

  /// The index after a reset: the first entry below the fixed presets.
  static constexpr int32_t kDefaultIndex = 3;

  Setting() = default;
  ~Setting() override = default;
  Setting(const Setting&) = delete;
  Setting& operator=(const Setting&) = delete;

  void reset() override {
    m_index = kDefaultIndex;
    m_level = 0;
    m_quality = 0;
  }

  int32_t getIndex() const { return m_index; }
  void setIndex(int32_t index) { m_index = index; }
  int32_t getLevel() const { return m_level; }
  void setLevel(int32_t level) { m_level = level; }
  int32_t getQuality() const { return m_quality; }
  void setQuality(int32_t quality) { m_quality = quality; }

 private:
  int32_t m_index = kDefaultIndex;
  int32_t m_level = 0;
  int32_t m_quality = 0;
};

}  // namespace s::sound::gui::dialogs::effect
