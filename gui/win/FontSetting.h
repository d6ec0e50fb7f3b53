// A font setting: a font's description without a native font.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/IFontSetting.h"
#include "gui/win/FontDescription.h"

namespace s::gui::win {

/// The description of a font, kept by widgets and drawers and turned into a font by
/// `createFont`. Pooled (capacity 1000) or embedded in its owner; holds nothing native, so it is
/// cheap to change. One thread at a time.
class FontSetting final : public IFontSetting {
  S_POOLED_CLASS(FontSetting, u"s_gui_win_FontSetting")

  FontSetting() { reset(); }
  FontSetting(const FontSetting&) = delete;
  FontSetting& operator=(const FontSetting&) = delete;
  void reset() override { m_d.reset(); }

  void setStyleCode(int32_t code) override { m_d.applyStyleCode(code); }
  int32_t getStyleCode() override { return m_d.styleCode; }
  bool hasExplicitProperties() override { return m_d.markers != 0; }
  const WCHAR* getFaceName() override { return m_d.logFont.lfFaceName; }
  void setFaceName(const WCHAR* name) override { m_d.setFaceName(name); }
  COLORREF getTextColor() override { return m_d.textColor; }
  int32_t getTextColorRed() override { return GetRValue(m_d.textColor); }
  int32_t getTextColorGreen() override { return GetGValue(m_d.textColor); }
  int32_t getTextColorBlue() override { return GetBValue(m_d.textColor); }
  void setTextColor(int32_t red, int32_t green, int32_t blue) override {
    m_d.setTextColor(red, green, blue);
  }
  COLORREF getEffectColor1() override { return m_d.effectColor1; }
  void setEffectColor1(int32_t red, int32_t green, int32_t blue) override {
    m_d.setEffectColor1(red, green, blue);
  }
  COLORREF getEffectColor2() override { return m_d.effectColor2; }
  void setEffectColor2(int32_t red, int32_t green, int32_t blue) override {
    m_d.setEffectColor2(red, green, blue);
  }
  void setPointSize(int32_t points) override { m_d.setPointSize(points); }
  int32_t getHeight() override { return m_d.logFont.lfHeight; }
  void setHeight(int32_t height) override { m_d.setHeight(height); }
  int32_t getWidth() override { return m_d.logFont.lfWidth; }
  void setWidth(int32_t width) override { m_d.setWidth(width); }
  bool isBold() override { return m_d.isBold(); }
  void setBold(bool on) override { m_d.setBold(on); }
  bool isItalic() override { return m_d.logFont.lfItalic != 0; }
  void setItalic(bool on) override { m_d.setItalic(on); }
  bool isUnderline() override { return m_d.logFont.lfUnderline != 0; }
  void setUnderline(bool on) override { m_d.setUnderline(on); }
  bool isStrikeOut() override { return m_d.logFont.lfStrikeOut != 0; }
  void setStrikeOut(bool on) override { m_d.setStrikeOut(on); }
  int32_t getWeight() override { return m_d.logFont.lfWeight; }
  void setWeight(int32_t weight) override { m_d.setWeight(weight); }
  bool isWordWrap() override { return m_d.wordWrap; }
  void setWordWrap(bool on) override { m_d.wordWrap = on; }
  bool isEndEllipsis() override { return m_d.endEllipsis; }
  void setEndEllipsis(bool on) override { m_d.endEllipsis = on; }
  int32_t getTextEffect() override { return m_d.textEffect; }
  void setTextEffect(int32_t effect) override { m_d.textEffect = effect; }
  bool isClearType() override { return m_d.isClearType(); }
  void setClearType(bool on) override { m_d.setClearType(on); }
  void inheritFrom(IFontSetting* setting) override {
    bool colorCopied = false;
    m_d.inheritFrom(setting, colorCopied);
  }
  const LOGFONTW* getLogFont() override { return &m_d.logFont; }
  IFont* createFont() override;

  /// Which properties were set on purpose (FontMarker bits).
  uint16_t getMarkers() const { return m_d.markers; }

 private:
  FontDescription m_d;
};

}  // namespace s::gui::win
