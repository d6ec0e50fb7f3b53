// The basic text drawer: one text painted and measured with its font's effects.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/drawer/text/IBasic.h"
#include "gui/win/FontSetting.h"

#include <windows.h>

namespace s::gui::drawer::text::win {

/// Paints and measures texts with a font, drawing the font's text effect as offset passes
/// (outline, shadow, engraved, embossed). Keeps five font settings that its owner colours: normal,
/// disabled (161, 161, 146), link (0, 170, 0), link under the pointer and pressed link
/// (170, 170, 0), the links underlined; widgets make their fonts take them over with
/// `applyToFonts`. Pooled (capacity 1000); the settings are part of the drawer. Drawers are read
/// from every UI thread while painting and changed only while skins are built.
class Basic final : public IBasic {
  S_POOLED_CLASS(Basic, u"s_gui_drawer_text_win_Basic")

  Basic() { reset(); }
  Basic(const Basic&) = delete;
  Basic& operator=(const Basic&) = delete;
  void reset() override;

  void paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom, const WCHAR* text,
             IFont* font) override;
  int32_t measureText(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                      const WCHAR* text, IFont* font, int32_t& width, int32_t& height) override;
  void applyToFonts(IFont* font1, IFont* font2, IFont* font3, IFont* font4, IFont* font5) override;
  void applyToFontSettings(IFontSetting* setting1, IFontSetting* setting2, IFontSetting* setting3,
                           IFontSetting* setting4, IFontSetting* setting5) override;
  void measureLines(CDC* dc, const WCHAR* text, IFont* font, int32_t& minimumWidth,
                    int32_t& minimumHeight, int32_t& preferredWidth,
                    int32_t& preferredHeight) override;
  IFontSetting* getFontSetting() override { return &m_settings[0]; }
  IFontSetting* getDisabledFontSetting() override { return &m_settings[1]; }
  IFontSetting* getLinkFontSetting() override { return &m_settings[2]; }
  IFontSetting* getLinkHoverFontSetting() override { return &m_settings[3]; }
  IFontSetting* getLinkPressedFontSetting() override { return &m_settings[4]; }
  void setLineMode(int32_t mode) override { m_lineMode = mode; }

  int32_t getLineMode() const { return m_lineMode; }

 private:
  gui::win::FontSetting m_settings[5];
  int32_t m_lineMode = 0;
};

}  // namespace s::gui::drawer::text::win
