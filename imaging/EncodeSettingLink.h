// What every format's encode setting holds besides its values: the store, the path, the panel.
#pragma once

#include "imaging/gui/EncodeSettingPanels.h"

#include <winnt.h>

#include <cstdint>
#include <string>

namespace s::map {
class IMappedData;
}
namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::image {

class IBufferedImageSet;
class IEncodeSetting;
class IEncodedImage;
namespace win {
class BufferedImage;
}

/// The bound store (not owned), the section path given at binding (an owned text) and the
/// linked option panel of one encode setting. Held by value, first, in each setting.
class EncodeSettingLink {
 public:
  EncodeSettingLink() = default;
  ~EncodeSettingLink();
  EncodeSettingLink(const EncodeSettingLink&) = delete;
  EncodeSettingLink& operator=(const EncodeSettingLink&) = delete;

  /// Unbound, path released, the panel given back.
  void reset();
  void bind(const WCHAR* section, map::IMappedData* store);
  map::IMappedData* getStore() const { return m_store; }
  /// The path followed by `subKey`, valid until the next call.
  const WCHAR* section(const WCHAR* subKey);
  /// Takes a panel of `format` linked to `setting`, giving back the one linked before.
  gui::IEncodeSettingBox* createPanel(gui::PanelFormat format, IEncodeSetting* setting);
  gui::IEncodeSettingBox* getPanel() const { return m_panel; }
  void setPanel(gui::IEncodeSettingBox* panel) { m_panel = panel; }

 private:
  map::IMappedData* m_store = nullptr;
  str::strbuffer::StrBuffer* m_path = nullptr;
  gui::IEncodeSettingBox* m_panel = nullptr;
  std::u16string m_section;
};

/// What a setting encodes of `image`: its filtered result when it has filters (null when a
/// filter failed), else the image itself.
win::BufferedImage* encodeSource(win::BufferedImage* image);
/// A stored colour value as a channel: clamped to 0 to 255.
uint8_t colorChannel(int32_t value);
/// The best image of `set`, null for none.
win::BufferedImage* bestImageOf(IBufferedImageSet* set);

/// What `make(setting)` answers for a setting of type `Setting` taken from its pool and never
/// bound, so holding the format's defaults; the codecs' `createLike` and `createLikeFromSet`.
template <class Setting, class Make>
IEncodedImage* withDefaultSetting(Make make) {
  Setting* setting = Setting::take();
  if (setting == nullptr) {
    return nullptr;
  }
  IEncodedImage* made = make(setting);
  setting->release();
  return made;
}

}  // namespace s::image
