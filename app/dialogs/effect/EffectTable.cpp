// The effect list and its parameter menus.
#include "app/dialogs/effect/EffectTable.h"

#include "app/dialogs/effect/Setting.h"
#include "core/map/IMappedData.h"
#include "core/str/strbuffer/StrBuffer.h"

namespace s::sound::gui::dialogs::effect {

namespace {

// Group titles.
constexpr int32_t kBoostLevel = 1200000;
constexpr int32_t kSuppressOthers = 1200100;
constexpr int32_t kCoverRange = 1200200;
constexpr int32_t kSuppressLevel = 1200300;
constexpr int32_t kShiftRange = 1200400;
constexpr int32_t kQualityOfSound = 1201000;

template <int32_t N>
constexpr int32_t countOf(const ParameterItem (&)[N]) {
  return N;
}

// clang-format off
constexpr ParameterItem kTenSteps[] = {
    {1202010, nullptr, 1}, {1202020, nullptr, 2}, {1202030, nullptr, 3}, {1202040, nullptr, 4},
    {1202050, nullptr, 5}, {1202060, nullptr, 6}, {1202070, nullptr, 7}, {1202080, nullptr, 8},
    {1202090, nullptr, 9}, {1202100, nullptr, 10}};
constexpr ParameterItem kOffThenTenSteps[] = {
    {1202000, nullptr, 0},
    {1202010, nullptr, 1}, {1202020, nullptr, 2}, {1202030, nullptr, 3}, {1202040, nullptr, 4},
    {1202050, nullptr, 5}, {1202060, nullptr, 6}, {1202070, nullptr, 7}, {1202080, nullptr, 8},
    {1202090, nullptr, 9}, {1202100, nullptr, 10}};
constexpr ParameterItem kCoverRanges[] = {
    {1203100, nullptr, 1}, {1203200, nullptr, 2}, {1203300, nullptr, 3}, {1203400, nullptr, 4},
    {1203500, nullptr, 5}};
constexpr ParameterItem kQualities[] = {
    {1201040, nullptr, 32}, {1201030, nullptr, 16}, {1201020, nullptr, 8}, {1201010, nullptr, 4}};
constexpr ParameterItem kSpeedUps[] = {
    {-1, u"+100%", 100}, {-1, u"+90%", 90}, {-1, u"+80%", 80}, {-1, u"+70%", 70},
    {-1, u"+60%", 60}, {-1, u"+50%", 50}, {-1, u"+40%", 40}, {-1, u"+30%", 30},
    {-1, u"+20%", 20}, {-1, u"+10%", 10}};
constexpr ParameterItem kSpeedDowns[] = {
    {-1, u"-5%", -5}, {-1, u"-10%", -10}, {-1, u"-15%", -15}, {-1, u"-20%", -20},
    {-1, u"-25%", -25}, {-1, u"-30%", -30}, {-1, u"-35%", -35}, {-1, u"-40%", -40},
    {-1, u"-45%", -45}, {-1, u"-50%", -50}};
constexpr ParameterItem kToFemale[] = {
    {1101951, nullptr, 6}, {1101950, nullptr, 5}, {1101952, nullptr, 4}};
constexpr ParameterItem kToMale[] = {
    {1101951, nullptr, -4}, {1101950, nullptr, -5}, {1101952, nullptr, -6}};
constexpr ParameterItem kPitchUps[] = {
    {1102110, nullptr, 12}, {-1, u"+11", 11}, {-1, u"+10", 10}, {-1, u"+9", 9}, {-1, u"+8", 8},
    {-1, u"+7", 7}, {-1, u"+6", 6}, {-1, u"+5", 5}, {-1, u"+4", 4}, {-1, u"+3", 3},
    {-1, u"+2", 2}, {1102120, nullptr, 1}};
constexpr ParameterItem kPitchDowns[] = {
    {1102130, nullptr, -1}, {-1, u"-2", -2}, {-1, u"-3", -3}, {-1, u"-4", -4}, {-1, u"-5", -5},
    {-1, u"-6", -6}, {-1, u"-7", -7}, {-1, u"-8", -8}, {-1, u"-9", -9}, {-1, u"-10", -10},
    {-1, u"-11", -11}, {1102140, nullptr, -12}};
constexpr ParameterItem kVolumeUps[] = {
    {-1, u"+10%", 10}, {-1, u"+20%", 20}, {-1, u"+30%", 30}, {-1, u"+40%", 40},
    {-1, u"+50%", 50}, {-1, u"+60%", 60}, {-1, u"+70%", 70}, {-1, u"+80%", 80},
    {-1, u"+90%", 90}, {-1, u"+100%", 100}};
constexpr ParameterItem kVolumeDowns[] = {
    {-1, u"-10%", -10}, {-1, u"-20%", -20}, {-1, u"-30%", -30}, {-1, u"-40%", -40},
    {-1, u"-50%", -50}, {-1, u"-60%", -60}, {-1, u"-70%", -70}, {-1, u"-80%", -80},
    {-1, u"-90%", -90}};

using enum SelectBy;
constexpr ParameterMenu kBoostSteps{kBoostLevel, kTenSteps, countOf(kTenSteps), 5, kPosition, 1};
constexpr ParameterMenu kOthersSteps{kSuppressOthers, kOffThenTenSteps, countOf(kOffThenTenSteps), 1, kPosition, 0};
constexpr ParameterMenu kSpeedUpLevels{kBoostLevel, kSpeedUps, countOf(kSpeedUps), 20, kValue, 0};
constexpr ParameterMenu kSpeedDownLevels{kBoostLevel, kSpeedDowns, countOf(kSpeedDowns), -10, kValue, 0};
constexpr ParameterMenu kQualityByValue{kQualityOfSound, kQualities, countOf(kQualities), 4, kValue, 0};
constexpr ParameterMenu kToFemaleRanges{kShiftRange, kToFemale, countOf(kToFemale), 5, kValue, 0};
constexpr ParameterMenu kToMaleRanges{kShiftRange, kToMale, countOf(kToMale), -5, kValue, 0};
constexpr ParameterMenu kPitchUpRanges{kShiftRange, kPitchUps, countOf(kPitchUps), 1, kValue, 0};
constexpr ParameterMenu kPitchDownRanges{kShiftRange, kPitchDowns, countOf(kPitchDowns), -1, kValue, 0};
constexpr ParameterMenu kVolumeUpLevels{kBoostLevel, kVolumeUps, countOf(kVolumeUps), 30, kValue, 0};
constexpr ParameterMenu kVolumeDownLevels{kBoostLevel, kVolumeDowns, countOf(kVolumeDowns), -30, kValue, 0};
constexpr ParameterMenu kSuppressSteps{kSuppressLevel, kTenSteps, countOf(kTenSteps), 5, kPosition, 1};
constexpr ParameterMenu kOnlySteps{kSuppressOthers, kTenSteps, countOf(kTenSteps), 5, kPosition, 1};
constexpr ParameterMenu kRanges{kCoverRange, kCoverRanges, countOf(kCoverRanges), 3, kPosition, 1};

constexpr EffectRow kSeparator{-1, nullptr, nullptr, nullptr, 0, 0, false};

constexpr EffectRow kRows[kEffectCount] = {
    {6802000, u"OpenAir", nullptr, nullptr, 7, 3, false},
    {6801000, u"SoftBreeze", nullptr, nullptr, 10, 10, false},
    kSeparator,
    {1100000, u"VocalBoost", &kBoostSteps, &kOthersSteps, 0, 0, true},
    {1100100, u"InstrumentBoost", &kBoostSteps, &kOthersSteps, 0, 0, false},
    kSeparator,
    {1103000, u"SpeedUp", &kSpeedUpLevels, &kQualityByValue, 0, 0, false},
    {1103010, u"SpeedDown", &kSpeedDownLevels, &kQualityByValue, 0, 0, false},
    kSeparator,
    {1101900, u"MaleToFemale", &kToFemaleRanges, &kQualityByValue, 0, 0, false},
    {1101910, u"FemaleToMale", &kToMaleRanges, &kQualityByValue, 0, 0, false},
    kSeparator,
    {1102000, u"PitchUp", &kPitchUpRanges, &kQualityByValue, 0, 0, false},
    {1102010, u"PitchDown", &kPitchDownRanges, &kQualityByValue, 0, 0, false},
    kSeparator,
    {1100180, u"VolumeUp", &kVolumeUpLevels, nullptr, 0, 0, false},
    {1100190, u"VolumeDown", &kVolumeDownLevels, nullptr, 0, 0, false},
    kSeparator,
    {1100200, u"BassBoost", &kBoostSteps, &kRanges, 0, 0, false},
    {1100300, u"BassSuppress", &kSuppressSteps, &kRanges, 0, 0, false},
    {1100400, u"BassOnly", &kOnlySteps, &kRanges, 0, 0, false},
    {1100500, u"MiddleBoost", &kBoostSteps, &kRanges, 0, 0, false},
    {1100600, u"MiddleSuppress", &kSuppressSteps, &kRanges, 0, 0, false},
    {1100700, u"MiddleOnly", &kOnlySteps, &kRanges, 0, 0, false},
    {1100800, u"HighBoost", &kBoostSteps, &kRanges, 0, 0, false},
    {1100900, u"HighSuppress", &kSuppressSteps, &kRanges, 0, 0, false},
    {1101000, u"HighOnly", &kOnlySteps, &kRanges, 0, 0, false},
};
// clang-format on

}  // namespace

const EffectRow& effectRow(int32_t index) {
  if (index < 0 || index >= kEffectCount) {
    return kSeparator;
  }
  return kRows[index];
}

bool isSeparatorRow(int32_t index) { return effectRow(index).key == nullptr; }

bool isFixedPreset(int32_t index) {
  const EffectRow& row = effectRow(index);
  return row.key != nullptr && row.level == nullptr;
}

int32_t storedItemIndex(const ParameterMenu& menu, int32_t storedValue) {
  if (menu.selectBy == SelectBy::kValue) {
    for (int32_t i = 0; i < menu.count; ++i) {
      if (menu.items[i].value == storedValue) {
        return i;
      }
    }
    return -1;
  }
  const int64_t position = static_cast<int64_t>(storedValue) - menu.firstPositionValue;
  return position >= 0 && position < menu.count ? static_cast<int32_t>(position) : 0;
}

void appendEffectSection(str::strbuffer::StrBuffer* out, const WCHAR* windowKey, int32_t index) {
  out->append(windowKey)->append(u"\\")->append(kConvertToSection);
  const EffectRow& row = effectRow(index);
  if (row.key != nullptr) {
    out->append(row.key);
  }
}

int32_t readStoredValue(map::IMappedData* store, const WCHAR* windowKey, int32_t index,
                        bool quality) {
  const EffectRow& row = effectRow(index);
  const ParameterMenu* menu = quality ? row.quality : row.level;
  if (menu == nullptr) {
    return 0;
  }
  str::strbuffer::StrBuffer* section = str::strbuffer::StrBuffer::take();
  appendEffectSection(section, windowKey, index);
  const int32_t value = store->getInt32(
      section->getCStr(), quality ? kSecondLevelKey : kFirstLevelKey, menu->defaultValue);
  section->release();
  return value;
}

void fixSetting(Setting* setting, int32_t index, int32_t levelValue, int32_t qualityValue) {
  setting->reset();
  setting->setIndex(index);
  const EffectRow& row = effectRow(index);
  if (row.key == nullptr) {
    return;
  }
  if (row.level == nullptr) {
    setting->setLevel(row.fixedLevel);
    setting->setQuality(row.fixedQuality);
    return;
  }
  setting->setLevel(levelValue);
  if (row.quality != nullptr) {
    setting->setQuality(qualityValue);
  }
}

void storeSetting(map::IMappedData* store, const WCHAR* windowKey, const Setting& setting) {
  str::strbuffer::StrBuffer* section = str::strbuffer::StrBuffer::take();
  appendEffectSection(section, windowKey, setting.getIndex());
  store->setInt32(section->getCStr(), kFirstLevelKey, setting.getLevel());
  store->setInt32(section->getCStr(), kSecondLevelKey, setting.getQuality());
  section->release();
}

}  // namespace s::sound::gui::dialogs::effect
