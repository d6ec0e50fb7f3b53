// Font realisation: Windows face names mapped to installed fonts through fontconfig, faces
// loaded and rendered by FreeType, glyphs cached per realised font; the fonts realised last stay
// alive after their font objects are deleted.
// Left out on purpose: escapement and orientation (text is drawn horizontally), lfWidth
// (glyphs keep their own proportions), kerning (GDI does not kern either) and glyph fallback to
// other faces for characters the chosen face lacks (they show the face's missing-glyph box).
#include "winapi/gdi32/Font.h"
#include "winapi/kernel32/ascii.h"
#include "winapi/kernel32/debug.h"
#include "winapi/kernel32/utf8.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace winapi {
namespace {

std::mutex g_libraryLock;  // guards the FreeType library, fontconfig and the caches below
FT_Library g_library = nullptr;

std::string lowerUtf8(const char16_t* face) {
  std::u16string lowered(face);
  for (char16_t& c : lowered) c = ascii::toLower(c);
  std::string out;
  utf8::toUtf8(lowered, out);
  return out;
}

// The installed family that stands in for a Windows face name.
std::string familyFor(const LOGFONTW& lf) {
  std::string face = lowerUtf8(lf.lfFaceName);
  static const std::map<std::string, std::string> kFaces = {
      {"", "DejaVu Sans"},
      {"ms shell dlg", "DejaVu Sans"},
      {"ms shell dlg 2", "DejaVu Sans"},
      {"segoe ui", "DejaVu Sans"},
      {"tahoma", "DejaVu Sans"},
      {"arial", "DejaVu Sans"},
      {"verdana", "DejaVu Sans"},
      {"microsoft sans serif", "DejaVu Sans"},
      {"ms sans serif", "DejaVu Sans"},
      {"system", "DejaVu Sans"},
      {"courier new", "DejaVu Sans Mono"},
      {"courier", "DejaVu Sans Mono"},
      {"consolas", "DejaVu Sans Mono"},
      {"lucida console", "DejaVu Sans Mono"},
      {"fixedsys", "DejaVu Sans Mono"},
      {"terminal", "DejaVu Sans Mono"},
      {"times new roman", "DejaVu Serif"},
      {"georgia", "DejaVu Serif"},
  };
  if (face.empty() && (lf.lfPitchAndFamily & 0x3) == FIXED_PITCH) return "DejaVu Sans Mono";
  auto it = kFaces.find(face);
  if (it != kFaces.end()) return it->second;
  // Any other name is asked of fontconfig as it stands; it falls back to its default face.
  std::string original;
  for (const char16_t* p = lf.lfFaceName; *p != 0; ++p) {
    original.push_back(*p < 0x80 ? static_cast<char>(*p) : '?');
  }
  return original;
}

struct Match {
  std::string file;
  int index = 0;
  bool synthBold = false;
  bool synthItalic = false;
  std::u16string family;
};

// fontconfig lookup; called under g_libraryLock.
Match matchFont(const std::string& family, bool bold, bool italic) {
  static bool initialised = FcInit() != FcFalse;
  Match m;
  if (!initialised) return m;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* found = FcFontMatch(nullptr, pattern, &result);
  if (found != nullptr) {
    FcChar8* file = nullptr;
    FcChar8* name = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) m.file = reinterpret_cast<char*>(file);
    FcPatternGetInteger(found, FC_INDEX, 0, &m.index);
    FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(found, FC_SLANT, 0, &slant);
    if (FcPatternGetString(found, FC_FAMILY, 0, &name) == FcResultMatch) {
      for (const char* p = reinterpret_cast<char*>(name); *p != 0; ++p) m.family.push_back(static_cast<char16_t>(*p));
    }
    m.synthBold = bold && weight < FC_WEIGHT_DEMIBOLD;
    m.synthItalic = italic && slant == FC_SLANT_ROMAN;
    FcPatternDestroy(found);
  }
  FcPatternDestroy(pattern);
  TRACE(Gdi32, "%s%s%s is %s (face %d)%s%s", family.c_str(), bold ? " bold" : "", italic ? " italic" : "",
        m.file.empty() ? "not found" : m.file.c_str(), m.index, m.synthBold ? ", made bold" : "",
        m.synthItalic ? ", slanted" : "");
  return m;
}

using FontKey = std::tuple<std::string, bool, bool, LONG, bool, bool, bool>;

std::map<FontKey, std::weak_ptr<RealizedFont>>& fontCache() {
  static auto* cache = new std::map<FontKey, std::weak_ptr<RealizedFont>>;
  return *cache;
}

// The realised fonts used last stay alive even when no font object holds them any more: a
// program that deletes a font and makes it again (as a font rebuilt after every property
// change does) finds its face and its rendered glyphs still there.
constexpr size_t kRecentFonts = 32;

std::vector<std::shared_ptr<RealizedFont>>& recentFonts() {
  static auto* recent = new std::vector<std::shared_ptr<RealizedFont>>;
  return *recent;
}

// Moves `font` to the front of the recent fonts; the one that falls off the end is handed to
// `evicted`, to be let go after the library lock (its destructor takes that lock).
void keepRecent(const std::shared_ptr<RealizedFont>& font, std::shared_ptr<RealizedFont>& evicted) {
  auto& recent = recentFonts();
  auto found = std::find(recent.begin(), recent.end(), font);
  if (found != recent.end()) {
    std::rotate(recent.begin(), found, found + 1);
    return;
  }
  if (recent.size() == kRecentFonts) {
    evicted = std::move(recent.back());
    recent.pop_back();
  }
  recent.insert(recent.begin(), font);
}

inline uint32_t blend(uint32_t d, uint32_t c, uint32_t a) {
  uint32_t ia = 255 - a;
  uint32_t rb = (c & 0xFF00FFu) * a + (d & 0xFF00FFu) * ia;
  rb = ((rb + 0x800080u + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
  uint32_t g = (c & 0xFF00u) * a + (d & 0xFF00u) * ia;
  g = ((g + 0x8000u + ((g >> 8) & 0xFF00u)) >> 8) & 0xFF00u;
  return 0xFF000000u | rb | g;
}

}  // namespace

std::shared_ptr<RealizedFont> FontObject::realize() {
  if (!realized) realized = RealizedFont::forLogFont(logFont);
  return realized;
}

RealizedFont::~RealizedFont() {
  if (m_face != nullptr) {
    std::lock_guard<std::mutex> guard(g_libraryLock);
    FT_Done_Face(static_cast<FT_Face>(m_face));
  }
}

std::shared_ptr<RealizedFont> RealizedFont::forLogFont(const LOGFONTW& lf) {
  std::string family = familyFor(lf);
  bool bold = lf.lfWeight >= FW_SEMIBOLD;
  bool italic = lf.lfItalic != 0;
  bool mono = lf.lfQuality == NONANTIALIASED_QUALITY;
  LONG height = lf.lfHeight == 0 ? -12 : lf.lfHeight;
  FontKey key{family, bold, italic, height, mono, lf.lfUnderline != 0, lf.lfStrikeOut != 0};

  std::shared_ptr<RealizedFont> evicted;  // released after the guard below
  std::lock_guard<std::mutex> guard(g_libraryLock);
  auto& cache = fontCache();
  auto cached = cache.find(key);
  if (cached != cache.end()) {
    if (auto font = cached->second.lock()) {
      keepRecent(font, evicted);
      return font;
    }
  }
  if (g_library == nullptr && FT_Init_FreeType(&g_library) != 0) return nullptr;
  Match match = matchFont(family, bold, italic);
  FT_Face face = nullptr;
  if (match.file.empty() || FT_New_Face(g_library, match.file.c_str(), match.index, &face) != 0) {
    // Without fontconfig's answer the face of the bootstrap package is tried directly.
    const char* fallback = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (FT_New_Face(g_library, fallback, 0, &face) != 0) return nullptr;
    match.family = u"DejaVu Sans";
  }

  std::shared_ptr<RealizedFont> font(new RealizedFont);
  font->m_face = face;
  font->m_mono = mono;
  font->m_emboldenSynth = match.synthBold;
  font->m_obliqueSynth = match.synthItalic;
  font->m_underline = lf.lfUnderline != 0;
  font->m_strikeOut = lf.lfStrikeOut != 0;
  font->m_faceName = match.family;

  // Windows sizes a font by its cell: usWinAscent + usWinDescent of the OS/2 table.
  double upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double winAscent = os2 != nullptr ? os2->usWinAscent : face->ascender;
  double winDescent = os2 != nullptr ? os2->usWinDescent : -face->descender;
  int ppem;
  if (height < 0) {
    ppem = static_cast<int>(-height);
  } else {
    ppem = static_cast<int>(std::floor(height * upem / (winAscent + winDescent) + 0.5));
  }
  ppem = std::clamp(ppem, 1, 2000);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem));
  double scale = ppem / upem;
  TEXTMETRICW& tm = font->m_metrics;
  tm.tmAscent = static_cast<LONG>(std::lround(winAscent * scale));
  tm.tmDescent = static_cast<LONG>(std::lround(winDescent * scale));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - ppem);
  double lineGap = face->height - (winAscent + winDescent);
  tm.tmExternalLeading = std::max<LONG>(0, static_cast<LONG>(std::lround(lineGap * scale)));
  tm.tmAveCharWidth = static_cast<LONG>(std::lround((os2 != nullptr ? os2->xAvgCharWidth : upem / 2) * scale));
  tm.tmMaxCharWidth = static_cast<LONG>(std::lround(face->max_advance_width * scale));
  tm.tmWeight = bold ? FW_BOLD : (lf.lfWeight == 0 ? FW_NORMAL : lf.lfWeight);
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFFFC;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = italic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline != 0 ? 1 : 0;
  tm.tmStruckOut = lf.lfStrikeOut != 0 ? 1 : 0;
  bool fixed = FT_IS_FIXED_WIDTH(face);
  // TMPF_FIXED_PITCH set means a variable-pitch font, as Windows defines the bit.
  tm.tmPitchAndFamily =
      static_cast<BYTE>((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE | (fixed ? FF_MODERN : FF_SWISS));
  tm.tmCharSet = DEFAULT_CHARSET;
  font->m_underlinePosition = std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
  font->m_lineThickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
  cache[key] = font;
  keepRecent(font, evicted);
  return font;
}

const Glyph& RealizedFont::glyphLocked(char32_t c) {
  std::unique_ptr<Glyph>* slot;
  if (c < 0x10000) {
    auto& page = m_pages[c >> 8];
    if (!page) page = std::make_unique<std::array<std::unique_ptr<Glyph>, 256>>();
    slot = &(*page)[c & 0xFF];
  } else {
    if (!m_astral) m_astral = std::make_unique<std::unordered_map<char32_t, std::unique_ptr<Glyph>>>();
    slot = &(*m_astral)[c];
  }
  if (*slot) return **slot;
  auto glyph = std::make_unique<Glyph>();
  FT_Face face = static_cast<FT_Face>(m_face);
  FT_Int32 flags = m_mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
  if (FT_Load_Char(face, c, flags) == 0) {
    FT_GlyphSlot g = face->glyph;
    if (m_emboldenSynth) FT_GlyphSlot_Embolden(g);
    if (m_obliqueSynth) FT_GlyphSlot_Oblique(g);
    glyph->advance = static_cast<int>((g->advance.x + 32) >> 6);
    if (FT_Render_Glyph(g, m_mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0) {
      const FT_Bitmap& bm = g->bitmap;
      glyph->left = g->bitmap_left;
      glyph->top = g->bitmap_top;
      glyph->width = static_cast<int>(bm.width);
      glyph->height = static_cast<int>(bm.rows);
      size_t n = static_cast<size_t>(glyph->width) * static_cast<size_t>(glyph->height);
      glyph->coverage.reset(new uint8_t[n > 0 ? n : 1]);
      for (int y = 0; y < glyph->height; ++y) {
        const unsigned char* src = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
        uint8_t* dst = glyph->coverage.get() + static_cast<size_t>(y) * static_cast<size_t>(glyph->width);
        for (int x = 0; x < glyph->width; ++x) {
          dst[x] = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((src[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0) : src[x];
        }
      }
    }
  }
  *slot = std::move(glyph);
  return **slot;
}

namespace {

// The code point at text[i] and how many units it takes.
inline char32_t codePointAt(const char16_t* text, int count, int i, int* units) {
  char16_t c = text[i];
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
    *units = 2;
    return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
  }
  *units = 1;
  return c;
}

}  // namespace

void RealizedFont::advances(const char16_t* text, int count, int* out) {
  std::lock_guard<std::mutex> guard(m_lock);
  for (int i = 0; i < count;) {
    int units = 1;
    char32_t c = codePointAt(text, count, i, &units);
    out[i] = glyphLocked(c).advance;
    if (units == 2) out[i + 1] = 0;
    i += units;
  }
}

int RealizedFont::width(const char16_t* text, int count) {
  std::lock_guard<std::mutex> guard(m_lock);
  int w = 0;
  for (int i = 0; i < count;) {
    int units = 1;
    char32_t c = codePointAt(text, count, i, &units);
    w += glyphLocked(c).advance;
    i += units;
  }
  return w;
}

void RealizedFont::draw(PixelBuffer& target, const Region& clip, int x, int baseline, const char16_t* text, int count,
                        const int* dx, uint32_t color, RECT* touched) {
  std::lock_guard<std::mutex> guard(m_lock);
  int pen = x;
  RECT box{x, baseline - m_metrics.tmAscent, x, baseline + m_metrics.tmDescent};
  for (int i = 0; i < count;) {
    int units = 1;
    char32_t c = codePointAt(text, count, i, &units);
    const Glyph& g = glyphLocked(c);
    int gx = pen + g.left, gy = baseline - g.top;
    for (int row = 0; row < g.height; ++row) {
      const uint8_t* cov = g.coverage.get() + static_cast<size_t>(row) * static_cast<size_t>(g.width);
      int y = gy + row;
      clip.forSpansInRow(y, gx, gx + g.width, [&](int x0, int x1) {
        uint32_t* p = target.row(y);
        for (int px = x0; px < x1; ++px) {
          uint32_t a = cov[px - gx];
          if (a == 255) {
            p[px] = color;
          } else if (a != 0) {
            p[px] = blend(p[px], color, a);
          }
        }
      });
    }
    box.left = std::min<LONG>(box.left, gx);
    box.right = std::max<LONG>(box.right, std::max(gx + g.width, pen + g.advance));
    pen += dx != nullptr ? dx[i] + (units == 2 ? dx[i + 1] : 0) : g.advance;
    i += units;
  }
  box.right = std::max<LONG>(box.right, pen);
  if (m_underline || m_strikeOut) {
    int lines[2] = {m_underline ? baseline + m_underlinePosition : INT32_MIN,
                    m_strikeOut ? baseline - m_metrics.tmAscent / 3 : INT32_MIN};
    for (int top : lines) {
      if (top == INT32_MIN) continue;
      fillRegionRect(target, clip, RECT{x, top, pen, top + m_lineThickness}, color);
    }
  }
  if (touched != nullptr) *touched = box;
}

}  // namespace winapi
