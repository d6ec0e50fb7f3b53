// A font of the toolkit: a native font with the colours, line handling and text effect that the
// text drawer reads, and a record of which properties were set on purpose.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

#include <cstdint>

namespace s::gui {

class IFontSetting;

/// A font that widgets select into their device contexts. Sizes given as style codes or display
/// sizes follow the display scale; properties set through a setter are marked explicit and are
/// never overwritten by inheritance (`inheritFromSetting`, `inheritFromFont`), which fills in only
/// the unmarked ones. Colours are 0x00BBGGRR; colour setters keep the low 8 bits of each channel.
/// A font belongs to the widget that holds it and is used on that widget's UI thread.
class IFont : public base::IObject, public virtual thread::IPoolable {
 public:
  /// The height in pixels of "TEST" in this font; 0 when no device context could be made.
  virtual int32_t getTextHeight() = 0;
  virtual void setStyleCode(int32_t code) = 0;
  virtual int32_t getStyleCode() = 0;
  virtual bool hasExplicitProperties() = 0;
  virtual const WCHAR* getFaceName() = 0;
  /// Longer names are cut to 31 characters, the room of the native description.
  virtual void setFaceName(const WCHAR* name) = 0;
  virtual COLORREF getTextColor() = 0;
  virtual void setTextColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual COLORREF getEffectColor1() = 0;
  virtual void setEffectColor1(int32_t red, int32_t green, int32_t blue) = 0;
  virtual COLORREF getEffectColor2() = 0;
  virtual void setEffectColor2(int32_t red, int32_t green, int32_t blue) = 0;
  /// A size in points at 96 dots per inch, not scaled by the display.
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
  virtual void inheritFromSetting(IFontSetting* setting) = 0;
  virtual void inheritFromFont(IFont* font) = 0;
};

}  // namespace s::gui
