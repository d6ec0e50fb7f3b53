// The toolkit's answer to the encode settings' calls for their option panels.
#include "gui/image/boxes/OptionPanels.h"

#include "gui/image/boxes/BmpConfigBox.h"
#include "gui/image/boxes/GifConfigBox.h"
#include "gui/image/boxes/JpgConfigBox.h"
#include "gui/image/boxes/PngConfigBox.h"
#include "imaging/gui/EncodeSettingPanels.h"

namespace s::image::gui::boxes {

namespace {

template <class Panel>
IEncodeSettingBox* takeBound(IEncodeSetting* setting) {
  Panel* panel = Panel::take();
  if (panel != nullptr) {
    panel->bindSetting(setting);
  }
  return panel;
}

class ToolkitPanels final : public IEncodeSettingPanels {
 public:
  IEncodeSettingBox* takePanel(PanelFormat format, IEncodeSetting* setting) override {
    switch (format) {
      case PanelFormat::Bmp: return takeBound<BmpConfigBox>(setting);
      case PanelFormat::Gif: return takeBound<GifConfigBox>(setting);
      case PanelFormat::Jpg: return takeBound<JpgConfigBox>(setting);
      case PanelFormat::Png: return takeBound<PngConfigBox>(setting);
    }
    return nullptr;
  }
  bool applyPanel(IEncodeSettingBox* panel) override {
    auto* box = dynamic_cast<ConfigBox*>(panel);
    return box != nullptr && box->apply();
  }
  int32_t getPanelColor(IEncodeSettingBox* panel) override {
    auto* box = dynamic_cast<ConfigBox*>(panel);
    return box != nullptr ? box->getColor() : 0xFFFFFF;
  }
  int32_t getPanelQuality(IEncodeSettingBox* panel) override {
    auto* box = dynamic_cast<JpgConfigBox*>(panel);
    return box != nullptr ? box->getQuality() : 75;
  }
  void givePanelBack(IEncodeSettingBox* panel) override {
    if (auto* box = dynamic_cast<ConfigBox*>(panel)) {
      box->release();
    }
  }
};

ToolkitPanels& toolkitPanels() {
  // Never destroyed: settings may still give panels back while the process exits.
  static ToolkitPanels* const s_panels = new ToolkitPanels();
  return *s_panels;
}

}  // namespace

void installOptionPanels() { setEncodeSettingPanels(&toolkitPanels()); }

bool areOptionPanelsInstalled() { return &encodeSettingPanels() == &toolkitPanels(); }

}  // namespace s::image::gui::boxes
