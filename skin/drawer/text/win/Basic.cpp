// The basic text drawer's passes, formats and measurements.
#include "skin/drawer/text/win/Basic.h"

#include "gui/IFont.h"

#include <afxwin.h>

#include <algorithm>
#include <cstdint>

namespace s::gui::drawer::text::win {

namespace {

/// A text argument made ready for DrawTextW: a pointer with its length, -1 up to the NUL.
struct Text {
  const WCHAR* chars = u"";
  int length = 0;
};

/// Small values are ids of the string table: no pointer of this platform is that small.
Text resolve(const WCHAR* text) {
  Text out;
  const auto value = reinterpret_cast<uintptr_t>(text);
  if (text == nullptr) {
    return out;
  }
  if (value <= 0xFFFF) {
    const WCHAR* loaded = nullptr;
    const int length = ::LoadStringW(AfxGetResourceHandle(), static_cast<UINT>(value),
                                     reinterpret_cast<LPWSTR>(&loaded), 0);
    if (length > 0 && loaded != nullptr) {
      out.chars = loaded;
      out.length = length;
    }
    return out;
  }
  out.chars = text;
  out.length = -1;
  return out;
}

/// The native font behind a toolkit font; null for a font that has none.
HGDIOBJ nativeFont(IFont* font) {
  auto* native = dynamic_cast<CFont*>(font);
  return native != nullptr ? native->m_hObject : nullptr;
}

/// One pass of an effect: an offset and where its colour comes from.
enum class Ink : uint8_t { Text, Effect, Black, White, Shadow };
struct Pass {
  int8_t dx;
  int8_t dy;
  Ink ink;
};

constexpr Pass kOutline[] = {{0, -1, Ink::Effect}, {1, -1, Ink::Effect}, {2, -1, Ink::Effect},
                             {2, 0, Ink::Effect},  {2, 1, Ink::Effect},  {1, 1, Ink::Effect},
                             {0, 1, Ink::Effect},  {0, 0, Ink::Effect},  {1, 0, Ink::Text}};
constexpr Pass kPlain[] = {{0, 0, Ink::Text}};
constexpr Pass kShadow[] = {{1, 1, Ink::Shadow}, {0, 0, Ink::Text}};
constexpr Pass kEngraved[] = {{2, 2, Ink::Black}, {0, 0, Ink::White}, {1, 1, Ink::Text}};
constexpr Pass kEngravedFlat[] = {{0, 0, Ink::White}, {0, 2, Ink::Black}, {0, 1, Ink::Text}};
constexpr Pass kEmbossed[] = {{2, 2, Ink::White}, {0, 0, Ink::Black}, {1, 1, Ink::Text}};
constexpr Pass kEmbossedFlat[] = {{0, 0, Ink::Black}, {0, 2, Ink::White}, {0, 1, Ink::Text}};

struct Effect {
  const Pass* passes;
  int count;
};

Effect effectPasses(int32_t effect) {
  switch (effect) {
    case 0: return {kPlain, 1};
    case 1:
    case 7: return {kOutline, 9};
    case 2: return {kShadow, 2};
    case 3: return {kEngraved, 3};
    case 4: return {kEngravedFlat, 3};
    case 5: return {kEmbossed, 3};
    case 6: return {kEmbossedFlat, 3};
    default: return {nullptr, 0};
  }
}

/// How much an effect widens and heightens the plain text's extent.
void addEffectExtent(int32_t effect, int32_t& width, int32_t& height) {
  if (effect == 0) {
    return;
  }
  height += 1;
  if (effect == 2) {
    width += 1;
  } else if (effect == 1 || effect == 3 || effect == 5 || effect == 7) {
    width += 2;
  }
}

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;

}  // namespace

void Basic::reset() {
  for (gui::win::FontSetting& setting : m_settings) {
    setting.reset();
  }
  m_settings[1].setTextColor(161, 161, 146);
  m_settings[2].setTextColor(0, 170, 0);
  m_settings[3].setTextColor(170, 170, 0);
  m_settings[4].setTextColor(170, 170, 0);
  for (int i = 2; i < 5; ++i) {
    m_settings[i].setUnderline(true);
  }
  m_lineMode = 0;
}

void Basic::paint(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                  const WCHAR* text, IFont* font) {
  if (dc == nullptr || font == nullptr || left >= right || top >= bottom) {
    return;
  }
  const Effect effect = effectPasses(font->getTextEffect());
  if (effect.count == 0) {
    return;
  }
  const Text resolved = resolve(text);
  const COLORREF textColor = font->getTextColor();
  const int previousMode = dc->SetBkMode(TRANSPARENT);
  const COLORREF previousColor = dc->SetTextColor(textColor);
  HGDIOBJ native = nativeFont(font);
  HGDIOBJ previousFont = native != nullptr ? dc->SelectObject(native) : nullptr;

  // A text wider than its place ends in an ellipsis at a whole character, on a single line and
  // on each wrapped line whose one word does not fit, rather than being cut through a letter.
  UINT format = DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
  if (m_lineMode != 0) {
    format = DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
  } else if (font->isWordWrap()) {
    format = DT_WORDBREAK | DT_END_ELLIPSIS | DT_NOPREFIX;
  }
  const COLORREF effectColor =
      font->getTextEffect() == 7 ? font->getEffectColor2() : font->getEffectColor1();
  // A black text gets a light shadow, any other a mid grey one, so the shadow always shows.
  const COLORREF shadow = textColor == 0 ? 0xEEEEEE : 0x777777;
  COLORREF current = textColor;
  for (int i = 0; i < effect.count; ++i) {
    const Pass& pass = effect.passes[i];
    COLORREF color = textColor;
    switch (pass.ink) {
      case Ink::Text: color = textColor; break;
      case Ink::Effect: color = effectColor; break;
      case Ink::Black: color = kBlack; break;
      case Ink::White: color = kWhite; break;
      case Ink::Shadow: color = shadow; break;
    }
    if (color != current) {
      dc->SetTextColor(color);
      current = color;
    }
    RECT r{left + pass.dx, top + pass.dy, right + pass.dx, bottom + pass.dy};
    ::DrawTextW(dc->m_hDC, resolved.chars, resolved.length, &r, format);
  }

  dc->SetBkMode(previousMode);
  if (native != nullptr) {
    dc->SelectObject(previousFont);
  }
  dc->SetTextColor(previousColor);
}

int32_t Basic::measureText(CDC* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                           const WCHAR* text, IFont* font, int32_t& width, int32_t& height) {
  width = 0;
  height = 0;
  if (dc == nullptr || font == nullptr) {
    return 0;
  }
  const Text resolved = resolve(text);
  HGDIOBJ native = nativeFont(font);
  HGDIOBJ previousFont = native != nullptr ? dc->SelectObject(native) : nullptr;
  UINT format = DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX;
  if (font->isWordWrap()) {
    format = DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX;
  } else if (font->isEndEllipsis()) {
    format = DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
  }
  RECT r{left, top, right, bottom};
  ::DrawTextW(dc->m_hDC, resolved.chars, resolved.length, &r, format);
  width = r.right - r.left;
  height = r.bottom - r.top;
  addEffectExtent(font->getTextEffect(), width, height);
  if (native != nullptr) {
    dc->SelectObject(previousFont);
  }
  return height;
}

void Basic::measureLines(CDC* dc, const WCHAR* text, IFont* font, int32_t& minimumWidth,
                         int32_t& minimumHeight, int32_t& preferredWidth,
                         int32_t& preferredHeight) {
  minimumWidth = 0;
  minimumHeight = 0;
  preferredWidth = 0;
  preferredHeight = 0;
  if (dc == nullptr || font == nullptr) {
    return;
  }
  const Text resolved = resolve(text);
  HGDIOBJ native = nativeFont(font);
  HGDIOBJ previousFont = native != nullptr ? dc->SelectObject(native) : nullptr;
  RECT r{0, 0, 0, 0};
  ::DrawTextW(dc->m_hDC, resolved.chars, resolved.length, &r, DT_CALCRECT | DT_NOPREFIX);
  if (font->isWordWrap()) {
    minimumHeight = std::max<int32_t>(minimumHeight, r.bottom - r.top);
    preferredWidth = std::max<int32_t>(preferredWidth, r.right - r.left);
    // Wrapped again inside the rectangle the first measurement gave, so the narrowest a
    // wrapping text reports is its one-line width; layouts let that minimum win.
    ::DrawTextW(dc->m_hDC, resolved.chars, resolved.length, &r,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    minimumWidth = std::max<int32_t>(minimumWidth, r.right - r.left);
  } else {
    minimumWidth = r.right - r.left;
    minimumHeight = r.bottom - r.top;
    preferredWidth = minimumWidth;
    preferredHeight = minimumHeight;
    if (font->isEndEllipsis()) {
      minimumWidth = 1;
    }
  }
  const int32_t effect = font->getTextEffect();
  addEffectExtent(effect, minimumWidth, minimumHeight);
  addEffectExtent(effect, preferredWidth, preferredHeight);
  if (native != nullptr) {
    dc->SelectObject(previousFont);
  }
}

void Basic::applyToFonts(IFont* font1, IFont* font2, IFont* font3, IFont* font4, IFont* font5) {
  IFont* fonts[5] = {font1, font2, font3, font4, font5};
  for (int i = 0; i < 5; ++i) {
    if (fonts[i] != nullptr) {
      m_settings[i].setStyleCode(fonts[i]->getStyleCode());
      fonts[i]->inheritFromSetting(&m_settings[i]);
    }
  }
}

void Basic::applyToFontSettings(IFontSetting* setting1, IFontSetting* setting2,
                                IFontSetting* setting3, IFontSetting* setting4,
                                IFontSetting* setting5) {
  IFontSetting* settings[5] = {setting1, setting2, setting3, setting4, setting5};
  for (int i = 0; i < 5; ++i) {
    if (settings[i] != nullptr) {
      m_settings[i].setStyleCode(settings[i]->getStyleCode());
      settings[i]->inheritFrom(&m_settings[i]);
    }
  }
}

}  // namespace s::gui::drawer::text::win
