// The description that fonts and font settings share: the native record, colours, line handling,
// the style code and the markers of what was set on purpose.
#pragma once

#include <windows.h>

#include <cstdint>

namespace s::gui::win {

/// The eleven properties a caller can set on purpose; inheritance leaves a marked one alone.
enum FontMarker : uint16_t {
  kFaceMarker = 1 << 0,
  kTextColorMarker = 1 << 1,
  kEffectColor1Marker = 1 << 2,
  kEffectColor2Marker = 1 << 3,
  kSizeMarker = 1 << 4,
  kBoldMarker = 1 << 5,
  kItalicMarker = 1 << 6,
  kUnderlineMarker = 1 << 7,
  kStrikeOutMarker = 1 << 8,
  kWeightMarker = 1 << 9,
  kQualityMarker = 1 << 10,
};

/// A font description as plain data with the rules that change it. The setters mark what they
/// set and answer nothing; the caller (a font) rebuilds its native font after every operation
/// that touches `logFont`. No native object is held here.
struct FontDescription {
  LOGFONTW logFont{};
  COLORREF textColor = 0;
  COLORREF effectColor1 = 0xEEEEEE;
  COLORREF effectColor2 = 0xEEEEEE;
  bool wordWrap = false;
  bool endEllipsis = false;
  int32_t styleCode = 0;
  uint16_t markers = 0;
  int32_t textEffect = 0;

  /// The native height of display size `size` at display scale `scale`.
  static int32_t heightForSize(int32_t size, uint32_t scale);
  /// 0x00BBGGRR from the low 8 bits of each channel.
  static COLORREF pack(int32_t red, int32_t green, int32_t blue);

  /// The defaults at the current display scale: the theme's face where the skins give one, else
  /// "MS Shell Dlg 2", display size 10, normal weight; no markers.
  void reset();
  bool isMarked(uint16_t marker) const { return (markers & marker) != 0; }

  /// Stores the code and applies its weight and size where they are not marked; true when the
  /// native record may have changed.
  bool applyStyleCode(int32_t code);
  void setFaceName(const WCHAR* name);
  void setTextColor(int32_t red, int32_t green, int32_t blue);
  void setEffectColor1(int32_t red, int32_t green, int32_t blue);
  void setEffectColor2(int32_t red, int32_t green, int32_t blue);
  /// Takes the height and width of a temporary native font of `points` at 96 dots per inch.
  void setPointSize(int32_t points);
  void setHeight(int32_t height);
  void setWidth(int32_t width);
  void setBold(bool on);
  void setItalic(bool on);
  void setUnderline(bool on);
  void setStrikeOut(bool on);
  void setWeight(int32_t weight);
  void setClearType(bool on);
  bool isBold() const { return logFont.lfWeight >= 500; }
  bool isClearType() const { return logFont.lfQuality == CLEARTYPE_QUALITY; }

  /// Copies every unmarked property from `source` (an IFont or an IFontSetting), in the order
  /// face, colours, weight, size, italic, underline, strike-out, quality. Sets no markers and
  /// copies no line handling, style code or effect. `textColorCopied` tells whether the text
  /// colour came from the source; the answer is true when the native record was written.
  template <class Source>
  bool inheritFrom(Source* source, bool& textColorCopied) {
    textColorCopied = false;
    if (source == nullptr) {
      return false;
    }
    bool native = false;
    if (!isMarked(kFaceMarker)) {
      copyFace(source->getFaceName());
      native = true;
    }
    if (!isMarked(kTextColorMarker)) {
      textColor = source->getTextColor();
      textColorCopied = true;
    }
    if (!isMarked(kEffectColor1Marker)) {
      effectColor1 = source->getEffectColor1();
    }
    if (!isMarked(kEffectColor2Marker)) {
      effectColor2 = source->getEffectColor2();
    }
    if (!isMarked(kBoldMarker)) {
      // The source's boldness decides, not its weight value: a weight of 600 inherits as 700.
      logFont.lfWeight = source->isBold() ? FW_BOLD : FW_NORMAL;
      native = true;
    }
    if (!isMarked(kSizeMarker)) {
      logFont.lfHeight = source->getHeight();
      logFont.lfWidth = source->getWidth();
      native = true;
    }
    if (!isMarked(kItalicMarker)) {
      logFont.lfItalic = source->isItalic() ? 1 : 0;
      native = true;
    }
    if (!isMarked(kUnderlineMarker)) {
      logFont.lfUnderline = source->isUnderline() ? 1 : 0;
      native = true;
    }
    if (!isMarked(kStrikeOutMarker)) {
      logFont.lfStrikeOut = source->isStrikeOut() ? 1 : 0;
      native = true;
    }
    if (!isMarked(kQualityMarker)) {
      logFont.lfQuality = source->isClearType() ? CLEARTYPE_QUALITY : NONANTIALIASED_QUALITY;
      native = true;
    }
    return native;
  }

 private:
  void copyFace(const WCHAR* name);
  void setDisplaySize(int32_t size);
};

}  // namespace s::gui::win
