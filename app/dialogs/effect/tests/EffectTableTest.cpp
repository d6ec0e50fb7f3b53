// The effect list as data: its rows and separators, the parameter menus with their defaults,
// the choice of a menu's stored entry, and the setting fixed and stored for a drop.
#include "app/dialogs/effect/EffectTable.h"

#include "app/dialogs/effect/Setting.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/reg/MappedData.h"
#include "platform/reg/win/RegDir.h"
#include "platform/reg/win/tests/TempRegistry.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace s::sound::gui::dialogs::effect;

namespace {

constexpr const char16_t* kWindowKey = u"MainWindow";

/// The text id of the entry a fresh store selects in one menu of an effect.
int32_t defaultItemId(int32_t index, bool quality) {
  const EffectRow& row = effectRow(index);
  const ParameterMenu* menu = quality ? row.quality : row.level;
  const int32_t item = storedItemIndex(*menu, menu->defaultValue);
  return item >= 0 ? menu->items[item].textId : -2;
}

const char16_t* defaultItemText(int32_t index, bool quality) {
  const EffectRow& row = effectRow(index);
  const ParameterMenu* menu = quality ? row.quality : row.level;
  const int32_t item = storedItemIndex(*menu, menu->defaultValue);
  return item >= 0 ? menu->items[item].text : u"(none)";
}

}  // namespace

TEST(EffectTable, ListsTwentySevenRowsWithSixSeparatorsAndThirtySixMenus) {
  std::set<std::u16string> keys;
  int32_t menus = 0;
  for (int32_t i = 0; i < kEffectCount; ++i) {
    const EffectRow& row = effectRow(i);
    const bool separator = i == 2 || i == 5 || i == 8 || i == 11 || i == 14 || i == 17;
    EXPECT_EQ(isSeparatorRow(i), separator) << "row " << i;
    if (separator) {
      EXPECT_EQ(row.textId, -1);
      continue;
    }
    EXPECT_TRUE(keys.insert(row.key).second) << "row " << i << " repeats a key";
    menus += (row.level != nullptr) + (row.quality != nullptr);
    for (const ParameterMenu* menu : {row.level, row.quality}) {
      if (menu == nullptr) continue;
      std::set<int32_t> values;
      for (int32_t k = 0; k < menu->count; ++k) {
        EXPECT_TRUE(values.insert(menu->items[k].value).second) << "row " << i << " item " << k;
        EXPECT_NE(menu->items[k].textId == -1, menu->items[k].text == nullptr)
            << "an entry has a language text or a fixed one";
      }
      EXPECT_TRUE(values.count(menu->defaultValue) != 0 || menu->selectBy == SelectBy::kPosition)
          << "row " << i << ": the default is one of the entries";
    }
  }
  EXPECT_EQ(menus, kParameterMenuCount);
  EXPECT_TRUE(isFixedPreset(kOpenAir));
  EXPECT_TRUE(isFixedPreset(kSoftBreeze));
  EXPECT_FALSE(isFixedPreset(kVolumeUp));
  EXPECT_EQ(effectRow(kVolumeUp).quality, nullptr);
  EXPECT_EQ(effectRow(kVolumeDown).quality, nullptr);
  EXPECT_TRUE(effectRow(kVocalBoost).unscaledLevelInset);
  EXPECT_FALSE(effectRow(kInstrumentBoost).unscaledLevelInset);
  EXPECT_TRUE(isSeparatorRow(-1));
  EXPECT_TRUE(isSeparatorRow(kEffectCount));
}

TEST(EffectTable, AFreshStoreShowsEachEffectsDefaults) {
  EXPECT_EQ(defaultItemId(kBassBoost, false), 1202050) << "5 (Moderate)";
  EXPECT_EQ(defaultItemId(kBassBoost, true), 1203300) << "Normal";
  EXPECT_EQ(defaultItemId(kVocalBoost, false), 1202050) << "5 (Moderate)";
  EXPECT_EQ(defaultItemId(kVocalBoost, true), 1202010) << "1 (Minimum), after Off";
  EXPECT_EQ(std::u16string(defaultItemText(kSpeedUp, false)), u"+20%");
  EXPECT_EQ(defaultItemId(kSpeedUp, true), 1201010) << "Normal  (Faster Processing)";
  EXPECT_EQ(std::u16string(defaultItemText(kSpeedDown, false)), u"-10%");
  EXPECT_EQ(defaultItemId(kPitchUp, false), 1102120) << "+1 Key";
  EXPECT_EQ(defaultItemId(kPitchDown, false), 1102130) << "-1 Key";
  EXPECT_EQ(defaultItemId(kMaleToFemale, false), 1101950) << "(Default)";
  EXPECT_EQ(defaultItemId(kFemaleToMale, false), 1101950) << "(Default)";
  EXPECT_EQ(std::u16string(defaultItemText(kVolumeDown, false)), u"-30%");
  EXPECT_EQ(std::u16string(defaultItemText(kVolumeUp, false)), u"+30%");
}

TEST(EffectTable, StoredValuesSelectByValueOrByPosition) {
  const EffectRow& bass = effectRow(kBassBoost);
  EXPECT_EQ(storedItemIndex(*bass.quality, 0), 0) << "SecondLevel 0 lies outside: Very Narrow";
  EXPECT_EQ(storedItemIndex(*bass.quality, 5), 4);
  EXPECT_EQ(storedItemIndex(*bass.quality, 6), 0);
  EXPECT_EQ(storedItemIndex(*bass.level, 10), 9);
  EXPECT_EQ(storedItemIndex(*bass.level, -2147483647 - 1), 0) << "no overflow at the edge";
  const EffectRow& vocal = effectRow(kVocalBoost);
  EXPECT_EQ(storedItemIndex(*vocal.quality, 0), 0) << "Off is position 0";
  EXPECT_EQ(storedItemIndex(*vocal.quality, 10), 10);
  const EffectRow& speed = effectRow(kSpeedUp);
  EXPECT_EQ(storedItemIndex(*speed.level, 100), 0);
  EXPECT_EQ(storedItemIndex(*speed.level, 15), -1) << "a value no entry has keeps the selection";
  EXPECT_EQ(storedItemIndex(*speed.quality, 32), 0);
  EXPECT_EQ(storedItemIndex(*speed.quality, 8), 2);
  EXPECT_EQ(storedItemIndex(*effectRow(kFemaleToMale).level, -6), 2);
  EXPECT_EQ(storedItemIndex(*effectRow(kPitchDown).level, -12), 11);
}

class EffectSettings : public TempRegistry {
 protected:
  void SetUp() override {
    TempRegistry::SetUp();
    m_store = s::reg::MappedData::take();
    s::reg::win::RegDir* base = s::reg::win::RegDir::take();
    base->open(HKEY_CURRENT_USER, u"Software\\Tovi\\Tovi Lumetra\\SaveData");
    m_store->setBaseKey(base);
  }
  void TearDown() override {
    m_store->release();
    TempRegistry::TearDown();
  }
  s::reg::MappedData* m_store = nullptr;
};

TEST_F(EffectSettings, ADropFixesAndStoresTheSettingOfTheChosenEffect) {
  Setting* setting = Setting::take();
  fixSetting(setting, kOpenAir, 99, 99);
  EXPECT_EQ(setting->getLevel(), 7) << "the fixed preset ignores its menus";
  EXPECT_EQ(setting->getQuality(), 3);
  storeSetting(m_store, kWindowKey, *setting);
  EXPECT_EQ(m_store->getInt32(u"MainWindow\\ConvertTo\\OpenAir", u"FirstLevel", -1), 7);
  EXPECT_EQ(m_store->getInt32(u"MainWindow\\ConvertTo\\OpenAir", u"SecondLevel", -1), 3);

  fixSetting(setting, kVolumeDown, -40, 16);
  EXPECT_EQ(setting->getIndex(), kVolumeDown);
  EXPECT_EQ(setting->getLevel(), -40);
  EXPECT_EQ(setting->getQuality(), 0) << "the volume effects have no quality menu";
  storeSetting(m_store, kWindowKey, *setting);
  EXPECT_EQ(readStoredValue(m_store, kWindowKey, kVolumeDown, false), -40);
  EXPECT_EQ(readStoredValue(m_store, kWindowKey, kVolumeDown, true), 0);

  fixSetting(setting, kSoftBreeze, 1, 1);
  EXPECT_EQ(setting->getLevel(), 10);
  EXPECT_EQ(setting->getQuality(), 10);
  fixSetting(setting, kBassOnly, 4, 2);
  EXPECT_EQ(setting->getLevel(), 4);
  EXPECT_EQ(setting->getQuality(), 2);
  fixSetting(setting, 5, 4, 2);
  EXPECT_EQ(setting->getIndex(), 5);
  EXPECT_EQ(setting->getLevel(), 0) << "a separator has no levels";
  storeSetting(m_store, kWindowKey, *setting);
  EXPECT_EQ(m_store->getInt32(u"MainWindow\\ConvertTo\\", u"FirstLevel", -1), 0)
      << "a row without a key stores in the section itself";
  setting->release();

  EXPECT_EQ(readStoredValue(m_store, kWindowKey, kBassBoost, false), 5) << "nothing stored";
  EXPECT_EQ(readStoredValue(m_store, kWindowKey, kBassBoost, true), 3);
  EXPECT_EQ(readStoredValue(m_store, kWindowKey, kOpenAir, false), 0) << "no menu";
}

TEST(EffectSetting, ResetsToTheFirstEffectBelowThePresets) {
  Setting* setting = Setting::take();
  setting->setIndex(20);
  setting->setLevel(4);
  setting->setQuality(5);
  setting->release();
  Setting* again = Setting::take();
  EXPECT_EQ(again, setting);
  EXPECT_EQ(again->getIndex(), 3);
  EXPECT_EQ(again->getLevel(), 0);
  EXPECT_EQ(again->getQuality(), 0);
  EXPECT_EQ(std::u16string(again->getClassName()), u"s_sound_gui_dialogs_effect_Setting");
  again->release();
}
