// The colour row of the option panels: a hexadecimal field, a swatch and the colour dialog.
#pragma once

#include "core/base/IObject.h"
#include "core/col/array/ArrayP.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/events/IEventListener.h"

#include <cstdint>

namespace s::gui::dialogs::win {
class ColorPicker;
}
namespace s::gui::win {
class Box;
class Button;
class TextField;
class Window;
}  // namespace s::gui::win

namespace s::image::gui::boxes {

/// A row of "# ", a six-digit hexadecimal field, a swatch and the "Change Color" button. The
/// colour is 0xRRGGBB (red high). A typed text of exactly six hexadecimal digits becomes the
/// colour; any other text leaves it. The button runs the colour dialog for the owner window;
/// Cancel keeps the colour. Each change of colour by the user tells the listeners (event 0);
/// `setColor` tells nobody.
///
/// The row's widgets belong to the box `build` answers (its parent releases them); the colour
/// dialog is the row's own. Pooled (capacity 1000); `reset` forgets the widgets, releases the
/// dialog and makes the colour white. Runs on the owner window's UI thread.
class ColorPicker final : public s::gui::events::IEventListener,
                          public base::IObject,
                          public virtual thread::IPoolable {
  S_POOLED_CLASS(ColorPicker, u"s_image_gui_boxes_ColorPicker")

  static constexpr int32_t kWhite = 0xFFFFFF;

  ColorPicker() = default;
  ~ColorPicker() override { reset(); }
  ColorPicker(const ColorPicker&) = delete;
  ColorPicker& operator=(const ColorPicker&) = delete;
  void reset() override;

  void onEvent(base::IObject* source, int32_t eventId) override;

  void setOwnerWindow(s::gui::win::Window* window) { m_ownerWindow = window; }
  void addListener(s::gui::events::IEventListener* listener);
  /// Makes the row's widgets (the field and the button disabled) and answers the row.
  s::gui::win::Box* build();
  int32_t getColor() const { return m_color; }
  /// Shows red, green and blue (each taken modulo 256) in the field and the swatch.
  void setColor(int32_t red, int32_t green, int32_t blue);
  s::gui::win::TextField* getTextField() const { return m_field; }
  s::gui::win::Button* getButton() const { return m_button; }
  s::gui::win::Box* getSwatch() const { return m_swatch; }

  /// The colour of a text of exactly six hexadecimal digits (either case), red first; -1 for
  /// any other text.
  static int32_t parseHex(const WCHAR* text);

 private:
  void chooseWithDialog();
  void tell();

  int32_t m_color = kWhite;
  s::gui::dialogs::win::ColorPicker* m_dialog = nullptr;
  s::gui::win::TextField* m_field = nullptr;
  s::gui::win::Box* m_swatch = nullptr;
  s::gui::win::Button* m_button = nullptr;
  s::gui::win::Window* m_ownerWindow = nullptr;
  col::_array::ArrayP m_listeners;
};

}  // namespace s::image::gui::boxes
