// The background group of the option panels: keep the transparency, or fill it with a colour.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/events/IEventListener.h"

#include <cstdint>

namespace s::gui::win {
class GroupBox;
class RadioButton;
class Window;
}  // namespace s::gui::win

namespace s::image::gui::boxes {

class ColorPicker;

/// The "Background" group: a "Keep Transparency" radio above a row of the "Fill Color" radio
/// and the colour row, whose field and button are enabled while "Fill Color" is checked. The two
/// radios sit in different boxes, so the group checks one and unchecks the other itself. A
/// change of colour by the user tells the listeners (event 0).
///
/// The widgets belong to the group box `build` answers; the colour row is the group's own.
/// Pooled (capacity 1000); `reset` releases the colour row and forgets the widgets, both flags
/// true. Runs on the owner window's UI thread.
class BgGroupBox final : public s::gui::events::IEventListener,
                         public base::IObject,
                         public virtual thread::IPoolable {
  S_POOLED_CLASS(BgGroupBox, u"s_image_gui_boxes_BgGroupBox")

  BgGroupBox() = default;
  ~BgGroupBox() override { reset(); }
  BgGroupBox(const BgGroupBox&) = delete;
  BgGroupBox& operator=(const BgGroupBox&) = delete;
  void reset() override;

  void onEvent(base::IObject* source, int32_t eventId) override;

  void setOwnerWindow(s::gui::win::Window* window) { m_ownerWindow = window; }
  void addListener(s::gui::events::IEventListener* listener);
  /// Whether "Keep Transparency" is checked at the build; false for a format without
  /// transparency.
  void setKeepTransparency(bool keep) { m_keepTransparency = keep; }
  bool isKeepTransparency() const { return m_keepTransparency; }
  /// Whether "Keep Transparency" can be chosen at all; when not, "Fill Color" is checked.
  void setTransparencyAllowed(bool allowed) { m_transparencyAllowed = allowed; }
  bool isTransparencyAllowed() const { return m_transparencyAllowed; }
  /// The colour the row starts from, each channel taken modulo 256.
  void setColor(int32_t red, int32_t green, int32_t blue);
  /// The row's colour, 0xRRGGBB.
  int32_t getColor() const;

  /// Makes the group and its widgets and answers the group box; null when out of memory.
  s::gui::win::GroupBox* build();
  s::gui::win::RadioButton* getKeepRadio() const { return m_keepRadio; }
  s::gui::win::RadioButton* getFillRadio() const { return m_fillRadio; }
  ColorPicker* getColorRow() const { return m_colorRow; }

 private:
  ColorPicker* colorRow();

  ColorPicker* m_colorRow = nullptr;
  s::gui::win::GroupBox* m_groupBox = nullptr;
  s::gui::win::RadioButton* m_keepRadio = nullptr;
  s::gui::win::RadioButton* m_fillRadio = nullptr;
  bool m_keepTransparency = true;
  bool m_transparencyAllowed = true;
  s::gui::win::Window* m_ownerWindow = nullptr;
  col::_array::ArrayP m_listeners;
};

}  // namespace s::image::gui::boxes
