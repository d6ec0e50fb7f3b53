// What the formats' encode settings share: the store, the path, the panel and their operations.
#pragma once

#include "imaging/EncodeSettingLink.h"
#include "imaging/IEncodeSetting.h"

#include <winnt.h>

namespace s::image {

/// The common part of every format's encode setting: the bound store, the section path and the
/// linked panel (`EncodeSettingLink`), binding, loading and saving below the format's sub-key,
/// and the panel operations. A format adds its values, what it reads and writes of them, and
/// how it encodes.
class EncodeSettingBase : public IEncodeSetting {
 public:
  /// The encoded image of the set's best image.
  IEncodedImage* createFromSet(IBufferedImageSet* set) override;
  gui::IEncodeSettingBox* createPanel() override;
  /// The panel's own apply (which saves), or true without a panel.
  bool applyPanel() override;
  bool hasStore() override { return m_link.getStore() != nullptr; }
  map::IMappedData* getStore() override { return m_link.getStore(); }
  void bind(const WCHAR* section, map::IMappedData* store) override;
  bool load() override;
  bool save() override;

  gui::IEncodeSettingBox* getPanel() const { return m_link.getPanel(); }
  void setPanel(gui::IEncodeSettingBox* panel) { m_link.setPanel(panel); }

 protected:
  EncodeSettingBase(gui::PanelFormat format, const WCHAR* subKey)
      : m_format(format), m_subKey(subKey) {}
  /// Unbound, the path released, the panel given back.
  void resetLink() { m_link.reset(); }
  /// Reads the format's values from `section` of `store`, with their defaults.
  virtual void loadValues(map::IMappedData* store, const WCHAR* section) = 0;
  virtual void saveValues(map::IMappedData* store, const WCHAR* section) = 0;

 private:
  EncodeSettingLink m_link;
  const gui::PanelFormat m_format;
  const WCHAR* const m_subKey;
};

}  // namespace s::image
