// The effect window: the effect list, its parameter pages and the conversion task.
#include "app/dialogs/effect/Dialog.h"

#include "app/win/AppWindow.h"
#include "core/map/IMappedData.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "gui/combobox/ComboBoxItem.h"
#include "gui/win/Box.h"
#include "gui/win/ComboBox.h"
#include "gui/win/GroupBox.h"
#include "gui/win/Label.h"
#include "gui/win/MessageBoxW.h"
#include "gui/win/Window.h"
#include "platform/lang/Localizer.h"

namespace s::sound::gui::dialogs::effect {

namespace {

using s::gui::combobox::ComboBoxItem;
using s::gui::win::Box;
using s::gui::win::ComboBox;
using str::strbuffer::StrBuffer;

/// The event the end of a run posts to show its report once the worker's send has returned.
constexpr const WCHAR* kShowReport = u"ShowNotConvertedReport";

bool isEvent(const WCHAR* name, const WCHAR* event) {
  if (name == nullptr) {
    return false;
  }
  for (; *name != 0 && *name == *event; ++name, ++event) {
  }
  return *name == *event;
}

ComboBoxItem* makeFixedItem(const WCHAR* text, int64_t value) {
  ComboBoxItem* item = ComboBoxItem::take();
  item->text->append(text);
  item->value = value;
  return item;
}

}  // namespace

void Dialog::reset() {
  Base::reset();
  m_setting.reset();
  m_results.clear();
  m_effectList = nullptr;
  for (int32_t i = 0; i < kEffectCount; ++i) {
    m_levelMenus[i] = nullptr;
    m_qualityMenus[i] = nullptr;
  }
  m_lastEffectIndex = 0;
  if (m_report != nullptr) {
    m_report->release();
    m_report = nullptr;
  }
}

ComboBox* Dialog::makeMenu(const ParameterMenu& menu) {
  ComboBox* box = ComboBox::take();
  box->setWidthPercent(100, false);
  for (int32_t i = 0; i < menu.count; ++i) {
    const ParameterItem& entry = menu.items[i];
    box->addItem(entry.textId >= 0
                     ? s::gui::combobox::makeComboBoxItem(m_localizer, entry.textId, entry.value)
                     : makeFixedItem(entry.text, entry.value));
  }
  return box;
}

int32_t Dialog::selectedValue(ComboBox* menu) {
  ComboBoxItem* item = menu != nullptr ? menu->getSelectedItem() : nullptr;
  return item != nullptr ? static_cast<int32_t>(item->value) : 0;
}

s::gui::IComponent* Dialog::createTypeSelector() {
  m_effectList = ComboBox::take();
  m_effectList->setWidthPercent(100, false);
  for (int32_t i = 0; i < kEffectCount; ++i) {
    if (isSeparatorRow(i)) {
      m_effectList->addItem(makeFixedItem(kSeparatorText, 0));
    } else {
      m_effectList->addItem(
          s::gui::combobox::makeComboBoxItem(m_localizer, effectRow(i).textId, 0));
    }
  }
  return m_effectList;
}

s::gui::IComponent* Dialog::createOptionsPanel() {
  const int32_t scale = m_displayScale;
  const int32_t inset = scale > 0 ? 10 * scale : 0;
  const WCHAR* windowKey = m_appWindow != nullptr ? m_appWindow->getName() : u"MainWindow";
  Box* panel = s::gui::win::makeBox(3, 100, -1, 0, 0, 0, 0, 0, 0);
  for (int32_t i = 0; i < kEffectCount; ++i) {
    Box* page = s::gui::win::makeBox(1, 100, 100, 0, 0, 0, inset, inset, inset);
    const EffectRow& row = effectRow(i);
    if (isFixedPreset(i)) {
      Box* centre = s::gui::win::makeBox(-1, -1, -1, 1, 1, 0, 0, inset, inset);
      centre->add(s::gui::win::makeLabelById(kNoConfigurationTextId, true, false, 0));
      page->add(centre);
    }
    const ParameterMenu* menus[2] = {row.level, row.quality};
    for (int32_t m = 0; m < 2 && !isSeparatorRow(i); ++m) {
      if (menus[m] == nullptr) {
        continue;
      }
      ComboBox* menu = makeMenu(*menus[m]);
      (m == 0 ? m_levelMenus : m_qualityMenus)[i] = menu;
      // The menu in a group box titled by what it sets.
      const int32_t groupGap = m == 0 && row.unscaledLevelInset ? 10 : 10 * scale;
      s::gui::win::GroupBox* group = s::gui::win::makeGroupBoxById(
          menus[m]->titleId, 100, 1, groupGap, 5 * scale, 20 * scale, 3 * scale);
      group->add(menu);
      page->add(group);
      const int32_t stored = m_settings != nullptr
                                 ? readStoredValue(m_settings, windowKey, i, m == 1)
                                 : menus[m]->defaultValue;
      const int32_t item = storedItemIndex(*menus[m], stored);
      if (item >= 0 && item < menu->getItemCount()) {
        menu->select(item, false);
      }
    }
    panel->add(page);
  }
  panel->showOnly(0);
  return panel;
}

bool Dialog::onConversionTypeChanged() {
  const int32_t index = m_effectList != nullptr ? m_effectList->getSelectedIndex() : -1;
  fixSetting(&m_setting, index,
             index >= 0 && index < kEffectCount ? selectedValue(m_levelMenus[index]) : 0,
             index >= 0 && index < kEffectCount ? selectedValue(m_qualityMenus[index]) : 0);
  if (m_settings != nullptr) {
    storeSetting(m_settings, m_appWindow != nullptr ? m_appWindow->getName() : u"MainWindow",
                 m_setting);
  }
  return true;
}

bool Dialog::onSelectorChanged(base::IObject* source, int32_t /*eventId*/) {
  if (m_effectList == nullptr || source != static_cast<base::IObject*>(m_effectList)) {
    return false;
  }
  const int32_t index = m_effectList->getSelectedIndex();
  if (isSeparatorRow(index)) {
    m_effectList->select(m_lastEffectIndex, false);
    return true;
  }
  m_lastEffectIndex = index;
  return false;
}

void Dialog::run() { runConversionTask(this); }

void Dialog::beginTaskbarProgress() {
  if (m_appWindow != nullptr && m_window != nullptr) {
    m_appWindow->beginTaskbarProgress(m_window);
  }
}

void Dialog::endTaskbarProgress() {
  if (m_appWindow != nullptr && m_window != nullptr) {
    m_appWindow->endTaskbarProgress(m_window);
  }
}

const WCHAR* Dialog::getLastReport() { return m_report != nullptr ? m_report->getCStr() : u""; }

void Dialog::onStatusEvent(const WCHAR* name, int64_t total, int64_t done, const WCHAR* text) {
  if (isEvent(name, kShowReport)) {
    if (m_report != nullptr) {
      s::gui::win::MessageBoxW* box = s::gui::win::MessageBoxW::take();
      box->showWarning(m_report->getCStr());
      box->release();
    }
    return;
  }
  const bool end = isEvent(name, kProcessStatusEnd);
  bool report = false;
  if (end && !m_results.wasCancelled() && m_localizer != nullptr) {
    StrBuffer* text2 = newNotConvertedReport(m_results, m_localizer);
    if (text2 != nullptr) {
      if (m_report != nullptr) {
        m_report->release();
      }
      m_report = text2;
      report = true;
    }
  }
  Base::onStatusEvent(name, total, done, text);
  // The box is shown once the worker's send has returned, so the worker never waits on it.
  if (report && m_window != nullptr) {
    m_window->postUserEvent(reinterpret_cast<int64_t>(kShowReport), 0, 0, 0);
  }
}

}  // namespace s::sound::gui::dialogs::effect
