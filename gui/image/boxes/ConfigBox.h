// What every format's option panel shares: its name, owner window, setting, background group and
// the common frame it builds.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/thread/IPoolable.h"
#include "gui/events/IEventListener.h"
#include "gui/image/boxes/BgGroupBox.h"
#include "imaging/gui/IEncodeSettingBox.h"

#include <cstdint>
#include <string>

namespace s::image {
class IEncodeSetting;
}
namespace s::gui::win {
class GroupBox;
}

namespace s::image::gui::boxes {

/// An option panel bound to one encode setting (not owned; the setting holds the panel until it
/// gives it back). `buildPanel` makes a column of the background group and the format's group
/// from the setting's values; `apply` copies what the widgets show into the setting and saves
/// it. The widgets belong to the root box, which belongs to the host (to its parent once placed):
/// the panel never releases it. The host gives the panel back only after the widgets are gone,
/// since they tell the panel of their events. A change of colour tells the listeners
/// (event 0). Runs on the owner window's UI thread.
class ConfigBox : public s::gui::events::IEventListener,
                  public IEncodeSettingBox,
                  public virtual thread::IPoolable {
 public:
  ConfigBox(const ConfigBox&) = delete;
  ConfigBox& operator=(const ConfigBox&) = delete;

  void onEvent(base::IObject* source, int32_t eventId) override;

  // IEncodeSettingBox
  void setOwnerWindow(s::gui::win::Window* window) override { m_ownerWindow = window; }
  /// The root box; null when it could not be made or when the panel has no setting. A second
  /// call answers the box made first.
  s::gui::win::Box* buildPanel() override;
  const WCHAR* getName() override { return m_name.c_str(); }
  void setName(const WCHAR* name) override { m_name = name != nullptr ? name : u""; }

  /// Links the panel to `setting`, whose values the build shows.
  void bindSetting(IEncodeSetting* setting) { m_setting = setting; }
  IEncodeSetting* getSetting() const { return m_setting; }
  s::gui::win::Window* getOwnerWindow() const { return m_ownerWindow; }
  s::gui::win::Box* getRoot() const { return m_root; }
  BgGroupBox* getBackground() const { return m_background; }
  void addListener(s::gui::events::IEventListener* listener);
  /// The colour the background group's row shows, 0xRRGGBB; white before the build.
  int32_t getColor() const;
  /// Whether "Keep Transparency" is chosen; true before the build.
  bool isKeepTransparency() const;
  /// The widgets' values into the setting, then the setting's save; true once the values were
  /// taken over (also when the setting has no store to save to), false without a setting.
  virtual bool apply() = 0;

 protected:
  ConfigBox() = default;
  ~ConfigBox() override;
  /// Forgets the widgets and the setting and releases the background group; `name` becomes the
  /// panel's name.
  void resetPanel(const WCHAR* name);
  /// Sets the background group's flags and colour from the setting; false when the setting is
  /// not of the panel's format.
  virtual bool prepareBackground(BgGroupBox* background) = 0;
  /// The format's own group, its widgets made from the setting.
  virtual s::gui::win::GroupBox* buildFormatGroup() = 0;
  /// An event of one of the format's own widgets.
  virtual void onFormatEvent(base::IObject* /*source*/) {}
  /// The background group's flags and colour from a setting of type `Setting`; false when the
  /// bound setting is of another type.
  template <class Setting>
  bool prepareBackgroundOf(BgGroupBox* background) {
    auto* setting = dynamic_cast<Setting*>(getSetting());
    if (setting == nullptr) {
      return false;
    }
    background->setKeepTransparency(setting->getKeepTransparency());
    background->setColor(setting->getBgRed(), setting->getBgGreen(), setting->getBgBlue());
    return true;
  }
  /// Once built, the background group's flag and colour and then what `takeOwn` copies of the
  /// format's widgets go into a setting of type `Setting`, which then saves itself; false when
  /// the bound setting is of another type.
  template <class Setting, class TakeOwn>
  bool applyTo(TakeOwn takeOwn) {
    auto* setting = dynamic_cast<Setting*>(getSetting());
    if (setting == nullptr) {
      return false;
    }
    if (getRoot() != nullptr) {
      const int32_t color = getColor();
      setting->setKeepTransparency(isKeepTransparency());
      setting->setBgRed((color >> 16) & 0xFF);
      setting->setBgGreen((color >> 8) & 0xFF);
      setting->setBgBlue(color & 0xFF);
      takeOwn(setting);
    }
    setting->save();
    return true;
  }

 private:
  std::u16string m_name;
  col::_array::ArrayP m_listeners;
  BgGroupBox* m_background = nullptr;
  s::gui::win::Window* m_ownerWindow = nullptr;
  s::gui::win::Box* m_root = nullptr;
  IEncodeSetting* m_setting = nullptr;
};

/// The group of a format's choices: `makeGroupBox` with the panels' gaps and insets.
s::gui::win::GroupBox* makeFormatGroup(const WCHAR* caption, int32_t arrangement,
                                       int32_t horizontalGap);

}  // namespace s::image::gui::boxes
