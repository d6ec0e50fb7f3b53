// A font of the toolkit: a native font kept in step with its description.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/IFont.h"
#include "gui/win/FontDescription.h"

#include <windows.h>
#include <afxwin.h>

namespace s::gui::win {

/// A native font (the CFont base holds the handle) rebuilt at once after every change of its
/// native record: the old handle is deleted and a new one made, so a widget must select the
/// font again after changing it. The pool keeps no released fonts: `release` destroys the font
/// and its handle. Widgets embed fonts directly (constructed in place, reset with the widget);
/// a font from `FontSetting::createFont` is released by whoever asked for it. With an attached
/// device context (not owned) a new text colour is applied to it at once. UI thread of the
/// owner only.
class Font final : public IFont, public CFont {
  S_POOLED_CLASS(Font, u"s_gui_win_Font", 0)

  Font();
  ~Font() override;
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  void reset() override;

  int32_t getTextHeight() override;
  void setStyleCode(int32_t code) override;
  int32_t getStyleCode() override { return m_d.styleCode; }
  bool hasExplicitProperties() override { return m_d.markers != 0; }
  const WCHAR* getFaceName() override { return m_d.logFont.lfFaceName; }
  void setFaceName(const WCHAR* name) override;
  COLORREF getTextColor() override { return m_d.textColor; }
  void setTextColor(int32_t red, int32_t green, int32_t blue) override;
  COLORREF getEffectColor1() override { return m_d.effectColor1; }
  void setEffectColor1(int32_t red, int32_t green, int32_t blue) override;
  COLORREF getEffectColor2() override { return m_d.effectColor2; }
  void setEffectColor2(int32_t red, int32_t green, int32_t blue) override;
  void setPointSize(int32_t points) override;
  int32_t getHeight() override { return m_d.logFont.lfHeight; }
  void setHeight(int32_t height) override;
  int32_t getWidth() override { return m_d.logFont.lfWidth; }
  void setWidth(int32_t width) override;
  bool isBold() override { return m_d.isBold(); }
  void setBold(bool on) override;
  bool isItalic() override { return m_d.logFont.lfItalic != 0; }
  void setItalic(bool on) override;
  bool isUnderline() override { return m_d.logFont.lfUnderline != 0; }
  void setUnderline(bool on) override;
  bool isStrikeOut() override { return m_d.logFont.lfStrikeOut != 0; }
  void setStrikeOut(bool on) override;
  int32_t getWeight() override { return m_d.logFont.lfWeight; }
  void setWeight(int32_t weight) override;
  bool isWordWrap() override { return m_d.wordWrap; }
  void setWordWrap(bool on) override { m_d.wordWrap = on; }
  bool isEndEllipsis() override { return m_d.endEllipsis; }
  void setEndEllipsis(bool on) override { m_d.endEllipsis = on; }
  int32_t getTextEffect() override { return m_d.textEffect; }
  void setTextEffect(int32_t effect) override { m_d.textEffect = effect; }
  bool isClearType() override { return m_d.isClearType(); }
  void setClearType(bool on) override;
  void inheritFromSetting(IFontSetting* setting) override;
  void inheritFromFont(IFont* font) override;

  /// The native font; never null once built.
  HFONT getHandle() const { return static_cast<HFONT>(m_hObject); }
  const LOGFONTW* getLogFont() const { return &m_d.logFont; }
  /// Which properties were set on purpose (FontMarker bits).
  uint16_t getMarkers() const { return m_d.markers; }
  CDC* getAttachedDc() const { return m_attachedDc; }
  void setAttachedDc(CDC* dc) { m_attachedDc = dc; }
  /// Takes over a whole description, markers included, and builds the native font.
  void assign(const FontDescription& description);

 private:
  void rebuild();
  void applyColorToDc();

  FontDescription m_d;
  CDC* m_attachedDc = nullptr;
};

}  // namespace s::gui::win
