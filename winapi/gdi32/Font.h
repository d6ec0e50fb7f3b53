// Fonts realised through fontconfig and FreeType, with a glyph cache per realised font.
#pragma once

#include <windows.h>

#include "winapi/gdi32/Gdi.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace winapi {

struct Glyph {
  int advance = 0;  // pixels to the next pen position
  int left = 0;     // bitmap offset right of the pen position
  int top = 0;      // bitmap rows above the baseline
  int width = 0;
  int height = 0;
  std::unique_ptr<uint8_t[]> coverage;  // width x height, 0..255
};

/// A face at one pixel size with its metrics. Shared by every font object with the same
/// description; safe to use from any thread (the FreeType face is used under m_lock).
class RealizedFont {
 public:
  ~RealizedFont();

  /// The realised font for a LOGFONTW: face names map to installed fonts (the usual Windows UI
  /// faces to DejaVu Sans, fixed faces to DejaVu Sans Mono); a negative lfHeight is the
  /// character height in pixels, a positive one the cell height, 0 the default of 12 pixels.
  static std::shared_ptr<RealizedFont> forLogFont(const LOGFONTW& logFont);

  const TEXTMETRICW& metrics() const { return m_metrics; }
  const std::u16string& faceName() const { return m_faceName; }
  bool underline() const { return m_underline; }
  bool strikeOut() const { return m_strikeOut; }
  int underlinePosition() const { return m_underlinePosition; }  // pixels below the baseline
  int lineThickness() const { return m_lineThickness; }

  /// Advance widths of the units of a text (a surrogate pair's advance sits on its first unit,
  /// 0 on the second).
  void advances(const char16_t* text, int count, int* out);
  /// The width of a text in pixels.
  int width(const char16_t* text, int count);
  /// Draws the glyphs with their baseline at (x, baseline) in target coordinates, clipped.
  void draw(PixelBuffer& target, const Region& clip, int x, int baseline, const char16_t* text, int count,
            const int* dx, uint32_t color, RECT* touched);

 private:
  RealizedFont() = default;
  const Glyph& glyphLocked(char32_t c);

  std::mutex m_lock;
  void* m_face = nullptr;  // FT_Face
  bool m_mono = false;
  bool m_emboldenSynth = false;
  bool m_obliqueSynth = false;
  bool m_underline = false;
  bool m_strikeOut = false;
  int m_underlinePosition = 0;
  int m_lineThickness = 1;
  std::u16string m_faceName;
  TEXTMETRICW m_metrics{};
  std::array<std::unique_ptr<std::array<std::unique_ptr<Glyph>, 256>>, 256> m_pages;
  std::unique_ptr<std::unordered_map<char32_t, std::unique_ptr<Glyph>>> m_astral;
};

}  // namespace winapi
