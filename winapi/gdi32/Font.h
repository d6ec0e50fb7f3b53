// Fonts realised through fontconfig and FreeType, with fallback faces for characters the chosen
// face lacks, bidirectional layout and shaping, and a glyph cache per realised font.
#pragma once

#include <windows.h>

#include "winapi/gdi32/Gdi.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace winapi {

struct Glyph {
  int advance = 0;  // pixels to the next pen position
  int left = 0;     // bitmap offset right of the pen position
  int top = 0;      // bitmap rows above the baseline
  int width = 0;
  int height = 0;
  std::unique_ptr<uint8_t[]> coverage;  // width x height, 0..255
};

struct FontFace;
struct ShapedText;

/// One glyph of a laid-out text, for checks of the layout: the face file it comes from, its
/// index in that face, the UTF-16 unit its cluster starts at and its pen position in pixels.
struct LaidOutGlyph {
  std::string file;
  int faceIndex = 0;
  uint32_t glyph = 0;
  int cluster = 0;
  int x = 0;
};

/// A face at one pixel size with its metrics. Shared by every font object with the same
/// description; safe to use from any thread (the FreeType faces are used under m_lock).
///
/// Texts are laid out as the system's text calls do: a character the face lacks is drawn with
/// the first installed face that fontconfig ranks for this face and the text's language and that
/// has it; texts of right-to-left or joining scripts, and texts with marks, are ordered by the
/// Unicode bidirectional algorithm (left-to-right paragraphs) and shaped; other texts take
/// one glyph per character. Measuring and drawing share that layout.
class RealizedFont {
 public:
  ~RealizedFont();

  /// The realised font for a LOGFONTW: face names map to installed fonts (the usual Windows UI
  /// faces to the dialog face, fixed faces to DejaVu Sans Mono); a negative lfHeight is the
  /// character height in pixels, a positive one the cell height, 0 the default of 12 pixels.
  static std::shared_ptr<RealizedFont> forLogFont(const LOGFONTW& logFont);
  /// The installed family that stands in for the Windows dialog faces ("MS Shell Dlg 2",
  /// "Tahoma", "Segoe UI", ...).
  static const char* dialogFamily();

  const TEXTMETRICW& metrics() const { return m_metrics; }
  const std::u16string& faceName() const { return m_faceName; }
  bool underline() const { return m_underline; }
  bool strikeOut() const { return m_strikeOut; }
  int underlinePosition() const { return m_underlinePosition; }  // pixels below the baseline
  int lineThickness() const { return m_lineThickness; }

  /// Advance widths of the units of a text in logical order: a cluster's (a surrogate pair's,
  /// a letter's with its marks, a ligature's) advance sits on its first unit, 0 on the others.
  void advances(const char16_t* text, int count, int* out);
  /// The width of a text in pixels.
  int width(const char16_t* text, int count);
  /// Draws the glyphs with their baseline at (x, baseline) in target coordinates, clipped. With
  /// dx, each unit's advance is given and the text is drawn unshaped in logical order.
  /// missingUnit, when given, receives the first unit drawn as the missing-glyph box, or -1.
  void draw(PixelBuffer& target, const Region& clip, int x, int baseline, const char16_t* text, int count,
            const int* dx, uint32_t color, RECT* touched, int* missingUnit = nullptr);
  /// The units of a text (first unit of each character) that no installed face can show.
  std::vector<int> missingUnits(const char16_t* text, int count);
  /// The glyphs of a text in visual order, as draw places them.
  std::vector<LaidOutGlyph> layOut(const char16_t* text, int count);

 private:
  RealizedFont();

  struct Slot {  // the simple layout of one code point
    const Glyph* glyph = nullptr;
    uint8_t face = 0;
    uint8_t flags = 0;
  };

  Slot& slotLocked(char32_t c);
  void fillSlotLocked(char32_t c, Slot& slot);
  const Slot& resolveLocked(char32_t c, const char16_t* text, int count, int& lang);
  bool simpleLocked(const char16_t* text, int count);
  int faceForLocked(char32_t c, int lang);
  std::shared_ptr<const ShapedText> shapeLocked(const char16_t* text, int count);
  const Glyph& glyphLocked(int face, uint32_t index);
  int langOfLocked(const char16_t* text, int count);

  std::mutex m_lock;
  std::vector<std::unique_ptr<FontFace>> m_faces;  // [0] the face chosen for the font, then fallbacks
  std::string m_family;
  bool m_bold = false;
  bool m_italic = false;
  bool m_mono = false;
  bool m_underline = false;
  bool m_strikeOut = false;
  int m_ppem = 12;
  int m_underlinePosition = 0;
  int m_lineThickness = 1;
  std::u16string m_faceName;
  TEXTMETRICW m_metrics{};
  std::array<std::unique_ptr<std::array<Slot, 256>>, 256> m_pages;
  std::unordered_map<uint64_t, Slot> m_otherSlots;  // astral code points, and Han ideographs per language
  std::unordered_map<std::u16string, std::shared_ptr<const ShapedText>> m_shaped;
};

}  // namespace winapi
