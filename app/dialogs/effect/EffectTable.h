// The effect list of the main window as data: its 27 rows, each effect's parameter menus, the
// settings section of each effect, and the rules that pick a menu's stored entry.
#pragma once

#include <winnt.h>

#include <cstdint>

namespace s::map {
class IMappedData;
}
namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::sound::gui::dialogs::effect {

class Setting;

/// Rows of the effect list; the rows between the groups (2, 5, 8, 11, 14 and 17) are separators.
enum EffectIndex : int32_t {
  kOpenAir = 0,
  kSoftBreeze = 1,
  kVocalBoost = 3,
  kInstrumentBoost = 4,
  kSpeedUp = 6,
  kSpeedDown = 7,
  kMaleToFemale = 9,
  kFemaleToMale = 10,
  kPitchUp = 12,
  kPitchDown = 13,
  kVolumeUp = 15,
  kVolumeDown = 16,
  kBassBoost = 18,
  kBassSuppress = 19,
  kBassOnly = 20,
  kMiddleBoost = 21,
  kMiddleSuppress = 22,
  kMiddleOnly = 23,
  kHighBoost = 24,
  kHighSuppress = 25,
  kHighOnly = 26,
};

/// Rows of the effect list, separators included.
constexpr int32_t kEffectCount = 27;
/// Parameter menus of the effect pages: two for every effect but the volume ones, which have a
/// level menu alone, and the fixed presets, which have none.
constexpr int32_t kParameterMenuCount = 36;

/// The text of a separator row, and the value that marks it.
inline constexpr const WCHAR* kSeparatorText = u"------------------------------";
inline constexpr const WCHAR* kSeparatorMarker = u"Separator";
/// The text of the pages of the two fixed presets.
constexpr int32_t kNoConfigurationTextId = 2000000;
/// The settings sub-section of every effect's values, under the main window's settings key.
inline constexpr const WCHAR* kConvertToSection = u"ConvertTo\\";
inline constexpr const WCHAR* kFirstLevelKey = u"FirstLevel";
inline constexpr const WCHAR* kSecondLevelKey = u"SecondLevel";

/// One entry of a parameter menu: a language text by id, or a fixed text when the id is -1.
struct ParameterItem {
  int32_t textId;
  const WCHAR* text;
  int32_t value;
};

/// How a menu finds its stored entry: the entry carrying the stored value, or the entry at
/// position (stored value - first value).
enum class SelectBy : int32_t { kValue, kPosition };

/// One parameter menu: its group title, entries, default value and selection rule.
struct ParameterMenu {
  int32_t titleId;
  const ParameterItem* items;
  int32_t count;
  int32_t defaultValue;
  SelectBy selectBy;
  /// For selection by position: the stored value that selects position 0.
  int32_t firstPositionValue;
};

/// One row of the effect list. A separator has text id -1 and no key; a fixed preset has a key
/// and no menus, its levels given here.
struct EffectRow {
  int32_t textId;
  const WCHAR* key;
  const ParameterMenu* level;
  const ParameterMenu* quality;
  int32_t fixedLevel;
  int32_t fixedQuality;
  /// The level group's inset is 10 pixels whatever the display scale (Vocal Boost's alone).
  bool unscaledLevelInset;
};

/// The row at `index`; an index outside the list answers a separator.
const EffectRow& effectRow(int32_t index);
bool isSeparatorRow(int32_t index);
/// Whether the row is one of the two presets with fixed levels and no menus.
bool isFixedPreset(int32_t index);

/// The entry of `menu` that a stored value selects: for selection by value the entry carrying
/// it, -1 when none does (the menu then keeps its selection, the first entry); for selection by
/// position the entry at its position, 0 when that lies outside the menu.
int32_t storedItemIndex(const ParameterMenu& menu, int32_t storedValue);

/// Appends the settings section of the effect at `index` to `out`: the window's settings key,
/// "\", "ConvertTo\" and the effect's key (none for a row without one).
void appendEffectSection(str::strbuffer::StrBuffer* out, const WCHAR* windowKey, int32_t index);

/// The stored value of one menu of the effect at `index` ("FirstLevel" for the level menu,
/// "SecondLevel" for the quality menu), the menu's default when nothing is stored; 0 for a menu
/// that the row does not have.
int32_t readStoredValue(map::IMappedData* store, const WCHAR* windowKey, int32_t index,
                        bool quality);

/// Fixes `setting` for a drop: reset, the effect list's selection as index, then the levels
/// (fixed presets: their own; the volume effects: the level menu's value and quality 0; the
/// others: both menus' values; a separator: 0 and 0). `levelValue` and `qualityValue` are the
/// values of the row's selected menu entries.
void fixSetting(Setting* setting, int32_t index, int32_t levelValue, int32_t qualityValue);

/// Writes the setting's level as "FirstLevel" and quality as "SecondLevel" in its effect's
/// section under `windowKey`.
void storeSetting(map::IMappedData* store, const WCHAR* windowKey, const Setting& setting);

}  // namespace s::sound::gui::dialogs::effect
