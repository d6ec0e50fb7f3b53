// A font description without a native font: what widgets and drawers keep and turn into fonts.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

#include <cstdint>

namespace s::gui {

class IFont;

/// The description of a font (see IFont for sizes, markers and colours) that holds no native
/// object, so it costs nothing to keep or change. `createFont` makes a font of it.
class IFontSetting : public base::IObject, public virtual thread::IPoolable {
 public:
  virtual void setStyleCode(int32_t code) = 0;
  virtual int32_t getStyleCode() = 0;
  virtual bool hasExplicitProperties() = 0;
  virtual const WCHAR* getFaceName() = 0;
  virtual void setFaceName(const WCHAR* name) = 0;
  virtual COLORREF getTextColor() = 0;
  virtual int32_t getTextColorRed() = 0;
  virtual int32_t getTextColorGreen() = 0;
  virtual int32_t getTextColorBlue() = 0;
  virtual void setTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual COLORREF getEffectColor1() = 0;
  virtual void setEffectColor1(int32_t red, int32_t green, int32_t blue) = 0;
  virtual COLORREF getEffectColor2() = 0;
  virtual void setEffectColor2(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void setPointSize(int32_t points) = 0;
  virtual int32_t getHeight() = 0;
  virtual void setHeight(int32_t height) = 0;
  virtual int32_t getWidth() = 0;
  virtual void setWidth(int32_t width) = 0;
  virtual bool isBold() = 0;
  virtual void setBold(bool on) = 0;
  virtual bool isItalic() = 0;
  virtual void setItalic(bool on) = 0;
  virtual bool isUnderline() = 0;
  virtual void setUnderline(bool on) = 0;
  virtual bool isStrikeOut() = 0;
  virtual void setStrikeOut(bool on) = 0;
  virtual int32_t getWeight() = 0;
  virtual void setWeight(int32_t weight) = 0;
  virtual bool isWordWrap() = 0;
  virtual void setWordWrap(bool on) = 0;
  virtual bool isEndEllipsis() = 0;
  virtual void setEndEllipsis(bool on) = 0;
  virtual int32_t getTextEffect() = 0;
  virtual void setTextEffect(int32_t effect) = 0;
  virtual bool isClearType() = 0;
  virtual void setClearType(bool on) = 0;
  virtual void inheritFrom(IFontSetting* setting) = 0;
  virtual const LOGFONTW* getLogFont() = 0;
  /// A new font of this description, its markers included; the caller releases it.
  virtual IFont* createFont() = 0;
};

}  // namespace s::gui
