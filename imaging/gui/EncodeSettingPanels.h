// The calls the encode settings make up into the GUI toolkit for their option panels.
#pragma once

#include <cstdint>

namespace s::image {
class IEncodeSetting;
}

namespace s::image::gui {

class IEncodeSettingBox;

/// The image formats that have option panels.
enum class PanelFormat : int32_t { Bmp, Gif, Jpg, Png };

/// Filled once at start-up by the GUI toolkit (and by tests); imaging lies below the toolkit and
/// reaches its panels only through these. The defaults make no panel, so until the toolkit
/// installs its own no setting is ever bound to one. Colours cross as 0x00RRGGBB (red high).
class IEncodeSettingPanels {
 public:
  virtual ~IEncodeSettingPanels() = default;
  /// A panel of `format` from its pool, linked to `setting` (the panel keeps the setting); null
  /// when there is none.
  virtual IEncodeSettingBox* takePanel(PanelFormat /*format*/, IEncodeSetting* /*setting*/) {
    return nullptr;
  }
  /// Runs a BMP, GIF or PNG panel's apply: its values into its setting, then the setting's save.
  virtual bool applyPanel(IEncodeSettingBox* /*panel*/) { return true; }
  /// The colour a JPEG panel's colour row shows, 0x00RRGGBB.
  virtual int32_t getPanelColor(IEncodeSettingBox* /*panel*/) { return 0xFFFFFF; }
  /// The position of a JPEG panel's quality slider, 0 to 100.
  virtual int32_t getPanelQuality(IEncodeSettingBox* /*panel*/) { return 75; }
  /// Gives a panel back to its pool.
  virtual void givePanelBack(IEncodeSettingBox* /*panel*/) {}
};

/// The panels in force: the ones set last, else the defaults.
IEncodeSettingPanels& encodeSettingPanels();
/// Installs `panels` (not owned; null restores the defaults) and answers the previous ones (null
/// for the defaults).
IEncodeSettingPanels* setEncodeSettingPanels(IEncodeSettingPanels* panels);

}  // namespace s::image::gui
