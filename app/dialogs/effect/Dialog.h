// The program's main window: the effect window.
#pragma once

#include "app/dialogs/dragndrop/Dialog.h"
#include "app/dialogs/effect/ConversionTask.h"
#include "app/dialogs/effect/EffectTable.h"
#include "app/dialogs/effect/Setting.h"
#include "core/thread/ClassTail.h"

namespace s::gui::win {
class ComboBox;
}

namespace s::sound::gui::dialogs::effect {

/// The converter window specialised for audio effects: the effect list, one page of parameter
/// menus per effect, the stored levels of each effect and the conversion task. Taken from its
/// pool (capacity 1000) by the start-up and given back when its window has closed; the reset
/// waits until the task is idle.
class Dialog final : public s::gui::dialogs::dragndrop::Dialog, public ITaskWindow {
  S_POOLED_CLASS(Dialog, u"s_sound_gui_dialogs_effect_Dialog")

  using Base = s::gui::dialogs::dragndrop::Dialog;

  Dialog() = default;
  ~Dialog() override = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  void reset() override;

  int32_t getDefaultLargeWidth() override { return 400 * m_displayScale; }
  int32_t getDefaultLargeHeight() override { return 300 * m_displayScale; }
  /// Fixes the setting from the effect list and its menus and stores it; always true.
  bool onConversionTypeChanged() override;
  s::gui::IComponent* createTypeSelector() override;
  s::gui::IComponent* createOptionsPanel() override;
  /// Keeps the effect list off its separator rows.
  bool onSelectorChanged(base::IObject* source, int32_t eventId) override;
  bool hasOutputFolderOptions() override { return true; }
  bool createsMissingOutputFolder() override { return true; }
  /// The conversion task.
  void run() override;
  /// After the end of a run, the report of the files that were not converted.
  void onStatusEvent(const WCHAR* name, int64_t total, int64_t done, const WCHAR* text) override;

  // The task's view of the window.
  void lockTask() override { m_lock.lock(); }
  void unlockTask() override { m_lock.unlock(); }
  bool isCancelRequested() override { return Base::isCancelRequested(); }
  str::strarray::StrArray* getPathList() override { return &m_paths; }
  file::win::PathWin* getOutputFolder() override { return Base::getOutputFolder(); }
  const Setting& getSetting() override { return m_setting; }
  ConversionResults* getResults() override { return &m_results; }
  void beginTaskbarProgress() override;
  void endTaskbarProgress() override;
  void sendStatusEvent(const WCHAR* name, int64_t total, int64_t done, const WCHAR* text) override {
    Base::sendStatusEvent(name, total, done, text);
  }
  void reportProgress(int64_t total, int64_t done, const WCHAR* fileName) override {
    Base::reportProgress(total, done, fileName);
  }

  /// The effect list and the menus of each row (null where a row has none).
  s::gui::win::ComboBox* getEffectList() { return m_effectList; }
  s::gui::win::ComboBox* getLevelMenu(int32_t index) { return m_levelMenus[index]; }
  s::gui::win::ComboBox* getQualityMenu(int32_t index) { return m_qualityMenus[index]; }
  /// The text of the last report shown (empty when none was).
  const WCHAR* getLastReport();

 private:
  s::gui::win::ComboBox* makeMenu(const ParameterMenu& menu);
  int32_t selectedValue(s::gui::win::ComboBox* menu);

  Setting m_setting;
  ConversionResults m_results;
  s::gui::win::ComboBox* m_effectList = nullptr;
  s::gui::win::ComboBox* m_levelMenus[kEffectCount] = {};
  s::gui::win::ComboBox* m_qualityMenus[kEffectCount] = {};
  int32_t m_lastEffectIndex = 0;
  str::strbuffer::StrBuffer* m_report = nullptr;
};

}  // namespace s::sound::gui::dialogs::effect
