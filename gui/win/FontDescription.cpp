// The size rule, the style codes and the setters of a font description.
#include "gui/win/FontDescription.h"

#include "gui/app/AppHooks.h"
#include "gui/drawer/ThemeFont.h"

#include <afxwin.h>

namespace s::gui::win {

namespace {

constexpr const WCHAR kDefaultFace[] = u"MS Shell Dlg 2";
constexpr int32_t kDefaultSize = 10;

}  // namespace

int32_t FontDescription::heightForSize(int32_t size, uint32_t scale) {
  const int32_t a = size * static_cast<int32_t>(scale);
  if (a == 1) {
    return -1;
  }
  // A scaled size past 100 is taken for a mistake and falls back to the normal text height.
  if (a > 100) {
    return -13;
  }
  return -(a + (a - 2) / 3) - 1;
}

COLORREF FontDescription::pack(int32_t red, int32_t green, int32_t blue) {
  return RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
}

void FontDescription::reset() {
  logFont = LOGFONTW{};
  LOGFONTW theme{};
  if (drawer::lookUpThemeFont(&theme) && theme.lfFaceName[0] != 0) {
    // Only the face: the theme's size and weight would not follow the display scale.
    copyFace(theme.lfFaceName);
  } else {
    copyFace(kDefaultFace);
  }
  logFont.lfHeight = heightForSize(kDefaultSize, app::appHooks().getDisplayScale());
  logFont.lfWeight = FW_NORMAL;
  logFont.lfCharSet = DEFAULT_CHARSET;
  logFont.lfOutPrecision = OUT_STRING_PRECIS;
  logFont.lfClipPrecision = CLIP_STROKE_PRECIS;
  logFont.lfQuality = CLEARTYPE_QUALITY;
  logFont.lfPitchAndFamily = VARIABLE_PITCH;
  textColor = 0;
  effectColor1 = 0xEEEEEE;
  effectColor2 = 0xEEEEEE;
  wordWrap = false;
  endEllipsis = false;
  styleCode = 0;
  markers = 0;
  textEffect = 0;
}

void FontDescription::setDisplaySize(int32_t size) {
  if (isMarked(kSizeMarker)) {
    return;
  }
  logFont.lfHeight = heightForSize(size, app::appHooks().getDisplayScale());
  logFont.lfWidth = 0;
}

bool FontDescription::applyStyleCode(int32_t code) {
  styleCode = code;
  const int32_t m = code < 0 ? -code : code;
  int32_t weight = FW_NORMAL;
  int32_t size = 0;
  if (m < 100) {
    size = code + 10;
  } else if (m < 1000) {
    weight = FW_BOLD;
    size = code % 100 + 14;
  } else if (code == 100001) {
    size = 8;
  } else {
    return false;
  }
  if (!isMarked(kBoldMarker)) {
    logFont.lfWeight = weight;
  }
  setDisplaySize(size);
  return true;
}

void FontDescription::copyFace(const WCHAR* name) {
  int i = 0;
  // A bounded copy: the native record holds 31 characters and the terminating NUL.
  for (; name != nullptr && name[i] != 0 && i < LF_FACESIZE - 1; ++i) {
    logFont.lfFaceName[i] = name[i];
  }
  for (; i < LF_FACESIZE; ++i) {
    logFont.lfFaceName[i] = 0;
  }
}

void FontDescription::setFaceName(const WCHAR* name) {
  markers |= kFaceMarker;
  copyFace(name);
}

void FontDescription::setTextColor(int32_t red, int32_t green, int32_t blue) {
  markers |= kTextColorMarker;
  textColor = pack(red, green, blue);
}

void FontDescription::setEffectColor1(int32_t red, int32_t green, int32_t blue) {
  markers |= kEffectColor1Marker;
  effectColor1 = pack(red, green, blue);
}

void FontDescription::setEffectColor2(int32_t red, int32_t green, int32_t blue) {
  markers |= kEffectColor2Marker;
  effectColor2 = pack(red, green, blue);
}

void FontDescription::setPointSize(int32_t points) {
  markers |= kSizeMarker;
  CFont probe;
  if (!probe.CreatePointFont(points * 10, logFont.lfFaceName, nullptr)) {
    return;
  }
  LOGFONTW measured{};
  if (probe.GetLogFont(&measured) == sizeof(LOGFONTW)) {
    logFont.lfHeight = measured.lfHeight;
    logFont.lfWidth = measured.lfWidth;
  }
  probe.DeleteObject();
}

void FontDescription::setHeight(int32_t height) {
  markers |= kSizeMarker;
  logFont.lfHeight = height;
}

void FontDescription::setWidth(int32_t width) {
  markers |= kSizeMarker;
  logFont.lfWidth = width;
}

void FontDescription::setBold(bool on) {
  markers |= kBoldMarker;
  logFont.lfWeight = on ? FW_BOLD : FW_NORMAL;
}

void FontDescription::setItalic(bool on) {
  markers |= kItalicMarker;
  logFont.lfItalic = on ? 1 : 0;
}

void FontDescription::setUnderline(bool on) {
  markers |= kUnderlineMarker;
  logFont.lfUnderline = on ? 1 : 0;
}

void FontDescription::setStrikeOut(bool on) {
  markers |= kStrikeOutMarker;
  logFont.lfStrikeOut = on ? 1 : 0;
}

void FontDescription::setWeight(int32_t weight) {
  markers |= kWeightMarker;
  logFont.lfWeight = weight;
}

void FontDescription::setClearType(bool on) {
  markers |= kQualityMarker;
  logFont.lfQuality = on ? CLEARTYPE_QUALITY : NONANTIALIASED_QUALITY;
}

}  // namespace s::gui::win
